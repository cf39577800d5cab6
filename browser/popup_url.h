// Decides what a pop-up may hand to the system's default browser: only a
// well-formed absolute http or https URL, rebuilt so that nothing in it can
// be read as more than one argument or as anything but a web address.
#ifndef BROWSER_POPUP_URL_H_
#define BROWSER_POPUP_URL_H_

#include <string>

// The URL rebuilt: lower-case scheme, host in ASCII (international names in
// their "xn--" form), the port as a plain number, an empty path as "/", and
// in the path, query and fragment every control character, space, quote,
// backslash, other character that is unsafe on a command line and non-ASCII
// character percent-encoded (as UTF-8). Empty when |url| is not such a URL:
// another scheme, no host, user name or password, a bad port, a host with
// characters no host name has, or text that is not valid UTF-16.
std::wstring SanitizePopupUrl(const std::wstring& url);

#endif  // BROWSER_POPUP_URL_H_
