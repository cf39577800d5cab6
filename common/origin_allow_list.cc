#include "common/origin_allow_list.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

const char kOriginRefusedErrorMessage[] = "Origin not allowed";

namespace {

constexpr char kFileOrigin[] = "file://";

std::string ToLowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool IsSchemeText(const std::string& scheme) {
  if (scheme.empty() || !std::isalpha(static_cast<unsigned char>(scheme[0])))
    return false;
  for (char c : scheme) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' &&
        c != '.') {
      return false;
    }
  }
  return true;
}

// A host name in the form the real framework hands over: lower-case ASCII
// letters, digits, '-', '.' and '_', or a bracketed IPv6 literal. Anything
// else (a '%', non-ASCII, white space) is a host that parsers may read
// differently, so no origin.
bool IsHostText(const std::string& host) {
  if (host.empty())
    return false;
  if (host.front() == '[') {
    if (host.size() < 3 || host.back() != ']')
      return false;
    for (size_t i = 1; i + 1 < host.size(); ++i) {
      if (!std::isxdigit(static_cast<unsigned char>(host[i])) &&
          host[i] != ':' && host[i] != '.') {
        return false;
      }
    }
    return true;
  }
  for (char c : host) {
    if (!(c >= 'a' && c <= 'z') && !(c >= '0' && c <= '9') && c != '-' &&
        c != '.' && c != '_') {
      return false;
    }
  }
  return true;
}

// "" for no port, the number without leading zeros otherwise; false when
// |port| is not a port.
bool NormalisePort(const std::string& port, std::string* out) {
  if (port.empty() || port.size() > 5)
    return false;
  for (char c : port) {
    if (c < '0' || c > '9')
      return false;
  }
  const long value = std::strtol(port.c_str(), nullptr, 10);
  if (value <= 0 || value > 65535)
    return false;
  *out = std::to_string(value);
  return true;
}

std::string DefaultPort(const std::string& scheme) {
  if (scheme == "http" || scheme == "ws")
    return "80";
  if (scheme == "https" || scheme == "wss")
    return "443";
  if (scheme == "ftp")
    return "21";
  return std::string();
}

bool IsSlash(char c) {
  return c == '/' || c == '\\';
}

// "C:" or "C|", then a slash or nothing.
bool IsDriveSpec(const std::string& text, size_t at) {
  return at + 1 < text.size() &&
         std::isalpha(static_cast<unsigned char>(text[at])) &&
         (text[at + 1] == ':' || text[at + 1] == '|') &&
         (at + 2 == text.size() || IsSlash(text[at + 2]));
}

// Whether the file: URL whose text after "file:" starts at |at| names a file
// of this machine: a drive path ("file:///C:/x", "file:C:/x") or the same
// behind the host "localhost". A host of any other name is a share on
// another machine ("file://server/share/x", a UNC path), and so is every
// form that some parser might read as one ("file:////server/share",
// "file://C:/x", a path without a drive).
bool IsLocalFileUrl(const std::string& url, size_t at) {
  size_t slashes = 0;
  while (at + slashes < url.size() && IsSlash(url[at + slashes]))
    ++slashes;
  const size_t after = at + slashes;
  if (slashes == 2) {
    size_t host_end = after;
    while (host_end < url.size() && !IsSlash(url[host_end]))
      ++host_end;
    return ToLowerAscii(url.substr(after, host_end - after)) == "localhost" &&
           IsDriveSpec(url, host_end + 1);
  }
  return slashes <= 3 && IsDriveSpec(url, after);
}

// scheme://host[:port] from its parts, or "" when they make no origin.
std::string BuildOrigin(const std::string& raw_scheme,
                        const std::string& authority) {
  const std::string scheme = ToLowerAscii(raw_scheme);
  if (!IsSchemeText(scheme))
    return std::string();
  if (scheme == "file")
    return kFileOrigin;
  std::string host = ToLowerAscii(authority);
  std::string port;
  const size_t colon = host.rfind(':');
  if (colon != std::string::npos &&
      host.find(']', colon) == std::string::npos) {
    if (!NormalisePort(host.substr(colon + 1), &port))
      return std::string();
    host.erase(colon);
  }
  if (!IsHostText(host))
    return std::string();
  if (!port.empty() && port != DefaultPort(scheme))
    return scheme + "://" + host + ":" + port;
  return scheme + "://" + host;
}

}  // namespace

OriginAllowList::OriginAllowList() = default;

// static
OriginAllowList OriginAllowList::FromOrigins(
    const std::vector<std::string>& origins) {
  OriginAllowList list;
  list.restricted_ = true;
  for (const std::string& entry : origins) {
    const std::string origin = OriginOfEntry(entry);
    if (!origin.empty())
      list.origins_.insert(origin);
  }
  return list;
}

// static
std::string OriginAllowList::OriginOfEntry(const std::string& entry) {
  const size_t separator = entry.find("://");
  if (separator == std::string::npos)
    return std::string();
  const std::string origin =
      BuildOrigin(entry.substr(0, separator), entry.substr(separator + 3));
  // "file://" alone names the file origin; anything after it is no origin.
  if (origin == kFileOrigin && entry.size() != 7)
    return std::string();
  return origin;
}

// static
std::string OriginAllowList::OriginOf(const std::string& url) {
  const size_t colon = url.find(':');
  if (colon == std::string::npos)
    return std::string();
  const std::string scheme = url.substr(0, colon);
  if (ToLowerAscii(scheme) == "file") {
    return IsSchemeText(scheme) && IsLocalFileUrl(url, colon + 1)
               ? kFileOrigin
               : std::string();
  }
  if (url.compare(colon, 3, "://") != 0)
    return std::string();
  const size_t start = colon + 3;
  // Parsers disagree on where a host ends when '?', '#', '@' or '\' comes
  // before the first '/': one ends it at the '?', another takes all up to
  // the '/' and splits it at the '@'. The real framework always writes the
  // '/' and never hands over a backslash there; a user name or password has
  // no place in these pages' addresses. Such an address is judged by no
  // origin rather than by one parser's reading.
  const size_t end = std::min(url.find('/', start), url.size());
  const std::string authority = url.substr(start, end - start);
  if (authority.find_first_of("@\\?#") != std::string::npos)
    return std::string();
  return BuildOrigin(scheme, authority);
}

bool OriginAllowList::Allows(const std::string& url) const {
  if (!restricted_)
    return true;
  const std::string origin = OriginOf(url);
  return !origin.empty() && origins_.count(origin) != 0;
}

void OriginAllowList::AppendTo(CefRefPtr<CefListValue> extra_info) const {
  if (!restricted_ || !extra_info)
    return;
  // The framework's lists give their size as size_t and take int indexes.
  CefRefPtr<CefListValue> origins = CefListValue::Create();
  for (const std::string& origin : origins_)
    origins->SetString(static_cast<int>(origins->GetSize()), origin);
  extra_info->SetList(static_cast<int>(extra_info->GetSize()), origins);
}

// static
OriginAllowList OriginAllowList::ReadFrom(CefRefPtr<CefListValue> extra_info,
                                          size_t index) {
  if (!extra_info || extra_info->GetSize() <= index ||
      extra_info->GetType(static_cast<int>(index)) != VTYPE_LIST) {
    return OriginAllowList();
  }
  CefRefPtr<CefListValue> origins =
      extra_info->GetList(static_cast<int>(index));
  std::vector<std::string> entries;
  const int size = static_cast<int>(origins->GetSize());
  for (int i = 0; i < size; ++i) {
    if (origins->GetType(i) == VTYPE_STRING)
      entries.push_back(origins->GetString(i).ToString());
  }
  return FromOrigins(entries);
}
