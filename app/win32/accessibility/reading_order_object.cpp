#include "reading_order_object.h"

#include "accessible_variants.h"
#include "oleacc_library.h"

namespace tolvane {

ReadingOrderObject::ReadingOrderObject(ReadingOrder& order, const TControl& element, HWND window,
                                       IAccessible* target, PaintedAccessible* container,
                                       bool hosted)
    : order_(order),
      element_(element),
      window_(window),
      target_(target),
      container_(container),
      hosted_(hosted) {
  target_->AddRef();
}

ReadingOrderObject* ReadingOrderObject::OverWindowObject(ReadingOrder& order,
                                                         const TControl& element, HWND window,
                                                         IAccessible* system) {
  return new ReadingOrderObject(order, element, window, system, nullptr, false);
}

ReadingOrderObject* ReadingOrderObject::OverPainted(ReadingOrder& order, const TControl& element,
                                                    PaintedAccessible& container,
                                                    HWND container_window, HWND host) {
  return new ReadingOrderObject(order, element, host ? host : container_window, &container,
                                &container, host != nullptr);
}

ReadingOrderObject::~ReadingOrderObject() { Disconnect(); }

void ReadingOrderObject::Disconnect() {
  if (target_) target_->Release();
  target_ = nullptr;
}

// A painted element without a window has no identity among the system's objects.
HRESULT ReadingOrderObject::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if ((!container_ || hosted_) && IsEqualIID(iid, kIidAccIdentity)) {
    *object = static_cast<IAccIdentity*>(this);
    AddRef();
    return S_OK;
  }
  return AccessibleBase::QueryInterface(iid, object);
}

HRESULT ReadingOrderObject::GetIdentityString(DWORD child, BYTE** identity, DWORD* length) {
  if (!identity || !length) return E_POINTER;
  *identity = nullptr;
  *length = 0;
  if (!target_) return CO_E_OBJNOTCONNECTED;
  if (container_) {
    // The identity the system gives its own client object of that window, which has no children.
    if (child != CHILDID_SELF) return E_INVALIDARG;
    const OleaccLibrary* oleacc = OleaccLibrary::Get();
    IAccPropServices* services = nullptr;
    if (!oleacc || FAILED(oleacc->CoCreateInstance(kClsidAccPropServices, nullptr,
                                                   CLSCTX_INPROC_SERVER, kIidAccPropServices,
                                                   reinterpret_cast<void**>(&services)))) {
      return E_NOTIMPL;
    }
    const HRESULT result = services->ComposeHwndIdentityString(
        window_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, identity, length);
    services->Release();
    return result;
  }
  IAccIdentity* system = nullptr;
  if (FAILED(target_->QueryInterface(kIidAccIdentity, reinterpret_cast<void**>(&system)))) {
    return E_NOTIMPL;
  }
  const HRESULT result = system->GetIdentityString(child, identity, length);
  system->Release();
  return result;
}

bool ReadingOrderObject::Target(const VARIANT& child, VARIANT* id) const {
  long asked = 0;
  if (!ChildIdOf(child, &asked)) return false;
  if (container_) {
    // The element's place among its container's elements now; -1 when it no longer shows, which
    // the container refuses.
    *id = Long(asked == CHILDID_SELF ? container_->ChildIdOf(&element_) : -1);
  } else {
    *id = Long(asked);
  }
  return true;
}

HRESULT ReadingOrderObject::accNavigate(long direction, VARIANT start, VARIANT* end) {
  if (!end) return E_POINTER;
  *end = Empty();
  long from = 0;
  if (!target_) return CO_E_OBJNOTCONNECTED;
  if (!ChildIdOf(start, &from)) return E_INVALIDARG;
  // From a window object itself its neighbours are window objects; from its client object, which
  // the system's client object asks its window object for, and from a painted element, they are
  // the client objects a reader reads.
  if ((direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS) &&
      (from == CHILDID_SELF || (!container_ && from == OBJID_CLIENT))) {
    const bool window_level = !container_ && from == CHILDID_SELF;
    return order_.Neighbour(element_, direction, window_level ? OBJID_WINDOW : OBJID_CLIENT, end);
  }
  // A painted element has no children, and its container's own moves are by child id.
  if (container_) return from == CHILDID_SELF ? DISP_E_MEMBERNOTFOUND : E_INVALIDARG;
  return target_->accNavigate(direction, start, end);
}

// A painted element's parent is its window's object, or its container while it has no window;
// the system's objects know their own.
HRESULT ReadingOrderObject::get_accParent(IDispatch** parent) {
  if (!parent) return E_POINTER;
  *parent = nullptr;
  if (!target_) return CO_E_OBJNOTCONNECTED;
  if (!container_) return target_->get_accParent(parent);
  if (hosted_) {
    const OleaccLibrary* oleacc = OleaccLibrary::Get();
    return oleacc
               ? oleacc->AccessibleObjectFromWindow(window_, static_cast<DWORD>(OBJID_WINDOW),
                                                    IID_IDispatch, reinterpret_cast<void**>(parent))
               : E_FAIL;
  }
  container_->AddRef();
  *parent = static_cast<IAccessible*>(container_);
  return S_OK;
}

HRESULT ReadingOrderObject::get_accChildCount(long* count) {
  if (!count) return E_POINTER;
  *count = 0;
  if (!target_) return CO_E_OBJNOTCONNECTED;
  return container_ ? S_OK : target_->get_accChildCount(count);
}

HRESULT ReadingOrderObject::get_accChild(VARIANT child, IDispatch** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (container_) return target_ ? E_INVALIDARG : CO_E_OBJNOTCONNECTED;
  return Ask(child, [&](VARIANT id) { return target_->get_accChild(id, object); });
}

HRESULT ReadingOrderObject::get_accFocus(VARIANT* focus) {
  if (!focus) return E_POINTER;
  *focus = Empty();
  if (!target_) return CO_E_OBJNOTCONNECTED;
  return container_ ? S_FALSE : target_->get_accFocus(focus);
}

HRESULT ReadingOrderObject::get_accSelection(VARIANT* selection) {
  if (!selection) return E_POINTER;
  *selection = Empty();
  if (!target_) return CO_E_OBJNOTCONNECTED;
  return container_ ? S_FALSE : target_->get_accSelection(selection);
}

// A point on a painted element is the element itself; elsewhere it is not on it.
HRESULT ReadingOrderObject::accHitTest(long left, long top, VARIANT* child) {
  if (!child) return E_POINTER;
  *child = Empty();
  if (!target_) return CO_E_OBJNOTCONNECTED;
  if (!container_) return target_->accHitTest(left, top, child);
  long x = 0, y = 0, width = 0, height = 0;
  if (accLocation(&x, &y, &width, &height, Self()) != S_OK) return S_FALSE;
  if (left < x || top < y || left >= x + width || top >= y + height) return S_FALSE;
  *child = Self();
  return S_OK;
}

HRESULT ReadingOrderObject::get_accName(VARIANT child, BSTR* name) {
  return Ask(child, [&](VARIANT id) { return target_->get_accName(id, name); });
}
HRESULT ReadingOrderObject::get_accValue(VARIANT child, BSTR* value) {
  return Ask(child, [&](VARIANT id) { return target_->get_accValue(id, value); });
}
HRESULT ReadingOrderObject::get_accDescription(VARIANT child, BSTR* description) {
  return Ask(child, [&](VARIANT id) { return target_->get_accDescription(id, description); });
}
HRESULT ReadingOrderObject::get_accRole(VARIANT child, VARIANT* role) {
  return Ask(child, [&](VARIANT id) { return target_->get_accRole(id, role); });
}
HRESULT ReadingOrderObject::get_accState(VARIANT child, VARIANT* state) {
  return Ask(child, [&](VARIANT id) { return target_->get_accState(id, state); });
}
HRESULT ReadingOrderObject::get_accHelp(VARIANT child, BSTR* help) {
  return Ask(child, [&](VARIANT id) { return target_->get_accHelp(id, help); });
}
HRESULT ReadingOrderObject::get_accHelpTopic(BSTR* file, VARIANT child, long* topic) {
  return Ask(child, [&](VARIANT id) { return target_->get_accHelpTopic(file, id, topic); });
}
HRESULT ReadingOrderObject::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
  return Ask(child, [&](VARIANT id) { return target_->get_accKeyboardShortcut(id, shortcut); });
}
HRESULT ReadingOrderObject::get_accDefaultAction(VARIANT child, BSTR* action) {
  return Ask(child, [&](VARIANT id) { return target_->get_accDefaultAction(id, action); });
}
HRESULT ReadingOrderObject::accSelect(long flags, VARIANT child) {
  return Ask(child, [&](VARIANT id) { return target_->accSelect(flags, id); });
}
HRESULT ReadingOrderObject::accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) {
  return Ask(child, [&](VARIANT id) { return target_->accLocation(left, top, width, height, id); });
}
HRESULT ReadingOrderObject::accDoDefaultAction(VARIANT child) {
  return Ask(child, [&](VARIANT id) { return target_->accDoDefaultAction(id); });
}
HRESULT ReadingOrderObject::put_accName(VARIANT child, BSTR name) {
  return Ask(child, [&](VARIANT id) { return target_->put_accName(id, name); });
}
HRESULT ReadingOrderObject::put_accValue(VARIANT child, BSTR value) {
  return Ask(child, [&](VARIANT id) { return target_->put_accValue(id, value); });
}

}  // namespace tolvane
