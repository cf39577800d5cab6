// Repeated measurements of one figure: the minimum and the median; and what
// every bench program needs of its own process.
#ifndef BENCH_BENCH_STATS_H_
#define BENCH_BENCH_STATS_H_

#include <windows.h>

#include <string>
#include <vector>

class BenchStats {
 public:
  void Add(double value) { values_.push_back(value); }
  bool empty() const { return values_.empty(); }
  double Min() const;
  double Median() const;

 private:
  std::vector<double> values_;
};

// Microseconds since an arbitrary start, from the performance counter.
double NowUs();

// The folder of the running program, with a trailing backslash.
std::wstring ProgramFolder();

#endif  // BENCH_BENCH_STATS_H_
