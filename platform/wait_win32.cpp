#include "wait_win32.h"

// The apartment types (windows.h leaves COM out of this build).
#include <objbase.h>

#include <algorithm>

namespace tolvane {
namespace {

// The longest the thread goes without looking at its queue: Windows takes a window whose thread
// has not looked for 5 s for hung ("Not Responding"), and screen readers then drop its events.
constexpr ULONGLONG kLookAtLeastEveryMs = 1000;

using CoWaitForMultipleHandlesFunction = HRESULT(WINAPI*)(DWORD, DWORD, ULONG, LPHANDLE, LPDWORD);
using CoGetApartmentTypeFunction = HRESULT(WINAPI*)(APTTYPE*, APTTYPEQUALIFIER*);

// CoWaitForMultipleHandles, when this thread is in a single-threaded apartment: in one it
// dispatches the calls other processes make into the thread's objects and leaves the thread's
// posted messages queued. COM is loaded only when a screen reader first asks for the window's
// object; before, no call can come, and nullptr.
CoWaitForMultipleHandlesFunction ComWait() {
  HMODULE ole32 = GetModuleHandleW(L"ole32.dll");
  if (!ole32) return nullptr;
  const auto apartment_type = reinterpret_cast<CoGetApartmentTypeFunction>(
      reinterpret_cast<void*>(GetProcAddress(ole32, "CoGetApartmentType")));
  const auto wait = reinterpret_cast<CoWaitForMultipleHandlesFunction>(
      reinterpret_cast<void*>(GetProcAddress(ole32, "CoWaitForMultipleHandles")));
  APTTYPE type = APTTYPE_CURRENT;
  APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
  if (!apartment_type || !wait || FAILED(apartment_type(&type, &qualifier))) return nullptr;
  return type == APTTYPE_STA || type == APTTYPE_MAINSTA ? wait : nullptr;
}

// One slice of the wait; true when `object` was signalled.
bool WaitSlice(HANDLE object, DWORD milliseconds) {
  if (const auto co_wait = ComWait()) {
    DWORD index = 0;
    const HRESULT waited = co_wait(0, milliseconds, 1, &object, &index);
    if (waited == S_OK) return true;
    if (waited == RPC_S_CALLPENDING) return false;  // the time passed
  }
  return MsgWaitForMultipleObjectsEx(1, &object, milliseconds, QS_SENDMESSAGE, 0) == WAIT_OBJECT_0;
}

}  // namespace

DWORD WaitAnsweringReaders(HANDLE object, DWORD milliseconds) {
  // Every wait function here needs a handle: an event that is never set stands for the time alone.
  HANDLE never = object ? nullptr : CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE waited_for = object ? object : never;
  if (!waited_for) {
    Sleep(milliseconds);
    return WAIT_TIMEOUT;
  }
  const ULONGLONG end = GetTickCount64() + milliseconds;
  bool signalled = false;
  for (ULONGLONG now = GetTickCount64(); !signalled && now < end; now = GetTickCount64()) {
    signalled = WaitSlice(waited_for, static_cast<DWORD>(std::min(end - now, kLookAtLeastEveryMs)));
    // Looking at the queue answers what was sent and tells Windows the thread lives; nothing
    // posted is taken from it.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  if (never) CloseHandle(never);
  return signalled && object ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

}  // namespace tolvane
