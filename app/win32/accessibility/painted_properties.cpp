// What the painted elements, and the objects of the windows that paint them, tell of themselves:
// name, role, state, location and the default action of a link.
#include <iterator>

#include "accessible_variants.h"
#include "oleacc_library.h"
#include "painted_accessible.h"

namespace tolvane {
namespace {

// The answer for a text property the painted elements do not have.
HRESULT NoText(BSTR* text, HRESULT answer) {
  if (!text) return E_POINTER;
  *text = nullptr;
  return answer;
}

}  // namespace

HRESULT PaintedAccessible::get_accName(VARIANT child, BSTR* name) {
  if (!name) return E_POINTER;
  *name = nullptr;
  HRESULT asked = S_OK;
  if (AskWindowedChild(child, &asked, [&](IAccessible* o) { return o->get_accName(Self(), name); }))
    return asked;
  TControl* element = nullptr;
  if (!Resolve(child, &element)) return E_INVALIDARG;
  if (!element) {
    const TControl* own = Own();
    if (!own) {  // the form: its caption
      wchar_t caption[256] = {};
      GetWindowTextW(window_, caption, static_cast<int>(std::size(caption)));
      *name = Text(caption);
    } else if (own->kind() == Kind::GroupBox) {
      *name = Text(own->Text());
    } else if (own->kind() == Kind::Page) {
      *name = Text(PageHeading(*own));
    }
    return *name ? S_OK : S_FALSE;
  }
  *name = Text(PaintedName(*element));
  return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT PaintedAccessible::get_accValue(VARIANT child, BSTR* value) {
  HRESULT asked = S_OK;
  if (value && AskWindowedChild(child, &asked, [&](IAccessible* o) {
        *value = nullptr;
        return o->get_accValue(Self(), value);
      }))
    return asked;
  return NoText(value, DISP_E_MEMBERNOTFOUND);
}

HRESULT PaintedAccessible::get_accDescription(VARIANT child, BSTR* description) {
  HRESULT asked = S_OK;
  if (description && AskWindowedChild(child, &asked, [&](IAccessible* o) {
        *description = nullptr;
        return o->get_accDescription(Self(), description);
      }))
    return asked;
  return NoText(description, S_FALSE);
}

HRESULT PaintedAccessible::get_accRole(VARIANT child, VARIANT* role) {
  if (!role) return E_POINTER;
  *role = Empty();
  HRESULT asked = S_OK;
  if (AskWindowedChild(child, &asked, [&](IAccessible* o) { return o->get_accRole(Self(), role); }))
    return asked;
  TControl* element = nullptr;
  if (!Resolve(child, &element)) return E_INVALIDARG;
  if (!element) {
    const TControl* own = Own();
    long kind = ROLE_SYSTEM_CLIENT;  // the form
    if (own) kind = own->kind() == Kind::GroupBox ? ROLE_SYSTEM_GROUPING : ROLE_SYSTEM_PROPERTYPAGE;
    *role = Long(kind);
    return S_OK;
  }
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
  HRESULT asked = S_OK;
  if (AskWindowedChild(child, &asked,
                       [&](IAccessible* o) { return o->get_accState(Self(), state); }))
    return asked;
  TControl* element = nullptr;
  if (!Resolve(child, &element)) return E_INVALIDARG;
  long flags = 0;
  if (!element) {
    const TControl* own = Own();
    if (!IsWindowVisible(window_)) flags |= STATE_SYSTEM_INVISIBLE;
    // A page under the one seen is visible to the system but not to the user.
    if (own && own->kind() == Kind::Page && own != host_->SeenPage()) {
      flags |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
    }
    if (!IsWindowEnabled(window_)) flags |= STATE_SYSTEM_UNAVAILABLE;
    // The form, and a page that holds the focus itself (the waiting page), take it.
    if (!own || GetFocus() == window_) flags |= STATE_SYSTEM_FOCUSABLE;
    if (GetFocus() == window_) flags |= STATE_SYSTEM_FOCUSED;
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

// The painted links are reached from the keyboard through the window's system menu.
HRESULT PaintedAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
  if (!shortcut) return E_POINTER;
  *shortcut = nullptr;
  HRESULT asked = S_OK;
  if (AskWindowedChild(child, &asked, [&](IAccessible* o) {
        return o->get_accKeyboardShortcut(Self(), shortcut);
      }))
    return asked;
  TControl* element = nullptr;
  if (!Resolve(child, &element)) return E_INVALIDARG;
  const std::wstring keys = element ? host_->KeyboardShortcut(*element) : L"";
  if (keys.empty()) return S_FALSE;
  *shortcut = Text(keys);
  return *shortcut ? S_OK : E_OUTOFMEMORY;
}

HRESULT PaintedAccessible::get_accSelection(VARIANT* selection) {
  if (!selection) return E_POINTER;
  *selection = Empty();
  return S_FALSE;
}

HRESULT PaintedAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
  if (!action) return E_POINTER;
  *action = nullptr;
  HRESULT asked = S_OK;
  if (AskWindowedChild(child, &asked,
                       [&](IAccessible* o) { return o->get_accDefaultAction(Self(), action); }))
    return asked;
  TControl* element = nullptr;
  if (!Resolve(child, &element)) return E_INVALIDARG;
  if (!element || element->kind() != Kind::Link) return S_FALSE;
  *action = Text(L"Jump");
  return S_OK;
}

HRESULT PaintedAccessible::accSelect(long, VARIANT) { return DISP_E_MEMBERNOTFOUND; }

HRESULT PaintedAccessible::accLocation(long* left, long* top, long* width, long* height,
                                       VARIANT child) {
  if (!left || !top || !width || !height) return E_POINTER;
  *left = *top = *width = *height = 0;
  HRESULT asked = S_OK;
  if (AskWindowedChild(child, &asked, [&](IAccessible* o) {
        return o->accLocation(left, top, width, height, Self());
      }))
    return asked;
  TControl* element = nullptr;
  if (!Resolve(child, &element)) return E_INVALIDARG;
  RECT r = {};
  if (!element) {
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

HRESULT PaintedAccessible::accDoDefaultAction(VARIANT child) {
  HRESULT asked = S_OK;
  if (AskWindowedChild(child, &asked, [](IAccessible* o) { return o->accDoDefaultAction(Self()); }))
    return asked;
  TControl* element = nullptr;
  if (!Resolve(child, &element)) return E_INVALIDARG;
  if (!element || element->kind() != Kind::Link) return DISP_E_MEMBERNOTFOUND;
  // A message box disables the window: its click would run behind the box.
  if (!element->Enabled() || !IsWindowEnabled(GetAncestor(window_, GA_ROOT))) return E_FAIL;
  host_->ClickLater(*element);
  return S_OK;
}

HRESULT PaintedAccessible::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }
HRESULT PaintedAccessible::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }

}  // namespace tolvane
