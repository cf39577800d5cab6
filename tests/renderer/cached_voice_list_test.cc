// A voice list's JSON text is kept without the framework's JSON writer, text
// by text as texts come and go; it must always read exactly as the writer
// would write the list.
#include "renderer/cached_voice_list.h"

#include "gtest/gtest.h"
#include "include/cef_parser.h"

namespace {

std::wstring FrameworkJson(const std::deque<std::wstring>& voices) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  for (size_t i = 0; i < voices.size(); ++i)
    list->SetString(i, voices[i]);
  CefRefPtr<CefValue> value = CefValue::Create();
  value->SetList(list);
  return CefWriteJSON(value, JSON_WRITER_DEFAULT).ToWString();
}

CachedVoiceList ListOf(const std::deque<std::wstring>& voices) {
  CachedVoiceList list;
  for (const std::wstring& voice : voices)
    list.Append(voice);
  return list;
}

TEST(CachedVoiceListTest, MatchesTheFrameworkWriter) {
  std::wstring every_control;
  for (wchar_t c = 0; c < 0x20; ++c)
    every_control.push_back(c);
  const std::deque<std::wstring> cases[] = {
      {},
      {L""},
      {L"plain", L"two words", L""},
      {L"\"quoted\" back\\slash </script> > &amp;"},
      {every_control + L"\x7F"},
      {L"\x4F60\x597D \x00E9t\x00E9 \xD83D\xDE00 pair"},
      {L"lone \xD800 high", L"lone \xDC00 low", L"\xD83D", L"end \xDE00"},
      {L"\xDBFF\xDFFF", L"\xD800\xD800\xDC00", L"\xDC00\xD800"},
  };
  for (const std::deque<std::wstring>& voices : cases) {
    const CachedVoiceList list = ListOf(voices);
    EXPECT_EQ(list.json(), FrameworkJson(voices));
    EXPECT_EQ(list.texts(), voices);
  }
}

TEST(CachedVoiceListTest, DroppingTheOldestKeepsTheTextExact) {
  CachedVoiceList list =
      ListOf({L"first \"one\"", L"", L"\x01<third>", L"\xD800 lone"});
  std::deque<std::wstring> expected = list.texts();
  while (list.size()) {
    list.DropOldest();
    expected.pop_front();
    EXPECT_EQ(list.json(), FrameworkJson(expected));
  }
  EXPECT_EQ(list.json(), L"[]");
  list.DropOldest();
  EXPECT_EQ(list.json(), L"[]");
  list.Append(L"again");
  EXPECT_EQ(list.json(), L"[\"again\"]");
}

TEST(CachedVoiceListTest, FullListsOfEscapesRollOver) {
  CachedVoiceList list;
  std::deque<std::wstring> expected;
  for (int i = 0; i < 260; ++i) {
    if (list.size() > 200) {
      list.DropOldest();
      expected.pop_front();
    }
    const std::wstring text(299, i % 2 ? L'<' : L'\x01');
    list.Append(text);
    expected.push_back(text);
  }
  EXPECT_EQ(list.json(), FrameworkJson(expected));
  EXPECT_EQ(list.json().size(), 2 + 200 + 201 * (2 + 299 * 6));
}

TEST(CachedVoiceListTest, QuotedSinceGivesWhatAReaderLacks) {
  CachedVoiceList list;
  for (int i = 0; i < 7; ++i) {
    list.Append(L"<" + std::to_wstring(i) + L"> \"");
    if (list.size() > 4)
      list.DropOldest();
  }
  // Texts 3 to 6 are kept; 0 to 2 went.
  EXPECT_EQ(list.appended(), 7u);
  auto joined = [](const std::vector<std::wstring>& quoted) {
    std::wstring json = L"[";
    for (size_t i = 0; i < quoted.size(); ++i)
      json += (i ? L"," : L"") + quoted[i];
    return json + L"]";
  };
  for (unsigned long long seen : {0ull, 2ull, 3ull})
    EXPECT_EQ(joined(list.QuotedSince(seen)), list.json()) << seen;
  EXPECT_EQ(list.QuotedSince(5),
            (std::vector<std::wstring>{L"\"\\u003C5> \\\"\"",
                                       L"\"\\u003C6> \\\"\""}));
  EXPECT_TRUE(list.QuotedSince(7).empty());
  EXPECT_TRUE(list.QuotedSince(1000).empty());
  EXPECT_TRUE(CachedVoiceList().QuotedSince(0).empty());
}

}  // namespace
