// Reads the store's record pipe on a thread of its own and turns it back into
// records. The store writes each record with one blocking WriteFile on the
// thread that runs the message loop; were the reader on that same thread, a
// burst of updates would fill the pipe's buffer and leave the writer waiting
// for a reader that can never run.
#ifndef HOST_RECORD_READER_H_
#define HOST_RECORD_READER_H_

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "host/record_decoder.h"

class RecordReader {
 public:
  // Called on the reader thread, once per whole record, in stream order.
  typedef std::function<void(const HostFilterRecord&)> RecordSink;

  // Reads |pipe| (not owned) until its write end closes. Each chunk read is
  // appended to |copy| first when it is a valid handle (not owned).
  RecordReader(HANDLE pipe, HANDLE copy, RecordSink sink);
  // Waits for the thread: close the pipe's write end first.
  ~RecordReader();
  RecordReader(const RecordReader&) = delete;
  RecordReader& operator=(const RecordReader&) = delete;

  bool Start();

  // Any thread. Returns once |count| records have reached the sink, the pipe
  // has ended, or |timeout_ms| has passed; tells whether the count was
  // reached. A record written before the call reaches the sink before it
  // returns, unless the time runs out.
  bool WaitForRecords(uint64_t count, int timeout_ms);

  // Waits until the pipe has ended and every record has reached the sink.
  void Join();

 private:
  void ReadLoop();

  const HANDLE pipe_;
  const HANDLE copy_;
  const RecordSink sink_;
  RecordDecoder decoder_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  // Guarded by |mutex_|.
  uint64_t records_ = 0;
  bool ended_ = false;
};

#endif  // HOST_RECORD_READER_H_
