// The form laid out for a screen of a given dpi: the window font made for the dpi, the digit 0
// measured in it, every control scaled from the layout's rows by that height, the labels sized
// to their captions, and the scales of the pictures drawn for it.
#pragma once

#include <windows.h>

#include "controls.h"
#include "gdi.h"

namespace tolvane {

class DpiLayout {
 public:
  explicit DpiLayout(ControlTree& controls) : controls_(controls) {}

  // Lays every control out for `dpi`, always from the layout's rows. The icons are those made for
  // the scale the measured digit gives, or, when `pictures_by_dpi`, for the dpi's own scale.
  // Returns the fonts of the layout before, which must live until the windows have the new ones.
  FontCache LayOut(int dpi, bool pictures_by_dpi);
  // The client area the form would have at `dpi`, without laying it out.
  Rect ClientAt(int dpi);

  int dpi() const { return dpi_; }
  const Rect& client() const { return client_; }
  int measured_text_height() const { return measured_; }
  // The scale, in percent, of the icons made for this layout.
  int icon_percent() const { return icon_percent_; }
  // The scale, in percent, of the banner that fills the banner's box.
  int banner_percent() const;

  HFONT FormFont();
  HFONT FontOf(const TControl& control);

 private:
  int MeasuredTextHeight(HDC screen, int dpi);
  void SizeLabelToCaption(HDC screen, TControl& control);

  ControlTree& controls_;
  FontCache fonts_;
  int dpi_ = 0;
  int window_font_height_ = 0;
  int measured_ = 0;
  int icon_percent_ = 100;
  Rect client_ = {};
};

}  // namespace tolvane
