// The settings and window records are C layouts whose strings are set
// through a CefString that refers to the field.
#include <gtest/gtest.h>

#include "include/internal/cef_types_wrappers.h"
#include "include/internal/cef_win.h"

namespace {

TEST(SettingsRecords, StringFieldIsWrittenThroughAReferringString) {
  CefSettings settings;
  EXPECT_EQ(sizeof(cef_settings_t), settings.size);
  EXPECT_EQ(0, settings.single_process);
  EXPECT_EQ(0u, settings.log_file.length);
  CefString(&settings.log_file) = std::wstring(L"C:\\temp\\a.log");
  ASSERT_EQ(13u, settings.log_file.length);
  EXPECT_EQ(std::wstring(L"C:\\temp\\a.log"),
            std::wstring(settings.log_file.str, settings.log_file.length));
  // Assigning again replaces the text; an empty assignment clears it.
  CefString(&settings.log_file) = "b.log";
  EXPECT_EQ("b.log", CefString(&settings.log_file).ToString());
  CefString(&settings.log_file) = "";
  EXPECT_EQ(0u, settings.log_file.length);
  EXPECT_TRUE(CefString(&settings.log_file).empty());
  EXPECT_STREQ(L"", CefString(&settings.log_file).c_str());
}

TEST(SettingsRecords, CopiesOwnTheirStrings) {
  CefSettings original;
  CefString(&original.browser_subprocess_path) = "sub.exe";
  original.single_process = 1;
  {
    CefSettings copy(original);
    EXPECT_NE(original.browser_subprocess_path.str,
              copy.browser_subprocess_path.str);
    EXPECT_EQ(1, copy.single_process);
    CefString(&copy.browser_subprocess_path) = "other.exe";
  }  // the copy frees only its own text
  EXPECT_EQ("sub.exe", CefString(&original.browser_subprocess_path).ToString());

  CefBrowserSettings browser_settings;
  CefString(&browser_settings.default_encoding) = "UTF-8";
  CefBrowserSettings assigned;
  CefString(&assigned.default_encoding) = "replaced";
  assigned = browser_settings;
  assigned = assigned;  // self-assignment keeps the text
  EXPECT_EQ("UTF-8", CefString(&assigned.default_encoding).ToString());
  EXPECT_NE(browser_settings.default_encoding.str,
            assigned.default_encoding.str);
}

TEST(SettingsRecords, ACopiedStringOwnsItsText) {
  cef_string_t record = {};
  cef_string_set(L"abc", 3, &record, 1);
  CefString copy;
  {
    CefString referring(&record);
    copy = referring;
    CefString constructed(referring);
    EXPECT_EQ(L"abc", constructed.ToWString());
  }
  cef_string_clear(&record);
  EXPECT_EQ(L"abc", copy.ToWString());
  // A string refers to the record without owning it: the record keeps
  // what was written after the string is gone.
  {
    CefString writer(&record);
    writer = L"kept";
  }
  EXPECT_EQ(L"kept", std::wstring(record.str, record.length));
  // Writing a record's own text back into it keeps the text.
  CefString referring(&record);
  referring = CefString(&record);
  referring = referring.ToWString().substr(1);
  EXPECT_EQ(L"ept", std::wstring(record.str, record.length));
  cef_string_clear(&record);
}

TEST(SettingsRecords, WindowInfoCopiesItsName) {
  CefWindowInfo info;
  info.SetAsPopup(nullptr, "kxweb");
  info.ex_style = WS_EX_TOOLWINDOW;
  CefWindowInfo copy(info);
  EXPECT_EQ(L"kxweb", CefString(&copy.window_name).ToWString());
  EXPECT_NE(info.window_name.str, copy.window_name.str);
  EXPECT_EQ(static_cast<DWORD>(WS_EX_TOOLWINDOW), copy.ex_style);
  EXPECT_EQ(CW_USEDEFAULT, copy.width);
  info.SetAsPopup(nullptr, "avatar");
  EXPECT_EQ(L"kxweb", CefString(&copy.window_name).ToWString());
}

TEST(SettingsRecords, PopupFeaturesDefaultToVisibleBars) {
  CefPopupFeatures features;
  EXPECT_EQ(1, features.menuBarVisible);
  EXPECT_EQ(1, features.resizable);
  EXPECT_EQ(0, features.xSet);
  EXPECT_EQ(nullptr, features.additionalFeatures);
}

}  // namespace
