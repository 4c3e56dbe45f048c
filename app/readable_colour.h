// When one of the layout's fixed colours gives way to the system's matching colour, so that text
// stays readable whatever colours the user chose.
#pragma once

#include "controls.h"

namespace tolvane {

// The contrast ratio of two RGB colours (0x00BBGGRR) by their relative luminance, as the web's
// accessibility guidelines define it: from 1 (the same) to 21 (black on white).
double ContrastRatio(Colour a, Colour b);

// Text the layout colours `wanted` gives way when high contrast is on, or when it stands out from
// the RGB `background` it is drawn on by less than 3:1 (what large text needs to be read). A system
// colour follows the user already and never gives way.
bool GivesWayToSystemColour(Colour wanted, Colour background, bool high_contrast);

}  // namespace tolvane
