// The demo host's own parts: its command line, the record stream and the
// framework's console log lines.
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <set>
#include <stdexcept>
#include <thread>

#include "gtest/gtest.h"
#include "host/exit_codes.h"
#include "host/host_options.h"
#include "host/line_escape.h"
#include "host/record_decoder.h"
#include "host/unexpected_termination.h"

namespace {

bool Parse(std::vector<std::wstring> args, HostOptions* options) {
  std::string error;
  return ParseHostOptions(args, options, &error);
}

TEST(HostOptions, ReadsEverySwitch) {
  HostOptions options;
  ASSERT_TRUE(
      Parse({L"--url=file:///x.html", L"--normal-voice=a", L"--normal-voice=",
             L"--horn-voice=h", L"--record-file=C:\\r.bin",
             L"--bounds=1,2,301,402", L"--timeout-ms=500", L"--single-process",
             L"--allow-origin=https://app.test", L"--allow-origin=file://",
             L"--show", L"--remote-debugging-port=9222",
             L"--options=[{\"uic_type\":3,\"filter_id\":12,"
             L"\"is_filter\":true},{\"filter_id\":7},]"},
            &options));
  EXPECT_EQ(options.url, L"file:///x.html");
  EXPECT_EQ(options.normal_voices, std::vector<std::wstring>({L"a", L""}));
  EXPECT_EQ(options.horn_voices, std::vector<std::wstring>({L"h"}));
  EXPECT_EQ(options.record_file, L"C:\\r.bin");
  EXPECT_EQ(options.bounds.right, 301);
  EXPECT_EQ(options.bounds.bottom, 402);
  EXPECT_EQ(options.timeout_ms, 500);
  EXPECT_TRUE(options.single_process);
  EXPECT_EQ(options.allowed_origins,
            std::vector<std::string>({"https://app.test", "file://"}));
  EXPECT_TRUE(options.show);
  EXPECT_EQ(options.remote_debugging_port, 9222);
  EXPECT_TRUE(options.seed_options);
  EXPECT_EQ(options.initial_options.count, 2u);
  EXPECT_EQ(options.initial_options.entries[0].uic_type, 3);
  EXPECT_EQ(options.initial_options.entries[0].filter_id, 12);
  EXPECT_EQ(options.initial_options.entries[0].is_filter, 1);
  EXPECT_EQ(options.initial_options.entries[1].filter_id, 7);

  HostOptions plain;
  ASSERT_TRUE(Parse({L"--url=x"}, &plain));
  EXPECT_FALSE(plain.seed_options);
  ASSERT_TRUE(Parse({L"--url=x", L"--options=[]"}, &plain));
  EXPECT_TRUE(plain.seed_options);
  EXPECT_EQ(plain.initial_options.count, 0u);
}

TEST(HostOptions, RefusesBadCommandLines) {
  HostOptions options;
  EXPECT_FALSE(Parse({}, &options));
  EXPECT_FALSE(Parse({L"--normal-voice=a"}, &options));
  EXPECT_FALSE(Parse({L"--url=x", L"--bounds=1,2,3"}, &options));
  EXPECT_FALSE(Parse({L"--url=x", L"--bounds=10,0,5,5"}, &options));
  EXPECT_FALSE(Parse({L"--url=x", L"--bounds=1,2,3,4,5"}, &options));
  EXPECT_FALSE(Parse({L"--url=x", L"--timeout-ms=0"}, &options));
  EXPECT_FALSE(Parse({L"--url=x", L"--timeout-ms=12ab"}, &options));
  EXPECT_FALSE(Parse({L"--url=x", L"--record-file="}, &options));
  EXPECT_FALSE(Parse({L"--url=x", L"--colour=blue"}, &options));
  EXPECT_FALSE(Parse({L"--url=x", L"--allow-origin="}, &options));
  EXPECT_FALSE(Parse({L"--url=x", L"--allow-origin=app.test"}, &options));
  EXPECT_FALSE(
      Parse({L"--url=x", L"--allow-origin=https://app.test/x"}, &options));
  EXPECT_FALSE(Parse({L"--url=x", L"--show=yes"}, &options));
  // DevTools stay off unless asked for.
  ASSERT_TRUE(Parse({L"--url=x"}, &options));
  EXPECT_EQ(options.remote_debugging_port, 0);
  EXPECT_FALSE(Parse({L"--url=x", L"--remote-debugging-port=80"}, &options));
  EXPECT_FALSE(Parse({L"--url=x", L"--remote-debugging-port=65536"}, &options));
  EXPECT_FALSE(Parse({L"--url=x", L"--remote-debugging-port="}, &options));
  for (const wchar_t* bad :
       {L"--options=", L"--options={}", L"--options=7",
        L"--options=[{\"filter_id\":1}", L"--options=nope"}) {
    EXPECT_FALSE(Parse({L"--url=x", bad}, &options)) << bad;
  }
  EXPECT_FALSE(options.seed_options);
}

std::string RecordBytes(std::initializer_list<int32_t> words) {
  std::string bytes(words.size() * 4, '\0');
  std::memcpy(&bytes[0], words.begin(), bytes.size());
  return bytes;
}

TEST(RecordDecoder, SplitsTheStreamIntoRecordsAcrossPartialReads) {
  std::string stream = RecordBytes({1, 0}) +
                       RecordBytes({1, 2, 12, 1, 1, 2, 0, 0, 0, 0, 0, 0, 0,
                                    0, 7, 0,  2, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  RecordDecoder decoder;
  HostFilterRecord record;
  decoder.Append(stream.data(), 5);
  EXPECT_FALSE(decoder.Next(&record));
  decoder.Append(stream.data() + 5, 30);
  ASSERT_TRUE(decoder.Next(&record));
  EXPECT_EQ(RecordDecoder::Format(record), "record count=0");
  EXPECT_FALSE(decoder.Next(&record));
  decoder.Append(stream.data() + 35, stream.size() - 35);
  ASSERT_TRUE(decoder.Next(&record));
  EXPECT_EQ(RecordDecoder::Format(record),
            "record count=2 filter_id=12 is_filter=1 types=1,2 "
            "filter_id=7 is_filter=0 types=2");
}

TEST(RecordDecoder, DropsAStreamThatCannotBeARecord) {
  RecordDecoder decoder;
  HostFilterRecord record;
  const std::string bad = RecordBytes({1, 21}) + RecordBytes({1, 0});
  decoder.Append(bad.data(), bad.size());
  EXPECT_FALSE(decoder.Next(&record));
  const std::string good = RecordBytes({1, 0});
  decoder.Append(good.data(), good.size());
  EXPECT_TRUE(decoder.Next(&record));
}

// Whatever a page prints stays on its one line and can be read back.
TEST(LineEscape, NothingBreaksOrRewritesALine) {
  const struct {
    const wchar_t* in;
    const char* out;
  } kCases[] = {
      {L"plain text", "plain text"},
      {L"x\nrecord count=1\r\n", "x\\nrecord count=1\\r\\n"},
      {L"tab\there", "tab\\there"},
      {L"a\\nb", "a\\\\nb"},
      {L"\x01\x1F\x7F\x85\x9F", "\\x01\\x1F\\x7F\\x85\\x9F"},
      {L"\x2028\x2029", "\\u2028\\u2029"},
      {L"\xD800x\xDC00", "\\uD800x\\uDC00"},
      {L"\x4E2D\xE4\xA0\xD83D\xDE00",
       "\xE4\xB8\xAD\xC3\xA4\xC2\xA0\xF0\x9F\x98\x80"},
      {L"", ""},
  };
  for (const auto& test : kCases)
    EXPECT_EQ(EscapeForLine(test.in), test.out)
        << CefString(test.in).ToString();
}

// No documented outcome shares its exit code with an abort() (3), a crash
// (an exception code) or each other.
TEST(ExitCodes, NoneCollides) {
  const int kCodes[] = {kCompletedExitCode, kUsageExitCode,
                        kProgramCannotStartExitCode,
                        kUnexpectedTerminationExitCode, kSetUpFailedExitCode};
  std::set<int> distinct(std::begin(kCodes), std::end(kCodes));
  EXPECT_EQ(distinct.size(), 5u);
  for (int code : kCodes) {
    EXPECT_NE(code, 3);
    EXPECT_LT(static_cast<unsigned>(code), 0x40000000u);
  }
}

// Whatever ends the process unplanned, it says so in one line and ends with
// its own code: an exception nothing catches, on the main thread or any
// other, and abort().
TEST(UnexpectedTermination, EndsWithOneLineAndItsOwnCode) {
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  const auto ended = testing::ExitedWithCode(kUnexpectedTerminationExitCode);
  EXPECT_EXIT(
      {
        InstallUnexpectedTerminationHandlers();
        std::thread([] { throw std::bad_alloc(); }).join();
      },
      ended, "^error: unexpected termination \\(std::bad_alloc\\)\n$");
  EXPECT_EXIT(
      {
        InstallUnexpectedTerminationHandlers();
        // What the runtime does with an exception that leaves main().
        try {
          throw std::runtime_error("nobody caught this");
        } catch (...) {
          std::terminate();
        }
      },
      ended, "^error: unexpected termination \\(nobody caught this\\)\n$");
  EXPECT_EXIT(
      {
        InstallUnexpectedTerminationHandlers();
        std::abort();
      },
      ended, "^error: unexpected termination \\(abort\\)\n$");
}

}  // namespace
