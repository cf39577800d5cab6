// C++ owners of the framework's C records: each owns the strings of its
// record, copies them deeply and frees them when destroyed.
#ifndef CEF_INCLUDE_INTERNAL_CEF_TYPES_WRAPPERS_H_
#define CEF_INCLUDE_INTERNAL_CEF_TYPES_WRAPPERS_H_

#include <cstring>

#include "include/internal/cef_string.h"
#include "include/internal/cef_types.h"

// Owns one |traits::struct_type|, which it derives from so that the record's
// fields are its own. |traits| gives init (defaults after zeroing), clear
// (frees owned strings) and set (copies a record, strings deeply when asked).
template <class traits>
class CefStructBase : public traits::struct_type {
 public:
  typedef typename traits::struct_type struct_type;

  CefStructBase() : attached_to_(nullptr) { Init(); }
  virtual ~CefStructBase() {
    if (!attached_to_)
      Clear(this);
  }
  CefStructBase(const CefStructBase& r) {
    Init();
    *this = r;
  }
  CefStructBase(const struct_type& r) {
    Init();
    *this = r;
  }

  // Frees what the record owns and restores the defaults.
  void Reset() {
    Clear(this);
    Init();
  }
  // Takes |source|'s fields without copying their strings; |source| keeps
  // owning them.
  void AttachTo(struct_type& source) {
    if (!attached_to_)
      Clear(this);
    attached_to_ = &source;
    std::memcpy(static_cast<struct_type*>(this), &source, sizeof(struct_type));
  }
  // Hands the fields, strings included, over to |target|.
  void DetachTo(struct_type& target) {
    if (attached_to_ != &target)
      Clear(&target);
    std::memcpy(&target, static_cast<struct_type*>(this), sizeof(struct_type));
    Init();
  }
  void Set(const struct_type& source, bool copy) {
    traits::set(&source, this, copy);
  }

  CefStructBase& operator=(const CefStructBase& s) {
    return operator=(static_cast<const struct_type&>(s));
  }
  CefStructBase& operator=(const struct_type& s) {
    Set(s, true);
    return *this;
  }

 protected:
  void Init() {
    std::memset(static_cast<struct_type*>(this), 0, sizeof(struct_type));
    attached_to_ = nullptr;
    traits::init(this);
  }
  static void Clear(struct_type* s) { traits::clear(s); }

  struct_type* attached_to_;
};

namespace cef_struct_util {

// Copies every field of |src| into |target|; the listed string fields are
// then set from |src|'s (copied when |copy|), after freeing |target|'s.
template <typename S, size_t N>
void SetWithStrings(const S* src,
                    S* target,
                    bool copy,
                    cef_string_t S::*const (&strings)[N]) {
  if (src == target)
    return;
  for (cef_string_t S::*field : strings)
    cef_string_clear(&(target->*field));
  size_t size = target->size;
  std::memcpy(target, src, sizeof(S));
  target->size = size;
  for (cef_string_t S::*field : strings) {
    target->*field = cef_string_t();
    cef_string_set((src->*field).str, (src->*field).length, &(target->*field),
                   copy);
  }
}

template <typename S, size_t N>
void ClearStrings(S* s, cef_string_t S::*const (&strings)[N]) {
  for (cef_string_t S::*field : strings)
    cef_string_clear(&(s->*field));
}

}  // namespace cef_struct_util

struct CefSettingsTraits {
  typedef cef_settings_t struct_type;
  static constexpr cef_string_t struct_type::*kStrings[] = {
      &struct_type::browser_subprocess_path,
      &struct_type::cache_path,
      &struct_type::user_data_path,
      &struct_type::user_agent,
      &struct_type::product_version,
      &struct_type::locale,
      &struct_type::log_file,
      &struct_type::javascript_flags,
      &struct_type::resources_dir_path,
      &struct_type::locales_dir_path,
      &struct_type::accept_language_list};

  static void init(struct_type* s) { s->size = sizeof(struct_type); }
  static void clear(struct_type* s) {
    cef_struct_util::ClearStrings(s, kStrings);
  }
  static void set(const struct_type* src, struct_type* target, bool copy) {
    cef_struct_util::SetWithStrings(src, target, copy, kStrings);
  }
};
typedef CefStructBase<CefSettingsTraits> CefSettings;

struct CefBrowserSettingsTraits {
  typedef cef_browser_settings_t struct_type;
  static constexpr cef_string_t struct_type::*kStrings[] = {
      &struct_type::standard_font_family, &struct_type::fixed_font_family,
      &struct_type::serif_font_family,    &struct_type::sans_serif_font_family,
      &struct_type::cursive_font_family,  &struct_type::fantasy_font_family,
      &struct_type::default_encoding,     &struct_type::accept_language_list};

  static void init(struct_type* s) { s->size = sizeof(struct_type); }
  static void clear(struct_type* s) {
    cef_struct_util::ClearStrings(s, kStrings);
  }
  static void set(const struct_type* src, struct_type* target, bool copy) {
    cef_struct_util::SetWithStrings(src, target, copy, kStrings);
  }
};
typedef CefStructBase<CefBrowserSettingsTraits> CefBrowserSettings;

// This framework never fills |additionalFeatures|: it stays null.
struct CefPopupFeaturesTraits {
  typedef cef_popup_features_t struct_type;

  static void init(struct_type* s) {
    s->menuBarVisible = 1;
    s->statusBarVisible = 1;
    s->toolBarVisible = 1;
    s->locationBarVisible = 1;
    s->scrollbarsVisible = 1;
    s->resizable = 1;
  }
  static void clear(struct_type* s) {}
  static void set(const struct_type* src, struct_type* target, bool copy) {
    *target = *src;
    target->additionalFeatures = nullptr;
  }
};
typedef CefStructBase<CefPopupFeaturesTraits> CefPopupFeatures;

#endif  // CEF_INCLUDE_INTERNAL_CEF_TYPES_WRAPPERS_H_
