// The launcher's own windows (the form, its pages and group boxes) reach their C++ object through
// GWLP_USERDATA, set from the creation parameter at WM_NCCREATE; each kind of window answers its
// messages in its own HandleMessage.
#pragma once

#include <windows.h>

namespace tolvane {

class MessageTarget {
 public:
  // The window procedure of every class the launcher registers. A window is made with its
  // MessageTarget* (not a pointer to a class derived from it) as the creation parameter.
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 protected:
  ~MessageTarget() = default;
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) = 0;
};

}  // namespace tolvane
