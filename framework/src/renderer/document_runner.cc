#include "src/renderer/document_runner.h"

#include <vector>

#include "src/renderer/url_resolver.h"
#include "src/script/page_globals.h"
#include "src/script/window_events.h"

namespace cef_internal {

namespace {

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
    CefRefPtr<CefListValue> args = CefListValue::Create();
    args->SetInt(0, browser->GetIdentifier());
    args->SetString(
        1, L"Scripts with a src are not loaded: " + script.Get(L"src"));
    args->SetString(2, frame->GetURL());
    args->SetInt(3, script.line);
    args->SetInt(4, LOGSEVERITY_WARNING);
    browser->SendToBrowser(Op::kConsoleMessage, args);
    return;
  }
  frame->context()->RunScript(script.text, frame->GetURL(), script.line);
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
