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

// The child id a VARIANT names, in any of the forms clients pass; false when it is none. Script
// clients leave the child out, which arrives as an empty VARIANT or as a missing parameter, and
// may pass a small number as a 16-bit integer, or the id by reference.
inline bool ChildIdOf(const VARIANT& child, long* id) {
  switch (child.vt) {
    case VT_I4 | VT_BYREF:
      if (!child.plVal) return false;
      *id = *child.plVal;
      return true;
    case VT_VARIANT | VT_BYREF:
      return child.pvarVal && child.pvarVal->vt != (VT_VARIANT | VT_BYREF) &&
             ChildIdOf(*child.pvarVal, id);
    case VT_I4:
      *id = child.lVal;
      return true;
    case VT_I2:
      *id = child.iVal;
      return true;
    case VT_EMPTY:
      *id = CHILDID_SELF;
      return true;
    case VT_ERROR:
      *id = CHILDID_SELF;
      return child.scode == DISP_E_PARAMNOTFOUND;
    default:
      return false;
  }
}

}  // namespace tolvane
