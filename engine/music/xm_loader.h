// Reads an XM file from an open stream into a zeroed Module.
// Malformed headers are clamped or refused as listed in xm_loader.cpp; nothing is read past the stream.
#pragma once
#include <cstdint>

struct Module;

bool xm_load(Module* module, void* stream);

// Longest sample kept, in samples: the mixer's boundary search works on distances below 2^24.
constexpr uint32_t kMaxSampleLength = (1u << 24) - 16;
