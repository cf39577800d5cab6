// One row of a bench table: the component's figure and its floor's, per
// repetition, their ratio and the goal it is judged by.
#ifndef BENCH_BENCH_ROW_H_
#define BENCH_BENCH_ROW_H_

#include "bench/bench_stats.h"

enum class Goal { kAtMost, kAtLeast };

struct Row {
  const char* measure;
  const char* unit;
  const char* goal_text;
  Goal goal;
  double goal_value;
  // Ratio of the row: project / floor, or floor / project for throughput.
  bool inverse = false;
  // The goal is on the project figure itself, not on the ratio.
  bool absolute = false;
  // The ratio of the two medians rather than the median of the pairs' ratios:
  // for rows whose two figures are the same program at two counts, so that
  // one busy moment of the machine does not decide.
  bool of_medians = false;
  BenchStats project, floor, ratio;
  bool failed = false;
  // Left out of this run by --only.
  bool skipped = false;

  // A figure of zero or below is a failed measurement: the row fails.
  void Add(double project_value, double floor_value);
  double Ratio() const;
  bool Met() const;
};

// The table's heading, for rows printed by PrintRow.
void PrintRowHeading();
// One line: medians and minimums, the ratio, the goal, met or NOT met.
void PrintRow(const Row& row);

#endif  // BENCH_BENCH_ROW_H_
