// KitSetup: the part of the kit's setup program and uninstaller that compares files, finds the
// kit's running programs and makes the kit folder. The setup script unpacks it and the setup
// data (see commands.h) into its temporary folder and runs it with one command:
//   KitSetup elevated ANSWER                     3 when setup runs as administrator or as a
//                                                service account; ANSWER says why
//   KitSetup check FOLDER DATA ANSWER [unprotected]  3 when the kit can not go into FOLDER, 7
//                                                when its drive keeps no access lists, 8 when
//                                                other accounts could change what it holds (a
//                                                new folder, named in ANSWER.instead, would
//                                                do); ANSWER says why, or the name to go on with
//   KitSetup running FOLDER EXCEPT NAMES [DATA]  4 when a program other than EXCEPT runs from
//                                                FOLDER or holds its files; NAMES lists them
//   KitSetup makefolder FOLDER DATA ANSWER LOG [unprotected]  makes FOLDER with the kit's access
//                                                list (or protects it) and a staging folder in
//                                                it, named in ANSWER (or why not)
//   KitSetup install FOLDER STAGING DATA REPORT [unprotected]  puts the files unpacked into
//                                                STAGING in place
// "unprotected": the user chose to install on a drive that keeps no access lists.
//   KitSetup uninstall FOLDER EXCEPT REPORT LOCATION  removes the files still as setup installed
//                                                them; LOCATION is the folder Apps & features
//                                                names (the record must be there when it is this)
//   KitSetup same FOLDER OTHER                   0 when both name one folder
//   KitSetup settings FOLDER FROM                takes the launcher's settings over from FROM,
//                                                a kit folder setup did not trust
//   KitSetup verify DATA PROBLEM                 for the build: 2 when Windows could not hold
//                                                the files; PROBLEM says why
// REPORT is written (UTF-16) when there is something to tell the user: files kept, files left,
// files that failed; 5 then says that a file could not be installed or removed.
#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "names.h"
#include "system.h"

namespace {

struct ArgvFreer {
  void operator()(wchar_t** argv) const { LocalFree(argv); }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  using namespace tolvane::kitsetup;
  // System libraries come from System32 only, never from the folder KitSetup runs from.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  int count = 0;
  const std::unique_ptr<wchar_t*, ArgvFreer> argv(CommandLineToArgvW(GetCommandLineW(), &count));
  std::vector<std::wstring> args(argv.get() + (argv ? 1 : 0), argv.get() + (argv ? count : 0));
  const bool unprotected = args.size() > 1 && args.back() == L"unprotected";
  if (unprotected) args.pop_back();
  const std::wstring command = args.empty() ? L"" : args[0];
  if (command == L"verify" && args.size() == 3) return Verify(args[1], args[2]);
  if (command == L"elevated" && args.size() == 2) return Elevated(args[1]);
  if (command == L"check" && args.size() == 4) return Check(args[1], args[2], args[3], unprotected);
  if (args.size() < 2) return kBadArguments;
  // A folder that is not absolute is refused before anything else looks at it.
  const std::optional<std::wstring> canonical = CanonicalFolder(args[1]);
  if (!canonical) return kFolderRefused;
  const std::wstring& folder = *canonical;
  const auto optional = [&](std::size_t i) { return args.size() > i ? args[i] : L""; };
  if (command == L"running" && (args.size() == 4 || args.size() == 5)) {
    return Running(folder, args[2], args[3], optional(4));
  }
  if (command == L"makefolder" && (args.size() == 4 || args.size() == 5)) {
    return MakeFolder(folder, args[2], args[3], optional(4), unprotected);
  }
  if (command == L"install" && args.size() == 5) {
    return Install(folder, args[2], args[3], args[4], unprotected);
  }
  // The kit is registered when Apps & features' entry names this folder, by any of its names.
  const auto names_it = [&](const std::wstring& other) {
    const std::optional<std::wstring> named = CanonicalFolder(other);
    return named && SameName(*named, folder);
  };
  if (command == L"uninstall" && args.size() == 5) {
    return Uninstall(folder, args[2], args[3], names_it(args[4]));
  }
  if (command == L"same" && args.size() == 3) return names_it(args[2]) ? kDone : 1;
  if (command == L"settings" && args.size() == 3) {
    const std::optional<std::wstring> from = CanonicalFolder(args[2]);
    return from ? CarrySettings(folder, *from) : kBadArguments;
  }
  return kBadArguments;
}
