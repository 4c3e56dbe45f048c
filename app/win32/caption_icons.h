// The icons of the form's caption and taskbar button, loaded at the sizes Windows draws them at
// for the window's dpi, so that they are never stretched on a screen of another dpi.
#pragma once

#include <windows.h>

#include "gdi.h"

namespace tolvane {

class CaptionIcons {
 public:
  // Gives `form` the program's icon at the sizes of `dpi`; the pair it had before is freed.
  void Set(HWND form, HINSTANCE instance, int dpi);

 private:
  Icon big_;
  Icon small_;
};

}  // namespace tolvane
