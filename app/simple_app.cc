#include "app/simple_app.h"

#include <climits>
#include <cstdint>

#include "browser/embed_browser_handler.h"
#include "include/base/cef_logging.h"
#include "include/cef_task.h"
#include "include/wrapper/cef_helpers.h"

CRITICAL_SECTION g_cache_lock;
bool g_cache_sync_requested = false;

namespace {

// A borderless pop-up that is hidden when created: the framework's pop-up
// preset without WS_VISIBLE and the overlapped-window bits.
constexpr DWORD kPageWindowStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr int kAvatarSize = 40;

void SetAsHiddenPopup(CefWindowInfo* info, HWND parent, const wchar_t* name) {
  info->SetAsPopup(parent, name);
  info->style = kPageWindowStyle;
}

// The framework's switch naming a child process's kind, and a render
// process's.
constexpr char kProcessTypeSwitch[] = "type";
constexpr char kRendererType[] = "renderer";

// ERROR_SUCCESS when |program| is a Windows program that can be started: a
// PE image that is an executable, not a library. Otherwise the Win32 error
// that starting it gives (missing, unreadable, not a program).
DWORD ProgramStartError(const std::wstring& program) {
  HANDLE file =
      CreateFileW(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return GetLastError();
  IMAGE_DOS_HEADER dos = {};
  IMAGE_FILE_HEADER header = {};
  DWORD signature = 0, read = 0;
  const bool is_program =
      ReadFile(file, &dos, sizeof(dos), &read, nullptr) &&
      read == sizeof(dos) && dos.e_magic == IMAGE_DOS_SIGNATURE &&
      dos.e_lfanew > 0 &&
      SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN) !=
          INVALID_SET_FILE_POINTER &&
      ReadFile(file, &signature, sizeof(signature), &read, nullptr) &&
      read == sizeof(signature) && signature == IMAGE_NT_SIGNATURE &&
      ReadFile(file, &header, sizeof(header), &read, nullptr) &&
      read == sizeof(header) &&
      (header.Characteristics & IMAGE_FILE_EXECUTABLE_IMAGE) &&
      !(header.Characteristics & IMAGE_FILE_DLL);
  CloseHandle(file);
  return is_program ? ERROR_SUCCESS : ERROR_BAD_EXE_FORMAT;
}

class ReportNotStartedTask : public CefTask {
 public:
  void Execute() override {
    EmbedBrowserHandler::ReportRenderProgramNotStarted();
  }

 private:
  IMPLEMENT_REFCOUNTING(ReportNotStartedTask);
};

}  // namespace

SimpleApp::SimpleApp()
    : parent_window_(nullptr), window_bounds_{0, 0, 0, 0}, filtered_count_(0) {
  // Once per process: a second application object (a test, a host that
  // starts over) must not re-initialise a lock that may be in use.
  static const bool cache_lock_ready =
      (InitializeCriticalSection(&g_cache_lock), true);
  (void)cache_lock_ready;
}

SimpleApp::~SimpleApp() = default;

// static
bool SimpleApp::HasWindowSize(const RECT& bounds) {
  // In 64 bits: right - left of two ints can overflow an int.
  const int64_t width = int64_t{bounds.right} - bounds.left;
  const int64_t height = int64_t{bounds.bottom} - bounds.top;
  return width >= 0 && height >= 0 && width <= INT_MAX && height <= INT_MAX;
}

bool SimpleApp::SetWindowBounds(const RECT& bounds) {
  if (!HasWindowSize(bounds)) {
    LOG(ERROR) << "SetWindowBounds: (" << bounds.left << ", " << bounds.top
               << ", " << bounds.right << ", " << bounds.bottom
               << ") has no window size (right >= left and bottom >= top, "
                  "at most 2147483647 apart): refused";
    return false;
  }
  window_bounds_ = bounds;
  return true;
}

void SimpleApp::OnBeforeCommandLineProcessing(
    const CefString& /*process_type*/,
    CefRefPtr<CefCommandLine> /*command_line*/) {}

void SimpleApp::OnRegisterCustomSchemes(
    CefRefPtr<CefSchemeRegistrar> /*registrar*/) {}

CefRefPtr<CefResourceBundleHandler> SimpleApp::GetResourceBundleHandler() {
  return nullptr;
}

CefRefPtr<CefBrowserProcessHandler> SimpleApp::GetBrowserProcessHandler() {
  return this;
}

CefRefPtr<CefRenderProcessHandler> SimpleApp::GetRenderProcessHandler() {
  return this;
}

void SimpleApp::OnContextInitialized() {
  CEF_REQUIRE_UI_THREAD();
  CefWindowInfo window_info;
  SetAsHiddenPopup(&window_info, parent_window_, L"kxweb");
  window_info.ex_style |= WS_EX_TOOLWINDOW;
  window_info.width = window_bounds_.right - window_bounds_.left;
  window_info.height = window_bounds_.bottom - window_bounds_.top;

  CefRefPtr<EmbedBrowserHandler> handler(new EmbedBrowserHandler());
  handler->SetAllowedOrigins(allowed_origins_);
  CefBrowserSettings settings;
  handler->CreatePageBrowser(window_info, settings);

  // The description is reused: the extended style carries over.
  SetAsHiddenPopup(&window_info, parent_window_, L"avatar");
  window_info.width = kAvatarSize;
  window_info.height = kAvatarSize;
  handler->CreatePageBrowser(window_info, settings);
}

void SimpleApp::OnBeforeChildProcessLaunch(
    CefRefPtr<CefCommandLine> command_line) {
  // The framework launches a render process from its UI thread and a GPU or
  // plug-in process from its IO thread. Only a render process runs the
  // system's render half, so only its program is checked.
  if (command_line->GetSwitchValue(kProcessTypeSwitch).ToString() !=
      kRendererType) {
    CEF_REQUIRE_IO_THREAD();
    return;
  }
  CEF_REQUIRE_UI_THREAD();
  const CefString program = command_line->GetProgram();
  // Empty: the framework starts this very executable.
  if (program.empty())
    return;
  const DWORD error = ProgramStartError(program.ToWString());
  if (error == ERROR_SUCCESS)
    return;
  // The framework would fail to start it without a word, and the browser's
  // pages would never load.
  LOG(ERROR) << "The render process program cannot start: \""
             << program.ToString() << "\": Win32 error " << error << ", "
             << cef::logging::SystemErrorCodeToString(error);
  // Posted: the launch happens while a browser is being created, and the
  // observers should find it created.
  CefPostTask(TID_UI, new ReportNotStartedTask());
}

void SimpleApp::OnRenderProcessThreadCreated(
    CefRefPtr<CefListValue> extra_info) {
  CEF_REQUIRE_IO_THREAD();
  allowed_origins_.AppendTo(extra_info);
}

CefRefPtr<CefPrintHandler> SimpleApp::GetPrintHandler() {
  return nullptr;
}

void SimpleApp::OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) {
  CEF_REQUIRE_RENDERER_THREAD();
  allowed_origins_ = OriginAllowList::ReadFrom(extra_info, 0);
}

void SimpleApp::OnBrowserCreated(CefRefPtr<CefBrowser> /*browser*/) {
  CEF_REQUIRE_RENDERER_THREAD();
}

void SimpleApp::OnBrowserDestroyed(CefRefPtr<CefBrowser> /*browser*/) {
  CEF_REQUIRE_RENDERER_THREAD();
}

CefRefPtr<CefLoadHandler> SimpleApp::GetLoadHandler() {
  return nullptr;
}

bool SimpleApp::OnBeforeNavigation(CefRefPtr<CefBrowser> /*browser*/,
                                   CefRefPtr<CefFrame> /*frame*/,
                                   CefRefPtr<CefRequest> /*request*/,
                                   NavigationType /*navigation_type*/,
                                   bool /*is_redirect*/) {
  CEF_REQUIRE_RENDERER_THREAD();
  return false;
}

void SimpleApp::OnUncaughtException(CefRefPtr<CefBrowser> /*browser*/,
                                    CefRefPtr<CefFrame> /*frame*/,
                                    CefRefPtr<CefV8Context> /*context*/,
                                    CefRefPtr<CefV8Exception> /*exception*/,
                                    CefRefPtr<CefV8StackTrace> /*stackTrace*/) {
  CEF_REQUIRE_RENDERER_THREAD();
}

void SimpleApp::OnFocusedNodeChanged(CefRefPtr<CefBrowser> /*browser*/,
                                     CefRefPtr<CefFrame> /*frame*/,
                                     CefRefPtr<CefDOMNode> /*node*/) {
  CEF_REQUIRE_RENDERER_THREAD();
}
