// The Platform of the real launcher: Win32 shell, process and window calls.
#pragma once

#include <windows.h>

#include <functional>

#include "platform.h"

namespace tolvane {

class Win32Platform : public Platform {
 public:
  // `run_wait_ms`: how long RunAndWait waits for its child; the launcher's is 15 s, and tests
  // shorten it.
  explicit Win32Platform(DWORD run_wait_ms = 15000) : run_wait_ms_(run_wait_ms) {}

  // The main window that owns message boxes and kept processes, and that is shown and hidden.
  void set_main_window(HWND window) { main_window_ = window; }
  // Keyboard handling the message loop applies before dispatching (Tab and arrow keys); true
  // when the message was handled.
  void set_message_filter(std::function<bool(MSG&)> filter) { filter_ = std::move(filter); }
  // Told true when a handler starts to wait (the Java test script, a pause), false when it ends:
  // meanwhile the window answers screen readers but acts on nothing.
  void set_wait_observer(std::function<void(bool)> observer) {
    wait_observer_ = std::move(observer);
  }

  // Runs the message loop until WM_QUIT; returns its exit code.
  int RunMessageLoop();

  void ShellOpen(const std::wstring& file, const std::wstring& parameters,
                 const std::wstring& directory, int show) override;
  ProcessHandle ShellOpenKeepingProcess(const std::wstring& file, const std::wstring& directory,
                                        int show) override;
  void EndProcess(ProcessHandle process) override;
  int RunAndWait(const std::wstring& path) override;
  void ShowMainWindow(int show) override;
  void ProcessMessages() override;
  void RepaintMainWindow() override;
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                     unsigned flags) override;
  void Pause(unsigned milliseconds) override;
  bool ComputerName(std::wstring& name) override;

 private:
  void Dispatch(MSG& message);
  void Wait(HANDLE object, DWORD milliseconds);

  DWORD run_wait_ms_;
  HWND main_window_ = nullptr;
  std::function<bool(MSG&)> filter_;
  std::function<void(bool)> wait_observer_;
};

}  // namespace tolvane
