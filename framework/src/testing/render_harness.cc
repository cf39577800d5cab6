#include "src/testing/render_harness.h"

#include "src/channel/in_memory_channel.h"
#include "src/core/message_loop.h"

namespace cef_internal {

namespace {

// Bounds Flush() against work that keeps posting more work.
constexpr int kMaxFlushRounds = 1000;

CefRefPtr<CefListValue> BrowserArgs(int browser_id) {
  CefRefPtr<CefListValue> args = CefListValue::Create();
  args->SetInt(0, browser_id);
  return args;
}

}  // namespace

RenderHarness::RenderHarness(CefRefPtr<CefApp> app,
                             CefRefPtr<CefListValue> extra_info) {
  InMemoryChannel::CreatePair(&browser_end_, &render_end_);
  browser_end_->SetDelegate(this);
  process_.reset(new RenderProcess(app, render_end_.get(), extra_info));
}

RenderHarness::~RenderHarness() {
  browser_end_->SetDelegate(nullptr);
  process_.reset();
  render_end_.reset();
  browser_end_.reset();
  Flush();
}

void RenderHarness::CreateBrowser(int browser_id, bool is_popup) {
  CefRefPtr<CefListValue> args = BrowserArgs(browser_id);
  args->SetBool(1, is_popup);
  Send(Op::kBrowserCreated, args);
}

void RenderHarness::DestroyBrowser(int browser_id) {
  Send(Op::kBrowserDestroyed, BrowserArgs(browser_id));
}

bool RenderHarness::LoadPage(int browser_id,
                             const std::string& url,
                             const std::string& html,
                             int timeout_ms) {
  return LoadFrame(browser_id, MainFrameId(browser_id), url, html, timeout_ms);
}

bool RenderHarness::LoadFrame(int browser_id,
                              int64 frame_id,
                              const std::string& url,
                              const std::string& html,
                              int timeout_ms) {
  CommitAndRun(browser_id, frame_id, url, html);
  return RunUntil([this]() { return running_documents_ == 0; }, timeout_ms);
}

void RenderHarness::SetFrameSource(const std::string& url,
                                   const std::string& html) {
  frame_sources_[url] = html;
}

void RenderHarness::ExecuteJavaScript(int browser_id,
                                      const std::string& code,
                                      int64 frame_id) {
  CefRefPtr<CefListValue> args = BrowserArgs(browser_id);
  args->SetDouble(1, static_cast<double>(frame_id < 0 ? MainFrameId(browser_id)
                                                      : frame_id));
  args->SetString(2, code);
  args->SetString(3, "");
  args->SetInt(4, 1);
  Send(Op::kExecuteJavaScript, args);
}

std::string RenderHarness::Evaluate(int browser_id,
                                    const std::string& code,
                                    int64 frame_id) {
  CefRefPtr<CefV8Context> context = GetContext(browser_id, frame_id);
  if (!context || !context->IsValid())
    return "no context";
  CefRefPtr<CefV8Value> global = context->GetGlobal();
  global->SetValue("__harness_code", CefV8Value::CreateString(code),
                   V8_PROPERTY_ATTRIBUTE_DONTENUM);
  // An indirect eval runs in the global scope and gives the completion
  // value, which comes back in its string form.
  CefRefPtr<CefV8Value> value;
  CefRefPtr<CefV8Exception> exception;
  bool ok =
      context->Eval("String((0, eval)(__harness_code))", value, exception);
  global->DeleteValue("__harness_code");
  Flush();
  if (!ok)
    return "throws: " + (exception ? exception->GetMessage().ToString() : "");
  return value ? value->GetStringValue().ToString() : "";
}

CefRefPtr<CefBrowser> RenderHarness::GetBrowser(int browser_id) {
  return process_ ? process_->GetBrowser(browser_id) : nullptr;
}

CefRefPtr<CefV8Context> RenderHarness::GetContext(int browser_id,
                                                  int64 frame_id) {
  CefRefPtr<CefBrowser> browser = GetBrowser(browser_id);
  if (!browser)
    return nullptr;
  CefRefPtr<CefFrame> frame =
      frame_id < 0 ? browser->GetMainFrame() : browser->GetFrame(frame_id);
  return frame ? frame->GetV8Context() : nullptr;
}

void RenderHarness::SendProcessMessage(int browser_id,
                                       CefRefPtr<CefProcessMessage> message) {
  CefRefPtr<CefListValue> args = BrowserArgs(browser_id);
  args->SetString(1, message->GetName());
  args->SetList(2, message->GetArgumentList());
  Send(Op::kProcessMessage, args);
}

void RenderHarness::SendOp(Op op, CefRefPtr<CefListValue> args) {
  Send(op, args);
}

bool RenderHarness::Shutdown(int timeout_ms) {
  Send(Op::kShutdown, CefListValue::Create());
  return RunUntil([this]() { return process_->finished(); }, timeout_ms);
}

bool RenderHarness::LoseBrowserProcess(int timeout_ms) {
  browser_end_->SetDelegate(nullptr);
  browser_end_->Close();
  return RunUntil([this]() { return process_->finished(); }, timeout_ms);
}

void RenderHarness::Flush() {
  MessageLoop* loop = MessageLoop::Current();
  for (int i = 0; i < kMaxFlushRounds && loop->RunUntilIdle() > 0; ++i) {
  }
}

bool RenderHarness::RunUntil(const std::function<bool()>& done,
                             int timeout_ms) {
  return MessageLoop::Current()->RunUntil(done, timeout_ms);
}

std::vector<RenderHarness::RecordedOp> RenderHarness::OpsOf(Op op) const {
  std::vector<RecordedOp> found;
  for (const RecordedOp& recorded : ops_) {
    if (recorded.op == op)
      found.push_back(recorded);
  }
  return found;
}

std::vector<RenderHarness::SentMessage> RenderHarness::SentMessagesNamed(
    const std::string& name) const {
  std::vector<SentMessage> found;
  for (const SentMessage& sent : messages_) {
    if (sent.message->GetName().ToString() == name)
      found.push_back(sent);
  }
  return found;
}

void RenderHarness::ClearRecords() {
  ops_.clear();
  messages_.clear();
  console_.clear();
}

void RenderHarness::OnChannelMessage(Op op, CefRefPtr<CefListValue> args) {
  ops_.push_back({op, args});
  switch (op) {
    case Op::kDocumentLoaded:
      if (running_documents_ > 0)
        --running_documents_;
      break;
    case Op::kSubframeCreated:
      OnSubframeCreated(args);
      break;
    case Op::kConsoleMessage:
      console_.push_back({args->GetInt(0), args->GetString(1).ToString(),
                          args->GetString(2).ToString(), args->GetInt(3)});
      break;
    case Op::kProcessMessage: {
      CefRefPtr<CefProcessMessage> message =
          CefProcessMessage::Create(args->GetString(1));
      CefRefPtr<CefListValue> source = args->GetList(2);
      CefRefPtr<CefListValue> target = message->GetArgumentList();
      for (size_t i = 0; source && i < source->GetSize(); ++i)
        target->SetValue(i, source->GetValue(i));
      messages_.push_back({args->GetInt(0), message});
      break;
    }
    default:
      break;
  }
}

void RenderHarness::OnChannelClosed() {}

void RenderHarness::Send(Op op, CefRefPtr<CefListValue> args) {
  browser_end_->Send(op, args);
  Flush();
}

void RenderHarness::CommitAndRun(int browser_id,
                                 int64 frame_id,
                                 const std::string& url,
                                 const std::string& html) {
  CefRefPtr<CefListValue> commit = BrowserArgs(browser_id);
  commit->SetDouble(1, static_cast<double>(frame_id));
  commit->SetString(2, url);
  commit->SetString(3, html);
  browser_end_->Send(Op::kCommitNavigation, commit);
  CefRefPtr<CefListValue> run = BrowserArgs(browser_id);
  run->SetDouble(1, static_cast<double>(frame_id));
  ++running_documents_;
  browser_end_->Send(Op::kRunDocument, run);
}

void RenderHarness::OnSubframeCreated(CefRefPtr<CefListValue> args) {
  std::string url = args->GetString(3).ToString();
  auto source = frame_sources_.find(url);
  CommitAndRun(args->GetInt(0), static_cast<int64>(args->GetDouble(2)), url,
               source == frame_sources_.end() ? std::string() : source->second);
}

}  // namespace cef_internal
