// A Platform that records every request the form makes, one line each, and answers as a test
// says: the exit code of a started program, the answer of a message box, the computer name.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform.h"

namespace tolvane::test {

class RecordingPlatform : public Platform {
 public:
  std::vector<std::wstring> calls;

  std::wstring computer_name = L"WORKSTATION";
  bool computer_name_fails = false;
  // What happens while a message box is up (the window closed, say).
  std::function<void()> on_box = [] {};
  int message_box_answer = 6;  // IDYES
  ProcessHandle next_process = 42;
  // Runs when the form starts a program and waits for it (the Java test script): a test writes
  // the report there.
  std::function<int(const std::wstring&)> on_run = [](const std::wstring&) { return 0; };
  // Runs when the form lets window messages through: a test closes the window there.
  std::function<void()> on_messages = [] {};

  void ShellOpen(const std::wstring& file, const std::wstring& parameters,
                 const std::wstring& directory, int show) override {
    Record(L"open " + file + L" | " + parameters + L" | " + directory + L" | " + Show(show));
  }
  ProcessHandle ShellOpenKeepingProcess(const std::wstring& file, const std::wstring& directory,
                                        int show) override {
    Record(L"open keeping " + file + L" | " + directory + L" | " + Show(show));
    return next_process;
  }
  void EndProcess(ProcessHandle process) override { Record(L"end " + std::to_wstring(process)); }
  int RunAndWait(const std::wstring& path) override {
    Record(L"run " + path);
    return on_run(path);
  }
  void ShowMainWindow(int show) override { Record(L"window " + Show(show)); }
  void ProcessMessages() override {
    Record(L"messages");
    on_messages();
  }
  void RepaintMainWindow() override { Record(L"repaint"); }
  int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                     unsigned flags) override {
    Record(L"box " + caption + L" " + std::to_wstring(flags) + L" | " + text);
    on_box();
    return message_box_answer;
  }
  void Pause(unsigned milliseconds) override { Record(L"pause " + std::to_wstring(milliseconds)); }
  bool ComputerName(std::wstring& name) override {
    name = computer_name_fails ? L"" : computer_name;
    return !computer_name_fails;
  }

  // The recorded calls that begin with `prefix`.
  std::vector<std::wstring> CallsStartingWith(const std::wstring& prefix) const {
    std::vector<std::wstring> found;
    for (const auto& call : calls) {
      if (call.rfind(prefix, 0) == 0) found.push_back(call);
    }
    return found;
  }

 private:
  void Record(const std::wstring& call) { calls.push_back(call); }
  static std::wstring Show(int show) {
    switch (show) {
      case kSwHide:
        return L"SW_HIDE";
      case kSwShowMaximized:
        return L"SW_SHOWMAXIMIZED";
      case kSwShow:
        return L"SW_SHOW";
      case kSwMinimize:
        return L"SW_MINIMIZE";
      default:
        return std::to_wstring(show);
    }
  }
};

}  // namespace tolvane::test
