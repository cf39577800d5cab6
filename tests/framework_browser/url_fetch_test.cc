// URL handling and document fetching below the navigation layer.
#include <windows.h>

#include <winhttp.h>

#include "gtest/gtest.h"
#include "src/browser/framework_log.h"
#include "src/browser/http_fetcher.h"
#include "src/browser/url_fetcher.h"
#include "src/core/document_text.h"
#include "src/core/url_util.h"

namespace cef_internal {
namespace {

TEST(UrlUtilTest, SchemeAndCanonicalForm) {
  EXPECT_EQ(L"http", UrlUtil::Scheme(L"HTTP://Example/"));
  EXPECT_EQ(L"", UrlUtil::Scheme(L"no scheme"));
  EXPECT_EQ(L"", UrlUtil::Scheme(L":nothing"));
  EXPECT_EQ(L"", UrlUtil::Scheme(L"1abc:x"));
  EXPECT_EQ(L"http://host/", UrlUtil::Canonicalize(L"HTTP://host"));
  EXPECT_EQ(L"http://host/a?b", UrlUtil::Canonicalize(L"http://host/a?b"));
  EXPECT_EQ(L"file:///C:/x.html", UrlUtil::Canonicalize(L"FILE:///C:/x.html"));
  EXPECT_EQ(L"plain text", UrlUtil::Canonicalize(L"plain text"));
}

TEST(UrlUtilTest, HttpUrlsAreSplitAsTheEngineSplitsThem) {
  // Host lower case, default port dropped, the path never empty.
  EXPECT_EQ(L"http://example.test/",
            UrlUtil::Canonicalize(L"http://EXAMPLE.test:80"));
  EXPECT_EQ(L"https://a.test:8443/x",
            UrlUtil::Canonicalize(L"https://a.test:8443/x"));
  EXPECT_EQ(L"https://a.test/", UrlUtil::Canonicalize(L"https://a.test:443"));
  EXPECT_EQ(L"http://[::1]:81/", UrlUtil::Canonicalize(L"http://[::1]:81"));
  // The authority ends at the first '/', '\\', '?' or '#'; credentials go.
  EXPECT_EQ(L"http://a/?@b/", UrlUtil::Canonicalize(L"http://a?@b/"));
  EXPECT_EQ(L"http://b/p", UrlUtil::Canonicalize(L"http://u:p@a@b/p"));
  EXPECT_EQ(L"http://a/b/c?d\\e",
            UrlUtil::Canonicalize(L"http:\\\\a\\b\\c?d\\e"));
  HttpUrlParts parts;
  ASSERT_TRUE(UrlUtil::ParseHttp(L"http://a?@b:9/#f", &parts));
  EXPECT_EQ(L"a", parts.host);
  EXPECT_EQ(80, parts.port);
  EXPECT_EQ(L"/?@b:9/", parts.target);
  EXPECT_EQ(L"#f", parts.fragment);
  // What no fetch could use.
  for (const wchar_t* bad :
       {L"http://", L"http://:80/", L"http://a:99999/", L"http://a:8x/",
        L"http://a b/", L"http://a%2e/", L"ftp://a/"}) {
    EXPECT_FALSE(UrlUtil::ParseHttp(bad, &parts)) << bad;
  }
}

TEST(UrlUtilTest, FileUrlToPath) {
  std::wstring path;
  ASSERT_TRUE(UrlUtil::FileUrlToPath(L"file:///C:/dir/a%20b.html?q#f", &path));
  EXPECT_EQ(L"C:\\dir\\a b.html", path);
  ASSERT_TRUE(UrlUtil::FileUrlToPath(L"file://localhost/C:/x.html", &path));
  EXPECT_EQ(L"C:\\x.html", path);
  ASSERT_TRUE(UrlUtil::FileUrlToPath(L"file://server/share/x.html", &path));
  EXPECT_EQ(L"\\\\server\\share\\x.html", path);
  // Escapes are UTF-8 bytes.
  ASSERT_TRUE(UrlUtil::FileUrlToPath(L"file:///C:/%C3%A9.html", &path));
  EXPECT_EQ(L"C:\\\u00e9.html", path);
  EXPECT_FALSE(UrlUtil::FileUrlToPath(L"http://host/x", &path));
  EXPECT_FALSE(UrlUtil::FileUrlToPath(L"file:relative", &path));
  EXPECT_FALSE(UrlUtil::FileUrlToPath(L"file:///C:/a%00b", &path));
}

TEST(UrlUtilTest, MalformedEscapesStay) {
  EXPECT_EQ(L"100%", UrlUtil::UnescapeUtf8(L"100%"));
  EXPECT_EQ(L"%zz%4", UrlUtil::UnescapeUtf8(L"%zz%4"));
  EXPECT_EQ(L"a/b", UrlUtil::UnescapeUtf8(L"a%2Fb"));
}

TEST(UrlFetcherTest, DecodesByteOrderMarks) {
  EXPECT_EQ(L"h\u00e9", DocumentText::Decode("\xEF\xBB\xBFh\xC3\xA9"));
  EXPECT_EQ(L"hi", DocumentText::Decode(std::string("\xFF\xFEh\0i\0", 6)));
  EXPECT_EQ(L"", DocumentText::Decode("\xEF\xBB\xBF"));
  // An odd trailing byte of UTF-16 is dropped, never read past.
  EXPECT_EQ(L"h", DocumentText::Decode(std::string("\xFF\xFEh\0i", 5)));
  EXPECT_EQ(L"a\uFFFDb", DocumentText::Decode("a\xFF"
                                              "b"));
}

TEST(UrlFetcherTest, SchemesWithoutNetwork) {
  EXPECT_EQ(ERR_NONE, UrlFetcher::Fetch(L"about:blank").error);
  EXPECT_EQ(L"", UrlFetcher::Fetch(L"about:blank").source);
  EXPECT_EQ(ERR_UNKNOWN_URL_SCHEME, UrlFetcher::Fetch(L"about:other").error);
  EXPECT_EQ(ERR_UNKNOWN_URL_SCHEME, UrlFetcher::Fetch(L"ftp://host/").error);
  EXPECT_EQ(ERR_INVALID_URL, UrlFetcher::Fetch(L"nonsense").error);
  EXPECT_EQ(ERR_INVALID_URL, UrlFetcher::Fetch(L"http://").error);
  EXPECT_EQ(ERR_FILE_NOT_FOUND,
            UrlFetcher::Fetch(L"file:///C:/surely/not/here.html").error);
}

TEST(UrlFetcherTest, ErrorTextsNameTheCode) {
  EXPECT_EQ(L"net::ERR_ABORTED", UrlFetcher::ErrorText(ERR_ABORTED));
  EXPECT_EQ(L"net::ERR_FILE_NOT_FOUND",
            UrlFetcher::ErrorText(ERR_FILE_NOT_FOUND));
  EXPECT_EQ(L"net::ERR_NAME_NOT_RESOLVED",
            UrlFetcher::ErrorText(ERR_NAME_NOT_RESOLVED));
}

TEST(HttpFetcherTest, WinHttpErrorsMapToNetworkErrors) {
  EXPECT_EQ(ERR_CONNECTION_REFUSED,
            HttpFetcher::ErrorFromWinHttp(ERROR_WINHTTP_CANNOT_CONNECT));
  EXPECT_EQ(ERR_NAME_NOT_RESOLVED,
            HttpFetcher::ErrorFromWinHttp(ERROR_WINHTTP_NAME_NOT_RESOLVED));
  EXPECT_EQ(ERR_CONNECTION_TIMED_OUT,
            HttpFetcher::ErrorFromWinHttp(ERROR_WINHTTP_TIMEOUT));
  EXPECT_EQ(ERR_FAILED, HttpFetcher::ErrorFromWinHttp(1));
}

TEST(FrameworkLogTest, FormatsLikeTheFramework) {
  std::string line =
      FrameworkLog::Format(LOGSEVERITY_INFO, "context.cc", 12, "say \"hi\"");
  ASSERT_GT(line.size(), 14u);
  EXPECT_EQ('[', line[0]);
  EXPECT_EQ('/', line[5]);
  EXPECT_EQ(":INFO:context.cc(12)] say \"hi\"", line.substr(12));
  EXPECT_EQ(
      ":WARNING:a.cc(3)] w",
      FrameworkLog::Format(LOGSEVERITY_WARNING, "a.cc", 3, "w").substr(12));
  EXPECT_EQ(":ERROR:a.cc(3)] e",
            FrameworkLog::Format(LOGSEVERITY_ERROR, "a.cc", 3, "e").substr(12));
}

}  // namespace
}  // namespace cef_internal
