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
  ++appended_;
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

std::vector<std::wstring> CachedVoiceList::QuotedSince(
    unsigned long long sequence) const {
  const unsigned long long first_kept = appended_ - texts_.size();
  if (sequence < first_kept)
    sequence = first_kept;
  const size_t wanted =
      sequence >= appended_ ? 0 : static_cast<size_t>(appended_ - sequence);
  std::vector<std::wstring> quoted(wanted);
  // From the back: the newest text ends before the closing bracket, and a
  // comma comes before each text but the first.
  size_t end = json_.size() - 1;
  for (size_t i = 0; i < wanted; ++i) {
    const size_t size = json_sizes_[texts_.size() - 1 - i];
    quoted[wanted - 1 - i] = json_.substr(end - size, size);
    end -= size + 1;
  }
  return quoted;
}
