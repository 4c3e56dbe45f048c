// Decoding of the banner picture: a JPEG held in memory, such as the executable's resource.
#pragma once

#include <cstddef>
#include <vector>

namespace tolvane {

// Pictures wider or taller than this are refused before any pixel memory is taken.
inline constexpr int kMaxJpegSide = 4096;
// Progressive pictures with more scans than this are refused: each scan is a pass over the whole
// picture, so a small file with thousands of them would keep the decoder busy for minutes.
inline constexpr int kMaxJpegScans = 100;

struct JpegImage {
  int width = 0;
  int height = 0;
  int components = 0;  // colour components in the file: 1 (grey), 3 (YCbCr or RGB)
  bool progressive = false;
  std::vector<unsigned char> pixels;  // always RGB, 3 bytes per pixel, rows top-down
};

// Decodes a whole picture. Returns false, leaving `out` unchanged, for data that is not a
// complete and sound JPEG (truncated or corrupt data included), for pictures over the limits
// above and for colour spaces other than grey, YCbCr and RGB. Never prints anything.
bool DecodeJpeg(const unsigned char* data, std::size_t size, JpegImage& out);

}  // namespace tolvane
