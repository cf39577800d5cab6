#include "src/browser/frame_impl.h"

#include "include/cef_browser.h"
#include "src/browser/browser_context.h"
#include "src/browser/browser_impl.h"

namespace cef_internal {

namespace {

// The text of a document: its markup without tags, scripts and styles.
std::wstring TextOfMarkup(const std::wstring& source) {
  std::wstring text;
  size_t i = 0;
  while (i < source.size()) {
    if (source[i] != L'<') {
      text.push_back(source[i++]);
      continue;
    }
    size_t close = source.find(L'>', i);
    if (close == std::wstring::npos)
      break;
    std::wstring tag = source.substr(i + 1, close - i - 1);
    for (wchar_t& c : tag)
      c = static_cast<wchar_t>(towlower(c));
    i = close + 1;
    for (const wchar_t* element : {L"script", L"style"}) {
      if (tag.compare(0, wcslen(element), element) == 0) {
        std::wstring end = std::wstring(L"</") + element;
        size_t found = i;
        // Case-insensitive search for the closing tag.
        for (; found < source.size(); ++found) {
          if (_wcsnicmp(source.c_str() + found, end.c_str(), end.size()) == 0)
            break;
        }
        size_t after = source.find(L'>', found);
        i = after == std::wstring::npos ? source.size() : after + 1;
      }
    }
  }
  return text;
}

}  // namespace

FrameImpl::FrameImpl(BrowserImpl* browser,
                     int64 id,
                     int64 parent_id,
                     const CefString& name)
    : id_(id), parent_id_(parent_id), name_(name), browser_(browser) {}

void FrameImpl::Detach() {
  std::lock_guard<std::mutex> hold(lock_);
  browser_ = nullptr;
}

void FrameImpl::SetCommitted(const std::wstring& url,
                             const std::wstring& source) {
  std::lock_guard<std::mutex> hold(lock_);
  url_ = url;
  source_ = source;
}

std::wstring FrameImpl::source() {
  std::lock_guard<std::mutex> hold(lock_);
  return source_;
}

size_t FrameImpl::source_size() {
  std::lock_guard<std::mutex> hold(lock_);
  return source_.size();
}

CefRefPtr<BrowserImpl> FrameImpl::browser() {
  std::lock_guard<std::mutex> hold(lock_);
  return browser_;
}

bool FrameImpl::IsValid() {
  return browser() != nullptr;
}

void FrameImpl::VisitLater(CefRefPtr<CefStringVisitor> visitor,
                           const std::wstring& text) {
  if (!visitor)
    return;
  BrowserContext::PostUiTask([visitor, text]() { visitor->Visit(text); });
}

void FrameImpl::GetSource(CefRefPtr<CefStringVisitor> visitor) {
  VisitLater(visitor, source());
}

void FrameImpl::GetText(CefRefPtr<CefStringVisitor> visitor) {
  VisitLater(visitor, TextOfMarkup(source()));
}

void FrameImpl::LoadRequest(CefRefPtr<CefRequest> request) {
  if (request)
    LoadURL(request->GetURL());
}

void FrameImpl::LoadURL(const CefString& url) {
  CefRefPtr<FrameImpl> self(this);
  std::wstring target = url;
  BrowserContext::PostUiTask([self, target]() {
    CefRefPtr<BrowserImpl> owner = self->browser();
    if (owner && !owner->IsClosed())
      owner->navigator()->Navigate(self, target);
  });
}

void FrameImpl::LoadString(const CefString& string_val, const CefString& url) {
  CefRefPtr<FrameImpl> self(this);
  std::wstring source = string_val;
  std::wstring target = url;
  BrowserContext::PostUiTask([self, source, target]() {
    CefRefPtr<BrowserImpl> owner = self->browser();
    if (owner && !owner->IsClosed())
      owner->navigator()->LoadSource(self, source, target);
  });
}

void FrameImpl::ExecuteJavaScript(const CefString& code,
                                  const CefString& script_url,
                                  int start_line) {
  CefRefPtr<CefListValue> args = CefListValue::Create();
  args->SetDouble(1, static_cast<double>(id_));
  args->SetString(2, code);
  args->SetString(3, script_url);
  args->SetInt(4, start_line);
  CefRefPtr<FrameImpl> self(this);
  auto send = [self, args]() {
    CefRefPtr<BrowserImpl> owner = self->browser();
    if (!owner || owner->IsClosed())
      return;
    args->SetInt(0, owner->GetIdentifier());
    owner->SendToRenderer(Op::kExecuteJavaScript, args);
  };
  // On the UI thread the script goes out at once, so that a handler's script
  // keeps its place among the commands of a load (see Navigator::Commit).
  if (BrowserContext::CurrentlyOnUiThread())
    send();
  else
    BrowserContext::PostUiTask(send);
}

bool FrameImpl::IsMain() {
  return parent_id_ < 0;
}

bool FrameImpl::IsFocused() {
  return IsMain();
}

CefString FrameImpl::GetName() {
  return name_;
}

int64 FrameImpl::GetIdentifier() {
  return id_;
}

CefRefPtr<CefFrame> FrameImpl::GetParent() {
  CefRefPtr<BrowserImpl> owner = browser();
  if (!owner || parent_id_ < 0)
    return nullptr;
  return owner->GetFrame(parent_id_);
}

CefString FrameImpl::GetURL() {
  std::lock_guard<std::mutex> hold(lock_);
  return url_;
}

CefRefPtr<CefBrowser> FrameImpl::GetBrowser() {
  return browser().get();
}

CefRefPtr<CefV8Context> FrameImpl::GetV8Context() {
  return nullptr;  // Script contexts live in the render process.
}

}  // namespace cef_internal
