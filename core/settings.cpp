#include "settings.h"

#include "textfile.h"

namespace tolvane {
namespace {

// The temporary file is the settings file's name with its last character changed ("config.tx~"):
// as long as the real path, so a path that fits fits here too, and in the same folder, so that
// putting it in place is a rename.
std::wstring TemporaryPath(const std::wstring& path) {
  std::wstring temporary = path;
  if (!temporary.empty()) temporary.back() = temporary.back() == L'~' ? L'_' : L'~';
  return temporary;
}

}  // namespace

void LoadSettings(FileSystem& file_system, const std::wstring& path, TMachineSettings& settings) {
  settings.ComputerName = L"unknown";
  // A settings file that can not be read leaves the defaults; the wizard then runs again.
  try {
    if (!file_system.Exists(path)) return;
    TextReader reader(file_system, path);
    settings.ComputerName = reader.ReadLine();
    settings.JavaHome = reader.ReadLine();
  } catch (const std::exception&) {
  }
}

void SaveSettings(FileSystem& file_system, const std::wstring& path,
                  const TMachineSettings& settings) {
  const std::wstring temporary = TemporaryPath(path);
  // A lost save is not reported: the settings in memory stay in force for this run.
  try {
    {
      TextWriter writer(file_system, temporary);
      writer.WriteLine(settings.ComputerName);
      writer.WriteLine(settings.JavaHome);
      writer.Commit();
    }
    file_system.Replace(temporary, path);
  } catch (const std::exception&) {
    try {
      file_system.Remove(temporary);
    } catch (const std::exception&) {
    }
  }
}

}  // namespace tolvane
