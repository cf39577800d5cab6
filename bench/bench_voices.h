// The voice list the benches read: the renderer cache's longest list of the
// longest texts.
#ifndef BENCH_BENCH_VOICES_H_
#define BENCH_BENCH_VOICES_H_

#include <string>
#include <vector>

// 201 texts of 299 UTF-16 units, mixed scripts and characters that JSON must
// escape.
std::vector<std::wstring> FullVoiceList();

#endif  // BENCH_BENCH_VOICES_H_
