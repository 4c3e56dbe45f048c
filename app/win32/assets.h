// The pictures and texts embedded in the executable.
#pragma once

#include <windows.h>

#include <string>

#include "controls.h"
#include "gdi.h"

namespace tolvane {

// The banner, decoded from its JPEG with libjpeg into a 32-bit bitmap; empty when it can't be.
Bitmap LoadBanner(HINSTANCE instance);

// One of the control page's or the Java page's icons, at its own size, with its alpha channel.
Icon LoadPictureIcon(HINSTANCE instance, Asset asset);

// A text box's text (the licence agreements, the copyright line), lines ended by CR LF.
std::wstring LoadAssetText(HINSTANCE instance, Asset asset);

}  // namespace tolvane
