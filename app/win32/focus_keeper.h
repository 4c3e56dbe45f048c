// Where the keyboard focus is on the form: Tab, Shift+Tab, the arrow keys and Enter by the form's
// own rules, the first tab stop when the focus is lost, and the control that held the focus given
// back when the window is activated, restored or shown again.
#pragma once

#include <windows.h>

#include "control_windows.h"

namespace tolvane {

class FocusKeeper {
 public:
  FocusKeeper(ControlTree& controls, const ControlWindows& windows)
      : controls_(controls), windows_(windows) {}
  void Attach(HWND form) { form_ = form; }

  // Tab, Shift+Tab, the arrow keys and Enter on a push button; true when handled.
  bool HandleKey(const MSG& message);
  // A control or page was shown or hidden: the focus is put right when the form settles.
  void FixLater(bool page_changed);
  void FixWhenAsked();
  // When the window is active and no showing control holds the focus, the first tab stop takes
  // it, or on a page without one (the waiting page) the page itself, which screen readers then say.
  void FocusFirstIfLost();
  // A top-level window keeps no focus of its own while it is inactive, hidden or minimised, and
  // activation puts the focus on the window itself: the control that held it is remembered...
  void Remember();
  // ... and given the focus back when the window itself gets it.
  void Restore();

 private:
  HWND Shown(const TControl* control) const;

  ControlTree& controls_;
  const ControlWindows& windows_;
  HWND form_ = nullptr;
  // The control that held the focus when the window was last deactivated or hidden.
  TControl* remembered_ = nullptr;
  bool to_fix_ = false;
};

}  // namespace tolvane
