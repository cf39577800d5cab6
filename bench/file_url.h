// The file:// address of a Windows path, as the benches hand pages to a
// browser.
#ifndef BENCH_FILE_URL_H_
#define BENCH_FILE_URL_H_

#include <string>

std::string FileUrl(const std::wstring& path);

#endif  // BENCH_FILE_URL_H_
