#include "common/process_messages.h"

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
  EXPECT_EQ(
      CreateSetOptionMessage(parsed->GetList())->GetArgumentList()->GetSize(),
      0u);
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

}  // namespace
