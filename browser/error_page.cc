#include "browser/error_page.h"

#include <windows.h>

#include "browser/error_page_pieces.h"

const std::vector<std::wstring> g_error_page_lines(kErrorPagePieces,
                                                   kErrorPagePieces +
                                                       kErrorPagePieceCount);

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
  std::wstring page;
  for (const std::wstring& line : g_error_page_lines)
    page += line;
  return page;
}
