// The accessible objects of the windows that paint part of their content (the form, its pages and
// group boxes): one per window, made when a client first asks for it and kept while the window
// lives, so that a client gets the same object each time.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "painted_accessible.h"

namespace tolvane {

class AccessibleObjects {
 public:
  explicit AccessibleObjects(AccessibleHost& host) : host_(host) {}
  ~AccessibleObjects();
  AccessibleObjects(const AccessibleObjects&) = delete;
  AccessibleObjects& operator=(const AccessibleObjects&) = delete;

  // The answer to WM_GETOBJECT: the window's object for OBJID_CLIENT, 0 (the system's own
  // object) for anything else or when the accessibility libraries are missing.
  LRESULT Answer(HWND window, WPARAM wparam, LPARAM lparam);
  // The window is being destroyed: its object answers no more.
  void Forget(HWND window);
  // Gives a standard control whose label is painted, such as a text box, the label's text as
  // its name (a dynamic annotation of the system's own object). The annotation is made when the
  // first client asks, so that a start without one loads no accessibility libraries.
  void Name(HWND control, const std::wstring& name);

 private:
  void Annotate(HWND control, const std::wstring& name) const;

  AccessibleHost& host_;
  std::map<HWND, PaintedAccessible*> objects_;
  bool asked_ = false;
  std::map<HWND, std::wstring> names_to_annotate_;
};

}  // namespace tolvane
