// The window that stands for a painted text, link or picture while screen readers are served (see
// ControlWindows::HostPaintedElements): it shows what its parent paints where it lies, and lets
// the mouse through to the parent, so that the user sees and uses the page as without it.
#pragma once

#include <windows.h>

namespace tolvane {

LRESULT CALLBACK ElementWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace tolvane
