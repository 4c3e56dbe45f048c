// The accessible objects of the windows that paint part of their content (the form, its pages and
// group boxes): one per window, made when a client first asks for it and kept while the window
// lives, so that a client gets the same object each time. And what the system's own objects of
// standard controls are told besides: a name, a live region.
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
  // object) for anything else, when the accessibility libraries are missing or when the object
  // cannot be handed over.
  LRESULT Answer(HWND window, WPARAM wparam, LPARAM lparam);
  // The window is being destroyed: its object answers no more, here or in a client's process.
  void Forget(HWND window);
  // Gives a standard control whose label is painted, such as a text box, the label's text as
  // its name (a dynamic annotation of the system's own object). Annotations are made at once
  // while a screen reader runs, else when one starts or a client first asks, so that a start
  // without one loads no accessibility libraries.
  void Name(HWND control, const std::wstring& name);
  // Makes a standard control a live region that clients read politely, without moving the focus
  // (UI Automation's LiveSetting, annotated as the name is).
  void MakeLive(HWND control);
  // Tells clients that a live region shows new content.
  static void Announce(HWND control);
  // Annotates at once when a screen reader runs: told when the system's screen-reader setting
  // changes, and asked again when the window is activated (a reader may have started unseen).
  void FollowScreenReaderSetting();

 private:
  struct Annotation {
    std::wstring name;
    bool live = false;
  };
  void Annotate(HWND control, const Annotation& annotation) const;
  void AnnotateAll();
  void Disconnect(PaintedAccessible* object) const;

  AccessibleHost& host_;
  std::map<HWND, PaintedAccessible*> objects_;
  // Whether a client asked or a screen reader runs: annotations are then made at once.
  bool annotating_ = false;
  // Made when the first client asks, and again whole when a part of one changes later.
  std::map<HWND, Annotation> annotations_;
};

}  // namespace tolvane
