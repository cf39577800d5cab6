// The origins whose pages may use the component: KXHelper, the page queries
// and the option messages. An origin is "scheme://host[:port]" (lower case,
// no default port) and every file: URL of a file on this machine shares the
// one origin "file://". No list (the default) allows every page.
#ifndef COMMON_ORIGIN_ALLOW_LIST_H_
#define COMMON_ORIGIN_ALLOW_LIST_H_

#include <set>
#include <string>
#include <vector>

#include "include/cef_values.h"

class OriginAllowList {
 public:
  // No list: every page is allowed.
  OriginAllowList();

  // A list: only these origins are allowed. Entries that are not of the
  // form "scheme://host[:port]" or "file://" are ignored, so an empty or
  // wholly invalid list allows nothing.
  static OriginAllowList FromOrigins(const std::vector<std::string>& origins);
  // The origin a list entry stands for, as FromOrigins reads it; "" for an
  // entry it ignores.
  static std::string OriginOfEntry(const std::string& entry);

  // The origin of |url|, or "" for a URL without one, which no list allows:
  // about:, data:, javascript:, text that is no URL, a file on another
  // machine (file://server/share/x), and an address whose host parsers
  // could read differently: a user name or password, or '@', '\', '?' or
  // '#' before the first '/' ("http://a?@b/"). The real framework hands
  // over canonical URLs ("http://a/?@b/"), which this reads as it does.
  static std::string OriginOf(const std::string& url);

  bool restricted() const { return restricted_; }
  bool Allows(const std::string& url) const;

  // The form that travels to render processes in the framework's extra
  // information: nothing for no list, a list of origin strings otherwise.
  void AppendTo(CefRefPtr<CefListValue> extra_info) const;
  // Reads what AppendTo wrote at |index|; no list when there is none.
  static OriginAllowList ReadFrom(CefRefPtr<CefListValue> extra_info,
                                  size_t index);

 private:
  bool restricted_ = false;
  std::set<std::string> origins_;
};

// Answers a page query from a frame whose origin is not allowed.
constexpr int kOriginRefusedErrorCode = 403;
extern const char kOriginRefusedErrorMessage[];

#endif  // COMMON_ORIGIN_ALLOW_LIST_H_
