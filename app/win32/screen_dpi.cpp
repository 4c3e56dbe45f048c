#include "screen_dpi.h"

namespace tolvane {
namespace {

// A function of user32 that only later Windows has; nullptr before.
template <typename Function>
Function FromUser32(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

int DpiOfWindow(HWND window) {
  static const auto get_dpi = FromUser32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  return get_dpi ? static_cast<int>(get_dpi(window)) : SystemDpi();
}

RECT FrameAround(const Rect& client, DWORD style, DWORD ex_style, int dpi) {
  static const auto adjust =
      FromUser32<BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  RECT outer = {0, 0, client.width, client.height};
  if (adjust) {
    adjust(&outer, style, FALSE, ex_style, static_cast<UINT>(dpi));
  } else {
    AdjustWindowRectEx(&outer, style, FALSE, ex_style);
  }
  return outer;
}

int MetricForDpi(int index, int dpi) {
  static const auto metric = FromUser32<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
  return metric ? metric(index, static_cast<UINT>(dpi)) : GetSystemMetrics(index);
}

void ScaleFrameWithDpi(HWND window) {
  static const auto scale_frame = FromUser32<BOOL(WINAPI*)(HWND)>("EnableNonClientDpiScaling");
  if (scale_frame) scale_frame(window);
}

}  // namespace tolvane
