// Any program may post any window a message in the applications' ranges (WM_USER to 0xBFFF), and
// each receiver gives such a number its own meaning: a standard button writes through the pointer
// that BCM_GETIDEALSIZE carries, the form clicks a link. The guard drops every such message posted
// to the form, a window inside it or a window it owns (a message box and its buttons), in every
// message loop of the thread, except the form's own messages to itself, which the form checks
// before it acts on them. It drops a posted WM_DPICHANGED too: the system only ever sends it.
#pragma once

#include <windows.h>

#include <vector>

namespace tolvane {

class PostedMessageGuard {
 public:
  PostedMessageGuard() = default;
  ~PostedMessageGuard();
  PostedMessageGuard(const PostedMessageGuard&) = delete;
  PostedMessageGuard& operator=(const PostedMessageGuard&) = delete;

  // Guards `form` and the windows inside it, letting `own` through to the form itself; one guard
  // per thread. False when the system refused the hook.
  bool Watch(HWND form, std::vector<UINT> own);

 private:
  static LRESULT CALLBACK OnGetMessage(int code, WPARAM wparam, LPARAM lparam);
  void Screen(MSG& message) const;

  HWND form_ = nullptr;
  std::vector<UINT> own_;
  HHOOK hook_ = nullptr;
};

// A standard control answers what another program sends it in the applications' ranges as it
// does what the launcher sends, following the pointers it carries: such a message from another
// thread is answered with 0 and never reaches the control. (Pointers do not cross processes, so
// no program can mean one of them.) Screening a control twice changes nothing.
void RefuseSentFromElsewhere(HWND control);

}  // namespace tolvane
