#include "screen.h"

#include <filesystem>
#include <fstream>
#include <string>

#include "host_path.h"
#include "kit_fixtures.h"

namespace tolvane::test {
namespace {

void Send(INPUT input) { SendInput(1, &input, sizeof(INPUT)); }

INPUT Key(WORD key, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

// The click comes from the X server itself (xdotool), as a person's mouse would make it: input
// a Wine program injects with SendInput was now and then lost while the launcher activated.
void ClickAt(POINT point, std::optional<POINT> release) {
  const auto move = [](POINT to) {
    return L" mousemove " + std::to_wstring(to.x) + L" " + std::to_wstring(to.y) + L" sleep 0.1";
  };
  std::wstring command = L"Z:\\usr\\bin\\xdotool" + move(point) +
                         (release ? L" mousedown 1" + move(*release) + L" mouseup 1" : L" click 1");
  // Wine starts a Linux program without giving back a handle to wait on: give it the time.
  StartProgram(command);
  Sleep(400);
}

void PressKey(WORD key, bool shift) {
  if (shift) Send(Key(VK_SHIFT, false));
  Send(Key(key, false));
  Send(Key(key, true));
  if (shift) Send(Key(VK_SHIFT, true));
}

void PressAltKey(WORD key) {
  Send(Key(VK_MENU, false));
  Send(Key(key, false));
  Send(Key(key, true));
  Send(Key(VK_MENU, true));
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
  // TOLVANE_SCREENSHOTS names another folder (a Windows path), such as the demo's.
  wchar_t folder[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"TOLVANE_SCREENSHOTS", folder, MAX_PATH);
  const std::wstring path =
      (length > 0 && length < MAX_PATH ? std::wstring(folder) : HostPath(TOLVANE_ARTIFACTS_DIR)) +
      L"\\" + std::wstring(name.begin(), name.end()) + L".bmp";
  std::ofstream out(std::filesystem::path(path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  out.write(static_cast<const char*>(bits), image_size);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

}  // namespace tolvane::test
