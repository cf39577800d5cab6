#include "common/option_block.h"

#include <algorithm>
#include <cstring>

#include "include/cef_parser.h"

namespace {

const char kUicTypeKey[] = "uic_type";
const char kFilterIdKey[] = "filter_id";
const char kIsFilterKey[] = "is_filter";

}  // namespace

OptionBlock MakeEmptyOptionBlock() {
  OptionBlock block;
  std::memset(&block, 0, sizeof(block));
  return block;
}

uint32_t ValidEntryCount(const OptionBlock& block) {
  return std::min(block.count, kMaxOptionEntries);
}

CefRefPtr<CefDictionaryValue> OptionEntryToDictionary(
    const OptionEntry& entry) {
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetInt(kUicTypeKey, entry.uic_type);
  dict->SetInt(kFilterIdKey, entry.filter_id);
  dict->SetBool(kIsFilterKey, entry.is_filter != 0);
  return dict;
}

OptionEntry OptionEntryFromDictionary(CefRefPtr<CefDictionaryValue> dict) {
  OptionEntry entry;
  std::memset(&entry, 0, sizeof(entry));
  if (!dict)
    return entry;
  entry.filter_id = dict->GetInt(kFilterIdKey);
  entry.uic_type = dict->GetInt(kUicTypeKey);
  entry.is_filter = dict->GetBool(kIsFilterKey) ? 1 : 0;
  return entry;
}

CefRefPtr<CefListValue> OptionBlockToList(const OptionBlock& block) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  const uint32_t count = ValidEntryCount(block);
  for (uint32_t i = 0; i < count; ++i)
    list->SetDictionary(i, OptionEntryToDictionary(block.entries[i]));
  return list;
}

CefString OptionBlockToJson(const OptionBlock& block) {
  CefRefPtr<CefValue> value = CefValue::Create();
  value->SetList(OptionBlockToList(block));
  return CefWriteJSON(value, JSON_WRITER_DEFAULT);
}

OptionBlock ReadOptionBlock(CefRefPtr<CefListValue> list) {
  OptionBlock block = MakeEmptyOptionBlock();
  if (!list)
    return block;
  const uint32_t size = static_cast<uint32_t>(
      std::min<size_t>(list->GetSize(), kMaxOptionEntries));
  for (uint32_t i = 0; i < size; ++i) {
    if (list->GetType(i) != VTYPE_DICTIONARY)
      break;
    block.entries[i] = OptionEntryFromDictionary(list->GetDictionary(i));
  }
  block.count = size;
  return block;
}

bool ParseOptionJson(const CefString& json, OptionBlock* block) {
  // The framework's parser must never be handed an empty text.
  if (json.empty() || json.length() > kMaxOptionJsonLength)
    return false;
  cef_json_parser_error_t error = JSON_NO_ERROR;
  CefString error_message;
  CefRefPtr<CefValue> value = CefParseJSONAndReturnError(
      json, JSON_PARSER_ALLOW_TRAILING_COMMAS, error, error_message);
  if (error != JSON_NO_ERROR || !value || value->GetType() != VTYPE_LIST)
    return false;
  // One rule with "set_option", which carries nothing after the page's last
  // object: the same array gives the same record either way.
  CefRefPtr<CefListValue> list = value->GetList();
  const int size = static_cast<int>(list->GetSize());
  int kept = size;
  while (kept > 0 && list->GetType(kept - 1) != VTYPE_DICTIONARY)
    --kept;
  // Removed one by one from the end, not with SetSize: the framework's
  // SetSize nulls the last value of a list it does not shrink, and never
  // returns from shrinking one to 0.
  for (int i = size - 1; i >= kept; --i)
    list->Remove(i);
  *block = ReadOptionBlock(list);
  return true;
}
