#include "accessible_base.h"

#include "oleacc_library.h"

namespace tolvane {

HRESULT AccessibleBase::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      IsEqualIID(iid, kIidAccessible)) {
    *object = static_cast<IAccessible*>(this);
  } else if (IsEqualIID(iid, IID_IOleWindow)) {
    *object = static_cast<IOleWindow*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG AccessibleBase::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG AccessibleBase::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT AccessibleBase::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = OleaccLibrary::AccessibleTypeInfo() ? 1 : 0;
  return S_OK;
}

HRESULT AccessibleBase::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  *info = OleaccLibrary::AccessibleTypeInfo();
  if (!*info) return TYPE_E_CANTLOADLIBRARY;
  (*info)->AddRef();
  return S_OK;
}

HRESULT AccessibleBase::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  ITypeInfo* info = OleaccLibrary::AccessibleTypeInfo();
  if (!info) return TYPE_E_CANTLOADLIBRARY;
  return OleaccLibrary::Get()->DispGetIDsOfNames(info, names, count, ids);
}

HRESULT AccessibleBase::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters,
                               VARIANT* result, EXCEPINFO* exception, UINT* wrong_argument) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  ITypeInfo* info = OleaccLibrary::AccessibleTypeInfo();
  if (!info) return TYPE_E_CANTLOADLIBRARY;
  return OleaccLibrary::Get()->DispInvoke(static_cast<IAccessible*>(this), info, id, flags,
                                          parameters, result, exception, wrong_argument);
}

HRESULT AccessibleBase::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = OwnWindow();
  return *window ? S_OK : CO_E_OBJNOTCONNECTED;
}

HRESULT AccessibleBase::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

}  // namespace tolvane
