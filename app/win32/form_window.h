// The Win32 binding of TForm1: the top-level window, a real child window for every control that
// takes the focus or holds others; the labels, pictures and bevels are drawn by their parent
// (through the painter) and told to screen readers by its accessible object. Window procedures
// only dispatch to small named functions.
#pragma once

#include <windows.h>

#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "accessible_objects.h"
#include "button_style.h"
#include "controls.h"
#include "gdi.h"
#include "painter.h"
#include "posted_message_guard.h"
#include "startu.h"

namespace tolvane {

class FormWindow : public ControlView, private AccessibleHost {
 public:
  FormWindow(TForm1& form, HINSTANCE instance);
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  // Creates the window and its pages, scaled to the screen; a page's controls follow when it first
  // shows. Returns false on failure.
  bool Create();
  HWND hwnd() const { return hwnd_; }
  // Shows the window for the first time, centred on the desktop (on one monitor).
  void ShowFirstTime();
  // Tab, Shift+Tab and the arrow keys, by the form's own rules; true when handled.
  bool HandleKey(const MSG& message);

  void Changed(TControl& control, Change change) override;

 private:
  // AccessibleHost
  TControl* ControlOf(HWND window) const override;
  HWND WindowOf(const TControl* control) const override;
  const std::vector<TControl*>& ChildrenOf(HWND window) const override;
  const TControl* SeenPage() const override { return form_.controls().SeenPage(); }
  void ClickLater(TControl& link) override;

  static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  int MeasuredTextHeight(HDC screen, int dpi);
  void LayOutForDpi(int dpi, bool pictures_by_dpi);
  SIZE SizeForDpi(int dpi);
  void OnDpiChanged(int dpi, const RECT* suggested);
  void MoveToDpi(int dpi, const RECT* suggested);
  void ApplyLayout();
  HFONT FormFont();
  void CreateChildren(TControl* parent, HWND parent_window);
  HWND CreateControlWindow(TControl& control, HWND parent_window);
  void SizeLabelToCaption(HDC screen, TControl& control);
  void FillShowingPages();
  HFONT FontOf(const TControl& control);

  void OnPaint(HWND window);
  void OnSetFont(HWND window, HFONT font, bool redraw);
  HFONT WindowFont(HWND window) const;
  void OnCommand(HWND child, int code);
  HBRUSH OnControlColour(HDC dc, HWND child);
  void FollowSystemColours();
  void FitButtonStyle(const TControl& control, HWND window);
  TControl* LinkAt(HWND window, POINT point);
  bool OnSetCursor(HWND window);
  void OnLeftButtonDown(HWND window, LPARAM lparam);
  void OnLeftButtonUp(HWND window, LPARAM lparam);
  void ForgetPressedLink();
  void OnClose();
  void FixFocusWhenAsked();
  void AnnounceResultWhenAsked();
  void ClickWaitingLink();
  void AnnounceJavaResult(const TControl& control, Change change);
  void FocusFirstIfLost();
  void RememberFocus();
  void RestoreFocus();

  TForm1& form_;
  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  Rect client_ = {};
  FontCache fonts_;
  int window_font_height_ = 0;
  // The scale, in percent, of the pictures made for the screen the window is laid out for.
  int artwork_percent_ = 100;
  // The dpi the window is laid out for.
  int laid_out_dpi_ = 0;
  // While the window moves and sizes itself for a new dpi, a WM_DPICHANGED then only tells the
  // dpi of the screen the move took it to.
  bool moving_for_dpi_ = false;
  int dpi_after_move_ = 0;
  std::map<const TControl*, HWND> windows_;
  std::map<HWND, TControl*> controls_by_window_;
  // The pages whose controls have no windows yet.
  std::vector<TControl*> pages_to_fill_;
  // The fonts WM_SETFONT gave the windows of our own classes, which draw their text in them.
  std::map<HWND, HFONT> window_fonts_;
  // The link the left button went down on, while the page holds the mouse capture for it.
  TControl* pressed_link_ = nullptr;
  // The control that held the focus when the window was last deactivated or hidden.
  TControl* remembered_focus_ = nullptr;
  // What the form's own posted messages ask of it: a message from anyone else finds nothing.
  bool focus_to_fix_ = false;
  bool result_to_announce_ = false;
  std::deque<TControl*> links_to_click_;
  PostedMessageGuard guard_;
  Painter painter_;
  ButtonStyle button_style_;
  AccessibleObjects accessible_{*this};
};

}  // namespace tolvane
