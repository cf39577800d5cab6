// The browser process's entry points: start and end the framework, and run
// its UI message loop.
#include "include/cef_app.h"
#include "src/browser/browser_context.h"
#include "src/core/message_loop.h"
#include "src/process/scheme_registrar_impl.h"

using cef_internal::BrowserContext;
using cef_internal::MessageLoop;

bool CefInitialize(const CefMainArgs& args,
                   const CefSettings& settings,
                   CefRefPtr<CefApp> application,
                   void* windows_sandbox_info) {
  if (BrowserContext::Get())
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
}

void CefDoMessageLoopWork() {
  MessageLoop* loop = MessageLoop::Main();
  if (loop && loop->BelongsToCurrentThread())
    loop->RunUntilIdle();
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
