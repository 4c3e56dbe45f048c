// Helpers for the tests of the kit's own programs and stand-ins under Wine: where the built
// programs are, throw-away folders, environment overrides and running a program to its end.
#pragma once

#include <windows.h>
// Needs the types windows.h defines.
#include <tlhelp32.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host_path.h"

namespace tolvane::test {

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// A program the build made in kit/, given relative to the build's kit folder.
inline std::wstring KitBinary(const std::wstring& relative) {
  return HostPath(TOLVANE_BINARY_DIR "/kit/") + relative;
}

inline std::wstring KitSource(const std::wstring& relative) {
  return HostPath(TOLVANE_SOURCE_DIR "/kit/") + relative;
}

// A new empty folder under the temporary folder, removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(static_cast<DWORD>(std::size(temp)), temp);
    static unsigned counter = 0;
    path_ = std::wstring(temp) + L"tolvane-kit-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++counter) + L"\\";
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;  // a file a killed process still held must not fail the test
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // With its trailing backslash.
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

// Sets an environment variable of this process (inherited by the programs it starts) and puts
// the old value back at the end; nullptr removes the variable.
class EnvironmentOverride {
 public:
  EnvironmentOverride(std::wstring name, const wchar_t* value) : name_(std::move(name)) {
    const DWORD size = GetEnvironmentVariableW(name_.c_str(), nullptr, 0);
    if (size > 0) {
      std::wstring old(size, L'\0');
      old.resize(GetEnvironmentVariableW(name_.c_str(), old.data(), size));
      old_ = old;
    }
    SetEnvironmentVariableW(name_.c_str(), value);
  }
  ~EnvironmentOverride() { SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr); }
  EnvironmentOverride(const EnvironmentOverride&) = delete;
  EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

  const std::optional<std::wstring>& old() const { return old_; }

 private:
  std::wstring name_;
  std::optional<std::wstring> old_;
};

// An inheritable handle for a program's output: the file `path`, created anew, or NUL.
inline UniqueHandle OutputFile(const std::wstring& path = L"NUL") {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  return UniqueHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Held by every test that starts the kit's servers: "taskkill /F /IM httpd.exe" and the media
// server's stop command reach every test's servers in the Wine prefix, so tests run in parallel
// (ctest -j) must take turns. A lock left by a crashed test is taken over.
class KitServersLock {
 public:
  KitServersLock() : mutex_(CreateMutexW(nullptr, FALSE, L"TolvaneKitTestServers")) {
    const DWORD wait = WaitForSingleObject(mutex_.get(), 90000);
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  }
  ~KitServersLock() {
    if (held_) ReleaseMutex(mutex_.get());
  }
  KitServersLock(const KitServersLock&) = delete;
  KitServersLock& operator=(const KitServersLock&) = delete;

 private:
  UniqueHandle mutex_;
  bool held_ = false;
};

// Waits until `done` is true, checking every 50 ms; false when `timeout` passed first.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

inline bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A file or a folder: FileExists of a folder is always false.
inline bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of a text, split at CR LF; a last line without its CR LF counts too.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// A text KitSetup wrote: UTF-16 with a byte-order mark, as Notepad reads it.
inline std::wstring Utf16(const std::string& bytes) {
  const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
  return text.empty() || text[0] != L'\xFEFF' ? text : text.substr(1);
}

inline std::wstring Wide(const std::string& utf8) {
  std::wstring text(utf8.size(), L'\0');
  text.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(),
                          static_cast<int>(text.size()))));
  return text;
}

inline std::string Utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

// Wine copies Start-menu shortcuts into the host's menus: into the build folder, for every test
// that runs the setup program.
struct MenusInTheBuildFolder {
  const EnvironmentOverride data{L"XDG_DATA_HOME", L"" TOLVANE_BINARY_DIR "/installer-test-menus"};
  const EnvironmentOverride config{L"XDG_CONFIG_HOME",
                                   L"" TOLVANE_BINARY_DIR "/installer-test-menus"};
};

// Wine's settings for one program's libraries (HKCU\Software\Wine\AppDefaults), removed at the
// end: "native,builtin" to search for a library as Windows searches for one that is not among its
// known ones, "disabled" to refuse it, and with it the program's start.
class WineLibraries {
 public:
  WineLibraries(const std::wstring& program, std::initializer_list<const wchar_t*> libraries,
                const std::wstring& setting)
      : key_(L"Software\\Wine\\AppDefaults\\" + program) {
    for (const wchar_t* library : libraries) {
      RegSetKeyValueW(HKEY_CURRENT_USER, (key_ + L"\\DllOverrides").c_str(), library, REG_SZ,
                      setting.c_str(), static_cast<DWORD>((setting.size() + 1) * sizeof(wchar_t)));
    }
  }
  ~WineLibraries() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
  WineLibraries(const WineLibraries&) = delete;
  WineLibraries& operator=(const WineLibraries&) = delete;

 private:
  std::wstring key_;
};

// A function of a system library the build's Windows version leaves undeclared, or null.
template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(library), name)));
}

inline bool UnderWine() {
  return SystemFunction<void (*)()>(L"ntdll.dll", "wine_get_version") != nullptr;
}

// A program started and not waited for; no process when it did not start.
struct StartedProgram {
  UniqueHandle process;
  DWORD id = 0;
};

// Starts `command_line` in `directory` (empty: this process's). `output`, an inheritable handle
// when given, receives the program's standard output and standard error.
inline StartedProgram StartProgram(std::wstring command_line, const std::wstring& directory = L"",
                                   HANDLE output = nullptr) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (output != nullptr) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, output != nullptr, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
    return {};
  }
  CloseHandle(info.hThread);
  return {UniqueHandle(info.hProcess), info.dwProcessId};
}

// Waits at most `timeout_ms` for `process` to end, and ends it if it is still running then, so
// that a hung program fails the test instead of outliving it. Its exit code; STILL_ACTIVE when it
// outlived the wait. Waits answering this thread's messages: a program that broadcasts (the
// environment tool's WM_SETTINGCHANGE) waits until every top-level window, a test's own
// included, has answered.
inline DWORD ExitCodeWithin(HANDLE process, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (ULONGLONG now = GetTickCount64();; now = GetTickCount64()) {
    const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
    if (MsgWaitForMultipleObjects(1, &process, FALSE, left, QS_ALLINPUT) != WAIT_OBJECT_0 + 1)
      break;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
  } else {
    GetExitCodeProcess(process, &code);
  }
  return code;
}

struct RunResult {
  bool started = false;
  DWORD exit_code = 0;  // STILL_ACTIVE when the program outlived the wait, and was then ended
};

// Runs `command_line` as StartProgram starts it, to its end as ExitCodeWithin waits for it.
inline RunResult RunProgram(std::wstring command_line, const std::wstring& directory,
                            DWORD timeout_ms, HANDLE output = nullptr) {
  const StartedProgram program = StartProgram(std::move(command_line), directory, output);
  if (!program.process) return {};
  return {true, ExitCodeWithin(program.process.get(), timeout_ms)};
}

// Setup's first steps, taken with KitSetup `tool`: a staging folder made in `kit`, and the kit the
// build shipped (`shipped`, its record in `shipped`-data) unpacked into it. Gives the staging
// folder's name, empty when none was made.
inline std::wstring Staged(const std::wstring& tool, const std::wstring& kit,
                           const std::wstring& shipped) {
  const std::wstring name_file = kit + L".staging", command = L"\"" + tool + L"\" makefolder \"" +
                                                              kit + L"\" \"" + shipped +
                                                              L"-data\" \"" + name_file + L"\"";
  if (RunProgram(command, L"", 60000).exit_code != 0) return L"";
  const std::wstring staging = Utf16(ReadBytes(name_file));
  std::filesystem::copy(std::filesystem::path(shipped),
                        std::filesystem::path(kit + L"\\" + staging),
                        std::filesystem::copy_options::recursive);
  return staging;
}

// KitSetup `tool` puts in place what `Staged` unpacked; its exit code.
inline DWORD InstallStaged(const std::wstring& tool, const std::wstring& kit,
                           const std::wstring& staging, const std::wstring& shipped) {
  return RunProgram(L"\"" + tool + L"\" install \"" + kit + L"\" " + staging + L" \"" + shipped +
                        L"-data\" \"" + kit + L"\\setup-report.txt\"",
                    L"", 60000)
      .exit_code;
}

// Running processes of the image `image` (such as httpd.exe) or, given a full path, of that very
// program: then other tests' programs of the same name do not count.
inline int CountProcesses(const std::wstring& image) {
  const std::wstring name = image.substr(image.find_last_of(L'\\') + 1);
  const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, name.c_str()) != 0) continue;
    const UniqueHandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    count += name == image ||
             (process && QueryFullProcessImageNameW(process.get(), 0, path.data(), &size) &&
              _wcsicmp(path.c_str(), image.c_str()) == 0);
  }
  return count;
}

}  // namespace tolvane::test
