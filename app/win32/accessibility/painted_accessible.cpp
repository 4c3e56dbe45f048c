#include "painted_accessible.h"

#include "oleacc_library.h"
#include "painter.h"

namespace tolvane {
namespace {

const wchar_t* PictureName(Asset asset) {
  switch (asset) {
    case Asset::Banner:
      return L"Tolvane Chat";
    case Asset::Apache:
      return L"Apache";
    case Asset::Wowza:
      return L"Wowza";
    case Asset::Red5:
      return L"Red5";
    case Asset::Php:
      return L"PHP";
    case Asset::DotNet:
      return L".NET";
    case Asset::Java:
      return L"Java";
    default:
      return L"";
  }
}

VARIANT Long(long value) {
  VARIANT variant;
  variant.vt = VT_I4;
  variant.lVal = value;
  return variant;
}

VARIANT Empty() {
  VARIANT variant;
  variant.vt = VT_EMPTY;
  return variant;
}

VARIANT Self() { return Long(CHILDID_SELF); }

// The answer for a text property the painted elements do not have.
HRESULT NoText(BSTR* text, HRESULT answer) {
  if (!text) return E_POINTER;
  *text = nullptr;
  return answer;
}

}  // namespace

PaintedAccessible::PaintedAccessible(AccessibleHost& host, HWND window)
    : host_(&host), window_(window) {}

HRESULT PaintedAccessible::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      IsEqualIID(iid, kIidAccessible)) {
    *object = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG PaintedAccessible::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG PaintedAccessible::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT PaintedAccessible::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}
HRESULT PaintedAccessible::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT PaintedAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}
HRESULT PaintedAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                  UINT*) {
  return E_NOTIMPL;
}

std::vector<TControl*> PaintedAccessible::Elements() const {
  std::vector<TControl*> elements;
  if (!host_ || !IsWindowVisible(window_)) return elements;
  TControl* own = host_->ControlOf(window_);
  if (own && own->kind() == Kind::Page) {
    if (own != host_->SeenPage()) return elements;
    if (PaintsCaption(*own)) elements.push_back(own);
  }
  for (TControl* control : host_->ChildrenOf(window_)) {
    const bool shown =
        control->kind() == Kind::Page ? control == host_->SeenPage() : control->Visible();
    if (shown && control->kind() != Kind::Bevel) elements.push_back(control);
  }
  return elements;
}

bool PaintedAccessible::Resolve(const VARIANT& child, TControl** element) const {
  *element = nullptr;
  if (!host_ || child.vt != VT_I4) return false;
  if (child.lVal == CHILDID_SELF) return true;
  const std::vector<TControl*> elements = Elements();
  if (child.lVal < 1 || static_cast<std::size_t>(child.lVal) > elements.size()) return false;
  *element = elements[static_cast<std::size_t>(child.lVal) - 1];
  return true;
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

HRESULT PaintedAccessible::WindowChild(HWND window, VARIANT* child) const {
  IDispatch* object = nullptr;
  if (FAILED(WindowObject(window, &object))) return S_FALSE;
  child->vt = VT_DISPATCH;
  child->pdispVal = object;
  return S_OK;
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

HRESULT PaintedAccessible::get_accName(VARIANT child, BSTR* name) {
  if (!name) return E_POINTER;
  *name = nullptr;
  TControl* element = nullptr;
  if (!Resolve(child, &element)) return E_INVALIDARG;
  if (!element) {
    TControl* own = host_->ControlOf(window_);
    if (!own) {  // the form: its caption
      wchar_t caption[256] = {};
      GetWindowTextW(window_, caption, static_cast<int>(std::size(caption)));
      *name = Text(caption);
    } else if (own->kind() == Kind::GroupBox) {
      *name = Text(own->Text());
    }
    return *name ? S_OK : S_FALSE;
  }
  if (ElementWindow(*element)) return S_FALSE;
  *name =
      Text(element->kind() == Kind::Picture ? PictureName(element->row().asset) : element->Text());
  return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT PaintedAccessible::get_accValue(VARIANT, BSTR* value) {
  return NoText(value, DISP_E_MEMBERNOTFOUND);
}

HRESULT PaintedAccessible::get_accDescription(VARIANT, BSTR* description) {
  return NoText(description, S_FALSE);
}

HRESULT PaintedAccessible::get_accRole(VARIANT child, VARIANT* role) {
  if (!role) return E_POINTER;
  *role = Empty();
  TControl* element = nullptr;
  if (!Resolve(child, &element)) return E_INVALIDARG;
  if (!element) {
    const TControl* own = host_->ControlOf(window_);
    *role = Long(own && own->kind() == Kind::GroupBox ? ROLE_SYSTEM_GROUPING : ROLE_SYSTEM_CLIENT);
    return S_OK;
  }
  if (ElementWindow(*element)) return S_FALSE;
  switch (element->kind()) {
    case Kind::Link:
      *role = Long(ROLE_SYSTEM_LINK);
      break;
    case Kind::Picture:
      *role = Long(ROLE_SYSTEM_GRAPHIC);
      break;
    default:
      *role = Long(ROLE_SYSTEM_STATICTEXT);
      break;
  }
  return S_OK;
}

HRESULT PaintedAccessible::get_accState(VARIANT child, VARIANT* state) {
  if (!state) return E_POINTER;
  *state = Empty();
  TControl* element = nullptr;
  if (!Resolve(child, &element)) return E_INVALIDARG;
  long flags = 0;
  if (!element) {
    if (!IsWindowVisible(window_)) flags |= STATE_SYSTEM_INVISIBLE;
    if (!IsWindowEnabled(window_)) flags |= STATE_SYSTEM_UNAVAILABLE;
    if (!host_->ControlOf(window_)) flags |= STATE_SYSTEM_FOCUSABLE;
    if (GetFocus() == window_) flags |= STATE_SYSTEM_FOCUSED;
  } else if (ElementWindow(*element)) {
    return S_FALSE;
  } else {
    flags = element->kind() == Kind::Link ? STATE_SYSTEM_LINKED : STATE_SYSTEM_READONLY;
    if (!element->Enabled()) flags |= STATE_SYSTEM_UNAVAILABLE;
  }
  *state = Long(flags);
  return S_OK;
}

HRESULT PaintedAccessible::get_accHelp(VARIANT, BSTR* help) { return NoText(help, S_FALSE); }

HRESULT PaintedAccessible::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
  if (file) *file = nullptr;
  if (topic) *topic = -1;
  return S_FALSE;
}

HRESULT PaintedAccessible::get_accKeyboardShortcut(VARIANT, BSTR* shortcut) {
  return NoText(shortcut, S_FALSE);
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
      return WindowChild(window, focus);
    }
  }
  return S_FALSE;
}

HRESULT PaintedAccessible::get_accSelection(VARIANT* selection) {
  if (!selection) return E_POINTER;
  *selection = Empty();
  return S_FALSE;
}

HRESULT PaintedAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
  if (!action) return E_POINTER;
  *action = nullptr;
  TControl* element = nullptr;
  if (!Resolve(child, &element)) return E_INVALIDARG;
  if (!element || element->kind() != Kind::Link || ElementWindow(*element)) return S_FALSE;
  *action = Text(L"Jump");
  return S_OK;
}

HRESULT PaintedAccessible::accSelect(long, VARIANT) { return DISP_E_MEMBERNOTFOUND; }

HRESULT PaintedAccessible::accLocation(long* left, long* top, long* width, long* height,
                                       VARIANT child) {
  if (!left || !top || !width || !height) return E_POINTER;
  TControl* element = nullptr;
  if (!Resolve(child, &element)) return E_INVALIDARG;
  RECT r = {};
  if (!element) {
    GetClientRect(window_, &r);
  } else if (ElementWindow(*element)) {
    return S_FALSE;
  } else if (element == host_->ControlOf(window_)) {  // the caption a page paints across itself
    GetClientRect(window_, &r);
  } else {
    const Rect& b = element->bounds();
    r = {b.left, b.top, b.left + b.width, b.top + b.height};
  }
  MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
  *left = r.left;
  *top = r.top;
  *width = r.right - r.left;
  *height = r.bottom - r.top;
  return S_OK;
}

HRESULT PaintedAccessible::accNavigate(long, VARIANT, VARIANT* end) {
  if (!end) return E_POINTER;
  *end = Empty();
  return DISP_E_MEMBERNOTFOUND;
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
    if (elements[i] == host_->ControlOf(window_) || !PtInRect(&r, point)) continue;
    if (HWND window = ElementWindow(*elements[i])) return WindowChild(window, child);
    *child = Long(static_cast<long>(i) + 1);
    return S_OK;
  }
  *child = Self();
  return S_OK;
}

HRESULT PaintedAccessible::accDoDefaultAction(VARIANT child) {
  TControl* element = nullptr;
  if (!Resolve(child, &element)) return E_INVALIDARG;
  if (!element || element->kind() != Kind::Link || ElementWindow(*element)) {
    return DISP_E_MEMBERNOTFOUND;
  }
  if (!element->Enabled()) return E_FAIL;
  host_->ClickLater(*element);
  return S_OK;
}

HRESULT PaintedAccessible::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }
HRESULT PaintedAccessible::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }

}  // namespace tolvane
