// The byte form of channel messages, for transports that leave the process.
//
// Frame: u32 payload length, then the payload: u8 version, i32 op, a list.
// Values are a u8 tag and a body: null; bool (u8 0/1); int (i32); double
// (8 bytes, IEEE 754); string (u32 UTF-16 unit count, the units); binary (u32
// size, the bytes); list (u32 count, values); dictionary (u32 count, then
// u32 key size, the key in UTF-8, a value). All little-endian.
//
// Decoding trusts nothing: every length is checked against the bytes that are
// left before anything is allocated, nesting and the number of values are
// bounded, and any malformed payload is refused as a whole.
#ifndef FRAMEWORK_SRC_CHANNEL_CODEC_H_
#define FRAMEWORK_SRC_CHANNEL_CODEC_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "src/channel/channel.h"

namespace cef_internal {

class Codec {
 public:
  static constexpr size_t kLengthSize = 4;
  static constexpr uint32_t kMaxPayloadSize = 64 * 1024 * 1024;
  // Lists and dictionaries nested deeper than this are refused both ways.
  static constexpr int kMaxDepth = 128;
  // Values (containers included) one payload may hold, both ways. A value
  // costs one byte on the wire but a hundred or so once decoded, so the
  // payload limit alone would let one frame claim gigabytes.
  static constexpr size_t kMaxValues = 256 * 1024;
  static constexpr uint8_t kVersion = 1;

  // Appends one whole frame to |frame|. Returns false, appending nothing,
  // when |args| is nested too deeply, holds too many values or the payload
  // would be too large.
  // Null |args| travel as an empty list.
  static bool Encode(Op op, CefRefPtr<CefListValue> args, std::string* frame);

  // Decodes one payload (the bytes after the length prefix). Ops are any
  // value in [1, 65535]: receivers ignore ops they do not know.
  static bool Decode(const void* payload,
                     size_t size,
                     Op* op,
                     CefRefPtr<CefListValue>* args);

  // The payload length a frame announces in its first kLengthSize bytes;
  // false when it exceeds kMaxPayloadSize (the stream is then unusable).
  static bool ReadLength(const void* prefix, uint32_t* length);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_CODEC_H_
