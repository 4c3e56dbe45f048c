// The demo's scripted walk-through, for a machine without a display: the first run's wizard, a
// start and a stop of the server stack, by real clicks on the launcher of the demo kit, with a
// screenshot of every step. Usage: walkthrough.exe <kit folder with trailing backslash>
#include <windows.h>

#include <cstdio>
#include <string>

#include "launcher_session.h"

namespace {

using tolvane::test::LauncherSession;
using tolvane::test::WaitUntil;

int step = 0;

bool Step(bool done, const char* what) {
  std::printf("%s %s\n", done ? "ok  " : "FAIL", what);
  std::fflush(stdout);
  return done;
}

void Shot(const LauncherSession& session, const char* name, int settle_ms = 300) {
  session.Screenshot(std::to_string(++step) + "-" + name, settle_ms);
}

bool OnlyPage(const LauncherSession& session, const std::wstring& page) {
  for (const wchar_t* p : {L"panel1", L"panel2", L"panel3", L"panel4"}) {
    if (session.Visible(p) != (page == p)) return false;
  }
  return true;
}

bool Walk(LauncherSession& session) {
  if (!Step(session.Start() && OnlyPage(session, L"panel1"), "the first start shows the licence")) {
    return false;
  }
  Shot(session, "licence");
  session.Click(L"next1");
  if (!Step(WaitUntil([&] { return OnlyPage(session, L"panel2"); }),
            "the media server's licence")) {
    return false;
  }
  Shot(session, "media-server-licence");
  session.Click(L"next2");
  if (!Step(WaitUntil([&] { return OnlyPage(session, L"panel3"); }), "the waiting page"))
    return false;
  Shot(session, "waiting", 0);
  if (!Step(WaitUntil([&] { return !session.Text(L"currentjavaversion").empty(); }),
            "the Java page shows the Java runtime found")) {
    return false;
  }
  Shot(session, "java");
  session.Click(L"next3");
  if (!Step(WaitUntil([&] { return OnlyPage(session, L"panel4"); }), "the control page"))
    return false;
  Shot(session, "control-page");

  session.Click(L"startservers");
  const bool opened = WaitUntil([&] { return !session.RecordsOf(L"browser").empty(); });
  if (!Step(opened, "the stack starts and the browser opens the chat's main page")) return false;
  std::wprintf(L"     browser: %ls\n",
               tolvane::test::SplitRecord(session.RecordsOf(L"browser")[0]).command_line.c_str());
  WaitUntil([&] { return IsWindowVisible(session.form()) != FALSE; });
  Shot(session, "stack-running");
  session.Click(L"startservers");
  WaitUntil([&] { return !IsWindowVisible(session.form()); }, std::chrono::seconds(3));
  const bool stopped = WaitUntil([&] {
    return IsWindowVisible(session.form()) && tolvane::test::CountProcesses(L"httpd.exe") == 0;
  });
  if (!Step(stopped, "the stack stops")) return false;
  Shot(session, "stack-stopped");
  return Step(session.Close(), "the launcher closes");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: walkthrough.exe <kit folder>\\\n");
    return 2;
  }
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  tolvane::test::Machine machine;
  machine.java_startup_ms = 1000;  // as long as a real Java runtime takes, so the wait shows
  machine.warmup_ms = 3000;
  LauncherSession session(machine, argv[1]);
  return Walk(session) ? 0 : 1;
}
