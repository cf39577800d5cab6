#include "src/script/script_budget.h"

#include <windows.h>

#include <stdlib.h>

#include <atomic>

#include "src/script/v8_context_impl.h"

namespace cef_internal {

namespace {

constexpr wchar_t kLimitVariable[] = L"KX_SCRIPT_BUDGET_MS";
// Beyond this a value in the environment is taken as a mistake.
constexpr long kMaxLimitMs = 24L * 60 * 60 * 1000;

// 0: not read yet.
std::atomic<int> g_limit_ms{0};

int LimitFromEnvironment() {
  wchar_t text[16];
  DWORD size = GetEnvironmentVariableW(kLimitVariable, text, 16);
  if (size == 0 || size >= 16)
    return ScriptBudget::kDefaultLimitMs;
  wchar_t* end = nullptr;
  long value = wcstol(text, &end, 10);
  if (*end != L'\0' || value <= 0 || value > kMaxLimitMs)
    return ScriptBudget::kDefaultLimitMs;
  return static_cast<int>(value);
}

}  // namespace

// static
int ScriptBudget::LimitMs() {
  int limit = g_limit_ms.load();
  if (limit == 0) {
    limit = LimitFromEnvironment();
    g_limit_ms.store(limit);
  }
  return limit;
}

// static
void ScriptBudget::SetLimitMs(int limit_ms) {
  g_limit_ms.store(limit_ms > 0 ? limit_ms : LimitFromEnvironment());
}

void ScriptBudget::Start() {
  deadline_ = GetTickCount64() + static_cast<uint64_t>(LimitMs());
}

void ScriptBudget::Stop() {
  deadline_ = 0;
}

bool ScriptBudget::Exceeded() const {
  return deadline_ != 0 && GetTickCount64() >= deadline_;
}

}  // namespace cef_internal

// The engine's execution-timeout hook (see the build's duk_config.h); the
// heap's user data is its context.
extern "C" int cef_internal_script_budget_exceeded(void* heap_udata) {
  const cef_internal::V8ContextImpl* context =
      static_cast<const cef_internal::V8ContextImpl*>(heap_udata);
  return context && context->budget().Exceeded() ? 1 : 0;
}
