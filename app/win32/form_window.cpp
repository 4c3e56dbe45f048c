#include "form_window.h"

#include <utility>

#include "form_messages.h"
#include "layout.h"
#include "screen_dpi.h"
#include "window_classes.h"

namespace tolvane {

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
      links_(form.controls(), windows_),
      placement_(*this),
      accessible_(*this) {}

// A window that outlives the message loop (a WM_QUIT posted by anyone) goes before the objects
// its messages reach.
FormWindow::~FormWindow() {
  if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

bool FormWindow::Create() {
  if (!RegisterWindowClasses(instance_)) return false;
  colours_.Read();
  layout_.LayOut(SystemDpi(), false);
  const RECT outer = FrameAround(layout_.client(), kFormStyle, kFormExStyle, SystemDpi());
  hwnd_ = CreateWindowExW(kFormExStyle, kFormClass, kFormCaption, kFormStyle, CW_USEDEFAULT,
                          CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                          nullptr, nullptr, instance_, static_cast<MessageTarget*>(this));
  if (!hwnd_) return false;
  windows_.Attach(hwnd_);
  focus_.Attach(hwnd_);
  links_.Attach(hwnd_);
  placement_.Attach(hwnd_);
  if (!placement_.FitToOwnDpi()) ScaleDrawing();
  links_.AddToSystemMenu();
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(layout_.FormFont()), FALSE);
  windows_.CreateChildren(nullptr, hwnd_);
  return true;
}

void FormWindow::ShowFirstTime() {
  windows_.ShowPages(form_.controls().SeenPage());
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
  accessible_.Serve(control, window);
  if (&control == &form_.currentjavaversion) {
    accessible_.MakeLive(window, control.Text());
  } else if (const std::wstring name = LabelledName(control); !name.empty()) {
    accessible_.Name(window, name);
  }
  colours_.FitButtonStyle(control, window);
}

void FormWindow::Changed(TControl& control, Change change) {
  if (!windows_.Show(control, change)) return;
  if (change == Change::Visible) {
    if (control.kind() == Kind::Page) pages_to_show_ = true;
    focus_.FixLater(control.kind() == Kind::Page);
  }
  if (&control == &form_.currentjavaversion && change == Change::Text) {
    accessible_.MakeLive(WindowOf(&control), control.Text());
    AnnounceJavaResult();
  }
}

// What a handler changed shows once it is done, or when it lets the window handle its messages
// (the wizard does, before it waits for the Java test script): until then screen readers are told
// of the page the screen shows.
void FormWindow::Settle() {
  if (std::exchange(pages_to_show_, false)) {
    const TControl* before = windows_.shown_page();
    windows_.ShowPages(form_.controls().SeenPage());
    if (windows_.shown_page() != before) AnnounceJavaResult();
  }
  focus_.FixWhenAsked();
  AnnounceResultWhenAsked();
}

// The Java result shows in a box that does not take the focus (it lands on "< Back"): screen
// readers hear of it as a live region, when its page shows and when it changes while shown. It is
// told once the form has settled, so that the focus's own announcement does not cut it off.
void FormWindow::AnnounceJavaResult() {
  const TControl& result = form_.currentjavaversion;
  if (windows_.shown_page() != result.parent() || result.Text().empty()) return;
  result_to_announce_ = true;
  PostMessageW(hwnd_, kSettleMessage, 0, 0);
}

void FormWindow::AnnounceResultWhenAsked() {
  if (!result_to_announce_) return;
  result_to_announce_ = false;
  if (HWND box = WindowOf(&form_.currentjavaversion)) AccessibleObjects::Announce(box);
}

LRESULT FormWindow::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      hwnd_ = window;
      ScaleFrameWithDpi(window);
      break;
    case WM_SYSCOLORCHANGE:
      // Top-level windows pass it on: the common controls keep colours of their own.
      for (const auto& child : windows_.windows()) SendMessageW(child.second, message, 0, 0);
      colours_.FollowLater(hwnd_);
      break;
    case WM_SETTINGCHANGE:
      // Of the settings, only high contrast changes the colours; a screen reader that starts
      // gets the controls' names at once.
      if (wparam == SPI_SETHIGHCONTRAST) colours_.FollowLater(hwnd_);
      if (wparam == SPI_SETSCREENREADER) accessible_.FollowScreenReaderSetting();
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
      if (LOWORD(wparam) == WA_INACTIVE) {
        focus_.Remember();
      } else {
        accessible_.FollowScreenReaderSetting();
      }
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
    case kSettleMessage:
      Settle();
      return 0;
    case WM_INITMENUPOPUP:
      if (HIWORD(lparam)) links_.OnSystemMenu(reinterpret_cast<HMENU>(wparam));
      break;
    case WM_MENUCHAR:
      if (HIWORD(wparam) & MF_SYSMENU) {
        const LRESULT item =
            links_.OnMenuChar(static_cast<wchar_t>(LOWORD(wparam)), reinterpret_cast<HMENU>(lparam));
        if (item) return item;
      }
      break;
    case WM_SYSCOMMAND:
      if (links_.OnSystemCommand(wparam, waiting_)) return 0;
      break;
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
  // Sent during a wait (by another program), it closes the window once the wait is over.
  if (waiting_) {
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    return;
  }
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
    // During a wait only another program can click (the user's clicks wait in the queue): no
    // handler runs inside the one that waits.
    if (!waiting_) control->Click();
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
