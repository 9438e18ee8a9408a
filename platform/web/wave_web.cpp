// The wave-device seam on the web: no device opens. A looping buffer needs a thread re-rendering
// it while the device plays it, which a page without shared memory does not have; the web program
// feeds Web Audio itself (web_backend.h) and never starts the engine's threaded player.
// Subtle: if anything did start that player, it would play silently on the clock, as without sound.
#include "platform/wave_device.h"

bool wave_device_open(int) { return false; }
bool wave_device_play_looping(const void*, uint32_t) { return false; }
uint64_t wave_device_bytes_played() { return 0; }
void wave_device_reset() {}
void wave_device_close() {}
