#include "common/process_messages.h"

#include <algorithm>

#include "common/option_block.h"

const char kSetOptionMessage[] = "set_option";
const char kSetUserOptionsMessage[] = "SetUserOptions";
const char kGetOptionMessage[] = "get_option";
const char kSyncCacheMessage[] = "syncCache";
const char kSenderFrameMessage[] = "sender_frame";
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
  const size_t kept = std::min<size_t>(size, kMaxOptionEntries);
  // Every element counts, as in the option text: a null keeps the place of
  // one that is not an object.
  for (size_t i = 0; i < kept; ++i) {
    if (parsed->GetType(i) == VTYPE_DICTIONARY)
      args->SetDictionary(i, parsed->GetDictionary(i));
    else
      args->SetNull(i);
  }
  return message;
}

CefRefPtr<CefProcessMessage> CreateStringMessage(const std::string& name,
                                                 const CefString& text) {
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
  message->GetArgumentList()->SetString(0, text);
  return message;
}

CefRefPtr<CefProcessMessage> CreateOptionAnswerMessage(const CefString& text) {
  CefRefPtr<CefProcessMessage> message =
      CreateStringMessage(kSaveOptionMessage, text);
  message->GetArgumentList()->SetBool(1, true);
  return message;
}

bool IsOptionAnswer(CefRefPtr<CefProcessMessage> message) {
  if (!message)
    return false;
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  return args && args->GetSize() >= 2 && args->GetType(1) == VTYPE_BOOL &&
         args->GetBool(1);
}

CefRefPtr<CefProcessMessage> CreateEmptyMessage(const std::string& name) {
  return CefProcessMessage::Create(name);
}

CefRefPtr<CefProcessMessage> CreateSenderFrameMessage(int64 frame_id) {
  CefRefPtr<CefProcessMessage> message =
      CefProcessMessage::Create(kSenderFrameMessage);
  message->GetArgumentList()->SetDouble(0, static_cast<double>(frame_id));
  return message;
}

bool ReadSenderFrame(CefRefPtr<CefProcessMessage> message, int64* frame_id) {
  if (!message)
    return false;
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  if (!args || args->GetSize() < 1)
    return false;
  if (args->GetType(0) == VTYPE_INT) {
    *frame_id = args->GetInt(0);
    return true;
  }
  if (args->GetType(0) != VTYPE_DOUBLE)
    return false;
  const double value = args->GetDouble(0);
  // Frame identifiers are whole numbers well inside a double's exact range.
  if (!(value >= -9007199254740992.0 && value <= 9007199254740992.0))
    return false;
  *frame_id = static_cast<int64>(value);
  return true;
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
