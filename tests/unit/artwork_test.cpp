// The icons and texts that go into the executable: sizes, colour depths, transparency, and texts
// the pages can show as they are.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string ReadResource(const std::string& name) {
  std::ifstream file(TOLVANE_SOURCE_DIR "/resources/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::uint32_t Little(const std::string& data, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(data.at(at + i));
  return value;
}

// One image of an .ico file: its directory entry and the BMP header of its data, which must agree
// because the resource compiler copies the entry into the executable's icon group, and Windows
// picks the image by that copy.
struct IconImage {
  int width;
  int height;
  int bits;                 // a PNG-coded image: 32, 8-bit RGBA
  bool corner_transparent;  // the top-left pixel, by the 1-bit mask and, at 32 bits, by alpha
  bool png;                 // its transparency is checked where Windows decodes it
};

std::uint32_t Big(const std::string& data, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i)
    value = value << 8 | static_cast<unsigned char>(data.at(at + i));
  return value;
}

::testing::AssertionResult ReadIcon(const std::string& name, std::vector<IconImage>& images) {
  const std::string data = ReadResource(name);
  if (data.size() < 6 || Little(data, 0, 2) != 0 || Little(data, 2, 2) != 1) {
    return ::testing::AssertionFailure() << name << " is no icon file";
  }
  const std::uint32_t count = Little(data, 4, 2);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 16 * i;
    const int width = static_cast<unsigned char>(data.at(entry));
    const int height = static_cast<unsigned char>(data.at(entry + 1));
    const int bits = static_cast<int>(Little(data, entry + 6, 2));
    const std::size_t at = Little(data, entry + 12, 4);
    if (data.compare(at, 8, "\x89PNG\r\n\x1a\n") == 0) {
      // IHDR: width, height, 8 bits per channel, colour type 6 (RGBA).
      if (Big(data, at + 16) != static_cast<std::uint32_t>(width) ||
          Big(data, at + 20) != static_cast<std::uint32_t>(height) || data.at(at + 24) != 8 ||
          data.at(at + 25) != 6 || bits != 32) {
        return ::testing::AssertionFailure() << name << " PNG image " << i << " disagrees";
      }
      images.push_back({width, height, bits, false, true});
      continue;
    }
    if (Little(data, at, 4) != 40 || static_cast<int>(Little(data, at + 4, 4)) != width ||
        static_cast<int>(Little(data, at + 8, 4)) != 2 * height ||
        static_cast<int>(Little(data, at + 14, 2)) != bits) {
      return ::testing::AssertionFailure() << name << " image " << i << ": entry " << width << "x"
                                           << height << "x" << bits << " disagrees with its data";
    }
    const std::size_t palette = bits == 8 ? 256 * 4 : 0;
    const std::size_t colour_stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const std::size_t mask_stride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    const std::size_t colours = at + 40 + palette;
    const std::size_t top_row = static_cast<std::size_t>(height - 1);  // rows run bottom-up
    const std::size_t mask = colours + colour_stride * height + mask_stride * top_row;
    bool transparent = (static_cast<unsigned char>(data.at(mask)) & 0x80) != 0;
    if (bits == 32)
      transparent = transparent && data.at(colours + colour_stride * top_row + 3) == 0;
    images.push_back({width, height, bits, transparent, false});
  }
  return ::testing::AssertionSuccess();
}

std::vector<std::pair<int, int>> SizesAndBits(const std::vector<IconImage>& images) {
  std::vector<std::pair<int, int>> result;
  for (const IconImage& image : images) {
    EXPECT_EQ(image.width, image.height);
    EXPECT_TRUE(image.png || image.corner_transparent) << image.width << "x" << image.bits;
    result.emplace_back(image.width, image.bits);
  }
  return result;
}

// Each picture has one BMP-coded image at its own size, first, and a PNG-coded one for each scale
// from 125 to 200 %.
TEST(Artwork, PictureIconsAre32BitImagesForEveryScaleWithTransparentBackground) {
  const std::pair<const char*, int> icons[] = {{"apache.ico", 24}, {"wowza.ico", 24},
                                               {"red5.ico", 24},   {"php.ico", 24},
                                               {"dotnet.ico", 24}, {"java.ico", 64}};
  for (const auto& [name, size] : icons) {
    SCOPED_TRACE(name);
    std::vector<IconImage> images;
    ASSERT_TRUE(ReadIcon(name, images));
    std::vector<std::pair<int, int>> expected;
    for (int percent : {100, 125, 150, 175, 200}) expected.emplace_back(size * percent / 100, 32);
    EXPECT_EQ(SizesAndBits(images), expected);
    ASSERT_FALSE(images.empty());
    EXPECT_FALSE(images.front().png);
    for (std::size_t i = 1; i < images.size(); ++i) EXPECT_TRUE(images[i].png);
  }
}

// The caption and taskbar icons at every scale from 100 to 200 %, never stretched: 16 and 32 px
// at 100 %, 20 and 40 at 125 %, 24 and 48 at 150 %, 28 and 56 at 175 %, 32 and 64 at 200 %.
TEST(Artwork, MainIconHasTheSizesOfEveryScaleAndOne256ColourImage) {
  std::vector<IconImage> images;
  ASSERT_TRUE(ReadIcon("tolvane.ico", images));
  const std::vector<std::pair<int, int>> expected = {
      {16, 32}, {20, 32}, {24, 32}, {28, 32}, {32, 32}, {40, 32},
      {48, 32}, {56, 32}, {64, 32}, {128, 32}, {32, 8}};
  EXPECT_EQ(SizesAndBits(images), expected);
}

// The texts are shown line by line and compiled in byte for byte: plain ASCII, LF line ends.
::testing::AssertionResult IsAsciiText(const std::string& name) {
  const std::string text = ReadResource(name);
  for (unsigned char ch : text) {
    if (ch == '\r' || ch >= 0x80 || (ch < 0x20 && ch != '\n')) {
      return ::testing::AssertionFailure() << name << " holds the byte " << int(ch);
    }
  }
  if (text.empty() || text.back() != '\n') {
    return ::testing::AssertionFailure() << name << " does not end with a line end";
  }
  return ::testing::AssertionSuccess();
}

TEST(Artwork, TextsArePlainAsciiLines) {
  for (const char* name : {"eula.txt", "media-server-licence.txt", "copyright.txt"}) {
    EXPECT_TRUE(IsAsciiText(name));
  }
  // The copyright notice is one line: its label on the control page has room for one.
  const std::string copyright = ReadResource("copyright.txt");
  EXPECT_GT(copyright.size(), 1u);
  EXPECT_EQ(copyright.find('\n'), copyright.size() - 1);
}

}  // namespace
