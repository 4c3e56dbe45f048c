// Real input and screenshots on the Wine desktop the tests share with the launcher.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tolvane::test {

// A left click at a point of the screen, by mouse input as a user's hand makes it; with
// `release`, the button is dragged there and goes up there.
void ClickAt(POINT point, std::optional<POINT> release = std::nullopt);
// A key press and release, with Shift held when asked.
void PressKey(WORD key, bool shift = false);
// A key pressed while Alt is held (Alt+Space opens a window's system menu).
void PressAltKey(WORD key);
// Saves the window's area of the screen as a BMP in the build's artifacts folder.
void SaveScreenshot(HWND window, const std::string& name);

}  // namespace tolvane::test
