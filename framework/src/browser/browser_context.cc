#include "src/browser/browser_context.h"

#include <windows.h>

#include <atomic>
#include <utility>

#include "src/browser/browser_impl.h"
#include "src/browser/child_process_render_host.h"
#include "src/browser/framework_log.h"
#include "src/browser/in_process_render_process_host.h"
#include "src/core/message_loop.h"
#include "src/core/named_thread.h"

namespace cef_internal {

namespace {

// How long CefShutdown waits for a render side to take kShutdown.
constexpr int kShutdownTimeoutMs = 5000;

std::atomic<BrowserContext*> g_context{nullptr};
// Changes with every CefInitialize and CefShutdown, so that a task posted
// for one framework instance never runs in the next.
std::atomic<int> g_generation{0};
// Browser and render-side ids stay unique for the life of the process.
int g_last_browser_id = 0;
int g_last_host_id = 0;

// "browser 3 (window "kxweb", url file:///a.html)".
std::string DescribeBrowser(BrowserImpl* browser) {
  wchar_t title[128] = L"";
  HWND window = browser->GetWindowHandle();
  if (window)
    GetWindowTextW(window, title, 128);
  CefRefPtr<CefFrame> main_frame = browser->GetMainFrame();
  const std::string url = main_frame ? main_frame->GetURL().ToString() : "";
  return "browser " + std::to_string(browser->GetIdentifier()) + " (window \"" +
         CefString(title).ToString() + "\", url " +
         (url.empty() ? std::string("none") : url) + ")";
}

}  // namespace

BrowserContext* BrowserContext::Get() {
  return g_context.load();
}

bool BrowserContext::Initialize(const CefSettings& settings,
                                CefRefPtr<CefApp> app) {
  if (g_context.load())
    return false;
  MessageLoop::SetMain(MessageLoop::Current());
  SetMainThreadServes(/*ui=*/true, /*renderer=*/settings.single_process);
  ++g_generation;
  g_context.store(new BrowserContext(settings, app));
  return true;
}

void BrowserContext::Shutdown() {
  BrowserContext* context = g_context.load();
  if (!context)
    return;
  context->CloseAllBrowsers();
  // From here on nothing posted for this instance runs.
  g_context.store(nullptr);
  ++g_generation;
  context->ShutdownHosts();
  delete context;
  SetMainThreadServes(/*ui=*/true, /*renderer=*/true);
}

void BrowserContext::PostUiTask(std::function<void()> task) {
  MessageLoop* loop = MessageLoop::Main();
  if (!loop || !g_context.load())
    return;
  const int generation = g_generation.load();
  loop->PostTask([generation, task = std::move(task)]() {
    if (g_context.load() && g_generation.load() == generation)
      task();
  });
}

bool BrowserContext::CurrentlyOnUiThread() {
  MessageLoop* loop = MessageLoop::Main();
  return loop && loop->BelongsToCurrentThread();
}

BrowserContext::BrowserContext(const CefSettings& settings,
                               CefRefPtr<CefApp> app)
    : settings_(settings), app_(app), io_thread_(new IoThread()) {
  if (!settings_.single_process) {
    gpu_.reset(new GpuProcessHost(
        app_, CefString(&settings_.browser_subprocess_path).ToWString()));
  }
}

BrowserContext::~BrowserContext() {
  io_thread_.reset();
  gpu_.reset();
}

CefRefPtr<BrowserImpl> BrowserContext::CreateBrowser(
    const CefWindowInfo& window_info,
    CefRefPtr<CefClient> client,
    const CefString& url,
    const CefBrowserSettings& settings,
    CefRefPtr<CefRequestContext> request_context,
    BrowserImpl* opener) {
  if (!request_context)
    request_context = CefRequestContext::GetGlobalContext();
  const int id = ++g_last_browser_id;
  RenderProcessHost* host = RenderHostFor(opener);
  CefRefPtr<BrowserImpl> browser =
      new BrowserImpl(id, opener != nullptr, client, settings, request_context,
                      opener ? opener->GetWindowHandle() : nullptr, host);
  browsers_[id] = browser;
  if (!browser->Open(window_info, url)) {
    browsers_.erase(id);
    return nullptr;
  }
  return browser;
}

CefRefPtr<BrowserImpl> BrowserContext::GetBrowser(int browser_id) const {
  auto it = browsers_.find(browser_id);
  return it == browsers_.end() ? nullptr : it->second;
}

void BrowserContext::OnBrowserClosed(BrowserImpl* browser) {
  browsers_.erase(browser->GetIdentifier());
  ReleaseUnusedHosts();
}

RenderProcessHost* BrowserContext::RenderHostFor(BrowserImpl* opener) {
  if (opener && opener->render_host() && opener->render_host()->alive())
    return opener->render_host();
  if (!SharesOneRenderSide())
    return LaunchRenderHost();
  if (!shared_host_ || !shared_host_->alive())
    shared_host_ = LaunchRenderHost();
  return shared_host_;
}

bool BrowserContext::SharesOneRenderSide() const {
  // In one process a single render side serves every browser (extensions
  // register once per process); otherwise each browser gets a process.
  return settings_.single_process;
}

std::unique_ptr<RenderProcessHost> BrowserContext::CreateRenderProcessHost(
    int id) {
  if (settings_.single_process) {
    return std::unique_ptr<RenderProcessHost>(
        new InProcessRenderProcessHost(id, this, app_));
  }
  return std::unique_ptr<RenderProcessHost>(new ChildProcessRenderHost(
      id, this, app_,
      CefString(&settings_.browser_subprocess_path).ToWString()));
}

RenderProcessHost* BrowserContext::LaunchRenderHost() {
  std::unique_ptr<RenderProcessHost> host =
      CreateRenderProcessHost(++g_last_host_id);
  CefRefPtr<CefListValue> extra_info = CefListValue::Create();
  CefRefPtr<CefBrowserProcessHandler> handler =
      app_ ? app_->GetBrowserProcessHandler() : nullptr;
  // As in the real framework, on the IO thread; the launch waits for it.
  if (handler)
    RunOnIoThread([&] { handler->OnRenderProcessThreadCreated(extra_info); });
  const bool launched = host->Launch(extra_info);
  // The first page needs the GPU process too; its launch goes on beside the
  // render process's.
  if (gpu_) {
    GpuProcessHost* gpu = gpu_.get();
    PostIoTask([gpu] { gpu->LaunchOnce(); });
  }
  if (!launched) {
    // As the real framework logs it; the browser that needed it hears of
    // the render process as killed (BrowserImpl::ReportLaunchFailed).
    FrameworkLog::Write(settings_, LOGSEVERITY_ERROR,
                        "child_process_launcher.cc", __LINE__,
                        "Failed to launch child process");
    return nullptr;
  }
  hosts_.push_back(std::move(host));
  return hosts_.back().get();
}

void BrowserContext::ReleaseUnusedHosts() {
  PostUiTask([]() {
    BrowserContext* context = Get();
    if (!context)
      return;
    std::vector<std::unique_ptr<RenderProcessHost>> unused;
    for (auto it = context->hosts_.begin(); it != context->hosts_.end();) {
      bool used = it->get() == context->shared_host_;
      for (const auto& entry : context->browsers_)
        used = used || entry.second->render_host() == it->get();
      if (used) {
        ++it;
      } else {
        unused.push_back(std::move(*it));
        it = context->hosts_.erase(it);
      }
    }
    for (auto& host : unused)
      host->Shutdown(0);
  });
}

void BrowserContext::OnRenderMessage(RenderProcessHost* host,
                                     Op op,
                                     CefRefPtr<CefListValue> args) {
  CefRefPtr<BrowserImpl> browser = GetBrowser(args->GetInt(0));
  if (browser && browser->render_host() == host)
    browser->OnRenderMessage(op, args);
}

void BrowserContext::OnRenderProcessGone(RenderProcessHost* host,
                                         cef_termination_status_t status) {
  std::vector<CefRefPtr<BrowserImpl>> affected;
  for (const auto& entry : browsers_) {
    if (entry.second->render_host() == host)
      affected.push_back(entry.second);
  }
  for (auto& browser : affected)
    browser->OnRenderProcessGone(status);
  ReleaseUnusedHosts();
}

void BrowserContext::CloseAllBrowsers() {
  std::vector<CefRefPtr<BrowserImpl>> open;
  for (const auto& entry : browsers_) {
    open.push_back(entry.second);
    // The real framework requires every browser closed first; its wrapper
    // stops on one left alive. Here it is named, then closed.
    FrameworkLog::Write(settings_, LOGSEVERITY_ERROR, "context.cc", __LINE__,
                        "CefShutdown with a browser still open: " +
                            DescribeBrowser(entry.second.get()) +
                            "; close every browser and wait for its "
                            "OnBeforeClose first");
  }
  for (auto& browser : open)
    browser->ForceClose();
  browsers_.clear();
}

void BrowserContext::ShutdownHosts() {
  // Every render side is asked first, so they end side by side and the wait
  // is one timeout in all, not one per render process.
  for (auto& host : hosts_)
    host->BeginShutdown();
  const DWORD deadline = GetTickCount() + kShutdownTimeoutMs;
  for (auto& host : hosts_) {
    const int remaining = static_cast<int>(deadline - GetTickCount());
    host->Shutdown(remaining > 0 ? remaining : 1);
  }
  hosts_.clear();
  shared_host_ = nullptr;
}

}  // namespace cef_internal
