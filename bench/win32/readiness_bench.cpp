// Readiness latency: how long after the chat's page starts to show the chat the launcher opens it
// in the browser. The launcher runs on its control page with "Auto open main page" ticked; the
// kit's web server is a private Apache + PHP on port 85 whose page shows the marker only once the
// flag file exists; the flag is made at a random moment 1-5 s after a real click on Start.
// Latency = the browser's start - the flag's. Beside it is the floor to expect: with the flag made
// at a random moment, the probe's next request comes on average half its 500 ms pause later, and
// one answer of that server after it the page shows the chat; at the longest a whole pause. Prints
// a row of the benchmark table with the runs it measured and those in which the browser never
// opened; asserts nothing, but ends with 1 when it measured nothing at all.
//
//   readiness_bench.exe FLAG_FILE [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

#include "bench_measure.h"
#include "http_client.h"
#include "launcher_session.h"
#include "probe.h"

namespace {

using namespace tolvane::test;
using tolvane::bench::Format;
using tolvane::bench::Now;
using tolvane::bench::PrintRow;
using tolvane::bench::Series;
using tolvane::bench::SpreadOf;

constexpr wchar_t kMainPage[] = L"http://127.0.0.1:85/index.php";

// The times of 10 answers of the page over one connection.
Series Answers() {
  tolvane::HttpClient http;
  Series answers;
  for (int i = 0; i < 10; ++i) {
    const double start = Now();
    answers.Add(http.Get(kMainPage, tolvane::kMainPageMarker).fetched, Now() - start);
  }
  return answers;
}

constexpr char kRow[] =
    "readiness latency (ms, min / median / max; baseline: the expected floor, and the longest)";

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: readiness_bench FLAG_FILE [RUNS]\n");
    return 2;
  }
  const std::wstring flag = argv[1];
  const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 10;
  DeleteFileW(flag.c_str());
  const Series answers = Answers();
  const double answer = SpreadOf(answers.values).median;
  const double expected = tolvane::kMainPagePauseMs / 2.0 + answer;
  const std::string floor =
      Format("%.0f (longest %.0f)", expected, tolvane::kMainPagePauseMs + answer);

  Series latencies;
  LauncherSession session;
  StoreSettingsOfThisComputer(session, "");
  // The web server is the private Apache: the kit's own stand-in only records that it started.
  const std::wstring recorder = session.kit() + L"tools\\jre.exe";
  CopyFileW(recorder.c_str(), (session.kit() + L"servers\\apache\\bin\\httpd.exe").c_str(), FALSE);
  if (!session.Start()) {
    std::fprintf(stderr, "the launcher did not start\n");
    latencies.failed = runs;
    PrintRow(kRow, latencies, answers, floor, expected);
    return 1;
  }

  std::mt19937 random(1445);
  std::size_t opened = 0;
  for (int run = 0; run < runs; ++run) {
    DeleteFileW(flag.c_str());
    session.Click(L"startservers");
    Sleep(std::uniform_int_distribution<DWORD>(1000, 5000)(random));
    CloseHandle(CreateFileW(flag.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const double flagged = Now();
    const bool worked = WaitUntil([&] { return session.RecordsOf(L"browser").size() > opened; },
                                  std::chrono::seconds(30));
    latencies.Add(worked, Now() - flagged);
    if (!worked) std::fprintf(stderr, "run %d: the browser never opened\n", run + 1);
    opened = session.RecordsOf(L"browser").size();
    // Back to the servers stopped: the form shows again, a click stops the servers and hides it,
    // and it comes back when they are down.
    const auto shown = [&] { return IsWindowVisible(session.form()) != FALSE; };
    WaitUntil(shown);
    session.Click(L"startservers");
    WaitUntil([&] { return !shown(); }, std::chrono::seconds(5));
    WaitUntil(shown);
  }
  DeleteFileW(flag.c_str());
  PrintRow(kRow, latencies, answers, floor, expected);
  return latencies.measured() && answers.measured() ? 0 : 1;
}
