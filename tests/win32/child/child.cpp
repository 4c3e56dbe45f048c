// A program for the tests of starting and waiting: it is started with its path as the whole
// command line, so the environment tells it what to do.
//   TOLVANE_CHILD_DIR_FILE  write the current directory into this file
//   TOLVANE_CHILD_SLEEP_MS  then sleep this long
//   TOLVANE_CHILD_EXIT      then exit with this code
//   TOLVANE_CHILD_SAVE_LOOP save the settings to this file for ever, alternating two contents,
//                           and set the event TOLVANE_CHILD_SAVING after the first save
#include <windows.h>

#include <cwchar>
#include <string>

#include "files.h"
#include "settings.h"

namespace {

std::wstring Variable(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, static_cast<DWORD>(std::size(value)));
  return length < std::size(value) ? std::wstring(value, length) : std::wstring();
}

// Runs until the test ends the process, at any moment of a save.
void SaveForEver(const std::wstring& path) {
  const tolvane::TMachineSettings contents[] = {{L"OLD-PC", L"C:\\Java\\old"},
                                                {L"NEW-PC", L"C:\\Program Files\\Java\\new"}};
  HANDLE saving = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"TOLVANE_CHILD_SAVING");
  for (unsigned count = 0;; ++count) {
    tolvane::SaveSettings(tolvane::MachineFileSystem(), path, contents[count % 2]);
    if (count == 0 && saving) SetEvent(saving);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring settings = Variable(L"TOLVANE_CHILD_SAVE_LOOP");
  if (!settings.empty()) SaveForEver(settings);
  const std::wstring file = Variable(L"TOLVANE_CHILD_DIR_FILE");
  if (!file.empty()) {
    wchar_t directory[MAX_PATH + 1] = {};
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(std::size(directory)), directory);
    HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(out, directory, length * sizeof(wchar_t), &written, nullptr);
    CloseHandle(out);
  }
  const std::wstring sleep = Variable(L"TOLVANE_CHILD_SLEEP_MS");
  if (!sleep.empty()) Sleep(static_cast<DWORD>(std::wcstoul(sleep.c_str(), nullptr, 10)));
  const std::wstring code = Variable(L"TOLVANE_CHILD_EXIT");
  return code.empty() ? 0 : static_cast<int>(std::wcstol(code.c_str(), nullptr, 10));
}
