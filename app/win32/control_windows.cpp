#include "control_windows.h"

#include <algorithm>
#include <utility>

#include "gdi.h"
#include "window_classes.h"

namespace tolvane {
namespace {

constexpr int kFirstControlId = 100;

}  // namespace

ControlWindows::ControlWindows(ControlTree& controls, HINSTANCE instance, DpiLayout& layout,
                               ControlView& view, ContainerHost& host, Made made)
    : controls_(controls),
      instance_(instance),
      layout_(layout),
      view_(view),
      host_(host),
      made_(std::move(made)) {}

void ControlWindows::CreateChildren(TControl* parent, HWND parent_window) {
  const auto& children = parent ? parent->children() : controls_.top();
  for (TControl* control : children) {
    if (IsPainted(control->kind())) continue;
    HWND window = CreateControlWindow(*control, parent_window);
    if (!window) continue;
    windows_[control] = window;
    controls_by_window_[window] = control;
    control->set_view(&view_);
    if (control->kind() == Kind::Page) {
      // A page created later lies above the ones created before it.
      SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      pages_to_fill_.push_back(control);
    } else {
      CreateChildren(control, window);
    }
  }
  if (parent) {
    for (TControl* control : children) {
      if (IsPainted(control->kind())) control->set_view(&view_);
    }
  }
  if (hosting_) HostChildren(parent, parent_window);
}

void ControlWindows::HostPaintedElements() {
  if (std::exchange(hosting_, true)) return;
  HostChildren(nullptr, form_);
  for (const auto& [control, window] : windows_) {
    const bool filled =
        std::find(pages_to_fill_.begin(), pages_to_fill_.end(), control) == pages_to_fill_.end();
    if (control->kind() == Kind::GroupBox || (control->kind() == Kind::Page && filled)) {
      HostChildren(control, window);
    }
  }
}

void ControlWindows::HostChildren(const TControl* parent, HWND parent_window) {
  const auto& children = parent ? parent->children() : controls_.top();
  const TControl* heading = parent ? HeadingLabel(*parent) : nullptr;
  HWND previous = HWND_TOP;
  for (TControl* control : children) {
    const Kind kind = control->kind();
    if (HWND window = WindowOf(control)) {
      if (kind != Kind::Page) previous = window;  // the pages lie under the form's banner
      continue;
    }
    if (!IsPainted(kind) || IsDecoration(*control) || control == heading) continue;
    HWND& host = hosts_[control];
    if (!host) {
      const Rect& b = control->bounds();
      host = CreateWindowExW(WS_EX_NOPARENTNOTIFY, kElementClass, PaintedName(*control).c_str(),
                             WS_CHILD | WS_CLIPSIBLINGS | (control->Visible() ? WS_VISIBLE : 0),
                             b.left, b.top, b.width, b.height, parent_window, nullptr, instance_,
                             nullptr);
      if (!host) {
        hosts_.erase(control);
        continue;
      }
      controls_by_window_[host] = control;
      made_(*control, host);
    }
    // Placed again each time: the controls made after a reader came go under those before.
    SetWindowPos(host, previous, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    previous = host;
  }
}

// A page's controls are created when the page first shows, as a property sheet creates its
// pages: in Wine every child window costs about a millisecond to create and the licence boxes
// far more, so a start on the control page creates none of the wizard's, and a first start none
// of the control page's. Until then the controls' state lives in the form alone, and the windows
// are created from it.
void ControlWindows::FillShowingPages() {
  const auto fill = [this](TControl* page) {
    if (!page->Showing()) return false;
    CreateChildren(page, WindowOf(page));
    return true;
  };
  pages_to_fill_.erase(std::remove_if(pages_to_fill_.begin(), pages_to_fill_.end(), fill),
                       pages_to_fill_.end());
}

void ControlWindows::ShowPages(const TControl* seen) {
  FillShowingPages();
  for (TControl* page : controls_.top()) {
    if (HWND window = page->kind() == Kind::Page ? WindowOf(page) : nullptr) {
      ShowWindow(window, page == seen ? SW_SHOWNA : SW_HIDE);
    }
  }
  shown_page_ = seen;
}

HWND ControlWindows::CreateControlWindow(TControl& control, HWND parent_window) {
  const LayoutRow& row = control.row();
  const wchar_t* window_class = L"Button";
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD ex_style = 0;
  switch (control.kind()) {
    case Kind::Page:
      window_class = kPageClass;
      style |= WS_CLIPCHILDREN;
      ex_style = WS_EX_CONTROLPARENT;
      break;
    case Kind::GroupBox:
      window_class = kGroupClass;
      ex_style = WS_EX_CONTROLPARENT;
      break;
    case Kind::Memo:
      window_class = L"Edit";
      style |= ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
      if (row.flags & kVerticalScrollBar) style |= WS_VSCROLL;
      if (!(row.flags & kBorderless)) ex_style = WS_EX_CLIENTEDGE;
      break;
    case Kind::Edit:
      window_class = L"Edit";
      style |= ES_AUTOHSCROLL;
      ex_style = WS_EX_CLIENTEDGE;
      break;
    case Kind::Button:
      style |= BS_PUSHBUTTON;
      break;
    case Kind::CheckBox:
      style |= BS_CHECKBOX;
      break;
    case Kind::Radio:
      style |= BS_RADIOBUTTON;
      break;
    default:
      return nullptr;
  }
  if (control.Visible()) style |= WS_VISIBLE;
  if (!control.Enabled()) style |= WS_DISABLED;
  if (control.TabStop() && control.Focusable()) style |= WS_TABSTOP;
  const Rect& b = control.bounds();
  // Control ids follow the layout's rows, so a test can name the control behind a window.
  INT_PTR id = kFirstControlId;
  for (const auto& row : controls_.all()) {
    if (row.get() == &control) break;
    ++id;
  }
  // Pages and group boxes are windows of the launcher's own classes, each with its object.
  MessageTarget* target = nullptr;
  if (control.kind() == Kind::Page || control.kind() == Kind::GroupBox) {
    panels_.push_back(std::make_unique<PanelWindow>(host_));
    target = panels_.back().get();
  }
  // A text box breaks its text into lines in its font whenever either changes, which for a
  // licence costs milliseconds: it gets its font before its text.
  const bool text_box = control.kind() == Kind::Memo || control.kind() == Kind::Edit;
  HWND window = CreateWindowExW(ex_style, window_class, text_box ? L"" : control.Text().c_str(),
                                style, b.left, b.top, b.width, b.height, parent_window,
                                reinterpret_cast<HMENU>(id), instance_, target);
  if (!window) {
    if (target) panels_.pop_back();
    return nullptr;
  }
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(layout_.FontOf(control)), FALSE);
  if (control.kind() == Kind::Edit) SendMessageW(window, EM_SETLIMITTEXT, 0, 0);
  made_(control, window);
  if (text_box) SetWindowTextW(window, control.Text().c_str());
  if (control.Checked()) SendMessageW(window, BM_SETCHECK, BST_CHECKED, 0);
  // On Windows an unticked radio button that gets the focus clicks itself, unless told not to:
  // the focus the window gives back, or moves by the arrow keys, must never click C# and bring
  // up its notice by itself. The arrow keys tick what they reach explicitly instead.
  if (control.kind() == Kind::Radio) SendMessageW(window, BM_SETDONTCLICK, TRUE, 0);
  return window;
}

bool ControlWindows::Show(TControl& control, ControlView::Change change) {
  HWND window = WindowOf(&control);
  if (!window) {
    if (HWND parent = WindowOf(control.parent())) {
      const RECT r = ToRect(control.bounds());
      InvalidateRect(parent, &r, TRUE);
    }
    // The window that stands for it shows what the parent paints there.
    if (HWND host = HostOf(&control)) {
      if (change == ControlView::Change::Visible) {
        ShowWindow(host, control.Visible() ? SW_SHOWNA : SW_HIDE);
      } else if (change == ControlView::Change::Text) {
        SetWindowTextW(host, PaintedName(control).c_str());
      }
      InvalidateRect(host, nullptr, FALSE);
    }
    return false;
  }
  switch (change) {
    case ControlView::Change::Visible:
      if (control.kind() != Kind::Page) ShowWindow(window, control.Visible() ? SW_SHOWNA : SW_HIDE);
      break;
    case ControlView::Change::Text:
      SetWindowTextW(window, control.Text().c_str());
      break;
    case ControlView::Change::Checked:
      SendMessageW(window, BM_SETCHECK, control.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      if (control.kind() == Kind::Radio) {
        LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
        style =
            control.TabStop() ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
        SetWindowLongPtrW(window, GWL_STYLE, style);
      }
      break;
    case ControlView::Change::Font:
      SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(layout_.FontOf(control)), TRUE);
      InvalidateRect(window, nullptr, TRUE);
      break;
  }
  return true;
}

void ControlWindows::ApplyLayout() {
  SendMessageW(form_, WM_SETFONT, reinterpret_cast<WPARAM>(layout_.FormFont()), FALSE);
  for (const auto& [control, window] : windows_) {
    const Rect& b = control->bounds();
    SetWindowPos(window, nullptr, b.left, b.top, b.width, b.height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(layout_.FontOf(*control)), FALSE);
  }
  for (const auto& [control, host] : hosts_) {
    const Rect& b = control->bounds();
    SetWindowPos(host, nullptr, b.left, b.top, b.width, b.height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
}

TControl* ControlWindows::ControlOf(HWND window) const {
  const auto found = controls_by_window_.find(window);
  return found == controls_by_window_.end() ? nullptr : found->second;
}

HWND ControlWindows::WindowOf(const TControl* control) const {
  if (!control) return form_;
  const auto found = windows_.find(control);
  return found == windows_.end() ? nullptr : found->second;
}

HWND ControlWindows::HostOf(const TControl* control) const {
  const auto found = hosts_.find(control);
  return found == hosts_.end() ? nullptr : found->second;
}

const std::vector<TControl*>& ControlWindows::ChildrenOf(HWND window) const {
  const TControl* owner = ControlOf(window);
  return owner ? owner->children() : controls_.top();
}

}  // namespace tolvane
