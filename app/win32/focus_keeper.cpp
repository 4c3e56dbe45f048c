#include "focus_keeper.h"

#include "form_messages.h"

namespace tolvane {

bool FocusKeeper::HandleKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || !form_ || GetAncestor(message.hwnd, GA_ROOT) != form_) {
    return false;
  }
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  TControl* current = windows_.ControlOf(GetFocus());
  TControl* target = nullptr;
  switch (message.wParam) {
    case VK_RETURN:
      // Enter clicks the focused push button, as in a dialog; a button by itself takes only Space.
      if (!current || current->kind() != Kind::Button) return false;
      current->Click();
      return true;
    case VK_TAB:
      target = controls_.NextTabStop(current, GetKeyState(VK_SHIFT) >= 0);
      break;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      // Text boxes and the edit box keep the arrow keys for themselves.
      if (!current || current->kind() == Kind::Memo || current->kind() == Kind::Edit) return false;
      target = controls_.ArrowTarget(*current,
                                     message.wParam == VK_RIGHT || message.wParam == VK_DOWN);
      break;
    default:
      return false;
  }
  if (!target) return true;
  SetFocus(windows_.WindowOf(target));
  // The arrow keys move the tick in a group of radio buttons, as in a Windows dialog.
  if (message.wParam != VK_TAB && target->kind() == Kind::Radio) target->Click();
  return true;
}

void FocusKeeper::FixLater(bool page_changed) {
  // Another page takes its first focus, not what was remembered on the one before.
  if (page_changed) remembered_ = nullptr;
  to_fix_ = true;
  PostMessageW(form_, kSettleMessage, 0, 0);
}

void FocusKeeper::FixWhenAsked() {
  if (!to_fix_) return;
  to_fix_ = false;
  FocusFirstIfLost();
}

void FocusKeeper::FocusFirstIfLost() {
  if (!IsWindow(form_) || GetActiveWindow() != form_) return;
  HWND focus = GetFocus();
  const TControl* focused = windows_.ControlOf(focus);
  if (focused && focused->Showing() && IsWindowVisible(focus)) return;
  SetFocus(Shown(controls_.FirstFocus()));
}

void FocusKeeper::Remember() {
  if (TControl* focused = windows_.ControlOf(GetFocus())) remembered_ = focused;
}

// The focus goes on to the remembered control, as the dialog manager gives it back (to the ticked
// button, for a radio button), or else to the first tab stop of the page that shows. Activation
// may set it more than once (Wine sets it when restoring a minimised window, and again on
// activating it), so the memory stays until the page changes.
void FocusKeeper::Restore() {
  TControl* target = controls_.FocusOnActivation(remembered_);
  remembered_ = target;
  SetFocus(Shown(target));
}

// The window of `control` when it shows; else, as while a handler waits with the page the form
// has moved to not shown yet, the page that shows, or the form: never a hidden control, and never
// nothing, which would leave the keyboard and screen readers without a focus.
HWND FocusKeeper::Shown(const TControl* control) const {
  HWND window = control ? windows_.WindowOf(control) : nullptr;
  if (window && IsWindowVisible(window)) return window;
  HWND page = windows_.shown_page() ? windows_.WindowOf(windows_.shown_page()) : nullptr;
  return page && IsWindowVisible(page) ? page : form_;
}

}  // namespace tolvane
