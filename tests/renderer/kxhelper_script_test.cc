// KXHelper as pages use it: real page script in a render side driven the
// way the browser process drives it.
#include <deque>
#include <memory>
#include <string>

#include "app/simple_app.h"
#include "common/option_block.h"
#include "common/process_messages.h"
#include "gtest/gtest.h"
#include "include/cef_parser.h"
#include "src/testing/render_harness.h"

namespace {

using cef_internal::RenderHarness;

constexpr int kBrowser = 1;

class KXHelperScriptTest : public testing::Test {
 protected:
  void SetUp() override {
    g_cache_sync_requested = false;
    app_ = new SimpleApp();
    harness_.reset(new RenderHarness(app_.get()));
    harness_->CreateBrowser(kBrowser);
    ASSERT_TRUE(harness_->LoadPage(kBrowser, "file:///page.html", "<p/>"));
    harness_->ClearRecords();
  }
  void TearDown() override {
    harness_->Shutdown();
    harness_.reset();
  }

  std::string Eval(const std::string& code) {
    return harness_->Evaluate(kBrowser, code);
  }
  void FromBrowser(const std::string& name, const CefString& text) {
    harness_->SendProcessMessage(kBrowser, CreateStringMessage(name, text));
    harness_->Flush();
  }
  std::vector<RenderHarness::SentMessage> Sent(const std::string& name) {
    harness_->Flush();
    return harness_->SentMessagesNamed(name);
  }

  CefRefPtr<SimpleApp> app_;
  std::unique_ptr<RenderHarness> harness_;
};

TEST_F(KXHelperScriptTest, EveryNewContextHasTheFiveFunctions) {
  EXPECT_EQ(Eval("[typeof KXHelper.GetFilteredNum, typeof "
                 "KXHelper.GetUserOptions, typeof KXHelper.SetUserOptions, "
                 "typeof KXHelper.GetFilteredVoices, "
                 "typeof KXHelper.IsSynced].join()"),
            "function,function,function,function,function");
  ASSERT_TRUE(harness_->LoadPage(kBrowser, "file:///next.html",
                                 "<script>window.seen = typeof KXHelper;"
                                 "</script>"));
  EXPECT_EQ(Eval("window.seen"), "object");
}

TEST_F(KXHelperScriptTest, WrongArgumentsGiveUndefinedWithoutThrowing) {
  EXPECT_EQ(Eval("[typeof KXHelper.GetFilteredVoices(1.5), "
                 "typeof KXHelper.GetFilteredVoices('1'), "
                 "typeof KXHelper.GetFilteredVoices(), "
                 "typeof KXHelper.GetFilteredVoices(NaN), "
                 "typeof KXHelper.GetFilteredVoices(Infinity), "
                 "typeof KXHelper.GetFilteredVoices(true), "
                 "typeof KXHelper.SetUserOptions([]), "
                 "typeof KXHelper.SetUserOptions()].join()"),
            "undefined,undefined,undefined,undefined,undefined,undefined,"
            "undefined,undefined");
  EXPECT_TRUE(harness_->sent_messages().empty());
}

TEST_F(KXHelperScriptTest, SetUserOptionsKeepsDictionariesAtTheirIndex) {
  EXPECT_EQ(Eval("KXHelper.SetUserOptions('[{\"filter_id\":1},5,"
                 "{\"filter_id\":2,\"extra\":[1]},]')"),
            "true");
  std::vector<RenderHarness::SentMessage> sent = Sent("set_option");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].browser_id, kBrowser);
  CefRefPtr<CefListValue> args = sent[0].message->GetArgumentList();
  ASSERT_EQ(args->GetSize(), 3u);
  EXPECT_EQ(args->GetType(0), VTYPE_DICTIONARY);
  EXPECT_EQ(args->GetType(1), VTYPE_NULL);
  EXPECT_EQ(args->GetDictionary(2)->GetInt("filter_id"), 2);
  EXPECT_EQ(args->GetDictionary(2)->GetList("extra")->GetInt(0), 1);
}

TEST_F(KXHelperScriptTest, EmptyArraySendsEmptyArguments) {
  EXPECT_EQ(Eval("KXHelper.SetUserOptions('[1, \"x\"]')"), "true");
  std::vector<RenderHarness::SentMessage> sent = Sent("set_option");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].message->GetArgumentList()->GetSize(), 0u);
}

TEST_F(KXHelperScriptTest, TextsThatAreNotArraysReturnFalseAndSendNothing) {
  EXPECT_EQ(Eval("[KXHelper.SetUserOptions('[{'), KXHelper.SetUserOptions(''),"
                 " KXHelper.SetUserOptions('{\"filter_id\":1}'),"
                 " KXHelper.SetUserOptions('7')].join()"),
            "false,false,false,false");
  EXPECT_TRUE(Sent("set_option").empty());
}

// The browser process reads no option text longer than the limit, so the
// page hears false at once; an array of any length travels as a record's
// worth.
TEST_F(KXHelperScriptTest, OversizedTextsReturnFalseAndLongArraysAreCut) {
  const std::string pad = std::to_string(kMaxOptionJsonLength - 20);
  EXPECT_EQ(Eval("[KXHelper.SetUserOptions('[{\"filter_id\":1}' + "
                 "new Array(" +
                 pad +
                 ").join(' ') + ']'), "
                 "KXHelper.SetUserOptions('[{\"filter_id\":1}' + "
                 "new Array(" +
                 pad + " + 30).join(' ') + ']')].join()"),
            "true,false");
  EXPECT_EQ(Sent("set_option").size(), 1u);
  EXPECT_EQ(Eval("KXHelper.SetUserOptions(JSON.stringify("
                 "new Array(1000).join('x').split('').map("
                 "function(x, i) { return {filter_id: i}; })))"),
            "true");
  std::vector<RenderHarness::SentMessage> sent = Sent("set_option");
  ASSERT_EQ(sent.size(), 2u);
  CefRefPtr<CefListValue> args = sent[1].message->GetArgumentList();
  ASSERT_EQ(args->GetSize(), kMaxOptionEntries);
  EXPECT_EQ(args->GetDictionary(19)->GetInt("filter_id"), 19);
}

TEST_F(KXHelperScriptTest, OptionsChangeOnlyWhenTheBrowserPushesThem) {
  FromBrowser("save_option", "[{\"filter_id\":1}]");
  EXPECT_EQ(Eval("KXHelper.SetUserOptions('[{\"filter_id\":2}]')"), "true");
  EXPECT_EQ(Eval("KXHelper.GetUserOptions()"), "[{\"filter_id\":1}]");
  FromBrowser("save_option", "[{\"filter_id\":2}]");
  EXPECT_EQ(Eval("KXHelper.GetUserOptions()"), "[{\"filter_id\":2}]");
  FromBrowser("save_option", "[{\"filter_id\":3");
  FromBrowser("Save_option", "[]");
  EXPECT_EQ(Eval("KXHelper.GetUserOptions()"), "[{\"filter_id\":2}]");
}

// Pages keep the texts they read last: every change must reach every page
// before anything else can read, in listeners too.
TEST_F(KXHelperScriptTest, EveryPageReadsEachChangeAtOnce) {
  harness_->CreateBrowser(2);
  ASSERT_TRUE(harness_->LoadPage(2, "file:///other.html", "<p/>"));
  const char kRead[] =
      "[KXHelper.GetUserOptions(), KXHelper.GetUserOptions(),"
      " KXHelper.GetFilteredVoices(1), KXHelper.GetFilteredVoices(2),"
      " KXHelper.GetFilteredVoices(1)].join(' ')";
  Eval("addEventListener('kxhelperchange', function() {"
       "  window.heard = KXHelper.GetUserOptions() + ' ' +"
       "      KXHelper.GetFilteredVoices(1); })");
  EXPECT_EQ(Eval(kRead), "  [] [] []");
  EXPECT_EQ(harness_->Evaluate(2, kRead), "  [] [] []");
  FromBrowser("save_option", "[1]");
  EXPECT_EQ(Eval("window.heard"), "[1] []");
  FromBrowser("add_normal_voice", "a");
  EXPECT_EQ(Eval("window.heard"), "[1] [\"a\"]");
  EXPECT_EQ(Eval(kRead), "[1] [1] [\"a\"] [] [\"a\"]");
  EXPECT_EQ(harness_->Evaluate(2, kRead), "[1] [1] [\"a\"] [] [\"a\"]");
  FromBrowser("add_horn_voice", "h");
  FromBrowser("save_option", "");
  EXPECT_EQ(Eval("window.heard"), " [\"a\"]");
  EXPECT_EQ(harness_->Evaluate(2, kRead), "  [\"a\"] [\"h\"] [\"a\"]");
  app_->SetUserOptionsJson("[2]");
  app_->AppendNormalVoice(L"b");
  EXPECT_EQ(harness_->Evaluate(2, kRead),
            "[2] [2] [\"a\",\"b\"] [\"h\"] [\"a\",\"b\"]");
  ASSERT_TRUE(harness_->LoadPage(kBrowser, "file:///next.html", "<p/>"));
  EXPECT_EQ(Eval(kRead), "[2] [2] [\"a\",\"b\"] [\"h\"] [\"a\",\"b\"]");
  FromBrowser("save_option", "[3]");
  FromBrowser("add_horn_voice", "i");
  EXPECT_EQ(Eval(kRead),
            "[3] [3] [\"a\",\"b\"] [\"h\",\"i\"] [\"a\",\"b\"]");
  // The render side took the hook before the page ran.
  EXPECT_EQ(Eval("typeof KXHelper.TakeCacheHook"), "undefined");
}

TEST_F(KXHelperScriptTest, VoicesAndCountComeFromTheCache) {
  EXPECT_EQ(Eval("KXHelper.GetFilteredNum() + ' ' + "
                 "KXHelper.GetFilteredVoices(1)"),
            "0 []");
  FromBrowser("add_normal_voice", "a");
  FromBrowser("add_normal_voice", "b \"quoted\"");
  FromBrowser("add_horn_voice", L"\x58F0");
  EXPECT_EQ(Eval("KXHelper.GetFilteredVoices(1)"),
            "[\"a\",\"b \\\"quoted\\\"\"]");
  EXPECT_EQ(Eval("JSON.parse(KXHelper.GetFilteredVoices(2))[0] === "
                 "'\\u58F0'"),
            "true");
  EXPECT_EQ(
      Eval("[KXHelper.GetFilteredVoices(0), KXHelper.GetFilteredVoices(3),"
           " KXHelper.GetFilteredNum()].join(' ')"),
      "[] [] 3");
  for (int i = 0; i < 300; ++i)
    FromBrowser("add_normal_voice", std::to_string(i));
  EXPECT_EQ(Eval("JSON.parse(KXHelper.GetFilteredVoices(1)).length + ' ' + "
                 "KXHelper.GetFilteredNum()"),
            "201 303");
}

// Every whole number names a list, however large or small; only 1 and 2
// hold texts.
TEST_F(KXHelperScriptTest, EveryWholeNumberBeyondTheTwoListsGivesAnEmptyOne) {
  FromBrowser("add_normal_voice", "a");
  FromBrowser("add_horn_voice", "b");
  EXPECT_EQ(Eval("[0, -1, 3, -0, 2147483647, -2147483648, Math.pow(2, 31),"
                 " Math.pow(2, 32) - 1, Math.pow(2, 32), Math.pow(2, 32) + 1,"
                 " Math.pow(2, 40), -Math.pow(2, 53), 1e300]"
                 ".map(function(n) { return KXHelper.GetFilteredVoices(n); })"
                 ".join(' ')"),
            "[] [] [] [] [] [] [] [] [] [] [] [] []");
  EXPECT_EQ(Eval("KXHelper.GetFilteredVoices(1) + KXHelper.GetFilteredVoices(2)"
                 " + KXHelper.GetFilteredVoices(4 / 2)"),
            "[\"a\"][\"b\"][\"b\"]");
}

// Synced: once the browser says every voice text has arrived, for this page
// and every later one of the process; a voice text alone is not the end.
TEST_F(KXHelperScriptTest, IsSyncedFromTheSyncedMessageOnInEveryLaterPage) {
  EXPECT_EQ(Eval("KXHelper.IsSynced()"), "false");
  FromBrowser("add_normal_voice", "a");
  EXPECT_EQ(Eval("KXHelper.IsSynced()"), "false");
  harness_->SendProcessMessage(kBrowser,
                               CreateEmptyMessage(kCacheSyncedMessage));
  harness_->Flush();
  EXPECT_EQ(Eval("KXHelper.IsSynced() + ' ' + KXHelper.IsSynced(7)"),
            "true true");
  ASSERT_TRUE(harness_->LoadPage(kBrowser, "file:///later.html",
                                 "<script>window.atStart = KXHelper.IsSynced();"
                                 "</script>"));
  EXPECT_EQ(Eval("window.atStart"), "true");
}

TEST_F(KXHelperScriptTest, ListReadAgainShowsEveryNewText) {
  // A page's own GetFilteredNum is not what the lists are judged by.
  Eval("KXHelper.GetFilteredNum = function() { return 0; }");
  EXPECT_EQ(
      Eval("KXHelper.GetFilteredVoices(1) + KXHelper.GetFilteredVoices(2)"),
      "[][]");
  FromBrowser("add_normal_voice", "a");
  EXPECT_EQ(
      Eval("KXHelper.GetFilteredVoices(1) + KXHelper.GetFilteredVoices(2)"),
      "[\"a\"][]");
  FromBrowser("add_horn_voice", "h");
  EXPECT_EQ(
      Eval("KXHelper.GetFilteredVoices(2) + KXHelper.GetFilteredVoices(1)"),
      "[\"h\"][\"a\"]");
  // A full list keeps its length as its oldest text goes: still a change.
  for (int i = 0; i < 201; ++i)
    FromBrowser("add_normal_voice", std::to_string(i));
  Eval("window.before = KXHelper.GetFilteredVoices(1)");
  FromBrowser("add_normal_voice", "last");
  EXPECT_EQ(Eval("var now = JSON.parse(KXHelper.GetFilteredVoices(1));"
                 "[now.length, now[0], now[200],"
                 " window.before === KXHelper.GetFilteredVoices(1)].join()"),
            "201,1,last,false");
  // Another page of the same render process reads the same lists.
  ASSERT_TRUE(harness_->LoadPage(kBrowser, "file:///next.html", "<p/>"));
  EXPECT_EQ(
      Eval("JSON.parse(KXHelper.GetFilteredVoices(1))[200] + "
           "KXHelper.GetFilteredVoices(2) + KXHelper.GetFilteredVoices(7)"),
      "last[\"h\"][]");
}

TEST_F(KXHelperScriptTest, FullListsReadAsTheFrameworkWriterWritesThem) {
  // Texts that need every kind of escape, long enough to take the long
  // strings' way into script, past the list's limit so the oldest go.
  std::deque<std::wstring> kept;
  for (int i = 0; i < 230; ++i) {
    std::wstring text = std::to_wstring(i) + L" \"q\" \\ </b> \x01\t";
    while (text.size() < 299)
      text += L"\x4F60\x00E9 \xD83D\xDE00 \xD800 ";
    text.resize(299);
    FromBrowser("add_horn_voice", text);
    kept.push_back(text);
    if (kept.size() > 201)
      kept.pop_front();
  }
  CefRefPtr<CefListValue> list = CefListValue::Create();
  for (size_t i = 0; i < kept.size(); ++i)
    list->SetString(i, kept[i]);
  CefRefPtr<CefValue> value = CefValue::Create();
  value->SetList(list);
  const std::string expected = CefWriteJSON(value, JSON_WRITER_DEFAULT);
  // Compared as a whole, without printing 100 KB on a failure.
  EXPECT_TRUE(Eval("KXHelper.GetFilteredVoices(2)") == expected);
  EXPECT_EQ(Eval("KXHelper.GetFilteredVoices(2).length"),
            std::to_string(CefString(expected).length()));
}

// The page's copy of a list is built from the texts new since its last
// read: whatever the gaps between reads, in whichever list, it must read as
// the cache's own text.
TEST_F(KXHelperScriptTest, ReadsBetweenAnyArrivalsGiveTheWholeList) {
  auto expect_lists = [this](const std::string& when) {
    for (int list : {1, 2}) {
      const std::string read =
          Eval("KXHelper.GetFilteredVoices(" + std::to_string(list) + ")");
      EXPECT_TRUE(read ==
                  CefString(app_->GetVoiceList(list)->json()).ToString())
          << when << ", list " << list << ": " << read.substr(0, 200);
    }
  };
  const int gaps[] = {0, 1, 1, 3, 0, 250, 2, 201, 1, 200, 405};
  int sent = 0;
  for (int gap : gaps) {
    for (int i = 0; i < gap; ++i, ++sent) {
      FromBrowser(sent % 3 ? "add_normal_voice" : "add_horn_voice",
                  "<" + std::to_string(sent) + "> \"");
    }
    expect_lists("after " + std::to_string(sent) + " texts");
    // A page that reads one list only sees the other's texts pile up.
    if (gap == 3) {
      for (int i = 0; i < 300; ++i, ++sent)
        FromBrowser("add_horn_voice", std::to_string(sent));
      EXPECT_TRUE(Eval("KXHelper.GetFilteredVoices(1)") ==
                  CefString(app_->GetVoiceList(1)->json()).ToString());
    }
  }
  // A page that stops reading for more than four full lists' worth keeps no
  // more than a list of them, and still reads right.
  for (int i = 0; i < 900; ++i, ++sent)
    FromBrowser("add_normal_voice", std::to_string(sent));
  expect_lists("after 900 more normal texts");
  // A new page starts from nothing held.
  ASSERT_TRUE(harness_->LoadPage(kBrowser, "file:///next.html", "<p/>"));
  expect_lists("in the next page");
  FromBrowser("add_normal_voice", "one more");
  expect_lists("in the next page, after one more");
}

TEST_F(KXHelperScriptTest, PagesReplacingArrayFunctionsStillReadTheLists) {
  FromBrowser("add_normal_voice", "a");
  Eval("KXHelper.GetFilteredVoices(1)");
  Eval("Array.prototype.slice = function() { return ['page slice']; };"
       "Array.prototype.push = function() { return 0; };"
       "String.prototype.split = function() { return ['page split']; };"
       "String.prototype.indexOf = function() { return 1; };"
       "String.prototype.substring = function() { return 'page'; };"
       "String.prototype.charCodeAt = function() { throw 'page'; };"
       "Function.prototype.call = function() { return 'page call'; };"
       "Function.prototype.bind = function() { return null; };");
  FromBrowser("add_normal_voice", "b");
  FromBrowser("add_horn_voice", "c");
  EXPECT_EQ(
      Eval("KXHelper.GetFilteredVoices(1) + KXHelper.GetFilteredVoices(2)"),
      "[\"a\",\"b\"][\"c\"]");
}

TEST_F(KXHelperScriptTest, FirstRouterReplyAsksForTheCacheOnceThenReachesPage) {
  Eval(
      "window.cefQuery({request: 'OnLoad', onSuccess: function(r) {"
      " window.answer = r; }, onFailure: function(c, m) {"
      " window.answer = c + ' ' + m; }})");
  std::vector<RenderHarness::SentMessage> queries = Sent("cefQueryMsg");
  ASSERT_EQ(queries.size(), 1u);
  CefRefPtr<CefListValue> query = queries[0].message->GetArgumentList();
  EXPECT_EQ(query->GetString(3).ToString(), "OnLoad");

  // The browser's reply, in the router's layout.
  CefRefPtr<CefProcessMessage> reply = CefProcessMessage::Create("cefQueryMsg");
  reply->GetArgumentList()->SetInt(0, query->GetInt(1));
  reply->GetArgumentList()->SetInt(1, query->GetInt(2));
  reply->GetArgumentList()->SetBool(2, true);
  reply->GetArgumentList()->SetString(3, "OnLoad OK");
  harness_->SendProcessMessage(kBrowser, reply);
  harness_->Flush();
  EXPECT_EQ(Eval("window.answer"), "OnLoad OK");
  std::vector<RenderHarness::SentMessage> syncs = Sent("syncCache");
  ASSERT_EQ(syncs.size(), 1u);
  EXPECT_EQ(syncs[0].message->GetArgumentList()->GetSize(), 0u);

  harness_->SendProcessMessage(kBrowser, reply->Copy());
  EXPECT_EQ(Sent("syncCache").size(), 1u);
}

TEST_F(KXHelperScriptTest, TextTooBigToHoldGivesFalseInsteadOfThrowing) {
  // 2^23 empty objects in 25 MB of text: more values than a 32-bit render
  // process can hold once parsed.
  EXPECT_EQ(Eval("(function() {"
                 "  var text = '{},';"
                 "  for (var i = 0; i < 23; ++i) text += text;"
                 "  text = '[' + text + '{}]';"
                 "  try { return '' + KXHelper.SetUserOptions(text); }"
                 "  catch (e) { return 'threw ' + e; }"
                 "})()"),
            "false");
  EXPECT_TRUE(Sent(kSetOptionMessage).empty());
}

TEST_F(KXHelperScriptTest, TextTooBigToHandOverGivesUndefinedWithoutThrowing) {
  // 2^28 characters: more than a 32-bit render process can convert for the
  // native side, which is then never called.
  EXPECT_EQ(Eval("(function() {"
                 "  var text = 'x';"
                 "  for (var i = 0; i < 28; ++i) text += text;"
                 "  try { return typeof KXHelper.SetUserOptions(text); }"
                 "  catch (e) { return 'threw ' + e; }"
                 "})()"),
            "undefined");
  EXPECT_TRUE(Sent(kSetOptionMessage).empty());
  EXPECT_EQ(Eval("KXHelper.GetUserOptions()"), "");  // still serving
}

}  // namespace
