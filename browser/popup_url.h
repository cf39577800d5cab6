// Decides what a pop-up may hand to the system's default browser: only a
// well-formed absolute http or https URL, rebuilt so that nothing in it can
// be read as more than one argument or as anything but a web address.
#ifndef BROWSER_POPUP_URL_H_
#define BROWSER_POPUP_URL_H_

#include <cstddef>
#include <string>

// The longest address handed to the shell, in UTF-16 units, before and after
// it is rebuilt. Windows takes URLs of up to 2,083 characters
// (INTERNET_MAX_URL_LENGTH). Wine 8.0's shell first looks the address up as
// a program under "Software\...\App Paths\" (52 units) in a buffer of
// 1,024 on the stack, unchecked, with ".exe" appended: a URL of 968 or more
// overruns it, which faults from 984 on in a 32-bit process and from about
// 1,000 in a 64-bit one (measured; the fault's address is made of the URL's
// own characters). That buffer never holds the handler's command, so no
// handler changes the limit; 960 stays below it.
constexpr size_t kMaxPopupUrlLength = 960;

// Wine's shell then expands the scheme's handler command with the address
// in a buffer of this many units; what does not fit is left out, so the
// handler starts without the address (measured with handler commands of 36
// to 234 units). HandlerCommandFits says whether an address fits.
constexpr size_t kWineShellCommandUnits = 1024;

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

// Whether |command|, a handler's registered "shell\open\command", expanded
// with |url| as Wine's shell expands it (%1 and %L are the address, %% a
// percent sign; without either the address follows a space), fits
// kWineShellCommandUnits with its terminating null.
bool HandlerCommandFits(const std::wstring& command, const std::wstring& url);

#endif  // BROWSER_POPUP_URL_H_
