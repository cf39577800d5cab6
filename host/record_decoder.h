// Splits the byte stream the store writes to the host handle back into
// HostFilterRecords.
#ifndef HOST_RECORD_DECODER_H_
#define HOST_RECORD_DECODER_H_

#include <string>

#include "store/host_filter_record.h"

class RecordDecoder {
 public:
  void Append(const char* data, size_t size);

  // The next whole record, if one has arrived. A header whose count cannot
  // be a record's makes the rest of the stream unreadable: it is dropped.
  bool Next(HostFilterRecord* record);

  // "record count=N filter_id=F is_filter=I types=A,B ..." on one line.
  static std::string Format(const HostFilterRecord& record);

 private:
  std::string pending_;
};

#endif  // HOST_RECORD_DECODER_H_
