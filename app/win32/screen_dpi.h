// What Windows says of dots per inch: the system's, a window's own, a frame and a metric drawn
// for a dpi. Each falls back to the system's on Windows older than the functions it needs.
#pragma once

#include <windows.h>

#include "controls.h"

namespace tolvane {

int SystemDpi();
// A window's own dpi; before Windows 10 (1607) every window has the system's.
int DpiOfWindow(HWND window);
// The outer rectangle of a window of `style` and `ex_style` around `client`, with a frame drawn
// for `dpi` (Wine draws every frame at the process's dpi, and answers that for every window).
RECT FrameAround(const Rect& client, DWORD style, DWORD ex_style, int dpi);
// A system metric (SM_CXICON, ...) as Windows gives it for `dpi`.
int MetricForDpi(int index, int dpi);
// Windows 10 1607, aware of each screen's dpi without the later rules, draws the caption and
// frame for the screen's dpi only when asked at WM_NCCREATE; later Windows always does.
void ScaleFrameWithDpi(HWND window);

}  // namespace tolvane
