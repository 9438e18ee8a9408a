// libFuzzer target for PCX pictures: the reader on its own (both formats), the plain picture
// loader and the 256x256 texture build, all from bytes in memory.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "image/image_stream.h"
#include "image/pcx_reader.h"
#include "image/texture.h"

namespace {
void decode_directly(const uint8_t* data, size_t size) {
  ImageStream stream(data, static_cast<uint32_t>(size));
  PcxReader reader(&stream);
  if (!reader.read_header()) return;
  const int32_t format = reader.supports_format(FormatIndexed) ? FormatIndexed : FormatRgb;
  const int32_t pixelBytes = format == FormatIndexed ? 1 : 3;
  const uint64_t bytes = static_cast<uint64_t>(reader.image_width()) * reader.image_height() * pixelBytes;
  if (bytes > (1u << 22)) return;  // the fuzzer's memory, not the reader, sets this limit
  auto* pixels = static_cast<uint8_t*>(std::malloc(bytes ? bytes : 1));
  uint8_t palette[768];
  reader.decode(pixels, format, reader.image_width() * pixelBytes, palette);
  std::free(pixels);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  decode_directly(data, size);

  PalettedTexture loaded{};
  if (load_texture_from_bytes(loaded, data, static_cast<uint32_t>(size))) {
    if (loaded.maskX != 63 || loaded.shift != 6 || !loaded.pixels) std::abort();
    destroy(loaded);
  }

  PalettedTexture texture{};
  if (build_texture256_from_bytes(texture, data, static_cast<uint32_t>(size))) {
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x)
        if ((x > 245 || y > 245) && texture.pixels[y * 256 + x] != 0) std::abort();
    destroy(texture);
  }
  return 0;
}
