#include "common/process_messages.h"

const char kSetOptionMessage[] = "set_option";
const char kSetUserOptionsMessage[] = "SetUserOptions";
const char kGetOptionMessage[] = "get_option";
const char kSyncCacheMessage[] = "syncCache";
const char kSaveOptionMessage[] = "save_option";
const char kAddNormalVoiceMessage[] = "add_normal_voice";
const char kAddHornVoiceMessage[] = "add_horn_voice";
const char kCacheSyncedMessage[] = "cache_synced";
const char kRouterQueryMessage[] = "cefQueryMsg";

std::string MessageName(CefRefPtr<CefProcessMessage> message) {
  return message ? message->GetName().ToString() : std::string();
}

CefRefPtr<CefProcessMessage> CreateSetOptionMessage(
    CefRefPtr<CefListValue> parsed) {
  CefRefPtr<CefProcessMessage> message =
      CefProcessMessage::Create(kSetOptionMessage);
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  const size_t size = parsed ? parsed->GetSize() : 0;
  for (size_t i = 0; i < size; ++i) {
    if (parsed->GetType(i) == VTYPE_DICTIONARY)
      args->SetDictionary(i, parsed->GetDictionary(i));
  }
  return message;
}

CefRefPtr<CefProcessMessage> CreateStringMessage(const std::string& name,
                                                 const CefString& text) {
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
  message->GetArgumentList()->SetString(0, text);
  return message;
}

CefRefPtr<CefProcessMessage> CreateEmptyMessage(const std::string& name) {
  return CefProcessMessage::Create(name);
}

bool ReadStringArgument(CefRefPtr<CefProcessMessage> message, CefString* text) {
  if (!message)
    return false;
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  if (!args || args->GetSize() < 1 || args->GetType(0) != VTYPE_STRING)
    return false;
  *text = args->GetString(0);
  return true;
}
