// Finds what the small page model acts on in a document: <script> elements
// and <iframe> elements, in document order. Tags and attribute names are
// case-insensitive; attribute values may be double-, single- or unquoted;
// "</script" ends a script whatever follows it in the script text. Comments
// and the raw text of <style>, <textarea>, <title> and <xmp> are skipped.
// Everything else of HTML (the DOM, entities beyond the common ones, CDATA,
// document.write) is outside the model.
#ifndef FRAMEWORK_SRC_RENDERER_HTML_SCANNER_H_
#define FRAMEWORK_SRC_RENDERER_HTML_SCANNER_H_

#include <map>
#include <string>
#include <vector>

namespace cef_internal {

struct HtmlElement {
  enum class Kind { kScript, kIframe };
  Kind kind;
  // Lower-cased names; values with common entities decoded.
  std::map<std::wstring, std::wstring> attributes;
  // A script's text.
  std::wstring text;
  // The 1-based line on which a script's text starts.
  int line = 1;

  bool Has(const wchar_t* name) const { return attributes.count(name) > 0; }
  std::wstring Get(const wchar_t* name) const;
};

class HtmlScanner {
 public:
  static std::vector<HtmlElement> Scan(const std::wstring& html);
  // True for a script the page model runs: no type, or a classic script
  // type (modules and data blocks are not run).
  static bool IsClassicScript(const HtmlElement& element);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_RENDERER_HTML_SCANNER_H_
