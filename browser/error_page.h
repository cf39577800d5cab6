// The built-in page shown in a frame whose load failed.
#ifndef BROWSER_ERROR_PAGE_H_
#define BROWSER_ERROR_PAGE_H_

#include <string>
#include <vector>

// The page's source lines, without line ends, in order. Built before the
// entry point runs and freed at exit.
extern const std::vector<std::wstring> g_error_page_lines;

// UTF-8 of |wide| through CP_UTF8; empty when the conversion fails.
std::string WideToUtf8(const std::wstring& wide);

// The lines joined with nothing between them.
std::wstring JoinErrorPage();

#endif  // BROWSER_ERROR_PAGE_H_
