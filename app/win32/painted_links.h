// The links the pages paint ("httpd.conf", "php.ini", ...): the hand over them, a click by a press
// and a release on the same link, and the clicks an accessibility client asks for.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "control_windows.h"

namespace tolvane {

class PaintedLinks {
 public:
  PaintedLinks(ControlTree& controls, const ControlWindows& windows)
      : controls_(controls), windows_(windows) {}
  void Attach(HWND form) { form_ = form; }

  // WM_SETCURSOR over `window`: true when the pointer is on a link, which shows the hand.
  bool OnSetCursor(HWND window) const;
  // A link is clicked by a press and a release on it. The window captures the mouse on the
  // press, so the release comes back to it wherever it happens.
  void OnButtonDown(HWND window, LPARAM lparam);
  void OnButtonUp(HWND window, LPARAM lparam);
  // The capture was taken away (another window, a message box): the press ends without a click.
  void OnCaptureChanged() { pressed_ = nullptr; }

  // An accessibility client's default action on a link runs once its call has returned, as a
  // click by the user would, so that what the link opens never holds the client.
  void ClickLater(TControl& link);
  // Each click asked for runs once. It is dropped when a message box has come up since (the
  // form is disabled then) or the link no longer shows.
  void ClickWhenAsked();

  // The keyboard's way to the links, which are no tab stops: items of the window's system menu
  // (Alt+Space, then the item's letter), offered while their page shows.
  void AddToSystemMenu();
  void OnSystemMenu(HMENU menu) const;
  // WM_MENUCHAR of the system menu: the link's item whose key typed `typed` on the active
  // keyboard layout, to be chosen; 0 when there is none.
  LRESULT OnMenuChar(wchar_t typed, HMENU menu) const;
  // True when `command` is a link's item; it clicks the link unless a handler waits.
  bool OnSystemCommand(WPARAM command, bool waiting);
  // The keys that reach `link` ("Alt+Space, H"), as screen readers tell them; none for others,
  // or when every letter of its item was the key of another.
  std::wstring KeyboardShortcut(const TControl& link) const;

 private:
  TControl* LinkAt(HWND window, POINT point) const;

  ControlTree& controls_;
  const ControlWindows& windows_;
  HWND form_ = nullptr;
  // The link the left button went down on, while its window holds the mouse capture for it.
  TControl* pressed_ = nullptr;
  std::deque<TControl*> to_click_;
  // The access keys of the links' items, in the menu's order; 0 for an item without one.
  std::vector<wchar_t> keys_;
};

}  // namespace tolvane
