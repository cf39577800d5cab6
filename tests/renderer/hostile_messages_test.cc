// Every name a browser process can send, with arguments of every wrong type
// and count, into the render-process handler: nothing crashes, and the
// handler still works afterwards.
#include <stdio.h>

#include <string>

#include "app/simple_app.h"
#include "gtest/gtest.h"
#include "tests/support/fake_browser.h"
#include "tests/support/framework_thread.h"
#include "tests/support/hostile_arguments.h"

namespace {

TEST(HostileMessagesTest, WrongTypesAndCountsAreSurvived) {
  CefRefPtr<SimpleApp> app = new SimpleApp();
  CefRefPtr<FakeBrowser> browser = new FakeBrowser(7);
  int delivered = 0;
  for (const std::string& name : hostile::MessageNames()) {
    for (CefRefPtr<CefListValue> args : hostile::ArgumentLists()) {
      CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
      // No message can have an empty name.
      if (!message)
        continue;
      CefRefPtr<CefListValue> list = message->GetArgumentList();
      for (size_t i = 0; i < args->GetSize(); ++i)
        list->SetValue(i, args->GetValue(i)->Copy());
      app->OnProcessMessageReceived(browser.get(), PID_BROWSER, message);
      ++delivered;
    }
  }
  printf("hostile messages delivered to the render handler: %d\n", delivered);
  CefRefPtr<CefProcessMessage> good = CefProcessMessage::Create("save_option");
  good->GetArgumentList()->SetString(0, "[{\"filter_id\":5}]");
  app->OnProcessMessageReceived(browser.get(), PID_BROWSER, good);
  EXPECT_EQ(app->GetUserOptionsJson().ToString(), "[{\"filter_id\":5}]");
}

}  // namespace
