#include "src/script/v8_exception_impl.h"

#include "src/script/duk_string.h"

namespace cef_internal {

namespace {

// Stack top in: [thrown]. Out: [text, fileName, lineNumber]. Runs under
// duk_safe_call (in the caller's frame) because toString and the getters
// are page code.
duk_ret_t ReadThrown(duk_context* ctx, void* udata) {
  duk_idx_t thrown = duk_get_top(ctx) - 1;
  duk_dup(ctx, thrown);
  duk_to_string(ctx, -1);
  if (duk_is_object(ctx, thrown)) {
    duk_get_prop_string(ctx, thrown, "fileName");
    duk_get_prop_string(ctx, thrown, "lineNumber");
  } else {
    duk_push_undefined(ctx);
    duk_push_undefined(ctx);
  }
  return 3;
}

CefString LineOf(const CefString& source, int line) {
  if (line < 1)
    return CefString();
  const std::wstring text = source.ToWString();
  size_t start = 0;
  for (int i = 1; i < line; ++i) {
    start = text.find(L'\n', start);
    if (start == std::wstring::npos)
      return CefString();
    ++start;
  }
  size_t end = text.find(L'\n', start);
  std::wstring found = text.substr(
      start, end == std::wstring::npos ? std::wstring::npos : end - start);
  if (!found.empty() && found.back() == L'\r')
    found.pop_back();
  return CefString(found);
}

}  // namespace

V8ExceptionImpl::V8ExceptionImpl(const CefString& message,
                                 const CefString& source_line,
                                 const CefString& resource_name,
                                 int line)
    : message_(message),
      source_line_(source_line),
      resource_name_(resource_name),
      line_(line) {}

CefRefPtr<V8ExceptionImpl> V8ExceptionImpl::FromThrown(
    duk_context* ctx,
    duk_idx_t index,
    const CefString& source,
    const CefString& resource_name) {
  duk_idx_t base = duk_get_top(ctx);
  duk_dup(ctx, index);
  CefString text = "exception";
  CefString file = resource_name;
  int line = 0;
  if (duk_safe_call(ctx, ReadThrown, nullptr, 1, 3) == DUK_EXEC_SUCCESS) {
    text = GetCefString(ctx, -3);
    if (duk_is_string(ctx, -2) && duk_get_length(ctx, -2) > 0)
      file = GetCefString(ctx, -2);
    if (duk_is_number(ctx, -1)) {
      double number = duk_get_number(ctx, -1);
      if (number >= 0 && number < 0x7FFFFFFF)
        line = static_cast<int>(number);
    }
  }
  duk_set_top(ctx, base);
  CefString source_line =
      file == resource_name ? LineOf(source, line) : CefString();
  return new V8ExceptionImpl(CefString("Uncaught " + text.ToString()),
                             source_line, file, line);
}

CefString V8ExceptionImpl::GetMessage() {
  return message_;
}

CefString V8ExceptionImpl::GetSourceLine() {
  return source_line_;
}

CefString V8ExceptionImpl::GetScriptResourceName() {
  return resource_name_;
}

int V8ExceptionImpl::GetLineNumber() {
  return line_;
}

}  // namespace cef_internal
