#include "jpeg_image.h"

#include <csetjmp>
#include <limits>
#include <new>
#include <utility>

// clang-format off
// jpeglib.h uses FILE without including its header.
#include <cstdio>
#include <jpeglib.h>
// clang-format on

namespace tolvane {
namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps back to
// the setjmp in DecodeInto. Warnings (corrupt or missing data, which libjpeg would otherwise
// paper over with grey) are treated as errors.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void JumpBack(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void FailOnWarning(j_common_ptr info, int level) {
  if (level < 0) JumpBack(info);
}

void PrintNothing(j_common_ptr) {}

void LimitScans(j_common_ptr info) {
  auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
  if (decompress->input_scan_number > kMaxJpegScans) JumpBack(info);
}

// Owns a jpeg_decompress_struct and its error manager. The struct starts zeroed, so destroying
// it is safe even when jpeg_create_decompress itself failed.
class Decompressor {
 public:
  Decompressor() {
    info_.err = jpeg_std_error(&errors_.pub);
    errors_.pub.error_exit = JumpBack;
    errors_.pub.emit_message = FailOnWarning;
    errors_.pub.output_message = PrintNothing;
    progress_.progress_monitor = LimitScans;
  }
  ~Decompressor() { jpeg_destroy_decompress(&info_); }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  jpeg_decompress_struct& info() { return info_; }
  jpeg_progress_mgr& progress() { return progress_; }
  std::jmp_buf& jump() { return errors_.jump; }

 private:
  ErrorManager errors_{};
  jpeg_progress_mgr progress_{};
  jpeg_decompress_struct info_{};
};

// Every libjpeg call happens in this frame, between its setjmp and a possible longjmp; no object
// with a destructor lives here, and nothing local is read after the jump.
bool DecodeInto(Decompressor& decompressor, const unsigned char* data, unsigned long size,
                JpegImage& image) {
  jpeg_decompress_struct& info = decompressor.info();
  if (setjmp(decompressor.jump())) return false;
  jpeg_create_decompress(&info);
  info.progress = &decompressor.progress();
  jpeg_mem_src(&info, data, size);
  jpeg_read_header(&info, TRUE);
  if (info.image_width > static_cast<JDIMENSION>(kMaxJpegSide) ||
      info.image_height > static_cast<JDIMENSION>(kMaxJpegSide)) {
    return false;
  }
  if (info.jpeg_color_space != JCS_GRAYSCALE && info.jpeg_color_space != JCS_YCbCr &&
      info.jpeg_color_space != JCS_RGB) {
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  image.width = static_cast<int>(info.output_width);
  image.height = static_cast<int>(info.output_height);
  image.components = info.num_components;
  image.progressive = info.progressive_mode != 0;
  const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
  image.pixels.resize(stride * static_cast<std::size_t>(image.height));
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image.pixels.data() + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  return true;
}

}  // namespace

bool DecodeJpeg(const unsigned char* data, std::size_t size, JpegImage& out) {
  if (size > std::numeric_limits<unsigned long>::max()) return false;
  JpegImage image;
  Decompressor decompressor;
  try {
    if (!DecodeInto(decompressor, data, static_cast<unsigned long>(size), image)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  out = std::move(image);
  return true;
}

}  // namespace tolvane
