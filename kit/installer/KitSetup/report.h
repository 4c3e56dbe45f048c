// What setup and the uninstaller tell the user in their reports: lists of files under a heading,
// and the files they could not read, grouped by why, each with what the user can do about it.
#pragma once

#include <string>
#include <vector>

#include "plan.h"

namespace tolvane::kitsetup {

// A heading and its paths, at most twenty of them; empty when there are none.
std::wstring Listed(const std::wstring& heading, const std::vector<std::wstring>& paths);

// Who could not read the files, and what to run again once the user did what it says:
// {L"setup", L"run setup again"} or {L"the uninstaller", L"uninstall again"}.
struct Teller {
  const wchar_t* who;
  const wchar_t* again;
};
std::wstring ListedUnread(const std::vector<Unread>& files, const Teller& teller);

}  // namespace tolvane::kitsetup
