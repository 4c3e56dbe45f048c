// Stand-in for the kit's web server, servers\apache\bin\httpd.exe. Like Apache on Windows it runs
// as two processes of the same image name: the one the launcher starts, which starts a worker
// (itself with "-worker") and waits for it, and the worker, which serves the web application.
// "taskkill /F /IM httpd.exe" therefore has to end both, as it must for the real server.
#include <windows.h>
// Needs the types windows.h defines.
#include <shellapi.h>

#include <string>

#include "owners.h"
#include "record.h"
#include "web_worker.h"

namespace {

constexpr wchar_t kWorkerArgument[] = L"-worker";

bool IsWorker() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  const bool worker =
      arguments != nullptr && count == 2 && std::wstring(arguments[1]) == kWorkerArgument;
  LocalFree(arguments);
  return worker;
}

int RunWorkerAndWait() {
  const std::wstring program = tolvane::standin::ModulePath();
  std::wstring command_line = L"\"" + program + L"\" " + kWorkerArgument;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info)) {
    return 1;
  }
  const tolvane::standin::UniqueHandle process(info.hProcess);
  const tolvane::standin::UniqueHandle thread(info.hThread);
  WaitForSingleObject(process.get(), INFINITE);
  DWORD exit_code = 1;
  GetExitCodeProcess(process.get(), &exit_code);
  return static_cast<int>(exit_code);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (IsWorker()) {
    tolvane::standin::Record(L"httpd-worker");
    return tolvane::standin::RunWebWorker();
  }
  tolvane::standin::Record(L"httpd");
  return RunWorkerAndWait();
}
