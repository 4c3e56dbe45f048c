// The access keys of the items the launcher adds to a menu it does not own (the window's system
// menu), whose own items Windows words and marks in the user's language.
#pragma once

#include <string>
#include <vector>

namespace tolvane {

// A menu item's caption with its access key marked, and the key (0 when it has none).
struct AccessKeyed {
  std::wstring caption;
  wchar_t key = 0;
};

// The character a caption marks as its access key: the one after its first lone "&" ("&&" is a
// literal "&"); 0 when it marks none.
wchar_t MarkedKey(const std::wstring& caption);

// `caption` with an access key on a key that none of `taken` is: the first ASCII letter or digit
// from `preferred` (an index into `caption`) to its end, else from its start, whose key (its
// upper case, which is its virtual-key code) is free. A key two items share would only move
// between them, never choose one. With every candidate taken the caption gets no key: the item
// is still reached by the arrow keys.
AccessKeyed WithFreeAccessKey(const std::wstring& caption, std::size_t preferred,
                              const std::vector<wchar_t>& taken);

}  // namespace tolvane
