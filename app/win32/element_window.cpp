#include "element_window.h"

namespace tolvane {

LRESULT CALLBACK ElementWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_ERASEBKGND:
      return 1;  // the parent's background is part of what WM_PAINT copies
    case WM_PAINT: {
      // The parent draws its background and painted elements into this window's device
      // context, moved so that the parent's coordinates land here; the paint's clipping keeps
      // it to this window.
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      HWND parent = GetParent(window);
      POINT at = {0, 0};
      MapWindowPoints(window, parent, &at, 1);
      POINT origin;
      SetViewportOrgEx(dc, -at.x, -at.y, &origin);
      SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
      SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
      SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
      EndPaint(window, &paint);
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace tolvane
