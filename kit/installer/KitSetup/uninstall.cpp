// Removes the files still as setup installed them, and keeps everything else: the user's
// changes and files, files it could not read, and, when its record is missing or damaged while
// the kit is registered, every file, the record and the entry.
#include <windows.h>

#include <algorithm>

#include "commands.h"
#include "system.h"

namespace tolvane::kitsetup {

int Uninstall(const std::wstring& folder, const std::wstring& except, const std::wstring& report,
              bool registered) {
  const KitLock lock(folder);
  if (!lock.held()) {
    if (lock.busy()) return kInUse;
    Report(report, L"Nothing was removed from " + folder + L": " + lock.Why(folder) + L"\r\n");
    return kFolderRefused;
  }
  const Record record = ReadKitRecord(folder, true);
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
  const std::wstring unpinned = PinTheKit(folder, {&installed}, pins);
  if (!unpinned.empty()) {
    Report(report, L"Nothing was removed from " + folder + L": " + unpinned + L"\r\n");
    return kFolderRefused;
  }
  // Copies of the kit that setups cut off after unpacking left: setup's, not the user's.
  const std::vector<std::wstring> staging_left = RemoveLeftStaging(folder);
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
  for (const Unread& file : plan.unreadable) left.files[file.path] = installed.files.at(file.path);
  pins.Release();
  for (const std::wstring& path : plan.folders) RemoveDirectoryW(Join(folder, path).c_str());
  const std::wstring record_path = Join(folder, kRecord);
  bool recorded = true;
  if (left.files.empty()) {
    DeleteFileW(record_path.c_str());
  } else {
    recorded = WriteFileBytes(record_path, EncodeManifest(left));
  }

  // What setup itself left: its record, reports, lock, marks and what it was writing.
  const auto setups = [&](const std::wstring& path) {
    for (const wchar_t* own : {kRecord, kSetupReport, kUninstallReport, kLockFile}) {
      if (SameName(path, own) || SameName(path, own + std::wstring(L".part"))) return true;
    }
    const std::wstring top = path.substr(0, path.find(L'\\'));
    return SameName(path, except) ||
           std::any_of(staging_left.begin(), staging_left.end(),
                       [&](const std::wstring& name) { return SameName(top, name); });
  };
  std::vector<std::wstring> stays;
  for (const std::wstring& path : FilesUnder(folder)) {
    if (!left.files.count(path) && !setups(path)) stays.push_back(path);
  }
  Report(report,
         (recorded ? L""
                   : L"The uninstaller could not write down which of setup's files are left (" +
                         std::wstring(kRecord) + L"); uninstall again.\r\n\r\n") +
             Listed(L"These files could not be removed (a program may be using them); "
                    L"uninstall again once it has ended:",
                    in_use) +
             Listed(L"These folders setup had unpacked the kit into could not be removed (a "
                    L"program may be using their files); uninstall again once it has ended:",
                    staging_left) +
             ListedUnread(plan.unreadable, {L"the uninstaller", L"uninstall again"}) +
             Listed(L"These files of yours stay in " + folder + L":", stays));
  if (!left.files.empty() || !staging_left.empty() || !recorded) return kFilesFailed;
  // Setup's own report goes with the kit, once nothing of the kit is left.
  DeleteFileW(Join(folder, kSetupReport).c_str());
  return kDone;
}

}  // namespace tolvane::kitsetup
