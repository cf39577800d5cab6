#include "host/record_decoder.h"

#include <cstring>

void RecordDecoder::Append(const char* data, size_t size) {
  pending_.append(data, size);
}

bool RecordDecoder::Next(HostFilterRecord* record) {
  const size_t header = HostFilterRecordSize(0);
  if (pending_.size() < header)
    return false;
  HostFilterRecord decoded;
  std::memset(&decoded, 0, sizeof(decoded));
  std::memcpy(&decoded, pending_.data(), header);
  if (decoded.record_type != kHostFilterRecordType ||
      decoded.count > kMaxOptionEntries) {
    pending_.clear();
    return false;
  }
  const size_t size = HostFilterRecordSize(decoded.count);
  if (pending_.size() < size)
    return false;
  std::memcpy(&decoded, pending_.data(), size);
  pending_.erase(0, size);
  *record = decoded;
  return true;
}

std::string RecordDecoder::Format(const HostFilterRecord& record) {
  std::string line = "record count=" + std::to_string(record.count);
  for (uint32_t i = 0; i < record.count; ++i) {
    const HostFilterEntry& entry = record.entries[i];
    line += " filter_id=" + std::to_string(entry.filter_id) +
            " is_filter=" + std::to_string(entry.is_filter) + " types=";
    for (size_t j = 0; j < kMaxTypeCodes && entry.type_codes[j]; ++j) {
      if (j)
        line += ",";
      line += std::to_string(entry.type_codes[j]);
    }
  }
  return line;
}
