#include "bench/support/PeerComparison.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

namespace vdbench {
namespace {

std::vector<Comparison>& comparisons() {
  static std::vector<Comparison> list;
  return list;
}

double secondsPerUnit(benchmark::TimeUnit unit) {
  switch (unit) {
    case benchmark::kNanosecond:
      return 1e-9;
    case benchmark::kMicrosecond:
      return 1e-6;
    case benchmark::kMillisecond:
      return 1e-3;
    case benchmark::kSecond:
      return 1;
  }
  return 1;
}

// The times of every repetition of a benchmark, in seconds per iteration, and the medians Google
// Benchmark computed itself (all there is with --benchmark_report_aggregates_only).
struct Samples {
  std::vector<double> cpu;
  std::vector<double> real;
  double medianCpu = -1;
  double medianReal = -1;
  std::map<std::string, std::vector<double>> counters;  // by counter name, one value per run
  std::map<std::string, double> medianCounters;         // by counter name, the median run's
};

// The console output as usual, and the per-iteration times of each run kept by benchmark name.
class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const double unit = secondsPerUnit(run.time_unit);
      Samples& s = samples_[run.run_name.function_name];
      if (run.run_type == Run::RT_Iteration) {
        s.cpu.push_back(run.GetAdjustedCPUTime() * unit);
        s.real.push_back(run.GetAdjustedRealTime() * unit);
        for (const auto& [name, counter] : run.counters) s.counters[name].push_back(counter.value);
      } else if (run.aggregate_name == "median") {
        s.medianCpu = run.GetAdjustedCPUTime() * unit;
        s.medianReal = run.GetAdjustedRealTime() * unit;
        // The median aggregate carries the median of each counter: the only figure there is when
        // only aggregates are reported.
        for (const auto& [name, counter] : run.counters) s.medianCounters[name] = counter.value;
      }
    }
  }

  const Samples* find(const std::string& name) const {
    auto it = samples_.find(name);
    return it == samples_.end() ? nullptr : &it->second;
  }

 private:
  std::map<std::string, Samples> samples_;
};

double median(std::vector<double> values, double fallback) {
  if (values.empty()) return fallback;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string timeText(double seconds) {
  char text[32];
  if (seconds >= 1) {
    std::snprintf(text, sizeof text, "%.2f s", seconds);
  } else if (seconds >= 1e-3) {
    std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
  } else if (seconds >= 1e-6) {
    std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
  } else {
    std::snprintf(text, sizeof text, "%.0f ns", seconds * 1e9);
  }
  return text;
}

void printTable(const CollectingReporter& reporter) {
  if (comparisons().empty()) return;
  std::printf("\n%-40s %11s  %-15s %11s %8s  %s\n", "Project beside its peer (medians)", "project", "peer",
              "", "ratio", "goal");
  for (const Comparison& c : comparisons()) {
    const bool cpu = c.measure == Measure::Cpu;
    auto figure = [&](const std::string& name) {
      // "Fn[counter]": a counter of benchmark Fn.
      const std::size_t open = name.find('[');
      const Samples* s = reporter.find(name.substr(0, open));
      if (!s) return -1.0;
      if (open != std::string::npos) {
        const std::string counter = name.substr(open + 1, name.size() - open - 2);
        auto aggregate = s->medianCounters.find(counter);
        const double fallback = aggregate == s->medianCounters.end() ? -1.0 : aggregate->second;
        auto it = s->counters.find(counter);
        return it == s->counters.end() ? fallback : median(it->second, fallback);
      }
      return cpu ? median(s->cpu, s->medianCpu) : median(s->real, s->medianReal);
    };
    const double p = figure(c.project);
    const double q = figure(c.peer);
    if (p < 0 || q < 0) {
      std::printf("%-40s %11s  %-15s %11s\n", c.what.c_str(), p < 0 ? "missing" : "", c.peerName.c_str(),
                  q < 0 ? "missing" : "");
      continue;
    }
    const double ratio = q > 0 ? p / q : 0;
    char goal[48] = "";
    if (c.goal > 0)
      std::snprintf(goal, sizeof goal, "<= %gx %s", c.goal, ratio <= c.goal ? "met" : "NOT met");
    std::printf("%-40s %11s  %-15s %11s %7.2fx  %s%s\n", c.what.c_str(), timeText(p).c_str(),
                c.peerName.c_str(), timeText(q).c_str(), ratio, goal, cpu ? "" : " (wall clock)");
  }
  std::fflush(stdout);
}

}  // namespace

void compare(Comparison comparison) { comparisons().push_back(std::move(comparison)); }

int runAndCompare(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  printTable(reporter);
  return 0;
}

}  // namespace vdbench
