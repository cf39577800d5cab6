// A voice list as the JSON text a page reads: an array of strings written as
// the framework's JSON writer writes them (no white space; `"`, `\`, the
// short escapes, `<` as \u003C, other control characters as \u00XX, a lone
// surrogate as U+FFFD), into a string sized once.
#ifndef RENDERER_VOICE_LIST_JSON_H_
#define RENDERER_VOICE_LIST_JSON_H_

#include <deque>
#include <string>

std::wstring VoiceListToJson(const std::deque<std::wstring>& voices);

#endif  // RENDERER_VOICE_LIST_JSON_H_
