// The voice lists a page reads are written without the framework's JSON
// writer; they must come out exactly as it would write them.
#include "renderer/voice_list_json.h"

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

TEST(VoiceListJsonTest, MatchesTheFrameworkWriter) {
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
      {L"\xDBFF\xDFFF", L"\xD800\xD800\xDC00"},
  };
  for (const std::deque<std::wstring>& voices : cases)
    EXPECT_EQ(VoiceListToJson(voices), FrameworkJson(voices));
}

TEST(VoiceListJsonTest, LongListsOfEscapesGrowCorrectly) {
  std::deque<std::wstring> voices;
  for (int i = 0; i < 201; ++i)
    voices.push_back(std::wstring(299, i % 2 ? L'<' : L'\x01'));
  const std::wstring json = VoiceListToJson(voices);
  EXPECT_EQ(json, FrameworkJson(voices));
  EXPECT_EQ(json.size(), 2 + 200 + 201 * (2 + 299 * 6));
}

}  // namespace
