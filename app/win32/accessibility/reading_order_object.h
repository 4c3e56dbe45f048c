// An element's own object as the reading order needs it: the system's window object of a child
// window (a standard control, a page, a group box), or a painted text, picture or link as an
// object of its own. It answers as the object it stands for, which it asks of the system's object
// or of its container's; only next and previous from itself follow the reading order of its
// container, so that a screen reader moving from any control reaches the painted texts too.
#pragma once

#include <oleacc.h>
#include <windows.h>

#include "accessible_base.h"
#include "controls.h"
#include "painted_accessible.h"

namespace tolvane {

// A window object tells clients which object it stands for (IAccIdentity), as the system's does:
// the system's own identity, so that readers take it for the window it is; so does the client
// object of a painted element's window, as its window's client object.
class ReadingOrderObject final : public AccessibleBase, public IAccIdentity {
 public:
  // The system's window object `system` of `element`'s `window`.
  static ReadingOrderObject* OverWindowObject(ReadingOrder& order, const TControl& element,
                                              HWND window, IAccessible* system);
  // A painted `element` of `container`'s object; with `host`, the client object of the window that
  // stands for it, whose parent is that window's object, as for any window's client object.
  static ReadingOrderObject* OverPainted(ReadingOrder& order, const TControl& element,
                                         PaintedAccessible& container, HWND container_window,
                                         HWND host);

  void Disconnect() override;

  // IUnknown, for both interfaces
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AccessibleBase::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return AccessibleBase::Release(); }
  // IAccIdentity
  HRESULT STDMETHODCALLTYPE GetIdentityString(DWORD child, BYTE** identity,
                                              DWORD* length) override;

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
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

 private:
  ReadingOrderObject(ReadingOrder& order, const TControl& element, HWND window,
                     IAccessible* target, PaintedAccessible* container, bool hosted);
  ~ReadingOrderObject() override;
  HWND OwnWindow() const override { return target_ ? window_ : nullptr; }

  // What the object answers for `child`: for itself, the element as its target knows it (the
  // system's object itself, or the element's child id in its container); a painted element has
  // no children. False when the object is disconnected or `child` is none of these.
  bool Target(const VARIANT& child, VARIANT* id) const;
  template <typename Call>
  HRESULT Ask(const VARIANT& child, Call call) const {
    VARIANT id;
    if (!target_) return CO_E_OBJNOTCONNECTED;
    if (!Target(child, &id)) return E_INVALIDARG;
    return call(id);
  }

  ReadingOrder& order_;
  const TControl& element_;
  HWND window_;
  // The system's object, or the container's for a painted element; nullptr once disconnected.
  IAccessible* target_;
  PaintedAccessible* container_;
  // A painted element's object that is the client object of the window standing for it.
  bool hosted_;
};

}  // namespace tolvane
