// The process messages between the browser process and renderers: names,
// builders and checked readers. Names are compared exactly (UTF-8,
// case-sensitive).
#ifndef COMMON_PROCESS_MESSAGES_H_
#define COMMON_PROCESS_MESSAGES_H_

#include <string>

#include "include/cef_process_message.h"

// render -> browser
extern const char kSetOptionMessage[];       // 0..n-1: option dictionaries
extern const char kSetUserOptionsMessage[];  // 0: option JSON text
extern const char kGetOptionMessage[];       // none
extern const char kSyncCacheMessage[];       // none
// 0: the identifier (double) of the frame that sends the next message; only
// while the host has set an origin allow-list.
extern const char kSenderFrameMessage[];
// browser -> render
// 0: option JSON text; 1 (only in an answer to "get_option"): true
extern const char kSaveOptionMessage[];
extern const char kAddNormalVoiceMessage[];  // 0: one voice text
extern const char kAddHornVoiceMessage[];    // 0: one voice text
// none; follows the voice texts that answer "syncCache"
extern const char kCacheSyncedMessage[];
// The message router's own message, both ways.
extern const char kRouterQueryMessage[];

// The message's name as UTF-8, for exact comparison.
std::string MessageName(CefRefPtr<CefProcessMessage> message);

// "set_option": the first kMaxOptionEntries elements of |parsed| at their
// own index, a dictionary as it is and anything else as null, so that the
// receiver builds the record the option text would give (ReadOptionBlock:
// every element counts, and from the first that is not an object on the
// filters are empty).
CefRefPtr<CefProcessMessage> CreateSetOptionMessage(
    CefRefPtr<CefListValue> parsed);

// A message whose only argument is the string |text| ("SetUserOptions",
// "save_option", "add_normal_voice", "add_horn_voice").
CefRefPtr<CefProcessMessage> CreateStringMessage(const std::string& name,
                                                 const CefString& text);

// "save_option" answering "get_option": |text|, then true. The render
// process learns that it repeats what the browser holds rather than tells
// of a change: it may hold the same options already, pushed to it earlier.
CefRefPtr<CefProcessMessage> CreateOptionAnswerMessage(const CefString& text);
// Whether argument 1 is the boolean true that marks such an answer.
bool IsOptionAnswer(CefRefPtr<CefProcessMessage> message);

// A message without arguments ("syncCache", "get_option", "cache_synced").
CefRefPtr<CefProcessMessage> CreateEmptyMessage(const std::string& name);

// "sender_frame" naming |frame_id|.
CefRefPtr<CefProcessMessage> CreateSenderFrameMessage(int64 frame_id);
// The frame identifier of a "sender_frame" message; false when argument 0 is
// not a number.
bool ReadSenderFrame(CefRefPtr<CefProcessMessage> message, int64* frame_id);

// Argument 0 when the list holds at least one value and value 0 is a string;
// false otherwise. Values after index 0 are never read.
bool ReadStringArgument(CefRefPtr<CefProcessMessage> message, CefString* text);

#endif  // COMMON_PROCESS_MESSAGES_H_
