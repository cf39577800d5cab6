// The render-process half of SimpleApp: the KXHelper extension, the message
// router and the renderer cache.
#include <climits>

#include "app/simple_app.h"
#include "common/auto_lock.h"
#include "common/process_messages.h"
#include "include/cef_parser.h"
#include "include/wrapper/cef_helpers.h"
#include "renderer/client_v8_extension_handler.h"
#include "renderer/kxhelper_extension.h"

namespace {

// The list numbers pages pass to KXHelper.GetFilteredVoices.
constexpr int kNormalVoiceList = 1;
constexpr int kHornVoiceList = 2;

}  // namespace

void SimpleApp::OnWebKitInitialized() {
  CEF_REQUIRE_RENDERER_THREAD();
  CefMessageRouterConfig config;
  message_router_ = CefMessageRouterRendererSide::Create(config);
  CefRefPtr<CefV8Handler> handler(new ClientV8ExtensionHandler(this));
  CefRegisterExtension(kKXHelperExtensionName, kKXHelperExtensionCode, handler);
}

void SimpleApp::OnContextCreated(CefRefPtr<CefBrowser> browser,
                                 CefRefPtr<CefFrame> frame,
                                 CefRefPtr<CefV8Context> context) {
  CEF_REQUIRE_RENDERER_THREAD();
  // The router stays: a refused frame's queries reach the browser and fail
  // there.
  if (message_router_)
    message_router_->OnContextCreated(browser, frame, context);
  if (FrameAllowed(frame)) {
    change_notifier_.AddContext(context);
  } else if (context) {
    // The extension declares KXHelper with var, which cannot be deleted.
    CefRefPtr<CefV8Value> result;
    CefRefPtr<CefV8Exception> exception;
    context->Eval("KXHelper = undefined;", result, exception);
    TellWhyKXHelperIsAbsent(frame, context);
  }
}

void SimpleApp::TellWhyKXHelperIsAbsent(CefRefPtr<CefFrame> frame,
                                        CefRefPtr<CefV8Context> context) {
  const std::string url = frame ? frame->GetURL().ToString() : std::string();
  // A blank document has no origin of its own to explain.
  if (url.empty() || url.compare(0, 6, "about:") == 0)
    return;
  const std::string origin = OriginAllowList::OriginOf(url);
  const std::string line =
      origin.empty()
          ? "KXHelper is absent: the host allows listed origins only, and "
            "this page's address has none"
          : "KXHelper is absent: the host does not allow this page's origin (" +
                origin + ")";
  // Called before the page's own scripts: console is still the engine's.
  CefRefPtr<CefV8Value> console = context->GetGlobal()->GetValue("console");
  CefRefPtr<CefV8Value> warn = console ? console->GetValue("warn") : nullptr;
  if (warn && warn->IsFunction()) {
    warn->ExecuteFunctionWithContext(context, console,
                                     {CefV8Value::CreateString(line)});
  }
}

bool SimpleApp::FrameAllowed(CefRefPtr<CefFrame> frame) const {
  if (!allowed_origins_.restricted())
    return true;
  return frame && allowed_origins_.Allows(frame->GetURL().ToString());
}

void SimpleApp::SendFromFrame(CefRefPtr<CefBrowser> browser,
                              CefRefPtr<CefFrame> frame,
                              CefRefPtr<CefProcessMessage> message) const {
  if (!browser)
    return;
  if (allowed_origins_.restricted()) {
    if (!frame)
      return;
    browser->SendProcessMessage(
        PID_BROWSER, CreateSenderFrameMessage(frame->GetIdentifier()));
  }
  browser->SendProcessMessage(PID_BROWSER, message);
}

void SimpleApp::OnContextReleased(CefRefPtr<CefBrowser> browser,
                                  CefRefPtr<CefFrame> frame,
                                  CefRefPtr<CefV8Context> context) {
  CEF_REQUIRE_RENDERER_THREAD();
  if (message_router_)
    message_router_->OnContextReleased(browser, frame, context);
  change_notifier_.RemoveContext(context);
}

bool SimpleApp::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                         CefProcessId source_process,
                                         CefRefPtr<CefProcessMessage> message) {
  CEF_REQUIRE_RENDERER_THREAD();
  const std::string name = MessageName(message);
  // The first router message here is the answer to this process's first
  // page query: the moment to ask the browser for the cache's contents.
  if (!g_cache_sync_requested && name == kRouterQueryMessage && browser &&
      FrameAllowed(browser->GetMainFrame())) {
    g_cache_sync_requested = true;
    RequestCacheContents(browser);
  }
  ApplyCacheUpdate(name, message);
  if (!message_router_)
    return false;
  return message_router_->OnProcessMessageReceived(browser, source_process,
                                                   message);
}

void SimpleApp::RequestCacheContents(CefRefPtr<CefBrowser> browser) {
  // The options come back to this process whichever browser it hosts: the
  // browser pushes later updates to the main browser's render process only,
  // and every other one would otherwise never have any. The voice texts go
  // to the main browser's render process.
  SendFromFrame(browser, browser->GetMainFrame(),
                CreateEmptyMessage(kGetOptionMessage));
  SendFromFrame(browser, browser->GetMainFrame(),
                CreateEmptyMessage(kSyncCacheMessage));
}

void SimpleApp::ApplyCacheUpdate(const std::string& name,
                                 CefRefPtr<CefProcessMessage> message) {
  CefString text;
  if (name == kSaveOptionMessage) {
    if (!ReadStringArgument(message, &text))
      return;
    cef_json_parser_error_t error_code = JSON_NO_ERROR;
    CefString error_message;
    // An empty text is valid: it clears the stored options.
    if (!text.empty()) {
      CefParseJSONAndReturnError(text, JSON_PARSER_ALLOW_TRAILING_COMMAS,
                                 error_code, error_message);
    }
    if (error_code != JSON_NO_ERROR)
      return;
    // An answer to this process's own request that repeats what it holds
    // (pushed to it already, or nothing on either side) changes nothing: a
    // page waiting for its own change would take the event for it.
    if (IsOptionAnswer(message) && text == user_options_json_)
      return;
    SetUserOptionsJson(text);
    CefRefPtr<CefDictionaryValue> detail = CefDictionaryValue::Create();
    detail->SetString("change", kOptionsChanged);
    change_notifier_.Notify(detail);
  } else if (name == kAddNormalVoiceMessage) {
    if (!ReadStringArgument(message, &text))
      return;
    AppendNormalVoice(text.ToWString());
    NotifyVoiceAdded(kNormalVoiceList);
  } else if (name == kAddHornVoiceMessage) {
    if (!ReadStringArgument(message, &text))
      return;
    AppendHornVoice(text.ToWString());
    NotifyVoiceAdded(kHornVoiceList);
  } else if (name == kCacheSyncedMessage) {
    cache_synced_ = true;
    CefRefPtr<CefDictionaryValue> detail = CefDictionaryValue::Create();
    detail->SetString("change", kVoicesSynced);
    detail->SetInt("count", GetFilteredCount());
    change_notifier_.Notify(detail);
  }
}

void SimpleApp::NotifyVoiceAdded(int list) {
  CefRefPtr<CefDictionaryValue> detail = CefDictionaryValue::Create();
  detail->SetString("change", kVoiceAdded);
  detail->SetInt("list", list);
  detail->SetInt("count", GetFilteredCount());
  change_notifier_.Notify(detail);
}

void SimpleApp::AppendNormalVoice(const std::wstring& voice) {
  AppendVoice(&normal_voices_, voice);
  TellVoiceAdded(kNormalVoiceList, normal_voices_);
}

void SimpleApp::AppendHornVoice(const std::wstring& voice) {
  AppendVoice(&horn_voices_, voice);
  TellVoiceAdded(kHornVoiceList, horn_voices_);
}

void SimpleApp::TellVoiceAdded(int number, const CachedVoiceList& list) {
  const std::vector<std::wstring> quoted =
      list.QuotedSince(list.appended() - 1);
  if (!quoted.empty())
    change_notifier_.VoiceAdded(number, quoted[0], list.appended(), list.size());
}

void SimpleApp::AppendVoice(CachedVoiceList* list, const std::wstring& voice) {
  AutoLock hold(&g_cache_lock);
  // The new text goes in before the oldest go: an append that runs out of
  // memory has dropped nothing either, and a list never changes without the
  // count.
  list->Append(voice);
  while (list->size() > kMaxCachedVoices + 1)
    list->DropOldest();
  // The count only ever grows; it stops at its ceiling instead of wrapping.
  if (filtered_count_ < INT_MAX)
    ++filtered_count_;
}

void SimpleApp::SetUserOptionsJson(const CefString& json) {
  if (json.empty())
    user_options_json_.clear();
  else
    user_options_json_ = json;
  change_notifier_.OptionsChanged();
}

SimpleApp::VoiceList SimpleApp::GetNormalVoices() const {
  return normal_voices_.texts();
}

SimpleApp::VoiceList SimpleApp::GetHornVoices() const {
  return horn_voices_.texts();
}

const std::wstring& SimpleApp::GetNormalVoicesJson() const {
  return normal_voices_.json();
}

const std::wstring& SimpleApp::GetHornVoicesJson() const {
  return horn_voices_.json();
}

const CachedVoiceList* SimpleApp::GetVoiceList(int list) const {
  if (list == kNormalVoiceList)
    return &normal_voices_;
  if (list == kHornVoiceList)
    return &horn_voices_;
  return nullptr;
}

CefString SimpleApp::GetUserOptionsJson() const {
  return user_options_json_;
}

int SimpleApp::GetFilteredCount() const {
  return filtered_count_;
}
