#include "common/host_command.h"

#include <cstring>

#include "gtest/gtest.h"

namespace {

size_t NonZeroBytesFrom(const HostCommand& command, size_t offset) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&command);
  size_t count = 0;
  for (size_t i = offset; i < sizeof(command); ++i)
    count += bytes[i] != 0;
  return count;
}

TEST(HostCommand, VoiceCommandHoldsTextAndTerminatorOnZeroFill) {
  HostCommand command = MakeVoiceCommand(kAddNormalVoice, L"abc");
  EXPECT_EQ(command.kind, 1);
  EXPECT_EQ(ReadVoiceText(command), L"abc");
  // Three UTF-16 units of ASCII: three non-zero bytes, all else zero.
  EXPECT_EQ(NonZeroBytesFrom(command, 4), 3u);
}

TEST(HostCommand, EmptyTextGivesEmptyPayload) {
  HostCommand command = MakeVoiceCommand(kAddHornVoice, L"");
  EXPECT_EQ(command.kind, 2);
  EXPECT_EQ(ReadVoiceText(command), L"");
  EXPECT_EQ(NonZeroBytesFrom(command, 4), 0u);
}

TEST(HostCommand, TextOf299UnitsFitsWhole) {
  const std::wstring text(299, L'x');
  EXPECT_EQ(ReadVoiceText(MakeVoiceCommand(kAddNormalVoice, text)), text);
}

TEST(HostCommand, LongerTextIsCutAt299WithTerminator) {
  HostCommand command =
      MakeVoiceCommand(kAddNormalVoice, std::wstring(1000, L'y'));
  EXPECT_EQ(ReadVoiceText(command), std::wstring(299, L'y'));
  wchar_t unit;
  std::memcpy(&unit, command.payload + 299 * 2, 2);
  EXPECT_EQ(unit, 0);
  EXPECT_EQ(NonZeroBytesFrom(command, 4 + 300 * 2), 0u);
}

TEST(HostCommand, CutNeverSplitsASurrogatePair) {
  // 298 units, then a pair straddling the 299-unit limit.
  std::wstring text(298, L'a');
  text += L"\xD83D\xDE00";
  text += L"tail";
  EXPECT_EQ(ReadVoiceText(MakeVoiceCommand(kAddNormalVoice, text)),
            std::wstring(298, L'a'));
  // A pair that ends exactly at the limit stays.
  std::wstring fits(297, L'a');
  fits += L"\xD83D\xDE00";
  fits += L"z";
  EXPECT_EQ(ReadVoiceText(MakeVoiceCommand(kAddNormalVoice, fits)),
            fits.substr(0, 299));
}

TEST(HostCommand, SaveOptionCarriesTheBlockBytes) {
  OptionBlock block = MakeEmptyOptionBlock();
  block.count = 1;
  block.entries[0].filter_id = 12;
  HostCommand command = MakeSaveOptionCommand(block);
  EXPECT_EQ(command.kind, 3);
  EXPECT_EQ(std::memcmp(command.payload, &block, sizeof(block)), 0);
  EXPECT_EQ(ReadOptionPayload(command).entries[0].filter_id, 12);
}

TEST(HostCommand, ReadingAnUnterminatedPayloadStopsAtItsEnd) {
  HostCommand command;
  std::memset(&command, 0x41, sizeof(command));
  EXPECT_EQ(ReadVoiceText(command).size(), sizeof(command.payload) / 2);
}

}  // namespace
