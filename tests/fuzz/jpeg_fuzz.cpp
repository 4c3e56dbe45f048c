// The banner decoder against any bytes: it refuses what is not a sound picture within its limits
// and never crashes or reads out of bounds.
#include <cstddef>
#include <cstdint>

#include "jpeg_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tolvane::JpegImage image;
  if (tolvane::DecodeJpeg(data, size, image) &&
      image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 3) {
    __builtin_trap();
  }
  return 0;
}
