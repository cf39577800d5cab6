/* A program in C that uses the framework's C API alone, linked by lld-link
 * against the package's libcef.lib (Visual C++'s import-library format) with
 * no C run-time at all, so that nothing of MinGW's takes part. It asks
 * libcef.dll for its version and API hash and compares them with the
 * headers', and sends a string through UTF-16 and back. One line per check,
 * "ok" or "WRONG"; the exit code is the number of wrong ones. */
#include "include/cef_version.h"
#include "include/internal/cef_string_types.h"

/* kernel32.dll's, declared here: the program is built without a Windows SDK. */
__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long handle);
__declspec(dllimport) int __stdcall WriteFile(void* file,
                                              const void* data,
                                              unsigned long size,
                                              unsigned long* written,
                                              void* overlapped);
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);

#define STD_OUTPUT_HANDLE ((unsigned long)-11)

static unsigned int g_wrong = 0;

static unsigned long Length(const char* text) {
  unsigned long length = 0;
  while (text[length])
    ++length;
  return length;
}

static void Print(const char* text) {
  unsigned long written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, Length(text), &written, 0);
}

static int SameText(const char* a, const char* b, size_t length) {
  size_t i;
  for (i = 0; i < length; ++i) {
    if (a[i] != b[i])
      return 0;
  }
  return 1;
}

static void Check(const char* what, int right) {
  Print(what);
  Print(right ? ": ok\r\n" : ": WRONG\r\n");
  if (!right)
    ++g_wrong;
}

#define CHROME_VERSION                                   \
  MAKE_STRING(CHROME_VERSION_MAJOR)                      \
  "." MAKE_STRING(CHROME_VERSION_MINOR) "." MAKE_STRING( \
      CHROME_VERSION_BUILD) "." MAKE_STRING(CHROME_VERSION_PATCH)

static void CheckVersion(void) {
  /* The entries of cef_version_info, in the order the framework numbers
   * them. */
  static const int kExpected[] = {CEF_VERSION_MAJOR,    CEF_COMMIT_NUMBER,
                                  CHROME_VERSION_MAJOR, CHROME_VERSION_MINOR,
                                  CHROME_VERSION_BUILD, CHROME_VERSION_PATCH};
  int right = 1;
  int entry;
  for (entry = 0; entry < 6; ++entry)
    right = right && cef_version_info(entry) == kExpected[entry];
  Check("version " CEF_VERSION " (Chromium " CHROME_VERSION ")", right);
}

static void CheckApiHash(void) {
  const char* platform = cef_api_hash(0);
  const char* universal = cef_api_hash(1);
  Check("API hash " CEF_API_HASH_PLATFORM,
        platform && Length(platform) == Length(CEF_API_HASH_PLATFORM) &&
            SameText(platform, CEF_API_HASH_PLATFORM,
                     Length(CEF_API_HASH_PLATFORM)) &&
            universal &&
            SameText(universal, CEF_API_HASH_UNIVERSAL,
                     Length(CEF_API_HASH_UNIVERSAL) + 1));
}

/* "K\xC3\xB6ln \xE2\x82\xAC" is "Köln €": two- and three-byte UTF-8. */
static void CheckStrings(void) {
  static const char kText[] = "K\xC3\xB6ln \xE2\x82\xAC";
  const size_t length = sizeof(kText) - 1;
  cef_string_utf16_t wide = {0, 0, 0};
  cef_string_utf8_t back = {0, 0, 0};
  int right = cef_string_utf8_to_utf16(kText, length, &wide) &&
              wide.length == 6 && wide.str[1] == 0xF6 && wide.str[5] == 0x20AC;
  right = right && cef_string_utf16_to_utf8(wide.str, wide.length, &back) &&
          back.length == length && SameText(back.str, kText, length);
  cef_string_utf16_clear(&wide);
  cef_string_utf8_clear(&back);
  Check("UTF-8 to UTF-16 and back", right);
}

void ProbeMain(void) {
  CheckVersion();
  CheckApiHash();
  CheckStrings();
  ExitProcess(g_wrong);
}
