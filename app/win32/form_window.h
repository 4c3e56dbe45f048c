// The Win32 binding of TForm1: the top-level window, with a real child window for every control
// that takes the focus or holds others; the labels, pictures and bevels are drawn by their parent
// and told to screen readers by its accessible object. The form's window makes itself, shows
// itself the first time, and dispatches its messages to the rooms that answer them: layout per
// dpi, placement on the monitors, control windows, system colours, focus and painted links.
#pragma once

#include <windows.h>

#include "accessible_objects.h"
#include "caption_icons.h"
#include "container_window.h"
#include "control_windows.h"
#include "focus_keeper.h"
#include "form_layout.h"
#include "monitor_placement.h"
#include "painted_links.h"
#include "painter.h"
#include "startu.h"
#include "system_colours.h"

namespace tolvane {

class FormWindow final : public ContainerWindow,
                         public ControlView,
                         private ContainerHost,
                         private AccessibleHost,
                         private DpiFollower {
 public:
  FormWindow(TForm1& form, HINSTANCE instance);
  ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  // Creates the window and its pages, laid out for its screen; a page's controls follow when it
  // first shows. Returns false on failure.
  bool Create();
  HWND hwnd() const { return hwnd_; }
  // Shows the window for the first time, centred on the desktop (on one monitor).
  void ShowFirstTime();
  // Tab, Shift+Tab, the arrow keys and Enter, by the form's own rules; true when handled.
  bool HandleKey(const MSG& message) { return focus_.HandleKey(message); }
  // A handler waits (the Java test script, a pause): meanwhile the window answers what screen
  // readers send it, and acts on nothing another program sends.
  void SetWaiting(bool waiting) { waiting_ = waiting; }

  void Changed(TControl& control, Change change) override;

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;

  // ContainerHost
  void Paint(HWND window, HDC dc, HFONT font) override;
  HBRUSH ControlColour(HDC dc, HWND child) override;
  void Command(HWND child, int code) override;
  bool OnSetCursor(HWND window) override { return links_.OnSetCursor(window); }
  void OnButtonDown(HWND window, LPARAM lparam) override { links_.OnButtonDown(window, lparam); }
  void OnButtonUp(HWND window, LPARAM lparam) override { links_.OnButtonUp(window, lparam); }
  void OnCaptureChanged() override { links_.OnCaptureChanged(); }
  LRESULT AccessibleObject(HWND window, WPARAM wparam, LPARAM lparam) override;
  void Destroyed(HWND window) override { accessible_.Forget(window); }
  // AccessibleHost
  TControl* ControlOf(HWND window) const override { return windows_.ControlOf(window); }
  HWND WindowOf(const TControl* control) const override {
    HWND host = windows_.HostOf(control);
    return host ? host : windows_.WindowOf(control);
  }
  void ServeReaders() override { windows_.HostPaintedElements(); }
  const std::vector<TControl*>& ChildrenOf(HWND window) const override {
    return windows_.ChildrenOf(window);
  }
  const TControl* SeenPage() const override { return windows_.shown_page(); }
  void ClickLater(TControl& link) override { links_.ClickLater(link); }
  std::wstring KeyboardShortcut(const TControl& link) const override {
    return links_.KeyboardShortcut(link);
  }
  // DpiFollower
  int LaidOutDpi() const override { return layout_.dpi(); }
  Rect FollowDpi(int dpi) override;
  Rect ClientAt(int dpi) override { return layout_.ClientAt(dpi); }

  void ScaleDrawing();
  void MadeControlWindow(const TControl& control, HWND window);
  void OnClose();
  void Settle();
  void AnnounceJavaResult();
  void AnnounceResultWhenAsked();

  TForm1& form_;
  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  DpiLayout layout_;
  SystemColours colours_;
  Painter painter_;
  CaptionIcons icons_;
  ControlWindows windows_;
  FocusKeeper focus_;
  PaintedLinks links_;
  MonitorPlacement placement_;
  AccessibleObjects accessible_;
  bool result_to_announce_ = false;
  bool pages_to_show_ = false;
  bool waiting_ = false;
};

}  // namespace tolvane
