// A mutation fuzzer over the channel codec's decoder, the part that reads
// what another process wrote. Properties: nothing crashes or hangs; every
// payload that decodes encodes again and decodes to the same op and the
// same values.
#include <stdio.h>

#include <random>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "src/channel/codec.h"
#include "tests/framework_core/fuzz_settings.h"

namespace cef_internal {
namespace {

using fuzz_test::FuzzInputs;
using fuzz_test::FuzzSeed;

std::vector<std::string> SeedPayloads() {
  std::vector<CefRefPtr<CefListValue>> lists;
  CefRefPtr<CefListValue> scalars = CefListValue::Create();
  scalars->SetNull(0);
  scalars->SetBool(1, true);
  scalars->SetInt(2, -7);
  scalars->SetDouble(3, 0.5);
  scalars->SetString(4, L"t\u00e9xt");
  scalars->SetBinary(5, CefBinaryValue::Create("\x01\x02\x03", 3));
  lists.push_back(scalars);
  CefRefPtr<CefListValue> message = CefListValue::Create();
  message->SetInt(0, 3);
  message->SetString(1, "set_option");
  CefRefPtr<CefDictionaryValue> entry = CefDictionaryValue::Create();
  entry->SetInt("uic_type", 3);
  entry->SetInt("filter_id", 12);
  entry->SetBool("is_filter", true);
  CefRefPtr<CefListValue> entries = CefListValue::Create();
  entries->SetDictionary(0, entry);
  entries->SetDictionary(1, entry->Copy(false));
  message->SetList(2, entries);
  lists.push_back(message);
  CefRefPtr<CefListValue> nested = CefListValue::Create();
  CefRefPtr<CefListValue> level = nested;
  for (int i = 0; i < 6; ++i) {
    level->SetList(0, CefListValue::Create());
    level->SetInt(1, i);
    level = level->GetList(0);
  }
  lists.push_back(nested);
  lists.push_back(CefListValue::Create());
  std::vector<std::string> payloads;
  for (const CefRefPtr<CefListValue>& list : lists) {
    std::string frame;
    EXPECT_TRUE(Codec::Encode(Op::kProcessMessage, list, &frame));
    payloads.push_back(frame.substr(Codec::kLengthSize));
  }
  return payloads;
}

class PayloadMutator {
 public:
  explicit PayloadMutator(uint32_t seed)
      : random_(seed), seeds_(SeedPayloads()) {}

  std::string Next() {
    std::string payload = seeds_[Below(seeds_.size())];
    int steps = 1 + Below(4);
    for (int i = 0; i < steps; ++i)
      Mutate(&payload);
    return payload;
  }

 private:
  int Below(size_t n) { return n ? static_cast<int>(random_() % n) : 0; }

  void Mutate(std::string* payload) {
    size_t at = Below(payload->size() + 1);
    switch (Below(6)) {
      case 0:
        if (!payload->empty())
          (*payload)[Below(payload->size())] = static_cast<char>(random_());
        break;
      case 1:  // a count or size field made huge, small or off by one
        if (at + 4 <= payload->size()) {
          const uint32_t values[] = {0, 1, 0x7FFFFFFF, 0xFFFFFFFF,
                                     static_cast<uint32_t>(random_() % 300)};
          uint32_t value = values[Below(5)];
          for (int i = 0; i < 4; ++i)
            (*payload)[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        }
        break;
      case 2:
        payload->resize(at);
        break;
      case 3:
        payload->insert(at, 1, static_cast<char>(Below(9)));  // a tag
        break;
      case 4: {
        std::string piece = payload->substr(at, 1 + Below(24));
        payload->insert(at, piece);
        break;
      }
      default:
        payload->erase(at, 1 + Below(6));
        break;
    }
  }

  std::mt19937 random_;
  std::vector<std::string> seeds_;
};

TEST(CodecFuzzTest, MutatedPayloadsDecodeWholeOrNotAtAll) {
  const uint32_t seed = FuzzSeed();
  const uint32_t inputs = FuzzInputs(100000);
  PayloadMutator mutator(seed);
  uint32_t decoded = 0;
  for (uint32_t n = 0; n < inputs; ++n) {
    const std::string payload = mutator.Next();
    Op op;
    CefRefPtr<CefListValue> args;
    if (!Codec::Decode(payload.data(), payload.size(), &op, &args))
      continue;
    ++decoded;
    ASSERT_TRUE(args);
    std::string frame;
    ASSERT_TRUE(Codec::Encode(op, args, &frame)) << "seed " << seed;
    Op op_again;
    CefRefPtr<CefListValue> again;
    ASSERT_TRUE(Codec::Decode(frame.data() + Codec::kLengthSize,
                              frame.size() - Codec::kLengthSize, &op_again,
                              &again))
        << "seed " << seed << " input " << n;
    ASSERT_EQ(op, op_again);
    // Compared as bytes: a double from random bits may be a NaN, which no
    // value comparison finds equal to itself.
    std::string frame_again;
    ASSERT_TRUE(Codec::Encode(op_again, again, &frame_again));
    ASSERT_EQ(frame, frame_again) << "seed " << seed << " input " << n;
  }
  printf(
      "codec fuzz: seed %u, %u payloads, %u decoded (each encoded and "
      "decoded again alike), %u refused\n",
      seed, inputs, decoded, inputs - decoded);
  EXPECT_GT(decoded, 0u);
}

}  // namespace
}  // namespace cef_internal
