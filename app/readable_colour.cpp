#include "readable_colour.h"

#include <cmath>

namespace tolvane {
namespace {

constexpr double kLeastReadableRatio = 3.0;

double Linear(Colour colour, int shift) {
  const double channel = static_cast<double>((colour >> shift) & 0xFFu) / 255.0;
  return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(Colour colour) {
  return 0.2126 * Linear(colour, 0) + 0.7152 * Linear(colour, 8) + 0.0722 * Linear(colour, 16);
}

bool IsSystemColour(Colour colour) { return (colour & 0xFF000000u) != 0; }

}  // namespace

double ContrastRatio(Colour a, Colour b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return la > lb ? (la + 0.05) / (lb + 0.05) : (lb + 0.05) / (la + 0.05);
}

bool GivesWayToSystemColour(Colour wanted, Colour background, bool high_contrast) {
  if (IsSystemColour(wanted)) return false;
  return high_contrast || ContrastRatio(wanted, background) < kLeastReadableRatio;
}

}  // namespace tolvane
