// The launcher's window onto the operating system: shell requests, processes, the main window's
// show state, message boxes, pauses and the computer name. The form's handlers reach Windows only
// through this interface, so they run unchanged against a recording fake in native tests.
#pragma once

#include <cstdint>
#include <string>

namespace tolvane {

// Windows show modes the launcher passes (values as in winuser.h).
enum ShowMode : int {
  kSwHide = 0,
  kSwShowMaximized = 3,
  kSwShow = 5,
  kSwMinimize = 6,
};

// Message box flags and answers the launcher uses (values as in winuser.h).
enum MessageBoxFlags : unsigned {
  kMbOk = 0x00,
  kMbYesNo = 0x04,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
};
constexpr int kIdNo = 7;

// An opaque handle of a process the launcher keeps; 0 is none.
using ProcessHandle = std::uintptr_t;

class Platform {
 public:
  virtual ~Platform() = default;

  // ShellExecuteW with verb "open" and no owner; the result is ignored on purpose: the launcher
  // never reports a failed shell request (the shell may show its own message).
  virtual void ShellOpen(const std::wstring& file, const std::wstring& parameters,
                         const std::wstring& directory, int show) = 0;

  // ShellExecuteExW with SEE_MASK_NOCLOSEPROCESS, the main window as owner and no parameters.
  // Returns the started process's handle, or 0 when nothing was started.
  virtual ProcessHandle ShellOpenKeepingProcess(const std::wstring& file,
                                                const std::wstring& directory, int show) = 0;

  // TerminateProcess with exit code 0, then CloseHandle.
  virtual void EndProcess(ProcessHandle process) = 0;

  // Starts `path` as the whole command line in a new minimised console, with the path's directory
  // as current directory, and waits at most 15 s. Returns the exit code, 259 (STILL_ACTIVE) for a
  // child that outlives the wait, or -1 when it could not be started.
  virtual int RunAndWait(const std::wstring& path) = 0;

  // ShowWindow on the main window.
  virtual void ShowMainWindow(int show) = 0;

  // Lets pending window messages be processed; handlers that must repaint before a long wait use
  // it.
  virtual void ProcessMessages() = 0;

  // Invalidates, updates and repaints the main window now.
  virtual void RepaintMainWindow() = 0;

  // MessageBoxW owned by the main window; returns the button pressed (0 when the call failed).
  virtual int ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                             unsigned flags) = 0;

  // Sleep.
  virtual void Pause(unsigned milliseconds) = 0;

  // GetComputerNameW into a buffer of 256 characters; false (and `name` empty) on failure.
  virtual bool ComputerName(std::wstring& name) = 0;
};

}  // namespace tolvane
