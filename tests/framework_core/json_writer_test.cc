#include "include/cef_parser.h"

#include <cmath>
#include <string>

#include "gtest/gtest.h"

namespace {

std::string Write(CefRefPtr<CefValue> value,
                  cef_json_writer_options_t options = JSON_WRITER_DEFAULT) {
  return CefWriteJSON(value, options).ToString();
}

std::string WriteList(CefRefPtr<CefListValue> list) {
  CefRefPtr<CefValue> value = CefValue::Create();
  value->SetList(list);
  return Write(value);
}

std::string WriteString(const CefString& text) {
  CefRefPtr<CefValue> value = CefValue::Create();
  value->SetString(text);
  return Write(value);
}

std::string WriteDouble(double number) {
  CefRefPtr<CefValue> value = CefValue::Create();
  value->SetDouble(number);
  return Write(value);
}

TEST(JsonWriterTest, CompactWithoutWhiteSpace) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetString(0, "value1");
  list->SetInt(1, 123);
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  CefRefPtr<CefListValue> numbers = CefListValue::Create();
  for (int i = 0; i < 3; ++i)
    numbers->SetInt(i, i + 1);
  dict->SetList("key3", numbers);
  list->SetDictionary(2, dict);
  EXPECT_EQ("[\"value1\",123,{\"key3\":[1,2,3]}]", WriteList(list));
}

TEST(JsonWriterTest, KeysSortedByteWise) {
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetInt("b", 1);
  dict->SetInt(L"\u00e9", 2);
  dict->SetInt("B", 3);
  dict->SetNull("a");
  dict->SetBool("c", false);
  CefRefPtr<CefValue> value = CefValue::Create();
  value->SetDictionary(dict);
  EXPECT_EQ("{\"B\":3,\"a\":null,\"b\":1,\"c\":false,\"\xc3\xa9\":2}",
            Write(value));
}

TEST(JsonWriterTest, Numbers) {
  EXPECT_EQ("1.0", WriteDouble(1));
  EXPECT_EQ("-3.0", WriteDouble(-3));
  EXPECT_EQ("0.0", WriteDouble(0));
  EXPECT_EQ("0.1", WriteDouble(0.1));
  EXPECT_EQ("1.5", WriteDouble(1.5));
  EXPECT_EQ("123456789.0", WriteDouble(123456789));
  EXPECT_EQ("0.000001", WriteDouble(1e-6));
  EXPECT_EQ("1e-7", WriteDouble(1e-7));
  EXPECT_EQ("1e+21", WriteDouble(1e21));
  EXPECT_EQ("1.7976931348623157e+308", WriteDouble(1.7976931348623157e308));
  EXPECT_EQ("null", WriteDouble(NAN));
  CefRefPtr<CefValue> value = CefValue::Create();
  value->SetInt(-2147483647 - 1);
  EXPECT_EQ("-2147483648", Write(value));
  value->SetDouble(4);
  EXPECT_EQ("4", Write(value, JSON_WRITER_OMIT_DOUBLE_TYPE_PRESERVATION));
}

TEST(JsonWriterTest, DoublesReadBackExactly) {
  const double samples[] = {0.1 + 0.2,     1.0 / 3,  2.5e-300,
                            6.02214076e23, -123.456, 4.9406564584124654e-324};
  for (double sample : samples) {
    std::string text = WriteDouble(sample);
    CefRefPtr<CefValue> back = CefParseJSON(text, JSON_PARSER_RFC);
    ASSERT_TRUE(back) << text;
    EXPECT_EQ(sample, back->GetDouble()) << text;
  }
}

TEST(JsonWriterTest, StringEscapes) {
  EXPECT_EQ("\"q\\\" b\\\\ \\b\\f\\n\\r\\t\"",
            WriteString("q\" b\\ \b\f\n\r\t"));
  EXPECT_EQ("\"\\u003Cscript>\"", WriteString("<script>"));
  EXPECT_EQ("\"\\u0001\\u001F\x7f\"", WriteString("\x01\x1f\x7f"));
  EXPECT_EQ("\"\\u0000\"", WriteString(CefString(std::wstring(1, L'\0'))));
  EXPECT_EQ("\"\xc3\xa9\"", WriteString(L"\u00e9"));
  EXPECT_EQ("\"\xe4\xb8\xad\xe6\x96\x87\"", WriteString(L"\u4e2d\u6587"));
  EXPECT_EQ("\"\xf0\x9f\x98\x80\"", WriteString(L"\U0001F600"));
  EXPECT_EQ(
      "\"a\xef\xbf\xbd"
      "b\"",
      WriteString(std::wstring(L"a\xD800"
                               L"b")));
}

TEST(JsonWriterTest, BinaryEmptiesTheOutputUnlessOmitted) {
  const char bytes[] = "xyz";
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetInt(0, 1);
  list->SetList(1, CefListValue::Create());
  list->GetList(1)->SetBinary(0, CefBinaryValue::Create(bytes, 3));
  list->SetInt(2, 2);
  EXPECT_EQ("", WriteList(list));
  CefRefPtr<CefValue> value = CefValue::Create();
  value->SetList(list);
  EXPECT_EQ("[1,[],2]", Write(value, JSON_WRITER_OMIT_BINARY_VALUES));
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetBinary("a", CefBinaryValue::Create(bytes, 3));
  dict->SetInt("b", 1);
  value->SetDictionary(dict);
  EXPECT_EQ("{\"b\":1}", Write(value, JSON_WRITER_OMIT_BINARY_VALUES));
  EXPECT_EQ("", Write(nullptr));
}

TEST(JsonWriterTest, PrettyPrintIndentsDictionaries) {
  CefRefPtr<CefValue> value =
      CefParseJSON("{\"a\":[1,2],\"b\":{\"c\":true}}", JSON_PARSER_RFC);
  EXPECT_EQ(
      "{\r\n   \"a\": [ 1, 2 ],\r\n   \"b\": {\r\n      \"c\": true\r\n   "
      "}\r\n}\r\n",
      Write(value, JSON_WRITER_PRETTY_PRINT));
}

TEST(JsonWriterTest, ParseOfWrittenTextIsEqual) {
  const char* text =
      "{\"list\":[1,2.5,\"s\\u003C\",null,true,{\"x\":[]}],\"z\":-1}";
  CefRefPtr<CefValue> value = CefParseJSON(text, JSON_PARSER_RFC);
  ASSERT_TRUE(value);
  EXPECT_EQ(text, Write(value));
  CefRefPtr<CefValue> again = CefParseJSON(Write(value), JSON_PARSER_RFC);
  EXPECT_TRUE(again->IsEqual(value));
}

}  // namespace
