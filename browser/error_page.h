// The built-in page shown in a frame whose load failed.
#ifndef BROWSER_ERROR_PAGE_H_
#define BROWSER_ERROR_PAGE_H_

#include <string>

// UTF-8 of |wide| through CP_UTF8; empty when the conversion fails.
std::string WideToUtf8(const std::wstring& wide);

// The page's source lines (browser/error_page_pieces.h) joined with nothing
// between them. Built on each call: a process that never shows the page
// (every render process) never spends its start building it.
std::wstring JoinErrorPage();

#endif  // BROWSER_ERROR_PAGE_H_
