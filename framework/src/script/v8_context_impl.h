// A script context on its own Duktape heap: one per frame document.
#ifndef FRAMEWORK_SRC_SCRIPT_V8_CONTEXT_IMPL_H_
#define FRAMEWORK_SRC_SCRIPT_V8_CONTEXT_IMPL_H_

#include <stdint.h>

#include <vector>

#include "duktape.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_v8.h"
#include "src/script/extension_registry.h"
#include "src/script/native_functions.h"
#include "src/script/script_budget.h"
#include "src/script/small_block_pool.h"
#include "src/script/timer_queue.h"

namespace cef_internal {

class ScriptDelegate;

class V8ContextImpl : public CefV8Context {
 public:
  // Script of |context| runs while a scope lives: the context is current,
  // and its heap survives an Invalidate() until the outermost scope ends.
  // The outermost scope also runs the context's script budget.
  class RunScope {
   public:
    explicit RunScope(V8ContextImpl* context);
    ~RunScope();
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

   private:
    CefRefPtr<V8ContextImpl> context_;
  };

  // A context with the page globals, in which every extension has run.
  // |delegate| must outlive the context or its Invalidate(). Null when no
  // heap could be made.
  static CefRefPtr<V8ContextImpl> Create(
      ScriptDelegate* delegate,
      const std::vector<ScriptExtension>& extensions,
      CefRefPtr<CefBrowser> browser,
      CefRefPtr<CefFrame> frame);

  // The context that owns the heap of |ctx|.
  static V8ContextImpl* FromDuk(duk_context* ctx);

  // Ends the context: its values become invalid, its timers stop, and it
  // lets go of its browser, frame and delegate.
  void Invalidate();

  // Runs page script. An uncaught error goes to the console; returns false
  // then.
  bool RunScript(const CefString& code, const CefString& url, int start_line);
  // Stack in: [function, this, |nargs| arguments]; all are popped. Reports
  // an uncaught error to the console.
  bool CallAndReport(duk_idx_t nargs);
  // Sends the thrown value at |index| to the console as uncaught.
  void ReportThrown(duk_idx_t index,
                    const CefString& source,
                    const CefString& url);

  // The heap, also while script still runs after Invalidate(); null after.
  duk_context* heap() const { return heap_; }
  ScriptDelegate* delegate() const { return delegate_; }
  NativeFunctions& natives() { return natives_; }
  TimerQueue& timers() { return timers_; }
  const ScriptBudget& budget() const { return budget_; }
  const std::vector<ScriptExtension>& extensions() const { return extensions_; }

  // Keeps the value at |index| alive under a new id (0 when invalid).
  uint32_t StashAdd(duk_idx_t index);
  // Pushes the kept value; false (nothing pushed) when it is gone.
  bool StashPush(uint32_t id);
  void StashRemove(uint32_t id);

  // CefV8Context:
  bool IsValid() override;
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefFrame> GetFrame() override;
  CefRefPtr<CefV8Value> GetGlobal() override;
  bool Enter() override;
  bool Exit() override;
  bool IsSame(CefRefPtr<CefV8Context> that) override;
  bool Eval(const CefString& code,
            CefRefPtr<CefV8Value>& retval,
            CefRefPtr<CefV8Exception>& exception) override;

 private:
  V8ContextImpl(ScriptDelegate* delegate,
                const std::vector<ScriptExtension>& extensions,
                CefRefPtr<CefBrowser> browser,
                CefRefPtr<CefFrame> frame);
  ~V8ContextImpl() override;

  // The heap's allocation functions; |udata| is the context.
  static void* DukAlloc(void* udata, size_t size);
  static void* DukRealloc(void* udata, void* block, size_t size);
  static void DukFree(void* udata, void* block);

  bool Setup();
  void RunExtensions();
  void DestroyHeapIfIdle();

  // Declared first, so that it outlives everything that may hold blocks.
  SmallBlockPool blocks_;
  duk_context* heap_ = nullptr;
  bool valid_ = false;
  int running_ = 0;
  uint32_t next_stash_id_ = 1;
  ScriptDelegate* delegate_;
  std::vector<ScriptExtension> extensions_;
  CefRefPtr<CefBrowser> browser_;
  CefRefPtr<CefFrame> frame_;
  NativeFunctions natives_;
  TimerQueue timers_;
  ScriptBudget budget_;

  IMPLEMENT_REFCOUNTING(V8ContextImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_V8_CONTEXT_IMPL_H_
