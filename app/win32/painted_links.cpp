#include "painted_links.h"

#include <windowsx.h>

#include "form_messages.h"
#include "gdi.h"

namespace tolvane {
namespace {

// The painted links' commands in the window's system menu, so that the keyboard alone opens them
// (Alt+Space, then the item's letter). System commands keep their low four bits clear.
struct MenuLink {
  UINT command;
  const wchar_t* caption;
  const wchar_t* link;
  const wchar_t* keys;  // as screen readers say them
};
constexpr MenuLink kMenuLinks[] = {
    {0x0010, L"Edit &httpd.conf", L"Label15", L"Alt+Space, H"},
    {0x0020, L"Edit &php.ini", L"Label16", L"Alt+Space, P"}};

}  // namespace

TControl* PaintedLinks::LinkAt(HWND window, POINT point) const {
  for (TControl* control : windows_.ChildrenOf(window)) {
    const RECT r = ToRect(control->bounds());
    if (control->kind() == Kind::Link && control->Visible() && PtInRect(&r, point)) return control;
  }
  return nullptr;
}

bool PaintedLinks::OnSetCursor(HWND window) const {
  POINT point;
  GetCursorPos(&point);
  ScreenToClient(window, &point);
  if (!LinkAt(window, point)) return false;
  SetCursor(LoadCursorW(nullptr, IDC_HAND));
  return true;
}

void PaintedLinks::OnButtonDown(HWND window, LPARAM lparam) {
  pressed_ = LinkAt(window, {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
  if (pressed_) SetCapture(window);
}

void PaintedLinks::OnButtonUp(HWND window, LPARAM lparam) {
  TControl* pressed = pressed_;
  if (GetCapture() == window) ReleaseCapture();
  pressed_ = nullptr;
  if (pressed && LinkAt(window, {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}) == pressed) {
    pressed->Click();
  }
}

void PaintedLinks::ClickLater(TControl& link) {
  to_click_.push_back(&link);
  PostMessageW(form_, kClickLinkMessage, 0, 0);
}

void PaintedLinks::ClickWhenAsked() {
  if (to_click_.empty()) return;
  TControl* link = to_click_.front();
  to_click_.pop_front();
  if (IsWindowEnabled(form_) && link->Showing()) link->Click();
}

void PaintedLinks::AddToSystemMenu() {
  HMENU menu = GetSystemMenu(form_, FALSE);
  if (!menu) return;
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  for (const MenuLink& item : kMenuLinks) AppendMenuW(menu, MF_STRING, item.command, item.caption);
}

// The links' items are offered while their page shows.
void PaintedLinks::OnSystemMenu(HMENU menu) const {
  for (const MenuLink& item : kMenuLinks) {
    const bool showing = controls_.Get(item.link).Showing();
    EnableMenuItem(menu, item.command, MF_BYCOMMAND | (showing ? MF_ENABLED : MF_GRAYED));
  }
}

std::wstring PaintedLinks::KeyboardShortcut(const TControl& link) const {
  for (const MenuLink& item : kMenuLinks) {
    if (link.name() == item.link) return item.keys;
  }
  return L"";
}

bool PaintedLinks::OnSystemCommand(WPARAM command, bool waiting) {
  for (const MenuLink& item : kMenuLinks) {
    if ((command & 0xFFF0) != item.command) continue;
    TControl& link = controls_.Get(item.link);
    if (!waiting && link.Showing() && IsWindowEnabled(form_)) link.Click();
    return true;
  }
  return false;
}

}  // namespace tolvane
