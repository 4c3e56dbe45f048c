// The baseline of the start-up benchmark: the least a Win32 program does to show a window like the
// launcher's (the same manifest, common controls 6, a fixed 550 x 450 window with a minimise box),
// built with the same toolchain and flags.
#include <windows.h>
// commctrl.h needs the types of windows.h before it.
#include <commctrl.h>

namespace {

LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSEXW bare = {sizeof(bare)};
  bare.lpfnWndProc = BareProc;
  bare.hInstance = instance;
  bare.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  bare.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  bare.lpszClassName = L"BareWindow";
  RegisterClassExW(&bare);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame = {0, 0, 550, 450};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_APPWINDOW);
  HWND window = CreateWindowExW(WS_EX_APPWINDOW, L"BareWindow", L"Bare window", style,
                                CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
