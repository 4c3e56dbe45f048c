// The baselines of the start-up benchmark: the least a Win32 program does to show a window like the
// launcher's (the same manifest, common controls 6, a fixed 550 x 450 window with a minimise box),
// built with the same toolchain and flags.
//
//   bench_bare_window.exe [PAGE]
//
// With the name of one of the launcher's pages (panel1, panel4), the window also shows that page's
// standard controls: plain windows of the same classes and kinds, at the places and with the texts
// the layout gives them, in one font. That is what Wine costs to create and paint those controls,
// which the launcher, made of the same real controls, pays too.
#include <windows.h>
// commctrl.h needs the types of windows.h before it.
#include <commctrl.h>

#include <string>

#include "layout.h"
#include "resource_ids.h"

namespace {

using tolvane::Kind;
using tolvane::TControl;

LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// A licence as the launcher shows it: the embedded text with CR LF line ends.
std::wstring LicenceText(HINSTANCE instance, tolvane::Asset asset) {
  const int id = asset == tolvane::Asset::Eula ? IDR_EULA : IDR_MEDIA_SERVER_LICENCE;
  HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!found) return {};
  const auto* bytes = static_cast<const char*>(LockResource(LoadResource(instance, found)));
  std::wstring text;
  for (DWORD i = 0; bytes && i < SizeofResource(instance, found); ++i) {
    if (bytes[i] == '\n') text += L'\r';
    text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
  }
  return text;
}

HWND CreateControl(const TControl& control, HWND parent, HINSTANCE instance, HFONT font) {
  const wchar_t* window_class = L"Button";
  DWORD style = WS_CHILD | WS_VISIBLE;
  DWORD ex_style = 0;
  std::wstring text = control.Text();
  switch (control.kind()) {
    case Kind::Page:
      window_class = L"Static";
      break;
    case Kind::GroupBox:
      style |= BS_GROUPBOX;
      break;
    case Kind::Button:
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case Kind::CheckBox:
      style |= BS_CHECKBOX | WS_TABSTOP;
      break;
    case Kind::Radio:
      style |= BS_RADIOBUTTON;
      break;
    case Kind::Memo:
      window_class = L"Edit";
      style |= ES_MULTILINE | ES_READONLY;
      if (control.row().flags & tolvane::kVerticalScrollBar) style |= WS_VSCROLL;
      if (!(control.row().flags & tolvane::kBorderless)) ex_style = WS_EX_CLIENTEDGE;
      if (control.row().asset != tolvane::Asset::None)
        text = LicenceText(instance, control.row().asset);
      break;
    case Kind::Edit:
      window_class = L"Edit";
      style |= ES_AUTOHSCROLL | WS_TABSTOP;
      ex_style = WS_EX_CLIENTEDGE;
      break;
    default:
      return nullptr;  // labels, pictures and bevels are drawn by their parent
  }
  const tolvane::Rect& b = control.bounds();
  // Text boxes get their font before their text, which they then break into lines only once.
  const bool text_box = control.kind() == Kind::Memo || control.kind() == Kind::Edit;
  HWND window =
      CreateWindowExW(ex_style, window_class, text_box ? L"" : text.c_str(), style, b.left, b.top,
                      b.width, b.height, parent, nullptr, instance, nullptr);
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (text_box) SetWindowTextW(window, text.c_str());
  if (control.Checked()) SendMessageW(window, BM_SETCHECK, BST_CHECKED, 0);
  return window;
}

void CreatePage(HWND window, HINSTANCE instance, const std::wstring& page) {
  static const tolvane::ControlTree controls(tolvane::FormLayout());
  HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                           0, L"Tahoma");
  const auto create = [&](const auto& self, const TControl& control, HWND parent) -> void {
    HWND created = CreateControl(control, parent, instance, font);
    if (!created) return;
    for (const TControl* child : control.children()) self(self, *child, created);
  };
  for (const TControl* top : controls.top()) {
    if (top->name() == page) create(create, *top, window);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR page, int show) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSEXW bare = {sizeof(bare)};
  bare.lpfnWndProc = BareProc;
  bare.hInstance = instance;
  bare.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  bare.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  bare.lpszClassName = L"BareWindow";
  RegisterClassExW(&bare);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame = {0, 0, 550, 450};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_APPWINDOW);
  HWND window = CreateWindowExW(WS_EX_APPWINDOW, L"BareWindow", L"Bare window", style,
                                CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  if (page && *page) CreatePage(window, instance, page);
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
