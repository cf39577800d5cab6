#include "store/host_filter_record.h"

#include <cstring>

namespace {

// The uic_type bits that mean something to the host, with their codes.
constexpr int32_t kTypeBits[] = {1, 2};

void FillEntry(const OptionEntry& option, HostFilterEntry* entry) {
  entry->filter_id = option.filter_id;
  entry->is_filter = option.is_filter;
  size_t next = 0;
  for (int32_t bit : kTypeBits) {
    if (option.uic_type & bit)
      entry->type_codes[next++] = bit;
  }
}

}  // namespace

HostFilterRecord BuildHostFilterRecord(const OptionBlock& options) {
  HostFilterRecord record;
  std::memset(&record, 0, sizeof(record));
  record.record_type = kHostFilterRecordType;
  record.count = ValidEntryCount(options);
  for (uint32_t i = 0; i < record.count; ++i)
    FillEntry(options.entries[i], &record.entries[i]);
  return record;
}

size_t HostFilterRecordSize(uint32_t count) {
  return offsetof(HostFilterRecord, entries) +
         sizeof(HostFilterEntry) *
             (count < kMaxOptionEntries ? count : kMaxOptionEntries);
}
