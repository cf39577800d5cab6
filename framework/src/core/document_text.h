// The text of a document or script file as a page sees it: bytes from disk,
// decoded the way the browser decodes a page that names no character set.
#ifndef FRAMEWORK_SRC_CORE_DOCUMENT_TEXT_H_
#define FRAMEWORK_SRC_CORE_DOCUMENT_TEXT_H_

#include <windows.h>

#include <string>

namespace cef_internal {

class DocumentText {
 public:
  // Reads the whole file at |path| into |bytes|. False, with the Win32 error
  // in |error| (ERROR_FILE_TOO_LARGE beyond |max_bytes|), when it cannot.
  static bool ReadFileBytes(const std::wstring& path,
                            size_t max_bytes,
                            std::string* bytes,
                            DWORD* error);

  // Bytes to text: a UTF-8 or UTF-16 byte-order mark is honoured, anything
  // else is read as UTF-8 (invalid bytes become U+FFFD).
  static std::wstring Decode(const std::string& bytes);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_DOCUMENT_TEXT_H_
