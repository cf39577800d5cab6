// A string kept in the script heap's own form (CESU-8), converted once from
// the framework's UTF-16, so that handing it to script is one copy into the
// heap.
#ifndef FRAMEWORK_SRC_SCRIPT_SCRIPT_TEXT_H_
#define FRAMEWORK_SRC_SCRIPT_SCRIPT_TEXT_H_

#include <cstddef>
#include <memory>

#include "duktape.h"
#include "include/internal/cef_string.h"

namespace cef_internal {

class ScriptText {
 public:
  ScriptText();
  // Throws std::bad_alloc.
  explicit ScriptText(const CefString& text);
  ScriptText(ScriptText&& other) noexcept;
  ScriptText& operator=(ScriptText&& other) noexcept;
  ~ScriptText();

  // Pushes the string onto |ctx|'s value stack.
  void Push(duk_context* ctx) const;
  CefString ToCefString() const;

 private:
  struct Free {
    void operator()(char* bytes) const;
  };

  std::unique_ptr<char, Free> bytes_;
  size_t size_ = 0;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_SCRIPT_TEXT_H_
