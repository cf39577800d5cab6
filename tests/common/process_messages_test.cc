#include "common/process_messages.h"

#include <cmath>
#include <cstring>
#include <string>

#include "common/option_block.h"
#include "gtest/gtest.h"
#include "include/cef_parser.h"

namespace {

TEST(SetOptionMessage, DictionariesKeepTheirIndexWithNullsBelow) {
  CefRefPtr<CefValue> parsed =
      CefParseJSON("[{\"a\":1},5,{\"b\":2},\"x\",7]", JSON_PARSER_RFC);
  ASSERT_TRUE(parsed);
  CefRefPtr<CefProcessMessage> message =
      CreateSetOptionMessage(parsed->GetList());
  EXPECT_EQ(MessageName(message), "set_option");
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  ASSERT_EQ(args->GetSize(), 3u);  // nothing after the last dictionary
  EXPECT_EQ(args->GetType(0), VTYPE_DICTIONARY);
  EXPECT_EQ(args->GetType(1), VTYPE_NULL);
  EXPECT_EQ(args->GetDictionary(2)->GetInt("b"), 2);
}

TEST(SetOptionMessage, ArrayWithoutObjectsGivesEmptyArguments) {
  CefRefPtr<CefValue> parsed = CefParseJSON("[1,true,\"s\"]", JSON_PARSER_RFC);
  // The real framework's argument list lives as long as its message.
  CefRefPtr<CefProcessMessage> message =
      CreateSetOptionMessage(parsed->GetList());
  EXPECT_EQ(message->GetArgumentList()->GetSize(), 0u);
}

// A page's array gives the host one record, whichever way it travels: as
// option text ("SetUserOptions", kxhost --options) or as "set_option".
// Neither carries anything after the last object.
TEST(SetOptionMessage, TheRecordIsTheOptionTextsRecord) {
  for (const char* json :
       {"[{\"filter_id\":7},5]", "[5,{\"filter_id\":7}]", "[1,true,\"s\"]",
        "[{\"filter_id\":7},{\"filter_id\":8},null,[]]", "[]", "[null]",
        "[{\"filter_id\":1},5,{\"filter_id\":3}]"}) {
    OptionBlock from_text;
    ASSERT_TRUE(ParseOptionJson(json, &from_text)) << json;
    CefRefPtr<CefProcessMessage> message =
        CreateSetOptionMessage(CefParseJSON(json, JSON_PARSER_RFC)->GetList());
    const OptionBlock sent = ReadOptionBlock(message->GetArgumentList());
    EXPECT_EQ(std::memcmp(&sent, &from_text, sizeof(sent)), 0) << json;
  }
  OptionBlock block;
  ASSERT_TRUE(ParseOptionJson("[{\"filter_id\":7},5]", &block));
  EXPECT_EQ(block.count, 1u);
  ASSERT_TRUE(ParseOptionJson("[5,{\"filter_id\":7}]", &block));
  EXPECT_EQ(block.count, 2u);
  ASSERT_TRUE(ParseOptionJson("[null]", &block));
  EXPECT_EQ(block.count, 0u);
}

// However long the page's array, the message carries a record's worth at
// most, and the receiver builds the same record from it as from the array.
TEST(SetOptionMessage, ALongArrayTravelsAsARecordsWorth) {
  auto repeat = [](const std::string& item, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
      text += item + ",";
    return text;
  };
  const std::string dict = "{\"filter_id\":7}";
  for (const std::string& body :
       {repeat(dict, 25), dict + "," + repeat("5", 30) + dict + ",",
        repeat("5", 30), repeat(dict, 3) + repeat("5", 30),
        repeat("5", 19) + dict + "," + repeat("5", 10) + dict + ",",
        repeat(dict, 20) + repeat("[]", 2000)}) {
    const std::string json = "[" + body + "0]";
    CefRefPtr<CefValue> parsed = CefParseJSON(json, JSON_PARSER_RFC);
    ASSERT_TRUE(parsed) << json;
    // The real framework's argument list lives as long as its message.
    CefRefPtr<CefProcessMessage> message =
        CreateSetOptionMessage(parsed->GetList());
    CefRefPtr<CefListValue> args = message->GetArgumentList();
    EXPECT_LE(args->GetSize(), kMaxOptionEntries) << json;
    const OptionBlock sent = ReadOptionBlock(args);
    // The record the whole array gives as option text.
    OptionBlock whole;
    ASSERT_TRUE(ParseOptionJson(json, &whole)) << json;
    EXPECT_EQ(std::memcmp(&sent, &whole, sizeof(sent)), 0) << json;
  }
}

// A frame identifier travels as a double; only one inside the range where
// doubles hold whole numbers exactly is read, never cast blindly.
TEST(SenderFrame, OnlyANumberInRangeIsRead) {
  int64 id = 0;
  ASSERT_TRUE(ReadSenderFrame(CreateSenderFrameMessage(4294967301LL), &id));
  EXPECT_EQ(id, 4294967301LL);
  for (double bad :
       {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e19, 9007199254740994.0}) {
    CefRefPtr<CefProcessMessage> message = CreateSenderFrameMessage(0);
    message->GetArgumentList()->SetDouble(0, bad);
    // The real framework keeps no NaN or infinity in a value: it stores 0.
    if (!std::isfinite(bad) && message->GetArgumentList()->GetDouble(0) == 0)
      continue;
    id = 99;
    EXPECT_FALSE(ReadSenderFrame(message, &id)) << bad;
    EXPECT_EQ(id, 99);
  }
  CefRefPtr<CefProcessMessage> text = CreateSenderFrameMessage(0);
  text->GetArgumentList()->SetString(0, "12");
  EXPECT_FALSE(ReadSenderFrame(text, &id));
}

TEST(StringArgument, ReadOnlyWhenValueZeroIsAString) {
  CefString text;
  EXPECT_TRUE(
      ReadStringArgument(CreateStringMessage(kSaveOptionMessage, "[]"), &text));
  EXPECT_EQ(text.ToString(), "[]");

  EXPECT_FALSE(
      ReadStringArgument(CreateEmptyMessage(kSaveOptionMessage), &text));
  CefRefPtr<CefProcessMessage> wrong =
      CefProcessMessage::Create(kSaveOptionMessage);
  wrong->GetArgumentList()->SetDictionary(0, CefDictionaryValue::Create());
  EXPECT_FALSE(ReadStringArgument(wrong, &text));
  wrong->GetArgumentList()->SetInt(0, 5);
  EXPECT_FALSE(ReadStringArgument(wrong, &text));
  EXPECT_EQ(text.ToString(), "[]");  // untouched
}

TEST(StringArgument, EmptyAndNonAsciiTextsSurvive) {
  CefString text("x");
  ASSERT_TRUE(
      ReadStringArgument(CreateStringMessage(kAddHornVoiceMessage, ""), &text));
  EXPECT_TRUE(text.empty());
  ASSERT_TRUE(ReadStringArgument(
      CreateStringMessage(kAddNormalVoiceMessage, L"\x58F0\x97F3"), &text));
  EXPECT_EQ(text.ToWString(), L"\x58F0\x97F3");
}

TEST(OptionAnswer, CarriesTheTextThenTheMarkOnlyAPushLacks) {
  CefRefPtr<CefProcessMessage> answer = CreateOptionAnswerMessage("[]");
  EXPECT_EQ(MessageName(answer), "save_option");
  CefString text;
  ASSERT_TRUE(ReadStringArgument(answer, &text));
  EXPECT_EQ(text.ToString(), "[]");
  EXPECT_TRUE(IsOptionAnswer(answer));

  EXPECT_FALSE(IsOptionAnswer(CreateStringMessage(kSaveOptionMessage, "[]")));
  EXPECT_FALSE(IsOptionAnswer(nullptr));
  CefRefPtr<CefProcessMessage> other = CreateOptionAnswerMessage("[]");
  other->GetArgumentList()->SetBool(1, false);
  EXPECT_FALSE(IsOptionAnswer(other));
  other->GetArgumentList()->SetString(1, "true");
  EXPECT_FALSE(IsOptionAnswer(other));
}

}  // namespace
