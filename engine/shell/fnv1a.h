// FNV-1a over bytes, 32 bits: the checksum the capture tool prints for each frame and the web
// page reports to its tests, so the two can be compared line for line.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr uint32_t kFnv1aBasis = 2166136261u;

// Continues hash over bytes; start from kFnv1aBasis.
inline uint32_t fnv1a(const void* data, size_t bytes, uint32_t hash = kFnv1aBasis) {
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < bytes; ++i) hash = (hash ^ p[i]) * 16777619u;
  return hash;
}
