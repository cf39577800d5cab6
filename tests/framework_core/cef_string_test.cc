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

TEST(CefStringTest, WithoutCopyRefersToTheCallersUnits) {
  wchar_t units[] = L"abcdef";
  CefString view(units, 3, false);
  units[0] = L'x';
  EXPECT_EQ(std::wstring(L"xbc"), view.ToWString());

  // A copy owns its units; so does the view once it is assigned to, and the
  // caller's buffer is left alone.
  CefString copy(view);
  view = std::wstring(L"new text");
  units[1] = L'y';
  EXPECT_EQ(std::wstring(L"xbc"), copy.ToWString());
  EXPECT_EQ(std::wstring(L"new text"), view.ToWString());
  EXPECT_EQ(std::wstring(L"xycdef"), std::wstring(units));

  CefString moved(std::move(copy));
  units[2] = L'z';
  EXPECT_EQ(std::wstring(L"xbc"), moved.ToWString());
  EXPECT_TRUE(CefString(units, 0, false).empty());
  EXPECT_TRUE(CefString(nullptr, 4, false).empty());
  EXPECT_EQ(std::wstring(L"xy"), CefString(units, 2, true).ToWString());
}

}  // namespace
