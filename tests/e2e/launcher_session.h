// One run of the real TolvaneChat.exe for an end-to-end test: a throw-away copy of the demo kit,
// the stand-ins on the search path and behind the http and pdf associations, the launcher
// started in it, and ways to look at its window and to use it as a person would.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "kit_fixtures.h"

namespace tolvane::test {

struct ControlState {
  std::wstring window_class;
  std::wstring text;
  RECT rect;  // relative to the parent's client area
  bool visible;
  bool enabled;
  bool tab_stop;
  bool checked;
  bool vertical_scroll_bar;
  bool sunken_border;
};

// How the machine the launcher runs on is set up.
struct Machine {
  bool java = true;         // the java stand-in is on the search path
  bool java17 = false;      // ... and prints like a Java 17 runtime (no rt.jar)
  int warmup_ms = 1500;     // until the web server's main page shows the chat
  int java_startup_ms = 0;  // each start of the java stand-in takes this long
};

class LauncherSession {
 public:
  // A fresh copy of the demo kit, or the kit in `kit_folder` (with its trailing backslash).
  explicit LauncherSession(Machine machine = Machine(), std::wstring kit_folder = L"");
  ~LauncherSession();
  LauncherSession(const LauncherSession&) = delete;
  LauncherSession& operator=(const LauncherSession&) = delete;

  const std::wstring& kit() const { return kit_folder_; }
  // Starts the launcher and waits until its window shows; false when it did not.
  bool Start();
  HWND form() const { return form_; }
  HANDLE process() const { return process_.process.get(); }
  DWORD ExitCode() const;
  bool Running() const;

  HWND Control(const std::wstring& name) const;
  ControlState State(const std::wstring& name) const;
  // Whether the control's own window is visible, read without a message: the launcher may be
  // busy waiting for the Java test script.
  bool Visible(const std::wstring& name) const;
  std::wstring Focused() const;
  std::wstring Text(const std::wstring& name) const;

  // A real click at the middle of a control (labels: at the start of their caption); with
  // `release_on`, the button goes up over that control instead.
  void Click(const std::wstring& name, const std::wstring& release_on = L"");
  void Key(WORD key, bool shift = false);
  void AltKey(WORD key);
  // Minimises the window as its minimise box does, and restores it as its task-bar button does.
  void Minimise();
  void Restore();
  // Closes the window as the close box does, and waits for the program to end.
  bool Close();
  // After `settle_ms` for the last repaint to reach the screen.
  void Screenshot(const std::string& name, int settle_ms = 300) const;

  // The launcher's shown top-level window of that class and caption; nullptr when there is none.
  HWND ShownWindow(const wchar_t* window_class, const wchar_t* caption) const;
  // The message box the launcher shows now, by its caption; nullptr when there is none yet.
  HWND MessageBoxWindow(const std::wstring& caption) const {
    return ShownWindow(L"#32770", caption.c_str());
  }
  std::wstring MessageBoxText(HWND box) const;
  // Clicks a message box's button by its id (IDYES, IDNO, IDOK).
  void Answer(HWND box, int button);

  // The stand-ins' records: "role|current directory|command line" lines.
  std::vector<std::wstring> Records() const;
  std::vector<std::wstring> RecordsOf(const std::wstring& role) const;
  std::string ReadKitFile(const std::wstring& relative) const;
  void WriteKitFile(const std::wstring& relative, const std::string& bytes) const;

 private:
  POINT PointOf(const std::wstring& name) const;

  Machine machine_;
  std::optional<ScratchFolder> scratch_;
  std::wstring kit_folder_;
  StartedProgram process_;
  HWND form_ = nullptr;
};

// The window of a control of the launcher's window `form`, by the control's name.
HWND ControlWindow(HWND form, const std::wstring& name);

// Runs a command line to its end (at most 10 s), without a window.
void RunQuietly(const std::wstring& command_line);

// What a process holds of the system: its handles, working set and private bytes.
struct Holdings {
  unsigned long handles = 0;
  std::size_t working_set = 0;
  std::size_t private_bytes = 0;
};
Holdings HoldingsOf(HANDLE process);

// The name of the computer, as the launcher reads it.
std::wstring ComputerName();

// The launcher opens on the control page when the settings name this computer.
void StoreSettingsOfThisComputer(const LauncherSession& session, const std::string& java_home);

// "role|current directory|command line" split in three.
struct Record {
  std::wstring role, directory, command_line;
};
Record SplitRecord(const std::wstring& line);

}  // namespace tolvane::test
