#include "src/script/native_function_rewriter.h"

#include <algorithm>

namespace cef_internal {

namespace {

bool IsIdentStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         c == '$' || c >= 0x80;
}

bool IsIdentPart(unsigned char c) {
  return IsIdentStart(c) || (c >= '0' && c <= '9');
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' ||
         c == '\f';
}

size_t SkipSpace(const std::string& code, size_t pos) {
  while (pos < code.size() && IsSpace(code[pos]))
    ++pos;
  return pos;
}

size_t ReadIdent(const std::string& code, size_t pos) {
  if (pos >= code.size() || !IsIdentStart(code[pos]))
    return pos;
  while (pos < code.size() && IsIdentPart(code[pos]))
    ++pos;
  return pos;
}

// End of the comment or string literal starting at |pos|, or |pos| when
// none starts there.
size_t SkipLiteral(const std::string& code, size_t pos) {
  char c = code[pos];
  char next = pos + 1 < code.size() ? code[pos + 1] : '\0';
  if (c == '/' && next == '/') {
    size_t end = code.find('\n', pos);
    return end == std::string::npos ? code.size() : end;
  }
  if (c == '/' && next == '*') {
    size_t end = code.find("*/", pos + 2);
    return end == std::string::npos ? code.size() : end + 2;
  }
  if (c == '"' || c == '\'' || c == '`') {
    size_t i = pos + 1;
    while (i < code.size() && code[i] != c) {
      if (code[i] == '\\')
        ++i;
      else if (code[i] == '\n' && c != '`')
        break;
      ++i;
    }
    return std::min(i + 1, code.size());
  }
  return pos;
}

struct Declaration {
  std::string name;
  std::string params;
  size_t end = 0;
};

// Matches "native function NAME(params);" with "native" at |pos|.
bool MatchDeclaration(const std::string& code, size_t pos, Declaration* out) {
  size_t i = pos + 6;
  size_t after_space = SkipSpace(code, i);
  if (after_space == i || code.compare(after_space, 8, "function") != 0)
    return false;
  i = after_space + 8;
  size_t name_start = SkipSpace(code, i);
  if (name_start == i)
    return false;
  size_t name_end = ReadIdent(code, name_start);
  if (name_end == name_start)
    return false;
  i = SkipSpace(code, name_end);
  if (i >= code.size() || code[i] != '(')
    return false;
  size_t close = code.find_first_of("()", i + 1);
  if (close == std::string::npos || code[close] != ')')
    return false;
  out->name = code.substr(name_start, name_end - name_start);
  out->params = code.substr(i + 1, close - i - 1);
  i = SkipSpace(code, close + 1);
  if (i < code.size() && code[i] == ';')
    ++i;
  out->end = i;
  return true;
}

std::string Replacement(const Declaration& decl,
                        int extension_index,
                        size_t newlines) {
  std::string params = decl.params;
  std::replace(params.begin(), params.end(), '\n', ' ');
  std::string text = "function " + decl.name + "(" + params + "){return " +
                     kNativeDispatcherName + "(" +
                     std::to_string(extension_index) + ",\"" + decl.name +
                     "\",this,arguments);}";
  text.append(newlines, '\n');
  return text;
}

// The dispatcher form: a declaration whose body calls the dispatcher.
std::string RewriteAsDeclarations(const std::string& code,
                                  int extension_index,
                                  std::vector<std::string>* names) {
  std::string out;
  out.reserve(code.size() + 64);
  size_t pos = 0;
  while (pos < code.size()) {
    size_t literal_end = SkipLiteral(code, pos);
    if (literal_end != pos) {
      out.append(code, pos, literal_end - pos);
      pos = literal_end;
      continue;
    }
    size_t word_end = ReadIdent(code, pos);
    if (word_end == pos) {
      out.push_back(code[pos++]);
      continue;
    }
    bool is_member = !out.empty() && out.back() == '.';
    Declaration decl;
    if (!is_member && code.compare(pos, word_end - pos, "native") == 0 &&
        MatchDeclaration(code, pos, &decl)) {
      size_t newlines =
          std::count(code.begin() + pos, code.begin() + decl.end, '\n');
      out += Replacement(decl, extension_index, newlines);
      if (names)
        names->push_back(decl.name);
      pos = decl.end;
      continue;
    }
    out.append(code, pos, word_end - pos);
    pos = word_end;
  }
  return out;
}

// A binding of a declared name, to be put at |position| of the output.
struct Binding {
  size_t position;
  std::string text;
};

// Rewrites with bindings; false when the braces do not pair up.
bool RewriteWithBindings(const std::string& code,
                         int extension_index,
                         std::string* out,
                         std::vector<std::string>* names) {
  std::vector<Binding> bindings;
  // Per open brace: the output position after it when it opens a function
  // body, std::string::npos for any other block.
  std::vector<size_t> braces;
  bool function_pending = false;
  size_t pos = 0;
  while (pos < code.size()) {
    size_t literal_end = SkipLiteral(code, pos);
    if (literal_end != pos) {
      out->append(code, pos, literal_end - pos);
      pos = literal_end;
      continue;
    }
    size_t word_end = ReadIdent(code, pos);
    if (word_end == pos) {
      char c = code[pos++];
      out->push_back(c);
      if (c == '{') {
        braces.push_back(function_pending ? out->size() : std::string::npos);
        function_pending = false;
      } else if (c == '}') {
        if (braces.empty())
          return false;
        braces.pop_back();
      }
      continue;
    }
    bool is_member = !out->empty() && out->back() == '.';
    Declaration decl;
    if (!is_member && code.compare(pos, word_end - pos, "native") == 0 &&
        MatchDeclaration(code, pos, &decl)) {
      size_t body = 0;
      for (auto it = braces.rbegin(); it != braces.rend(); ++it) {
        if (*it != std::string::npos) {
          body = *it;
          break;
        }
      }
      bindings.push_back(
          Binding{body, "var " + decl.name + "=" + kNativeTableName + "[" +
                            std::to_string(extension_index) + "][" +
                            std::to_string(names->size()) + "];"});
      names->push_back(decl.name);
      out->append(std::count(code.begin() + pos, code.begin() + decl.end, '\n'),
                  '\n');
      pos = decl.end;
      continue;
    }
    if (!is_member && code.compare(pos, word_end - pos, "function") == 0)
      function_pending = true;
    out->append(code, pos, word_end - pos);
    pos = word_end;
  }
  if (!braces.empty())
    return false;
  // Later positions first, so that earlier ones stay valid; bindings at one
  // position keep their order.
  for (size_t i = bindings.size(); i-- > 0;) {
    size_t j = i;
    while (j > 0 && bindings[j - 1].position == bindings[i].position)
      --j;
    std::string joined;
    for (size_t k = j; k <= i; ++k)
      joined += bindings[k].text;
    out->insert(bindings[i].position, joined);
    i = j;
  }
  return true;
}

}  // namespace

std::string NativeFunctionRewriter::Rewrite(const std::string& code,
                                            int extension_index,
                                            std::vector<std::string>* names) {
  std::vector<std::string> declared;
  std::string out;
  out.reserve(code.size() + 64);
  if (RewriteWithBindings(code, extension_index, &out, &declared)) {
    if (names)
      *names = declared;
    return out;
  }
  return RewriteAsDeclarations(code, extension_index, names);
}

}  // namespace cef_internal
