#include "accessible_objects.h"

#include <commctrl.h>

#include <algorithm>

#include "accessible_variants.h"
#include "oleacc_library.h"

namespace tolvane {
namespace {

// EVENT_OBJECT_LIVEREGIONCHANGED, which the headers name only for Windows 8 and later; earlier
// systems pass on an event they do not know.
constexpr DWORD kEventLiveRegionChanged = 0x8019;

}  // namespace

AccessibleObjects::~AccessibleObjects() {
  for (auto& [window, object] : objects_) Disconnect(object);
  for (auto& [window, object] : window_objects_) Disconnect(object);
  for (auto& [element, object] : element_objects_) Disconnect(object.second);
}

namespace {

bool ScreenReaderRuns() {
  BOOL on = FALSE;
  return SystemParametersInfoW(SPI_GETSCREENREADER, 0, &on, 0) && on;
}

}  // namespace

LRESULT AccessibleObjects::Answer(HWND window, WPARAM wparam, LPARAM lparam) {
  ServeReaders();
  IAccessible* object = ObjectOf(window, static_cast<LONG>(lparam));
  if (!object) return 0;
  // A failure is a negative error code, which the caller would take for an answer: the system's
  // own object answers instead.
  const LRESULT answer = OleaccLibrary::Get()->LresultFromObject(kIidAccessible, wparam, object);
  return answer > 0 ? answer : 0;
}

// The standard controls are the system's windows: their WM_GETOBJECT is seen by subclassing them,
// for their window objects.
void AccessibleObjects::Serve(const TControl& control, HWND window) {
  if (control.kind() == Kind::Page || control.kind() == Kind::GroupBox) return;
  SetWindowSubclass(window, ControlProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK AccessibleObjects::ControlProc(HWND window, UINT message, WPARAM wparam,
                                                LPARAM lparam, UINT_PTR, DWORD_PTR objects) {
  auto* self = reinterpret_cast<AccessibleObjects*>(objects);
  if (message == WM_GETOBJECT) {
    if (const LRESULT answer = self->Answer(window, wparam, lparam)) return answer;
  } else if (message == WM_NCDESTROY) {
    self->Forget(window);
    RemoveWindowSubclass(window, ControlProc, 0);
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

// A child window's client object is the system's for a standard control: Windows gives clients of
// UI Automation its own provider for a standard control only while the control has no object of
// its own, and annotates the system's objects (names, live setting).
IAccessible* AccessibleObjects::ObjectOf(HWND window, LONG level) {
  const OleaccLibrary* oleacc = OleaccLibrary::Get();
  if (!oleacc) return nullptr;
  const TControl* control = host_.ControlOf(window);
  const bool paints =
      !control || control->kind() == Kind::Page || control->kind() == Kind::GroupBox;
  if (level == OBJID_CLIENT && paints) return PaintedObjectOf(window);
  // The window that stands for a painted element answers as the element's own object.
  if (level == OBJID_CLIENT && IsPainted(control->kind())) {
    HWND container = host_.WindowOf(control->parent());
    return container ? ElementObjectOf(*control, *PaintedObjectOf(container), container, window)
                     : nullptr;
  }
  if (level == OBJID_CLIENT) return nullptr;
  // The form's window object is the system's: its neighbours are the other top-level windows.
  if (!control || level != OBJID_WINDOW) return nullptr;
  ReadingOrderObject*& object = window_objects_[window];
  if (!object) {
    IAccessible* system = nullptr;
    if (FAILED(oleacc->CreateStdAccessibleObject(window, OBJID_WINDOW, kIidAccessible,
                                                 reinterpret_cast<void**>(&system)))) {
      window_objects_.erase(window);
      return nullptr;
    }
    object = ReadingOrderObject::OverWindowObject(*this, *control, window, system);
    system->Release();
  }
  return object;
}

PaintedAccessible* AccessibleObjects::PaintedObjectOf(HWND window) {
  PaintedAccessible*& object = objects_[window];
  if (!object) object = new PaintedAccessible(host_, *this, window);
  return object;
}

IAccessible* AccessibleObjects::ElementObjectOf(const TControl& element,
                                                PaintedAccessible& container, HWND container_window,
                                                HWND host) {
  auto& [window, object] = element_objects_[&element];
  if (!object) {
    window = host ? host : container_window;
    object = ReadingOrderObject::OverPainted(*this, element, container, container_window, host);
  }
  return object;
}

HRESULT AccessibleObjects::Neighbour(const TControl& from, long direction, LONG level,
                                     VARIANT* end) {
  *end = Empty();
  HWND container_window = host_.WindowOf(from.parent());
  if (!container_window) return S_FALSE;
  PaintedAccessible* container = PaintedObjectOf(container_window);
  const std::vector<TControl*> elements = container->Elements();
  const auto found = std::find(elements.begin(), elements.end(), &from);
  if (found == elements.end() || (direction == NAVDIR_NEXT && found + 1 == elements.end()) ||
      (direction == NAVDIR_PREVIOUS && found == elements.begin())) {
    return S_FALSE;
  }
  const TControl& neighbour = **(direction == NAVDIR_NEXT ? found + 1 : found - 1);
  HWND window = host_.WindowOf(&neighbour);
  if (window && window != container_window) return WindowObjectAt(window, level, end);
  IAccessible* object = ElementObjectOf(neighbour, *container, container_window, nullptr);
  object->AddRef();
  end->vt = VT_DISPATCH;
  end->pdispVal = object;
  return S_OK;
}

void AccessibleObjects::Forget(HWND window) {
  const auto found = objects_.find(window);
  if (found != objects_.end()) {
    Disconnect(found->second);
    objects_.erase(found);
  }
  DisconnectWhere(window_objects_, [&](const auto& entry) {
    return entry.first == window ? entry.second : nullptr;
  });
  DisconnectWhere(element_objects_, [&](const auto& entry) {
    return entry.second.first == window ? entry.second.second : nullptr;
  });
}

// Clients in other processes hold proxies of the object: cut them off, so that their next call
// fails at once rather than reach an object whose window has gone.
void AccessibleObjects::Disconnect(AccessibleBase* object) const {
  object->Disconnect();
  // An object exists only once the libraries are loaded.
  OleaccLibrary::Get()->CoDisconnectObject(static_cast<IAccessible*>(object), 0);
  object->Release();
}

void AccessibleObjects::Name(HWND control, const std::wstring& name) {
  annotations_[control].name = name;
  AnnotateWhenDue(control);
}

void AccessibleObjects::MakeLive(HWND control, const std::wstring& shows) {
  Annotation& annotation = annotations_[control];
  annotation.live = true;
  annotation.name = shows;
  AnnotateWhenDue(control);
}

void AccessibleObjects::AnnotateWhenDue(HWND control) {
  if (serving_) {
    Annotate(control, annotations_[control]);
  } else if (ScreenReaderRuns()) {
    ServeReaders();
  }
}

void AccessibleObjects::FollowScreenReaderSetting() {
  if (!serving_ && ScreenReaderRuns()) ServeReaders();
}

void AccessibleObjects::ServeReaders() {
  if (serving_) return;
  serving_ = true;
  for (const auto& [control, annotation] : annotations_) Annotate(control, annotation);
  host_.ServeReaders();
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
