#include "common/host_command.h"

#include <cstring>

namespace {

bool IsHighSurrogate(wchar_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

HostCommand MakeEmptyCommand(int32_t kind) {
  HostCommand command;
  std::memset(&command, 0, sizeof(command));
  command.kind = kind;
  return command;
}

}  // namespace

std::wstring TruncateVoiceText(const std::wstring& text, size_t max_units) {
  if (text.size() <= max_units)
    return text;
  size_t length = max_units;
  // Keep the pair whole by dropping its first half as well.
  if (length > 0 && IsHighSurrogate(text[length - 1]))
    --length;
  return text.substr(0, length);
}

HostCommand MakeVoiceCommand(HostCommandKind kind, const std::wstring& text) {
  HostCommand command = MakeEmptyCommand(kind);
  const std::wstring fitted = TruncateVoiceText(text, kVoiceTextCapacity - 1);
  // The zero fill already holds the terminator.
  std::memcpy(command.payload, fitted.data(), fitted.size() * sizeof(wchar_t));
  return command;
}

HostCommand MakeSaveOptionCommand(const OptionBlock& block) {
  HostCommand command = MakeEmptyCommand(kSaveOption);
  std::memcpy(command.payload, &block, sizeof(block));
  return command;
}

std::wstring ReadVoiceText(const HostCommand& command) {
  constexpr size_t kMaxUnits = sizeof(command.payload) / sizeof(wchar_t);
  std::wstring text;
  for (size_t i = 0; i < kMaxUnits; ++i) {
    wchar_t unit;
    std::memcpy(&unit, command.payload + i * sizeof(wchar_t), sizeof(unit));
    if (unit == 0)
      break;
    text.push_back(unit);
  }
  return text;
}

OptionBlock ReadOptionPayload(const HostCommand& command) {
  OptionBlock block;
  std::memcpy(&block, command.payload, sizeof(block));
  return block;
}
