// The windows of the launcher's own classes that hold controls and paint the rest: the form, its
// pages and its group boxes. Each answers the messages every such window shares here; the form
// adds its own.
#pragma once

#include <windows.h>

#include "message_target.h"

namespace tolvane {

// What a container asks of the form it belongs to.
class ContainerHost {
 public:
  // Paints the window's own frame or caption in `font`, then its painted controls.
  virtual void Paint(HWND window, HDC dc, HFONT font) = 0;
  // The answer to a child control's WM_CTLCOLOR*.
  virtual HBRUSH ControlColour(HDC dc, HWND child) = 0;
  // A child control's notification (WM_COMMAND).
  virtual void Command(HWND child, int code) = 0;
  // The painted links: the hand over them (true when the pointer is on one), and their clicks.
  virtual bool OnSetCursor(HWND window) = 0;
  virtual void OnButtonDown(HWND window, LPARAM lparam) = 0;
  virtual void OnButtonUp(HWND window, LPARAM lparam) = 0;
  virtual void OnCaptureChanged() = 0;
  // The answer to WM_GETOBJECT; 0 for the system's own object.
  virtual LRESULT AccessibleObject(HWND window, WPARAM wparam, LPARAM lparam) = 0;
  virtual void Destroyed(HWND window) = 0;

 protected:
  ~ContainerHost() = default;
};

class ContainerWindow : public MessageTarget {
 public:
  explicit ContainerWindow(ContainerHost& host) : host_(host) {}
  ContainerWindow(const ContainerWindow&) = delete;
  ContainerWindow& operator=(const ContainerWindow&) = delete;

 protected:
  ~ContainerWindow() = default;
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  ContainerHost& host_;
  // The font WM_SETFONT gave the window, which it draws its caption in and tells as standard
  // controls do, so that accessibility and automation tools read it; none means the system font.
  HFONT font_ = nullptr;
};

// A page or a group box.
class PanelWindow final : public ContainerWindow {
 public:
  using ContainerWindow::ContainerWindow;
};

}  // namespace tolvane
