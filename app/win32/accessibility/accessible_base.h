// What every accessible object of the launcher answers alike: COM's reference counting and
// interfaces, IAccessible by name through IDispatch (described by oleacc's type library, for
// script clients), and the window the object belongs to (IOleWindow), which clients ask of every
// object.
#pragma once

#include <oleacc.h>
#include <oleidl.h>
#include <windows.h>

namespace tolvane {

class AccessibleBase : public IAccessible, public IOleWindow {
 public:
  AccessibleBase() = default;
  AccessibleBase(const AccessibleBase&) = delete;
  AccessibleBase& operator=(const AccessibleBase&) = delete;

  // The window is going away: every later call fails as for an object whose server has gone.
  virtual void Disconnect() = 0;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override;
  // IOleWindow
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override;

 protected:
  virtual ~AccessibleBase() = default;
  // The window the object belongs to; nullptr once it has gone.
  virtual HWND OwnWindow() const = 0;

 private:
  LONG references_ = 1;
};

}  // namespace tolvane
