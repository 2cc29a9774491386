#pragma once
// Side-by-side figures for benchmark programs: the project's code and the peer a user would pick
// instead (RapidJSON, SQLite's C API, curl), run in the same program so that a shared machine's load
// falls on both alike.
//
// A program registers its benchmarks as usual, names each pair with compare(), and calls
// runAndCompare() from its main. After the ordinary Google Benchmark output it prints one line per
// pair: the project's time, the peer's, their ratio (project / peer) and the goal ratio. With
// --benchmark_repetitions=N each figure is the median of the N runs (add
// --benchmark_enable_random_interleaving=true to spread the machine's load over both sides).
//
// A pair refers to benchmarks by the name they were registered with (BENCHMARK(Fn) registers "Fn"),
// or to a counter a benchmark set, in seconds, as "Fn[counter]" (for two parts of one run, such as the
// first and the last thousand of ten thousand requests). A pair whose benchmark did not run (filtered
// out, or skipped with an error) prints as missing.

#include <string>

namespace vdbench {

// Which of a run's times a pair compares: the CPU time the benchmark measured (for a benchmark with
// MeasureProcessCPUTime(), that of the whole process, every thread included) or the wall-clock time
// (for work done in another process, such as curl's).
enum class Measure { Cpu, Real };

struct Comparison {
  std::string what;      // the line's title, "JSON parse, 206 KB reply"
  std::string project;   // benchmark name of the project's side
  std::string peer;      // benchmark name of the peer's side
  std::string peerName;  // "RapidJSON"
  double goal = 0;       // the ratio the project should stay within; 0 for none
  Measure measure = Measure::Cpu;
};

void compare(Comparison comparison);

// Initialises Google Benchmark with the command line, runs the benchmarks, prints the comparison
// table; the process's exit status.
int runAndCompare(int argc, char** argv);

}  // namespace vdbench
