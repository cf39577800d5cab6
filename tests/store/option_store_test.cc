// The option store against real Win32 parts: a pipe and a file for the host
// record, a window for the notification, and a recording main browser.
#include "store/option_store.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "browser/embed_browser_handler.h"
#include "common/process_messages.h"
#include "gtest/gtest.h"
#include "store/renderer_update_broadcaster.h"
#include "tests/support/fake_browser.h"
#include "tests/support/framework_thread.h"

namespace {

struct Notification {
  WPARAM wparam;
  LPARAM lparam;
};
std::vector<Notification> g_notifications;

LRESULT CALLBACK HostWindowProc(HWND window,
                                UINT message,
                                WPARAM wparam,
                                LPARAM lparam) {
  if (message == kOptionsChangedMessage) {
    g_notifications.push_back({wparam, lparam});
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND CreateHostWindow() {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = HostWindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"StoreTestHost";
  RegisterClassW(&window_class);
  return CreateWindowExW(0, L"StoreTestHost", L"host", WS_OVERLAPPED, 0, 0, 10,
                         10, nullptr, nullptr, nullptr, nullptr);
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&msg);
}

OptionBlock BlockWith(int32_t uic_type, int32_t filter_id, int32_t is_filter) {
  OptionBlock block = MakeEmptyOptionBlock();
  block.count = 1;
  block.entries[0].uic_type = uic_type;
  block.entries[0].filter_id = filter_id;
  block.entries[0].is_filter = is_filter;
  return block;
}

// Checks, at the moment the renderer is told, that the record is already in
// the pipe and the host window has not been notified yet.
class OrderCheckingBrowser : public FakeBrowser {
 public:
  explicit OrderCheckingBrowser(HANDLE pipe) : FakeBrowser(1), pipe_(pipe) {}
  DWORD bytes_waiting_at_send = 0;
  bool notified_before_send = false;

  bool SendProcessMessage(CefProcessId target,
                          CefRefPtr<CefProcessMessage> message) override {
    PeekNamedPipe(pipe_, nullptr, 0, nullptr, &bytes_waiting_at_send, nullptr);
    MSG msg;
    notified_before_send = PeekMessageW(&msg, nullptr, kOptionsChangedMessage,
                                        kOptionsChangedMessage, PM_NOREMOVE);
    return FakeBrowser::SendProcessMessage(target, message);
  }

 private:
  HANDLE pipe_;
};

class OptionStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreatePipe(&read_end_, &write_end_, nullptr, 1 << 16));
    host_window_ = CreateHostWindow();
    browser_ = new OrderCheckingBrowser(read_end_);
    handler_ = new EmbedBrowserHandler();
    handler_->OnAfterCreated(browser_.get());
    store_ = OptionStore::GetInstance();
    store_->ResetForTesting();
    store_->SetHostWindow(host_window_);
    store_->SetHostHandle(write_end_);
    store_->SetHostRecordEnabled(true);
    g_notifications.clear();
  }

  void TearDown() override {
    store_->SetHostRecordEnabled(false);
    store_->SetHostHandle(INVALID_HANDLE_VALUE);
    store_->SetHostWindow(nullptr);
    handler_->OnBeforeClose(browser_.get());
    handler_ = nullptr;
    CloseHandle(read_end_);
    CloseHandle(write_end_);
    DestroyWindow(host_window_);
  }

  std::string ReadAvailable() {
    DWORD available = 0;
    PeekNamedPipe(read_end_, nullptr, 0, nullptr, &available, nullptr);
    std::string bytes(available, '\0');
    DWORD read = 0;
    if (available)
      ReadFile(read_end_, &bytes[0], available, &read, nullptr);
    return bytes;
  }

  std::vector<std::string> SentTexts(const std::string& name) {
    std::vector<std::string> texts;
    for (const FakeBrowser::Sent& sent : browser_->sent) {
      CefString text;
      if (MessageName(sent.message) == name &&
          ReadStringArgument(sent.message, &text)) {
        texts.push_back(text.ToString());
      }
    }
    return texts;
  }

  HANDLE read_end_ = nullptr;
  HANDLE write_end_ = nullptr;
  HWND host_window_ = nullptr;
  CefRefPtr<OrderCheckingBrowser> browser_;
  CefRefPtr<EmbedBrowserHandler> handler_;
  OptionStore* store_ = nullptr;
};

TEST_F(OptionStoreTest, GetInstanceReturnsTheOneStore) {
  EXPECT_EQ(OptionStore::GetInstance(), store_);
}

TEST_F(OptionStoreTest, EmptyUpdateWritesHeaderSendsEmptyArrayNotifiesOnce) {
  OptionBlock block = MakeEmptyOptionBlock();
  store_->UpdateOptions(&block);
  EXPECT_EQ(ReadAvailable(), std::string("\1\0\0\0\0\0\0\0", 8));
  EXPECT_EQ(SentTexts("save_option"), std::vector<std::string>({"[]"}));
  EXPECT_EQ(browser_->sent[0].target, PID_RENDERER);
  EXPECT_EQ(store_->OptionJson().ToString(), "[]");
  PumpMessages();
  ASSERT_EQ(g_notifications.size(), 1u);
  EXPECT_EQ(g_notifications[0].wparam, 0u);
  EXPECT_EQ(g_notifications[0].lparam, 0);
}

TEST_F(OptionStoreTest, RecordThenRendererThenWindow) {
  OptionBlock block = BlockWith(3, 12, 1);
  store_->UpdateOptions(&block);
  EXPECT_EQ(browser_->bytes_waiting_at_send, 56u);
  EXPECT_FALSE(browser_->notified_before_send);
  const std::string record = ReadAvailable();
  ASSERT_EQ(record.size(), 56u);
  const int32_t* words = reinterpret_cast<const int32_t*>(record.data());
  EXPECT_EQ(words[0], 1);   // record type
  EXPECT_EQ(words[1], 1);   // count
  EXPECT_EQ(words[2], 12);  // filter_id
  EXPECT_EQ(words[3], 1);   // is_filter
  EXPECT_EQ(words[4], 1);   // type codes 1, 2, then zeros
  EXPECT_EQ(words[5], 2);
  for (int i = 6; i < 14; ++i)
    EXPECT_EQ(words[i], 0);
  EXPECT_EQ(store_->options().entries[0].filter_id, 12);
}

TEST_F(OptionStoreTest, DisabledWritingOrInvalidHandleStillSendsAndNotifies) {
  OptionBlock block = BlockWith(1, 2, 0);
  store_->SetHostRecordEnabled(false);
  store_->UpdateOptions(&block);
  store_->SetHostRecordEnabled(true);
  store_->SetHostHandle(INVALID_HANDLE_VALUE);
  store_->UpdateOptions(&block);
  EXPECT_EQ(ReadAvailable(), "");
  EXPECT_EQ(SentTexts("save_option").size(), 2u);
  PumpMessages();
  EXPECT_EQ(g_notifications.size(), 2u);
}

TEST_F(OptionStoreTest, IdenticalUpdatesAreNotSuppressed) {
  OptionBlock block = BlockWith(2, 5, 1);
  store_->UpdateOptions(&block);
  store_->UpdateOptions(&block);
  EXPECT_EQ(ReadAvailable().size(), 2 * 56u);
  EXPECT_EQ(SentTexts("save_option").size(), 2u);
  PumpMessages();
  EXPECT_EQ(g_notifications.size(), 2u);
}

TEST_F(OptionStoreTest, NullBlockChangesNothing) {
  OptionBlock block = BlockWith(2, 5, 1);
  store_->UpdateOptions(&block);
  ReadAvailable();
  PumpMessages();
  g_notifications.clear();
  browser_->sent.clear();
  store_->UpdateOptions(nullptr);
  EXPECT_EQ(ReadAvailable(), "");
  EXPECT_TRUE(browser_->sent.empty());
  PumpMessages();
  EXPECT_TRUE(g_notifications.empty());
  EXPECT_EQ(store_->options().entries[0].filter_id, 5);
}

TEST_F(OptionStoreTest, NoHostWindowMeansNoNotificationAnywhere) {
  store_->SetHostWindow(nullptr);
  OptionBlock block = MakeEmptyOptionBlock();
  store_->UpdateOptions(&block);
  MSG msg;
  // Posting to a null window would land on this thread's own queue.
  EXPECT_FALSE(PeekMessageW(&msg, reinterpret_cast<HWND>(-1),
                            kOptionsChangedMessage, kOptionsChangedMessage,
                            PM_NOREMOVE));
  EXPECT_EQ(SentTexts("save_option").size(), 1u);
}

TEST_F(OptionStoreTest, RecordsReachARealFileToo) {
  wchar_t dir[MAX_PATH], path[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  GetTempFileNameW(dir, L"rec", 0, path);
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  store_->SetHostHandle(file);
  OptionBlock block = BlockWith(3, 12, 1);
  store_->UpdateOptions(&block);
  block.count = 0;
  store_->UpdateOptions(&block);
  CloseHandle(file);
  store_->SetHostHandle(INVALID_HANDLE_VALUE);
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW(path, GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, 56u + 8u);
  DeleteFileW(path);
}

TEST_F(OptionStoreTest, ResyncSendsNormalThenHornInListOrder) {
  store_->ResyncVoiceLists();
  EXPECT_TRUE(browser_->sent.empty());  // nothing stored yet

  store_->AddHornVoice(L"horn");
  store_->AddNormalVoice(L"n1");
  store_->AddNormalVoice(L"n2");
  store_->ResyncVoiceLists();
  ASSERT_EQ(browser_->sent.size(), 3u);
  EXPECT_EQ(MessageName(browser_->sent[0].message), "add_normal_voice");
  EXPECT_EQ(MessageName(browser_->sent[1].message), "add_normal_voice");
  EXPECT_EQ(MessageName(browser_->sent[2].message), "add_horn_voice");
  EXPECT_EQ(SentTexts("add_normal_voice"),
            std::vector<std::string>({"n1", "n2"}));
  EXPECT_EQ(SentTexts("add_horn_voice"), std::vector<std::string>({"horn"}));
}

// A host that runs for long adds texts without end; the store keeps as
// many per list as a render process does, the latest, in order.
TEST_F(OptionStoreTest, EachListKeepsItsLatestTexts) {
  for (int i = 0; i < 300; ++i) {
    store_->AddNormalVoice(L"n" + std::to_wstring(i));
    if (i < 250)
      store_->AddHornVoice(L"h" + std::to_wstring(i));
  }
  store_->ResyncVoiceLists();
  const std::vector<std::string> normal = SentTexts("add_normal_voice");
  const std::vector<std::string> horn = SentTexts("add_horn_voice");
  ASSERT_EQ(normal.size(), kMaxStoredVoices);
  EXPECT_EQ(normal.front(), "n99");
  EXPECT_EQ(normal.back(), "n299");
  ASSERT_EQ(horn.size(), kMaxStoredVoices);
  EXPECT_EQ(horn.front(), "h49");
  EXPECT_EQ(horn.back(), "h249");
}

OptionBlock NumberedFilters(uint32_t count) {
  OptionBlock block = MakeEmptyOptionBlock();
  block.count = count;
  for (uint32_t i = 0; i < count && i < kMaxOptionEntries; ++i) {
    block.entries[i].uic_type = 1;
    block.entries[i].filter_id = static_cast<int32_t>(100 + i);
    block.entries[i].is_filter = 1;
  }
  return block;
}

std::string NumberedFiltersJson(uint32_t count) {
  std::string json = "[";
  for (uint32_t i = 0; i < count; ++i) {
    json += (i ? ",{\"filter_id\":" : "{\"filter_id\":") +
            std::to_string(100 + i) + ",\"is_filter\":true,\"uic_type\":1}";
  }
  return json + "]";
}

TEST_F(OptionStoreTest, SeedingTellsNoOneAndIsWhatRenderersAreGiven) {
  store_->ForgetOptionsForTesting();
  EXPECT_EQ(store_->OptionJson().ToString(), "");
  store_->SetInitialOptions(NumberedFilters(2));
  EXPECT_EQ(ReadAvailable(), "");
  EXPECT_TRUE(browser_->sent.empty());
  PumpMessages();
  EXPECT_TRUE(g_notifications.empty());
  EXPECT_EQ(store_->OptionJson().ToString(), NumberedFiltersJson(2));
  EXPECT_EQ(store_->options().entries[1].filter_id, 101);

  // An update replaces the seed, and is told as always.
  OptionBlock block = BlockWith(3, 12, 1);
  store_->UpdateOptions(&block);
  EXPECT_EQ(ReadAvailable().size(), 56u);
  EXPECT_EQ(store_->OptionJson().ToString(),
            "[{\"filter_id\":12,\"is_filter\":true,\"uic_type\":3}]");
}

TEST_F(OptionStoreTest, SeedsOfNoFiltersAndOfTooManyAreKeptAsForPages) {
  store_->SetInitialOptions(NumberedFilters(0));
  EXPECT_EQ(store_->OptionJson().ToString(), "[]");

  // A count past the record's room keeps the first twenty.
  OptionBlock many = NumberedFilters(kMaxOptionEntries);
  many.count = 25;
  store_->SetInitialOptions(many);
  EXPECT_EQ(store_->options().count, kMaxOptionEntries);
  EXPECT_EQ(store_->OptionJson().ToString(),
            NumberedFiltersJson(kMaxOptionEntries));

  // Entries past the count do not travel along with the seed.
  OptionBlock stale = NumberedFilters(3);
  stale.count = 1;
  store_->SetInitialOptions(stale);
  const OptionBlock kept = store_->options();
  EXPECT_EQ(kept.count, 1u);
  EXPECT_EQ(kept.entries[2].filter_id, 0);
  EXPECT_EQ(store_->OptionJson().ToString(), NumberedFiltersJson(1));
  EXPECT_TRUE(browser_->sent.empty());
}

TEST_F(OptionStoreTest, SeedingFromAnotherThreadNeverTearsTheOptions) {
  // Each seed holds |count| filters whose ids all equal |count|: a torn copy
  // would mix a count with another seed's entries.
  store_->SetInitialOptions(MakeEmptyOptionBlock());
  std::atomic<bool> done{false};
  std::thread host([&] {
    for (int i = 0; i < 3000; ++i) {
      OptionBlock block = MakeEmptyOptionBlock();
      block.count = 1 + i % kMaxOptionEntries;
      for (uint32_t e = 0; e < block.count; ++e)
        block.entries[e].filter_id = static_cast<int32_t>(block.count);
      store_->SetInitialOptions(block);
    }
    done = true;
  });
  int torn = 0;
  while (!done) {
    const OptionBlock seen = store_->options();
    for (uint32_t e = 0; e < kMaxOptionEntries; ++e) {
      const int32_t expected =
          e < seen.count ? static_cast<int32_t>(seen.count) : 0;
      torn += seen.entries[e].filter_id != expected;
    }
  }
  host.join();
  EXPECT_EQ(torn, 0);
}

TEST_F(OptionStoreTest, HostSettersFromAnotherThreadWhileResyncing) {
  constexpr int kVoices = 2000;
  std::atomic<bool> done{false};
  std::thread host([&] {
    for (int i = 0; i < kVoices; ++i) {
      store_->AddNormalVoice(L"v" + std::to_wstring(i));
      store_->SetHostRecordEnabled(i % 2 == 0);
    }
    store_->SetHostRecordEnabled(true);
    done = true;
  });
  while (!done) {
    store_->ResyncVoiceLists();
    browser_->sent.clear();
  }
  host.join();
  store_->ResyncVoiceLists();
  const std::vector<std::string> texts = SentTexts("add_normal_voice");
  // The latest of them, in order.
  ASSERT_EQ(texts.size(), kMaxStoredVoices);
  for (size_t i = 0; i < kMaxStoredVoices; ++i) {
    ASSERT_EQ(texts[i], "v" + std::to_string(kVoices - kMaxStoredVoices + i));
  }
}

}  // namespace
