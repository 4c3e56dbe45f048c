#include "painted_links.h"

#include <windowsx.h>

#include "form_messages.h"
#include "gdi.h"

namespace tolvane {

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

}  // namespace tolvane
