#include "posted_message_guard.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <utility>

namespace tolvane {
namespace {

constexpr UINT kLastApplicationMessage = 0xBFFF;

// A hook procedure has no place for its owner: the thread's one guard.
thread_local const PostedMessageGuard* guard = nullptr;

}  // namespace

PostedMessageGuard::~PostedMessageGuard() {
  if (!hook_) return;
  UnhookWindowsHookEx(hook_);
  guard = nullptr;
}

bool PostedMessageGuard::Watch(HWND form, std::vector<UINT> own) {
  form_ = form;
  own_ = std::move(own);
  hook_ = SetWindowsHookExW(WH_GETMESSAGE, OnGetMessage, nullptr, GetCurrentThreadId());
  if (hook_) guard = this;
  return hook_ != nullptr;
}

// The hook sees each posted message as a loop takes it from the queue, before it is dispatched;
// a message turned into WM_NULL reaches its window as nothing.
LRESULT CALLBACK PostedMessageGuard::OnGetMessage(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && guard) guard->Screen(*reinterpret_cast<MSG*>(lparam));
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

void PostedMessageGuard::Screen(MSG& message) const {
  // The system sends WM_DPICHANGED with a pointer to the place it suggests; one that was posted
  // is another program's, and so is its pointer.
  const bool application = message.message >= WM_USER && message.message <= kLastApplicationMessage;
  if (!application && message.message != WM_DPICHANGED) return;
  // Messages posted to the thread itself have no window: they are for helpers loaded into the
  // process (an input method's, a screen reader's), never for the launcher's windows. A message
  // box the form owns, and its buttons, are the launcher's as much as the form's children.
  if (!message.hwnd || GetAncestor(message.hwnd, GA_ROOTOWNER) != form_) return;
  if (message.hwnd == form_ && std::find(own_.begin(), own_.end(), message.message) != own_.end()) {
    return;
  }
  message.message = WM_NULL;
  message.wParam = 0;
  message.lParam = 0;
}

namespace {

bool SentFromElsewhere(UINT message) {
  return message >= WM_USER && message <= kLastApplicationMessage &&
         InSendMessageEx(nullptr) != ISMEX_NOSEND;
}

// The screen replaces the control's window procedure. Every control of one kind (every button,
// every text box) had the same procedure, which the screen keeps, one for each kind, in the
// launcher's own memory: no other program can change what it calls. (A common-controls subclass
// looks itself up in a window property on every message, which under Wine is a trip to the server
// and doubled the time the control page takes to show: the screen uses one only when more kinds
// turn up than it keeps, as when other code has given each control a procedure of its own.)
constexpr int kKindsOfControl = 4;
std::atomic<WNDPROC> originals[kKindsOfControl] = {};

template <int kind>
LRESULT CALLBACK SentScreen(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (SentFromElsewhere(message)) return 0;
  return CallWindowProcW(originals[kind].load(), window, message, wparam, lparam);
}

constexpr WNDPROC kScreens[kKindsOfControl] = {SentScreen<0>, SentScreen<1>, SentScreen<2>,
                                               SentScreen<3>};

LRESULT CALLBACK SentScreenSubclass(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR, DWORD_PTR) {
  if (SentFromElsewhere(message)) return 0;
  return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace

void RefuseSentFromElsewhere(HWND control) {
  const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_WNDPROC));
  if (!current) return;
  if (std::find(std::begin(kScreens), std::end(kScreens), current) != std::end(kScreens)) return;
  for (int kind = 0; kind < kKindsOfControl; ++kind) {
    WNDPROC kept = nullptr;
    originals[kind].compare_exchange_strong(kept, current);
    if (!kept || kept == current) {
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(kScreens[kind]));
      return;
    }
  }
  SetWindowSubclass(control, SentScreenSubclass, 0, 0);
}

}  // namespace tolvane
