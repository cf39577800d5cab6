#include "bench/bench_row.h"

#include <cstdio>

void Row::Add(double project_value, double floor_value) {
  if (project_value <= 0 || floor_value <= 0) {
    failed = true;
    return;
  }
  project.Add(project_value);
  floor.Add(floor_value);
  ratio.Add(inverse ? floor_value / project_value
                    : project_value / floor_value);
}

double Row::Ratio() const {
  if (!of_medians)
    return ratio.Median();
  return inverse ? floor.Median() / project.Median()
                 : project.Median() / floor.Median();
}

bool Row::Met() const {
  const double value = absolute ? project.Median() : Ratio();
  return goal == Goal::kAtMost ? value <= goal_value : value >= goal_value;
}

void PrintRowHeading() {
  std::printf("\n%-34s | %-27s | %-22s | %-15s | %-14s |\n", "measure",
              "project median [min]", "floor median [min]", "ratio med (min)",
              "goal");
}

void PrintRow(const Row& row) {
  if (row.skipped) {
    std::printf("%-34s | not measured in this run (--only)\n", row.measure);
    return;
  }
  if (row.failed || row.ratio.empty()) {
    std::printf("%-34s | no figure (the measurement failed)\n", row.measure);
    return;
  }
  std::printf(
      "%-34s | %10.2f [%9.2f] %-3s | %10.2f [%9.2f] | %6.2fx (%5.2f) | %-14s "
      "| %s\n",
      row.measure, row.project.Median(), row.project.Min(), row.unit,
      row.floor.Median(), row.floor.Min(), row.Ratio(), row.ratio.Min(),
      row.goal_text, row.Met() ? "met" : "NOT met");
}
