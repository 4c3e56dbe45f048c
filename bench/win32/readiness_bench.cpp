// Readiness latency: how long after the chat's page starts to show the chat the launcher opens it
// in the browser. The launcher runs on its control page with "Auto open main page" ticked; the
// kit's web server is a private Apache + PHP on port 85 whose page shows the marker only once the
// flag file exists; the flag is made at a random moment 1-5 s after a real click on Start.
// Latency = the browser's start - the flag's. The floor beside it is the probe's 500 ms pause
// plus one answer of that server. Prints a row of the benchmark table; asserts nothing.
//
//   readiness_bench.exe FLAG_FILE [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench_measure.h"
#include "http_client.h"
#include "launcher_session.h"
#include "probe.h"

namespace {

using namespace tolvane::test;
using tolvane::bench::Now;
using tolvane::bench::SpreadOf;

constexpr wchar_t kMainPage[] = L"http://127.0.0.1:85/index.php";

// The time of one answer of the page, the median of 10 over one connection.
double AnswerMs() {
  tolvane::HttpClient http;
  std::vector<double> times;
  for (int i = 0; i < 10; ++i) {
    const double start = Now();
    http.Get(kMainPage, tolvane::kMainPageMarker);
    times.push_back(Now() - start);
  }
  return SpreadOf(times).median;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: readiness_bench FLAG_FILE [RUNS]\n");
    return 2;
  }
  const std::wstring flag = argv[1];
  const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 10;
  DeleteFileW(flag.c_str());
  const double floor = tolvane::kMainPagePauseMs + AnswerMs();

  LauncherSession session;
  StoreSettingsOfThisComputer(session, "");
  // The web server is the private Apache: the kit's own stand-in only records that it started.
  const std::wstring recorder = session.kit() + L"tools\\jre.exe";
  CopyFileW(recorder.c_str(), (session.kit() + L"servers\\apache\\bin\\httpd.exe").c_str(), FALSE);
  if (!session.Start()) return 1;

  std::mt19937 random(1445);
  std::vector<double> latencies;
  for (int run = 0; run < runs; ++run) {
    DeleteFileW(flag.c_str());
    session.Click(L"startservers");
    Sleep(std::uniform_int_distribution<DWORD>(1000, 5000)(random));
    CloseHandle(CreateFileW(flag.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const double flagged = Now();
    const auto opened = static_cast<std::size_t>(run + 1);
    if (!WaitUntil([&] { return session.RecordsOf(L"browser").size() >= opened; },
                   std::chrono::seconds(30))) {
      std::fprintf(stderr, "run %d: the browser never opened\n", run + 1);
      return 1;
    }
    latencies.push_back(Now() - flagged);
    const auto shown = [&] { return IsWindowVisible(session.form()) != FALSE; };
    WaitUntil(shown);
    session.Click(L"startservers");
    WaitUntil([&] { return !shown(); }, std::chrono::seconds(5));
    WaitUntil(shown);
  }
  DeleteFileW(flag.c_str());
  const auto latency = SpreadOf(latencies);
  std::printf(
      "| readiness latency (ms, min / median / max; baseline: the floor) | %.0f / **%.0f** / "
      "%.0f | %.0f | %.2f |\n",
      latency.min, latency.median, latency.max, floor, latency.median / floor);
  return 0;
}
