#include "bench/bench_stats.h"

#include <algorithm>

double BenchStats::Min() const {
  return values_.empty() ? 0
                         : *std::min_element(values_.begin(), values_.end());
}

double BenchStats::Median() const {
  if (values_.empty())
    return 0;
  std::vector<double> sorted(values_);
  std::sort(sorted.begin(), sorted.end());
  const size_t mid = sorted.size() / 2;
  return sorted.size() % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
}

double NowUs() {
  static const double ticks_per_us = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart / 1e6;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart / ticks_per_us;
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}
