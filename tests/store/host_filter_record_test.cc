#include "store/host_filter_record.h"

#include <cstring>

#include "gtest/gtest.h"

namespace {

OptionBlock BlockWith(std::initializer_list<OptionEntry> entries) {
  OptionBlock block = MakeEmptyOptionBlock();
  for (const OptionEntry& entry : entries)
    block.entries[block.count++] = entry;
  return block;
}

OptionEntry Entry(int32_t uic_type, int32_t filter_id, int32_t is_filter) {
  OptionEntry entry;
  std::memset(&entry, 0, sizeof(entry));
  entry.uic_type = uic_type;
  entry.filter_id = filter_id;
  entry.is_filter = is_filter;
  return entry;
}

TEST(HostFilterRecord, EmptyOptionsGiveTheEightByteHeader) {
  HostFilterRecord record = BuildHostFilterRecord(MakeEmptyOptionBlock());
  EXPECT_EQ(record.record_type, 1);
  EXPECT_EQ(record.count, 0u);
  EXPECT_EQ(HostFilterRecordSize(record.count), 8u);
}

TEST(HostFilterRecord, UicTypeBitsPackIntoTypeCodes) {
  HostFilterRecord record =
      BuildHostFilterRecord(BlockWith({Entry(3, 12, 1), Entry(2, 13, 0),
                                       Entry(4, 14, 1), Entry(1 | 8, 15, 1)}));
  ASSERT_EQ(record.count, 4u);
  const int32_t expected[][3] = {{1, 2, 0}, {2, 0, 0}, {0, 0, 0}, {1, 0, 0}};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 3; ++j)
      EXPECT_EQ(record.entries[i].type_codes[j], expected[i][j]) << i << j;
    for (size_t j = 3; j < kMaxTypeCodes; ++j)
      EXPECT_EQ(record.entries[i].type_codes[j], 0);
  }
  EXPECT_EQ(record.entries[0].filter_id, 12);
  EXPECT_EQ(record.entries[0].is_filter, 1);
  EXPECT_EQ(record.entries[1].is_filter, 0);
  EXPECT_EQ(HostFilterRecordSize(1), 56u);
}

TEST(HostFilterRecord, EntryBytesAreLittleEndianWithoutPadding) {
  HostFilterRecord record = BuildHostFilterRecord(BlockWith({Entry(3, 12, 1)}));
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&record);
  const unsigned char expected[] = {1,  0, 0, 0, 1, 0, 0, 0,   // type, count
                                    12, 0, 0, 0, 1, 0, 0, 0,   // id, filter
                                    1,  0, 0, 0, 2, 0, 0, 0};  // codes
  EXPECT_EQ(std::memcmp(bytes, expected, sizeof(expected)), 0);
}

TEST(HostFilterRecord, ACountBeyondTwentyNeverReadsPastTheBlock) {
  OptionBlock block = MakeEmptyOptionBlock();
  block.count = 1000;
  HostFilterRecord record = BuildHostFilterRecord(block);
  EXPECT_EQ(record.count, kMaxOptionEntries);
  EXPECT_EQ(HostFilterRecordSize(record.count), 968u);
}

}  // namespace
