#include "bench/script_rows.h"

#include <cstdlib>

#include "bench/bench_stats.h"
#include "src/testing/render_harness.h"

namespace {
constexpr int kBrowserId = 1;
}  // namespace

ScriptRows::ScriptRows(const std::vector<std::wstring>& voices,
                       const std::string& options_json)
    : app_(new SimpleApp()), options_length_(options_json.size()) {
  harness_.reset(new cef_internal::RenderHarness(app_.get()));
  harness_->CreateBrowser(kBrowserId);
  ready_ = harness_->LoadPage(kBrowserId, "file:///C:/bench/script.html",
                              "<script>function empty() {}</script>");
  for (const std::wstring& voice : voices)
    app_->AppendNormalVoice(voice);
  app_->SetUserOptionsJson(options_json);
  const std::string length =
      harness_->Evaluate(kBrowserId, "KXHelper.GetFilteredVoices(1).length");
  voices_json_length_ = std::strtoul(length.c_str(), nullptr, 10);
  ready_ = ready_ && voices_json_length_ > 0;
}

ScriptRows::~ScriptRows() {
  if (harness_)
    harness_->Shutdown();
  harness_.reset();
}

double ScriptRows::TimeLoop(const std::string& body,
                            int calls,
                            double expected_total) {
  const std::string code = "(function() { var n = 0; for (var i = 0; i < " +
                           std::to_string(calls) + "; ++i) { " + body +
                           " } return n; })()";
  const double start = NowUs();
  const std::string total = harness_->Evaluate(kBrowserId, code);
  const double elapsed = NowUs() - start;
  if (std::strtod(total.c_str(), nullptr) != expected_total)
    return -1;
  return elapsed / calls;
}

double ScriptRows::GetUserOptionsUs(int calls) {
  return TimeLoop("n += KXHelper.GetUserOptions().length;", calls,
                  static_cast<double>(options_length_) * calls);
}

double ScriptRows::EmptyFunctionUs(int calls) {
  return TimeLoop("empty(); n += 1;", calls, calls);
}

double ScriptRows::GetFilteredVoicesUs(int calls) {
  return TimeLoop("n += KXHelper.GetFilteredVoices(1).length;", calls,
                  static_cast<double>(voices_json_length_) * calls);
}
