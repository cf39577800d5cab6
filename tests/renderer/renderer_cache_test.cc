// The renderer cache as the render-process handler and the native handler
// use it.
#include "app/simple_app.h"

#include <string>

#include "gtest/gtest.h"

namespace {

class RendererCacheTest : public testing::Test {
 protected:
  CefRefPtr<SimpleApp> app_ = new SimpleApp();
};

TEST_F(RendererCacheTest, ListsKeepArrivalOrderAndDuplicates) {
  app_->AppendNormalVoice(L"a");
  app_->AppendNormalVoice(L"b");
  app_->AppendNormalVoice(L"a");
  app_->AppendHornVoice(L"h");
  EXPECT_EQ(app_->GetNormalVoices(), SimpleApp::VoiceList({L"a", L"b", L"a"}));
  EXPECT_EQ(app_->GetHornVoices(), SimpleApp::VoiceList({L"h"}));
  EXPECT_EQ(app_->GetFilteredCount(), 4);
}

TEST_F(RendererCacheTest, CutBackHappensBeforeTheAppend) {
  for (int i = 0; i < 201; ++i)
    app_->AppendNormalVoice(std::to_wstring(i));
  EXPECT_EQ(app_->GetNormalVoices().size(), 201u);

  app_->AppendNormalVoice(L"201");
  SimpleApp::VoiceList voices = app_->GetNormalVoices();
  ASSERT_EQ(voices.size(), 201u);
  EXPECT_EQ(voices.front(), L"1");  // the oldest went
  EXPECT_EQ(voices.back(), L"201");
  EXPECT_EQ(app_->GetFilteredCount(), 202);

  // The horn list is cut on its own; the count goes on across both.
  app_->AppendHornVoice(L"h");
  EXPECT_EQ(app_->GetHornVoices().size(), 1u);
  EXPECT_EQ(app_->GetFilteredCount(), 203);
}

TEST_F(RendererCacheTest, ReadersReturnCopies) {
  app_->AppendHornVoice(L"first");
  SimpleApp::VoiceList copy = app_->GetHornVoices();
  app_->AppendHornVoice(L"second");
  EXPECT_EQ(copy.size(), 1u);
  EXPECT_EQ(app_->GetHornVoices().size(), 2u);
}

TEST_F(RendererCacheTest, EmptyOptionTextClearsTheStoredOne) {
  app_->SetUserOptionsJson("[{\"filter_id\":1}]");
  EXPECT_EQ(app_->GetUserOptionsJson().ToString(), "[{\"filter_id\":1}]");
  app_->SetUserOptionsJson(CefString());
  EXPECT_TRUE(app_->GetUserOptionsJson().empty());
}

TEST_F(RendererCacheTest, EmptyVoiceIsStillAnEntry) {
  app_->AppendNormalVoice(L"");
  EXPECT_EQ(app_->GetNormalVoices().size(), 1u);
  EXPECT_EQ(app_->GetFilteredCount(), 1);
}

}  // namespace
