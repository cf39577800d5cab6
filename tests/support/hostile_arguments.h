// Argument lists no well-behaved sender would put in a process message: every
// value type in every position, too few and too many arguments, option
// entries with every field of the wrong type or out of range, far more
// entries than a record holds, deep nesting and long texts. For tests that
// treat the other process as hostile.
#ifndef TESTS_SUPPORT_HOSTILE_ARGUMENTS_H_
#define TESTS_SUPPORT_HOSTILE_ARGUMENTS_H_

#include <string>
#include <vector>

#include "include/cef_values.h"

namespace hostile {

// One value of each type; |kind| in [0, kValueKinds).
constexpr int kValueKinds = 10;
inline void SetValue(CefRefPtr<CefListValue> list, size_t index, int kind) {
  switch (kind) {
    case 0:
      list->SetNull(index);
      break;
    case 1:
      list->SetBool(index, true);
      break;
    case 2:
      list->SetInt(index, -2147483647 - 1);
      break;
    case 3:
      list->SetDouble(index, 1e308);
      break;
    case 4:
      list->SetString(index, "");
      break;
    case 5:
      list->SetString(
          index, std::wstring(L"\xD800 <x> \"") + std::wstring(100000, L'w'));
      break;
    case 6:
      list->SetBinary(index, CefBinaryValue::Create("\0\xff", 2));
      break;
    case 7:
      list->SetList(index, CefListValue::Create());
      break;
    case 8:
      list->SetDictionary(index, CefDictionaryValue::Create());
      break;
    default: {
      CefRefPtr<CefListValue> deep = CefListValue::Create();
      CefRefPtr<CefListValue> level = deep;
      for (int i = 0; i < 120; ++i) {
        level->SetList(0, CefListValue::Create());
        level = level->GetList(0);
      }
      list->SetList(index, deep);
      break;
    }
  }
}

// An option entry with field |field| (0..2: uic_type, filter_id, is_filter)
// given value kind |kind|, the others plausible.
inline CefRefPtr<CefDictionaryValue> OddEntry(int field, int kind) {
  CefRefPtr<CefListValue> holder = CefListValue::Create();
  SetValue(holder, 0, kind);
  CefRefPtr<CefDictionaryValue> entry = CefDictionaryValue::Create();
  entry->SetInt("uic_type", 3);
  entry->SetInt("filter_id", 12);
  entry->SetBool("is_filter", true);
  const char* const kFields[] = {"uic_type", "filter_id", "is_filter"};
  entry->SetValue(kFields[field], holder->GetValue(0));
  return entry;
}

inline std::vector<CefRefPtr<CefListValue>> ArgumentLists() {
  std::vector<CefRefPtr<CefListValue>> lists;
  lists.push_back(CefListValue::Create());
  // Every kind at positions 0 to 2, with nothing or a string before it.
  for (int kind = 0; kind < kValueKinds; ++kind) {
    for (size_t position = 0; position < 3; ++position) {
      CefRefPtr<CefListValue> list = CefListValue::Create();
      for (size_t i = 0; i < position; ++i)
        list->SetString(i, "x");
      SetValue(list, position, kind);
      lists.push_back(list);
    }
  }
  // Option entries with one field wrong, and out-of-range numbers.
  for (int field = 0; field < 3; ++field) {
    for (int kind = 0; kind < kValueKinds; ++kind) {
      CefRefPtr<CefListValue> list = CefListValue::Create();
      list->SetDictionary(0, OddEntry(field, kind));
      lists.push_back(list);
    }
  }
  for (int value : {-1, 0, 4, 255, 65536, 2147483647, -2147483647 - 1}) {
    CefRefPtr<CefListValue> list = CefListValue::Create();
    CefRefPtr<CefDictionaryValue> entry = OddEntry(0, 0);
    entry->SetInt("uic_type", value);
    entry->SetInt("filter_id", value);
    list->SetDictionary(0, entry);
    lists.push_back(list);
  }
  // Far more entries than a record holds, and many values of each kind.
  for (size_t count : {21u, 1000u}) {
    CefRefPtr<CefListValue> list = CefListValue::Create();
    for (size_t i = 0; i < count; ++i)
      list->SetDictionary(i, OddEntry(static_cast<int>(i % 3), 2));
    lists.push_back(list);
  }
  for (int kind = 0; kind < kValueKinds; ++kind) {
    CefRefPtr<CefListValue> list = CefListValue::Create();
    for (size_t i = 0; i < 40; ++i)
      SetValue(list, i, kind == 5 ? 4 : kind);
    lists.push_back(list);
  }
  return lists;
}

// The names a receiver knows, near misses of them, and strangers.
inline std::vector<std::string> MessageNames() {
  return {"set_option",
          "SetUserOptions",
          "get_option",
          "syncCache",
          "save_option",
          "add_normal_voice",
          "add_horn_voice",
          "cache_synced",
          "cefQueryMsg",
          "cefQueryCancelMsg",
          "Set_option",
          "syncCache ",
          "",
          "\xC3\xA9",
          std::string(5000, 'n')};
}

}  // namespace hostile

#endif  // TESTS_SUPPORT_HOSTILE_ARGUMENTS_H_
