#include "src/renderer/document_runner.h"

#include <vector>

#include "src/core/document_text.h"
#include "src/core/url_util.h"
#include "src/renderer/url_resolver.h"
#include "src/script/page_globals.h"
#include "src/script/window_events.h"

namespace cef_internal {

namespace {

// Beyond this a script file is taken as missing rather than read into memory.
constexpr size_t kMaxScriptFileBytes = 16 * 1024 * 1024;

// URL attributes lose their surrounding white space, as in browsers.
std::wstring TrimSpaces(const std::wstring& text) {
  const wchar_t kSpaces[] = L" \t\n\r\f";
  size_t start = text.find_first_not_of(kSpaces);
  if (start == std::wstring::npos)
    return std::wstring();
  return text.substr(start, text.find_last_not_of(kSpaces) - start + 1);
}

}  // namespace

void DocumentRunner::Run(RenderBrowser* browser, RenderFrame* frame) {
  CefRefPtr<V8ContextImpl> context = frame->context();
  if (!context)
    return;
  std::vector<HtmlElement> elements =
      HtmlScanner::Scan(frame->source().ToWString());
  for (const HtmlElement& element : elements) {
    if (element.kind == HtmlElement::Kind::kScript)
      RunScript(browser, frame, element);
    if (!StillCurrent(frame, context.get()))
      return;
  }
  PageGlobals::SetReadyState(context->heap(), "interactive");
  for (const HtmlElement& element : elements) {
    if (element.kind == HtmlElement::Kind::kIframe)
      CreateSubframe(browser, frame, element);
  }
  if (!StillCurrent(frame, context.get()))
    return;
  PageGlobals::SetReadyState(context->heap(), "complete");
  WindowEvents::DispatchTrusted(context.get(), "load");
}

bool DocumentRunner::StillCurrent(RenderFrame* frame, V8ContextImpl* context) {
  return frame->IsValid() && frame->context().get() == context &&
         context->IsValid();
}

void DocumentRunner::RunScript(RenderBrowser* browser,
                               RenderFrame* frame,
                               const HtmlElement& script) {
  if (!HtmlScanner::IsClassicScript(script))
    return;
  if (script.Has(L"src")) {
    RunScriptFile(browser, frame, script);
    return;
  }
  frame->context()->RunScript(script.text, frame->GetURL(), script.line);
}

// A file: page's scripts from files load and run in document order, as the
// parser waits for each. Other sources are beyond the stand-in: it has no
// network stack in the render side.
void DocumentRunner::RunScriptFile(RenderBrowser* browser,
                                   RenderFrame* frame,
                                   const HtmlElement& script) {
  const std::wstring page_url = frame->GetURL().ToWString();
  const std::wstring url =
      UrlResolver::Resolve(page_url, TrimSpaces(script.Get(L"src")));
  if (UrlUtil::Scheme(page_url) != L"file" || UrlUtil::Scheme(url) != L"file") {
    Report(browser, LOGSEVERITY_WARNING,
           L"Scripts with a src are loaded on file: pages only: " + url,
           page_url, script.line);
    return;
  }
  std::wstring path, text;
  std::string bytes;
  DWORD error = 0;
  if (!UrlUtil::FileUrlToPath(url, &path) ||
      !DocumentText::ReadFileBytes(path, kMaxScriptFileBytes, &bytes, &error)) {
    // The real framework's words for a script that is not there.
    Report(browser, LOGSEVERITY_ERROR,
           L"Failed to load resource: net::ERR_FILE_NOT_FOUND", url, 0);
    return;
  }
  frame->context()->RunScript(DocumentText::Decode(bytes), url, 1);
}

void DocumentRunner::Report(RenderBrowser* browser,
                            cef_log_severity_t severity,
                            const std::wstring& message,
                            const std::wstring& source,
                            int line) {
  CefRefPtr<CefListValue> args = CefListValue::Create();
  args->SetInt(0, browser->GetIdentifier());
  args->SetString(1, message);
  args->SetString(2, source);
  args->SetInt(3, line);
  args->SetInt(4, severity);
  browser->SendToBrowser(Op::kConsoleMessage, args);
}

void DocumentRunner::CreateSubframe(RenderBrowser* browser,
                                    RenderFrame* frame,
                                    const HtmlElement& iframe) {
  if (!frame->IsValid())
    return;
  int64 id = browser->NextSubframeId();
  if (id < 0)
    return;
  std::wstring src = TrimSpaces(iframe.Get(L"src"));
  std::wstring url =
      src.empty() ? std::wstring(L"about:blank")
                  : UrlResolver::Resolve(frame->GetURL().ToWString(), src);
  CefString name = iframe.Get(L"name");
  browser->AddFrame(
      new RenderFrame(browser, id, frame->GetIdentifier(), name, url));
  CefRefPtr<CefListValue> args = CefListValue::Create();
  args->SetInt(0, browser->GetIdentifier());
  args->SetDouble(1, static_cast<double>(frame->GetIdentifier()));
  args->SetDouble(2, static_cast<double>(id));
  args->SetString(3, url);
  args->SetString(4, name);
  browser->SendToBrowser(Op::kSubframeCreated, args);
}

}  // namespace cef_internal
