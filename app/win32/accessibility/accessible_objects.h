// The accessible objects of the launcher's windows: for each window that paints part of its content
// (the form, its pages and group boxes) its own object; for each child window the system's window
// object wrapped, so that next and previous from it follow the page's reading order; and each
// painted element as an object of its own, which the window that stands for it answers with once
// screen readers are served. Each is made when a client first asks for it and kept while its
// window lives, so that a client gets the same object each time. And what the system's own
// objects of standard controls are told besides: a name, a live region.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>

#include "painted_accessible.h"
#include "reading_order_object.h"

namespace tolvane {

class AccessibleObjects final : private ReadingOrder {
 public:
  explicit AccessibleObjects(AccessibleHost& host) : host_(host) {}
  ~AccessibleObjects();
  AccessibleObjects(const AccessibleObjects&) = delete;
  AccessibleObjects& operator=(const AccessibleObjects&) = delete;

  // The answer to WM_GETOBJECT: the object of a window that paints for OBJID_CLIENT, and of a
  // child window for OBJID_WINDOW; 0 (the system's own object) for anything else, when the accessibility libraries
  // are missing or when the object cannot be handed over.
  LRESULT Answer(HWND window, WPARAM wparam, LPARAM lparam);
  // A standard control's window, just made: its WM_GETOBJECT is answered here too.
  void Serve(const TControl& control, HWND window);
  // The window is being destroyed: its objects answer no more, here or in a client's process.
  void Forget(HWND window);
  // Gives a standard control whose label is painted, such as a text box, the label's text as
  // its name (a dynamic annotation of the system's own object). Annotations are made at once
  // while a screen reader runs, else when one starts or a client first asks, so that a start
  // without one loads no accessibility libraries.
  void Name(HWND control, const std::wstring& name);
  // Makes a standard control a live region that clients read politely, without moving the focus
  // (UI Automation's LiveSetting, annotated as the name is), named by what it shows: readers say a
  // live region's name when it changes.
  void MakeLive(HWND control, const std::wstring& shows);
  // Tells clients that a live region shows new content.
  static void Announce(HWND control);
  // Serves screen readers at once when one runs (annotations, and windows for the painted
  // elements): told when the system's screen-reader setting changes, and asked again when the
  // window is activated (a reader may have started unseen).
  void FollowScreenReaderSetting();

 private:
  struct Annotation {
    std::wstring name;
    bool live = false;
  };
  void Annotate(HWND control, const Annotation& annotation) const;
  // A client asked or a screen reader runs: from now on annotations are made at once, and the
  // painted elements have windows.
  void ServeReaders();
  // Annotates `control` now when annotations are made at once.
  void AnnotateWhenDue(HWND control);
  // `window`'s object at `level`, made when first asked; nullptr when it has none of ours.
  IAccessible* ObjectOf(HWND window, LONG level);
  PaintedAccessible* PaintedObjectOf(HWND window);
  // A painted element's own object: the client object of `host`, the window that stands for it,
  // or (nullptr) an object of `container_window`'s while it has none.
  IAccessible* ElementObjectOf(const TControl& element, PaintedAccessible& container,
                               HWND container_window, HWND host);
  // ReadingOrder
  HRESULT Neighbour(const TControl& from, long direction, LONG level, VARIANT* end) override;
  void Disconnect(AccessibleBase* object) const;
  // Disconnects and drops the entries of `objects` for which `of` names an object.
  template <typename Map, typename Of>
  void DisconnectWhere(Map& objects, Of of) const {
    for (auto it = objects.begin(); it != objects.end();) {
      if (AccessibleBase* object = of(*it)) {
        Disconnect(object);
        it = objects.erase(it);
      } else {
        ++it;
      }
    }
  }
  static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                      UINT_PTR, DWORD_PTR objects);

  AccessibleHost& host_;
  std::map<HWND, PaintedAccessible*> objects_;
  // The system's window objects of the child windows.
  std::map<HWND, ReadingOrderObject*> window_objects_;
  // The painted elements' own objects, with the window that stands for each (or paints it).
  std::map<const TControl*, std::pair<HWND, ReadingOrderObject*>> element_objects_;
  // Whether a client asked or a screen reader runs.
  bool serving_ = false;
  // Made when the first client asks, and again whole when a part of one changes later.
  std::map<HWND, Annotation> annotations_;
};

}  // namespace tolvane
