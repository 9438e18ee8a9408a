// The pak archive's layout, shared by the reader and the pak tool.
// Listings: sub-directories ('/' + name) first, then files, each ascending by pak_stricmp.
#pragma once
#include <cstddef>
#include <cstdint>

namespace pak {
constexpr char kMagic[10] = "Orvane3.0";       // with its terminating zero: the bytes compared
constexpr uint32_t kMagicField = 12;             // bytes 10 and 11 are not examined
constexpr uint32_t kBlockSizeOffset = 12;
constexpr uint32_t kRootListing = 16;
constexpr uint32_t kFirstRead = 2048;            // read before anything else; an archive's minimum
constexpr uint32_t kEntrySize = 80;
constexpr uint32_t kNameSize = 64;               // zero-terminated within these bytes
constexpr uint32_t kEntrySizeField = 64;
constexpr uint32_t kEntryPacking = 68;
constexpr uint32_t kEntryChecksum = 72;
constexpr uint32_t kEntryOffset = 76;
constexpr uint32_t kPackingLzss = 2;             // what the tool writes; the reader tests non-zero
}  // namespace pak

// The runtime's _stricmp: ASCII letters lowered, then bytes compared unsigned. So '_' sorts
// before letters, as does every character between 'Z' and 'a'.
int pak_stricmp(const char* a, const char* b);

// Standard CRC-32 (reflected 0xEDB88320) without its final complement, as the entries carry it.
// Feed pieces by passing the previous result; start with 0xFFFFFFFF.
uint32_t pak_checksum_update(uint32_t register_value, const void* data, size_t size);
inline uint32_t pak_checksum(const void* data, size_t size) { return pak_checksum_update(0xFFFFFFFFu, data, size); }
