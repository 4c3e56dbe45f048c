#include "platform_win32.h"

#include <shellapi.h>

#include <iterator>

#include "wait_win32.h"

namespace tolvane {
namespace {

const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

// RAII owner of a kernel handle.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Makes a directory the current one for as long as it lives, then restores the one before.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::wstring& directory) {
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    if (length > 0) {
      saved_.resize(length);
      saved_.resize(GetCurrentDirectoryW(length, saved_.data()));
    }
    // An empty directory part (a bare program name) leaves the current directory as it is.
    if (!directory.empty()) SetCurrentDirectoryW(directory.c_str());
  }
  ~CurrentDirectory() {
    if (!saved_.empty()) SetCurrentDirectoryW(saved_.c_str());
  }
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;

 private:
  std::wstring saved_;
};

}  // namespace

int Win32Platform::RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) Dispatch(message);
  return static_cast<int>(message.wParam);
}

void Win32Platform::Dispatch(MSG& message) {
  if (filter_ && filter_(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void Win32Platform::ShellOpen(const std::wstring& file, const std::wstring& parameters,
                              const std::wstring& directory, int show) {
  // The result is ignored on purpose: the launcher never reports a failed shell request.
  ShellExecuteW(nullptr, L"open", file.c_str(), OrNull(parameters), OrNull(directory), show);
}

ProcessHandle Win32Platform::ShellOpenKeepingProcess(const std::wstring& file,
                                                     const std::wstring& directory, int show) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = main_window_;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.lpDirectory = OrNull(directory);
  info.nShow = show;
  if (!ShellExecuteExW(&info)) return 0;
  return reinterpret_cast<ProcessHandle>(info.hProcess);
}

void Win32Platform::EndProcess(ProcessHandle process) {
  HANDLE handle = reinterpret_cast<HANDLE>(process);
  TerminateProcess(handle, 0);
  CloseHandle(handle);
}

int Win32Platform::RunAndWait(const std::wstring& path) {
  // The command line is the program's path alone, quoted, in a buffer of 512 characters and its
  // NUL; a longer path can not be started. Unquoted, "C:\Kits\My Kit\tools\javatest.bat" would
  // first start C:\Kits\My.exe, which another account may have put in a folder it can write.
  wchar_t command_line[513] = {};
  const std::wstring quoted = L"\"" + path + L"\"";
  if (quoted.size() >= std::size(command_line)) return -1;
  quoted.copy(command_line, quoted.size());

  const CurrentDirectory in_program_directory(path.substr(0, path.find_last_of(L"\\:") + 1));
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_MINIMIZE;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, command_line, nullptr, nullptr, FALSE,
                      CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  const Handle process_handle(process.hProcess);
  const Handle thread_handle(process.hThread);
  // A child that outlives the wait keeps running on its own and reports STILL_ACTIVE.
  Wait(process.hProcess, run_wait_ms_);
  DWORD exit_code = 0;
  if (!GetExitCodeProcess(process.hProcess, &exit_code)) return -1;
  return static_cast<int>(exit_code);
}

void Win32Platform::ShowMainWindow(int show) { ShowWindow(main_window_, show); }

void Win32Platform::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The main loop must still see the quit request to end the program.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

void Win32Platform::RepaintMainWindow() {
  if (!IsWindow(main_window_)) return;
  InvalidateRect(main_window_, nullptr, TRUE);
  UpdateWindow(main_window_);
  RedrawWindow(main_window_, nullptr, nullptr,
               RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

int Win32Platform::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                  unsigned flags) {
  return MessageBoxW(main_window_, text.c_str(), caption.c_str(), flags);
}

void Win32Platform::Pause(unsigned milliseconds) { Wait(nullptr, milliseconds); }

void Win32Platform::Wait(HANDLE object, DWORD milliseconds) {
  if (wait_observer_) wait_observer_(true);
  WaitAnsweringReaders(object, milliseconds);
  if (wait_observer_) wait_observer_(false);
}

bool Win32Platform::ComputerName(std::wstring& name) {
  wchar_t buffer[256] = {};
  DWORD size = static_cast<DWORD>(std::size(buffer));
  if (!GetComputerNameW(buffer, &size)) {
    name.clear();
    return false;
  }
  name = buffer;
  return true;
}

}  // namespace tolvane
