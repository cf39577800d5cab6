// One voice list of the renderer cache: its texts, oldest first, and the JSON
// array a page reads, kept up to date as texts come and go. Texts arrive
// rarely (at most 201 are kept) and pages read the list often, so each text
// is escaped once, when it arrives, and a read only hands out the text.
#ifndef RENDERER_CACHED_VOICE_LIST_H_
#define RENDERER_CACHED_VOICE_LIST_H_

#include <deque>
#include <string>
#include <vector>

class CachedVoiceList {
 public:
  CachedVoiceList();

  void Append(const std::wstring& text);
  // Does nothing on an empty list.
  void DropOldest();

  size_t size() const { return texts_.size(); }
  // Texts appended since the list was made, dropped ones included: the
  // sequence number the next text will get.
  unsigned long long appended() const { return appended_; }
  // Each kept text whose sequence number is |sequence| or more, quoted as in
  // json(), oldest first: what a reader that holds the texts before
  // |sequence| lacks.
  std::vector<std::wstring> QuotedSince(unsigned long long sequence) const;
  const std::deque<std::wstring>& texts() const { return texts_; }
  // The list as a JSON array of strings, as the framework's writer writes it;
  // it changes with the next Append or DropOldest.
  const std::wstring& json() const { return json_; }

 private:
  std::deque<std::wstring> texts_;
  // The units each text takes in |json_|, quotes included.
  std::deque<size_t> json_sizes_;
  std::wstring json_;
  unsigned long long appended_ = 0;
};

#endif  // RENDERER_CACHED_VOICE_LIST_H_
