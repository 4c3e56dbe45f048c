#include "oleacc_library.h"

namespace tolvane {
namespace {

template <typename Function>
bool Find(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return function != nullptr;
}

bool Load(OleaccLibrary& library) {
  // From System32 only, never from the kit folder the launcher runs in.
  HMODULE oleacc = LoadLibraryExW(L"oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  HMODULE ole32 = LoadLibraryExW(L"ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  HMODULE oleaut32 = LoadLibraryExW(L"oleaut32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!oleacc || !ole32 || !oleaut32) return false;
  HRESULT(WINAPI * initialize)(LPVOID, DWORD) = nullptr;
  if (!Find(oleacc, "LresultFromObject", library.LresultFromObject) ||
      !Find(oleacc, "AccessibleObjectFromWindow", library.AccessibleObjectFromWindow) ||
      !Find(oleacc, "CreateStdAccessibleObject", library.CreateStdAccessibleObject) ||
      !Find(ole32, "CoCreateInstance", library.CoCreateInstance) ||
      !Find(ole32, "CoDisconnectObject", library.CoDisconnectObject) ||
      !Find(ole32, "CoInitializeEx", initialize) ||
      !Find(oleaut32, "SysAllocString", library.SysAllocString) ||
      !Find(oleaut32, "LoadRegTypeLib", library.LoadRegTypeLib) ||
      !Find(oleaut32, "DispGetIDsOfNames", library.DispGetIDsOfNames) ||
      !Find(oleaut32, "DispInvoke", library.DispInvoke)) {
    return false;
  }
  // The objects live on the window's thread and are called through its message loop. The
  // apartment lasts as long as the program; S_FALSE (already initialised) is as good.
  return SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED));
}

ITypeInfo* LoadAccessibleTypeInfo() {
  const OleaccLibrary* library = OleaccLibrary::Get();
  ITypeLib* types = nullptr;
  if (!library || FAILED(library->LoadRegTypeLib(kLibidAccessibility, 1, 1, 0, &types))) {
    return nullptr;
  }
  ITypeInfo* info = nullptr;
  types->GetTypeInfoOfGuid(kIidAccessible, &info);
  types->Release();
  return info;
}

}  // namespace

const OleaccLibrary* OleaccLibrary::Get() {
  static OleaccLibrary library;
  static const bool loaded = Load(library);
  return loaded ? &library : nullptr;
}

HRESULT WindowObjectAt(HWND window, LONG level, VARIANT* object) {
  object->vt = VT_EMPTY;
  const OleaccLibrary* oleacc = OleaccLibrary::Get();
  IDispatch* found = nullptr;
  if (!oleacc || FAILED(oleacc->AccessibleObjectFromWindow(window, static_cast<DWORD>(level),
                                                           IID_IDispatch,
                                                           reinterpret_cast<void**>(&found))) ||
      !found) {
    return S_FALSE;
  }
  object->vt = VT_DISPATCH;
  object->pdispVal = found;
  return S_OK;
}

ITypeInfo* OleaccLibrary::AccessibleTypeInfo() {
  static ITypeInfo* const info = LoadAccessibleTypeInfo();
  return info;
}

}  // namespace tolvane
