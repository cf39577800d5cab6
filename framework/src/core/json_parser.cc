#include "src/core/json_parser.h"

// Input is validated, so RapidJSON's internal checks have nothing to catch;
// the one that could fire (a lone surrogate from a \u escape) is reported by
// the handler below as an invalid escape instead of aborting.
#define RAPIDJSON_ASSERT(x) ((void)0)

#include <rapidjson/reader.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "include/internal/cef_string.h"

namespace cef_internal {

namespace {

typedef rapidjson::UTF16<wchar_t> Utf16;

// RapidJSON's own allocator hands a failed allocation on as a null stack
// and then writes through it; this one throws std::bad_alloc, as every
// other allocation of a parse does, and leaves the reader's stack as it was.
class ReaderAllocator {
 public:
  static const bool kNeedFree = true;
  void* Malloc(size_t size) {
    if (!size)
      return nullptr;
    void* block = std::malloc(size);
    if (!block)
      throw std::bad_alloc();
    return block;
  }
  void* Realloc(void* block, size_t, size_t size) {
    if (!size) {
      std::free(block);
      return nullptr;
    }
    void* resized = std::realloc(block, size);
    if (!resized)
      throw std::bad_alloc();
    return resized;
  }
  static void Free(void* block) { std::free(block); }
};

const unsigned kFlags =
    rapidjson::kParseIterativeFlag | rapidjson::kParseCommentsFlag |
    rapidjson::kParseValidateEncodingFlag | rapidjson::kParseFullPrecisionFlag;

bool IsLeadSurrogate(wchar_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}

bool IsTrailSurrogate(wchar_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

bool HasLoneSurrogate(const wchar_t* str, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (IsLeadSurrogate(str[i]) && i + 1 < length &&
        IsTrailSurrogate(str[i + 1])) {
      ++i;
    } else if (IsLeadSurrogate(str[i]) || IsTrailSurrogate(str[i])) {
      return true;
    }
  }
  return false;
}

// Builds nodes from RapidJSON's events.
class NodeBuilder : public rapidjson::BaseReaderHandler<Utf16, NodeBuilder> {
 public:
  enum Failure { kNone, kTooDeep, kBadEscape };

  bool Null() { return Add(ValueNode::Null()); }
  bool Bool(bool value) { return Add(ValueNode::Bool(value)); }
  bool Int(int value) { return Add(ValueNode::Int(value)); }
  bool Uint(unsigned value) {
    return Add(value <= INT_MAX ? ValueNode::Int(static_cast<int>(value))
                                : ValueNode::Double(value));
  }
  bool Int64(int64_t value) {
    return Add(value >= INT_MIN && value <= INT_MAX
                   ? ValueNode::Int(static_cast<int>(value))
                   : ValueNode::Double(static_cast<double>(value)));
  }
  bool Uint64(uint64_t value) {
    return Add(value <= INT_MAX
                   ? ValueNode::Int(static_cast<int>(value))
                   : ValueNode::Double(static_cast<double>(value)));
  }
  // A number too large for a double (RapidJSON lets some through as
  // infinity) is refused as a syntax error, as the framework's reader
  // does: no JSON text could write it back.
  bool Double(double value) {
    return std::isfinite(value) && Add(ValueNode::Double(value));
  }
  bool String(const wchar_t* str, rapidjson::SizeType length, bool) {
    if (HasLoneSurrogate(str, length))
      return Fail(kBadEscape);
    return Add(ValueNode::String(std::wstring(str, length)));
  }
  bool Key(const wchar_t* str, rapidjson::SizeType length, bool) {
    if (HasLoneSurrogate(str, length))
      return Fail(kBadEscape);
    // Dictionary keys are UTF-8; the short ones of usual JSON stay inline.
    key_ = CefString(str, length, /*copy=*/false).ToString();
    return true;
  }
  bool StartObject() { return Open(ValueNode::NewDict()); }
  bool EndObject(rapidjson::SizeType) { return Close(); }
  bool StartArray() { return Open(ValueNode::NewList()); }
  bool EndArray(rapidjson::SizeType) { return Close(); }

  NodePtr root() const { return root_; }
  Failure failure() const { return failure_; }

 private:
  bool Fail(Failure failure) {
    failure_ = failure;
    return false;
  }

  bool Add(NodePtr node) {
    if (stack_.empty()) {
      root_ = node;
    } else if (stack_.back()->type == VTYPE_LIST) {
      stack_.back()->list.push_back(node);
    } else {
      // A repeated key keeps the last value.
      stack_.back()->dict[key_] = node;
    }
    return true;
  }

  bool Open(NodePtr container) {
    if (static_cast<int>(stack_.size()) >= JsonParser::kMaxDepth)
      return Fail(kTooDeep);
    Add(container);
    stack_.push_back(container);
    return true;
  }

  bool Close() {
    stack_.pop_back();
    return true;
  }

  NodePtr root_;
  std::vector<NodePtr> stack_;
  std::string key_;
  Failure failure_ = kNone;
};

// The framework's reader takes raw control characters inside strings;
// RapidJSON does not. Escapes them and remembers where each character came
// from, so that error positions still refer to the caller's text. Returns
// false, leaving |out| and |origin| empty, when there was nothing to escape:
// the usual case, which then costs no copy.
bool EscapeControlCharacters(const wchar_t* in,
                             size_t size,
                             std::wstring* out,
                             std::vector<size_t>* origin) {
  if (std::none_of(in, in + size, [](wchar_t c) { return c < 0x20; }))
    return false;
  enum { kCode, kString, kEscape, kLineComment, kBlockComment } state = kCode;
  bool changed = false;
  // Until the first escape, |out| would only repeat |in|.
  auto keep = [&](size_t at) {
    if (changed) {
      out->push_back(in[at]);
      origin->push_back(at);
    }
  };
  for (size_t i = 0; i < size; ++i) {
    wchar_t c = in[i];
    wchar_t next = i + 1 < size ? in[i + 1] : 0;
    if (state == kString && c < 0x20) {
      if (!changed) {
        out->assign(in, i);
        for (size_t at = 0; at < i; ++at)
          origin->push_back(at);
        changed = true;
      }
      wchar_t escaped[8];
      swprintf(escaped, 8, L"\\u%04X", static_cast<unsigned>(c));
      out->append(escaped);
      origin->insert(origin->end(), 6, i);
      continue;
    }
    keep(i);
    switch (state) {
      case kCode:
        if (c == L'"') {
          state = kString;
        } else if (c == L'/' && (next == L'/' || next == L'*')) {
          state = next == L'/' ? kLineComment : kBlockComment;
          keep(++i);
        }
        break;
      case kString:
        state = c == L'\\' ? kEscape : (c == L'"' ? kCode : kString);
        break;
      case kEscape:
        state = kString;
        break;
      case kLineComment:
        if (c == L'\n' || c == L'\r')
          state = kCode;
        break;
      case kBlockComment:
        if (c == L'*' && next == L'/') {
          state = kCode;
          keep(++i);
        }
        break;
    }
  }
  if (changed)
    origin->push_back(size);
  return changed;
}

bool IsValueChar(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
         (c >= L'0' && c <= L'9') || c == L'-' || c == L'+' || c == L'.';
}

// The last character before |offset| outside white space and comments (a
// string counts as its closing quote); 0 when there is none.
wchar_t PreviousSignificant(const std::wstring& text, size_t offset) {
  enum { kCode, kString, kEscape, kLineComment, kBlockComment } state = kCode;
  wchar_t last = 0;
  for (size_t i = 0; i < offset && i < text.size(); ++i) {
    wchar_t c = text[i];
    wchar_t next = i + 1 < text.size() ? text[i + 1] : 0;
    switch (state) {
      case kCode:
        if (c == L'/' && (next == L'/' || next == L'*')) {
          state = next == L'/' ? kLineComment : kBlockComment;
          ++i;
        } else if (c == L'"') {
          state = kString;
        } else if (c != L' ' && c != L'\t' && c != L'\n' && c != L'\r') {
          last = c;
        }
        break;
      case kString:
        state = c == L'\\' ? kEscape : (c == L'"' ? kCode : kString);
        last = L'"';
        break;
      case kEscape:
        state = kString;
        break;
      case kLineComment:
        if (c == L'\n' || c == L'\r')
          state = kCode;
        break;
      case kBlockComment:
        if (c == L'*' && next == L'/') {
          state = kCode;
          ++i;
        }
        break;
    }
  }
  return last;
}

// RapidJSON reports "invalid value" for a misspelt literal, a broken number,
// a stray token and a trailing comma alike; the framework tells them apart.
cef_json_parser_error_t ClassifyInvalidValue(const std::wstring& text,
                                             size_t offset) {
  // RapidJSON may stop inside the bad token; find where it began.
  size_t start = offset;
  while (start > 0 && IsValueChar(text[start - 1]))
    --start;
  wchar_t first = start < text.size() ? text[start] : 0;
  if (first == L't' || first == L'f' || first == L'n' || first == L'-' ||
      (first >= L'0' && first <= L'9')) {
    return JSON_SYNTAX_ERROR;
  }
  if ((first == L']' || first == L'}') &&
      PreviousSignificant(text, offset) == L',') {
    return JSON_TRAILING_COMMA;
  }
  return JSON_UNEXPECTED_TOKEN;
}

cef_json_parser_error_t Classify(rapidjson::ParseErrorCode code,
                                 const std::wstring& text,
                                 size_t offset) {
  wchar_t at = offset < text.size() ? text[offset] : 0;
  switch (code) {
    case rapidjson::kParseErrorDocumentEmpty:
      return JSON_UNEXPECTED_TOKEN;
    case rapidjson::kParseErrorDocumentRootNotSingular:
      // "01": a leading zero is a malformed number, not a second value.
      if (at >= L'0' && at <= L'9' && offset > 0 && text[offset - 1] == L'0')
        return JSON_SYNTAX_ERROR;
      return JSON_UNEXPECTED_DATA_AFTER_ROOT;
    case rapidjson::kParseErrorValueInvalid:
      return ClassifyInvalidValue(text, offset);
    case rapidjson::kParseErrorObjectMissName:
      if (at == L'}' && PreviousSignificant(text, offset) == L',')
        return JSON_TRAILING_COMMA;
      return JSON_UNQUOTED_DICTIONARY_KEY;
    case rapidjson::kParseErrorStringUnicodeEscapeInvalidHex:
    case rapidjson::kParseErrorStringUnicodeSurrogateInvalid:
    case rapidjson::kParseErrorStringEscapeInvalid:
      return JSON_INVALID_ESCAPE;
    case rapidjson::kParseErrorStringInvalidEncoding:
      return JSON_UNSUPPORTED_ENCODING;
    default:
      return JSON_SYNTAX_ERROR;
  }
}

const char* Describe(cef_json_parser_error_t code) {
  switch (code) {
    case JSON_INVALID_ESCAPE:
      return "Invalid escape sequence.";
    case JSON_UNEXPECTED_TOKEN:
      return "Unexpected token.";
    case JSON_TRAILING_COMMA:
      return "Trailing comma not allowed.";
    case JSON_TOO_MUCH_NESTING:
      return "Too much nesting.";
    case JSON_UNEXPECTED_DATA_AFTER_ROOT:
      return "Unexpected data after root element.";
    case JSON_UNSUPPORTED_ENCODING:
      return "Unsupported encoding. JSON must be UTF-8.";
    case JSON_UNQUOTED_DICTIONARY_KEY:
      return "Dictionary keys must be quoted.";
    default:
      return "Syntax error.";
  }
}

}  // namespace

JsonParser::JsonParser(cef_json_parser_options_t options) : options_(options) {}

NodePtr JsonParser::Parse(const std::wstring& json) {
  error_code_ = JSON_NO_ERROR;
  error_message_.clear();

  // A byte-order mark is not part of the text.
  size_t skip = !json.empty() && json[0] == 0xFEFF ? 1 : 0;
  const wchar_t* text = json.c_str() + skip;
  const size_t text_size = json.size() - skip;
  std::wstring escaped;
  std::vector<size_t> origin;
  bool was_escaped =
      EscapeControlCharacters(text, text_size, &escaped, &origin);
  const wchar_t* input = was_escaped ? escaped.c_str() : text;
  const size_t input_size = was_escaped ? escaped.size() : text_size;

  NodeBuilder builder;
  rapidjson::GenericReader<Utf16, Utf16, ReaderAllocator> reader;
  rapidjson::GenericStringStream<Utf16> stream(input);
  rapidjson::ParseResult result;
  bool trailing_commas = (options_ & JSON_PARSER_ALLOW_TRAILING_COMMAS) != 0;
  if (trailing_commas) {
    result = reader.Parse<kFlags | rapidjson::kParseTrailingCommasFlag>(
        stream, builder);
  } else {
    result = reader.Parse<kFlags>(stream, builder);
  }
  // RapidJSON stops at an embedded NUL; the framework sees more text there.
  if (!result.IsError() && input_size > stream.Tell()) {
    result.Set(rapidjson::kParseErrorDocumentRootNotSingular, stream.Tell());
  }
  if (!result.IsError())
    return builder.root();

  const std::wstring original(text, text_size);
  const std::wstring& scanned = was_escaped ? escaped : original;
  size_t offset = result.Offset();
  if (offset > scanned.size())
    offset = scanned.size();
  cef_json_parser_error_t code;
  if (builder.failure() == NodeBuilder::kTooDeep)
    code = JSON_TOO_MUCH_NESTING;
  else if (builder.failure() == NodeBuilder::kBadEscape)
    code = JSON_INVALID_ESCAPE;
  else
    code = Classify(result.Code(), scanned, offset);
  SetError(code, original, was_escaped ? origin[offset] : offset);
  return nullptr;
}

void JsonParser::SetError(cef_json_parser_error_t code,
                          const std::wstring& text,
                          size_t offset) {
  int line = 1;
  size_t line_start = 0;
  for (size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == L'\n') {
      ++line;
      line_start = i + 1;
    }
  }
  char message[128];
  snprintf(message, sizeof(message), "Line: %d, column: %d, %s", line,
           static_cast<int>(offset - line_start + 1), Describe(code));
  error_code_ = code;
  error_message_ = message;
}

}  // namespace cef_internal
