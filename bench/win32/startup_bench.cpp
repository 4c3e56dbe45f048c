// Start-up and idle holdings of the launcher against a bare window with the same manifest, all
// timed the same way in one run, alternating: from CreateProcess until the program's top-level
// window is visible and answers WM_NULL. A second baseline is the bare window showing the standard
// controls of the page the launcher opens on, which tells Wine's cost for those controls from the
// launcher's own. Then, after a second of idleness, each program's working set, private bytes and
// handle count. Prints rows of the benchmark table, each with the runs it measured and the runs in
// which no window came; asserts nothing, but ends with 1 when a row measured nothing at all.
//
//   startup_bench.exe KIT_FOLDER\ BARE_WINDOW.EXE [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

#include "bench_measure.h"
#include "launcher_session.h"

namespace {

using tolvane::bench::Now;
using tolvane::bench::PrintRow;
using tolvane::bench::Series;
using tolvane::test::Holdings;

struct Search {
  DWORD pid;
  HWND found;
};

HWND VisibleWindowOf(DWORD pid) {
  Search search = {pid, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != s->pid || !IsWindowVisible(window)) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct Run {
  double ms = -1;  // negative when the window never came
  Holdings idle;
};

// Starts `program` in `folder`, times it until its window answers; measures it idle when asked.
Run StartOnce(const std::wstring& program, const std::wstring& folder, bool measure_idle,
              const std::wstring& arguments = L"") {
  Run run;
  std::wstring command = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  const double start = Now();
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process)) {
    return run;
  }
  HWND window = nullptr;
  while (!(window = VisibleWindowOf(process.dwProcessId)) && Now() - start < 10000) Sleep(1);
  DWORD_PTR answer = 0;
  if (window && SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer)) {
    run.ms = Now() - start;
  }
  if (measure_idle) {
    Sleep(1000);
    run.idle = tolvane::test::HoldingsOf(process.hProcess);
  }
  // Ended, not closed: closing the launcher would stop the server stack it never started.
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 5000);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  // Wine's desktop needs a moment to forget the window before the next program starts.
  Sleep(200);
  return run;
}

// The launcher opens on the control page when the settings name this computer, on the first-run
// wizard when there are none.
void SetFirstRun(const std::wstring& kit, bool first_run) {
  const std::wstring settings = kit + L"tools\\config.txt";
  DeleteFileW(settings.c_str());
  if (first_run) return;
  wchar_t name[256] = {};
  DWORD length = static_cast<DWORD>(std::size(name));
  GetComputerNameW(name, &length);
  char ansi[512] = {};
  WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, sizeof(ansi), nullptr, nullptr);
  const std::string text = std::string(ansi) + "\r\n\r\n";
  HANDLE file = CreateFileW(settings.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: startup_bench KIT_FOLDER\\ BARE_WINDOW.EXE [RUNS]\n");
    return 2;
  }
  const std::wstring kit = argv[1];
  const std::wstring launcher = kit + L"TolvaneChat.exe";
  const std::wstring bare = argv[2];
  const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 20;

  Series launcher_idle[3], bare_idle[3];  // working set, private bytes, handles
  bool measured = true;
  const auto idle = [](Series* series, const Run& run) {
    const double values[] = {run.idle.working_set / 1024.0, run.idle.private_bytes / 1024.0,
                             static_cast<double>(run.idle.handles)};
    for (int i = 0; i < 3; ++i) series[i].Add(run.ms >= 0, values[i]);
  };
  for (const bool first_run : {true, false}) {
    SetFirstRun(kit, first_run);
    StartOnce(launcher, kit, false);  // warms the file cache and Wine's server
    const wchar_t* page = first_run ? L"panel1" : L"panel4";
    Series launcher_ms, bare_ms, controls_ms;
    for (int i = 0; i < runs; ++i) {
      const bool last = i == runs - 1;
      const Run l = StartOnce(launcher, kit, last && !first_run);
      const Run b = StartOnce(bare, kit, last && !first_run);
      const Run c = StartOnce(bare, kit, false, page);
      launcher_ms.Add(l.ms >= 0, l.ms);
      bare_ms.Add(b.ms >= 0, b.ms);
      controls_ms.Add(c.ms >= 0, c.ms);
      if (last && !first_run) idle(launcher_idle, l), idle(bare_idle, b);
    }
    PrintRow(first_run ? "start-up, first-run page (ms, min / median / max)"
                       : "start-up, control page (ms, min / median / max)",
             launcher_ms, bare_ms);
    PrintRow(first_run ? "... baseline: the bare window with the first-run page's standard controls"
                       : "... baseline: the bare window with the control page's standard controls",
             launcher_ms, controls_ms);
    measured = measured && launcher_ms.measured() && bare_ms.measured() && controls_ms.measured();
  }
  const char* idle_rows[] = {"idle working set (KiB)", "idle private bytes (KiB)", "idle handles"};
  for (int i = 0; i < 3; ++i) PrintRow(idle_rows[i], launcher_idle[i], bare_idle[i]);
  return measured && launcher_idle[0].measured() && bare_idle[0].measured() ? 0 : 1;
}
