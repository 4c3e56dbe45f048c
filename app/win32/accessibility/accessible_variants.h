// VARIANTs as the accessible objects hand them to clients.
#pragma once

#include <windows.h>
// oleauto.h needs the types of windows.h before it.
#include <oleauto.h>

namespace tolvane {

inline VARIANT Long(long value) {
  VARIANT variant;
  variant.vt = VT_I4;
  variant.lVal = value;
  return variant;
}

inline VARIANT Empty() {
  VARIANT variant;
  variant.vt = VT_EMPTY;
  return variant;
}

inline VARIANT Self() { return Long(CHILDID_SELF); }

}  // namespace tolvane
