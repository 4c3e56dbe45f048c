// KitSetup: the part of the kit's setup program and uninstaller that compares files, finds the
// kit's running programs and makes the kit folder. The setup script unpacks it into its
// temporary folder and runs it with one command:
//   KitSetup check FOLDER SHIPPED              3 when the kit can not go into FOLDER
//   KitSetup running FOLDER EXCEPT             4 when a program of FOLDER other than EXCEPT runs
//   KitSetup makefolder FOLDER [LOG]           makes FOLDER with the kit's access list; 3 when not
//   KitSetup install FOLDER SHIPPED REPORT     puts the files unpacked into FOLDER\~setup in place
//   KitSetup uninstall FOLDER EXCEPT REPORT    removes the files still as setup installed them
// SHIPPED is the list of what this setup ships, written by the build. REPORT is written (UTF-16)
// when there is something to tell the user: files kept, files left, files that failed; 5 then
// says that a file could not be installed or removed.
#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "folder_rules.h"
#include "manifest.h"
#include "plan.h"
#include "system.h"

namespace {

using namespace tolvane::kitsetup;

enum ExitCode : int {
  kDone = 0,
  kBadArguments = 2,
  kFolderRefused = 3,
  kProgramsRunning = 4,
  kFilesFailed = 5
};

// What setup installed, kept in the kit folder for the next setup and the uninstaller.
constexpr wchar_t kRecord[] = L"installed-files.txt";
constexpr std::size_t kListedAtMost = 20;

std::wstring Join(const std::wstring& folder, const std::wstring& relative) {
  return folder + L"\\" + relative;
}

std::optional<Manifest> ReadManifest(const std::wstring& path) {
  const std::optional<std::wstring> text = ReadUtf8File(path);
  return text ? ParseManifest(*text) : std::nullopt;
}

HashOnDisk DiskOf(const std::wstring& folder) {
  return [folder](const std::wstring& relative) { return Sha256OfFile(Join(folder, relative)); };
}

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

// Writes the report, or removes one an earlier run left when there is nothing to tell.
void Report(const std::wstring& path, const std::wstring& text) {
  if (text.empty()) {
    DeleteFileW(path.c_str());
  } else {
    WriteUtf16File(path, text);
  }
}

int Check(const std::wstring& folder, const std::wstring& shipped_path) {
  const std::optional<Manifest> shipped = ReadManifest(shipped_path);
  if (!shipped) return kBadArguments;
  const std::wstring full = FullPath(folder);
  return JudgeKitFolder(full, SystemFolders(), *shipped) == FolderVerdict::kUsable &&
                 CanWriteIn(full)
             ? kDone
             : kFolderRefused;
}

int Running(const std::wstring& folder, const std::wstring& except) {
  return KitPrograms(RunningImages(), FullPath(folder), Join(FullPath(folder), except)).empty()
             ? kDone
             : kProgramsRunning;
}

// Only the highest folder setup makes gets the access list; the ones it makes inside inherit
// it. Were it the kit folder alone, another account could rename a new parent folder that
// inherited write access from C:\ and put a folder of its own in the kit folder's place.
int MakeFolder(const std::wstring& target, const std::wstring& log) {
  const std::wstring folder = FullPath(target);
  const std::wstring highest = HighestMissingFolder(folder);
  const std::wstring access_list = KitFolderAccessList(CurrentUserSid());
  if (!highest.empty()) {
    const std::optional<std::wstring> passed = MakeFolderWithAccessList(highest, access_list);
    if (!passed || !MakeFolders(folder)) return kFolderRefused;
    if (!log.empty()) {
      const std::wstring earlier = ReadUtf8File(log).value_or(L"");
      WriteUtf8File(log,
                    earlier + L"Made " + highest + L" with the access list " + *passed + L"\r\n");
    }
  }
  // The files unpack into a staging folder made anew: what an aborted run left there must not
  // be put in place, and a link there (another account can write in a kit folder an older setup
  // made) must not lead the unpacking out of the kit.
  const std::wstring staging = Join(folder, kStagingFolder);
  RemoveTree(staging);
  return MakeFolderWithAccessList(staging, access_list) ? kDone : kFolderRefused;
}

int Install(const std::wstring& target, const std::wstring& shipped_path,
            const std::wstring& report) {
  const std::wstring folder = FullPath(target);
  const std::optional<Manifest> shipped = ReadManifest(shipped_path);
  if (!shipped) return kBadArguments;
  // No record, or a damaged one: every file that differs from the shipped one is kept.
  const Manifest previous = ReadManifest(Join(folder, kRecord)).value_or(Manifest{});
  const InstallPlan plan = PlanInstall(previous, *shipped, DiskOf(folder));
  const std::wstring staging = Join(folder, kStagingFolder);

  for (const std::wstring& path : shipped->folders) MakeFolders(Join(folder, path));
  std::set<std::wstring> failed;
  std::vector<std::wstring> failed_paths;
  const auto attempt = [&](const std::wstring& path, bool done) {
    if (done) return;
    failed.insert(path);
    failed_paths.push_back(path);
  };
  for (const std::wstring& path : plan.put) {
    attempt(path, MoveReplacing(Join(staging, path), Join(folder, path)));
  }
  std::vector<std::wstring> kept;
  for (const Beside& beside : plan.beside) {
    attempt(beside.path, MoveReplacing(Join(staging, beside.path), Join(folder, beside.new_path)));
    kept.push_back(beside.new_path == beside.path + kBesideSuffix
                       ? beside.path
                       : beside.path + L" (the new version is " + beside.new_path + L")");
  }
  for (const std::wstring& path : plan.remove) {
    attempt(path, DeleteFileW(Join(folder, path).c_str()) != 0);
  }
  for (const std::wstring& path : plan.stale_folders) RemoveDirectoryW(Join(folder, path).c_str());
  RemoveTree(staging);
  const bool recorded = WriteUtf8File(Join(folder, kRecord),
                                      FormatManifest(Installed(previous, *shipped, plan, failed)));

  // Failures first: the window shows only the report's first thousand characters or so.
  Report(report,
         Listed(L"Setup could not install these files (a program may be using them); run "
                L"setup again once it has ended:",
                failed_paths) +
             Listed(L"You had changed these files, so setup kept them as they were and put the "
                    L"new version beside each as " +
                        std::wstring(kBesideSuffix) + L":",
                    kept));
  return failed.empty() && recorded ? kDone : kFilesFailed;
}

int Uninstall(const std::wstring& target, const std::wstring& except, const std::wstring& report) {
  const std::wstring folder = FullPath(target);
  const std::optional<std::wstring> text = ReadUtf8File(Join(folder, kRecord));
  const std::optional<Manifest> read = text ? ParseManifest(*text) : Manifest{};
  if (!read) {
    // Without a readable record nothing is known to be setup's: all of it stays, and so do the
    // record and the uninstaller, for a later setup to mend.
    Report(report, L"Setup's record of the files it installed (" + std::wstring(kRecord) +
                       L") is damaged, so nothing was removed from " + folder + L".\r\n");
    return kFilesFailed;
  }
  const Manifest& installed = *read;
  const UninstallPlan plan = PlanUninstall(installed, DiskOf(folder));
  Manifest left;
  left.folders = installed.folders;
  for (const std::wstring& path : plan.remove) {
    if (!DeleteFileW(Join(folder, path).c_str())) left.files[path] = installed.files.at(path);
  }
  for (const std::wstring& path : plan.folders) RemoveDirectoryW(Join(folder, path).c_str());
  const std::wstring record = Join(folder, kRecord);
  bool recorded = true;
  if (left.files.empty()) {
    DeleteFileW(record.c_str());
  } else {
    recorded = WriteUtf8File(record, FormatManifest(left));
  }

  std::vector<std::wstring> stays, in_use;
  for (const std::wstring& path : FilesUnder(folder)) {
    if (left.files.count(path)) {
      in_use.push_back(path);
    } else if (path != except && path != kRecord) {
      stays.push_back(path);
    }
  }
  Report(report, Listed(L"These files could not be removed (a program may be using them); "
                        L"uninstall again once it has ended:",
                        in_use) +
                     Listed(L"These files of yours stay in " + folder + L":", stays));
  return left.files.empty() && recorded ? kDone : kFilesFailed;
}

struct ArgvFreer {
  void operator()(wchar_t** argv) const { LocalFree(argv); }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  int count = 0;
  const std::unique_ptr<wchar_t*, ArgvFreer> argv(CommandLineToArgvW(GetCommandLineW(), &count));
  const std::vector<std::wstring> args(argv.get() + (argv ? 1 : 0),
                                       argv.get() + (argv ? count : 0));
  const std::wstring command = args.empty() ? L"" : args[0];
  if (command == L"check" && args.size() == 3) return Check(args[1], args[2]);
  if (command == L"running" && args.size() == 3) return Running(args[1], args[2]);
  if (command == L"makefolder" && (args.size() == 2 || args.size() == 3)) {
    return MakeFolder(args[1], args.size() == 3 ? args[2] : L"");
  }
  if (command == L"install" && args.size() == 4) return Install(args[1], args[2], args[3]);
  if (command == L"uninstall" && args.size() == 4) return Uninstall(args[1], args[2], args[3]);
  return kBadArguments;
}
