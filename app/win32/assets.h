// The pictures and texts embedded in the executable.
#pragma once

#include <windows.h>

#include <string>

#include "controls.h"
#include "gdi.h"

namespace tolvane {

// The banner drawn for a screen at `percent` % (100, 125, 150, 175, 200 or 250), decoded from its JPEG
// with libjpeg into a 32-bit bitmap; empty when it can't be.
Bitmap LoadBanner(HINSTANCE instance, int percent);

// One of the control page's or the Java page's icons, with its alpha channel, in the image made
// for a screen at `percent` %: its own size times the scale.
Icon LoadPictureIcon(HINSTANCE instance, Asset asset, int percent);

// A text box's text (the licence agreements, the copyright line), lines ended by CR LF.
std::wstring LoadAssetText(HINSTANCE instance, Asset asset);

}  // namespace tolvane
