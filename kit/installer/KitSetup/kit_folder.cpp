// The commands that judge and prepare the kit folder before any file of it changes, and what
// every command shares.
#include <windows.h>

#include <algorithm>
#include <sstream>

#include "commands.h"
#include "folder_rules.h"
#include "system.h"
#include "utf8.h"

namespace tolvane::kitsetup {
namespace {

constexpr std::size_t kListedAtMost = 20;

// The lines of a UTF-8 text; nothing when it is not UTF-8.
std::optional<std::vector<std::wstring>> Lines(const std::string& bytes) {
  const std::optional<std::wstring> text = utf8::Decode(bytes);
  if (!text) return std::nullopt;
  std::vector<std::wstring> lines;
  std::wistringstream stream(*text);
  for (std::wstring line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

bool IsPattern(const std::wstring& pattern) {
  std::wstring probe = pattern;
  std::replace(probe.begin(), probe.end(), L'*', L'x');
  std::replace(probe.begin(), probe.end(), L'?', L'x');
  return IsKitRelative(probe);
}

}  // namespace

std::wstring Join(const std::wstring& folder, const std::wstring& relative) {
  return folder + L"\\" + relative;
}

std::optional<SetupData> ReadSetupData(const std::wstring& folder, std::wstring* problem) {
  const auto refuse = [problem](const std::wstring& why) -> std::optional<SetupData> {
    if (problem) *problem = why;
    return std::nullopt;
  };
  std::wstring why;
  const auto [presence, bytes] = ReadFileBytes(Join(folder, L"shipped.txt"));
  std::optional<Manifest> shipped = DecodeManifest(bytes, &why);
  if (presence != Presence::kThere || !shipped) return refuse(L"shipped.txt: " + why);
  for (const auto& [path, hashes] : shipped->files) {
    if (hashes.size() != 1) return refuse(L"shipped.txt: listed twice: " + path);
  }
  SetupData data{std::move(*shipped), {}};
  const std::optional<std::vector<std::wstring>> patterns =
      Lines(ReadFileBytes(Join(folder, L"owned.txt")).second);
  if (!patterns) return refuse(L"owned.txt: not UTF-8 text");
  for (const std::wstring& pattern : *patterns) {
    if (!IsPattern(pattern)) return refuse(L"owned.txt: not a pattern of file names: " + pattern);
    data.rules.owned.push_back(pattern);
  }
  for (const std::wstring& name : FilesUnder(Join(folder, L"earlier"))) {
    const std::optional<Manifest> earlier =
        DecodeManifest(ReadFileBytes(Join(folder, L"earlier\\" + name)).second, &why);
    if (!earlier) return refuse(L"earlier\\" + name + L": " + why);
    for (const auto& [path, hashes] : earlier->files) {
      data.rules.earlier.files[path].insert(hashes.begin(), hashes.end());
    }
  }
  return data;
}

Record ReadKitRecord(const std::wstring& kit) {
  const auto [presence, bytes] = ReadFileBytes(Join(kit, kRecord));
  return ReadRecord(presence, bytes);
}

Disk DiskOf(const std::wstring& kit) {
  return [kit](const std::wstring& relative) { return InspectFile(Join(kit, relative)); };
}

std::wstring LinkInTheKit(const std::wstring& kit, std::initializer_list<const Manifest*> records,
                          FolderPins& pins) {
  if (!pins.Pin(kit)) return kit;
  for (const std::wstring& folder : FoldersOnTheWay(records)) {
    if (!pins.Pin(Join(kit, folder))) return Join(kit, folder);
  }
  return L"";
}

bool IsOwnStaging(const std::wstring& kit, const std::wstring& name) {
  if (!IsStagingName(name) || IsLink(Join(kit, name))) return false;
  const auto [presence, bytes] = ReadFileBytes(Join(kit, name + L"\\" + kStagingMarker));
  return presence == Presence::kThere && bytes == std::string(name.begin(), name.end());
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

void Report(const std::wstring& path, const std::wstring& text) {
  if (text.empty()) {
    DeleteFileW(path.c_str());
  } else {
    WriteUtf16File(path, text);
  }
}

namespace {

std::wstring WhyRefused(FolderVerdict verdict) {
  switch (verdict) {
    case FolderVerdict::kNotAbsolute:
      return L"The folder must be given by its full path, such as C:\\TolvaneChat.";
    case FolderVerdict::kRoot:
      return L"A drive's root can not hold the kit.";
    case FolderVerdict::kSystemFolder:
      return L"Tolvane Chat keeps its settings in its own folder (tools\\config.txt), so it can "
             L"not go under Program Files or the Windows folder.";
    case FolderVerdict::kTooLong:
      return L"The folder's path is too long for the kit's files.";
    case FolderVerdict::kUsable:
      break;
  }
  return L"";
}

}  // namespace

namespace {

// The folder a folder is in; empty for a drive's or a share's root.
std::wstring ParentOf(const std::wstring& folder) {
  const std::size_t cut = folder.find_last_of(L'\\');
  if (cut == std::wstring::npos || folder.size() <= 3) return L"";
  if (folder.compare(0, 2, L"\\\\") == 0 &&
      folder.find(L'\\', folder.find(L'\\', 2) + 1) == std::wstring::npos) {
    return L"";  // "\\\\server\\share"
  }
  return cut == 2 ? folder.substr(0, 3) : folder.substr(0, cut);
}

// Why another account could rename or delete the kit folder or a folder above it, and put one
// of its own in its place; empty when none could. Folders whose rights can not be read are not
// judged.
std::wstring WhyReplaceable(const std::wstring& folder, const std::wstring& user) {
  for (std::wstring child = folder, parent = ParentOf(folder); !parent.empty();
       child = parent, parent = ParentOf(parent)) {
    if (child != folder && IsLink(child)) {
      return child + L" is a link to another folder, which another account could change.";
    }
    const std::optional<FolderSecurity> above = ReadFolderSecurity(parent);
    // The kit folder's own rights are judged, and mended, on their own.
    const std::optional<FolderSecurity> own =
        child == folder ? std::optional<FolderSecurity>(FolderSecurity{user, true, {}})
                        : ReadFolderSecurity(child);
    if (above && own && OthersCanReplace(*own, *above, user)) {
      return L"Other accounts of this computer could rename or delete " + child +
             L" and put a folder of their own in its place.";
    }
  }
  return L"";
}

}  // namespace

std::wstring WhyUntrusted(const std::wstring& folder, const std::vector<std::wstring>& inside) {
  // On a drive that keeps no access lists nobody's rights can be told; the report says so.
  if (!KeepsAccessLists(folder)) return L"";
  const std::wstring user = CurrentUserSid();
  const std::wstring replaceable = WhyReplaceable(folder, user);
  if (!replaceable.empty()) return replaceable;
  std::vector<std::wstring> folders{folder};
  for (const std::wstring& path : inside) folders.push_back(Join(folder, path));
  for (const std::wstring& path : folders) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    const std::optional<FolderSecurity> security = ReadFolderSecurity(path);
    if (!security) return L"Setup can not read who may change " + path + L".";
    const FolderTrust trust = JudgeFolderSecurity(*security, user);
    if (trust == FolderTrust::kForeignOwner) {
      return L"Another account of this computer owns " + path +
             L", and could change Tolvane Chat's programs in it.";
    }
    if (trust == FolderTrust::kOpenToOthers) {
      return L"Other accounts of this computer can change " + path +
             L", and it is not yours to protect.";
    }
  }
  return L"";
}

std::wstring ProtectKitFolder(const std::wstring& folder, const std::vector<std::wstring>& inside) {
  if (!KeepsAccessLists(folder)) {
    return L"The kit folder is on a drive that keeps no access lists (FAT32 or exFAT, say), so "
           L"setup could not keep other accounts of this computer from changing Tolvane Chat's "
           L"programs in it.\r\n\r\n";
  }
  const std::wstring user = CurrentUserSid();
  const auto open_to_others = [&](const std::wstring& path) {
    const std::optional<FolderSecurity> security = ReadFolderSecurity(path);
    return security && JudgeFolderSecurity(*security, user) == FolderTrust::kProtect;
  };
  std::vector<std::wstring> protected_folders, failed;
  if (open_to_others(folder)) {
    (ProtectFolder(folder, KitFolderAccessList(user)) ? protected_folders : failed)
        .push_back(folder);
  }
  for (const std::wstring& path : inside) {
    const std::wstring full = Join(folder, path);
    if (GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES || !open_to_others(full)) {
      continue;
    }
    (InheritOnly(full) ? protected_folders : failed).push_back(full);
  }
  return Listed(
             L"Other accounts of this computer could change these folders, so setup gave them "
             L"the kit's access list (only you, SYSTEM and Administrators can change them):",
             protected_folders) +
         Listed(
             L"Other accounts of this computer can change these folders, and setup could not "
             L"change that:",
             failed);
}

int Check(const std::wstring& given, const std::wstring& data_folder,
          const std::wstring& answer_file) {
  const std::optional<SetupData> data = ReadSetupData(data_folder);
  if (!data) return kBadArguments;
  // The answer is the folder's canonical name, which the script goes on with (for the files,
  // the registry and the shortcuts), or why the folder is refused.
  const auto refuse = [&](const std::wstring& why) {
    WriteUtf16File(answer_file, why);
    return kFolderRefused;
  };
  const std::optional<std::wstring> canonical = CanonicalFolder(given);
  if (!canonical) return refuse(WhyRefused(FolderVerdict::kNotAbsolute));
  const std::wstring& folder = *canonical;
  const FolderVerdict verdict = JudgeKitFolder(folder, SystemFolders(), data->shipped);
  if (verdict != FolderVerdict::kUsable) return refuse(WhyRefused(verdict));
  if (!CanWriteIn(folder)) return refuse(L"You can not make files in this folder.");
  const Record record = ReadKitRecord(folder);
  FolderPins pins;
  const std::wstring link = LinkInTheKit(folder, {&data->shipped, &record.manifest}, pins);
  if (!link.empty()) {
    return refuse(link + L" is a link to another folder, and setup never writes through one.");
  }
  const std::wstring untrusted =
      WhyUntrusted(folder, FoldersOnTheWay({&data->shipped, &record.manifest}));
  if (!untrusted.empty()) return refuse(untrusted);
  return WriteUtf16File(answer_file, folder) ? kDone : kFolderRefused;
}

int Elevated() {
  return RefusesElevation(ThisProcessElevation(), ShellElevation(), SameUserAsSession())
             ? kFolderRefused
             : kDone;
}

int Running(const std::wstring& folder, const std::wstring& except, const std::wstring& names,
            const std::wstring& data_folder) {
  std::vector<std::wstring> programs;
  // A program started by its short name ("C:\\TOLVAN~1\\...") is the kit's all the same.
  std::vector<std::wstring> images;
  for (const std::wstring& image : RunningImages()) {
    images.push_back(CanonicalFolder(image).value_or(image));
  }
  for (const std::wstring& image : KitPrograms(images, folder, Join(folder, except))) {
    programs.push_back(image.substr(folder.size() + 1));
  }
  // Programs elsewhere may hold the kit's files too: the media server's java.exe its jars.
  std::vector<std::wstring> files;
  const auto add_files = [&](const Manifest& manifest) {
    for (const auto& [path, hashes] : manifest.files) {
      const std::wstring file = Join(folder, path);
      if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) files.push_back(file);
    }
  };
  add_files(ReadKitRecord(folder).manifest);
  if (!data_folder.empty()) {
    if (const std::optional<SetupData> data = ReadSetupData(data_folder)) add_files(data->shipped);
  }
  // Virus scanners and indexers hold a file for a moment: only a program that still holds one
  // a few seconds later counts.
  std::vector<std::wstring> holding = ProgramsUsing(files);
  for (int again = 0; again < 3 && !holding.empty(); ++again) {
    Sleep(1000);
    holding = ProgramsUsing(files);
  }
  for (const std::wstring& program : holding) {
    if (std::find(programs.begin(), programs.end(), program) == programs.end()) {
      programs.push_back(program);
    }
  }
  std::wstring text;
  for (const std::wstring& program : programs) text += program + L"\r\n";
  Report(names, text);
  return programs.empty() ? kDone : kInUse;
}

// Only the highest folder setup makes gets the access list; the ones it makes inside inherit
// it. Were it the kit folder alone, another account could rename a new parent folder that
// inherited write access from C:\ and put a folder of its own in the kit folder's place.
int MakeFolder(const std::wstring& folder, const std::wstring& data_folder,
               const std::wstring& staging_name_file, const std::wstring& log) {
  const std::optional<SetupData> data = ReadSetupData(data_folder);
  if (!data) return kBadArguments;
  const std::wstring highest = HighestMissingFolder(folder);
  const std::wstring access_list = KitFolderAccessList(CurrentUserSid());
  if (!highest.empty()) {
    const std::optional<std::wstring> passed = MakeFolderWithAccessList(highest, access_list);
    if (!passed || !MakeFolders(folder)) return kFolderRefused;
    if (!log.empty()) {
      WriteFileBytes(
          log, ReadFileBytes(log).second +
                   EncodeUtf8(L"Made " + highest + L" with the access list " + *passed + L"\r\n"));
    }
  }
  if (IsLink(folder)) return kFolderRefused;
  // Nothing is unpacked while another setup or uninstaller changes the folder.
  const KitLock lock(folder);
  if (!lock.held()) return kInUse;
  // Protected before anything is unpacked into it, and judged again after.
  const Record record = ReadKitRecord(folder);
  const std::vector<std::wstring> inside = FoldersOnTheWay({&data->shipped, &record.manifest});
  const std::wstring notes = ProtectKitFolder(folder, inside);
  if (!WhyUntrusted(folder, inside).empty()) return kFolderRefused;
  // The files unpack into a staging folder made anew, under a name nobody chose before: what an
  // aborted run left must not be put in place, and a user's folder must not be emptied. It takes
  // the kit folder's access list, which the files keep when they move into their places.
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::wstring name = StagingName(RandomNumber());
    if (!CreateDirectoryW(Join(folder, name).c_str(), nullptr)) continue;
    if (!WriteFileBytes(Join(folder, name + L"\\" + kStagingMarker),
                        std::string(name.begin(), name.end())) ||
        !WriteFileBytes(Join(folder, name + L"\\" + kStagingNotes), EncodeUtf8(notes)) ||
        !WriteUtf16File(staging_name_file, name)) {
      RemoveTree(Join(folder, name), kStagingMarker);
      return kFolderRefused;
    }
    return kDone;
  }
  return kFolderRefused;
}

int Verify(const std::wstring& data_folder, const std::wstring& problem_file) {
  std::wstring problem;
  if (ReadSetupData(data_folder, &problem)) return kDone;
  WriteFileBytes(problem_file, EncodeUtf8(problem));
  return kBadArguments;
}

}  // namespace tolvane::kitsetup
