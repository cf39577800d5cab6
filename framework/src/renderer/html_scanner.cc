#include "src/renderer/html_scanner.h"

#include <algorithm>

namespace cef_internal {

namespace {

const wchar_t* const kRawTextTags[] = {L"style", L"textarea", L"title", L"xmp"};
const wchar_t* const kClassicTypes[] = {
    L"text/javascript",          L"application/javascript",
    L"application/x-javascript", L"text/ecmascript",
    L"application/ecmascript",   L"text/jscript",
    L"text/x-javascript",        L"text/livescript"};

bool IsLetter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f';
}

wchar_t Lower(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
}

std::wstring ToLower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(), Lower);
  return text;
}

std::wstring Trim(const std::wstring& text) {
  size_t start = 0;
  size_t end = text.size();
  while (start < end && IsSpace(text[start]))
    ++start;
  while (end > start && IsSpace(text[end - 1]))
    --end;
  return text.substr(start, end - start);
}

// Case-insensitive search for |needle| (lower case) from |pos|.
size_t FindNoCase(const std::wstring& text,
                  const std::wstring& needle,
                  size_t pos) {
  auto it = std::search(text.begin() + std::min(pos, text.size()), text.end(),
                        needle.begin(), needle.end(),
                        [](wchar_t a, wchar_t b) { return Lower(a) == b; });
  return it == text.end() ? std::wstring::npos : it - text.begin();
}

std::wstring DecodeEntities(const std::wstring& text) {
  static const struct {
    const wchar_t* name;
    wchar_t value;
  } kNamed[] = {{L"amp", L'&'},  {L"lt", L'<'},    {L"gt", L'>'},
                {L"quot", L'"'}, {L"apos", L'\''}, {L"nbsp", 0xA0}};
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    size_t semi = text[i] == L'&' ? text.find(L';', i) : std::wstring::npos;
    if (semi == std::wstring::npos || semi - i > 10) {
      out.push_back(text[i]);
      continue;
    }
    std::wstring name = text.substr(i + 1, semi - i - 1);
    bool done = false;
    if (name.size() > 1 && name[0] == L'#') {
      bool hex = name[1] == L'x' || name[1] == L'X';
      std::wstring digits = name.substr(hex ? 2 : 1);
      wchar_t* end = nullptr;
      unsigned long code =
          digits.empty() ? 0 : wcstoul(digits.c_str(), &end, hex ? 16 : 10);
      if (end && *end == L'\0' && code > 0 && code < 0xFFFF) {
        out.push_back(static_cast<wchar_t>(code));
        done = true;
      }
    } else {
      for (const auto& entity : kNamed) {
        if (name == entity.name) {
          out.push_back(entity.value);
          done = true;
          break;
        }
      }
    }
    if (done)
      i = semi;
    else
      out.push_back(text[i]);
  }
  return out;
}

class Scanner {
 public:
  explicit Scanner(const std::wstring& html) : html_(html) {}

  std::vector<HtmlElement> Run() {
    while (pos_ < html_.size()) {
      size_t open = html_.find(L'<', pos_);
      if (open == std::wstring::npos)
        break;
      pos_ = open + 1;
      if (html_.compare(pos_, 3, L"!--") == 0) {
        size_t end = html_.find(L"-->", pos_ + 3);
        pos_ = end == std::wstring::npos ? html_.size() : end + 3;
        continue;
      }
      std::wstring tag = ReadName();
      if (tag.empty())
        continue;
      std::map<std::wstring, std::wstring> attributes = ReadAttributes();
      OnTag(ToLower(tag), std::move(attributes));
    }
    return std::move(elements_);
  }

 private:
  // A tag name starts with a letter; anything else after '<' is text.
  std::wstring ReadName() {
    size_t start = pos_;
    if (pos_ < html_.size() && html_[pos_] == L'/')
      ++pos_;
    if (pos_ >= html_.size() || !IsLetter(html_[pos_])) {
      pos_ = start;
      return std::wstring();
    }
    while (pos_ < html_.size() && !IsSpace(html_[pos_]) &&
           html_[pos_] != L'>' && html_[pos_] != L'/' && html_[pos_] != L'<')
      ++pos_;
    return html_.substr(start, pos_ - start);
  }

  // Reads attributes up to and past the closing '>'.
  std::map<std::wstring, std::wstring> ReadAttributes() {
    std::map<std::wstring, std::wstring> attributes;
    while (pos_ < html_.size()) {
      wchar_t c = html_[pos_];
      if (c == L'>') {
        ++pos_;
        break;
      }
      if (IsSpace(c) || c == L'/') {
        ++pos_;
        continue;
      }
      size_t start = pos_;
      while (pos_ < html_.size() && !IsSpace(html_[pos_]) &&
             html_[pos_] != L'>' && html_[pos_] != L'=' &&
             (html_[pos_] != L'/' || pos_ == start))
        ++pos_;
      std::wstring name = ToLower(html_.substr(start, pos_ - start));
      SkipSpace();
      std::wstring value;
      if (pos_ < html_.size() && html_[pos_] == L'=') {
        ++pos_;
        SkipSpace();
        value = DecodeEntities(ReadValue());
      }
      if (!attributes.count(name))
        attributes[name] = value;
    }
    return attributes;
  }

  std::wstring ReadValue() {
    if (pos_ >= html_.size())
      return std::wstring();
    wchar_t quote = html_[pos_];
    if (quote == L'"' || quote == L'\'') {
      size_t end = html_.find(quote, pos_ + 1);
      if (end == std::wstring::npos)
        end = html_.size();
      std::wstring value = html_.substr(pos_ + 1, end - pos_ - 1);
      pos_ = std::min(end + 1, html_.size());
      return value;
    }
    size_t start = pos_;
    while (pos_ < html_.size() && !IsSpace(html_[pos_]) && html_[pos_] != L'>')
      ++pos_;
    return html_.substr(start, pos_ - start);
  }

  void SkipSpace() {
    while (pos_ < html_.size() && IsSpace(html_[pos_]))
      ++pos_;
  }

  // Moves past "</name ...>" (or to the end); returns where it started.
  size_t SkipToClose(const std::wstring& name) {
    size_t close = FindNoCase(html_, L"</" + name, pos_);
    if (close == std::wstring::npos) {
      pos_ = html_.size();
      return html_.size();
    }
    size_t end = html_.find(L'>', close);
    pos_ = end == std::wstring::npos ? html_.size() : end + 1;
    return close;
  }

  void OnTag(const std::wstring& tag,
             std::map<std::wstring, std::wstring> attributes) {
    if (tag == L"script") {
      HtmlElement element;
      element.kind = HtmlElement::Kind::kScript;
      element.attributes = std::move(attributes);
      size_t start = pos_;
      element.line = LineAt(start);
      size_t end = SkipToClose(L"script");
      element.text = html_.substr(start, end - start);
      elements_.push_back(std::move(element));
    } else if (tag == L"iframe") {
      HtmlElement element;
      element.kind = HtmlElement::Kind::kIframe;
      element.attributes = std::move(attributes);
      elements_.push_back(std::move(element));
    } else {
      for (const wchar_t* raw : kRawTextTags) {
        if (tag == raw) {
          SkipToClose(tag);
          break;
        }
      }
    }
  }

  // Counts forward from the last answer: positions only grow.
  int LineAt(size_t pos) {
    line_ += static_cast<int>(
        std::count(html_.begin() + line_pos_, html_.begin() + pos, L'\n'));
    line_pos_ = pos;
    return line_;
  }

  const std::wstring& html_;
  size_t pos_ = 0;
  size_t line_pos_ = 0;
  int line_ = 1;
  std::vector<HtmlElement> elements_;
};

}  // namespace

std::wstring HtmlElement::Get(const wchar_t* name) const {
  auto it = attributes.find(name);
  return it == attributes.end() ? std::wstring() : it->second;
}

std::vector<HtmlElement> HtmlScanner::Scan(const std::wstring& html) {
  return Scanner(html).Run();
}

bool HtmlScanner::IsClassicScript(const HtmlElement& element) {
  if (!element.Has(L"type"))
    return true;
  std::wstring type = ToLower(Trim(element.Get(L"type")));
  if (type.empty())
    return true;
  for (const wchar_t* classic : kClassicTypes) {
    if (type == classic)
      return true;
  }
  return false;
}

}  // namespace cef_internal
