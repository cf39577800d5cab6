// The binary record the host receives after every options update: the
// filters with their uic_type bits unpacked into type codes.
#ifndef STORE_HOST_FILTER_RECORD_H_
#define STORE_HOST_FILTER_RECORD_H_

#include <cstddef>
#include <cstdint>

#include "common/option_block.h"

constexpr int32_t kHostFilterRecordType = 1;
constexpr size_t kMaxTypeCodes = 10;

#pragma pack(push, 1)
struct HostFilterEntry {
  int32_t filter_id;
  int32_t is_filter;                  // As stored in the option entry.
  int32_t type_codes[kMaxTypeCodes];  // Packed from 0; unused positions 0.
};

struct HostFilterRecord {
  int32_t record_type;
  uint32_t count;
  HostFilterEntry entries[kMaxOptionEntries];
};
#pragma pack(pop)

static_assert(sizeof(HostFilterEntry) == 48, "HostFilterEntry is 48 bytes");
static_assert(sizeof(HostFilterRecord) == 968, "HostFilterRecord is 968 bytes");

// The record of |options|, zero-filled past its valid entries.
HostFilterRecord BuildHostFilterRecord(const OptionBlock& options);

// Bytes of a record with |count| entries, as written to the host.
size_t HostFilterRecordSize(uint32_t count);

#endif  // STORE_HOST_FILTER_RECORD_H_
