// KitSetup's commands, and what they share: the setup data the script hands over, the record
// in the kit folder, the links on the way, the staging folder, and the report.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "manifest.h"
#include "plan.h"
#include "report.h"
#include "system.h"

namespace tolvane::kitsetup {

enum ExitCode : int {
  kDone = 0,
  kBadArguments = 2,
  kFolderRefused = 3,
  kInUse = 4,  // programs of the kit run, or another setup or uninstaller changes the folder
  kFilesFailed = 5,
  // Given by the setup script alone: KitSetup could not be started, or ended without an answer.
  kHelperFailed = 6,
  // KitSetup's answer to the script: the drive keeps no access lists, or could not be asked;
  // the script refuses the folder (3) unless the user chose to install there unprotected.
  kUnprotectedVolume = 7,
  // KitSetup's answer to the script: other accounts could change the kit folder or what it
  // holds; the script refuses it (3) and offers a new folder beside it.
  kOpenKitFolder = 8
};

// What setup installed, kept in the kit folder for the next setup and the uninstaller.
constexpr wchar_t kRecord[] = L"installed-files.txt";
// What setup and the silent uninstaller have to tell, left in the kit folder.
constexpr wchar_t kSetupReport[] = L"setup-report.txt";
constexpr wchar_t kUninstallReport[] = L"uninstall-report.txt";
std::wstring Join(const std::wstring& folder, const std::wstring& relative);

// The setup data folder the script unpacks: shipped.txt (what this setup ships), owned.txt (the
// kit maker's patterns of the kit's own files, a line each) and earlier\*.txt (the records of
// earlier releases).
struct SetupData {
  Manifest shipped;
  KitRules rules;
};
// Nothing when the data is not what setup can install from; `problem` then says why.
std::optional<SetupData> ReadSetupData(const std::wstring& folder, std::wstring* problem = nullptr);

// The record in the kit folder. Where it is missing but the whole record setup wrote is still
// under its writing name (FAT replaces a file in two steps, and a power cut fell between them),
// that one; `locked`, setup holding the kit folder's lock, puts it in its place.
Record ReadKitRecord(const std::wstring& kit, bool locked = false);
Disk DiskOf(const std::wstring& kit);

// Pins the kit folder and each folder of it on the way to these records' files; why one could
// not be (a link, or a folder setup could not hold), or empty. The folders stay pinned in `pins`
// until it is released.
std::wstring PinTheKit(const std::wstring& kit, std::initializer_list<const Manifest*> records,
                       FolderPins& pins);

// Who may change the kit folder, as setup found it.
struct KitTrust {
  // kFolderRefused, kOpenKitFolder, or kUnprotectedVolume on a drive without access lists the
  // user did not choose to install on; `why` then says why.
  int code = kDone;
  std::wstring why;
  bool unprotected = false;  // on a drive without access lists, as the user chose
  bool readable = false;     // other accounts may read it: it is to be protected all the same
};
// Judges the kit folder, each folder above it and every entry of the kit folder's tree.
KitTrust JudgeKit(const std::wstring& folder, bool unprotected_allowed);
// Gives a kit folder other accounts may only read the kit's access list, and judges it again;
// why it is still not trusted, or empty.
std::wstring ProtectKitFolder(const std::wstring& folder);
// The folder setup offers instead of a kit folder it does not trust: the first of "FOLDER2",
// "FOLDER3" and on that is not there.
std::wstring NewFolderBeside(const std::wstring& folder);

// Whether `name` is a staging folder of the kit folder that setup made: its name has the form,
// it is no link, and its marker file holds its name.
bool IsOwnStaging(const std::wstring& kit, const std::wstring& name);

// Removes the staging folders earlier runs left (cut off after they unpacked); the names of
// those it could not remove entirely.
std::vector<std::wstring> RemoveLeftStaging(const std::wstring& kit);
// Writes the report, or removes one an earlier run left when there is nothing to tell.
void Report(const std::wstring& path, const std::wstring& text);

// 3 (or 7) when the kit can not go into the folder given; `answer_file` then says why, and
// otherwise gives the folder's canonical name. The other commands take the kit folder by that
// name. `unprotected`: the user chose to install on a drive that keeps no access lists.
int Check(const std::wstring& given, const std::wstring& data, const std::wstring& answer_file,
          bool unprotected);
// 3 when setup runs as a service account, or elevated from a desktop that is not: another
// account's, or the user's administrator rights, would own the kit. `answer_file` says why.
int Elevated(const std::wstring& answer_file);
int Running(const std::wstring& folder, const std::wstring& except, const std::wstring& names,
            const std::wstring& data);
// `answer_file` gets the staging folder's name, or why the folder was refused.
int MakeFolder(const std::wstring& folder, const std::wstring& data,
               const std::wstring& answer_file, const std::wstring& log, bool unprotected);
int Install(const std::wstring& folder, const std::wstring& staging, const std::wstring& data,
            const std::wstring& report, bool unprotected);
int Uninstall(const std::wstring& folder, const std::wstring& except, const std::wstring& report,
              bool registered);
// Writes the launcher's settings taken from the kit folder `from`, which setup did not trust, as
// the kit folder's own, unless it has its own already; 5 when they could not be written.
int CarrySettings(const std::wstring& folder, const std::wstring& from);
// For the build: 2, with the reason written to `problem_file` (UTF-8), when setup could not
// install the data's files on Windows.
int Verify(const std::wstring& data, const std::wstring& problem_file);

}  // namespace tolvane::kitsetup
