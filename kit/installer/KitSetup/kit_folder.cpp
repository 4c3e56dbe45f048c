// The commands that judge and prepare the kit folder before any file of it changes, and what
// every command shares.
#include <windows.h>

#include <algorithm>
#include <sstream>

#include "carried_settings.h"
#include "commands.h"
#include "folder_rules.h"
#include "system.h"
#include "utf8.h"

namespace tolvane::kitsetup {
namespace {

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

Record ReadKitRecord(const std::wstring& kit, bool locked) {
  const std::wstring path = Join(kit, kRecord), part = path + L".part";
  const auto [presence, bytes] = ReadFileBytes(path);
  if (presence == Presence::kAbsent) {
    const auto [part_presence, part_bytes] = ReadFileBytes(part);
    if (part_presence == Presence::kThere && IsWholeRecord(part_bytes) &&
        (!locked || MoveAside(part, path))) {
      return ReadRecord(part_presence, part_bytes);
    }
  }
  return ReadRecord(presence, bytes);
}

Disk DiskOf(const std::wstring& kit) {
  return [kit](const std::wstring& relative) { return InspectFile(Join(kit, relative)); };
}

std::wstring PinTheKit(const std::wstring& kit, std::initializer_list<const Manifest*> records,
                       FolderPins& pins) {
  const auto why_not = [&](const std::wstring& folder) -> std::wstring {
    if (pins.Pin(folder)) return L"";
    if (IsLink(folder)) {
      return folder + L" is a link to another folder, and setup never writes through one.";
    }
    return L"Setup could not hold the folder " + folder +
           L" so that nobody renames it while setup works: a program holds it open to rename "
           L"or delete it, or you may not open it.";
  };
  if (std::wstring why = why_not(kit); !why.empty()) return why;
  for (const std::wstring& folder : FoldersOnTheWay(records)) {
    if (std::wstring why = why_not(Join(kit, folder)); !why.empty()) return why;
  }
  return L"";
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

int Check(const std::wstring& given, const std::wstring& data_folder,
          const std::wstring& answer_file, bool unprotected) {
  const std::optional<SetupData> data = ReadSetupData(data_folder);
  if (!data) return kBadArguments;
  // The answer is the folder's canonical name, which the script goes on with (for the files,
  // the registry and the shortcuts), or why the folder is refused.
  const auto refuse = [&](const std::wstring& why, int code = kFolderRefused) {
    WriteUtf16File(answer_file, why);
    return code;
  };
  const std::optional<std::wstring> canonical = CanonicalFolder(given);
  if (!canonical) return refuse(WhyRefused(FolderVerdict::kNotAbsolute));
  const std::wstring& folder = *canonical;
  const FolderVerdict verdict = JudgeKitFolder(folder, SystemFolders(), data->shipped);
  if (verdict != FolderVerdict::kUsable) return refuse(WhyRefused(verdict));
  if (!CanWriteIn(folder)) return refuse(L"You can not make files in this folder.");
  const Record record = ReadKitRecord(folder);
  FolderPins pins;
  const std::wstring unpinned = PinTheKit(folder, {&data->shipped, &record.manifest}, pins);
  if (!unpinned.empty()) return refuse(unpinned);
  const KitTrust trust = JudgeKit(folder, unprotected);
  // Another folder beside it would do: the script offers it, and takes the settings over.
  if (trust.code == kOpenKitFolder &&
      !WriteUtf16File(answer_file + L".instead", NewFolderBeside(folder))) {
    return refuse(trust.why);
  }
  if (trust.code != kDone) return refuse(trust.why, trust.code);
  return WriteUtf16File(answer_file, folder) ? kDone : kFolderRefused;
}

int Elevated(const std::wstring& answer_file) {
  const std::wstring why = WhyAccountRefused(CurrentUserSid(), ThisProcessElevation(),
                                             ShellElevation(), SameUserAsSession());
  if (why.empty()) return kDone;
  WriteUtf16File(answer_file, why);
  return kFolderRefused;
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

namespace {

// What setup did to the kit folder's rights, for the report, which shows it first.
std::wstring Notes(const std::wstring& folder, const KitTrust& trust) {
  if (trust.unprotected) {
    return L"You chose to install Tolvane Chat on a drive that keeps no access lists: any "
           L"account of this computer can change its programs in " +
           folder + L", such as the one you run as administrator.\r\n\r\n";
  }
  if (trust.readable) {
    return L"Other accounts of this computer could read " + folder +
           L". Setup gave it the kit's access list: now only you, SYSTEM and Administrators "
           L"can use it.\r\n\r\n";
  }
  return L"";
}

}  // namespace

// Only the kit folder gets the kit's access list; a folder made on the way takes what its
// parent hands down, which the check judged.
int MakeFolder(const std::wstring& folder, const std::wstring& data_folder,
               const std::wstring& answer_file, const std::wstring& log, bool unprotected) {
  const std::optional<SetupData> data = ReadSetupData(data_folder);
  if (!data) return kBadArguments;
  const auto refuse = [&](const std::wstring& why, int code = kFolderRefused) {
    WriteUtf16File(answer_file, why);
    return code == kUnprotectedVolume || code == kOpenKitFolder ? kFolderRefused : code;
  };
  if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const std::wstring parent = folder.substr(0, folder.find_last_of(L'\\'));
    const std::optional<std::wstring> passed =
        MakeFolders(parent.size() < 3 ? parent + L"\\" : parent)
            ? MakeFolderWithAccessList(folder, KitFolderAccessList(CurrentUserSid()))
            : std::nullopt;
    if (!passed) return refuse(L"Setup could not make the folder " + folder + L".");
    if (!log.empty()) {
      WriteFileBytes(
          log, ReadFileBytes(log).second +
                   EncodeUtf8(L"Made " + folder + L" with the access list " + *passed + L"\r\n"));
    }
  }
  // The lock file goes into the kit folder itself, never where a link would lead it.
  if (IsLink(folder)) {
    return refuse(folder + L" is a link to another folder, and setup never writes through one.");
  }
  // Pinned, and free of links, before the lock file is made or any access list is read or
  // written: nobody can swap the folder for a link meanwhile.
  const Record seen = ReadKitRecord(folder);
  FolderPins pins;
  const std::wstring unpinned = PinTheKit(folder, {&data->shipped, &seen.manifest}, pins);
  if (!unpinned.empty()) return refuse(unpinned);
  // Nothing is unpacked while another setup or uninstaller changes the folder.
  const KitLock lock(folder);
  if (!lock.held()) return refuse(lock.Why(folder), lock.busy() ? kInUse : kFolderRefused);
  const KitTrust trust = JudgeKit(folder, unprotected);
  if (trust.code != kDone) return refuse(trust.why, trust.code);
  // A whole record a power cut left half renamed is put in place, now that the folder is the
  // user's and setup holds its lock.
  ReadKitRecord(folder, true);
  // Others could only read it: no handle of theirs can change anything once it is protected.
  if (trust.readable) {
    const std::wstring still = ProtectKitFolder(folder);
    if (!still.empty()) return refuse(still);
  }
  const std::vector<std::wstring> left = RemoveLeftStaging(folder);
  // The files unpack into a staging folder made anew, under a name nobody chose before: what an
  // aborted run left must not be put in place, and a user's folder must not be emptied. It takes
  // the kit folder's access list, which the files keep when they move into their places.
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::wstring name = StagingName(RandomNumber());
    if (!CreateDirectoryW(Join(folder, name).c_str(), nullptr)) continue;
    const std::wstring notes =
        Notes(folder, trust) +
        Listed(
            L"Setup could not remove these folders an earlier setup unpacked the kit into "
            L"(a program may be using their files); run setup again once it has ended:",
            left);
    if (!WriteFileBytes(Join(folder, name + L"\\" + kStagingMarker),
                        std::string(name.begin(), name.end())) ||
        !WriteFileBytes(Join(folder, name + L"\\" + kStagingNotes), EncodeUtf8(notes)) ||
        !WriteUtf16File(answer_file, name)) {
      RemoveTree(Join(folder, name), kStagingMarker);
      return refuse(L"Setup could not write in " + folder + L".");
    }
    return kDone;
  }
  return refuse(L"Setup could not make a folder to unpack the kit into in " + folder + L".");
}

int CarrySettings(const std::wstring& folder, const std::wstring& from) {
  constexpr wchar_t kSettings[] = L"tools\\config.txt";
  // The new kit's own settings stay.
  if (InspectFile(Join(folder, kSettings)).presence != Presence::kAbsent) return kDone;
  // Settings are only ever a few lines: anything larger is not the launcher's.
  const std::optional<std::string> bytes = ReadUsersOwnFile(Join(from, kSettings), 4096);
  const std::optional<std::string> settings = bytes ? CarriedSettings(*bytes) : std::nullopt;
  return !settings || WriteFileBytes(Join(folder, kSettings), *settings) ? kDone : kFilesFailed;
}

int Verify(const std::wstring& data_folder, const std::wstring& problem_file) {
  std::wstring problem;
  if (ReadSetupData(data_folder, &problem)) return kDone;
  WriteFileBytes(problem_file, EncodeUtf8(problem));
  return kBadArguments;
}

}  // namespace tolvane::kitsetup
