#include "src/channel/codec.h"

#include <random>
#include <string>

#include "gtest/gtest.h"
#include "tests/support/allocation_probe.h"

namespace cef_internal {
namespace {

CefRefPtr<CefListValue> AllTypes() {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetNull(0);
  list->SetBool(1, true);
  list->SetBool(2, false);
  list->SetInt(3, -2147483647 - 1);
  list->SetDouble(4, -0.1);
  list->SetString(5, "");
  list->SetString(6, L"\u00e9\u4e2d\U0001F600");
  list->SetString(7, std::wstring(L"lone \xD800 and nul \0 kept", 24));
  const unsigned char bytes[] = {0, 1, 0xFF, 0x80};
  list->SetBinary(8, CefBinaryValue::Create(bytes, sizeof(bytes)));
  list->SetBinary(9, CefBinaryValue::Create("", 0));
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetString(L"cl\u00e9", "v");
  dict->SetList("", CefListValue::Create());
  dict->SetDictionary("nested", CefDictionaryValue::Create());
  dict->GetDictionary("nested")->SetDouble("pi", 3.14159);
  list->SetDictionary(10, dict);
  list->SetList(11, CefListValue::Create());
  list->GetList(11)->SetInt(0, 42);
  return list;
}

std::string Payload(Op op, CefRefPtr<CefListValue> args) {
  std::string frame;
  EXPECT_TRUE(Codec::Encode(op, args, &frame));
  uint32_t length = 0;
  EXPECT_TRUE(Codec::ReadLength(frame.data(), &length));
  EXPECT_EQ(frame.size() - Codec::kLengthSize, length);
  return frame.substr(Codec::kLengthSize);
}

bool Decodes(const std::string& payload, CefRefPtr<CefListValue>* out) {
  Op op;
  return Codec::Decode(payload.data(), payload.size(), &op, out);
}

bool Decodes(const std::string& payload) {
  CefRefPtr<CefListValue> ignored;
  return Decodes(payload, &ignored);
}

CefRefPtr<CefListValue> Nested(int depth) {
  CefRefPtr<CefListValue> root = CefListValue::Create();
  CefRefPtr<CefListValue> current = root;
  for (int i = 1; i < depth; ++i) {
    current->SetList(0, CefListValue::Create());
    current = current->GetList(0);
  }
  return root;
}

// Header of a payload: version, op 1.
std::string Header() {
  return std::string("\x01\x01\x00\x00\x00", 5);
}

TEST(CodecTest, RoundTripsEveryType) {
  CefRefPtr<CefListValue> sent = AllTypes();
  std::string payload = Payload(Op::kProcessMessage, sent);
  Op op = Op::kShutdown;
  CefRefPtr<CefListValue> received;
  ASSERT_TRUE(Codec::Decode(payload.data(), payload.size(), &op, &received));
  EXPECT_EQ(Op::kProcessMessage, op);
  EXPECT_TRUE(received->IsEqual(sent));
  EXPECT_EQ(24u, received->GetString(7).length());
  EXPECT_EQ(VTYPE_BINARY, received->GetType(9));
  EXPECT_EQ(0u, received->GetBinary(9)->GetSize());
}

TEST(CodecTest, NullArgumentsTravelAsAnEmptyList) {
  CefRefPtr<CefListValue> received;
  ASSERT_TRUE(Decodes(Payload(Op::kShutdown, nullptr), &received));
  EXPECT_EQ(0u, received->GetSize());
}

TEST(CodecTest, EveryTruncationIsRefused) {
  std::string payload = Payload(Op::kProcessMessage, AllTypes());
  for (size_t size = 0; size < payload.size(); ++size)
    EXPECT_FALSE(Decodes(payload.substr(0, size))) << size;
  EXPECT_FALSE(Decodes(payload + '\0'));
}

TEST(CodecTest, BadHeadersAndTagsAreRefused) {
  std::string empty_list = std::string("\0\0\0\0", 4);
  EXPECT_TRUE(Decodes(Header() + empty_list));
  EXPECT_FALSE(Decodes("\x02" + Header().substr(1) + empty_list));
  EXPECT_FALSE(Decodes(std::string("\x01\0\0\0\0", 5) + empty_list));
  EXPECT_FALSE(Decodes(std::string("\x01\0\0\x01\0", 5) + empty_list));
  std::string one = std::string("\x01\0\0\0", 4);
  EXPECT_FALSE(Decodes(Header() + one + "\x08"));
  EXPECT_FALSE(Decodes(Header() + one + "\x01\x02"));  // bool 2
  // A dictionary key that is not UTF-8.
  EXPECT_FALSE(Decodes(Header() + one + "\x07" + one +
                       std::string("\x01\0\0\0\xff\0", 6)));
  EXPECT_TRUE(
      Decodes(Header() + one + "\x07" + one + std::string("\x01\0\0\0k\0", 6)));
}

TEST(CodecTest, HugeCountsAreRefusedBeforeAllocating) {
  std::string huge = "\xff\xff\xff\xff";
  std::string one = std::string("\x01\0\0\0", 4);
  EXPECT_FALSE(Decodes(Header() + huge));
  EXPECT_FALSE(Decodes(Header() + one + "\x04" + huge + "ab"));
  EXPECT_FALSE(Decodes(Header() + one + "\x05" + huge + "ab"));
  EXPECT_FALSE(Decodes(Header() + one + "\x06" + huge));
  EXPECT_FALSE(Decodes(Header() + one + "\x07" + huge));
  EXPECT_FALSE(Decodes(Header() + one + "\x07" + one + huge));
  uint32_t length = 0;
  EXPECT_FALSE(Codec::ReadLength(huge.data(), &length));
}

TEST(CodecTest, NestingIsBoundedBothWays) {
  CefRefPtr<CefListValue> received;
  ASSERT_TRUE(Decodes(Payload(Op::kProcessMessage, Nested(Codec::kMaxDepth)),
                      &received));
  EXPECT_TRUE(received->IsEqual(Nested(Codec::kMaxDepth)));
  std::string frame;
  EXPECT_FALSE(
      Codec::Encode(Op::kProcessMessage, Nested(Codec::kMaxDepth + 1), &frame));
  EXPECT_TRUE(frame.empty());
  // Hand-made: more nested lists than allowed.
  std::string deep = Header();
  for (int i = 0; i < Codec::kMaxDepth + 1; ++i)
    deep += std::string("\x01\0\0\0\x06", 5);
  deep += std::string("\0\0\0\0", 4);
  EXPECT_FALSE(Decodes(deep));
  // And far more than that, without exhausting the stack.
  std::string very_deep = Header();
  for (int i = 0; i < 100000; ++i)
    very_deep += std::string("\x01\0\0\0\x06", 5);
  EXPECT_FALSE(Decodes(very_deep));
}

// A payload whose list holds |count| one-byte nulls.
std::string NullsPayload(uint32_t count) {
  std::string payload = Header();
  for (int i = 0; i < 4; ++i)
    payload.push_back(static_cast<char>((count >> (8 * i)) & 0xFF));
  payload.append(count, '\0');
  return payload;
}

TEST(CodecTest, ValuesPerPayloadAreBoundedBothWays) {
  CefRefPtr<CefListValue> received;
  ASSERT_TRUE(Decodes(NullsPayload(Codec::kMaxValues), &received));
  EXPECT_EQ(Codec::kMaxValues, received->GetSize());
  EXPECT_FALSE(Decodes(NullsPayload(Codec::kMaxValues + 1)));
  // Containers count as values too: the limit in nested lists.
  CefRefPtr<CefListValue> inner = CefListValue::Create();
  for (size_t i = 0; i + 1 < Codec::kMaxValues; ++i)
    inner->SetNull(i);
  CefRefPtr<CefListValue> args = CefListValue::Create();
  args->SetList(0, inner);
  ASSERT_TRUE(Decodes(Payload(Op::kProcessMessage, args), &received));
  EXPECT_TRUE(received->IsEqual(args));
  inner->SetNull(Codec::kMaxValues - 1);
  args->SetList(0, inner);
  std::string frame;
  EXPECT_FALSE(Codec::Encode(Op::kProcessMessage, args, &frame));
  EXPECT_TRUE(frame.empty());
}

TEST(CodecTest, LargestFrameOfNullsIsRefusedWithoutGreatCost) {
  // The frame that used to claim gigabytes once decoded.
  const uint32_t count = Codec::kMaxPayloadSize - 9;
  std::string payload = NullsPayload(count);
  ASSERT_EQ(Codec::kMaxPayloadSize, payload.size());
  EXPECT_FALSE(Decodes(payload));
  // Dictionaries whose entries are nulls under empty keys, the same way.
  std::string dict = Header() + std::string("\x01\0\0\0\x07", 5);
  const uint32_t entries = (Codec::kMaxPayloadSize - dict.size() - 4) / 5;
  for (int i = 0; i < 4; ++i)
    dict.push_back(static_cast<char>((entries >> (8 * i)) & 0xFF));
  for (uint32_t i = 0; i < entries; ++i)
    dict.append("\0\0\0\0\0", 5);
  EXPECT_FALSE(Decodes(dict));
}

std::string U32Text(uint32_t value) {
  std::string text;
  for (int i = 0; i < 4; ++i)
    text.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  return text;
}

TEST(CodecTest, ListCountsAreClaimsNotReservations) {
  // Lists nested as deep as allowed, each claiming as many values as the
  // payload's bytes could hold, the bytes being one binary value: what the
  // decoder takes stays near the payload's size whatever the claims.
  const uint32_t claim = 263 * 1024;
  std::string payload = Header() + U32Text(claim);
  for (int depth = 2; depth < Codec::kMaxDepth; ++depth)
    payload += "\x06" + U32Text(claim);
  payload += "\x05" + U32Text(claim) + std::string(claim, 'b');
  {
    AllocationProbe probe;
    EXPECT_FALSE(Decodes(payload));
    EXPECT_LT(probe.total(), 4u * 1024 * 1024);
  }
  // Counts that are true still decode whole.
  CefRefPtr<CefListValue> received;
  ASSERT_TRUE(Decodes(NullsPayload(100000), &received));
  EXPECT_EQ(100000u, received->GetSize());
}

TEST(CodecTest, RandomCorruptionNeverCrashes) {
  std::string payload = Payload(Op::kProcessMessage, AllTypes());
  std::mt19937 random(1234);
  int decoded = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = payload;
    int flips = 1 + random() % 4;
    for (int i = 0; i < flips; ++i)
      damaged[random() % damaged.size()] = static_cast<char>(random());
    CefRefPtr<CefListValue> out;
    if (Decodes(damaged, &out)) {
      ++decoded;
      ASSERT_TRUE(out);
    }
  }
  printf("corrupted payloads still decoding: %d of 3000\n", decoded);
}

}  // namespace
}  // namespace cef_internal
