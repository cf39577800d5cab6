#include "common/option_block.h"

#include <cstring>

#include "gtest/gtest.h"
#include "include/cef_parser.h"

namespace {

OptionEntry Entry(int32_t uic_type, int32_t filter_id, int32_t is_filter) {
  OptionEntry entry;
  std::memset(&entry, 0, sizeof(entry));
  entry.uic_type = uic_type;
  entry.filter_id = filter_id;
  entry.is_filter = is_filter;
  return entry;
}

CefRefPtr<CefListValue> ParseList(const char* json) {
  CefRefPtr<CefValue> value =
      CefParseJSON(json, JSON_PARSER_ALLOW_TRAILING_COMMAS);
  return value ? value->GetList() : nullptr;
}

bool AllZero(const void* data, size_t size) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    if (bytes[i])
      return false;
  }
  return true;
}

TEST(OptionBlockLayout, FieldsSitAtTheirBinaryOffsets) {
  OptionBlock block = MakeEmptyOptionBlock();
  ASSERT_TRUE(AllZero(&block, sizeof(block)));
  block.count = 0x01020304;
  block.entries[1] = Entry(0x11223344, 0x55667788, 1);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&block);
  EXPECT_EQ(bytes[0], 0x04);  // little-endian count at 0
  EXPECT_EQ(bytes[3], 0x01);
  EXPECT_EQ(bytes[4 + 76], 0x44);      // entry 1's uic_type at 4 + 76
  EXPECT_EQ(bytes[4 + 76 + 4], 0x88);  // filter_id
  EXPECT_EQ(bytes[4 + 76 + 8], 0x01);  // is_filter
  EXPECT_TRUE(AllZero(bytes + 4 + 76 + 12, 64));
}

TEST(OptionBlockJson, EmptyBlockIsEmptyArray) {
  EXPECT_EQ(OptionBlockToJson(MakeEmptyOptionBlock()).ToString(), "[]");
}

TEST(OptionBlockJson, EntriesWriteInOrderWithSortedKeys) {
  OptionBlock block = MakeEmptyOptionBlock();
  block.count = 2;
  block.entries[0] = Entry(3, 12, 7);
  block.entries[1] = Entry(-1, 0, 0);
  EXPECT_EQ(OptionBlockToJson(block).ToString(),
            "[{\"filter_id\":12,\"is_filter\":true,\"uic_type\":3},"
            "{\"filter_id\":0,\"is_filter\":false,\"uic_type\":-1}]");
}

TEST(OptionBlockJson, CountBeyondTheRecordStopsAtTwenty) {
  OptionBlock block = MakeEmptyOptionBlock();
  block.count = 0xFFFFFFFF;
  EXPECT_EQ(OptionBlockToList(block)->GetSize(), kMaxOptionEntries);
}

TEST(OptionEntryDictionary, MissingKeysAndWrongTypesReadAsDefaults) {
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetString("uic_type", "3");
  dict->SetInt("filter_id", 9);
  dict->SetInt("is_filter", 1);  // not a boolean
  OptionEntry entry = OptionEntryFromDictionary(dict);
  EXPECT_EQ(entry.uic_type, 0);
  EXPECT_EQ(entry.filter_id, 9);
  EXPECT_EQ(entry.is_filter, 0);
  EXPECT_TRUE(AllZero(entry.reserved, sizeof(entry.reserved)));
}

TEST(OptionEntryDictionary, RoundTripNormalisesIsFilter) {
  OptionEntry entry =
      OptionEntryFromDictionary(OptionEntryToDictionary(Entry(3, 12, 7)));
  EXPECT_EQ(entry.uic_type, 3);
  EXPECT_EQ(entry.filter_id, 12);
  EXPECT_EQ(entry.is_filter, 1);
}

TEST(ReadOptionBlock, CountIsListSizeAndReadingStopsAtNonDictionary) {
  OptionBlock block = ReadOptionBlock(
      ParseList("[{\"uic_type\":1,\"filter_id\":5,\"is_filter\":true},null,"
                "{\"uic_type\":2,\"filter_id\":6,\"is_filter\":true}]"));
  EXPECT_EQ(block.count, 3u);
  EXPECT_EQ(block.entries[0].filter_id, 5);
  EXPECT_EQ(block.entries[0].is_filter, 1);
  EXPECT_TRUE(AllZero(&block.entries[1], 2 * sizeof(OptionEntry)));
}

TEST(ReadOptionBlock, EmptyListGivesZeroBlock) {
  OptionBlock block = ReadOptionBlock(CefListValue::Create());
  EXPECT_TRUE(AllZero(&block, sizeof(block)));
}

TEST(ReadOptionBlock, MoreThanTwentyDictionariesKeepTheFirstTwenty) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  for (int i = 0; i < 21; ++i) {
    CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
    dict->SetInt("filter_id", i + 100);
    list->SetDictionary(i, dict);
  }
  OptionBlock block = ReadOptionBlock(list);
  EXPECT_EQ(block.count, kMaxOptionEntries);
  EXPECT_EQ(block.entries[19].filter_id, 119);
}

TEST(ParseOptionJson, AcceptsTrailingCommasAndRefusesErrorsAndNonLists) {
  OptionBlock block = MakeEmptyOptionBlock();
  ASSERT_TRUE(ParseOptionJson(
      "[{\"uic_type\":3,\"filter_id\":12,\"is_filter\":true,},]", &block));
  EXPECT_EQ(block.count, 1u);
  EXPECT_EQ(block.entries[0].uic_type, 3);

  block.count = 77;
  EXPECT_FALSE(ParseOptionJson("[{\"uic_type\":3", &block));
  EXPECT_FALSE(ParseOptionJson("", &block));
  EXPECT_FALSE(ParseOptionJson("{\"uic_type\":3}", &block));
  EXPECT_FALSE(ParseOptionJson("5", &block));
  EXPECT_EQ(block.count, 77u);  // untouched by every refusal
}

// A text is measured before it is parsed: twenty filters fit many times
// over, a longer text is refused whatever it holds.
TEST(ParseOptionJson, RefusesATextLongerThanTheLimit) {
  std::string json = "[{\"filter_id\":5}";
  json.resize(kMaxOptionJsonLength - 1, ' ');
  json += "]";
  OptionBlock block = MakeEmptyOptionBlock();
  ASSERT_TRUE(ParseOptionJson(json, &block));
  EXPECT_EQ(block.entries[0].filter_id, 5);
  json.insert(1, " ");
  block.count = 77;
  EXPECT_FALSE(ParseOptionJson(json, &block));
  EXPECT_EQ(block.count, 77u);
}

}  // namespace
