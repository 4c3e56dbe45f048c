#include "accessible_objects.h"

#include "oleacc_library.h"

namespace tolvane {

AccessibleObjects::~AccessibleObjects() {
  for (auto& [window, object] : objects_) {
    object->Disconnect();
    object->Release();
  }
}

LRESULT AccessibleObjects::Answer(HWND window, WPARAM wparam, LPARAM lparam) {
  if (!asked_) {
    asked_ = true;
    for (const auto& [control, name] : names_to_annotate_) Annotate(control, name);
    names_to_annotate_.clear();
  }
  if (static_cast<LONG>(lparam) != OBJID_CLIENT) return 0;
  const OleaccLibrary* oleacc = OleaccLibrary::Get();
  if (!oleacc) return 0;
  PaintedAccessible*& object = objects_[window];
  if (!object) object = new PaintedAccessible(host_, window);
  return oleacc->LresultFromObject(kIidAccessible, wparam, static_cast<IAccessible*>(object));
}

void AccessibleObjects::Forget(HWND window) {
  const auto found = objects_.find(window);
  if (found == objects_.end()) return;
  found->second->Disconnect();
  found->second->Release();
  objects_.erase(found);
}

void AccessibleObjects::Name(HWND control, const std::wstring& name) {
  if (asked_) {
    Annotate(control, name);
  } else {
    names_to_annotate_[control] = name;
  }
}

// Wine 8 does not keep annotations (its IAccPropServices answers E_NOTIMPL); Windows' own objects
// for standard controls take their name from them. A failure leaves the control unnamed, as
// before, and is not worth more.
void AccessibleObjects::Annotate(HWND control, const std::wstring& name) const {
  const OleaccLibrary* oleacc = OleaccLibrary::Get();
  IAccPropServices* services = nullptr;
  if (!oleacc ||
      FAILED(oleacc->CoCreateInstance(kClsidAccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                      kIidAccPropServices, reinterpret_cast<void**>(&services)))) {
    return;
  }
  services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kPropidAccName,
                           name.c_str());
  services->Release();
}

}  // namespace tolvane
