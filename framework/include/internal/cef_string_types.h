// The framework's C string record: UTF-16 units, a length, and the function
// that frees the units (null when the record does not own them).
#ifndef CEF_INCLUDE_INTERNAL_CEF_STRING_TYPES_H_
#define CEF_INCLUDE_INTERNAL_CEF_STRING_TYPES_H_

#include <stddef.h>

typedef wchar_t char16;

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _cef_string_utf16_t {
  char16* str;
  size_t length;
  void (*dtor)(char16* str);
} cef_string_utf16_t;

// Frees what |output| owns, then points it at |src| (copy == 0) or at an owned
// copy of it (copy != 0). Returns 1.
int cef_string_utf16_set(const char16* src,
                         size_t src_len,
                         cef_string_utf16_t* output,
                         int copy);
// Frees what |str| owns and empties it.
void cef_string_utf16_clear(cef_string_utf16_t* str);
// Unit-wise comparison: < 0, 0 or > 0.
int cef_string_utf16_cmp(const cef_string_utf16_t* str1,
                         const cef_string_utf16_t* str2);

#ifdef __cplusplus
}
#endif

typedef char16 cef_char_t;
typedef cef_string_utf16_t cef_string_t;

#define cef_string_set cef_string_utf16_set
#define cef_string_clear cef_string_utf16_clear
#define cef_string_cmp cef_string_utf16_cmp
#define cef_string_copy(src, src_len, output) \
  cef_string_utf16_set(src, src_len, output, 1)

#endif  // CEF_INCLUDE_INTERNAL_CEF_STRING_TYPES_H_
