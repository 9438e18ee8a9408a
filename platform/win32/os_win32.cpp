// OS services on Windows: threads, the manual-reset event, the performance counter, the error box,
// paths and the message loop. Subtle: threads start suspended until their record is complete, so
// os_thread_is_current works from the thread's first instruction on.
#include <windows.h>

#include "platform/display.h"
#include "platform/os.h"

struct OsThread {
  HANDLE handle;
  DWORD id;
  OsThreadEntry entry;
  void* argument;
};

namespace {
DWORD WINAPI thread_start(LPVOID raw) {
  auto* thread = static_cast<OsThread*>(raw);
  return thread->entry(thread->argument);
}
}  // namespace

OsThread* os_thread_create(OsThreadEntry entry, void* argument) {
  auto* thread = new OsThread{nullptr, 0, entry, argument};
  thread->handle = CreateThread(nullptr, 0, thread_start, thread, CREATE_SUSPENDED, &thread->id);
  if (!thread->handle) {
    delete thread;
    return nullptr;
  }
  ResumeThread(thread->handle);
  return thread;
}

void os_thread_set_priority(OsThread* thread, OsThreadPriority priority) {
  if (!thread) return;
  SetThreadPriority(thread->handle,
                    priority == OsThreadPriority::TimeCritical ? THREAD_PRIORITY_TIME_CRITICAL : THREAD_PRIORITY_NORMAL);
}

unsigned os_thread_join(OsThread* thread) {
  if (!thread) return 0;
  WaitForSingleObject(thread->handle, INFINITE);
  DWORD code = 0;
  GetExitCodeThread(thread->handle, &code);
  CloseHandle(thread->handle);
  delete thread;
  return code;
}

bool os_thread_is_current(const OsThread* thread) { return thread && thread->id == GetCurrentThreadId(); }

void os_thread_exit_current(unsigned code) { ExitThread(code); }

// The event handle itself is the OsEvent.
OsEvent* os_event_create() { return reinterpret_cast<OsEvent*>(CreateEventA(nullptr, TRUE, FALSE, nullptr)); }
void os_event_set(OsEvent* event) { SetEvent(reinterpret_cast<HANDLE>(event)); }
bool os_event_is_set(OsEvent* event) { return WaitForSingleObject(reinterpret_cast<HANDLE>(event), 0) == WAIT_OBJECT_0; }
void os_event_destroy(OsEvent* event) {
  if (event) CloseHandle(reinterpret_cast<HANDLE>(event));
}

void os_sleep_ms(unsigned milliseconds) { Sleep(milliseconds); }

bool os_counter(uint64_t* now) {
  LARGE_INTEGER value;
  if (!QueryPerformanceCounter(&value)) return false;
  *now = static_cast<uint64_t>(value.QuadPart);
  return true;
}

bool os_counter_frequency(uint64_t* ticks_per_second) {
  LARGE_INTEGER value;
  if (!QueryPerformanceFrequency(&value)) return false;
  *ticks_per_second = static_cast<uint64_t>(value.QuadPart);
  return true;
}

void os_error_box(const char* caption, const char* message) { MessageBoxA(nullptr, message, caption, MB_ICONERROR); }

// A window program has no console of its own: the debugger's output always, and the standard
// error handle when the starter gave one (a console, a pipe, wine's terminal).
void os_notice(const char* message) {
  if (!message) return;
  OutputDebugStringA(message);
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(error, message, static_cast<DWORD>(lstrlenA(message)), &written, nullptr);
  WriteFile(error, "\r\n", 2, &written, nullptr);
}

void os_exit_process(int code) { ExitProcess(static_cast<UINT>(code)); }

const char* os_command_line() { return GetCommandLineA(); }

bool os_executable_path(char* buffer, size_t size) {
  if (size == 0) return false;
  DWORD length = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
  if (length == 0 || length >= size) {  // equal to the size: cut short
    buffer[0] = 0;
    return false;
  }
  return true;
}

bool os_current_directory(char* buffer, size_t size) {
  if (size == 0) return false;
  DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(size), buffer);
  if (length == 0 || length >= size) {  // too small: the result is the size needed
    buffer[0] = 0;
    return false;
  }
  return true;
}

char os_path_separator() { return '\\'; }

void os_run_message_loop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void os_post_close() { PostMessageA(static_cast<HWND>(display_window()), WM_CLOSE, 0, 0); }

bool os_pump_messages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return true;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return false;
}
