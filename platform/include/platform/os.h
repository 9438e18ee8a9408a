// OS services seam: threads, events, clock, error box, paths and the main loop's primitives.
// One implementation per back-end folder (win32, sdl2 over posix, null over posix); the shell uses only this.
#pragma once
#include <cstddef>
#include <cstdint>

struct OsThread;
struct OsEvent;

using OsThreadEntry = unsigned (*)(void* argument);

enum class OsThreadPriority { Normal, TimeCritical };

// Threads. create starts the thread at once; join waits without time-out, releases the handle and
// gives the thread's exit code. exit_current ends the calling thread (never the main thread).
OsThread* os_thread_create(OsThreadEntry entry, void* argument);
void os_thread_set_priority(OsThread* thread, OsThreadPriority priority);
unsigned os_thread_join(OsThread* thread);
bool os_thread_is_current(const OsThread* thread);
[[noreturn]] void os_thread_exit_current(unsigned code);

// Manual-reset event, created unsignalled; is_set tests it without waiting.
OsEvent* os_event_create();
void os_event_set(OsEvent* event);
bool os_event_is_set(OsEvent* event);
void os_event_destroy(OsEvent* event);

void os_sleep_ms(unsigned milliseconds);

// Monotonic counter and its ticks per second; false when the platform has none.
bool os_counter(uint64_t* now);
bool os_counter_frequency(uint64_t* ticks_per_second);

// Modal error box with the error icon; back-ends without a screen print the message instead.
void os_error_box(const char* caption, const char* message);

// A message that does not stop the program (the show goes on): written where the platform puts
// diagnostics, never a modal box over a full-screen show.
void os_notice(const char* message);

[[noreturn]] void os_exit_process(int code);

// The process command line as one text (program name first, as the platform gives it).
const char* os_command_line();

// Full path of the running executable and the current directory; false when they do not fit.
bool os_executable_path(char* buffer, size_t size);
bool os_current_directory(char* buffer, size_t size);
// The platform's directory separator: '\\' on Windows, '/' elsewhere.
char os_path_separator();

// Main loop. run_message_loop returns when a quit was requested (the close request reaching the
// window becomes a quit). post_close asks the display window to close, from any thread.
// pump_messages handles what is pending and reports whether a quit arrived.
void os_run_message_loop();
void os_post_close();
bool os_pump_messages();
