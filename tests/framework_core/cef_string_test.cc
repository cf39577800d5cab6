#include "include/internal/cef_string.h"

#include "gtest/gtest.h"

namespace {

TEST(CefStringTest, Utf8RoundTripsThroughUtf16) {
  const std::string utf8 = "a\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80";
  CefString text(utf8);
  EXPECT_EQ(std::wstring(L"a\u00e9\u4e2d\U0001F600"), text.ToWString());
  EXPECT_EQ(utf8, text.ToString());
  EXPECT_EQ(std::string(), CefString().ToString());
}

TEST(CefStringTest, InvalidSequencesBecomeReplacementCharacters) {
  EXPECT_EQ(
      "a\xef\xbf\xbd"
      "b",
      CefString(std::wstring(L"a\xD800"
                             L"b"))
          .ToString());
  EXPECT_EQ(std::wstring(L"a\uFFFDb"), CefString("a\xff"
                                                 "b")
                                           .ToWString());
}

TEST(CefStringTest, EmbeddedNulsAreKept) {
  std::string with_nul("x\0y", 3);
  CefString text(with_nul);
  EXPECT_EQ(3u, text.length());
  EXPECT_EQ(with_nul, text.ToString());
}

}  // namespace
