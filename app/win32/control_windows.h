// The windows of the form's controls: a real child window for every control that takes the focus
// or holds others (the labels, links, pictures and bevels are painted by their parent), made when
// their page first shows, and kept in step with the controls' state.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "container_window.h"
#include "controls.h"
#include "form_layout.h"

namespace tolvane {

class ControlWindows {
 public:
  // Called for each window as it is made, before it shows.
  using Made = std::function<void(const TControl&, HWND)>;
  ControlWindows(ControlTree& controls, HINSTANCE instance, DpiLayout& layout, ControlView& view,
                 ContainerHost& host, Made made);
  void Attach(HWND form) { form_ = form; }

  // Makes the windows of `parent`'s children (nullptr: the form's) inside `parent_window`; a
  // page's own controls wait until it shows.
  void CreateChildren(TControl* parent, HWND parent_window);
  // Shows `control`'s change in its window (a page's showing waits for ShowPages). False when it
  // has none: a painted control's parent is then drawn again where it lies.
  bool Show(TControl& control, ControlView::Change change);
  // Every window made so far takes its place, size and font from the layout.
  void ApplyLayout();
  // The pages' windows follow the form once a change is done: only the page seen shows (the
  // waiting page under the others is hidden), and a page's controls are made when it first shows.
  void ShowPages(const TControl* seen);
  // The page whose window shows: what the user sees, and what screen readers are told of.
  const TControl* shown_page() const { return shown_page_; }

  // From now on each painted text, link and picture (but a page's heading, which is its name) has
  // a window too, while its parent's controls have theirs: one that shows what the parent paints
  // there and takes no click, placed among the controls' windows in the layout's order. Screen
  // readers and UI Automation list a window's child windows in that order, and so meet each
  // painted text where it stands. Made only once a screen reader may be reading, so that a start
  // without one makes none.
  void HostPaintedElements();
  // The window that stands for a painted control; nullptr when it has none.
  HWND HostOf(const TControl* control) const;

  // The control behind a window of the form; nullptr for the form itself or another window.
  TControl* ControlOf(HWND window) const;
  // The window of a control (nullptr: the form's own); nullptr when it has none yet.
  HWND WindowOf(const TControl* control) const;
  // The controls inside a window: a page's, a group box's, or for the form its own.
  const std::vector<TControl*>& ChildrenOf(HWND window) const;
  const std::map<const TControl*, HWND>& windows() const { return windows_; }

 private:
  void FillShowingPages();
  HWND CreateControlWindow(TControl& control, HWND parent_window);
  // The windows of `parent`'s painted children, each placed after the window of the child before
  // it (the first on top), made when missing.
  void HostChildren(const TControl* parent, HWND parent_window);

  ControlTree& controls_;
  HINSTANCE instance_;
  DpiLayout& layout_;
  ControlView& view_;
  ContainerHost& host_;
  Made made_;
  HWND form_ = nullptr;
  std::map<const TControl*, HWND> windows_;
  std::map<HWND, TControl*> controls_by_window_;
  std::vector<std::unique_ptr<PanelWindow>> panels_;
  // The pages whose controls have no windows yet.
  std::vector<TControl*> pages_to_fill_;
  const TControl* shown_page_ = nullptr;
  bool hosting_ = false;
  std::map<const TControl*, HWND> hosts_;
};

}  // namespace tolvane
