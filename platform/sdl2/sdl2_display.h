// What the SDL2 main loop (os_sdl2.cpp) asks of the SDL2 display (display_sdl2.cpp).
// Subtle: all SDL video work happens on the main thread; the render thread only hands frames over.
#pragma once
#include <SDL.h>

// Handles one event on the main thread: presents handed-over frames, window changes, focus and
// keys. Gives true when the event is a request to close the window.
bool sdl2_display_handle_event(const SDL_Event& event);

// The main loop has ended: a render thread waiting for a full-screen frame to be shown stops waiting.
void sdl2_display_release_waiters();
