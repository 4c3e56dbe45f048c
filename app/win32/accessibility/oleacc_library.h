// oleacc.dll, and the COM libraries it brings, loaded when a screen reader or another
// accessibility client first asks the window for an object. Most starts have no such client, and
// loading COM at every start would cost each of them the time.
#pragma once

#include <oleacc.h>
#include <windows.h>

namespace tolvane {

// The ids of oleacc's interfaces and properties, spelled out: oleacc is loaded at run time, and
// MinGW's import library does not carry them anyway.
inline constexpr GUID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
inline constexpr GUID kIidAccIdentity = {
    0x7852b78d, 0x1cfd, 0x41c1, {0xa6, 0x15, 0x9c, 0x0c, 0x85, 0x96, 0x0b, 0x5f}};
inline constexpr GUID kIidAccPropServices = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
inline constexpr GUID kClsidAccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
inline constexpr GUID kPropidAccName = {
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
// UI Automation's LiveSetting, which IAccPropServices sets on an object as it sets a name.
inline constexpr GUID kPropidLiveSetting = {
    0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
inline constexpr long kLiveSettingPolite = 1;
inline constexpr GUID kLibidAccessibility = {
    0x1ea4dbf0, 0x3c3b, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

struct OleaccLibrary {
  // The loaded library, or nullptr when it cannot be loaded; loads it on the first call.
  static const OleaccLibrary* Get();
  // IAccessible as oleacc's type library describes it, for IDispatch; nullptr when the library
  // is not registered. Loaded on the first call, and kept while the program runs.
  static ITypeInfo* AccessibleTypeInfo();

  LRESULT(WINAPI* LresultFromObject)(REFIID, WPARAM, LPUNKNOWN);
  HRESULT(WINAPI* AccessibleObjectFromWindow)(HWND, DWORD, REFIID, void**);
  HRESULT(WINAPI* CreateStdAccessibleObject)(HWND, LONG, REFIID, void**);
  HRESULT(WINAPI* CoCreateInstance)(REFCLSID, LPUNKNOWN, DWORD, REFIID, void**);
  HRESULT(WINAPI* CoDisconnectObject)(LPUNKNOWN, DWORD);
  BSTR(WINAPI* SysAllocString)(const OLECHAR*);
  HRESULT(WINAPI* LoadRegTypeLib)(REFGUID, WORD, WORD, LCID, ITypeLib**);
  HRESULT(WINAPI* DispGetIDsOfNames)(ITypeInfo*, OLECHAR**, UINT, DISPID*);
  HRESULT(WINAPI* DispInvoke)
  (void*, ITypeInfo*, DISPID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*);
};

// `window`'s object at `level` (OBJID_CLIENT, OBJID_WINDOW) as a client gets it, ours or the
// system's, in `object`; S_FALSE and VT_EMPTY when there is none.
HRESULT WindowObjectAt(HWND window, LONG level, VARIANT* object);

}  // namespace tolvane
