// File names as Windows compares them: one file whatever the letter case of its name, under the
// system's own case table, not only for ASCII letters ("Übersicht.txt" is "übersicht.txt").
#pragma once

#include <string>

namespace tolvane::kitsetup {

// Negative, zero or positive, as `a` sorts before, with or after `b` ignoring letter case.
int CompareNames(const std::wstring& a, const std::wstring& b);

inline bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareNames(a, b) == 0;
}

// Orders maps and sets of paths so that one entry stands for every spelling of a name.
struct NameLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return CompareNames(a, b) < 0;
  }
};

}  // namespace tolvane::kitsetup
