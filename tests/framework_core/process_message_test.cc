#include "include/cef_process_message.h"
#include "include/cef_request.h"
#include "include/cef_request_context.h"

#include "gtest/gtest.h"

namespace {

TEST(ProcessMessageTest, OwnsItsArgumentList) {
  EXPECT_FALSE(CefProcessMessage::Create(""));
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("ping");
  ASSERT_TRUE(message);
  EXPECT_TRUE(message->IsValid());
  EXPECT_FALSE(message->IsReadOnly());
  EXPECT_EQ("ping", message->GetName().ToString());
  message->GetArgumentList()->SetString(0, "a");
  EXPECT_EQ("a", message->GetArgumentList()->GetString(0).ToString());
  EXPECT_TRUE(message->GetArgumentList()->IsSame(message->GetArgumentList()));
}

TEST(ProcessMessageTest, CopyIsDeep) {
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("m");
  message->GetArgumentList()->SetList(0, CefListValue::Create());
  CefRefPtr<CefProcessMessage> copy = message->Copy();
  copy->GetArgumentList()->GetList(0)->SetInt(0, 1);
  EXPECT_EQ(0u, message->GetArgumentList()->GetList(0)->GetSize());
  EXPECT_EQ("m", copy->GetName().ToString());
}

TEST(RequestTest, DefaultsToGet) {
  CefRefPtr<CefRequest> request = CefRequest::Create();
  EXPECT_EQ("GET", request->GetMethod().ToString());
  EXPECT_TRUE(request->GetURL().empty());
  request->SetURL("file:///c:/x.html");
  request->SetMethod("POST");
  EXPECT_EQ("file:///c:/x.html", request->GetURL().ToString());
  EXPECT_EQ("POST", request->GetMethod().ToString());
  EXPECT_FALSE(request->IsReadOnly());
}

TEST(RequestContextTest, GlobalContextIsOneObject) {
  CefRefPtr<CefRequestContext> a = CefRequestContext::GetGlobalContext();
  EXPECT_TRUE(a->IsGlobal());
  EXPECT_EQ(a.get(), CefRequestContext::GetGlobalContext().get());
}

}  // namespace
