// Segment rendering, usable with or without a wave device: the segment arithmetic, the position
// ring, render_segment over the mix and PCM buffers, and the float to 16-bit conversion.
#pragma once
#include <cstdint>

struct Module;
struct Playback;

// Rates and segment sizes for 44,100 Hz: 884-frame segments, 100 of them, 128-frame ramps.
void playback_set_rates(Playback& state);
// Resets voices, channels and the module's playback fields, makes the module the playing one
// and allocates a zeroed position ring. No device is touched.
bool playback_reset(Playback& state, Module* module);
// Allocates the zeroed PCM buffer and the 16-byte aligned mix buffer.
bool playback_allocate_buffers(Playback& state);
// Frees the mix buffer, the PCM buffer and the ring; the playing module becomes none.
void playback_free_buffers(Playback& state);

// Offline rendering of a module without a device (tools, tests): reset, buffers, no prefill.
bool render_open(Module* module);
void render_close();

// Renders segment writeSegment of the playing module and advances writeSegment.
void render_segment();
// The PCM frames of a segment (segmentFrames x 2 values).
const int16_t* render_segment_pcm(int32_t segment);

// Rounds each of 2 x frames floats to the nearest integer, ties to even, clamped to int16.
void convert_to_pcm16(int16_t* destination, const float* source, int32_t frames);

// The ring entry of a segment as order << 8 | row, read without tearing.
int32_t position_ring_entry(const Playback& state, int32_t segment);
