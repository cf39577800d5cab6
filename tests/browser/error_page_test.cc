#include "browser/error_page.h"

#include "browser/error_page_pieces.h"

#include "gtest/gtest.h"

namespace {

TEST(ErrorPage, JoinedPageHasItsExactLengthAndStart) {
  EXPECT_EQ(kErrorPagePieceCount, 1116u);
  const std::wstring page = JoinErrorPage();
  EXPECT_EQ(page.size(), 125225u);
  EXPECT_EQ(page.compare(0, 23, L"<html><meta http-equiv="), 0);
  EXPECT_EQ(page.find(L'\n'), std::wstring::npos);
  EXPECT_NE(page.find(L"<div class=\"txt\">\x7F51\x7EDC\x52A0\x8F7D\x5931"
                      L"\x8D25\xFF0C\x8BF7\x7A0D\x540E\x518D\x8BD5</div>"),
            std::wstring::npos);
  EXPECT_EQ(page.substr(page.size() - 20), L"</div></body></html>");
}

TEST(ErrorPage, ImagesAreWholeDataUrls) {
  const std::wstring page = JoinErrorPage();
  const std::wstring background = L"background: url(data:image/png;base64,";
  size_t a = page.find(background);
  ASSERT_NE(a, std::wstring::npos);
  a += background.size();
  EXPECT_EQ(page.find(L"  );", a) - a, 119188u);
  const std::wstring icon = L"<img src=\"data:image/png;base64,";
  size_t b = page.find(icon);
  ASSERT_NE(b, std::wstring::npos);
  b += icon.size();
  size_t end = page.find(L"\">", b);
  EXPECT_EQ(end - b, 5408u);
  EXPECT_EQ(page.substr(end - 2, 2), L"==");
  EXPECT_EQ(page.substr(a, 8), L"iVBORw0K");  // PNG signature
  EXPECT_EQ(page.substr(b, 8), L"iVBORw0K");
}

TEST(ErrorPage, Utf8ConversionKeepsEveryCharacter) {
  const std::wstring page = JoinErrorPage();
  const std::string utf8 = WideToUtf8(page);
  // 12 CJK message characters and 4 font-name characters take three bytes.
  EXPECT_EQ(utf8.size(), page.size() + 2 * 16);
  EXPECT_EQ(WideToUtf8(L""), "");
  EXPECT_EQ(WideToUtf8(L"\x00E9"), "\xC3\xA9");
}

}  // namespace
