// The user's filter options as a fixed binary record, and its dictionary-list
// and JSON forms. The record is copied as raw bytes between components, so
// its layout is binding.
#ifndef COMMON_OPTION_BLOCK_H_
#define COMMON_OPTION_BLOCK_H_

#include <cstddef>
#include <cstdint>

#include "include/cef_values.h"

constexpr uint32_t kMaxOptionEntries = 20;
// The longest option JSON text read, in UTF-16 units: twenty filters take
// about a kilobyte. A longer text is refused before it is parsed.
constexpr size_t kMaxOptionJsonLength = 64 * 1024;
// The longest "set_option" argument list read. A render process sends at
// most kMaxOptionEntries; a longer list comes from a hostile one.
constexpr size_t kMaxOptionListLength = 1024;

#pragma pack(push, 1)
struct OptionEntry {
  int32_t uic_type;  // Bit mask; bits 1 and 2 become host type codes.
  int32_t filter_id;
  int32_t is_filter;  // 0 = false, anything else = true.
  uint8_t reserved[64];
};

struct OptionBlock {
  uint32_t count;  // Valid entries; the rest stay zero.
  OptionEntry entries[kMaxOptionEntries];
};
#pragma pack(pop)

static_assert(sizeof(OptionEntry) == 76, "OptionEntry is 76 bytes");
static_assert(offsetof(OptionEntry, filter_id) == 4, "filter_id at 4");
static_assert(offsetof(OptionEntry, is_filter) == 8, "is_filter at 8");
static_assert(offsetof(OptionEntry, reserved) == 12, "reserved at 12");
static_assert(sizeof(OptionBlock) == 1524, "OptionBlock is 1524 bytes");
static_assert(offsetof(OptionBlock, entries) == 4, "entries at 4");

// A zero-filled block, as every producer starts from.
OptionBlock MakeEmptyOptionBlock();

// The number of entries a loop may visit: |count|, but never past the
// record's end whatever |count| claims.
uint32_t ValidEntryCount(const OptionBlock& block);

// {"uic_type": int, "filter_id": int, "is_filter": bool}.
CefRefPtr<CefDictionaryValue> OptionEntryToDictionary(const OptionEntry& entry);
// Missing keys and values of another type read as 0 / false.
OptionEntry OptionEntryFromDictionary(CefRefPtr<CefDictionaryValue> dict);

// One dictionary per valid entry, in entry order.
CefRefPtr<CefListValue> OptionBlockToList(const OptionBlock& block);
// The dictionary list written as compact JSON; "[]" for an empty block.
CefString OptionBlockToJson(const OptionBlock& block);

// Fills a block from a list of option dictionaries. Reading stops at the
// first element that is not a dictionary; the entries after it stay zero.
// |count| is the list's size, but a list longer than the record keeps its
// first kMaxOptionEntries elements rather than overrunning the record.
OptionBlock ReadOptionBlock(CefRefPtr<CefListValue> list);

// Parses an option JSON text (trailing commas allowed). False, and |block|
// untouched, when it is longer than kMaxOptionJsonLength, does not parse or
// is not a list.
bool ParseOptionJson(const CefString& json, OptionBlock* block);

#endif  // COMMON_OPTION_BLOCK_H_
