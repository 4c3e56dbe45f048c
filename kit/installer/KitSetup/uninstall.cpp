// Removes the files still as setup installed them, and keeps everything else: the user's
// changes and files, files it could not read, and, when its record is missing or damaged while
// the kit is registered, every file, the record and the entry.
#include <windows.h>

#include "commands.h"
#include "system.h"

namespace tolvane::kitsetup {

int Uninstall(const std::wstring& folder, const std::wstring& except, const std::wstring& report,
              bool registered) {
  const KitLock lock(folder);
  if (!lock.held()) return kInUse;
  const Record record = ReadKitRecord(folder);
  if (record.state == RecordState::kAbsent && !registered) return kDone;
  if (record.state != RecordState::kRead) {
    const wchar_t* what = record.state == RecordState::kAbsent       ? L"is missing"
                          : record.state == RecordState::kUnreadable ? L"could not be read"
                                                                     : L"is damaged";
    Report(report, L"Setup's record of the files it installed (" + std::wstring(kRecord) + L") " +
                       what + L", so nothing was removed from " + folder + L".\r\n");
    return kFilesFailed;
  }
  const Manifest& installed = record.manifest;
  FolderPins pins;
  const std::wstring link = LinkInTheKit(folder, {&installed}, pins);
  if (!link.empty()) {
    Report(report, L"Nothing was removed from " + folder + L": " + link +
                       L" is a link to another folder, and the uninstaller never deletes through "
                       L"one.\r\n");
    return kFolderRefused;
  }
  const UninstallPlan plan = PlanUninstall(installed, DiskOf(folder));
  for (const std::wstring& path : plan.read_only) MakeWritable(Join(folder, path));
  Manifest left;
  left.folders = installed.folders;
  std::vector<std::wstring> in_use;
  for (const std::wstring& path : plan.remove) {
    if (DeleteKitFile(Join(folder, path))) continue;
    left.files[path] = installed.files.at(path);
    in_use.push_back(path);
  }
  for (const std::wstring& path : plan.unreadable) left.files[path] = installed.files.at(path);
  pins.Release();
  for (const std::wstring& path : plan.folders) RemoveDirectoryW(Join(folder, path).c_str());
  const std::wstring record_path = Join(folder, kRecord);
  bool recorded = true;
  if (left.files.empty()) {
    DeleteFileW(record_path.c_str());
  } else {
    recorded = WriteFileBytes(record_path, EncodeManifest(left));
  }

  std::vector<std::wstring> stays;
  for (const std::wstring& path : FilesUnder(folder)) {
    if (!left.files.count(path) && !SameName(path, except) && !SameName(path, kRecord) &&
        !SameName(path, kSetupReport) && !SameName(path, kUninstallReport) &&
        !SameName(path, kLockFile)) {
      stays.push_back(path);
    }
  }
  Report(report, Listed(L"These files could not be removed (a program may be using them); "
                        L"uninstall again once it has ended:",
                        in_use) +
                     Listed(L"These files could not be read, so they were left as they are; "
                            L"uninstall again once no program holds them:",
                            plan.unreadable) +
                     Listed(L"These files of yours stay in " + folder + L":", stays));
  if (!left.files.empty() || !recorded) return kFilesFailed;
  // Setup's own report goes with the kit, once nothing of the kit is left.
  DeleteFileW(Join(folder, kSetupReport).c_str());
  return kDone;
}

}  // namespace tolvane::kitsetup
