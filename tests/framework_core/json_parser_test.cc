#include "include/cef_parser.h"

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace {

struct ParseError {
  cef_json_parser_error_t code;
  std::string message;
};

ParseError ErrorOf(const CefString& json,
                   cef_json_parser_options_t options = JSON_PARSER_RFC) {
  ParseError error = {JSON_NO_ERROR, ""};
  CefString message;
  CefRefPtr<CefValue> value =
      CefParseJSONAndReturnError(json, options, error.code, message);
  EXPECT_FALSE(value) << "parsed: " << json.ToString();
  error.message = message.ToString();
  return error;
}

cef_json_parser_error_t CodeOf(
    const CefString& json,
    cef_json_parser_options_t options = JSON_PARSER_RFC) {
  return ErrorOf(json, options).code;
}

std::string Nested(int depth) {
  return std::string(depth, '[') + std::string(depth, ']');
}

TEST(JsonParserTest, BuildsTypedValues) {
  CefRefPtr<CefValue> value = CefParseJSON(
      "{\"i\": -12, \"d\": 1.5, \"whole\": 2.0, \"big\": 3000000000,"
      " \"s\": \"a\\u00e9\\n\", \"t\": true, \"n\": null,"
      " \"l\": [1, \"x\", [false]], \"o\": {\"k\": {}}}",
      JSON_PARSER_RFC);
  ASSERT_TRUE(value);
  CefRefPtr<CefDictionaryValue> dict = value->GetDictionary();
  ASSERT_TRUE(dict);
  EXPECT_EQ(VTYPE_INT, dict->GetType("i"));
  EXPECT_EQ(-12, dict->GetInt("i"));
  EXPECT_EQ(VTYPE_DOUBLE, dict->GetType("d"));
  EXPECT_EQ(1.5, dict->GetDouble("d"));
  EXPECT_EQ(VTYPE_DOUBLE, dict->GetType("whole"));
  EXPECT_EQ(VTYPE_DOUBLE, dict->GetType("big"));
  EXPECT_EQ(3000000000.0, dict->GetDouble("big"));
  EXPECT_EQ(CefString(L"a\u00e9\n"), dict->GetString("s"));
  EXPECT_TRUE(dict->GetBool("t"));
  EXPECT_EQ(VTYPE_NULL, dict->GetType("n"));
  CefRefPtr<CefListValue> list = dict->GetList("l");
  ASSERT_EQ(3u, list->GetSize());
  EXPECT_EQ("x", list->GetString(1).ToString());
  EXPECT_EQ(VTYPE_BOOL, list->GetList(2)->GetType(0));
  EXPECT_EQ(0u, dict->GetDictionary("o")->GetDictionary("k")->GetSize());
}

TEST(JsonParserTest, TopLevelScalarsParse) {
  EXPECT_EQ(5, CefParseJSON("5", JSON_PARSER_RFC)->GetInt());
  EXPECT_EQ("x",
            CefParseJSON("\"x\"", JSON_PARSER_RFC)->GetString().ToString());
  EXPECT_TRUE(CefParseJSON(" true ", JSON_PARSER_RFC)->GetBool());
  EXPECT_EQ(VTYPE_NULL, CefParseJSON("null", JSON_PARSER_RFC)->GetType());
}

TEST(JsonParserTest, SurrogatePairsAndRawNonAscii) {
  CefRefPtr<CefValue> value = CefParseJSON(
      L"[\"\\ud83d\\ude00\", \"\u4e2d\U0001F600\"]", JSON_PARSER_RFC);
  ASSERT_TRUE(value);
  EXPECT_EQ(CefString(L"\U0001F600"), value->GetList()->GetString(0));
  EXPECT_EQ(CefString(L"\u4e2d\U0001F600"), value->GetList()->GetString(1));
}

TEST(JsonParserTest, DuplicateKeysKeepTheLast) {
  CefRefPtr<CefValue> value =
      CefParseJSON("{\"a\": 1, \"a\": \"two\"}", JSON_PARSER_RFC);
  ASSERT_TRUE(value);
  EXPECT_EQ(1u, value->GetDictionary()->GetSize());
  EXPECT_EQ("two", value->GetDictionary()->GetString("a").ToString());
}

TEST(JsonParserTest, CommentsAreSkipped) {
  CefRefPtr<CefValue> value =
      CefParseJSON("/* lead */ [1, // one\n 2 /* two, ] */, \"//not\"] // end",
                   JSON_PARSER_RFC);
  ASSERT_TRUE(value);
  ASSERT_EQ(3u, value->GetList()->GetSize());
  EXPECT_EQ("//not", value->GetList()->GetString(2).ToString());
}

TEST(JsonParserTest, RawControlCharactersInStringsAreKept) {
  CefRefPtr<CefValue> value = CefParseJSON("[\"a\tb\"]", JSON_PARSER_RFC);
  ASSERT_TRUE(value);
  EXPECT_EQ("a\tb", value->GetList()->GetString(0).ToString());
  // After a byte-order mark, a comment and plain text, in a key too.
  value = CefParseJSON(CefString(std::wstring(L"\xFEFF/* c\t */{\"z\":1,"
                                              L"\"k\x01\":\"a\tb\x1F\"}")),
                       JSON_PARSER_RFC);
  ASSERT_TRUE(value);
  CefRefPtr<CefDictionaryValue> dict = value->GetDictionary();
  EXPECT_EQ(1, dict->GetInt("z"));
  EXPECT_EQ(std::wstring(L"a\tb\x1F"), dict->GetString("k\x01").ToWString());
}

TEST(JsonParserTest, TrailingCommas) {
  EXPECT_EQ(JSON_TRAILING_COMMA, CodeOf("[1,]"));
  EXPECT_EQ(JSON_TRAILING_COMMA, CodeOf("{\"a\": 1,}"));
  EXPECT_EQ(JSON_TRAILING_COMMA, CodeOf("[1, /* c */ ]"));
  const cef_json_parser_options_t allow = JSON_PARSER_ALLOW_TRAILING_COMMAS;
  CefRefPtr<CefValue> list = CefParseJSON("[1, 2,]", allow);
  ASSERT_TRUE(list);
  EXPECT_EQ(2u, list->GetList()->GetSize());
  CefRefPtr<CefValue> dict = CefParseJSON("[{\"a\": 1,},]", allow);
  ASSERT_TRUE(dict);
  EXPECT_EQ(1u, dict->GetList()->GetDictionary(0)->GetSize());
  // One comma only, and never in place of a value.
  EXPECT_EQ(JSON_UNEXPECTED_TOKEN, CodeOf("[,]", allow));
  EXPECT_EQ(JSON_UNEXPECTED_TOKEN, CodeOf("[true,,]", allow));
  EXPECT_EQ(JSON_UNQUOTED_DICTIONARY_KEY, CodeOf("{,}", allow));
  EXPECT_EQ(JSON_UNQUOTED_DICTIONARY_KEY, CodeOf("{\"a\": 1,,}", allow));
}

TEST(JsonParserTest, NestingLimitIs99Levels) {
  EXPECT_TRUE(CefParseJSON(Nested(99), JSON_PARSER_RFC));
  EXPECT_EQ(JSON_TOO_MUCH_NESTING, CodeOf(Nested(100)));
  std::string deep_dicts;
  for (int i = 0; i < 100; ++i)
    deep_dicts += "{\"k\":";
  deep_dicts += "1" + std::string(100, '}');
  EXPECT_EQ(JSON_TOO_MUCH_NESTING, CodeOf(deep_dicts));
  // Far deeper input is refused without exhausting the stack.
  EXPECT_EQ(JSON_TOO_MUCH_NESTING, CodeOf(std::string(200000, '[')));
}

TEST(JsonParserTest, NumbersBeyondADoubleAreSyntaxErrors) {
  // Found by the fuzzer: this one used to read as infinity and write as null.
  EXPECT_EQ(JSON_SYNTAX_ERROR, CodeOf("199999999e300"));
  EXPECT_EQ(JSON_SYNTAX_ERROR, CodeOf("[-1e999]"));
  EXPECT_EQ(JSON_SYNTAX_ERROR, CodeOf("1e400"));
  CefRefPtr<CefValue> largest =
      CefParseJSON("1.7976931348623157e308", JSON_PARSER_RFC);
  ASSERT_TRUE(largest);
  EXPECT_EQ(1.7976931348623157e308, largest->GetDouble());
}

TEST(JsonParserTest, ErrorCodes) {
  EXPECT_EQ(JSON_UNEXPECTED_TOKEN, CodeOf("   "));
  EXPECT_EQ(JSON_UNEXPECTED_TOKEN, CodeOf("]"));
  EXPECT_EQ(JSON_UNEXPECTED_TOKEN, CodeOf("[+1]"));
  EXPECT_EQ(JSON_UNEXPECTED_TOKEN, CodeOf("{\"a\": }"));
  EXPECT_EQ(JSON_UNEXPECTED_TOKEN, CodeOf("["));
  EXPECT_EQ(JSON_SYNTAX_ERROR, CodeOf("tru"));
  EXPECT_EQ(JSON_SYNTAX_ERROR, CodeOf("[nul]"));
  EXPECT_EQ(JSON_SYNTAX_ERROR, CodeOf("-"));
  EXPECT_EQ(JSON_SYNTAX_ERROR, CodeOf("1."));
  EXPECT_EQ(JSON_SYNTAX_ERROR, CodeOf("01"));
  EXPECT_EQ(JSON_SYNTAX_ERROR, CodeOf("[1 2]"));
  EXPECT_EQ(JSON_SYNTAX_ERROR, CodeOf("{\"a\" 1}"));
  EXPECT_EQ(JSON_SYNTAX_ERROR, CodeOf("{\"a\": 1 \"b\": 2}"));
  EXPECT_EQ(JSON_SYNTAX_ERROR, CodeOf("\"open"));
  EXPECT_EQ(JSON_UNEXPECTED_DATA_AFTER_ROOT, CodeOf("1 2"));
  EXPECT_EQ(JSON_UNEXPECTED_DATA_AFTER_ROOT, CodeOf("[1]]"));
  EXPECT_EQ(JSON_UNEXPECTED_DATA_AFTER_ROOT, CodeOf("{} x"));
  EXPECT_EQ(JSON_UNEXPECTED_DATA_AFTER_ROOT,
            CodeOf(CefString(std::wstring(L"[1]\0[2]", 7))));
  EXPECT_EQ(JSON_INVALID_ESCAPE, CodeOf("\"\\x\""));
  EXPECT_EQ(JSON_INVALID_ESCAPE, CodeOf("\"\\u12\""));
  EXPECT_EQ(JSON_INVALID_ESCAPE, CodeOf("\"\\ud800\""));
  EXPECT_EQ(JSON_INVALID_ESCAPE, CodeOf("\"\\udc00x\""));
  EXPECT_EQ(JSON_UNQUOTED_DICTIONARY_KEY, CodeOf("{a: 1}"));
  EXPECT_EQ(JSON_UNQUOTED_DICTIONARY_KEY, CodeOf("{1: 1}"));
  EXPECT_EQ(JSON_UNSUPPORTED_ENCODING,
            CodeOf(CefString(std::wstring(L"[\"a\xD800z\"]"))));
}

// The framework's wrapper refuses an empty text before parsing: a checked
// build (this one) stops there, so a caller must look first.
TEST(JsonParserDeathTest, AnEmptyTextIsTheCallersMistake) {
  EXPECT_DEATH(CefParseJSON("", JSON_PARSER_RFC),
               "Check failed: !json_string.empty\\(\\)");
  cef_json_parser_error_t code = JSON_NO_ERROR;
  CefString message;
  EXPECT_DEATH(
      CefParseJSONAndReturnError("", JSON_PARSER_RFC, code, message),
      "Check failed: !json_string.empty\\(\\)");
}

TEST(JsonParserTest, MessagesGiveLineAndColumn) {
  ParseError error = ErrorOf("[1,\n 2,\n ]");
  EXPECT_EQ(JSON_TRAILING_COMMA, error.code);
  EXPECT_EQ("Line: 3, column: 2, Trailing comma not allowed.", error.message);
  EXPECT_EQ("Line: 1, column: 3, Unexpected data after root element.",
            ErrorOf("1 2").message);
  EXPECT_EQ("Line: 1, column: 2, Dictionary keys must be quoted.",
            ErrorOf("{a:1}").message);
  EXPECT_EQ("Line: 1, column: 4, Unexpected token.", ErrorOf("   ").message);
  EXPECT_NE(std::string::npos,
            ErrorOf(Nested(100)).message.find("Too much nesting."));
  EXPECT_NE(std::string::npos,
            ErrorOf("\"\\q\"").message.find("Invalid escape sequence."));
  EXPECT_NE(std::string::npos, ErrorOf("[1 2]").message.find("Syntax error."));
  EXPECT_NE(std::string::npos,
            ErrorOf(CefString(std::wstring(L"\"\xDC00\"")))
                .message.find("Unsupported encoding. JSON must be UTF-8."));
}

TEST(JsonParserTest, PositionsIgnoreEscapedControlCharacters) {
  // The raw tab is escaped internally; the column still counts it as one.
  EXPECT_EQ("Line: 1, column: 7, Unexpected data after root element.",
            ErrorOf("\"a\tb\" x").message);
  EXPECT_EQ("Line: 3, column: 8, Unexpected data after root element.",
            ErrorOf("// a\tb\n [\"\n\",\"\t\"] x").message);
}

TEST(JsonParserTest, RunningOutOfMemoryInsideTheReaderThrows) {
  // A long string leaves the reader growing its stack to hold it; with so
  // little memory left that the stack cannot grow, the parse must fail as
  // every other allocation does (std::bad_alloc), not write through a null
  // stack.
  const size_t kUnits = 8 * 1024 * 1024;
  const std::wstring text = L"[\"" + std::wstring(kUnits, L'x') + L"\"]";
  const CefString json(text);
  std::vector<void*> held;
  for (void* block; (block = std::malloc(1 << 20)) != nullptr;)
    held.push_back(block);
  // Room for the parser's own copy of the text, not for the reader's stack.
  for (size_t freed = 0; freed < 3 * kUnits && !held.empty();
       freed += 1 << 20) {
    std::free(held.back());
    held.pop_back();
  }
  bool threw = false;
  try {
    CefParseJSON(json, JSON_PARSER_RFC);
  } catch (const std::bad_alloc&) {
    threw = true;
  }
  for (void* block : held)
    std::free(block);
  // Whether memory ran out there depends on the heap's layout; that the
  // process is still here is the point.
  SUCCEED() << (threw ? "ran out" : "parsed");
}

TEST(JsonParserTest, OutputsAreWrittenOnlyOnFailure) {
  cef_json_parser_error_t code = JSON_PARSE_ERROR_COUNT;
  CefString message = "untouched";
  EXPECT_TRUE(
      CefParseJSONAndReturnError("[1]", JSON_PARSER_RFC, code, message));
  EXPECT_EQ(JSON_PARSE_ERROR_COUNT, code);
  EXPECT_EQ("untouched", message.ToString());
}

}  // namespace
