#include "scaling.h"

#include <algorithm>
#include <cstdint>

#include "layout.h"

namespace tolvane {

int MulDivRound(int a, int b, int c) {
  const std::int64_t product = static_cast<std::int64_t>(a) * b;
  const std::int64_t half = c / 2;
  const bool negative = (product < 0) != (c < 0);
  const std::int64_t magnitude = (product < 0 ? -product : product) + (half < 0 ? -half : half);
  const std::int64_t quotient = magnitude / (c < 0 ? -c : c);
  return static_cast<int>(negative ? -quotient : quotient);
}

int WindowFontHeightForDpi(int design_height, int dpi) {
  return dpi == kDesignDpi ? design_height : MulDivRound(design_height, dpi, kDesignDpi);
}

int ScaleFontHeight(int height, int measured_text_height) {
  if (measured_text_height == kDesignTextHeight) return height;
  // Heights are kept in pixels at 96 dpi; the designer scales the point size.
  const int points = MulDivRound(-height, 72, kDesignDpi);
  const int scaled_points = MulDivRound(points, measured_text_height, kDesignTextHeight);
  return -MulDivRound(scaled_points, kDesignDpi, 72);
}

Rect ScaleForm(ControlTree& controls, int client_width, int client_height,
               int measured_text_height) {
  const int m = measured_text_height;
  const int d = kDesignTextHeight;
  for (const auto& control : controls.all()) {
    const LayoutRow& row = control->row();
    const int left = MulDivRound(row.left, m, d);
    const int top = MulDivRound(row.top, m, d);
    const int right = MulDivRound(row.left + row.width, m, d);
    const int bottom = MulDivRound(row.top + row.height, m, d);
    control->set_bounds({left, top, right - left, bottom - top});
    if (row.font.family) control->set_font_height(ScaleFontHeight(row.font.height, m));
  }
  return {0, 0, MulDivRound(client_width, m, d), MulDivRound(client_height, m, d)};
}

int ArtworkScale(int measured_text_height) {
  int nearest = 100;
  // Distances in 1/13 percent, so that they stay whole numbers.
  const auto distance = [&](int percent) {
    const int d = 100 * measured_text_height - percent * kDesignTextHeight;
    return d < 0 ? -d : d;
  };
  for (int percent : {125, 150, 175, 200}) {
    if (distance(percent) < distance(nearest)) nearest = percent;
  }
  return nearest;
}

Point CentreOnDesktop(const Rect& desktop, int window_width, int window_height) {
  // Halves are rounded down, also for odd negative sizes.
  const auto half = [](int value) { return value >= 0 ? value / 2 : -((-value + 1) / 2); };
  const int x = desktop.left + half(desktop.width) - half(window_width);
  const int y = desktop.top + half(desktop.height) - half(window_height);
  return {std::max(x, desktop.left), std::max(y, desktop.top)};
}

}  // namespace tolvane
