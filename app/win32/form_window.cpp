#include "form_window.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "layout.h"
#include "scaling.h"

namespace tolvane {
namespace {

constexpr wchar_t kFormClass[] = L"TForm1";
constexpr wchar_t kPageClass[] = L"TPanel";
constexpr wchar_t kGroupClass[] = L"TGroupBox";
// The form's own messages to itself; they carry nothing, what they ask waits in the form.
constexpr UINT kFixFocusMessage = WM_APP + 1;
constexpr UINT kClickLinkMessage = WM_APP + 2;
constexpr int kFirstControlId = 100;
// WM_GETDPISCALEDSIZE, which Windows 10 (1703) and later send; the headers name it only for them.
constexpr UINT kGetDpiScaledSize = 0x02E4;
constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_APPWINDOW;

bool IsWindowed(Kind kind) {
  switch (kind) {
    case Kind::Label:
    case Kind::Link:
    case Kind::Picture:
    case Kind::Bevel:
      return false;
    default:
      return true;
  }
}

bool RegisterClasses(HINSTANCE instance, WNDPROC form_proc, WNDPROC container_proc) {
  // A later window in the same process uses the classes the first one registered, without loading
  // their icons again; classes found half registered are completed.
  WNDCLASSEXW registered = {sizeof(registered)};
  if (GetClassInfoExW(instance, kGroupClass, &registered)) return true;
  WNDCLASSEXW form = {};
  form.cbSize = sizeof(form);
  form.lpfnWndProc = form_proc;
  form.hInstance = instance;
  form.hIcon =
      static_cast<HICON>(LoadImageW(instance, L"MAINICON", IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  form.hIconSm = static_cast<HICON>(LoadImageW(instance, L"MAINICON", IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
  form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form.lpszClassName = kFormClass;
  WNDCLASSEXW container = form;
  container.lpfnWndProc = container_proc;
  container.hIcon = container.hIconSm = nullptr;
  container.lpszClassName = kPageClass;
  WNDCLASSEXW group = container;
  group.lpszClassName = kGroupClass;
  const auto in_place = [](const WNDCLASSEXW& window_class) {
    return RegisterClassExW(&window_class) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  };
  return in_place(form) && in_place(container) && in_place(group);
}

template <typename Function>
Function FromUser32(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// A window's own dpi; before Windows 10 (1607) every window has the system's.
UINT DpiOfWindow(HWND window) {
  static const auto get_dpi = FromUser32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  return get_dpi ? get_dpi(window) : static_cast<UINT>(SystemDpi());
}

// The form's outer rectangle around `client` with a frame drawn for `dpi` (Wine draws every
// frame at the process's dpi, and answers that for every window).
RECT FrameAround(const Rect& client, UINT dpi) {
  static const auto adjust =
      FromUser32<BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  RECT outer = {0, 0, client.width, client.height};
  if (adjust) {
    adjust(&outer, kFormStyle, FALSE, kFormExStyle, dpi);
  } else {
    AdjustWindowRectEx(&outer, kFormStyle, FALSE, kFormExStyle);
  }
  return outer;
}

// The monitors, the primary one first, with their work areas.
std::vector<Monitor> Monitors() {
  std::vector<Monitor> monitors;
  const auto add = [](HMONITOR handle, HDC, LPRECT, LPARAM found) -> BOOL {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(handle, &info)) return TRUE;
    const auto to_rect = [](const RECT& r) {
      return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
    };
    auto& list = *reinterpret_cast<std::vector<Monitor>*>(found);
    const Monitor monitor = {to_rect(info.rcMonitor), to_rect(info.rcWork)};
    list.insert(info.dwFlags & MONITORINFOF_PRIMARY ? list.begin() : list.end(), monitor);
    return TRUE;
  };
  EnumDisplayMonitors(nullptr, nullptr, add, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

// Whether the message being handled came from this thread: from the system's handling of the
// window, or the launcher itself. What another program sends carries pointers that mean nothing
// here (Windows copies no data of these messages between processes).
bool SentByThisThread() { return InSendMessageEx(nullptr) == ISMEX_NOSEND; }

// The work area of the monitor that holds the most of `window`.
Rect WorkAreaOf(HWND window) {
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
  const RECT& r = info.rcWork;
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

bool HighContrastOn() {
  HIGHCONTRASTW contrast = {};
  contrast.cbSize = sizeof(contrast);
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

}  // namespace

FormWindow::FormWindow(TForm1& form, HINSTANCE instance)
    : form_(form),
      instance_(instance),
      painter_(instance, [this](const TControl& control) { return FontOf(control); }) {}

bool FormWindow::Create() {
  if (!RegisterClasses(instance_, FormProc, ContainerProc)) return false;
  painter_.SetHighContrast(HighContrastOn());
  button_style_.Read();
  LayOutForDpi(SystemDpi(), false);
  RECT outer = {0, 0, client_.width, client_.height};
  AdjustWindowRectEx(&outer, kFormStyle, FALSE, kFormExStyle);
  hwnd_ = CreateWindowExW(kFormExStyle, kFormClass, kFormCaption, kFormStyle, CW_USEDEFAULT,
                          CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                          nullptr, nullptr, instance_, this);
  if (!hwnd_) return false;
  // Aware of each screen's dpi, the window takes the dpi of the screen it is made on, which may
  // not be the system's, and no WM_DPICHANGED comes for it: it is laid out again for that dpi
  // before anything is made in it.
  if (const UINT dpi = DpiOfWindow(hwnd_); static_cast<int>(dpi) != SystemDpi()) {
    fonts_ = FontCache();
    LayOutForDpi(static_cast<int>(dpi), true);
    const RECT frame = FrameAround(client_, dpi);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // Without the guard the form still ignores stray messages of its own numbers; only the
  // standard controls would be left to judge theirs.
  guard_.Watch(hwnd_, {kFixFocusMessage, kClickLinkMessage});
  painter_.LoadPictures(artwork_percent_);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont()), FALSE);
  CreateChildren(nullptr, hwnd_);
  return true;
}

// The height of the digit 0 in the window font made for `dpi`.
int FormWindow::MeasuredTextHeight(HDC screen, int dpi) {
  const Selected font(
      screen, fonts_.Get(L"Tahoma", WindowFontHeightForDpi(kWindowFont.height, dpi), false,
                         kDefaultCharset));
  SIZE digit = {};
  GetTextExtentPoint32W(screen, L"0", 1, &digit);
  return digit.cy;
}

// The layout for a screen of `dpi`, on creation and on every move to another screen: the window
// font follows the dpi, and the digit 0 measured in it scales the whole layout from its rows. The
// pictures are those made for the scale the digit gives, or for the dpi's own scale.
void FormWindow::LayOutForDpi(int dpi, bool pictures_by_dpi) {
  laid_out_dpi_ = dpi;
  window_font_height_ = WindowFontHeightForDpi(kWindowFont.height, dpi);
  HDC screen = GetDC(nullptr);
  const int measured = MeasuredTextHeight(screen, dpi);
  client_ = ScaleForm(form_.controls(), kClientWidth, kClientHeight, measured);
  artwork_percent_ = pictures_by_dpi ? ArtworkScale(dpi, kDesignDpi)
                                     : ArtworkScale(measured, kDesignTextHeight);
  for (const auto& control : form_.controls().all()) {
    if (control->kind() == Kind::Label || control->kind() == Kind::Link)
      SizeLabelToCaption(screen, *control);
  }
  ReleaseDC(nullptr, screen);
}

void FormWindow::SizeLabelToCaption(HDC screen, TControl& control) {
  RECT r = {0, 0, 0, 0};
  {
    const Selected font(screen, FontOf(control));
    DrawTextW(screen, control.Text().c_str(), static_cast<int>(control.Text().size()), &r,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  }
  Rect bounds = control.bounds();
  bounds.width = r.right - r.left;
  bounds.height = r.bottom - r.top;
  control.set_bounds(bounds);
}

// The size of the whole window laid out for `dpi`, with the frame of that dpi: Windows asks it
// before a move to a screen of that dpi, so that the place it suggests fits the window's own size.
SIZE FormWindow::SizeForDpi(int dpi) {
  HDC screen = GetDC(nullptr);
  const int measured = MeasuredTextHeight(screen, dpi);
  ReleaseDC(nullptr, screen);
  const RECT outer = FrameAround(ScaleClient(kClientWidth, kClientHeight, measured), dpi);
  return {outer.right - outer.left, outer.bottom - outer.top};
}

// The window moved to a screen of another dpi: it is laid out as a window created there, and
// takes the place Windows suggests (`suggested`; none keeps its top-left) with the frame of its
// own dpi around its new client area.
void FormWindow::OnDpiChanged(int dpi, const RECT* suggested) {
  if (!IsScreenDpi(dpi) || (!suggested && dpi == laid_out_dpi_)) return;
  // Sized for the new dpi, the window may lie on a screen of yet another: Windows tells that
  // during the move, and the window is laid out for it once more where it stands (once only, so
  // that it never goes back and forth between two screens).
  if (moving_for_dpi_) {
    dpi_after_move_ = dpi;
    return;
  }
  MoveToDpi(dpi, suggested);
  const int after = std::exchange(dpi_after_move_, 0);
  if (after && after != laid_out_dpi_) MoveToDpi(after, nullptr);
  dpi_after_move_ = 0;
}

void FormWindow::MoveToDpi(int dpi, const RECT* suggested) {
  // The old fonts live until the controls have the new ones.
  FontCache old_fonts = std::exchange(fonts_, FontCache());
  LayOutForDpi(dpi, true);
  painter_.LoadPictures(artwork_percent_);
  ApplyLayout();
  const RECT outer = FrameAround(client_, DpiOfWindow(hwnd_));
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  moving_for_dpi_ = true;
  if (IsIconic(hwnd_)) {
    // A minimised window keeps its place among the icons: the size it is restored to changes.
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    GetWindowPlacement(hwnd_, &placement);
    placement.rcNormalPosition.right = placement.rcNormalPosition.left + width;
    placement.rcNormalPosition.bottom = placement.rcNormalPosition.top + height;
    placement.showCmd = SW_SHOWMINNOACTIVE;
    SetWindowPlacement(hwnd_, &placement);
  } else {
    // Without a suggested place the window grows or shrinks from its top-left, kept within the
    // work area of its monitor.
    RECT now;
    GetWindowRect(hwnd_, &now);
    const Point at = suggested ? Point{suggested->left, suggested->top}
                               : KeptInside(WorkAreaOf(hwnd_), {now.left, now.top}, width, height);
    SetWindowPos(hwnd_, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  moving_for_dpi_ = false;
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// Every window the controls have so far takes its place, size and font from the layout.
void FormWindow::ApplyLayout() {
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont()), FALSE);
  for (const auto& [control, window] : windows_) {
    const Rect& b = control->bounds();
    SetWindowPos(window, nullptr, b.left, b.top, b.width, b.height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(*control)), FALSE);
  }
}

HFONT FormWindow::FormFont() {
  return fonts_.Get(L"Tahoma", window_font_height_, false, kDefaultCharset);
}

HFONT FormWindow::FontOf(const TControl& control) {
  const FontSpec& font = control.row().font;
  const int height = font.family ? control.font_height() : window_font_height_;
  return fonts_.Get(font.family ? font.family : L"Tahoma", height, control.Bold(), font.charset);
}

void FormWindow::CreateChildren(TControl* parent, HWND parent_window) {
  const auto& children = parent ? parent->children() : form_.controls().top();
  for (TControl* control : children) {
    if (!IsWindowed(control->kind())) continue;
    HWND window = CreateControlWindow(*control, parent_window);
    if (!window) continue;
    windows_[control] = window;
    controls_by_window_[window] = control;
    control->set_view(this);
    if (control->kind() == Kind::Page) {
      // A page created later lies above the ones created before it.
      SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      pages_to_fill_.push_back(control);
    } else {
      CreateChildren(control, window);
    }
  }
  if (parent) {
    for (TControl* control : children) {
      if (!IsWindowed(control->kind())) control->set_view(this);
    }
  }
}

// A page's controls are created when the page first shows, as a property sheet creates its
// pages: in Wine every child window costs about a millisecond to create and the licence boxes
// far more, so a start on the control page creates none of the wizard's, and a first start none
// of the control page's. Until then the controls' state lives in the form alone, and the windows
// are created from it.
void FormWindow::FillShowingPages() {
  const auto fill = [this](TControl* page) {
    if (!page->Showing()) return false;
    CreateChildren(page, WindowOf(page));
    return true;
  };
  pages_to_fill_.erase(std::remove_if(pages_to_fill_.begin(), pages_to_fill_.end(), fill),
                       pages_to_fill_.end());
}

HWND FormWindow::CreateControlWindow(TControl& control, HWND parent_window) {
  const LayoutRow& row = control.row();
  const wchar_t* window_class = L"Button";
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD ex_style = 0;
  switch (control.kind()) {
    case Kind::Page:
      window_class = kPageClass;
      style |= WS_CLIPCHILDREN;
      ex_style = WS_EX_CONTROLPARENT;
      break;
    case Kind::GroupBox:
      window_class = kGroupClass;
      ex_style = WS_EX_CONTROLPARENT;
      break;
    case Kind::Memo:
      window_class = L"Edit";
      style |= ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
      if (row.flags & kVerticalScrollBar) style |= WS_VSCROLL;
      if (!(row.flags & kBorderless)) ex_style = WS_EX_CLIENTEDGE;
      break;
    case Kind::Edit:
      window_class = L"Edit";
      style |= ES_AUTOHSCROLL;
      ex_style = WS_EX_CLIENTEDGE;
      break;
    case Kind::Button:
      style |= BS_PUSHBUTTON;
      break;
    case Kind::CheckBox:
      style |= BS_CHECKBOX;
      break;
    case Kind::Radio:
      style |= BS_RADIOBUTTON;
      break;
    default:
      return nullptr;
  }
  if (control.Visible()) style |= WS_VISIBLE;
  if (!control.Enabled()) style |= WS_DISABLED;
  if (control.TabStop() && control.Focusable()) style |= WS_TABSTOP;
  const Rect& b = control.bounds();
  // Control ids follow the layout's rows, so a test can name the control behind a window.
  INT_PTR id = kFirstControlId;
  for (const auto& row : form_.controls().all()) {
    if (row.get() == &control) break;
    ++id;
  }
  // A text box breaks its text into lines in its font whenever either changes, which for a
  // licence costs milliseconds: it gets its font before its text.
  const bool text_box = control.kind() == Kind::Memo || control.kind() == Kind::Edit;
  HWND window = CreateWindowExW(ex_style, window_class, text_box ? L"" : control.Text().c_str(),
                                style, b.left, b.top, b.width, b.height, parent_window,
                                reinterpret_cast<HMENU>(id), instance_, this);
  if (!window) return nullptr;
  // Pages and group boxes are the form's own windows, which answer nothing in those ranges.
  if (control.kind() != Kind::Page && control.kind() != Kind::GroupBox) {
    RefuseSentFromElsewhere(window);
  }
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(control)), FALSE);
  if (control.kind() == Kind::Edit) SendMessageW(window, EM_SETLIMITTEXT, 0, 0);
  const std::wstring name = LabelledName(control);
  if (!name.empty()) accessible_.Name(window, name);
  if (&control == &form_.currentjavaversion) accessible_.MakeLive(window);
  if (text_box) SetWindowTextW(window, control.Text().c_str());
  if (control.Checked()) SendMessageW(window, BM_SETCHECK, BST_CHECKED, 0);
  // On Windows an unticked radio button that gets the focus clicks itself, unless told not to:
  // the focus the window gives back, or moves by the arrow keys, must never click C# and bring
  // up its notice by itself. The arrow keys tick what they reach explicitly instead.
  if (control.kind() == Kind::Radio) SendMessageW(window, BM_SETDONTCLICK, TRUE, 0);
  FitButtonStyle(control, window);
  return window;
}

void FormWindow::ShowFirstTime() {
  FillShowingPages();
  const Rect desktop = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                        GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  const std::vector<Monitor> monitors = Monitors();
  // Put on a screen of another dpi, the window is laid out for it (whether Windows tells it or
  // not) and changes size: it is placed once more for its new size.
  for (int round = 0; round < 2; ++round) {
    OnDpiChanged(static_cast<int>(DpiOfWindow(hwnd_)), nullptr);
    RECT outer;
    GetWindowRect(hwnd_, &outer);
    const Point at =
        FirstPlace(desktop, monitors, outer.right - outer.left, outer.bottom - outer.top);
    if (at.x == outer.left && at.y == outer.top) break;
    SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  FocusFirstIfLost();
}

bool FormWindow::HandleKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || !hwnd_ || GetAncestor(message.hwnd, GA_ROOT) != hwnd_) {
    return false;
  }
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  TControl* current = ControlOf(GetFocus());
  TControl* target = nullptr;
  switch (message.wParam) {
    case VK_TAB:
      target = form_.controls().NextTabStop(current, GetKeyState(VK_SHIFT) >= 0);
      break;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      // Text boxes and the edit box keep the arrow keys for themselves.
      if (!current || current->kind() == Kind::Memo || current->kind() == Kind::Edit) return false;
      target = form_.controls().ArrowTarget(
          *current, message.wParam == VK_RIGHT || message.wParam == VK_DOWN);
      break;
    default:
      return false;
  }
  if (!target) return true;
  SetFocus(WindowOf(target));
  // The arrow keys move the tick in a group of radio buttons, as in a Windows dialog.
  if (message.wParam != VK_TAB && target->kind() == Kind::Radio) target->Click();
  return true;
}

void FormWindow::Changed(TControl& control, Change change) {
  HWND window = WindowOf(&control);
  if (!window) {
    // Labels and pictures are drawn by their parent.
    HWND parent = WindowOf(control.parent());
    if (parent) {
      const RECT r = ToRect(control.bounds());
      InvalidateRect(parent, &r, TRUE);
    }
    return;
  }
  switch (change) {
    case Change::Visible:
      // Another page takes its first focus, not what was remembered on the one before.
      if (control.kind() == Kind::Page) remembered_focus_ = nullptr;
      if (control.Visible()) FillShowingPages();
      ShowWindow(window, control.Visible() ? SW_SHOWNA : SW_HIDE);
      focus_to_fix_ = true;
      PostMessageW(hwnd_, kFixFocusMessage, 0, 0);
      break;
    case Change::Text:
      SetWindowTextW(window, control.Text().c_str());
      break;
    case Change::Checked:
      SendMessageW(window, BM_SETCHECK, control.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case Change::Font:
      SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(control)), TRUE);
      InvalidateRect(window, nullptr, TRUE);
      break;
  }
  if (change == Change::Checked && control.kind() == Kind::Radio) {
    LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    style = control.TabStop() ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
    SetWindowLongPtrW(window, GWL_STYLE, style);
  }
  AnnounceJavaResult(control, change);
}

// The Java result shows in a box that does not take the focus (it lands on "< Back"): screen
// readers hear of it as a live region, when its page shows and when it changes while shown.
void FormWindow::AnnounceJavaResult(const TControl& control, Change change) {
  const TControl& result = form_.currentjavaversion;
  const bool shown = (&control == &result && change == Change::Text) ||
                     (&control == result.parent() && change == Change::Visible);
  if (shown && result.Showing() && !result.Text().empty()) {
    // Screen readers speak a live region's name: the result itself. It is told once the focus
    // has settled, so that the focus's own announcement does not cut it off.
    accessible_.Name(WindowOf(&result), result.Text());
    result_to_announce_ = true;
    PostMessageW(hwnd_, kFixFocusMessage, 0, 0);
  }
}

void FormWindow::AnnounceResultWhenAsked() {
  if (!result_to_announce_) return;
  result_to_announce_ = false;
  AccessibleObjects::Announce(WindowOf(&form_.currentjavaversion));
}

LRESULT CALLBACK FormWindow::FormProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  // Windows 10 1607, aware of each screen's dpi without the later rules, draws the caption and
  // frame for the screen's dpi only when asked as the window is made; later Windows always does.
  if (message == WM_NCCREATE) {
    static const auto scale_frame = FromUser32<BOOL(WINAPI*)(HWND)>("EnableNonClientDpiScaling");
    if (scale_frame) scale_frame(window);
  }
  return ContainerProc(window, message, wparam, lparam);
}

LRESULT CALLBACK FormWindow::ContainerProc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wparam, lparam);
  return self->HandleMessage(window, message, wparam, lparam);
}

LRESULT FormWindow::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_COMMAND:
      OnCommand(reinterpret_cast<HWND>(lparam), HIWORD(wparam));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return reinterpret_cast<LRESULT>(
          OnControlColour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam)));
    case WM_SETTINGCHANGE:
      // Of the settings, only high contrast changes the colours (its lParam is not read: a
      // posted one could carry any pointer).
      if (window == hwnd_ && wparam == SPI_SETHIGHCONTRAST) FollowSystemColours();
      break;
    case WM_SYSCOLORCHANGE:
      // Top-level windows pass it on: the common controls keep colours of their own.
      if (window != hwnd_) break;
      for (const auto& child : windows_) SendMessageW(child.second, WM_SYSCOLORCHANGE, 0, 0);
      FollowSystemColours();
      break;
    case WM_THEMECHANGED:
      if (window == hwnd_) FollowSystemColours();
      break;
    case WM_DPICHANGED:
      if (window != hwnd_) break;
      if (SentByThisThread()) {
        if (LOWORD(wparam) == HIWORD(wparam))
          OnDpiChanged(HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      } else {
        // From another thread (another program, or Windows moving the window for one): neither
        // its place nor its dpi is taken, the window is laid out for the dpi it really has.
        OnDpiChanged(static_cast<int>(DpiOfWindow(hwnd_)), nullptr);
      }
      return 0;
    case kGetDpiScaledSize:
      // Unanswered, Windows scales the window's size in proportion, as it would a picture.
      if (window != hwnd_ || !SentByThisThread() || !IsScreenDpi(static_cast<int>(wparam))) break;
      *reinterpret_cast<SIZE*>(lparam) = SizeForDpi(static_cast<int>(wparam));
      return TRUE;
    case WM_SETCURSOR:
      if (OnSetCursor(window)) return TRUE;
      break;
    case WM_SETFONT:
      OnSetFont(window, reinterpret_cast<HFONT>(wparam), LOWORD(lparam) != 0);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(WindowFont(window));
    case WM_LBUTTONDOWN:
      OnLeftButtonDown(window, lparam);
      return 0;
    case WM_LBUTTONUP:
      OnLeftButtonUp(window, lparam);
      return 0;
    case WM_CAPTURECHANGED:
      ForgetPressedLink();
      return 0;
    case WM_ACTIVATE:
      if (window == hwnd_ && LOWORD(wparam) == WA_INACTIVE) RememberFocus();
      break;
    case WM_SHOWWINDOW:
      if (window == hwnd_ && !wparam) RememberFocus();
      break;
    case WM_SIZE:
      // Wine minimises the window without deactivating it, and gives the focus to the window
      // itself when it is restored.
      if (window == hwnd_ && wparam == SIZE_MINIMIZED) RememberFocus();
      break;
    case WM_SETFOCUS:
      if (window == hwnd_) RestoreFocus();
      break;
    case kFixFocusMessage:
      if (window == hwnd_) {
        FixFocusWhenAsked();
        AnnounceResultWhenAsked();
      }
      return 0;
    case kClickLinkMessage:
      if (window == hwnd_) ClickWaitingLink();
      return 0;
    case WM_GETOBJECT:
      if (LRESULT object = accessible_.Answer(window, wparam, lparam)) return object;
      break;
    case WM_CLOSE:
      if (window == hwnd_) {
        OnClose();
        return 0;
      }
      break;
    case WM_DESTROY:
      accessible_.Forget(window);
      if (window == hwnd_) PostQuitMessage(0);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void FormWindow::OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  painter_.Paint(dc, ControlOf(window), WindowFont(window), ChildrenOf(window));
  EndPaint(window, &paint);
}

// The form, its pages and group boxes keep their font as standard controls do, so that
// accessibility and automation tools read the font their captions are drawn in.
void FormWindow::OnSetFont(HWND window, HFONT font, bool redraw) {
  window_fonts_[window] = font;
  if (redraw) InvalidateRect(window, nullptr, TRUE);
}

// No font set means the system font, as for standard controls.
HFONT FormWindow::WindowFont(HWND window) const {
  const auto found = window_fonts_.find(window);
  return found == window_fonts_.end() ? nullptr : found->second;
}

void FormWindow::OnCommand(HWND child, int code) {
  TControl* control = ControlOf(child);
  if (!control) return;
  if (code == BN_CLICKED) {
    control->Click();
  } else if (code == EN_CHANGE && control->kind() == Kind::Edit) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(child)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(child, text.data(), static_cast<int>(text.size()))));
    control->TextTyped(text);
  }
}

HBRUSH FormWindow::OnControlColour(HDC dc, HWND child) {
  const TControl* control = ControlOf(child);
  const bool on_window =
      control && (control->kind() == Kind::Edit ||
                  (control->kind() == Kind::Memo && !(control->row().flags & kBorderless)));
  const int background = on_window ? COLOR_WINDOW : COLOR_BTNFACE;
  SetTextColor(dc,
               control ? painter_.TextColour(*control, background) : GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(background));
  return GetSysColorBrush(background);
}

// The system's colours, high contrast or theme changed: every text and background is drawn anew
// in them (nothing keeps a colour or brush of the system's past a paint).
void FormWindow::FollowSystemColours() {
  painter_.SetHighContrast(HighContrastOn());
  button_style_.Read();
  for (const auto& [control, window] : windows_) FitButtonStyle(*control, window);
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void FormWindow::FitButtonStyle(const TControl& control, HWND window) {
  if (control.kind() != Kind::CheckBox && control.kind() != Kind::Radio) return;
  button_style_.Fit(window, control.kind() == Kind::Radio, GetSysColor(COLOR_BTNFACE));
}

TControl* FormWindow::LinkAt(HWND window, POINT point) {
  for (TControl* control : ChildrenOf(window)) {
    const RECT r = ToRect(control->bounds());
    if (control->kind() == Kind::Link && control->Visible() && PtInRect(&r, point)) return control;
  }
  return nullptr;
}

bool FormWindow::OnSetCursor(HWND window) {
  POINT point;
  GetCursorPos(&point);
  ScreenToClient(window, &point);
  if (!LinkAt(window, point)) return false;
  SetCursor(LoadCursorW(nullptr, IDC_HAND));
  return true;
}

// A link is clicked by a press and a release on it. The page captures the mouse on the press,
// so the release comes back to it wherever it happens.
void FormWindow::OnLeftButtonDown(HWND window, LPARAM lparam) {
  pressed_link_ = LinkAt(window, {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
  if (pressed_link_) SetCapture(window);
}

void FormWindow::OnLeftButtonUp(HWND window, LPARAM lparam) {
  TControl* pressed = pressed_link_;
  if (GetCapture() == window) ReleaseCapture();
  ForgetPressedLink();
  if (pressed && LinkAt(window, {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}) == pressed) {
    pressed->Click();
  }
}

// Capture taken away (another window, a message box) ends the press without a click.
void FormWindow::ForgetPressedLink() { pressed_link_ = nullptr; }

void FormWindow::OnClose() {
  form_.FormClose();
  DestroyWindow(hwnd_);
}

void FormWindow::FixFocusWhenAsked() {
  if (!focus_to_fix_) return;
  focus_to_fix_ = false;
  FocusFirstIfLost();
}

// Each click a client asked for runs once. It is dropped when a message box has come up since
// (the window is disabled then) or the link no longer shows.
void FormWindow::ClickWaitingLink() {
  if (links_to_click_.empty()) return;
  TControl* link = links_to_click_.front();
  links_to_click_.pop_front();
  if (IsWindowEnabled(hwnd_) && link->Showing()) link->Click();
}

// When the window is active and no showing control holds the focus, the first tab stop takes it.
void FormWindow::FocusFirstIfLost() {
  if (!IsWindow(hwnd_) || GetActiveWindow() != hwnd_) return;
  const TControl* focused = ControlOf(GetFocus());
  if (focused && focused->Showing()) return;
  if (TControl* first = form_.controls().FirstFocus()) SetFocus(WindowOf(first));
}

// A top-level window keeps no focus of its own while it is inactive, hidden or minimised, and
// activation puts the focus on the window itself: remember the control that held it.
void FormWindow::RememberFocus() {
  if (TControl* focused = ControlOf(GetFocus())) remembered_focus_ = focused;
}

// The focus on the window itself goes on to the remembered control, as the dialog manager gives
// it back (to the ticked button, for a radio button), or else to the first tab stop of the page
// that shows. Activation may set it more than once (Wine sets it when restoring a minimised window,
// and again on activating it), so the memory stays until the page changes.
void FormWindow::RestoreFocus() {
  TControl* target = form_.controls().FocusOnActivation(remembered_focus_);
  remembered_focus_ = target;
  if (target) SetFocus(WindowOf(target));
}

// An accessibility client's default action on a link runs once its call has returned, as a click
// by the user would, so that what the link opens never holds the client.
void FormWindow::ClickLater(TControl& link) {
  links_to_click_.push_back(&link);
  PostMessageW(hwnd_, kClickLinkMessage, 0, 0);
}

TControl* FormWindow::ControlOf(HWND window) const {
  const auto found = controls_by_window_.find(window);
  return found == controls_by_window_.end() ? nullptr : found->second;
}

HWND FormWindow::WindowOf(const TControl* control) const {
  if (!control) return hwnd_;
  const auto found = windows_.find(control);
  return found == windows_.end() ? nullptr : found->second;
}

const std::vector<TControl*>& FormWindow::ChildrenOf(HWND window) const {
  const TControl* owner = ControlOf(window);
  return owner ? owner->children() : form_.controls().top();
}

}  // namespace tolvane
