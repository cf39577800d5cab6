// Repeated measurements of one figure: the minimum and the median.
#ifndef BENCH_BENCH_STATS_H_
#define BENCH_BENCH_STATS_H_

#include <windows.h>

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

#endif  // BENCH_BENCH_STATS_H_
