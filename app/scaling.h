// How the window adapts to the screen on creation, and where it first appears.
#pragma once

#include "controls.h"

namespace tolvane {

// a * b / c rounded to the nearest whole number, halves away from zero.
int MulDivRound(int a, int b, int c);

// The window font's height for a screen of `dpi` dots per inch (laid out for 96).
int WindowFontHeightForDpi(int design_height, int dpi);

// A font height (negative: pixels without internal leading) whose point size is scaled by
// measured / 13 and rounded, as the designer's fonts other than the window font are.
int ScaleFontHeight(int height, int measured_text_height);

// Lays every control out from its layout row, its edges and its own font (unless it uses the
// window font) scaled by the measured height of the digit 0 / 13: at 13 exactly the rows, and
// never from an earlier scaling's values, so the window can be laid out again for another screen.
// Returns the scaled client area.
Rect ScaleForm(ControlTree& controls, int client_width, int client_height,
               int measured_text_height);

// The scale, in percent, of the pictures drawn for the screen that gives the digit 0
// `measured_text_height` pixels: of those made (100, 125, 150, 175 and 200 %), the one nearest
// measured / 13.
int ArtworkScale(int measured_text_height);

// The window's top-left corner on its first showing: centred on the desktop that spans all
// monitors (halves rounded down), but never left of or above the desktop's top-left corner.
struct Point {
  int x, y;
};
Point CentreOnDesktop(const Rect& desktop, int window_width, int window_height);

}  // namespace tolvane
