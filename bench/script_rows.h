// Page-script figures, taken in a render side driven in this process: the
// real extension, the real renderer cache and the real script engine.
#ifndef BENCH_SCRIPT_ROWS_H_
#define BENCH_SCRIPT_ROWS_H_

#include <memory>
#include <string>
#include <vector>

#include "app/simple_app.h"

namespace cef_internal {
class RenderHarness;
}

class ScriptRows {
 public:
  // The renderer cache holds |voices| as its normal list and |options_json|.
  ScriptRows(const std::vector<std::wstring>& voices,
             const std::string& options_json);
  ~ScriptRows();

  bool ready() const { return ready_; }

  // Microseconds per call from page script, loop included; negative when a
  // call returned something else than the cache holds.
  double GetUserOptionsUs(int calls);
  double EmptyFunctionUs(int calls);
  double GetFilteredVoicesUs(int calls);

 private:
  // Runs |body| |calls| times in one script loop; |body| adds to `n`, and
  // the loop's total must come out as |expected_total|.
  double TimeLoop(const std::string& body, int calls, double expected_total);

  CefRefPtr<SimpleApp> app_;
  std::unique_ptr<cef_internal::RenderHarness> harness_;
  size_t options_length_;
  size_t voices_json_length_ = 0;
  bool ready_ = false;
};

#endif  // BENCH_SCRIPT_ROWS_H_
