// KitSetup's commands, and what they share: the setup data the script hands over, the record
// in the kit folder, the links on the way, the staging folder, and the report.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "manifest.h"
#include "plan.h"
#include "system.h"

namespace tolvane::kitsetup {

enum ExitCode : int {
  kDone = 0,
  kBadArguments = 2,
  kFolderRefused = 3,
  kInUse = 4,  // programs of the kit run, or another setup or uninstaller changes the folder
  kFilesFailed = 5
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

Record ReadKitRecord(const std::wstring& kit);
Disk DiskOf(const std::wstring& kit);

// The kit folder, or the first folder of it on the way to these records' files, that is a link;
// empty when there is none. The folders stay pinned in `pins` until it is released.
std::wstring LinkInTheKit(const std::wstring& kit, std::initializer_list<const Manifest*> records,
                          FolderPins& pins);

// Why the kit folder, a folder above it or one in it that setup writes in would let another
// account of the computer change the kit; empty when none would (or on a drive without access
// lists).
std::wstring WhyUntrusted(const std::wstring& folder, const std::vector<std::wstring>& inside);
// Gives a kit folder of the user's that other accounts can change the kit's access list, and a
// folder in it only what it inherits; what it did, for the report.
std::wstring ProtectKitFolder(const std::wstring& folder, const std::vector<std::wstring>& inside);

// Whether `name` is a staging folder of the kit folder that setup made: its name has the form,
// it is no link, and its marker file holds its name.
bool IsOwnStaging(const std::wstring& kit, const std::wstring& name);

// A heading and its paths, at most twenty of them; empty when there are none.
std::wstring Listed(const std::wstring& heading, const std::vector<std::wstring>& paths);
// Writes the report, or removes one an earlier run left when there is nothing to tell.
void Report(const std::wstring& path, const std::wstring& text);

// 3 when the kit can not go into the folder given; `answer_file` then says why, and otherwise
// gives the folder's canonical name. The other commands take the kit folder by that name.
int Check(const std::wstring& given, const std::wstring& data, const std::wstring& answer_file);
// 3 when setup runs elevated from a desktop that is not: another account's, or the user's
// administrator rights, would own the kit.
int Elevated();
int Running(const std::wstring& folder, const std::wstring& except, const std::wstring& names,
            const std::wstring& data);
int MakeFolder(const std::wstring& folder, const std::wstring& data,
               const std::wstring& staging_name_file, const std::wstring& log);
int Install(const std::wstring& folder, const std::wstring& staging, const std::wstring& data,
            const std::wstring& report);
int Uninstall(const std::wstring& folder, const std::wstring& except, const std::wstring& report,
              bool registered);
// For the build: 2, with the reason written to `problem_file` (UTF-8), when setup could not
// install the data's files on Windows.
int Verify(const std::wstring& data, const std::wstring& problem_file);

}  // namespace tolvane::kitsetup
