#include "src/script/extension_registry.h"

#include "src/script/native_function_rewriter.h"

namespace cef_internal {

namespace {

thread_local ExtensionRegistry* g_active_registry = nullptr;

}  // namespace

ExtensionRegistry::ScopedActivation::ScopedActivation(
    ExtensionRegistry* registry)
    : previous_(g_active_registry) {
  g_active_registry = registry;
}

ExtensionRegistry::ScopedActivation::~ScopedActivation() {
  g_active_registry = previous_;
}

ExtensionRegistry::ExtensionRegistry() {}

ExtensionRegistry::~ExtensionRegistry() {}

ExtensionRegistry* ExtensionRegistry::Active() {
  return g_active_registry;
}

bool ExtensionRegistry::Register(const CefString& name,
                                 const CefString& code,
                                 CefRefPtr<CefV8Handler> handler) {
  if (name.empty())
    return false;
  for (const ScriptExtension& extension : extensions_) {
    if (extension.name == name)
      return false;
  }
  ScriptExtension extension;
  extension.name = name;
  extension.code = NativeFunctionRewriter::Rewrite(
      code.ToString(), static_cast<int>(extensions_.size()),
      &extension.function_names);
  for (const std::string& function : extension.function_names)
    extension.functions.push_back(CefString(function));
  extension.handler = handler;
  extensions_.push_back(std::move(extension));
  return true;
}

}  // namespace cef_internal

bool CefRegisterExtension(const CefString& extension_name,
                          const CefString& javascript_code,
                          CefRefPtr<CefV8Handler> handler) {
  cef_internal::ExtensionRegistry* registry =
      cef_internal::ExtensionRegistry::Active();
  return registry &&
         registry->Register(extension_name, javascript_code, handler);
}
