#include "src/script/v8_context_impl.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "src/script/context_stack.h"
#include "src/script/duk_string.h"
#include "src/script/page_globals.h"
#include "src/script/script_delegate.h"
#include "src/script/v8_exception_impl.h"
#include "src/script/v8_value_impl.h"
#include "src/script/window_events.h"

namespace cef_internal {

namespace {

// Beyond this a start line is taken as bad input rather than padded for.
constexpr int kMaxStartLine = 1000000;

// An error outside every protected call (only out-of-memory can get there):
// the heap cannot go on.
void OnFatal(void* udata, const char* message) {
  OutputDebugStringA(message ? message : "duktape: fatal error");
  fprintf(stderr, "script engine fatal error: %s\n",
          message ? message : "(none)");
  abort();
}

// Leading line breaks that make the heap count lines from |start_line|.
std::wstring LinePadding(int start_line) {
  if (start_line <= 1 || start_line > kMaxStartLine)
    return std::wstring();
  return std::wstring(static_cast<size_t>(start_line - 1), L'\n');
}

}  // namespace

V8ContextImpl::RunScope::RunScope(V8ContextImpl* context) : context_(context) {
  if (context_->running_++ == 0)
    context_->budget_.Start();
  ContextStack::Push(context);
}

V8ContextImpl::RunScope::~RunScope() {
  ContextStack::Pop(context_.get());
  if (--context_->running_ == 0)
    context_->budget_.Stop();
  context_->DestroyHeapIfIdle();
}

V8ContextImpl::V8ContextImpl(ScriptDelegate* delegate,
                             const std::vector<ScriptExtension>& extensions,
                             CefRefPtr<CefBrowser> browser,
                             CefRefPtr<CefFrame> frame)
    : delegate_(delegate),
      extensions_(extensions),
      browser_(browser),
      frame_(frame),
      timers_(this) {}

V8ContextImpl::~V8ContextImpl() {
  valid_ = false;
  running_ = 0;
  DestroyHeapIfIdle();
}

CefRefPtr<V8ContextImpl> V8ContextImpl::Create(
    ScriptDelegate* delegate,
    const std::vector<ScriptExtension>& extensions,
    CefRefPtr<CefBrowser> browser,
    CefRefPtr<CefFrame> frame) {
  CefRefPtr<V8ContextImpl> context =
      new V8ContextImpl(delegate, extensions, browser, frame);
  if (!context->Setup())
    return nullptr;
  return context;
}

V8ContextImpl* V8ContextImpl::FromDuk(duk_context* ctx) {
  duk_memory_functions functions;
  duk_get_memory_functions(ctx, &functions);
  return static_cast<V8ContextImpl*>(functions.udata);
}

// static
void* V8ContextImpl::DukAlloc(void* udata, size_t size) {
  return static_cast<V8ContextImpl*>(udata)->blocks_.Allocate(size);
}

// static
void* V8ContextImpl::DukRealloc(void* udata, void* block, size_t size) {
  return static_cast<V8ContextImpl*>(udata)->blocks_.Reallocate(block, size);
}

// static
void V8ContextImpl::DukFree(void* udata, void* block) {
  static_cast<V8ContextImpl*>(udata)->blocks_.Free(block);
}

bool V8ContextImpl::Setup() {
  heap_ = duk_create_heap(DukAlloc, DukRealloc, DukFree, this, OnFatal);
  if (!heap_)
    return false;
  valid_ = true;
  PageGlobals::Install(heap_);
  WindowEvents::Install(heap_);
  natives_.InstallDispatcher(heap_, extensions_);
  RunExtensions();
  return true;
}

void V8ContextImpl::RunExtensions() {
  for (const ScriptExtension& extension : extensions_) {
    if (!IsValid())
      return;
    RunScript(CefString(extension.code), extension.name, 1);
  }
}

void V8ContextImpl::Invalidate() {
  if (!valid_)
    return;
  valid_ = false;
  timers_.Clear();
  delegate_ = nullptr;
  // Released last: either may hold the last reference to this context.
  CefRefPtr<V8ContextImpl> self(this);
  browser_ = nullptr;
  frame_ = nullptr;
  DestroyHeapIfIdle();
}

void V8ContextImpl::DestroyHeapIfIdle() {
  if (valid_ || running_ > 0 || !heap_)
    return;
  duk_destroy_heap(heap_);
  heap_ = nullptr;
  natives_.Clear();
}

bool V8ContextImpl::RunScript(const CefString& code,
                              const CefString& url,
                              int start_line) {
  if (!IsValid())
    return false;
  RunScope scope(this);
  duk_context* ctx = heap_;
  duk_idx_t base = duk_get_top(ctx);
  CefString source(LinePadding(start_line) + code.ToWString());
  std::string bytes = ToCesu8(source);
  PushCefString(ctx, url);
  bool ok =
      duk_pcompile_lstring_filename(ctx, 0, bytes.data(), bytes.size()) == 0 &&
      duk_pcall(ctx, 0) == DUK_EXEC_SUCCESS;
  if (!ok)
    ReportThrown(-1, source, url);
  duk_set_top(ctx, base);
  return ok;
}

bool V8ContextImpl::CallAndReport(duk_idx_t nargs) {
  duk_context* ctx = heap_;
  bool ok = duk_pcall_method(ctx, nargs) == DUK_EXEC_SUCCESS;
  if (!ok)
    ReportThrown(-1, CefString(), CefString());
  duk_pop(ctx);
  return ok;
}

void V8ContextImpl::ReportThrown(duk_idx_t index,
                                 const CefString& source,
                                 const CefString& url) {
  if (!delegate_ || !heap_)
    return;
  CefRefPtr<V8ExceptionImpl> exception =
      V8ExceptionImpl::FromThrown(heap_, index, source, url);
  delegate_->OnConsoleMessage(this, LOGSEVERITY_ERROR, exception->GetMessage(),
                              exception->GetScriptResourceName(),
                              exception->GetLineNumber());
}

uint32_t V8ContextImpl::StashAdd(duk_idx_t index) {
  if (!heap_)
    return 0;
  duk_context* ctx = heap_;
  index = duk_normalize_index(ctx, index);
  uint32_t id = next_stash_id_++;
  if (next_stash_id_ == 0)
    next_stash_id_ = 1;
  duk_push_heap_stash(ctx);
  duk_dup(ctx, index);
  duk_put_prop_index(ctx, -2, id);
  duk_pop(ctx);
  return id;
}

bool V8ContextImpl::StashPush(uint32_t id) {
  if (!heap_ || id == 0)
    return false;
  duk_context* ctx = heap_;
  duk_push_heap_stash(ctx);
  bool found = duk_get_prop_index(ctx, -1, id) != 0;
  duk_remove(ctx, -2);
  if (!found)
    duk_pop(ctx);
  return found;
}

void V8ContextImpl::StashRemove(uint32_t id) {
  if (!heap_ || id == 0)
    return;
  duk_push_heap_stash(heap_);
  duk_del_prop_index(heap_, -1, id);
  duk_pop(heap_);
}

bool V8ContextImpl::IsValid() {
  return valid_;
}

CefRefPtr<CefBrowser> V8ContextImpl::GetBrowser() {
  return browser_;
}

CefRefPtr<CefFrame> V8ContextImpl::GetFrame() {
  return frame_;
}

CefRefPtr<CefV8Value> V8ContextImpl::GetGlobal() {
  if (!IsValid())
    return nullptr;
  duk_push_global_object(heap_);
  CefRefPtr<CefV8Value> global = V8ValueImpl::FromStack(this, -1);
  duk_pop(heap_);
  return global;
}

bool V8ContextImpl::Enter() {
  if (!IsValid())
    return false;
  ContextStack::Push(this);
  return true;
}

bool V8ContextImpl::Exit() {
  return ContextStack::Pop(this);
}

bool V8ContextImpl::IsSame(CefRefPtr<CefV8Context> that) {
  return that.get() == static_cast<CefV8Context*>(this);
}

bool V8ContextImpl::Eval(const CefString& code,
                         CefRefPtr<CefV8Value>& retval,
                         CefRefPtr<CefV8Exception>& exception) {
  if (!IsValid() || code.empty())
    return false;
  RunScope scope(this);
  duk_context* ctx = heap_;
  duk_idx_t base = duk_get_top(ctx);
  std::string bytes = ToCesu8(code);
  duk_push_string(ctx, "");
  bool ok = duk_pcompile_lstring_filename(ctx, DUK_COMPILE_EVAL, bytes.data(),
                                          bytes.size()) == 0 &&
            duk_pcall(ctx, 0) == DUK_EXEC_SUCCESS;
  if (ok)
    retval = V8ValueImpl::FromStack(this, -1);
  else
    exception = V8ExceptionImpl::FromThrown(ctx, -1, code, CefString());
  duk_set_top(ctx, base);
  return ok;
}

}  // namespace cef_internal
