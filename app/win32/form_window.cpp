#include "form_window.h"

#include "form_messages.h"
#include "layout.h"
#include "screen_dpi.h"
#include "window_classes.h"

namespace tolvane {
namespace {

// WM_GETDPISCALEDSIZE, which Windows 10 (1703) and later send; the headers name it only for them.
constexpr UINT kGetDpiScaledSize = 0x02E4;

}  // namespace

FormWindow::FormWindow(TForm1& form, HINSTANCE instance)
    : ContainerWindow(static_cast<ContainerHost&>(*this)),
      form_(form),
      instance_(instance),
      layout_(form.controls()),
      painter_(
          instance, [this](const TControl& control) { return layout_.FontOf(control); }, colours_),
      windows_(form.controls(), instance, layout_, *this, *this,
               [this](const TControl& control, HWND window) { MadeControlWindow(control, window); }),
      focus_(form.controls(), windows_),
      links_(windows_),
      placement_(*this),
      accessible_(*this) {}

bool FormWindow::Create() {
  if (!RegisterWindowClasses(instance_)) return false;
  colours_.Read();
  layout_.LayOut(SystemDpi(), false);
  RECT outer = {0, 0, layout_.client().width, layout_.client().height};
  AdjustWindowRectEx(&outer, kFormStyle, FALSE, kFormExStyle);
  hwnd_ = CreateWindowExW(kFormExStyle, kFormClass, kFormCaption, kFormStyle, CW_USEDEFAULT,
                          CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                          nullptr, nullptr, instance_, static_cast<MessageTarget*>(this));
  if (!hwnd_) return false;
  windows_.Attach(hwnd_);
  focus_.Attach(hwnd_);
  links_.Attach(hwnd_);
  placement_.Attach(hwnd_);
  if (!placement_.FitToOwnDpi()) ScaleDrawing();
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(layout_.FormFont()), FALSE);
  windows_.CreateChildren(nullptr, hwnd_);
  return true;
}

void FormWindow::ShowFirstTime() {
  windows_.FillShowingPages();
  placement_.PlaceFirstTime();
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
  focus_.FocusFirstIfLost();
}

// The pictures, the group boxes' captions and the caption icons for the layout's dpi.
void FormWindow::ScaleDrawing() {
  painter_.ScaleTo(layout_.measured_text_height(), layout_.icon_percent(),
                   layout_.banner_percent());
  icons_.Set(hwnd_, instance_, layout_.dpi());
}

Rect FormWindow::FollowDpi(int dpi) {
  // The old fonts live until the controls have the new ones.
  const FontCache before = layout_.LayOut(dpi, true);
  ScaleDrawing();
  windows_.ApplyLayout();
  return layout_.client();
}

void FormWindow::MadeControlWindow(const TControl& control, HWND window) {
  const std::wstring name = LabelledName(control);
  if (!name.empty()) accessible_.Name(window, name);
  if (&control == &form_.currentjavaversion) accessible_.MakeLive(window);
  colours_.FitButtonStyle(control, window);
}

void FormWindow::Changed(TControl& control, Change change) {
  if (!windows_.Show(control, change)) return;
  if (change == Change::Visible) focus_.FixLater(control.kind() == Kind::Page);
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

LRESULT FormWindow::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      ScaleFrameWithDpi(window);
      break;
    case WM_SYSCOLORCHANGE:
      // Top-level windows pass it on: the common controls keep colours of their own.
      for (const auto& child : windows_.windows()) SendMessageW(child.second, message, 0, 0);
      colours_.FollowLater(hwnd_);
      break;
    case WM_SETTINGCHANGE:
      // Of the settings, only high contrast changes the colours.
      if (wparam == SPI_SETHIGHCONTRAST) colours_.FollowLater(hwnd_);
      break;
    case WM_THEMECHANGED:
      colours_.FollowLater(hwnd_);
      break;
    case kFollowColoursMessage:
      colours_.FollowWhenAsked(hwnd_, windows_.windows());
      return 0;
    case WM_DPICHANGED:
      placement_.OnDpiChanged(wparam, lparam);
      return 0;
    case kGetDpiScaledSize:
      if (placement_.OnGetDpiScaledSize(wparam, lparam)) return TRUE;
      break;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) focus_.Remember();
      break;
    case WM_SHOWWINDOW:
      if (!wparam) focus_.Remember();
      break;
    case WM_SIZE:
      // Wine minimises the window without deactivating it, and gives the focus to the window
      // itself when it is restored.
      if (wparam == SIZE_MINIMIZED) focus_.Remember();
      break;
    case WM_SETFOCUS:
      focus_.Restore();
      break;
    case kFixFocusMessage:
      focus_.FixWhenAsked();
      AnnounceResultWhenAsked();
      return 0;
    case kClickLinkMessage:
      links_.ClickWhenAsked();
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      break;
    default:
      break;
  }
  return ContainerWindow::HandleMessage(window, message, wparam, lparam);
}

void FormWindow::OnClose() {
  form_.FormClose();
  DestroyWindow(hwnd_);
}

void FormWindow::Paint(HWND window, HDC dc, HFONT font) {
  painter_.Paint(dc, ControlOf(window), font, ChildrenOf(window));
}

HBRUSH FormWindow::ControlColour(HDC dc, HWND child) {
  return colours_.ControlColour(dc, ControlOf(child));
}

void FormWindow::Command(HWND child, int code) {
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

LRESULT FormWindow::AccessibleObject(HWND window, WPARAM wparam, LPARAM lparam) {
  return accessible_.Answer(window, wparam, lparam);
}

}  // namespace tolvane
