// The browser process's entry points: start and end the framework, and run
// its UI message loop.
#include "include/cef_app.h"
#include "src/browser/browser_context.h"
#include "src/browser/child_process_reaper.h"
#include "src/core/log_destination.h"
#include "src/core/message_loop.h"
#include "src/process/process_type.h"
#include "src/process/scheme_registrar_impl.h"

using cef_internal::BrowserContext;
using cef_internal::MessageLoop;

namespace {

// How long CefShutdown waits for render processes that no browser used any
// more and that are still ending.
constexpr DWORD kRetiredProcessWaitMs = 5000;

}  // namespace

bool CefInitialize(const CefMainArgs& args,
                   const CefSettings& settings,
                   CefRefPtr<CefApp> application,
                   void* windows_sandbox_info) {
  // A sub-process never becomes a browser process: it would launch render
  // processes of its own from its own executable, again and again.
  if (BrowserContext::Get() || !cef_internal::CurrentProcessType().empty())
    return false;
  if (application) {
    application->OnBeforeCommandLineProcessing(
        CefString(), CefCommandLine::GetGlobalCommandLine());
    CefRefPtr<cef_internal::SchemeRegistrarImpl> registrar =
        new cef_internal::SchemeRegistrarImpl();
    application->OnRegisterCustomSchemes(registrar.get());
  }
  if (!BrowserContext::Initialize(settings, application))
    return false;
  cef_internal::LogDestination::Configure(
      CefString(&settings.log_file).ToWString(), settings.log_severity);
  CefRefPtr<CefBrowserProcessHandler> handler =
      application ? application->GetBrowserProcessHandler() : nullptr;
  if (handler) {
    // Browsers may be created from here on; the handler hears so once the
    // loop runs, as with the real framework's asynchronous start.
    BrowserContext::PostUiTask(
        [handler]() { handler->OnContextInitialized(); });
  }
  return true;
}

void CefShutdown() {
  BrowserContext::Shutdown();
  cef_internal::ChildProcessReaper::EndAll(kRetiredProcessWaitMs);
  cef_internal::LogDestination::Reset();
}

void CefDoMessageLoopWork() {
  MessageLoop* loop = MessageLoop::Main();
  if (loop && loop->BelongsToCurrentThread())
    loop->RunOneRound();
}

void CefRunMessageLoop() {
  MessageLoop* loop = MessageLoop::Main();
  if (loop && loop->BelongsToCurrentThread())
    loop->Run();
}

void CefQuitMessageLoop() {
  MessageLoop* loop = MessageLoop::Main();
  if (loop)
    loop->Quit();
}

void CefSetOSModalLoop(bool osModalLoop) {}
