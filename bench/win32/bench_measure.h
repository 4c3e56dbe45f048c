// What the benchmarks under Wine share: a millisecond clock, the measurements of a series of runs
// with the runs that failed to give one, and how a row of the benchmark table shows them.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace tolvane::bench {

inline double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Spread {
  double min = 0, median = 0, max = 0;
};

inline Spread SpreadOf(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  return {values.front(), median, values.back()};
}

// A series of runs: what each run that worked measured, and how many did not work.
struct Series {
  std::vector<double> values;
  int failed = 0;

  void Add(bool worked, double value) { worked ? values.push_back(value) : void(++failed); }
  int runs() const { return static_cast<int>(values.size()) + failed; }
  bool measured() const { return !values.empty(); }
};

inline std::string Format(const char* format, double a, double b = 0, double c = 0) {
  char text[128];
  std::snprintf(text, sizeof(text), format, a, b, c);
  return text;
}

// "min / **median** / max", the value of a single run, or that nothing was measured.
inline std::string SpreadText(const Series& series) {
  if (!series.measured()) return "nothing measured";
  if (series.runs() == 1) return Format("%.0f", series.values.front());
  const Spread spread = SpreadOf(series.values);
  return Format("%.0f / **%.0f** / %.0f", spread.min, spread.median, spread.max);
}

// Prints a row of the benchmark table: the launcher's runs, the baseline (as text, and the value
// the launcher's median is divided by), the ratio, and how many runs each side measured and how
// many of them failed. A row with failed runs gives no ratio, since its medians leave those out.
inline void PrintRow(const char* what, const Series& launcher, const Series& baseline,
                     const std::string& baseline_text, double baseline_value) {
  const int failed = launcher.failed + baseline.failed;
  std::string ratio = "none";
  if (failed > 0) {
    ratio = Format("none: %.0f failed", failed);
  } else if (baseline_value > 0) {
    ratio = Format("%.2f", SpreadOf(launcher.values).median / baseline_value);
  }
  std::printf("| %s | %s | %s | %s | %d + %d, %d failed |\n", what, SpreadText(launcher).c_str(),
              baseline_text.c_str(), ratio.c_str(), launcher.runs(), baseline.runs(), failed);
}

inline void PrintRow(const char* what, const Series& launcher, const Series& baseline) {
  PrintRow(what, launcher, baseline, SpreadText(baseline), SpreadOf(baseline.values).median);
}

}  // namespace tolvane::bench
