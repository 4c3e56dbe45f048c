// How the window adapts to the screen on creation, and where it first appears.
#pragma once

#include <vector>

#include "controls.h"

namespace tolvane {

// a * b / c rounded to the nearest whole number, halves away from zero.
int MulDivRound(int a, int b, int c);

// The window font's height for a screen of `dpi` dots per inch (laid out for 96).
int WindowFontHeightForDpi(int design_height, int dpi);

// A font height (negative: pixels without internal leading) whose point size is scaled by
// measured / 13 and rounded, as the designer's fonts other than the window font are.
int ScaleFontHeight(int height, int measured_text_height);

// Whether `dpi` is one a screen can have (50 % to 500 %); any other comes from no screen.
bool IsScreenDpi(int dpi);

// The client area of `client_width` x `client_height` scaled by measured / 13.
Rect ScaleClient(int client_width, int client_height, int measured_text_height);

// Lays every control out from its layout row, its edges and its own font (unless it uses the
// window font) scaled by the measured height of the digit 0 / 13: at 13 exactly the rows, and
// never from an earlier scaling's values, so the window can be laid out again for another screen.
// Returns the scaled client area.
Rect ScaleForm(ControlTree& controls, int client_width, int client_height,
               int measured_text_height);

// The scale, in percent, of the pictures made for a screen of scale `numerator` / `denominator`
// (the digit 0's measured height / 13 on creation, the dpi / 96 after a move): of those made (100,
// 125, 150, 175 and 200 %), the nearest.
int ArtworkScale(int numerator, int denominator);

// The scale, in percent, of the banner that fills a box `box_width` wide, the banner being
// `design_width` wide at 100 %: of the banners made (100 to 200 % as the icons, and 250 %), the
// smallest at least as wide as the box, which is drawn clipped to it; the largest when none is.
int BannerScale(int box_width, int design_width);

// The window's top-left corner on its first showing: centred on the desktop that spans all
// monitors (halves rounded down), but never left of or above the desktop's top-left corner.
struct Point {
  int x, y;
};
Point CentreOnDesktop(const Rect& desktop, int window_width, int window_height);

// A monitor's whole area and its work area (without the taskbar), in desktop coordinates.
struct Monitor {
  Rect area, work;
};
// The window's top-left corner on its first showing: centred on the desktop, where that puts it
// wholly in one monitor's work area. Elsewhere (across two monitors side by side, in a gap between
// monitors, over a taskbar) it is centred instead on the work area of the monitor that would hold
// the most of it, or of the first monitor (the primary) when none would hold any.
Point FirstPlace(const Rect& desktop, const std::vector<Monitor>& monitors, int window_width,
                 int window_height);

// The top-left corner nearest `at` that keeps a window of `window_width` x `window_height` inside
// `area`, or at its top-left when the window is larger.
Point KeptInside(const Rect& area, Point at, int window_width, int window_height);

}  // namespace tolvane
