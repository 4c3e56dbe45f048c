#include "message_target.h"

namespace tolvane {

LRESULT CALLBACK MessageTarget::WindowProc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* target = reinterpret_cast<MessageTarget*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!target) return DefWindowProcW(window, message, wparam, lparam);
  const LRESULT result = target->HandleMessage(window, message, wparam, lparam);
  // The window's last message: nothing it is sent later reaches an object that may be gone.
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  return result;
}

}  // namespace tolvane
