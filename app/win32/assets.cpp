#include "assets.h"

#include <cstring>

#include "jpeg_image.h"
#include "resource_ids.h"

namespace tolvane {
namespace {

// The bytes of an RCDATA resource; empty when it is missing. Resource memory lives as long as
// the module, so nothing is freed.
std::string ResourceBytes(HINSTANCE instance, int id) {
  HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(instance, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return {};
  return std::string(static_cast<const char*>(data), SizeofResource(instance, found));
}

int IconId(Asset asset) {
  switch (asset) {
    case Asset::Apache:
      return IDI_APACHE;
    case Asset::Wowza:
      return IDI_WOWZA;
    case Asset::Red5:
      return IDI_RED5;
    case Asset::Php:
      return IDI_PHP;
    case Asset::DotNet:
      return IDI_DOTNET;
    case Asset::Java:
      return IDI_JAVA;
    default:
      return 0;
  }
}

int BannerId(int percent) {
  switch (percent) {
    case 125:
      return IDR_BANNER_125;
    case 150:
      return IDR_BANNER_150;
    case 175:
      return IDR_BANNER_175;
    case 200:
      return IDR_BANNER_200;
    case 250:
      return IDR_BANNER_250;
    default:
      return IDR_BANNER;
  }
}

int TextId(Asset asset) {
  switch (asset) {
    case Asset::Eula:
      return IDR_EULA;
    case Asset::MediaLicence:
      return IDR_MEDIA_SERVER_LICENCE;
    case Asset::Copyright:
      return IDR_COPYRIGHT;
    default:
      return 0;
  }
}

}  // namespace

Bitmap LoadBanner(HINSTANCE instance, int percent) {
  const std::string jpeg = ResourceBytes(instance, BannerId(percent));
  JpegImage image;
  if (jpeg.empty() ||
      !DecodeJpeg(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(), image) ||
      image.components != 3) {
    return Bitmap();
  }
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top-down rows, as libjpeg delivers them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap.get()) return bitmap;
  auto* out = static_cast<unsigned char*>(bits);
  const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
  for (std::size_t i = 0; i < pixels; ++i) {
    out[i * 4 + 0] = image.pixels[i * 3 + 2];
    out[i * 4 + 1] = image.pixels[i * 3 + 1];
    out[i * 4 + 2] = image.pixels[i * 3 + 0];
    out[i * 4 + 3] = 0;
  }
  return bitmap;
}

Icon LoadPictureIcon(HINSTANCE instance, Asset asset, int percent) {
  const int size = (asset == Asset::Java ? 64 : 24) * percent / 100;
  return Icon(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IconId(asset)), IMAGE_ICON,
                                            size, size, LR_DEFAULTCOLOR)));
}

std::wstring LoadAssetText(HINSTANCE instance, Asset asset) {
  const std::string bytes = ResourceBytes(instance, TextId(asset));
  const int length = static_cast<int>(bytes.size());
  std::wstring wide(
      static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), length, nullptr, 0)),
      L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), length, wide.data(), static_cast<int>(wide.size()));
  // The texts are kept with LF line ends; text boxes break lines at CR LF.
  std::wstring text;
  for (wchar_t ch : wide) {
    if (ch == L'\r') continue;
    if (ch == L'\n') text += L'\r';
    text += ch;
  }
  // A one-line text (the copyright notice) has no line end of its own.
  while (text.size() >= 2 && text.compare(text.size() - 2, 2, L"\r\n") == 0)
    text.resize(text.size() - 2);
  return text;
}

}  // namespace tolvane
