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

bool IsScreenDpi(int dpi) { return dpi >= kDesignDpi / 2 && dpi <= kDesignDpi * 5; }

Rect ScaleClient(int client_width, int client_height, int measured_text_height) {
  return {0, 0, MulDivRound(client_width, measured_text_height, kDesignTextHeight),
          MulDivRound(client_height, measured_text_height, kDesignTextHeight)};
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
  return ScaleClient(client_width, client_height, m);
}

int ArtworkScale(int numerator, int denominator) {
  int nearest = 100;
  // Distances in 1/denominator percent, so that they stay whole numbers.
  const auto distance = [&](int percent) {
    const int d = 100 * numerator - percent * denominator;
    return d < 0 ? -d : d;
  };
  for (int percent : {125, 150, 175, 200}) {
    if (distance(percent) < distance(nearest)) nearest = percent;
  }
  return nearest;
}

int BannerScale(int box_width, int design_width) {
  int percent = 100;
  for (int made : {100, 125, 150, 175, 200, 250}) {
    percent = made;
    // The banner's size times the scale, halves rounded up, as it was drawn.
    if ((design_width * made + 50) / 100 >= box_width) break;
  }
  return percent;
}

Point CentreOnDesktop(const Rect& desktop, int window_width, int window_height) {
  // Halves are rounded down, also for odd negative sizes.
  const auto half = [](int value) { return value >= 0 ? value / 2 : -((-value + 1) / 2); };
  const int x = desktop.left + half(desktop.width) - half(window_width);
  const int y = desktop.top + half(desktop.height) - half(window_height);
  return {std::max(x, desktop.left), std::max(y, desktop.top)};
}

namespace {

long long Overlap(const Rect& a, const Rect& b) {
  const long long width = std::min<long long>(a.left + a.width, b.left + b.width) -
                          std::max(a.left, b.left);
  const long long height = std::min<long long>(a.top + a.height, b.top + b.height) -
                           std::max(a.top, b.top);
  return width > 0 && height > 0 ? width * height : 0;
}

}  // namespace

Point FirstPlace(const Rect& desktop, const std::vector<Monitor>& monitors, int window_width,
                 int window_height) {
  const Point centred = CentreOnDesktop(desktop, window_width, window_height);
  if (monitors.empty()) return centred;
  const Rect window = {centred.x, centred.y, window_width, window_height};
  const Monitor* most = &monitors.front();
  long long most_area = 0;
  for (const Monitor& monitor : monitors) {
    if (Overlap(window, monitor.work) == static_cast<long long>(window_width) * window_height)
      return centred;
    const long long area = Overlap(window, monitor.area);
    if (area > most_area) {
      most = &monitor;
      most_area = area;
    }
  }
  return CentreOnDesktop(most->work, window_width, window_height);
}

Point KeptInside(const Rect& area, Point at, int window_width, int window_height) {
  const auto kept = [](int value, int low, int length, int size) {
    return std::max(low, std::min(value, low + length - size));
  };
  return {kept(at.x, area.left, area.width, window_width),
          kept(at.y, area.top, area.height, window_height)};
}

}  // namespace tolvane
