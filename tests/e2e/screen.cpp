#include "screen.h"

#include <fstream>
#include <vector>

namespace tolvane::test {
namespace {

void Send(INPUT input) { SendInput(1, &input, sizeof(INPUT)); }

INPUT Mouse(DWORD flags, POINT at) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  input.mi.dx = MulDiv(at.x, 65535, width - 1);
  input.mi.dy = MulDiv(at.y, 65535, height - 1);
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
  return input;
}

INPUT Key(WORD key, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

void ClickAt(POINT point) {
  Send(Mouse(MOUSEEVENTF_MOVE, point));
  Sleep(30);
  Send(Mouse(MOUSEEVENTF_LEFTDOWN, point));
  Sleep(30);
  Send(Mouse(MOUSEEVENTF_LEFTUP, point));
  Sleep(100);
}

void PressKey(WORD key, bool shift) {
  if (shift) Send(Key(VK_SHIFT, false));
  Send(Key(key, false));
  Send(Key(key, true));
  if (shift) Send(Key(VK_SHIFT, true));
  Sleep(100);
}

void SaveScreenshot(HWND window, const std::string& name) {
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((width * 3 + 3) / 4) * 4;
  const DWORD image_size = stride * height;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + image_size;
  info.bmiHeader.biSizeImage = image_size;
  std::ofstream out(TOLVANE_ARTIFACTS_DIR "/" + name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  out.write(static_cast<const char*>(bits), image_size);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

}  // namespace tolvane::test
