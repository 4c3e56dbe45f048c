#include "painted_accessible.h"

#include <algorithm>

#include "accessible_variants.h"
#include "oleacc_library.h"

namespace tolvane {

PaintedAccessible::PaintedAccessible(AccessibleHost& host, ReadingOrder& order, HWND window)
    : host_(&host), order_(order), window_(window) {}

std::vector<TControl*> PaintedAccessible::Elements() const {
  std::vector<TControl*> elements;
  if (!host_ || !IsWindowVisible(window_)) return elements;
  TControl* own = Own();
  // A page is named after its heading (its own caption, or its first label), which is therefore
  // no element of it: a reader entering the page says it once.
  if (own && own->kind() == Kind::Page && own != host_->SeenPage()) return elements;
  const TControl* heading = own ? HeadingLabel(*own) : nullptr;
  for (TControl* control : host_->ChildrenOf(window_)) {
    const bool shown =
        control->kind() == Kind::Page ? control == host_->SeenPage() : control->Visible();
    if (shown && control != heading && !IsDecoration(*control)) elements.push_back(control);
  }
  return elements;
}

long PaintedAccessible::ChildIdOf(const TControl* element) const {
  const std::vector<TControl*> elements = Elements();
  const auto found = std::find(elements.begin(), elements.end(), element);
  return found == elements.end() ? -1 : static_cast<long>(found - elements.begin()) + 1;
}

bool PaintedAccessible::Resolve(const VARIANT& child, TControl** element) const {
  *element = nullptr;
  long id = 0;
  if (!host_ || !tolvane::ChildIdOf(child, &id)) return false;
  if (id == CHILDID_SELF) return true;
  const std::vector<TControl*> elements = Elements();
  if (id < 1 || static_cast<std::size_t>(id) > elements.size()) return false;
  *element = elements[static_cast<std::size_t>(id) - 1];
  return true;
}

IAccessible* PaintedAccessible::WindowedChild(const VARIANT& child) const {
  TControl* element = nullptr;
  if (!Resolve(child, &element) || !element || IsPainted(element->kind())) return nullptr;
  HWND window = ElementWindow(*element);
  IDispatch* dispatch = nullptr;
  if (!window || FAILED(WindowObject(window, &dispatch))) return nullptr;
  IAccessible* object = nullptr;
  dispatch->QueryInterface(kIidAccessible, reinterpret_cast<void**>(&object));
  dispatch->Release();
  return object;
}

HRESULT PaintedAccessible::ElementAt(const std::vector<TControl*>& elements, long index,
                                     VARIANT* child) const {
  if (index < 0 || static_cast<std::size_t>(index) >= elements.size()) return S_FALSE;
  if (HWND window = ElementWindow(*elements[static_cast<std::size_t>(index)])) {
    return WindowObjectAt(window, OBJID_CLIENT, child);
  }
  *child = Long(index + 1);
  return S_OK;
}

HWND PaintedAccessible::ElementWindow(const TControl& element) const {
  HWND window = host_->WindowOf(&element);
  return window == window_ ? nullptr : window;
}

HRESULT PaintedAccessible::WindowObject(HWND window, IDispatch** object) const {
  const OleaccLibrary* oleacc = OleaccLibrary::Get();
  if (!oleacc) return E_FAIL;
  return oleacc->AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                            reinterpret_cast<void**>(object));
}

BSTR PaintedAccessible::Text(const std::wstring& text) const {
  const OleaccLibrary* oleacc = OleaccLibrary::Get();
  return oleacc ? oleacc->SysAllocString(text.c_str()) : nullptr;
}

HRESULT PaintedAccessible::get_accParent(IDispatch** parent) {
  if (!parent) return E_POINTER;
  *parent = nullptr;
  if (!host_) return CO_E_OBJNOTCONNECTED;
  return WindowObject(window_, parent);
}

HRESULT PaintedAccessible::get_accChildCount(long* count) {
  if (!count) return E_POINTER;
  if (!host_) return CO_E_OBJNOTCONNECTED;
  *count = static_cast<long>(Elements().size());
  return S_OK;
}

// A child with a window of its own is an object of its own, as the system describes it; a painted
// child is a simple element, named by its id.
HRESULT PaintedAccessible::get_accChild(VARIANT child, IDispatch** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  TControl* element = nullptr;
  if (!Resolve(child, &element) || !element) return E_INVALIDARG;
  HWND window = ElementWindow(*element);
  return window ? WindowObject(window, object) : S_FALSE;
}

HRESULT PaintedAccessible::get_accFocus(VARIANT* focus) {
  if (!focus) return E_POINTER;
  *focus = Empty();
  if (!host_) return CO_E_OBJNOTCONNECTED;
  HWND focused = GetFocus();
  if (focused == window_) {
    *focus = Self();
    return S_OK;
  }
  for (TControl* element : Elements()) {
    HWND window = ElementWindow(*element);
    if (window && (window == focused || IsChild(window, focused))) {
      return WindowObjectAt(window, OBJID_WINDOW, focus);
    }
  }
  return S_FALSE;
}

// Logical moves over the elements in the order of the children: into the object from itself, from
// one element to the next, and from the object itself to its neighbours in the reading order of
// its own container. Moving by the screen's directions is left to the window objects above it.
HRESULT PaintedAccessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
  if (!end) return E_POINTER;
  *end = Empty();
  TControl* element = nullptr;
  if (!Resolve(start, &element)) return E_INVALIDARG;
  const std::vector<TControl*> elements = Elements();
  const long count = static_cast<long>(elements.size());
  switch (direction) {
    case NAVDIR_FIRSTCHILD:
    case NAVDIR_LASTCHILD:
      if (element) return E_INVALIDARG;  // a simple element has no children
      return ElementAt(elements, direction == NAVDIR_FIRSTCHILD ? 0 : count - 1, end);
    case NAVDIR_NEXT:
    case NAVDIR_PREVIOUS: {
      if (!element) return FromSelf(direction, end);
      const long index = static_cast<long>(std::find(elements.begin(), elements.end(), element) -
                                           elements.begin());
      return ElementAt(elements, direction == NAVDIR_NEXT ? index + 1 : index - 1, end);
    }
    default:
      return element ? DISP_E_MEMBERNOTFOUND : FromSelf(direction, end);
  }
}

HRESULT PaintedAccessible::FromSelf(long direction, VARIANT* end) const {
  const TControl* own = Own();
  if (own && (direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS)) {
    return order_.Neighbour(*own, direction, OBJID_CLIENT, end);
  }
  IDispatch* dispatch = nullptr;
  if (FAILED(WindowObject(window_, &dispatch))) return DISP_E_MEMBERNOTFOUND;
  IAccessible* object = nullptr;
  const HRESULT asked =
      dispatch->QueryInterface(kIidAccessible, reinterpret_cast<void**>(&object));
  dispatch->Release();
  if (FAILED(asked)) return DISP_E_MEMBERNOTFOUND;
  const HRESULT result = object->accNavigate(direction, Long(CHILDID_SELF), end);
  object->Release();
  return result;
}

HRESULT PaintedAccessible::accHitTest(long left, long top, VARIANT* child) {
  if (!child) return E_POINTER;
  *child = Empty();
  if (!host_) return CO_E_OBJNOTCONNECTED;
  POINT point = {left, top};
  ScreenToClient(window_, &point);
  RECT client;
  GetClientRect(window_, &client);
  if (!IsWindowVisible(window_) || !PtInRect(&client, point)) return S_FALSE;
  const std::vector<TControl*> elements = Elements();
  // Later elements lie above earlier ones where they overlap.
  for (std::size_t i = elements.size(); i-- > 0;) {
    const Rect& b = elements[i]->bounds();
    const RECT r = {b.left, b.top, b.left + b.width, b.top + b.height};
    if (!PtInRect(&r, point)) continue;
    if (HWND window = ElementWindow(*elements[i])) return WindowObjectAt(window, OBJID_WINDOW, child);
    *child = Long(static_cast<long>(i) + 1);
    return S_OK;
  }
  *child = Self();
  return S_OK;
}

}  // namespace tolvane
