// POSIX half of the OS services: threads, events, clock, paths and the command line.
// Shared by the SDL2 and the null back-ends; each adds its own main loop, error box and exit.
#include <pthread.h>
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/os.h"

struct OsThread {
  pthread_t id;
  OsThreadEntry entry;
  void* argument;
  unsigned exitCode;
};

struct OsEvent {
  std::atomic<bool> set{false};
};

namespace {
thread_local OsThread* t_current = nullptr;

void* thread_start(void* raw) {
  auto* thread = static_cast<OsThread*>(raw);
  t_current = thread;
  thread->exitCode = thread->entry(thread->argument);
  return nullptr;
}
}  // namespace

OsThread* os_thread_create(OsThreadEntry entry, void* argument) {
  auto* thread = new OsThread{};
  thread->entry = entry;
  thread->argument = argument;
  if (pthread_create(&thread->id, nullptr, thread_start, thread) != 0) {
    delete thread;
    return nullptr;
  }
  return thread;
}

void os_thread_set_priority(OsThread* thread, OsThreadPriority priority) {
  if (!thread || priority == OsThreadPriority::Normal) return;
  // Real-time scheduling when the system grants it; otherwise the thread keeps its priority.
  sched_param parameters{};
  parameters.sched_priority = sched_get_priority_max(SCHED_FIFO);
  if (pthread_setschedparam(thread->id, SCHED_FIFO, &parameters) != 0) {
    parameters.sched_priority = 0;
    pthread_setschedparam(thread->id, SCHED_OTHER, &parameters);
  }
}

unsigned os_thread_join(OsThread* thread) {
  if (!thread) return 0;
  pthread_join(thread->id, nullptr);
  unsigned code = thread->exitCode;
  delete thread;
  return code;
}

bool os_thread_is_current(const OsThread* thread) { return thread && t_current == thread; }

void os_thread_exit_current(unsigned code) {
  if (t_current) t_current->exitCode = code;
  pthread_exit(nullptr);
}

OsEvent* os_event_create() { return new OsEvent; }
void os_event_set(OsEvent* event) { event->set.store(true, std::memory_order_release); }
bool os_event_is_set(OsEvent* event) { return event->set.load(std::memory_order_acquire); }
void os_event_destroy(OsEvent* event) { delete event; }

void os_sleep_ms(unsigned milliseconds) {
  timespec duration{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&duration, &duration) != 0) {
  }
}

bool os_counter(uint64_t* now) {
  timespec ts{};
  if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0) return false;
  *now = static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
  return true;
}

bool os_counter_frequency(uint64_t* ticks_per_second) {
  *ticks_per_second = 1000000000u;
  return true;
}

const char* os_command_line() {
  // Rebuilt from the argument vector, quoting arguments that hold blanks, as Windows would give it.
  static std::string line;
  if (!line.empty()) return line.c_str();
  FILE* file = std::fopen("/proc/self/cmdline", "rb");
  if (!file) return "";
  std::string raw;
  char buffer[4096];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) raw.append(buffer, count);
  std::fclose(file);
  size_t start = 0;
  while (start < raw.size()) {
    size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    std::string argument = raw.substr(start, end - start);
    if (!line.empty()) line += ' ';
    bool quote = argument.find_first_of(" \t") != std::string::npos;
    line += quote ? "\"" + argument + "\"" : argument;
    start = end + 1;
  }
  return line.c_str();
}

bool os_executable_path(char* buffer, size_t size) {
  if (size == 0) return false;
  ssize_t length = readlink("/proc/self/exe", buffer, size);
  if (length <= 0 || static_cast<size_t>(length) >= size) {
    buffer[0] = 0;
    return false;
  }
  buffer[length] = 0;
  return true;
}

bool os_current_directory(char* buffer, size_t size) {
  if (!getcwd(buffer, size)) {
    if (size) buffer[0] = 0;
    return false;
  }
  return true;
}

char os_path_separator() { return '/'; }
