#include "src/core/document_text.h"

#include <cstring>

namespace cef_internal {

bool DocumentText::ReadFileBytes(const std::wstring& path,
                                 size_t max_bytes,
                                 std::string* bytes,
                                 DWORD* error) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return false;
  }
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file, &size) ||
      size.QuadPart > static_cast<LONGLONG>(max_bytes)) {
    CloseHandle(file);
    *error = ERROR_FILE_TOO_LARGE;
    return false;
  }
  bytes->assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD total = 0;
  while (total < bytes->size()) {
    DWORD read = 0;
    if (!ReadFile(file, &(*bytes)[total],
                  static_cast<DWORD>(bytes->size() - total), &read, nullptr) ||
        read == 0) {
      break;
    }
    total += read;
  }
  CloseHandle(file);
  bytes->resize(total);
  return true;
}

std::wstring DocumentText::Decode(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    size_t units = (bytes.size() - 2) / 2;
    std::wstring text(units, L'\0');
    if (units)
      memcpy(&text[0], bytes.data() + 2, units * 2);
    return text;
  }
  size_t skip = 0;
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
    skip = 3;
  if (bytes.size() == skip)
    return std::wstring();
  const char* data = bytes.data() + skip;
  int length = static_cast<int>(bytes.size() - skip);
  int size = MultiByteToWideChar(CP_UTF8, 0, data, length, nullptr, 0);
  std::wstring text(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, data, length, &text[0], size);
  return text;
}

}  // namespace cef_internal
