// RegisterEnvironmentVariable: sets one system environment variable from its command line,
// NAME "value". The Tolvane Chat launcher registers JAVA_HOME with it; the tool asks for
// administrator rights through its manifest, since the machine's environment needs them.
#include <windows.h>

#include <memory>
#include <string>

#include "arguments.h"
#include "system_environment.h"

namespace {

using tolvane::envtool::ArgumentError;
using tolvane::envtool::Arguments;

constexpr wchar_t kCaption[] = L"Register environment variable";
constexpr wchar_t kUsage[] = L"Usage: RegisterEnvironmentVariable NAME \"value\"";

enum ExitCode : int { kSuccess = 0, kBadArguments = 1, kWriteFailed = 2 };

// Automated kit checks set TOLVANE_NO_DIALOGS: nobody is there to close a message box, so the
// message goes to standard error instead of holding the check until its time-out.
bool DialogsSuppressed() { return GetEnvironmentVariableW(L"TOLVANE_NO_DIALOGS", nullptr, 0) != 0; }

void WriteToStandardError(const std::wstring& text) {
  const std::wstring line = text + L"\r\n";
  const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), size,
                      nullptr, nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
            &written, nullptr);
}

void ShowError(const std::wstring& text) {
  if (DialogsSuppressed()) {
    WriteToStandardError(text);
  } else {
    MessageBoxW(nullptr, text.c_str(), kCaption, MB_OK | MB_ICONERROR);
  }
}

struct LocalFreer {
  void operator()(wchar_t* text) const { LocalFree(text); }
};

std::wstring SystemErrorText(DWORD code) {
  wchar_t* raw = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
  const std::unique_ptr<wchar_t, LocalFreer> owner(raw);
  if (length == 0) return L"System error " + std::to_wstring(code) + L".";
  std::wstring text(raw, length);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
  return text;
}

std::wstring ArgumentErrorText(const Arguments& arguments) {
  switch (arguments.error) {
    case ArgumentError::kMissingName:
      return L"No variable name was given.";
    case ArgumentError::kBadName:
      return L"\"" + arguments.name +
             L"\" is not a valid variable name: it must not contain '=' or double quotes.";
    case ArgumentError::kMissingValue:
      return L"The value of " + arguments.name + L" must stand between double quotes.";
    case ArgumentError::kStrayText:
      return L"Only blanks may stand before and after the quoted value of " + arguments.name + L".";
    case ArgumentError::kNone:
      break;
  }
  return {};
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The tool runs as administrator from the kit folder: a DLL of a system library's name put
  // beside it must never be loaded.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  const Arguments arguments = tolvane::envtool::ParseCommandLine(GetCommandLineW());
  if (arguments.error != ArgumentError::kNone) {
    ShowError(ArgumentErrorText(arguments) + L"\n\n" + kUsage);
    return kBadArguments;
  }
  const DWORD status =
      tolvane::envtool::SetSystemEnvironmentVariable(arguments.name, arguments.value);
  if (status != ERROR_SUCCESS) {
    ShowError(L"The system environment variable " + arguments.name + L" could not be set.\n\n" +
              SystemErrorText(status));
    return kWriteFailed;
  }
  return kSuccess;
}
