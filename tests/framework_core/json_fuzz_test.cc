// A mutation fuzzer over the JSON reader and writer. Properties: nothing
// crashes or hangs; every text the reader accepts comes back out of the
// writer and reads again to an equal value; nothing nested deeper than 99
// levels is ever accepted, and exactly 99 levels still are.
#include <stdio.h>

#include <random>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "include/cef_parser.h"
#include "tests/framework_core/fuzz_settings.h"

namespace {

using fuzz_test::FuzzInputs;
using fuzz_test::FuzzSeed;

// The seed corpus: every kind of value, escapes, numbers at their edges,
// comments, trailing commas and texts that must fail.
const char* const kSeeds[] = {
    "null",
    "true",
    "false",
    "0",
    "-0",
    "-1",
    "2147483647",
    "-2147483648",
    "2147483648",
    "1e300",
    "-1.5e-300",
    "0.1",
    "3.0",
    "123456789012345678901234567890",
    "\"\"",
    "\"plain\"",
    "\"esc \\\" \\\\ \\/ \\b \\f \\n \\r \\t \\u0000 \\u001f\"",
    "\"\\u00e9\\u4e2d\\ud83d\\ude00 raw \xC3\xA9 \xE4\xB8\xAD\"",
    "\"<script>\\u003C/script>\"",
    "[]",
    "{}",
    "[1,2,[3,[4,[5]]]]",
    "{\"a\":1,\"b\":[true,false,null],\"c\":{\"d\":\"e\"}}",
    "{\"dup\":1,\"dup\":2}",
    "[1,2,]",
    "{\"k\":[1,],}",
    "/* lead */ [1, // line\n 2] /* tail */",
    "[{\"uic_type\":3,\"filter_id\":12,\"is_filter\":true}]",
    "{\"\\u0000key\":\"\\ud800\"}",
    "[1 2]",
    "{\"a\" 1}",
    "{a:1}",
    "[\"unterminated",
    "\"\\x41\"",
    "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]"
    "]]]]]]]",
};

// Fragments a mutation may insert: tokens that move a text between valid
// and invalid.
const char* const kTokens[] = {
    "[",       "]",    "{",      "}",           ",",
    ":",       "\"",   "\\",     "\\u",         "\\ud800",
    "\\udc00", "null", "true",   "1e999",       "-",
    ".",       "e",    "0x",     "//",          "/*",
    "*/",      "\n",   "\xC3",   "\xFF",        "\xED\xA0\x80",
    " ",       "\t",   "\"k\":", "99999999999",
};

class Mutator {
 public:
  explicit Mutator(uint32_t seed) : random_(seed) {}

  std::string Next() {
    std::string text = Pick(kSeeds);
    int steps = 1 + Below(4);
    for (int i = 0; i < steps; ++i)
      Mutate(&text);
    return text;
  }

 private:
  template <size_t N>
  std::string Pick(const char* const (&list)[N]) {
    return list[Below(N)];
  }
  int Below(size_t n) { return static_cast<int>(random_() % n); }

  void Mutate(std::string* text) {
    size_t at = text->empty() ? 0 : Below(text->size() + 1);
    switch (Below(7)) {
      case 0:  // flip a byte
        if (!text->empty())
          (*text)[Below(text->size())] = static_cast<char>(random_());
        break;
      case 1:  // insert a token
        text->insert(at, Pick(kTokens));
        break;
      case 2:  // delete a range
        if (!text->empty())
          text->erase(at, 1 + Below(8));
        break;
      case 3: {  // duplicate a range
        std::string piece = text->substr(at, 1 + Below(16));
        text->insert(at, piece);
        break;
      }
      case 4: {  // splice in another seed
        std::string other = Pick(kSeeds);
        text->insert(at, other.substr(Below(other.size() + 1)));
        break;
      }
      case 5:  // wrap in containers
        *text = std::string(1 + Below(3), '[') + *text +
                std::string(1 + Below(3), ']');
        break;
      default:  // truncate
        text->resize(at);
        break;
    }
  }

  std::mt19937 random_;
};

int DepthOf(CefRefPtr<CefValue> value) {
  int deepest = 0;
  if (value->GetType() == VTYPE_LIST) {
    CefRefPtr<CefListValue> list = value->GetList();
    for (size_t i = 0; i < list->GetSize(); ++i)
      deepest = std::max(deepest, DepthOf(list->GetValue(i)));
    return deepest + 1;
  }
  if (value->GetType() == VTYPE_DICTIONARY) {
    CefRefPtr<CefDictionaryValue> dict = value->GetDictionary();
    CefDictionaryValue::KeyList keys;
    dict->GetKeys(keys);
    for (const CefString& key : keys)
      deepest = std::max(deepest, DepthOf(dict->GetValue(key)));
    return deepest + 1;
  }
  return 0;
}

std::string Wrapped(const std::string& text, int levels) {
  // The line break keeps a trailing line comment from eating the brackets.
  return std::string(levels, '[') + text + "\n" + std::string(levels, ']');
}

TEST(JsonFuzzTest, MutatedTextsReadWriteAndReadAgainAlike) {
  const uint32_t seed = FuzzSeed();
  const uint32_t inputs = FuzzInputs(20000);
  Mutator mutator(seed);
  uint32_t accepted = 0, refused = 0;
  for (uint32_t n = 0; n < inputs; ++n) {
    const std::string text = mutator.Next();
    // The wrapper's callers never hand it an empty text (it stops there).
    if (text.empty())
      continue;
    const cef_json_parser_options_t options =
        n % 2 ? JSON_PARSER_ALLOW_TRAILING_COMMAS : JSON_PARSER_RFC;
    cef_json_parser_error_t code = JSON_NO_ERROR;
    CefString message;
    CefRefPtr<CefValue> value =
        CefParseJSONAndReturnError(text, options, code, message);
    if (!value) {
      ++refused;
      ASSERT_NE(JSON_NO_ERROR, code) << "seed " << seed << " input " << n;
      ASSERT_FALSE(message.empty());
      continue;
    }
    ++accepted;
    const int depth = DepthOf(value);
    ASSERT_LE(depth, 99) << text;
    CefString written = CefWriteJSON(value, JSON_WRITER_DEFAULT);
    ASSERT_FALSE(written.empty()) << "seed " << seed << ": " << text;
    CefRefPtr<CefValue> again = CefParseJSON(written, JSON_PARSER_RFC);
    ASSERT_TRUE(again) << "seed " << seed << ": " << text << " wrote "
                       << written.ToString();
    ASSERT_TRUE(again->IsEqual(value))
        << "seed " << seed << ": " << text << " wrote " << written.ToString();
    // Nested past 99 levels it never reads (a text may nest deeper than
    // its value: {"k":{},"k":1}); what the writer made, nested to exactly
    // 99, still does.
    ASSERT_FALSE(CefParseJSONAndReturnError(Wrapped(text, 100 - depth), options,
                                            code, message));
    ASSERT_EQ(JSON_TOO_MUCH_NESTING, code) << text;
    const std::string written_text = written.ToString();
    ASSERT_TRUE(CefParseJSON(Wrapped(written_text, 99 - depth), options))
        << written_text;
    ASSERT_FALSE(CefParseJSONAndReturnError(Wrapped(written_text, 100 - depth),
                                            options, code, message));
    ASSERT_EQ(JSON_TOO_MUCH_NESTING, code) << written_text;
  }
  printf(
      "json fuzz: seed %u, %u inputs, %u accepted (each written, read "
      "again and nested to the limit), %u refused\n",
      seed, inputs, accepted, refused);
  EXPECT_GT(accepted, 0u);
  EXPECT_GT(refused, 0u);
}

}  // namespace
