// The HTTP client on loopback: 1,000 sequential GETs on one kept-alive connection and one 50 MB
// download, each beside curl doing the same against the same server (curl's time includes starting
// its process once per benchmark run); and 10,000 sequential GETs in one process, whose last thousand
// should take no longer than its first thousand (a cost that grows with every request shows there).
// After the table it prints the CPU time of each thousand of every such run and the last's ratio to the
// first, so a trend (rather than one block's noise) can be seen.

#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "bench/support/PeerComparison.h"
#include "librarys/http/HTTPRequest.h"
#include "platform/runloop/RunLoop.h"
#include "tools/testserver/httpserver/LoopbackServer.h"

namespace {

constexpr int kGets = 1000;
constexpr int kLongRunGets = 10000;
constexpr std::size_t kDownloadBytes = 50u * 1024 * 1024;

testserver::LoopbackServer& server() {
  static testserver::LoopbackServer* s = [] {
    auto* srv = new testserver::LoopbackServer;
    if (!srv->start()) std::fprintf(stderr, "http_bench: %s\n", srv->failure().c_str());
    return srv;
  }();
  return *s;
}

std::string tempDir() {
  const char* t = std::getenv("TMPDIR");
  return t && *t ? t : "/tmp";
}

bool runCurl(const std::string& configText) {
  std::string config = tempDir() + "/vd-http-bench-curl.cfg";
  std::ofstream(config) << configText;
  std::string cmd = "curl -s -S --fail -K " + config;
  return std::system(cmd.c_str()) == 0;
}

void BM_KeepAliveGets_HTTPRequest(benchmark::State& state) {
  auto url = core::URL::parse(server().url("/bytes?n=100"));
  for (auto _ : state) {
    for (int i = 0; i < kGets; ++i) {
      auto r = HTTPRequest::requestWithURL(url);
      r->startSynchronous();
      if (r->error() || r->responseData().size() != 100) {
        state.SkipWithError("a GET failed");
        return;
      }
    }
  }
  state.counters["requests/s"] = benchmark::Counter(kGets, benchmark::Counter::kIsIterationInvariantRate);
}

// Seconds of CPU time the whole process (client, network thread and loopback server) has used.
double processCPUSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The CPU seconds of each thousand, one list per run of the 10,000 (repetitions included).
std::vector<std::vector<double>>& cpuPerThousand() {
  static std::vector<std::vector<double>> runs;
  return runs;
}

// Ten thousand GETs one after the other; the counters hold the wall-clock seconds of the first and of
// the last thousand, and the CPU seconds of the whole process in each (which the load of a shared
// machine moves far less than the wall clock).
void BM_SequentialGets10000_HTTPRequest(benchmark::State& state) {
  auto url = core::URL::parse(server().url("/bytes?n=100"));
  using Clock = std::chrono::steady_clock;
  std::vector<double> blocks;     // seconds per thousand
  std::vector<double> cpuBlocks;  // CPU seconds per thousand
  for (auto _ : state) {
    blocks.clear();
    cpuBlocks.clear();
    Clock::time_point blockStart = Clock::now();
    double cpuStart = processCPUSeconds();
    for (int i = 1; i <= kLongRunGets; ++i) {
      auto r = HTTPRequest::requestWithURL(url);
      r->startSynchronous();
      if (r->error() || r->responseData().size() != 100) {
        state.SkipWithError("a GET failed");
        return;
      }
      if (i % kGets == 0) {
        const Clock::time_point now = Clock::now();
        const double cpuNow = processCPUSeconds();
        blocks.push_back(std::chrono::duration<double>(now - blockStart).count());
        cpuBlocks.push_back(cpuNow - cpuStart);
        blockStart = now;
        cpuStart = cpuNow;
      }
    }
  }
  cpuPerThousand().push_back(cpuBlocks);
  state.counters["first1000"] = blocks.front();
  state.counters["last1000"] = blocks.back();
  state.counters["growth"] = blocks.back() / blocks.front();
  state.counters["first1000cpu"] = cpuBlocks.front();
  state.counters["last1000cpu"] = cpuBlocks.back();
}

void printCPUPerThousand() {
  if (!cpuPerThousand().empty()) std::printf("\n");
  for (std::size_t run = 0; run < cpuPerThousand().size(); ++run) {
    const std::vector<double>& blocks = cpuPerThousand()[run];
    if (blocks.size() < 2 || blocks.front() <= 0) continue;
    std::printf("10,000 GETs, run %zu: CPU ms per 1,000:", run + 1);
    for (double b : blocks) std::printf(" %.1f", b * 1e3);
    std::printf("; last / first %.2fx\n", blocks.back() / blocks.front());
  }
  // Over several runs, the median of each thousand: what one block's noise (another process on the
  // core, the threads moved between cores) does not move.
  const auto& runs = cpuPerThousand();
  if (runs.size() < 2) return;
  std::vector<double> medians;
  for (std::size_t block = 0; block < static_cast<std::size_t>(kLongRunGets / kGets); ++block) {
    std::vector<double> values;
    for (const auto& run : runs)
      if (block < run.size()) values.push_back(run[block]);
    if (values.empty()) return;
    std::sort(values.begin(), values.end());
    const std::size_t m = values.size() / 2;
    medians.push_back(values.size() % 2 ? values[m] : (values[m - 1] + values[m]) / 2);
  }
  std::printf("10,000 GETs, median of %zu runs: CPU ms per 1,000:", runs.size());
  for (double b : medians) std::printf(" %.1f", b * 1e3);
  std::printf("; last / first %.2fx\n", medians.back() / medians.front());
}

void BM_KeepAliveGets_curl(benchmark::State& state) {
  std::string config;
  for (int i = 0; i < kGets; ++i)
    config += "url = \"" + server().url("/bytes?n=100") + "\"\noutput = \"/dev/null\"\n";
  for (auto _ : state) {
    if (!runCurl(config)) {
      state.SkipWithError("curl failed (is it installed?)");
      return;
    }
  }
  state.counters["requests/s"] = benchmark::Counter(kGets, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Download50MB_HTTPRequest(benchmark::State& state) {
  auto url = core::URL::parse(server().url("/bytes?n=" + std::to_string(kDownloadBytes)));
  std::string destination = tempDir() + "/vd-http-bench.bin";
  for (auto _ : state) {
    auto r = HTTPRequest::requestWithURL(url);
    r->setDownloadDestinationPath(destination);
    r->startSynchronous();
    if (r->error() || r->totalBytesRead() != kDownloadBytes) {
      state.SkipWithError("the download failed");
      return;
    }
  }
  std::remove(destination.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kDownloadBytes));
}

void BM_Download50MB_curl(benchmark::State& state) {
  std::string destination = tempDir() + "/vd-http-bench-curl.bin";
  std::string config = "url = \"" + server().url("/bytes?n=" + std::to_string(kDownloadBytes)) +
                       "\"\noutput = \"" + destination + "\"\n";
  for (auto _ : state) {
    if (!runCurl(config)) {
      state.SkipWithError("curl failed (is it installed?)");
      return;
    }
  }
  std::remove(destination.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kDownloadBytes));
}

BENCHMARK(BM_KeepAliveGets_HTTPRequest)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_SequentialGets10000_HTTPRequest)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_KeepAliveGets_curl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Download50MB_HTTPRequest)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Download50MB_curl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  using vdbench::compare;
  using vdbench::Measure;
  compare({"1,000 keep-alive GETs", "BM_KeepAliveGets_HTTPRequest", "BM_KeepAliveGets_curl", "curl", 0,
           Measure::Real});
  compare(
      {"50 MB download", "BM_Download50MB_HTTPRequest", "BM_Download50MB_curl", "curl", 0, Measure::Real});
  compare({"10,000 GETs: last 1,000 beside first", "BM_SequentialGets10000_HTTPRequest[last1000]",
           "BM_SequentialGets10000_HTTPRequest[first1000]", "first 1,000", 1.0, Measure::Real});
  compare({"10,000 GETs: last 1,000 / first, CPU", "BM_SequentialGets10000_HTTPRequest[last1000cpu]",
           "BM_SequentialGets10000_HTTPRequest[first1000cpu]", "first 1,000", 1.05});
  const int status = vdbench::runAndCompare(argc, argv);
  printCPUPerThousand();
  return status;
}
