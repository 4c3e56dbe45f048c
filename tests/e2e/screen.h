// Real input and screenshots on the Wine desktop the tests share with the launcher.
#pragma once

#include <windows.h>

#include <string>

namespace tolvane::test {

// A left click at a point of the screen, by mouse input as a user's hand makes it.
void ClickAt(POINT point);
// A key press and release, with Shift held when asked.
void PressKey(WORD key, bool shift = false);
// Saves the window's area of the screen as a BMP in the build's artifacts folder.
void SaveScreenshot(HWND window, const std::string& name);

}  // namespace tolvane::test
