// The JPEG decoder on the real banner and on pictures and data made to break it.
#include <gtest/gtest.h>

// clang-format off
// jpeglib.h uses FILE without including its header.
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "jpeg_image.h"

namespace tolvane {
namespace {

std::vector<unsigned char> ReadBanner(const std::string& name = "banner.jpg") {
  std::ifstream file(TOLVANE_SOURCE_DIR "/resources/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Encodes a picture of the given shape filled with a colour ramp; `scans` replaces the default
// baseline encoding by that progressive scan script when it is not empty.
std::vector<unsigned char> Encode(int width, int height, J_COLOR_SPACE space, int components,
                                  const std::vector<jpeg_scan_info>& scans = {}) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = space;
  jpeg_set_defaults(&info);
  if (!scans.empty()) {
    info.scan_info = scans.data();
    info.num_scans = static_cast<int>(scans.size());
  }
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(static_cast<std::size_t>(width) * components);
  for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<unsigned char>(i * 7);
  JSAMPROW rows[] = {row.data()};
  while (info.next_scanline < info.image_height) jpeg_write_scanlines(&info, rows, 1);
  jpeg_finish_compress(&info);
  std::vector<unsigned char> encoded(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return encoded;
}

// A progressive script that sends every AC coefficient of every component in a scan of its own.
std::vector<jpeg_scan_info> OneScanPerCoefficient(int components) {
  std::vector<jpeg_scan_info> scans;
  jpeg_scan_info dc{};
  dc.comps_in_scan = components;
  for (int c = 0; c < components; ++c) dc.component_index[c] = c;
  scans.push_back(dc);
  for (int c = 0; c < components; ++c) {
    for (int k = 1; k < 64; ++k) {
      jpeg_scan_info ac{};
      ac.comps_in_scan = 1;
      ac.component_index[0] = c;
      ac.Ss = k;
      ac.Se = k;
      scans.push_back(ac);
    }
  }
  return scans;
}

bool Decodes(const std::vector<unsigned char>& data) {
  JpegImage image;
  return DecodeJpeg(data.data(), data.size(), image);
}

// The banner, and those drawn for screens at 125 to 250 %: the banner's size times the scale
// (halves rounded up), the same progressive RGB picture: white behind the lettering at the left,
// blue lines of light at the right.
TEST(Banner, EachScaleHasItsOwnBannerOfItsSize) {
  const struct {
    const char* name;
    int width, height;
  } banners[] = {{"banner.jpg", 550, 75},       {"banner-125.jpg", 688, 94},
                 {"banner-150.jpg", 825, 113},  {"banner-175.jpg", 963, 131},
                 {"banner-200.jpg", 1100, 150}, {"banner-250.jpg", 1375, 188}};
  for (const auto& banner : banners) {
    SCOPED_TRACE(banner.name);
    const std::vector<unsigned char> data = ReadBanner(banner.name);
    JpegImage image;
    ASSERT_TRUE(DecodeJpeg(data.data(), data.size(), image));
    EXPECT_EQ(image.width, banner.width);
    EXPECT_EQ(image.height, banner.height);
    EXPECT_EQ(image.components, 3);
    EXPECT_TRUE(image.progressive);
    ASSERT_EQ(image.pixels.size(), std::size_t(banner.width) * banner.height * 3);
    const unsigned char* corner = &image.pixels[(2 * std::size_t(image.width) + 2) * 3];
    EXPECT_GT(corner[0] + corner[1] + corner[2], 3 * 245);
    int blue = 0;
    for (std::size_t i = 0; i < image.pixels.size(); i += 3) {
      blue += image.pixels[i + 2] > 200 && image.pixels[i] < 120;
    }
    EXPECT_GT(blue, 200);
  }
}

TEST(JpegDecoder, RefusesTruncatedDataAndLeavesTheOutputAlone) {
  const std::vector<unsigned char> data = ReadBanner();
  ASSERT_GT(data.size(), 1000u);
  for (std::size_t cut :
       {std::size_t{0}, std::size_t{2}, std::size_t{100}, data.size() / 2, data.size() - 2}) {
    SCOPED_TRACE(cut);
    JpegImage image;
    image.width = 7;
    EXPECT_FALSE(DecodeJpeg(data.data(), cut, image));
    EXPECT_EQ(image.width, 7);
    EXPECT_TRUE(image.pixels.empty());
  }
  JpegImage empty;
  EXPECT_FALSE(DecodeJpeg(nullptr, 0, empty));
}

TEST(JpegDecoder, SurvivesGarbageAndDamagedPictures) {
  std::vector<unsigned char> garbage(4096);
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<unsigned char>(i * 131);
  EXPECT_FALSE(Decodes(garbage));
  garbage[0] = 0xFF;
  garbage[1] = 0xD8;
  EXPECT_FALSE(Decodes(garbage));

  // Damage one byte at a time: the decoder may accept some damage to the picture's data, but it
  // must never crash, and what it accepts must still be a whole picture.
  const std::vector<unsigned char> data = ReadBanner();
  for (std::size_t at = 0; at < data.size(); at += 13) {
    std::vector<unsigned char> damaged = data;
    damaged[at] ^= 0x5A;
    JpegImage image;
    if (DecodeJpeg(damaged.data(), damaged.size(), image)) {
      EXPECT_EQ(image.pixels.size(), std::size_t(image.width) * image.height * 3) << at;
    }
  }
}

TEST(JpegDecoder, RefusesPicturesOverTheSizeLimit) {
  EXPECT_TRUE(Decodes(Encode(kMaxJpegSide, 8, JCS_GRAYSCALE, 1)));
  EXPECT_FALSE(Decodes(Encode(kMaxJpegSide + 1, 8, JCS_GRAYSCALE, 1)));
  EXPECT_FALSE(Decodes(Encode(8, kMaxJpegSide + 1, JCS_GRAYSCALE, 1)));
}

TEST(JpegDecoder, RefusesProgressivePicturesWithTooManyScans) {
  const std::vector<jpeg_scan_info> grey = OneScanPerCoefficient(1);
  const std::vector<jpeg_scan_info> colour = OneScanPerCoefficient(3);
  ASSERT_LE(grey.size(), std::size_t(kMaxJpegScans));
  ASSERT_GT(colour.size(), std::size_t(kMaxJpegScans));
  EXPECT_TRUE(Decodes(Encode(64, 64, JCS_GRAYSCALE, 1, grey)));
  EXPECT_FALSE(Decodes(Encode(64, 64, JCS_RGB, 3, colour)));
}

TEST(JpegDecoder, GivesRgbForGreyPicturesAndRefusesCmyk) {
  const std::vector<unsigned char> grey = Encode(16, 8, JCS_GRAYSCALE, 1);
  JpegImage image;
  ASSERT_TRUE(DecodeJpeg(grey.data(), grey.size(), image));
  EXPECT_EQ(image.components, 1);
  EXPECT_FALSE(image.progressive);
  ASSERT_EQ(image.pixels.size(), 16u * 8u * 3u);
  EXPECT_EQ(image.pixels[30], image.pixels[31]);
  EXPECT_EQ(image.pixels[31], image.pixels[32]);

  EXPECT_FALSE(Decodes(Encode(16, 8, JCS_CMYK, 4)));
}

}  // namespace
}  // namespace tolvane
