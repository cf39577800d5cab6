#include "src/script/compiled_scripts.h"

#include "src/script/v8_context_impl.h"

namespace cef_internal {

constexpr size_t CompiledScripts::kMaxEntries;
constexpr size_t CompiledScripts::kMaxKeyBytes;

// static
std::string CompiledScripts::KeyOf(const std::string& name,
                                   const std::string& bytes) {
  if (name.size() + bytes.size() > kMaxKeyBytes)
    return std::string();
  // The name's length first, so that no name and text pair reads as another.
  std::string key = std::to_string(name.size());
  key.reserve(key.size() + 1 + name.size() + bytes.size());
  key.push_back(':');
  key.append(name).append(bytes);
  return key;
}

bool CompiledScripts::Push(V8ContextImpl* context, const std::string& key) {
  if (key.empty())
    return false;
  auto found = ids_.find(key);
  if (found == ids_.end())
    return false;
  if (context->StashPush(found->second))
    return true;
  ids_.erase(found);
  return false;
}

void CompiledScripts::Add(V8ContextImpl* context,
                          const std::string& key,
                          duk_idx_t index) {
  if (key.empty() || ids_.count(key))
    return;
  if (ids_.size() >= kMaxEntries)
    Clear(context);
  uint32_t id = context->StashAdd(index);
  if (id)
    ids_.emplace(key, id);
}

void CompiledScripts::Clear(V8ContextImpl* context) {
  if (context) {
    for (const auto& entry : ids_)
      context->StashRemove(entry.second);
  }
  ids_.clear();
}

}  // namespace cef_internal
