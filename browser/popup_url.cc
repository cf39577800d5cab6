#include "browser/popup_url.h"

#include <windows.h>

#include <cwchar>

namespace {

constexpr size_t kMaxHostLength = 253;
constexpr size_t kMaxLabelLength = 63;
constexpr unsigned long kMaxPort = 65535;

bool IsAsciiAlpha(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsAsciiDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

bool IsHexDigit(wchar_t c) {
  return IsAsciiDigit(c) || (c >= L'a' && c <= L'f') ||
         (c >= L'A' && c <= L'F');
}

wchar_t ToLowerAscii(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
}

// Characters kept as they are in a path, query or fragment: the unreserved
// and reserved ones that no shell, command line or HTML attribute reads.
bool IsKeptInPath(wchar_t c) {
  if (IsAsciiAlpha(c) || IsAsciiDigit(c))
    return true;
  return std::wcschr(L"-._~!$&()*+,;=:@/?", c) != nullptr && c != 0;
}

void AppendPercentByte(unsigned char byte, std::wstring* out) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  out->push_back(L'%');
  out->push_back(kHex[byte >> 4]);
  out->push_back(kHex[byte & 0xF]);
}

// Appends code point |cp| as percent-encoded UTF-8.
void AppendPercentUtf8(unsigned long cp, std::wstring* out) {
  if (cp < 0x80) {
    AppendPercentByte(static_cast<unsigned char>(cp), out);
  } else if (cp < 0x800) {
    AppendPercentByte(static_cast<unsigned char>(0xC0 | (cp >> 6)), out);
    AppendPercentByte(static_cast<unsigned char>(0x80 | (cp & 0x3F)), out);
  } else if (cp < 0x10000) {
    AppendPercentByte(static_cast<unsigned char>(0xE0 | (cp >> 12)), out);
    AppendPercentByte(static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F)),
                      out);
    AppendPercentByte(static_cast<unsigned char>(0x80 | (cp & 0x3F)), out);
  } else {
    AppendPercentByte(static_cast<unsigned char>(0xF0 | (cp >> 18)), out);
    AppendPercentByte(static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F)),
                      out);
    AppendPercentByte(static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F)),
                      out);
    AppendPercentByte(static_cast<unsigned char>(0x80 | (cp & 0x3F)), out);
  }
}

// Path, query and fragment: the first '?' and the first '#' keep their
// meaning, an existing "%XX" stays, everything unsafe is percent-encoded.
// False for a lone surrogate.
bool EncodeRest(const std::wstring& rest, std::wstring* out) {
  bool in_fragment = false;
  for (size_t i = 0; i < rest.size(); ++i) {
    const wchar_t c = rest[i];
    if (c >= 0xD800 && c <= 0xDFFF) {
      const bool pair = c <= 0xDBFF && i + 1 < rest.size() &&
                        rest[i + 1] >= 0xDC00 && rest[i + 1] <= 0xDFFF;
      if (!pair)
        return false;
      const unsigned long cp =
          0x10000 + ((static_cast<unsigned long>(c) - 0xD800) << 10) +
          (rest[++i] - 0xDC00);
      AppendPercentUtf8(cp, out);
    } else if (c == L'%' && i + 2 < rest.size() && IsHexDigit(rest[i + 1]) &&
               IsHexDigit(rest[i + 2])) {
      out->push_back(c);
    } else if (c == L'#' && !in_fragment) {
      in_fragment = true;
      out->push_back(c);
    } else if (IsKeptInPath(c)) {
      out->push_back(c);
    } else {
      AppendPercentUtf8(c, out);
    }
  }
  return true;
}

bool IsHostNameLabel(const std::wstring& label) {
  if (label.empty() || label.size() > kMaxLabelLength)
    return false;
  for (wchar_t c : label) {
    if (!IsAsciiAlpha(c) && !IsAsciiDigit(c) && c != L'-' && c != L'_')
      return false;
  }
  return true;
}

// A bracketed IPv6 literal, checked for its alphabet only; the browser that
// receives it does the rest.
bool IsIpv6Literal(const std::wstring& host) {
  if (host.size() < 4 || host.front() != L'[' || host.back() != L']')
    return false;
  for (size_t i = 1; i + 1 < host.size(); ++i) {
    if (!IsHexDigit(host[i]) && host[i] != L':' && host[i] != L'.')
      return false;
  }
  return true;
}

// The host in lower-case ASCII; international names through IDNA.
bool NormaliseHost(const std::wstring& host, std::wstring* out) {
  if (host.empty() || host.size() > kMaxHostLength)
    return false;
  if (host.front() == L'[') {
    if (!IsIpv6Literal(host))
      return false;
    for (wchar_t c : host)
      out->push_back(ToLowerAscii(c));
    return true;
  }
  wchar_t ascii[kMaxHostLength + 1];
  const int length = IdnToAscii(0, host.data(), static_cast<int>(host.size()),
                                ascii, kMaxHostLength);
  if (length <= 0)
    return false;
  std::wstring name(ascii, length);
  size_t start = 0;
  for (;;) {
    const size_t dot = name.find(L'.', start);
    if (!IsHostNameLabel(name.substr(start, dot - start)))
      return false;
    if (dot == std::wstring::npos)
      break;
    start = dot + 1;
  }
  for (wchar_t c : name)
    out->push_back(ToLowerAscii(c));
  return true;
}

bool NormalisePort(const std::wstring& digits, std::wstring* out) {
  if (digits.empty() || digits.size() > 5)
    return false;
  unsigned long port = 0;
  for (wchar_t c : digits) {
    if (!IsAsciiDigit(c))
      return false;
    port = port * 10 + (c - L'0');
  }
  if (port == 0 || port > kMaxPort)
    return false;
  *out += L":" + std::to_wstring(port);
  return true;
}

// "scheme://" in either case; the scheme as it is written out.
size_t SchemeLength(const std::wstring& url, std::wstring* scheme) {
  for (const wchar_t* candidate : {L"http://", L"https://"}) {
    const size_t length = std::wcslen(candidate);
    if (url.size() < length)
      continue;
    bool same = true;
    for (size_t i = 0; i < length && same; ++i)
      same = ToLowerAscii(url[i]) == candidate[i];
    if (same) {
      *scheme = candidate;
      return length;
    }
  }
  return 0;
}

}  // namespace

std::wstring SanitizePopupUrl(const std::wstring& url, bool* too_long) {
  if (too_long)
    *too_long = false;
  if (url.size() > kMaxPopupUrlLength) {
    if (too_long)
      *too_long = true;
    return std::wstring();
  }
  std::wstring out;
  const size_t authority_start = SchemeLength(url, &out);
  if (!authority_start)
    return std::wstring();
  const size_t authority_end = url.find_first_of(L"/?#", authority_start);
  const std::wstring authority =
      url.substr(authority_start, authority_end - authority_start);
  // No credentials (nor a host disguised behind them), no backslash that a
  // browser might read as a path separator.
  if (authority.find_first_of(L"@\\") != std::wstring::npos)
    return std::wstring();
  const size_t colon = authority.rfind(L':');
  const bool has_port =
      colon != std::wstring::npos &&
      (authority.front() != L'[' || authority.rfind(L']') < colon);
  if (!NormaliseHost(authority.substr(0, has_port ? colon : authority.size()),
                     &out)) {
    return std::wstring();
  }
  if (has_port && !NormalisePort(authority.substr(colon + 1), &out))
    return std::wstring();
  const std::wstring rest = authority_end == std::wstring::npos
                                ? std::wstring()
                                : url.substr(authority_end);
  if (rest.empty() || rest[0] != L'/')
    out.push_back(L'/');
  if (!EncodeRest(rest, &out))
    return std::wstring();
  if (out.size() > kMaxPopupUrlLength) {
    if (too_long)
      *too_long = true;
    return std::wstring();
  }
  return out;
}

bool HandlerCommandFits(const std::wstring& command, const std::wstring& url) {
  size_t units = 0;
  bool has_address = false;
  for (size_t i = 0; i < command.size(); ++i) {
    if (command[i] != L'%' || i + 1 == command.size()) {
      ++units;
      continue;
    }
    const wchar_t escape = command[++i];
    if (escape == L'1' || escape == L'L' || escape == L'l') {
      units += url.size();
      has_address = true;
    } else if (escape == L'%') {
      ++units;
    }
  }
  if (!has_address)
    units += 1 + url.size();
  return units < kWineShellCommandUnits;
}
