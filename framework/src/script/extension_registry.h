// The extensions registered in one render process. Several render sides can
// live in one process (tests, single-process mode), so registrations go to
// the registry that is active on the calling thread: the render side makes
// its own active while it initialises and while it handles a message.
#ifndef FRAMEWORK_SRC_SCRIPT_EXTENSION_REGISTRY_H_
#define FRAMEWORK_SRC_SCRIPT_EXTENSION_REGISTRY_H_

#include <string>
#include <vector>

#include "include/cef_v8.h"

namespace cef_internal {

struct ScriptExtension {
  CefString name;
  // Code with its native declarations already rewritten (UTF-8).
  std::string code;
  CefRefPtr<CefV8Handler> handler;
  // The declared native functions: UTF-8 names as the code calls them, and
  // the same names as handed to the handler.
  std::vector<std::string> function_names;
  std::vector<CefString> functions;
};

class ExtensionRegistry {
 public:
  // Makes |registry| the active one for its life on this thread.
  class ScopedActivation {
   public:
    explicit ScopedActivation(ExtensionRegistry* registry);
    ~ScopedActivation();
    ScopedActivation(const ScopedActivation&) = delete;
    ScopedActivation& operator=(const ScopedActivation&) = delete;

   private:
    ExtensionRegistry* previous_;
  };

  ExtensionRegistry();
  ~ExtensionRegistry();
  ExtensionRegistry(const ExtensionRegistry&) = delete;
  ExtensionRegistry& operator=(const ExtensionRegistry&) = delete;

  static ExtensionRegistry* Active();

  // False for an empty or already registered name.
  bool Register(const CefString& name,
                const CefString& code,
                CefRefPtr<CefV8Handler> handler);
  const std::vector<ScriptExtension>& extensions() const { return extensions_; }

 private:
  std::vector<ScriptExtension> extensions_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_EXTENSION_REGISTRY_H_
