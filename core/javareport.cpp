#include "javareport.h"

#include "kit.h"
#include "text.h"
#include "textfile.h"

namespace tolvane {
namespace {

// The report: "[version]", a line beginning with "java version", further version lines up to
// "[info]", then lines of which one names "\lib\rt.jar" under the Java home.
void ReadJavaReport(FileSystem& file_system, const std::wstring& path, JavaDetection& result) {
  if (!file_system.Exists(path)) return;
  TextReader reader(file_system, path);
  if (reader.ReadLine() != L"[version]") return;
  std::wstring line = reader.ReadLine();
  if (Pos(L"java version", line) != 1) return;

  // The end-of-file test comes first, so a report without "[info]" loses its last line.
  while (!reader.AtEnd() && line != L"[info]") {
    result.JavaInfo += line + L"\r\n";
    line = reader.ReadLine();
  }

  while (!reader.AtEnd()) {
    line = reader.ReadLine();
    const std::wstring lower = LowerCase(line);
    const int home = Pos(L"c:\\program files", lower);
    if (home == 0) continue;
    const int library = Pos(L"\\lib\\rt.jar", lower);
    if (library == 0) continue;
    // Lower-casing keeps positions, so the home is cut from the line as the report writes it. A
    // library path standing before the home gives the empty text and still ends the search.
    result.DetectedJavaHome = Copy(line, home, library - home);
    return;
  }
}

}  // namespace

void DetectJava(FileSystem& file_system,
                const std::function<int(const std::wstring&)>& run_and_wait,
                const std::wstring& app_dir, JavaDetection& result) {
  result.JavaInfo.clear();
  result.DetectedJavaHome.clear();
  const std::wstring report = app_dir + kit::kJavaReport;

  // A report that can not be deleted is read again below, as the script left it.
  try {
    if (file_system.Exists(report)) file_system.Remove(report);
  } catch (const std::exception&) {
  }

  run_and_wait(app_dir + kit::kJavaTestScript);  // the script's exit code tells nothing

  // An unreadable report ends the detection; what was gathered before the error stays.
  try {
    ReadJavaReport(file_system, report, result);
  } catch (const std::exception&) {
  }
}

}  // namespace tolvane
