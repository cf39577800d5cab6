// The compiled form of the script texts a context ran last, so that a text
// run again and again (an event a frame dispatches on each change) is not
// parsed each time. Bounded: a text that is long, or one past the count,
// is compiled as before and, for the latter, starts the cache afresh.
#ifndef FRAMEWORK_SRC_SCRIPT_COMPILED_SCRIPTS_H_
#define FRAMEWORK_SRC_SCRIPT_COMPILED_SCRIPTS_H_

#include <stdint.h>

#include <string>
#include <unordered_map>

#include "duktape.h"

namespace cef_internal {

class V8ContextImpl;

class CompiledScripts {
 public:
  static constexpr size_t kMaxEntries = 16;
  static constexpr size_t kMaxKeyBytes = 8 * 1024;

  // The key of a text: its name and its bytes, as compiled; empty (never
  // kept) when they are too long.
  static std::string KeyOf(const std::string& name, const std::string& bytes);

  // Pushes the function compiled for |key| and returns true, or pushes
  // nothing and returns false.
  bool Push(V8ContextImpl* context, const std::string& key);
  // Keeps the function at |index| for |key| when the key may be kept.
  void Add(V8ContextImpl* context, const std::string& key, duk_idx_t index);
  // Forgets every function; with |context| null, the heap is already gone.
  void Clear(V8ContextImpl* context);

  size_t size() const { return ids_.size(); }

 private:
  std::unordered_map<std::string, uint32_t> ids_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_COMPILED_SCRIPTS_H_
