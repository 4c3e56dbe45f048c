// The form in the system's colours: what a page answers its controls' WM_CTLCOLOR* with, the
// colour each text is drawn in (its own while it stays readable, else the system's), high
// contrast, and check boxes drawn without their visual style where its captions would not stand
// out. No colour or brush of the system's is kept past the paint that used it.
#pragma once

#include <windows.h>

#include <map>

#include "button_style.h"
#include "controls.h"

namespace tolvane {

// A colour of the form's as GDI takes it: an RGB value, or the system colour it names.
inline COLORREF ToColorRef(Colour colour) {
  return (colour & 0xFF000000u) ? GetSysColor(static_cast<int>(colour & 0xFFu))
                                : static_cast<COLORREF>(colour);
}

class SystemColours {
 public:
  // Reads high contrast and the style's caption colours anew.
  void Read();
  // The colour `control`'s text is drawn in on the system colour `background`: its own while it
  // stays readable there, else the system's matching colour (a link the hot-track colour while
  // that is readable, a text the text colour of its background).
  COLORREF TextColour(const TControl& control, int background) const;
  // The answer to a WM_CTLCOLOR* of `control` (nullptr: a window that is no control of the form).
  HBRUSH ControlColour(HDC dc, const TControl* control) const;
  // Draws a check box or radio button with its style while its caption stays readable.
  void FitButtonStyle(const TControl& control, HWND window);

  // WM_SYSCOLORCHANGE, a high-contrast WM_SETTINGCHANGE and WM_THEMECHANGED come together on one
  // switch: the form follows them once, when it has read them all.
  void FollowLater(HWND form);
  void FollowWhenAsked(HWND form, const std::map<const TControl*, HWND>& windows);

 private:
  bool high_contrast_ = false;
  bool to_follow_ = false;
  ButtonStyle button_style_;
};

}  // namespace tolvane
