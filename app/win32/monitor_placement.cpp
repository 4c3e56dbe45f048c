#include "monitor_placement.h"

#include <utility>
#include <vector>

#include "scaling.h"
#include "screen_dpi.h"

namespace tolvane {
namespace {

Rect AsRect(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

// The form whose posted dpi messages the thread's hook drops: a hook procedure has no place for
// its owner.
thread_local HWND form_of_hook = nullptr;

// The monitors, the primary one first, with their work areas.
std::vector<Monitor> Monitors() {
  std::vector<Monitor> monitors;
  const auto add = [](HMONITOR handle, HDC, LPRECT, LPARAM found) -> BOOL {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(handle, &info)) return TRUE;
    auto& list = *reinterpret_cast<std::vector<Monitor>*>(found);
    const Monitor monitor = {AsRect(info.rcMonitor), AsRect(info.rcWork)};
    list.insert(info.dwFlags & MONITORINFOF_PRIMARY ? list.begin() : list.end(), monitor);
    return TRUE;
  };
  EnumDisplayMonitors(nullptr, nullptr, add, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

// The work area of the monitor that holds the most of `window`.
Rect WorkAreaOf(HWND window) {
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
  return AsRect(info.rcWork);
}

// Whether the message being handled was not sent by another thread (a posted one never reaches
// the form: MonitorPlacement drops it). What another program sends carries pointers that mean
// nothing here (Windows copies no data of these messages between processes).
bool NotFromAnotherThread() { return InSendMessageEx(nullptr) == ISMEX_NOSEND; }

// The form's outer size around `client`, with the frame of `dpi`.
SIZE OuterSize(HWND form, const Rect& client, int dpi) {
  const RECT outer =
      FrameAround(client, static_cast<DWORD>(GetWindowLongW(form, GWL_STYLE)),
                  static_cast<DWORD>(GetWindowLongW(form, GWL_EXSTYLE)), dpi);
  return {outer.right - outer.left, outer.bottom - outer.top};
}

}  // namespace

MonitorPlacement::~MonitorPlacement() {
  if (!hook_) return;
  UnhookWindowsHookEx(hook_);
  form_of_hook = nullptr;
}

void MonitorPlacement::Attach(HWND form) {
  form_ = form;
  form_of_hook = form;
  if (!hook_) hook_ = SetWindowsHookExW(WH_GETMESSAGE, DropPosted, nullptr, GetCurrentThreadId());
}

// The hook sees each posted message as a loop of the thread takes it from the queue (message
// boxes' and the shell's loops too); one turned into WM_NULL reaches its window as nothing. Only
// the form's two dpi messages are touched.
LRESULT CALLBACK MonitorPlacement::DropPosted(int code, WPARAM wparam, LPARAM lparam) {
  auto& message = *reinterpret_cast<MSG*>(lparam);
  if (code == HC_ACTION && message.hwnd && message.hwnd == form_of_hook &&
      (message.message == WM_DPICHANGED || message.message == kGetDpiScaledSize)) {
    message.message = WM_NULL;
    message.wParam = 0;
    message.lParam = 0;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

bool MonitorPlacement::FitToOwnDpi() {
  const int dpi = DpiOfWindow(form_);
  if (dpi == SystemDpi()) return false;
  const SIZE size = OuterSize(form_, follower_.FollowDpi(dpi), dpi);
  SetWindowPos(form_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void MonitorPlacement::PlaceFirstTime() {
  const Rect desktop = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                        GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  const std::vector<Monitor> monitors = Monitors();
  for (int round = 0; round < 2; ++round) {
    Follow(DpiOfWindow(form_), nullptr);
    RECT outer;
    GetWindowRect(form_, &outer);
    const Point at =
        FirstPlace(desktop, monitors, outer.right - outer.left, outer.bottom - outer.top);
    if (at.x == outer.left && at.y == outer.top) break;
    SetWindowPos(form_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void MonitorPlacement::OnDpiChanged(WPARAM wparam, LPARAM lparam) {
  if (NotFromAnotherThread()) {
    if (LOWORD(wparam) == HIWORD(wparam)) Follow(HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
  } else {
    // From another thread (another program, or Windows moving the window for one): neither its
    // place nor its dpi is taken, the window is laid out for the dpi it really has.
    Follow(DpiOfWindow(form_), nullptr);
  }
}

bool MonitorPlacement::OnGetDpiScaledSize(WPARAM wparam, LPARAM size) {
  // Unanswered, Windows scales the window's size in proportion, as it would a picture.
  const int dpi = static_cast<int>(wparam);
  if (!NotFromAnotherThread() || !IsScreenDpi(dpi)) return false;
  *reinterpret_cast<SIZE*>(size) = OuterSize(form_, follower_.ClientAt(dpi), dpi);
  return true;
}

// The window moved to a screen of another dpi: it is laid out as a window created there, and
// takes the place Windows suggests (`suggested`; none keeps its top-left) with the frame of its
// own dpi around its new client area.
void MonitorPlacement::Follow(int dpi, const RECT* suggested) {
  if (!IsScreenDpi(dpi) || (!suggested && dpi == follower_.LaidOutDpi())) return;
  // Sized for the new dpi, the window may lie on a screen of yet another: Windows tells that
  // during the move, and the window is laid out for it once more where it stands (once only, so
  // that it never goes back and forth between two screens).
  if (moving_) {
    dpi_after_move_ = dpi;
    return;
  }
  MoveTo(dpi, suggested);
  const int after = std::exchange(dpi_after_move_, 0);
  if (after && after != follower_.LaidOutDpi()) MoveTo(after, nullptr);
  dpi_after_move_ = 0;
}

void MonitorPlacement::MoveTo(int dpi, const RECT* suggested) {
  const SIZE size = OuterSize(form_, follower_.FollowDpi(dpi), DpiOfWindow(form_));
  moving_ = true;
  if (IsIconic(form_)) {
    // A minimised window keeps its place among the icons: the size it is restored to changes.
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    GetWindowPlacement(form_, &placement);
    placement.rcNormalPosition.right = placement.rcNormalPosition.left + size.cx;
    placement.rcNormalPosition.bottom = placement.rcNormalPosition.top + size.cy;
    placement.showCmd = SW_SHOWMINNOACTIVE;
    SetWindowPlacement(form_, &placement);
  } else {
    // Without a suggested place the window grows or shrinks from its top-left, kept within the
    // work area of its monitor.
    RECT now;
    GetWindowRect(form_, &now);
    const Point at = suggested ? Point{suggested->left, suggested->top}
                               : KeptInside(WorkAreaOf(form_), {now.left, now.top}, size.cx, size.cy);
    SetWindowPos(form_, nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  moving_ = false;
  RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace tolvane
