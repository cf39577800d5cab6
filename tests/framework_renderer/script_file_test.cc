// <script src> on the stand-in: a file: page's script files run where they
// stand in the document; nothing else is read from disk.
#include <windows.h>

#include <fstream>
#include <string>

#include "gtest/gtest.h"
#include "src/testing/render_harness.h"
#include "tests/framework_renderer/test_render_app.h"

namespace {

using cef_internal::RenderHarness;
using renderer_test::TestRenderApp;

constexpr int kBrowser = 4;

class ScriptFileTest : public ::testing::Test {
 protected:
  ScriptFileTest() : app_(new TestRenderApp), harness_(app_) {
    harness_.CreateBrowser(kBrowser);
    wchar_t base[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    GetTempFileNameW(base, L"ksf", 0, path);
    DeleteFileW(path);
    CreateDirectoryW(path, nullptr);
    dir_ = CefString(path).ToString();
    CreateDirectoryA((dir_ + "\\lib").c_str(), nullptr);
  }
  ~ScriptFileTest() override {
    for (const char* name : {"\\lib\\a.js", "\\lib\\bom.js", "\\b.js"})
      DeleteFileA((dir_ + name).c_str());
    RemoveDirectoryA((dir_ + "\\lib").c_str());
    RemoveDirectoryA(dir_.c_str());
  }

  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + "\\" + name, std::ios::binary) << bytes;
  }
  // The file: URL of |name| in the test's folder.
  std::string Url(const std::string& name) {
    std::string url = "file:///" + dir_ + "/" + name;
    for (char& c : url) {
      if (c == '\\')
        c = '/';
    }
    return url;
  }
  std::string Eval(const std::string& code) {
    return harness_.Evaluate(kBrowser, code);
  }

  CefRefPtr<TestRenderApp> app_;
  RenderHarness harness_;
  std::string dir_;
};

TEST_F(ScriptFileTest, FilesRunInDocumentOrderBetweenInlineScripts) {
  Write("lib\\a.js", "log.push('a:' + document.readyState);\nvar fromA = 1;");
  Write("b.js", "log.push('b' + fromA);");
  ASSERT_TRUE(
      harness_.LoadPage(kBrowser, Url("page.html"),
                        "<script>var log = ['inline'];</script>"
                        "<script src=' lib/a.js '>log.push('ignored');</script>"
                        "<script src='lib/../b.js'></script>"
                        "<script>log.push('last');</script>"));
  EXPECT_EQ("inline,a:loading,b1,last", Eval("log.join()"));
  EXPECT_TRUE(harness_.console().empty());
}

TEST_F(ScriptFileTest, ByteOrderMarksAndErrorsNameTheFile) {
  Write("lib\\bom.js", "\xEF\xBB\xBFvar text = '\xC3\xA9';\nmissing();");
  ASSERT_TRUE(harness_.LoadPage(kBrowser, Url("page.html"),
                                "<script src='lib/bom.js'></script>"
                                "<script>var after = text.length;</script>"));
  EXPECT_EQ("1", Eval("after"));
  ASSERT_EQ(1u, harness_.console().size());
  EXPECT_EQ(Url("lib/bom.js"), harness_.console()[0].source);
  EXPECT_EQ(2, harness_.console()[0].line);
}

TEST_F(ScriptFileTest, MissingFilesAndOtherPagesOnlyReport) {
  ASSERT_TRUE(harness_.LoadPage(kBrowser, Url("page.html"),
                                "<script src='none.js'></script>"
                                "<script>var ran = true;</script>"));
  EXPECT_EQ("true", Eval("ran"));
  ASSERT_EQ(1u, harness_.console().size());
  EXPECT_EQ("Failed to load resource: net::ERR_FILE_NOT_FOUND",
            harness_.console()[0].message);
  EXPECT_EQ(Url("none.js"), harness_.console()[0].source);

  // A web page never reads the disk, not even with a file: URL.
  Write("b.js", "var read = true;");
  ASSERT_TRUE(harness_.LoadPage(kBrowser, "http://example.test/page.html",
                                "<script src='" + Url("b.js") +
                                    "'></script><script src='b.js'></script>"));
  EXPECT_EQ("undefined", Eval("typeof read"));
  EXPECT_EQ(3u, harness_.console().size());
}

}  // namespace
