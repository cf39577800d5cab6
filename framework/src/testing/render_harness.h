// Drives one RenderProcess for a given CefApp over an in-memory channel,
// playing the browser side op by op, for tests of render-side behaviour:
// pages loaded, script run and evaluated, process messages both ways, and a
// record of everything the render side sent. Everything runs on the calling
// thread's MessageLoop.
#ifndef FRAMEWORK_SRC_TESTING_RENDER_HARNESS_H_
#define FRAMEWORK_SRC_TESTING_RENDER_HARNESS_H_

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "include/cef_app.h"
#include "src/channel/channel.h"
#include "src/renderer/render_process.h"

namespace cef_internal {

class RenderHarness : public Channel::Delegate {
 public:
  struct SentMessage {
    int browser_id;
    CefRefPtr<CefProcessMessage> message;
  };
  struct ConsoleLine {
    int browser_id;
    std::string message;
    std::string source;
    int line;
  };
  struct RecordedOp {
    Op op;
    CefRefPtr<CefListValue> args;
  };

  // Starts the render side at once (OnRenderThreadCreated and
  // OnWebKitInitialized run inside the constructor).
  explicit RenderHarness(CefRefPtr<CefApp> app,
                         CefRefPtr<CefListValue> extra_info = nullptr);
  ~RenderHarness() override;
  RenderHarness(const RenderHarness&) = delete;
  RenderHarness& operator=(const RenderHarness&) = delete;

  RenderProcess* process() { return process_.get(); }

  // kBrowserCreated / kBrowserDestroyed, delivered before returning.
  void CreateBrowser(int browser_id, bool is_popup = false);
  void DestroyBrowser(int browser_id);

  // Commits |html| as the main frame's document at |url| and runs it; waits
  // until it and every sub-frame it made (which get the documents given to
  // SetFrameSource, or an empty one) answered kDocumentLoaded. False on
  // timeout.
  bool LoadPage(int browser_id,
                const std::string& url,
                const std::string& html,
                int timeout_ms = 5000);
  // The same for any frame the render side knows.
  bool LoadFrame(int browser_id,
                 int64 frame_id,
                 const std::string& url,
                 const std::string& html,
                 int timeout_ms = 5000);
  void SetFrameSource(const std::string& url, const std::string& html);

  // kExecuteJavaScript for the main frame (|frame_id| < 0) or another.
  void ExecuteJavaScript(int browser_id,
                         const std::string& code,
                         int64 frame_id = -1);
  // Evaluates |code| in the frame's current context, as a native caller
  // would: String(result), or "throws: <message>", or "no context".
  std::string Evaluate(int browser_id,
                       const std::string& code,
                       int64 frame_id = -1);
  CefRefPtr<CefBrowser> GetBrowser(int browser_id);
  CefRefPtr<CefV8Context> GetContext(int browser_id, int64 frame_id = -1);

  // A process message from the browser process to |browser_id|.
  void SendProcessMessage(int browser_id, CefRefPtr<CefProcessMessage> message);
  // Any op, as is (also malformed ones).
  void SendOp(Op op, CefRefPtr<CefListValue> args);
  // kShutdown, then waits for the render side to finish.
  bool Shutdown(int timeout_ms = 5000);
  // The browser process goes away: the render side's channel closes.
  bool LoseBrowserProcess(int timeout_ms = 5000);

  // Runs everything that is ready now (deliveries both ways included).
  void Flush();
  bool RunUntil(const std::function<bool()>& done, int timeout_ms = 5000);

  // What the render side sent.
  const std::vector<RecordedOp>& ops() const { return ops_; }
  std::vector<RecordedOp> OpsOf(Op op) const;
  const std::vector<SentMessage>& sent_messages() const { return messages_; }
  std::vector<SentMessage> SentMessagesNamed(const std::string& name) const;
  const std::vector<ConsoleLine>& console() const { return console_; }
  void ClearRecords();

  // Channel::Delegate (the browser end):
  void OnChannelMessage(Op op, CefRefPtr<CefListValue> args) override;
  void OnChannelClosed() override;

 private:
  void Send(Op op, CefRefPtr<CefListValue> args);
  void CommitAndRun(int browser_id,
                    int64 frame_id,
                    const std::string& url,
                    const std::string& html);
  void OnSubframeCreated(CefRefPtr<CefListValue> args);

  std::unique_ptr<Channel> browser_end_;
  std::unique_ptr<Channel> render_end_;
  std::unique_ptr<RenderProcess> process_;
  std::map<std::string, std::string> frame_sources_;
  int running_documents_ = 0;
  std::vector<RecordedOp> ops_;
  std::vector<SentMessage> messages_;
  std::vector<ConsoleLine> console_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_TESTING_RENDER_HARNESS_H_
