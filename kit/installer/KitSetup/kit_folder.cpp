// The commands that judge and prepare the kit folder before any file of it changes, and what
// every command shares.
#include <windows.h>

#include <algorithm>

#include "commands.h"
#include "folder_rules.h"
#include "system.h"

namespace tolvane::kitsetup {
namespace {

constexpr std::size_t kListedAtMost = 20;

std::vector<std::wstring> Lines(const std::string& bytes) {
  std::vector<std::wstring> lines;
  std::wstring line;
  for (char c : bytes) {
    if (c == '\n' || c == '\r') {
      if (!line.empty()) lines.push_back(line);
      line.clear();
    } else {
      line.push_back(static_cast<unsigned char>(c));  // the patterns are ASCII
    }
  }
  if (!line.empty()) lines.push_back(line);
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
  for (const std::wstring& pattern : Lines(ReadFileBytes(Join(folder, L"owned.txt")).second)) {
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

std::wstring LinkInTheKit(const std::wstring& kit, std::initializer_list<const Manifest*> records) {
  if (IsLink(kit)) return kit;
  for (const std::wstring& folder : FoldersOnTheWay(records)) {
    if (IsLink(Join(kit, folder))) return Join(kit, folder);
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

int Check(const std::wstring& target, const std::wstring& data_folder) {
  const std::optional<SetupData> data = ReadSetupData(data_folder);
  if (!data) return kBadArguments;
  const std::wstring folder = FullPath(target);
  const Record record = ReadKitRecord(folder);
  return JudgeKitFolder(folder, SystemFolders(), data->shipped) == FolderVerdict::kUsable &&
                 CanWriteIn(folder) &&
                 LinkInTheKit(folder, {&data->shipped, &record.manifest}).empty()
             ? kDone
             : kFolderRefused;
}

int Running(const std::wstring& target, const std::wstring& except, const std::wstring& names,
            const std::wstring& data_folder) {
  const std::wstring folder = FullPath(target);
  std::vector<std::wstring> programs;
  for (const std::wstring& image : KitPrograms(RunningImages(), folder, Join(folder, except))) {
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
  for (const std::wstring& program : ProgramsUsing(files)) {
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
int MakeFolder(const std::wstring& target, const std::wstring& staging_name_file,
               const std::wstring& log) {
  const std::wstring folder = FullPath(target);
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
  if (!KitLock(folder).held()) return kInUse;
  // The files unpack into a staging folder made anew, under a name nobody chose before: what an
  // aborted run left must not be put in place, and a user's folder must not be emptied.
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::wstring name = StagingName(RandomNumber());
    if (!MakeFolderWithAccessList(Join(folder, name), access_list)) continue;
    if (!WriteFileBytes(Join(folder, name + L"\\" + kStagingMarker),
                        std::string(name.begin(), name.end())) ||
        !WriteUtf16File(staging_name_file, name)) {
      RemoveTree(Join(folder, name));
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
