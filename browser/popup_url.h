// Decides what a pop-up may hand to the system's default browser: only a
// well-formed absolute http or https URL, rebuilt so that nothing in it can
// be read as more than one argument or as anything but a web address.
#ifndef BROWSER_POPUP_URL_H_
#define BROWSER_POPUP_URL_H_

#include <cstddef>
#include <string>

// The longest address handed to the shell, in UTF-16 units, before and after
// it is rebuilt. Windows takes URLs of up to 2,083 characters
// (INTERNET_MAX_URL_LENGTH); Wine 8's shell copies its command line, the
// handler's command with the URL in it, into a buffer of 1,024 characters
// on the stack and overruns it with a URL of 984 or more (the fault's
// address is made of the URL's own characters). 960 leaves room for a
// handler command a little longer than Wine's own.
constexpr size_t kMaxPopupUrlLength = 960;

// The URL rebuilt: lower-case scheme, host in ASCII (international names in
// their "xn--" form), the port as a plain number, an empty path as "/", and
// in the path, query and fragment every control character, space, quote,
// backslash, other character that is unsafe on a command line and non-ASCII
// character percent-encoded (as UTF-8). Empty when |url| is not such a URL:
// another scheme, no host, user name or password, a bad port, a host with
// characters no host name has, or text that is not valid UTF-16; and when
// |url| or the rebuilt URL is longer than kMaxPopupUrlLength, which
// |too_long| (when given) then tells.
std::wstring SanitizePopupUrl(const std::wstring& url,
                              bool* too_long = nullptr);

#endif  // BROWSER_POPUP_URL_H_
