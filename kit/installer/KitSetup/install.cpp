// Puts the files unpacked into the staging folder in place, as the plan says, and records what
// setup installed. The record accepts both versions of every file while they move, so that a
// setup cut off half way (a power cut) leaves a folder the next setup and the uninstaller
// understand.
#include <windows.h>

#include "commands.h"
#include "folder_rules.h"
#include "system.h"
#include "utf8.h"

namespace tolvane::kitsetup {
namespace {

// A damaged record is kept for whoever wants to look at it, under a name of its own.
std::wstring KeepDamagedRecord(const std::wstring& folder) {
  for (int n = 1;; ++n) {
    const std::wstring name =
        L"installed-files.damaged" + (n == 1 ? L"" : std::to_wstring(n)) + L".txt";
    if (InspectFile(Join(folder, name)).presence != Presence::kAbsent) continue;
    return MoveAside(Join(folder, kRecord), Join(folder, name)) ? name : L"";
  }
}

class Installation {
 public:
  Installation(const std::wstring& folder, const std::wstring& staging, const Manifest& shipped)
      : folder_(folder), staging_(staging), shipped_(shipped) {}

  // The unpacked file, on the disk and checked against what the build shipped before it goes
  // anywhere.
  bool Unpacked(const std::wstring& path) const {
    return FlushedSha256(Join(folder_, staging_ + L"\\" + path)) == ShippedHash(shipped_, path);
  }

  bool Put(const std::wstring& path, const std::wstring& as) const {
    return Unpacked(path) &&
           MoveReplacing(Join(folder_, staging_ + L"\\" + path), Join(folder_, as));
  }

  // The kit's earlier program goes aside first, and comes back when the new one can not go in;
  // `stranded` tells when it could not come back, and so is left under its other name.
  bool Replace(const Aside& aside, bool& stranded) const {
    stranded = false;
    if (!Unpacked(aside.path) ||
        !MoveAside(Join(folder_, aside.path), Join(folder_, aside.other))) {
      return false;
    }
    if (Put(aside.path, aside.path)) return true;
    stranded = !MoveAside(Join(folder_, aside.other), Join(folder_, aside.path));
    return false;
  }

 private:
  std::wstring folder_, staging_;
  const Manifest& shipped_;
};

std::vector<std::wstring> Described(const std::vector<Aside>& asides, const wchar_t* suffix,
                                    const wchar_t* what) {
  std::vector<std::wstring> lines;
  for (const Aside& aside : asides) {
    lines.push_back(aside.other == aside.path + suffix
                        ? aside.path
                        : aside.path + L" (" + what + L" " + aside.other + L")");
  }
  return lines;
}

}  // namespace

namespace {

// What the report says of the files setup put in place over other bytes, by whose they may be.
std::wstring ReplacedHeading(bool open) {
  const std::wstring kept =
      L" in the folder " + std::wstring(kKeptFolder) + L", where the web server does not run them";
  if (open) {
    return L"Any account of this computer can write in the kit folder, on a drive without access "
           L"lists, and these files were changed: they may be theirs, not yours. Setup put its "
           L"own version in place and kept the changed ones" +
           kept + L"; look at what differs before you use any of it again:";
  }
  return L"These programs and documents of the kit were not the ones an earlier setup "
         L"installed. Setup replaced them and kept the earlier ones" +
         kept + L":";
}

}  // namespace

int Install(const std::wstring& folder, const std::wstring& staging,
            const std::wstring& data_folder, const std::wstring& report, bool unprotected) {
  if (!IsOwnStaging(folder, staging)) return kBadArguments;
  // Whatever happens, the unpacked files go: only the ones put in place are the kit's.
  const struct StagingRemover {
    std::wstring path;
    // Its mark last: a folder a held file keeps is still known for setup's.
    ~StagingRemover() { RemoveTree(path, kStagingMarker); }
  } remover{Join(folder, staging)};
  const std::optional<SetupData> data = ReadSetupData(data_folder);
  if (!data) return kBadArguments;
  const KitLock lock(folder);
  if (!lock.held()) {
    if (lock.busy()) return kInUse;
    Report(report, L"Setup did not install into " + folder + L": " + lock.Why(folder) + L"\r\n");
    return kFolderRefused;
  }

  Record record = ReadKitRecord(folder, true);
  FolderPins pins;
  const std::wstring unpinned = PinTheKit(folder, {&data->shipped, &record.manifest}, pins);
  // Judged again: nothing may have changed since setup protected it and unpacked.
  const KitTrust trust =
      unpinned.empty() ? JudgeKit(folder, unprotected) : KitTrust{kFolderRefused, unpinned};
  if (trust.code != kDone) {
    Report(report, L"Setup did not install into " + folder + L": " + trust.why + L"\r\n");
    return kFolderRefused;
  }
  // On a drive without access lists any account may have changed any file.
  const bool open = trust.unprotected;
  // What setup did to the folder's access list before it unpacked, to tell.
  std::wstring told =
      utf8::Decode(ReadFileBytes(Join(folder, staging + L"\\" + kStagingNotes)).second)
          .value_or(L"");
  if (record.state == RecordState::kUnreadable) {
    Report(report, told + L"Setup could not read its record of the files it installed (" +
                       std::wstring(kRecord) + L"), so it changed nothing in " + folder +
                       L".\r\n\r\n" +
                       ListedUnread({{kRecord, InspectFile(Join(folder, kRecord)).why}},
                                    {L"setup", L"run setup again"}));
    return kFilesFailed;
  }
  if (record.state == RecordState::kDamaged) {
    const std::wstring kept = KeepDamagedRecord(folder);
    if (kept.empty()) {
      Report(report, told + L"Setup's record of the files it installed (" + std::wstring(kRecord) +
                         L") is damaged, and setup could not keep it aside under another name, "
                         L"so it changed nothing in " +
                         folder + L". Run setup again once no program holds the record.\r\n");
      return kFilesFailed;
    }
    told +=
        L"Setup's record of the files it installed was damaged. It is kept as " + kept +
        L", and setup took every file that differs from the ones it installs for yours.\r\n\r\n";
  }
  const Manifest& previous = record.manifest;
  const InstallPlan plan = PlanInstall(previous, data->shipped, data->rules, DiskOf(folder), open);
  // The folders the kit's earlier programs are kept in, made and pinned as the kit's own are.
  Manifest kept;
  for (const Aside& aside : plan.replace) kept.files[aside.other];
  for (const std::wstring& path : FoldersOnTheWay({&kept})) MakeFolders(Join(folder, path));
  if (const std::wstring why = PinTheKit(folder, {&kept}, pins); !why.empty()) {
    Report(report, told + L"Setup did not install into " + folder + L": " + why + L"\r\n");
    return kFolderRefused;
  }
  if (!WriteFileBytes(Join(folder, kRecord),
                      EncodeManifest(Pending(previous, data->shipped, plan)))) {
    Report(report, told + L"Setup could not write its record of the files it installs (" +
                       std::wstring(kRecord) + L"), so it changed nothing in " + folder + L".\r\n");
    return kFilesFailed;
  }

  for (const std::wstring& path : data->shipped.folders) MakeFolders(Join(folder, path));
  for (const std::wstring& path : plan.read_only) MakeWritable(Join(folder, path));
  const Installation installation(folder, staging, data->shipped);
  std::set<std::wstring, NameLess> failed;
  std::vector<std::wstring> not_installed, not_unpacked, not_removed;
  const auto attempt = [&](const std::wstring& path, bool done, std::vector<std::wstring>& listed) {
    if (done) return;
    failed.insert(path);
    listed.push_back(path);
  };
  // A file that could not go in is held by a program, or was gone or changed once unpacked.
  const auto install = [&](const std::wstring& path, bool done) {
    if (!done) attempt(path, false, installation.Unpacked(path) ? not_installed : not_unpacked);
  };
  for (const std::wstring& path : plan.put) install(path, installation.Put(path, path));
  std::vector<std::wstring> stranded;
  for (const Aside& aside : plan.replace) {
    bool left_aside = false;
    install(aside.path, installation.Replace(aside, left_aside));
    if (left_aside)
      stranded.push_back(aside.path + L" (its earlier version is " + aside.other + L")");
  }
  for (const Aside& aside : plan.beside)
    install(aside.path, installation.Put(aside.path, aside.other));
  for (const std::wstring& path : plan.remove) {
    attempt(path, DeleteKitFile(Join(folder, path)), not_removed);
  }
  pins.Release();
  for (const std::wstring& path : plan.stale_folders) RemoveDirectoryW(Join(folder, path).c_str());
  const bool recorded = WriteFileBytes(
      Join(folder, kRecord), EncodeManifest(Installed(previous, data->shipped, plan, failed)));

  std::vector<Aside> replaced, beside;
  for (const Aside& aside : plan.replace) {
    if (!failed.count(aside.path)) replaced.push_back(aside);
  }
  for (const Aside& aside : plan.beside) {
    if (!failed.count(aside.path)) beside.push_back(aside);
  }
  const bool done = failed.empty() && plan.unreadable.empty() && plan.no_room.empty() && recorded;
  // Failures first: the window shows only the report's first lines. What setup did to the
  // folder's rights comes before them: it tells when the kit is not protected.
  Report(report,
         told +
             (recorded ? L""
                       : L"Setup could not write its record of the files it installed (" +
                             std::wstring(kRecord) +
                             L"); the uninstaller will remove only what the earlier record "
                             L"lists. Run setup again.\r\n\r\n") +
             Listed(L"Setup could not install these files (a program may be using them); run "
                    L"setup again once it has ended:",
                    not_installed) +
             Listed(L"These files were gone or changed once setup had unpacked them (a security "
                    L"program may have taken them away); look in its quarantine, then run setup "
                    L"again:",
                    not_unpacked) +
             Listed(L"Setup could not remove these files of an earlier version (a program may be "
                    L"using them); run setup again once it has ended:",
                    not_removed) +
             Listed(L"Setup found no free name beside these files of yours for its own version, "
                    L"so it left them as they were:",
                    plan.no_room) +
             Listed(L"Setup could not put these files back after it failed to replace them:",
                    stranded) +
             ListedUnread(plan.unreadable, {L"setup", L"run setup again"}) +
             Listed(ReplacedHeading(open), Described(replaced, kBackupSuffix, L"kept as")) +
             Listed(L"You had changed these files, so setup kept them as they were and put the "
                    L"new version beside each as " +
                        std::wstring(kBesideSuffix) + L":",
                    Described(beside, kBesideSuffix, L"the new version is")));
  return done ? kDone : kFilesFailed;
}

}  // namespace tolvane::kitsetup
