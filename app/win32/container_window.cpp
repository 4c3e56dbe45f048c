#include "container_window.h"

namespace tolvane {

LRESULT ContainerWindow::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      host_.Paint(window, dc, font_);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      // As drawn on the screen, into another device context (PrintWindow, AnimateWindow).
      host_.Paint(window, reinterpret_cast<HDC>(wparam), font_);
      return 0;
    case WM_COMMAND:
      host_.Command(reinterpret_cast<HWND>(lparam), HIWORD(wparam));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return reinterpret_cast<LRESULT>(
          host_.ControlColour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam)));
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wparam);
      if (LOWORD(lparam)) InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_SETCURSOR:
      if (host_.OnSetCursor(window)) return TRUE;
      break;
    case WM_LBUTTONDOWN:
      host_.OnButtonDown(window, lparam);
      return 0;
    case WM_LBUTTONUP:
      host_.OnButtonUp(window, lparam);
      return 0;
    case WM_CAPTURECHANGED:
      host_.OnCaptureChanged();
      return 0;
    case WM_GETOBJECT:
      if (const LRESULT object = host_.AccessibleObject(window, wparam, lparam)) return object;
      break;
    case WM_DESTROY:
      host_.Destroyed(window);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace tolvane
