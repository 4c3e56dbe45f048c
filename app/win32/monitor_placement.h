// Where the form stands on the monitors as it follows their dpi: its first place, and what it
// does when Windows tells it of a new dpi (WM_DPICHANGED) or asks the size it will have at one
// (WM_GETDPISCALEDSIZE).
#pragma once

#include <windows.h>

#include "controls.h"

namespace tolvane {

// WM_GETDPISCALEDSIZE, which Windows 10 (1703) and later send; the headers name it only for them.
constexpr UINT kGetDpiScaledSize = 0x02E4;

// What the form does for a dpi.
class DpiFollower {
 public:
  virtual int LaidOutDpi() const = 0;
  // Lays the form out for `dpi`, as a window created there, and returns its client area.
  virtual Rect FollowDpi(int dpi) = 0;
  // The client area the form would have at `dpi`.
  virtual Rect ClientAt(int dpi) = 0;

 protected:
  ~DpiFollower() = default;
};

class MonitorPlacement {
 public:
  explicit MonitorPlacement(DpiFollower& follower) : follower_(follower) {}
  ~MonitorPlacement();
  MonitorPlacement(const MonitorPlacement&) = delete;
  MonitorPlacement& operator=(const MonitorPlacement&) = delete;
  // Windows only ever sends WM_DPICHANGED and WM_GETDPISCALEDSIZE: from the form's attachment
  // on, one posted to it (any program on the desktop may post, another account's too) reaches it
  // as nothing, in every message loop of the thread, rather than a pointer it would follow.
  void Attach(HWND form);

  // Aware of each screen's dpi, the window takes the dpi of the screen it is made on, which may
  // not be the system's, and no WM_DPICHANGED comes for it: it is laid out and sized for that dpi
  // before anything is made in it. True when it was.
  bool FitToOwnDpi();
  // Centred on the desktop, on one monitor; put on a screen of another dpi, the window is laid
  // out for it (whether Windows tells it or not) and placed once more for its new size.
  void PlaceFirstTime();
  void OnDpiChanged(WPARAM wparam, LPARAM lparam);
  // True when `size` was filled in.
  bool OnGetDpiScaledSize(WPARAM wparam, LPARAM size);

 private:
  void Follow(int dpi, const RECT* suggested);
  void MoveTo(int dpi, const RECT* suggested);

  static LRESULT CALLBACK DropPosted(int code, WPARAM wparam, LPARAM lparam);

  DpiFollower& follower_;
  HWND form_ = nullptr;
  HHOOK hook_ = nullptr;
  // While the window moves and sizes itself for a new dpi, a WM_DPICHANGED then only tells the
  // dpi of the screen the move took it to.
  bool moving_ = false;
  int dpi_after_move_ = 0;
};

}  // namespace tolvane
