#include "renderer/client_v8_extension_handler.h"

#include <cmath>
#include <cwchar>

#include "common/option_block.h"
#include "common/process_messages.h"
#include "include/cef_parser.h"
#include "include/wrapper/cef_helpers.h"

namespace {

// In place: comparing with the literal as such would first make a framework
// string of it, an allocation per name tried on every call.
bool IsName(const CefString& name, const wchar_t* literal) {
  const size_t length = std::wcslen(literal);
  return name.length() == length &&
         std::wmemcmp(name.c_str(), literal, length) == 0;
}

bool IsWholeNumber(double number) {
  return std::isfinite(number) && std::trunc(number) == number;
}

}  // namespace

ClientV8ExtensionHandler::ClientV8ExtensionHandler(CefRefPtr<SimpleApp> app)
    : app_(app) {}

bool ClientV8ExtensionHandler::Execute(const CefString& name,
                                       CefRefPtr<CefV8Value> /*object*/,
                                       const CefV8ValueList& arguments,
                                       CefRefPtr<CefV8Value>& retval,
                                       CefString& /*exception*/) {
  CEF_REQUIRE_RENDERER_THREAD();
  // A page controls the sizes involved (a huge text, a long voice list):
  // running out of memory answers false instead of throwing into the page.
  try {
    return Dispatch(name, arguments, retval);
  } catch (...) {
    retval = nullptr;
  }
  try {
    retval = CefV8Value::CreateBool(false);
    return true;
  } catch (...) {
    retval = nullptr;
    return false;
  }
}

bool ClientV8ExtensionHandler::Dispatch(const CefString& name,
                                        const CefV8ValueList& arguments,
                                        CefRefPtr<CefV8Value>& retval) {
  if (!app_)
    return false;
  // A frame of an origin not on the host's list has no KXHelper; a function
  // it kept hold of some other way answers nothing.
  if (app_->allowed_origins().restricted()) {
    CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
    if (!context || !app_->FrameAllowed(context->GetFrame()))
      return false;
  }
  if (IsName(name, L"GetUserOptions") && arguments.empty()) {
    retval = GetUserOptions();
    return true;
  }
  if (IsName(name, L"SetUserOptions") && arguments.size() == 1)
    return SetUserOptions(arguments[0], retval);
  if (IsName(name, L"GetFilteredVoices") && arguments.size() == 1)
    return GetFilteredVoices(arguments[0], retval);
  if (IsName(name, L"GetVoicesSince") && arguments.size() == 2)
    return GetVoicesSince(arguments[0], arguments[1], retval);
  if (IsName(name, L"GetFilteredNum")) {
    retval = CefV8Value::CreateInt(app_->GetFilteredCount());
    return true;
  }
  if (IsName(name, L"IsSynced")) {
    retval = CefV8Value::CreateBool(app_->IsCacheSynced());
    return true;
  }
  return false;
}

CefRefPtr<CefV8Value> ClientV8ExtensionHandler::GetUserOptions() {
  return CefV8Value::CreateString(app_->GetUserOptionsJson());
}

bool ClientV8ExtensionHandler::SetUserOptions(CefRefPtr<CefV8Value> text,
                                              CefRefPtr<CefV8Value>& retval) {
  if (!text->IsString())
    return false;
  const CefString json = text->GetStringValue();
  // The browser process reads no longer text; twenty filters never need it.
  // An empty text carries no list, and the framework's parser must never be
  // handed one.
  if (json.empty() || json.length() > kMaxOptionJsonLength) {
    retval = CefV8Value::CreateBool(false);
    return true;
  }
  cef_json_parser_error_t error_code = JSON_NO_ERROR;
  CefString error_message;
  CefRefPtr<CefValue> parsed = CefParseJSONAndReturnError(
      json, JSON_PARSER_ALLOW_TRAILING_COMMAS, error_code, error_message);
  // Only an array can carry options; anything else is refused like a text
  // that does not parse.
  if (!parsed || !parsed->IsValid() || parsed->GetType() != VTYPE_LIST) {
    retval = CefV8Value::CreateBool(false);
    return true;
  }
  CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
  if (context) {
    app_->SendFromFrame(context->GetBrowser(), context->GetFrame(),
                        CreateSetOptionMessage(parsed->GetList()));
  }
  retval = CefV8Value::CreateBool(true);
  return true;
}

bool ClientV8ExtensionHandler::GetFilteredVoices(
    CefRefPtr<CefV8Value> kind,
    CefRefPtr<CefV8Value>& retval) {
  // Any whole number names a list, however large: only 1 and 2 hold
  // texts. The engine keeps numbers beyond 32 bits as doubles.
  int list = 0;
  if (kind->IsInt() || kind->IsUInt()) {
    list = kind->GetIntValue();
  } else if (!kind->IsDouble() || !IsWholeNumber(kind->GetDoubleValue())) {
    return false;
  }
  const CachedVoiceList* voices = app_->GetVoiceList(list);
  if (!voices) {
    retval = CefV8Value::CreateString(L"[]");
    return true;
  }
  const std::wstring& json = voices->json();
  // The framework copies the text into the new value: no copy of our own.
  retval = CefV8Value::CreateString(CefString(json.data(), json.size(),
                                              /*copy=*/false));
  return true;
}

bool ClientV8ExtensionHandler::GetVoicesSince(CefRefPtr<CefV8Value> kind,
                                              CefRefPtr<CefV8Value> sequence,
                                              CefRefPtr<CefV8Value>& retval) {
  if (!kind->IsInt())
    return false;
  const CachedVoiceList* voices = app_->GetVoiceList(kind->GetIntValue());
  double seen = 0;
  if (sequence->IsInt() || sequence->IsUInt())
    seen = sequence->GetUIntValue();
  else if (sequence->IsDouble())
    seen = sequence->GetDoubleValue();
  else
    return false;
  if (!voices || !IsWholeNumber(seen) || seen < 0)
    return false;
  // Beyond any count: the whole list.
  const unsigned long long appended = voices->appended();
  const std::vector<std::wstring> quoted = voices->QuotedSince(
      seen > static_cast<double>(appended) ? 0
                                           : static_cast<unsigned long long>(seen));
  // One string, not an array of values: each value the framework makes on
  // the way into script costs more than reading a few numbers there.
  std::wstring answer = std::to_wstring(appended) + L" " +
                        std::to_wstring(voices->size());
  size_t units = answer.size() + 1;
  for (const std::wstring& text : quoted)
    units += text.size() + 12;
  answer.reserve(units);
  for (const std::wstring& text : quoted)
    (answer += L' ') += std::to_wstring(text.size());
  answer += L':';
  for (size_t i = 0; i < quoted.size(); ++i) {
    if (i)
      answer += L',';
    answer += quoted[i];
  }
  retval = CefV8Value::CreateString(answer);
  return true;
}
