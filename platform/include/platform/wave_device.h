// Wave-output seam: one device playing one looping buffer of 16-bit stereo PCM and counting the
// bytes it has played since play_looping. One device per process.
#pragma once
#include <cstdint>

bool wave_device_open(int rate);              // 16-bit stereo PCM at rate; false when no device opens
bool wave_device_play_looping(const void* buffer, uint32_t bytes);  // endless loop of the buffer
uint64_t wave_device_bytes_played();          // since play_looping; keeps counting across loops
void wave_device_reset();                     // stops playing and gives the buffer back
void wave_device_close();
