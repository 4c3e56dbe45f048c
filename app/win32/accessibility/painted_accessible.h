// What screen readers are told of a window that paints part of its content itself: the form, a
// page or a group box. Its standard controls are child windows, which the system describes; the
// labels, links, pictures and the waiting page's caption that the window paints are elements of
// its own accessible object, in the layout's order, which is the page's reading order. Once
// screen readers are served, a painted element is listed by the window that stands for it, as a
// control is, and still answered here.
#pragma once

#include <oleacc.h>
#include <windows.h>

#include <string>
#include <vector>

#include "accessible_base.h"
#include "controls.h"

namespace tolvane {

// What the accessible objects ask of the window binding they describe.
class AccessibleHost {
 public:
  virtual ~AccessibleHost() = default;
  // The control behind a window of the form; nullptr for the form itself.
  virtual TControl* ControlOf(HWND window) const = 0;
  // A control's window: its own, or the one that stands for a painted control once readers are
  // served; nullptr when it has none.
  virtual HWND WindowOf(const TControl* control) const = 0;
  // A reader may be reading: from now on the painted controls have windows too, which place them
  // among the controls for clients that list child windows (UI Automation's tree).
  virtual void ServeReaders() = 0;
  virtual const std::vector<TControl*>& ChildrenOf(HWND window) const = 0;
  // The page the user sees; the others are hidden or lie under it.
  virtual const TControl* SeenPage() const = 0;
  // Clicks a link as the user's click would, once the accessibility client's call has returned.
  virtual void ClickLater(TControl& link) = 0;
  // The keys that reach a painted link from the keyboard alone ("Alt+Space, H"), or none.
  virtual std::wstring KeyboardShortcut(const TControl& link) const = 0;
};

// Next and previous from an element's own object (a standard control's, a group box's, a page's,
// a painted text's): its neighbour in its container's reading order. The system's objects know
// only sibling windows, and would skip the painted texts between them.
class ReadingOrder {
 public:
  // The element after or before `from` among its container's elements, as an object of its own:
  // for one with a window, that window's object at `level` (OBJID_CLIENT or OBJID_WINDOW). S_FALSE
  // and VT_EMPTY at either end, or when `from` does not show.
  virtual HRESULT Neighbour(const TControl& from, long direction, LONG level, VARIANT* end) = 0;

 protected:
  ~ReadingOrder() = default;
};

class PaintedAccessible final : public AccessibleBase {
 public:
  PaintedAccessible(AccessibleHost& host, ReadingOrder& order, HWND window);

  void Disconnect() override { host_ = nullptr; }

  // The elements a client sees, child ids 1..n: the window's showing children in the layout's
  // order (decoration is left out; a page's heading is its name). Of the form's pages
  // only the seen one; a page that is not seen has none.
  std::vector<TControl*> Elements() const;
  // The child id of `element` among them; -1, which no client may pass, when it is none.
  long ChildIdOf(const TControl* element) const;

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
  HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) override;
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override;
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override;

 private:
  ~PaintedAccessible() override = default;
  HWND OwnWindow() const override { return host_ ? window_ : nullptr; }

  // The element a child id names; nullptr for CHILDID_SELF. False for an id out of range or a
  // disconnected object.
  bool Resolve(const VARIANT& child, TControl** element) const;
  // The object of the element `child` names when it is a window of its own, such as a standard
  // control (the caller releases it): a property asked of it by its child id is asked of that
  // object itself. A painted element's window stands for it: its properties are answered here.
  IAccessible* WindowedChild(const VARIANT& child) const;
  // Asks `ask` of the object of a child with a window of its own into `result`; false when
  // `child` names no such child.
  template <typename Ask>
  bool AskWindowedChild(const VARIANT& child, HRESULT* result, Ask ask) const {
    IAccessible* object = WindowedChild(child);
    if (!object) return false;
    *result = ask(object);
    object->Release();
    return true;
  }
  // The element at `index` of `elements` as a move reaches it: a child id, or its window's client
  // object (a reader that moves on asks the element's own object).
  HRESULT ElementAt(const std::vector<TControl*>& elements, long index, VARIANT* child) const;
  // The form, a page or a group box: what the object itself is.
  TControl* Own() const { return host_->ControlOf(window_); }
  // The element's own window when it has one: a standard control or a group box.
  HWND ElementWindow(const TControl& element) const;
  HRESULT WindowObject(HWND window, IDispatch** object) const;
  // A move from the object itself to its neighbours: in its container's reading order for a page
  // or a group box, asked of the system's window object for the form.
  HRESULT FromSelf(long direction, VARIANT* end) const;
  BSTR Text(const std::wstring& text) const;

  AccessibleHost* host_;
  ReadingOrder& order_;
  HWND window_;
};

}  // namespace tolvane
