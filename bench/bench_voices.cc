#include "bench/bench_voices.h"

std::vector<std::wstring> FullVoiceList() {
  std::vector<std::wstring> voices;
  const std::wstring piece =
      L"Voice \x4F60\x597D \"quoted\" <tag> \\ \x00E9t\x00E9 ";
  for (int i = 0; i < 201; ++i) {
    std::wstring text = std::to_wstring(i) + L":";
    while (text.size() < 299)
      text += piece;
    text.resize(299);
    voices.push_back(text);
  }
  return voices;
}
