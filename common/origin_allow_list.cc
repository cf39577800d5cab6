#include "common/origin_allow_list.h"

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

bool IsHostText(const std::string& host) {
  if (host.empty())
    return false;
  for (char c : host) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u <= ' ' || u >= 0x7F || c == '/' || c == '\\' || c == '?' ||
        c == '#' || c == '@') {
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
    const size_t separator = entry.find("://");
    if (separator == std::string::npos)
      continue;
    const std::string origin =
        BuildOrigin(entry.substr(0, separator), entry.substr(separator + 3));
    // "file://" alone names the file origin; anything after it is no origin.
    if (!origin.empty() && (origin != kFileOrigin || entry.size() == 7))
      list.origins_.insert(origin);
  }
  return list;
}

// static
std::string OriginAllowList::OriginOf(const std::string& url) {
  const size_t colon = url.find(':');
  if (colon == std::string::npos)
    return std::string();
  const std::string scheme = url.substr(0, colon);
  if (ToLowerAscii(scheme) == "file")
    return IsSchemeText(scheme) ? kFileOrigin : std::string();
  if (url.compare(colon, 3, "://") != 0)
    return std::string();
  const size_t start = colon + 3;
  size_t end = url.find_first_of("/?#\\", start);
  if (end == std::string::npos)
    end = url.size();
  std::string authority = url.substr(start, end - start);
  // Credentials are no part of an origin.
  const size_t at = authority.rfind('@');
  if (at != std::string::npos)
    authority.erase(0, at + 1);
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
  CefRefPtr<CefListValue> origins = CefListValue::Create();
  for (const std::string& origin : origins_)
    origins->SetString(origins->GetSize(), origin);
  extra_info->SetList(extra_info->GetSize(), origins);
}

// static
OriginAllowList OriginAllowList::ReadFrom(CefRefPtr<CefListValue> extra_info,
                                          size_t index) {
  if (!extra_info || extra_info->GetSize() <= index ||
      extra_info->GetType(index) != VTYPE_LIST) {
    return OriginAllowList();
  }
  CefRefPtr<CefListValue> origins = extra_info->GetList(index);
  std::vector<std::string> entries;
  for (size_t i = 0; i < origins->GetSize(); ++i) {
    if (origins->GetType(i) == VTYPE_STRING)
      entries.push_back(origins->GetString(i).ToString());
  }
  return FromOrigins(entries);
}
