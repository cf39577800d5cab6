// One update for the main browser's renderer: an option block or one voice
// text, in a fixed record that each stage copies whole.
#ifndef COMMON_HOST_COMMAND_H_
#define COMMON_HOST_COMMAND_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/option_block.h"

enum HostCommandKind : int32_t {
  kAddNormalVoice = 1,
  kAddHornVoice = 2,
  kSaveOption = 3,
};

// Code units a voice text may take in a command, its terminator included.
constexpr size_t kVoiceTextCapacity = 300;

#pragma pack(push, 1)
struct HostCommand {
  int32_t kind;  // A HostCommandKind; other values are ignored.
  uint8_t payload[sizeof(OptionBlock)];
};
#pragma pack(pop)

static_assert(sizeof(HostCommand) == 1528, "HostCommand is 1528 bytes");
static_assert(offsetof(HostCommand, payload) == 4, "payload at 4");

// A zero-filled command of |kind| holding |text| and its terminator. A text
// longer than kVoiceTextCapacity - 1 units is cut there, never inside a
// surrogate pair.
HostCommand MakeVoiceCommand(HostCommandKind kind, const std::wstring& text);

// A zero-filled command of kind kSaveOption carrying |block|'s bytes.
HostCommand MakeSaveOptionCommand(const OptionBlock& block);

// The payload's UTF-16 text up to its first 0 unit (or the payload's end).
std::wstring ReadVoiceText(const HostCommand& command);

// The payload's option block.
OptionBlock ReadOptionPayload(const HostCommand& command);

// |text| cut to at most |max_units| without splitting a surrogate pair.
std::wstring TruncateVoiceText(const std::wstring& text, size_t max_units);

#endif  // COMMON_HOST_COMMAND_H_
