#include "form_layout.h"

#include <utility>

#include "layout.h"
#include "scaling.h"

namespace tolvane {

FontCache DpiLayout::LayOut(int dpi, bool pictures_by_dpi) {
  FontCache before = std::exchange(fonts_, FontCache());
  dpi_ = dpi;
  window_font_height_ = WindowFontHeightForDpi(kWindowFont.height, dpi);
  HDC screen = GetDC(nullptr);
  measured_ = MeasuredTextHeight(screen, dpi);
  client_ = ScaleForm(controls_, kClientWidth, kClientHeight, measured_);
  icon_percent_ = pictures_by_dpi ? ArtworkScale(dpi, kDesignDpi)
                                  : ArtworkScale(measured_, kDesignTextHeight);
  for (const auto& control : controls_.all()) {
    if (control->kind() == Kind::Label || control->kind() == Kind::Link)
      SizeLabelToCaption(screen, *control);
  }
  ReleaseDC(nullptr, screen);
  return before;
}

Rect DpiLayout::ClientAt(int dpi) {
  HDC screen = GetDC(nullptr);
  const int measured = MeasuredTextHeight(screen, dpi);
  ReleaseDC(nullptr, screen);
  return ScaleClient(kClientWidth, kClientHeight, measured);
}

int DpiLayout::banner_percent() const {
  for (const auto& control : controls_.all()) {
    if (control->row().asset == Asset::Banner) {
      return BannerScale(control->bounds().width, control->row().width);
    }
  }
  return 100;
}

// The height of the digit 0 in the window font made for `dpi`.
int DpiLayout::MeasuredTextHeight(HDC screen, int dpi) {
  const Selected font(
      screen, fonts_.Get(L"Tahoma", WindowFontHeightForDpi(kWindowFont.height, dpi), false,
                         kDefaultCharset));
  SIZE digit = {};
  GetTextExtentPoint32W(screen, L"0", 1, &digit);
  return digit.cy;
}

void DpiLayout::SizeLabelToCaption(HDC screen, TControl& control) {
  RECT r = {0, 0, 0, 0};
  {
    const Selected font(screen, FontOf(control));
    DrawTextW(screen, control.Text().c_str(), static_cast<int>(control.Text().size()), &r,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  }
  Rect bounds = control.bounds();
  bounds.width = r.right - r.left;
  bounds.height = r.bottom - r.top;
  control.set_bounds(bounds);
}

HFONT DpiLayout::FormFont() {
  return fonts_.Get(L"Tahoma", window_font_height_, false, kDefaultCharset);
}

HFONT DpiLayout::FontOf(const TControl& control) {
  const FontSpec& font = control.row().font;
  const int height = font.family ? control.font_height() : window_font_height_;
  return fonts_.Get(font.family ? font.family : L"Tahoma", height, control.Bold(), font.charset);
}

}  // namespace tolvane
