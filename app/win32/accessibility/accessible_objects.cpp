#include "accessible_objects.h"

#include "oleacc_library.h"

namespace tolvane {
namespace {

// EVENT_OBJECT_LIVEREGIONCHANGED, which the headers name only for Windows 8 and later; earlier
// systems pass on an event they do not know.
constexpr DWORD kEventLiveRegionChanged = 0x8019;

}  // namespace

AccessibleObjects::~AccessibleObjects() {
  for (auto& [window, object] : objects_) Disconnect(object);
}

namespace {

bool ScreenReaderRuns() {
  BOOL on = FALSE;
  return SystemParametersInfoW(SPI_GETSCREENREADER, 0, &on, 0) && on;
}

}  // namespace

LRESULT AccessibleObjects::Answer(HWND window, WPARAM wparam, LPARAM lparam) {
  AnnotateAll();
  if (static_cast<LONG>(lparam) != OBJID_CLIENT) return 0;
  const OleaccLibrary* oleacc = OleaccLibrary::Get();
  if (!oleacc) return 0;
  PaintedAccessible*& object = objects_[window];
  if (!object) object = new PaintedAccessible(host_, window);
  // A failure is a negative error code, which the caller would take for an answer: the system's
  // own object answers instead.
  const LRESULT answer =
      oleacc->LresultFromObject(kIidAccessible, wparam, static_cast<IAccessible*>(object));
  return answer > 0 ? answer : 0;
}

void AccessibleObjects::Forget(HWND window) {
  const auto found = objects_.find(window);
  if (found == objects_.end()) return;
  Disconnect(found->second);
  objects_.erase(found);
}

// Clients in other processes hold proxies of the object: cut them off, so that their next call
// fails at once rather than reach an object whose window has gone.
void AccessibleObjects::Disconnect(PaintedAccessible* object) const {
  object->Disconnect();
  // An object exists only once the libraries are loaded.
  OleaccLibrary::Get()->CoDisconnectObject(static_cast<IAccessible*>(object), 0);
  object->Release();
}

void AccessibleObjects::Name(HWND control, const std::wstring& name) {
  Annotation& annotation = annotations_[control];
  annotation.name = name;
  if (annotating_) {
    Annotate(control, annotation);
  } else if (ScreenReaderRuns()) {
    AnnotateAll();
  }
}

void AccessibleObjects::MakeLive(HWND control) {
  Annotation& annotation = annotations_[control];
  annotation.live = true;
  if (annotating_) Annotate(control, annotation);
}

void AccessibleObjects::FollowScreenReaderSetting() {
  if (!annotating_ && ScreenReaderRuns()) AnnotateAll();
}

void AccessibleObjects::AnnotateAll() {
  if (annotating_) return;
  annotating_ = true;
  for (const auto& [control, annotation] : annotations_) Annotate(control, annotation);
}

void AccessibleObjects::Announce(HWND control) {
  NotifyWinEvent(kEventLiveRegionChanged, control, OBJID_CLIENT, CHILDID_SELF);
}

// Wine 8 does not keep annotations (its IAccPropServices answers E_NOTIMPL); Windows' own objects
// for standard controls take their name and live setting from them. A failure leaves the control
// as the system describes it, as before, and is not worth more.
void AccessibleObjects::Annotate(HWND control, const Annotation& annotation) const {
  const OleaccLibrary* oleacc = OleaccLibrary::Get();
  IAccPropServices* services = nullptr;
  if (!oleacc ||
      FAILED(oleacc->CoCreateInstance(kClsidAccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                      kIidAccPropServices, reinterpret_cast<void**>(&services)))) {
    return;
  }
  const DWORD client = static_cast<DWORD>(OBJID_CLIENT);
  if (!annotation.name.empty()) {
    services->SetHwndPropStr(control, client, CHILDID_SELF, kPropidAccName,
                             annotation.name.c_str());
  }
  if (annotation.live) {
    VARIANT polite;
    polite.vt = VT_I4;
    polite.lVal = kLiveSettingPolite;
    services->SetHwndProp(control, client, CHILDID_SELF, kPropidLiveSetting, polite);
  }
  services->Release();
}

}  // namespace tolvane
