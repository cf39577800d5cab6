#include "src/script/script_text.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "src/script/duk_string.h"
#include "src/script/large_blocks.h"

namespace cef_internal {

namespace {

// Texts up to this long are converted on the stack first.
constexpr size_t kShortUnits = 512;

char* Allocate(size_t size) {
  char* bytes = static_cast<char*>(LargeBlocks::Allocate(size));
  if (!bytes)
    throw std::bad_alloc();
  return bytes;
}

}  // namespace

void ScriptText::Free::operator()(char* bytes) const {
  LargeBlocks::Free(bytes);
}

ScriptText::ScriptText() {}

ScriptText::ScriptText(const CefString& text) {
  const size_t units = text.length();
  if (!units)
    return;
  if (units <= kShortUnits) {
    // Converted on the stack, then one block of the exact size.
    char bytes[3 * kShortUnits];
    size_ = WriteCesu8(text.c_str(), units, bytes) - bytes;
    bytes_.reset(Allocate(size_));
    std::memcpy(bytes_.get(), bytes, size_);
    return;
  }
  if (units > SIZE_MAX / 3)
    throw std::bad_alloc();
  // Room for the worst case (three bytes a unit), one writing pass, then cut
  // to what was written (a large block keeps its room for the next long
  // text): no counting pass and no zero-filling, which cost as much as the
  // conversion itself for a long text.
  bytes_.reset(Allocate(units * 3));
  size_ = WriteCesu8(text.c_str(), units, bytes_.get()) - bytes_.get();
  if (char* cut =
          static_cast<char*>(LargeBlocks::Reallocate(bytes_.get(), size_))) {
    bytes_.release();
    bytes_.reset(cut);
  }
}

ScriptText::ScriptText(ScriptText&& other) noexcept
    : bytes_(std::move(other.bytes_)), size_(other.size_) {
  other.size_ = 0;
}

ScriptText& ScriptText::operator=(ScriptText&& other) noexcept {
  bytes_ = std::move(other.bytes_);
  size_ = other.size_;
  other.size_ = 0;
  return *this;
}

ScriptText::~ScriptText() {}

void ScriptText::Push(duk_context* ctx) const {
  duk_push_lstring(ctx, bytes_.get(), size_);
}

CefString ScriptText::ToCefString() const {
  return size_ ? FromCesu8(bytes_.get(), size_) : CefString();
}

}  // namespace cef_internal
