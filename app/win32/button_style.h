// Check boxes and radio buttons drawn in a visual style write their captions in the style's colour,
// whatever colour their page answers WM_CTLCOLORSTATIC with. Under system colours the style was not
// made for (a dark face under a light style) such a caption no longer stands out from the page: the
// button is then drawn without the style, as classic buttons are, which take the page's colour.
#pragma once

#include <windows.h>

#include <optional>
#include <set>

namespace tolvane {

class ButtonStyle {
 public:
  // Reads the style's caption colours anew: on creation, and when the colours or the style change.
  void Read();
  // Draws `button`, a check box or radio button on a page of colour `face`, with the style while its
  // caption stays readable there, else without it.
  void Fit(HWND button, bool radio, COLORREF face);

 private:
  std::optional<COLORREF> check_box_text_;
  std::optional<COLORREF> radio_button_text_;
  std::set<HWND> without_style_;
};

}  // namespace tolvane
