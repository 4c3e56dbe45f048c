#include "system_colours.h"

#include "form_messages.h"
#include "readable_colour.h"

namespace tolvane {
namespace {

bool HighContrastOn() {
  HIGHCONTRASTW contrast = {};
  contrast.cbSize = sizeof(contrast);
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

}  // namespace

void SystemColours::Read() {
  high_contrast_ = HighContrastOn();
  button_style_.Read();
}

COLORREF SystemColours::TextColour(const TControl& control, int background) const {
  const Colour wanted = control.FontColour();
  if (!GivesWayToSystemColour(wanted, GetSysColor(background), high_contrast_)) {
    return ToColorRef(wanted);
  }
  const COLORREF text = GetSysColor(background == COLOR_WINDOW ? COLOR_WINDOWTEXT : COLOR_BTNTEXT);
  if (control.kind() != Kind::Link) return text;
  // A link takes the hot-track colour while that is readable on the background (the user's
  // colours need not make it so; high contrast themes do).
  const COLORREF hot = GetSysColor(COLOR_HOTLIGHT);
  return GivesWayToSystemColour(hot, GetSysColor(background), false) ? text : hot;
}

HBRUSH SystemColours::ControlColour(HDC dc, const TControl* control) const {
  const bool on_window =
      control && (control->kind() == Kind::Edit ||
                  (control->kind() == Kind::Memo && !(control->row().flags & kBorderless)));
  const int background = on_window ? COLOR_WINDOW : COLOR_BTNFACE;
  SetTextColor(dc, control ? TextColour(*control, background) : GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(background));
  return GetSysColorBrush(background);
}

void SystemColours::FitButtonStyle(const TControl& control, HWND window) {
  if (control.kind() != Kind::CheckBox && control.kind() != Kind::Radio) return;
  button_style_.Fit(window, control.kind() == Kind::Radio, GetSysColor(COLOR_BTNFACE));
}

void SystemColours::FollowLater(HWND form) {
  if (to_follow_) return;
  // A post the queue cannot take leaves the next switch to try again.
  to_follow_ = PostMessageW(form, kFollowColoursMessage, 0, 0) != FALSE;
}

// Every text and background is drawn anew in the new colours.
void SystemColours::FollowWhenAsked(HWND form, const std::map<const TControl*, HWND>& windows) {
  if (!to_follow_) return;
  to_follow_ = false;
  Read();
  for (const auto& [control, window] : windows) FitButtonStyle(*control, window);
  RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

}  // namespace tolvane
