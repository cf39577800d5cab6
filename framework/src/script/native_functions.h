// Script functions backed by a CefV8Handler: those made with
// CefV8Value::CreateFunction and the native declarations of extensions.
// Handlers are C++, the heap is C with longjmp errors: every call does its
// C++ work in a frame that has returned before an error is thrown into the
// script, so no destructor is ever skipped.
#ifndef FRAMEWORK_SRC_SCRIPT_NATIVE_FUNCTIONS_H_
#define FRAMEWORK_SRC_SCRIPT_NATIVE_FUNCTIONS_H_

#include <stdint.h>

#include <map>
#include <vector>

#include "duktape.h"
#include "include/cef_v8.h"
#include "src/script/extension_registry.h"

namespace cef_internal {

class NativeFunctions {
 public:
  NativeFunctions();
  ~NativeFunctions();
  NativeFunctions(const NativeFunctions&) = delete;
  NativeFunctions& operator=(const NativeFunctions&) = delete;

  // Pushes a function that calls |handler| with |name|.
  void PushFunction(duk_context* ctx,
                    const CefString& name,
                    CefRefPtr<CefV8Handler> handler);
  // The handler behind the function at |index|; false for other values.
  bool Find(duk_context* ctx,
            duk_idx_t index,
            CefString* name,
            CefRefPtr<CefV8Handler>* handler);
  // The same, pointing at the name the function keeps (valid while script
  // runs).
  bool Find(duk_context* ctx,
            duk_idx_t index,
            const CefString** name,
            CefRefPtr<CefV8Handler>* handler);
  // Defines the globals that rewritten extension code uses: the dispatcher
  // and the table of the extensions' native functions.
  void InstallDispatcher(duk_context* ctx,
                         const std::vector<ScriptExtension>& extensions);
  // Drops every handler (the heap is gone).
  void Clear();

 private:
  struct Entry {
    CefString name;
    CefRefPtr<CefV8Handler> handler;
  };

  // The entry behind the function at |index|, or null. Entries stay put
  // while script runs: Clear() only follows the heap's end.
  const Entry* FindEntry(duk_context* ctx, duk_idx_t index);

  static duk_ret_t CallFunction(duk_context* ctx);
  static duk_ret_t CallDispatcher(duk_context* ctx);

  std::map<uint32_t, Entry> entries_;
  uint32_t next_id_ = 1;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_NATIVE_FUNCTIONS_H_
