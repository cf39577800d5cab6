// Resolves the URLs a document names (iframe src, window.open) against the
// document's own URL, the way a browser does for hierarchical schemes.
#ifndef FRAMEWORK_SRC_RENDERER_URL_RESOLVER_H_
#define FRAMEWORK_SRC_RENDERER_URL_RESOLVER_H_

#include <string>

namespace cef_internal {

class UrlResolver {
 public:
  // |reference| unchanged when it has a scheme or |base| is not
  // hierarchical (about:, data:, ...); otherwise joined with |base| and its
  // dot segments removed. An empty reference gives |base| without fragment.
  static std::wstring Resolve(const std::wstring& base,
                              const std::wstring& reference);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_RENDERER_URL_RESOLVER_H_
