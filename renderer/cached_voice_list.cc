#include "renderer/cached_voice_list.h"

#include "renderer/voice_list_json.h"

CachedVoiceList::CachedVoiceList() : json_(L"[]") {}

void CachedVoiceList::Append(const std::wstring& text) {
  // Everything that can run out of memory comes first, so a failed append
  // leaves the list as it was.
  std::wstring quoted;
  AppendQuotedJson(text, &quoted);
  json_.reserve(json_.size() + 1 + quoted.size());
  texts_.push_back(text);
  try {
    json_sizes_.push_back(quoted.size());
  } catch (...) {
    texts_.pop_back();
    throw;
  }
  json_.pop_back();  // the closing bracket
  if (texts_.size() > 1)
    json_.push_back(L',');
  json_ += quoted;
  json_.push_back(L']');
}

void CachedVoiceList::DropOldest() {
  if (texts_.empty())
    return;
  // The oldest text and the comma after it, when there is one.
  const size_t units = json_sizes_.front() + (texts_.size() > 1 ? 1 : 0);
  json_.erase(1, units);
  texts_.pop_front();
  json_sizes_.pop_front();
}
