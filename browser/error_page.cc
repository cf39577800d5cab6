#include "browser/error_page.h"

#include <windows.h>

#include <cwchar>

#include "browser/error_page_pieces.h"

std::string WideToUtf8(const std::wstring& wide) {
  if (wide.empty())
    return std::string();
  // With the terminator included, so that the size is never zero on success.
  int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0,
                                 nullptr, nullptr);
  if (size <= 0)
    return std::string();
  std::string utf8(static_cast<size_t>(size), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &utf8[0], size, nullptr,
                          nullptr) != size) {
    return std::string();
  }
  utf8.resize(static_cast<size_t>(size) - 1);
  return utf8;
}

std::wstring JoinErrorPage() {
  size_t size = 0;
  for (size_t i = 0; i < kErrorPagePieceCount; ++i)
    size += wcslen(kErrorPagePieces[i]);
  std::wstring page;
  page.reserve(size);
  for (size_t i = 0; i < kErrorPagePieceCount; ++i)
    page += kErrorPagePieces[i];
  return page;
}
