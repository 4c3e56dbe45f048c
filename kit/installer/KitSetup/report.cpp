#include "report.h"

namespace tolvane::kitsetup {
namespace {

constexpr std::size_t kListedAtMost = 20;

std::wstring Heading(Unreadable why, const Teller& teller) {
  const std::wstring who = teller.who, again = teller.again;
  // At the head of a sentence.
  std::wstring at_start = who;
  if (!at_start.empty() && at_start[0] >= L'a' && at_start[0] <= L'z')
    at_start[0] = static_cast<wchar_t>(at_start[0] - 32);
  switch (why) {
    case Unreadable::kHeld:
      return L"A program holds these files open, so " + who +
             L" could not read them and left them as they are; " + again + L" once it has ended:";
    case Unreadable::kOnlineOnly:
      return L"These files are stored online only (on a cloud drive), so " + who +
             L" left them as they are rather than download them. Make them available offline "
             L"(\"Always keep on this device\") and " +
             again + L":";
    case Unreadable::kLink:
      return L"These are links to files elsewhere. " + at_start +
             L" never follows a link, so it left them as they are:";
    case Unreadable::kDenied:
      return L"You may not read these files, so " + who +
             L" left them as they are. Give yourself access to them (Properties, Security) "
             L"and " +
             again + L":";
    case Unreadable::kFolder:
      return L"Folders have the names of these files, so " + who + L" left them as they are:";
    case Unreadable::kFailed:
      break;
  }
  return at_start +
         L" could not read these files (a disk error, say), so it left them as they "
         L"are; " +
         again + L":";
}

}  // namespace

std::wstring Listed(const std::wstring& heading, const std::vector<std::wstring>& paths) {
  if (paths.empty()) return L"";
  std::wstring text = heading + L"\r\n";
  for (std::size_t i = 0; i < paths.size() && i < kListedAtMost; ++i) {
    text += L"    " + paths[i] + L"\r\n";
  }
  if (paths.size() > kListedAtMost) {
    text += L"    ... and " + std::to_wstring(paths.size() - kListedAtMost) + L" more\r\n";
  }
  return text + L"\r\n";
}

std::wstring ListedUnread(const std::vector<Unread>& files, const Teller& teller) {
  std::wstring text;
  for (const Unreadable why : {Unreadable::kHeld, Unreadable::kOnlineOnly, Unreadable::kDenied,
                               Unreadable::kLink, Unreadable::kFolder, Unreadable::kFailed}) {
    std::vector<std::wstring> paths;
    for (const Unread& file : files) {
      if (file.why == why) paths.push_back(file.path);
    }
    text += Listed(Heading(why, teller), paths);
  }
  return text;
}

}  // namespace tolvane::kitsetup
