// Extensions: registration per render side, the rewrite of native
// declarations and how their calls reach the handler.
#include <algorithm>

#include "gtest/gtest.h"
#include "src/script/native_function_rewriter.h"
#include "tests/framework_script/script_test_support.h"

namespace {

using cef_internal::ExtensionRegistry;
using cef_internal::NativeFunctionRewriter;
using script_test::EvalToString;
using script_test::MakeContext;
using script_test::RecordingDelegate;

// Answers Add(a, b), Fail() with an exception, Decline() with false and
// Nothing() with true but no value.
class MathHandler : public CefV8Handler {
 public:
  bool Execute(const CefString& name,
               CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override {
    calls.push_back(name.ToString());
    if (name == L"Add") {
      int sum = 0;
      for (const CefRefPtr<CefV8Value>& argument : arguments)
        sum += argument->GetIntValue();
      retval = CefV8Value::CreateInt(sum);
      return true;
    }
    if (name == L"Fail") {
      exception = "Fail refused";
      retval = CefV8Value::CreateInt(1);
      return true;
    }
    if (name == L"Keep") {
      kept_object = object;
      kept_arguments = arguments;
      return true;
    }
    if (name == L"Decline") {
      retval = CefV8Value::CreateInt(1);
      return false;
    }
    return true;
  }

  std::vector<std::string> calls;
  CefRefPtr<CefV8Value> kept_object;
  CefV8ValueList kept_arguments;
  IMPLEMENT_REFCOUNTING(MathHandler);
};

const char kMathExtension[] =
    "var math;\n"
    "if (!math) math = {};\n"
    "(function() {\n"
    "  math.add = function(a, b) {\n"
    "    native function Add(a, b);\n"
    "    return Add(a, b);\n"
    "  };\n"
    "  math.fail = function() { native function Fail(); return Fail(); };\n"
    "  math.decline = function() {\n"
    "    native function Decline(); return Decline(); };\n"
    "  math.nothing = function() {\n"
    "    native function Nothing(); return Nothing(); };\n"
    "  math.note = 'native function NotAFunction();';\n"
    "  math.early = function(a, b) {\n"
    "    var sum = Add(a, b); native function Add(a, b); return sum; };\n"
    "  math.keep = function(a, b) {\n"
    "    native function Keep(a, b); return Keep.call(this, a, b); };\n"
    "})();\n";

class ExtensionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    handler_ = new MathHandler;
    ExtensionRegistry::ScopedActivation active(&registry_);
    ASSERT_TRUE(CefRegisterExtension("v8/math", kMathExtension, handler_));
    context_ = MakeContext(&delegate_, &registry_);
  }
  void TearDown() override { context_->Invalidate(); }

  std::string Run(const std::string& code) {
    return EvalToString(context_, code);
  }

  ExtensionRegistry registry_;
  CefRefPtr<MathHandler> handler_;
  RecordingDelegate delegate_;
  CefRefPtr<cef_internal::V8ContextImpl> context_;
};

TEST_F(ExtensionTest, TopLevelVarBecomesAGlobal) {
  EXPECT_EQ("object", Run("typeof window.math"));
  EXPECT_EQ("function", Run("typeof math.add"));
  EXPECT_TRUE(delegate_.console.empty());
}

TEST_F(ExtensionTest, NativeCallsPassNameAndArguments) {
  EXPECT_EQ("42", Run("math.add(40, 2)"));
  EXPECT_EQ("7", Run("math.add.call(null, 3, 4)"));
  ASSERT_EQ(2u, handler_->calls.size());
  EXPECT_EQ("Add", handler_->calls[0]);
}

TEST_F(ExtensionTest, ReceiverAndArgumentsKeptByTheHandlerOutliveTheCall) {
  // The receiver and object arguments are only pointed at during a call;
  // what the handler keeps must hold on to its object once the script
  // dropped every reference and the heap collected its garbage.
  EXPECT_EQ("ok", Run("(function() {"
                      "  var receiver = {tag: 'receiver'};"
                      "  math.keep.call(receiver, [1, 2, 3], new Date(0));"
                      "  return 'ok'; })()"));
  duk_gc(context_->heap(), 0);
  duk_gc(context_->heap(), 0);
  ASSERT_TRUE(handler_->kept_object);
  ASSERT_EQ(2u, handler_->kept_arguments.size());
  EXPECT_EQ(
      "receiver",
      handler_->kept_object->GetValue("tag")->GetStringValue().ToString());
  EXPECT_FALSE(handler_->kept_object->IsArray());
  CefRefPtr<CefV8Value> array = handler_->kept_arguments[0];
  EXPECT_TRUE(array->IsArray());
  EXPECT_EQ(3, array->GetArrayLength());
  EXPECT_EQ(2, array->GetValue(1)->GetIntValue());
  EXPECT_TRUE(handler_->kept_arguments[1]->IsDate());
  EXPECT_FALSE(array->IsSame(handler_->kept_object));
  EXPECT_TRUE(array->IsSame(handler_->kept_arguments[0]));
  // Values the handler did not keep leave nothing behind that breaks the
  // next calls.
  EXPECT_EQ("42", Run("math.add({}, 40) + math.add([], 2)"));
  handler_->kept_object = nullptr;
  handler_->kept_arguments.clear();
}

TEST_F(ExtensionTest, ExecuteOutcomesFollowTheRealFramework) {
  EXPECT_EQ("undefined", Run("typeof math.decline()"));
  EXPECT_EQ("undefined", Run("typeof math.nothing()"));
  EXPECT_EQ("Error:Fail refused",
            Run("try { math.fail(); 'none' } catch (e) {"
                " e instanceof Error ? 'Error:' + e.message : 'other' }"));
  EXPECT_EQ("throws: Uncaught Error: Fail refused", Run("math.fail()"));
}

TEST_F(ExtensionTest, DeclarationsInStringsStayText) {
  EXPECT_EQ("native function NotAFunction();", Run("math.note"));
  EXPECT_EQ("undefined", Run("typeof NotAFunction"));
  // Declared names are scoped to their functions, not global.
  EXPECT_EQ("undefined", Run("typeof Add"));
}

TEST_F(ExtensionTest, DispatcherIsHiddenAndFixed) {
  const std::string name = cef_internal::kNativeDispatcherName;
  EXPECT_EQ("false", Run("Object.keys(window).indexOf('" + name + "') >= 0"));
  EXPECT_EQ("false", Run("delete window." + name));
  EXPECT_EQ("function", Run(name + " = 1; typeof " + name));
  EXPECT_EQ("42", Run("math.add(40, 2)"));
  // Out-of-range extension numbers from a curious page do nothing.
  EXPECT_EQ("undefined", Run("typeof " + name + "(99, 'Add', this, [1])"));
  EXPECT_EQ("undefined", Run("typeof " + name + "(-1, 'Add', this, null)"));
}

TEST_F(ExtensionTest, NativesAreBoundBeforeTheirDeclarationAndTheTableIsFixed) {
  EXPECT_EQ("5", Run("math.early(2, 3)"));
  const std::string table = "__cef_internal_natives__";
  EXPECT_EQ("false", Run("Object.keys(window).indexOf('" + table + "') >= 0"));
  EXPECT_EQ("false", Run("delete window." + table));
  // Neither the table nor a row can be changed by a page.
  Run(table + " = 1; " + table + "[0][0] = null; " + table + "[0] = null;");
  EXPECT_EQ("42", Run("math.add(40, 2)"));
  EXPECT_EQ("function", Run("typeof " + table + "[0][0]"));
}

TEST_F(ExtensionTest, EveryContextRunsTheExtensions) {
  RecordingDelegate other_delegate;
  CefRefPtr<cef_internal::V8ContextImpl> other =
      MakeContext(&other_delegate, &registry_);
  EXPECT_EQ("5", EvalToString(other, "math.add(2, 3)"));
  Run("math.extra = 1;");
  EXPECT_EQ("undefined", EvalToString(other, "typeof math.extra"));
  other->Invalidate();
}

// The one-line form real extensions use: declarations inside nested
// function expressions, separated by runs of spaces rather than lines.
TEST(ExtensionOneLineTest, NestedDeclarationsOnOneLine) {
  const char kCode[] =
      "var Helper;if (!Helper)    Helper = {};(function() {    "
      "Helper.Count = function() {        native function Count();        "
      "return Count();    };})();(function() {    Helper.Pick = "
      "function(int) {        native function Pick(int);        return "
      "Pick(int);    };})();";
  ExtensionRegistry registry;
  CefRefPtr<MathHandler> handler = new MathHandler;
  {
    ExtensionRegistry::ScopedActivation active(&registry);
    ASSERT_TRUE(CefRegisterExtension("v8/Helper", kCode, handler));
  }
  RecordingDelegate delegate;
  CefRefPtr<cef_internal::V8ContextImpl> context =
      MakeContext(&delegate, &registry);
  EXPECT_EQ("undefined", EvalToString(context, "typeof Helper.Pick(3)"));
  EXPECT_EQ("undefined", EvalToString(context, "typeof Helper.Count()"));
  EXPECT_EQ((std::vector<std::string>{"Pick", "Count"}), handler->calls);
  EXPECT_TRUE(delegate.console.empty());
  context->Invalidate();
}

TEST(ExtensionRegistryTest, RegistrationNeedsAnActiveRenderSide) {
  EXPECT_FALSE(CefRegisterExtension("v8/none", "var x;", nullptr));
  ExtensionRegistry first;
  ExtensionRegistry second;
  {
    ExtensionRegistry::ScopedActivation active(&first);
    EXPECT_TRUE(CefRegisterExtension("v8/a", "var a = 1;", nullptr));
    EXPECT_FALSE(CefRegisterExtension("v8/a", "var b = 1;", nullptr));
    EXPECT_FALSE(CefRegisterExtension("", "var c = 1;", nullptr));
    {
      ExtensionRegistry::ScopedActivation nested(&second);
      EXPECT_TRUE(CefRegisterExtension("v8/a", "var d = 1;", nullptr));
    }
    EXPECT_TRUE(CefRegisterExtension("v8/e", "var e = 1;", nullptr));
  }
  EXPECT_EQ(2u, first.extensions().size());
  EXPECT_EQ(1u, second.extensions().size());
  EXPECT_FALSE(CefRegisterExtension("v8/late", "var x;", nullptr));
}

TEST(ExtensionRegistryTest, BrokenExtensionIsReportedAndOthersStillRun) {
  ExtensionRegistry registry;
  {
    ExtensionRegistry::ScopedActivation active(&registry);
    CefRegisterExtension("v8/broken", "var x = ;", nullptr);
    CefRegisterExtension("v8/fine", "var fine = 'yes';", nullptr);
  }
  RecordingDelegate delegate;
  CefRefPtr<cef_internal::V8ContextImpl> context =
      MakeContext(&delegate, &registry);
  EXPECT_EQ("yes", EvalToString(context, "fine"));
  ASSERT_EQ(1u, delegate.console.size());
  EXPECT_EQ("v8/broken", delegate.console[0].source);
  context->Invalidate();
}

TEST(NativeFunctionRewriterTest, KeepsLinesAndSkipsLiterals) {
  std::vector<std::string> names;
  std::string out = NativeFunctionRewriter::Rewrite(
      "native function A(x,\n y);\n"
      "// native function B();\n"
      "/* native function C(); */ 'native function D();'\n"
      "obj.native function E();\n"
      "native function (broken);\n"
      "native  function\tF()",
      3, &names);
  ASSERT_EQ(2u, names.size());
  EXPECT_EQ("A", names[0]);
  EXPECT_EQ("F", names[1]);
  EXPECT_EQ(6, std::count(out.begin(), out.end(), '\n'));
  // Top-level declarations bind at the start of the code.
  EXPECT_EQ(0u, out.find("var A=__cef_internal_natives__[3][0];"
                         "var F=__cef_internal_natives__[3][1];"));
  EXPECT_NE(std::string::npos, out.find("// native function B();"));
  EXPECT_NE(std::string::npos, out.find("'native function D();'"));
  EXPECT_NE(std::string::npos, out.find("obj.native function E();"));
  EXPECT_NE(std::string::npos, out.find("native function (broken);"));
}

TEST(NativeFunctionRewriterTest, BindingsGoToTheEnclosingFunctionBody) {
  std::vector<std::string> names;
  std::string out = NativeFunctionRewriter::Rewrite(
      "var o = {a: 1};\n"
      "function f() { if (o) { g(); } native function G(); }\n"
      "o.h = function(x) { return H(x); native function H(x); };",
      1, &names);
  ASSERT_EQ(2u, names.size());
  EXPECT_EQ(
      "var o = {a: 1};\n"
      "function f() {var G=__cef_internal_natives__[1][0]; if (o) { g(); }  }\n"
      "o.h = function(x) {var H=__cef_internal_natives__[1][1]; return H(x);  "
      "};",
      out);
}

TEST(NativeFunctionRewriterTest, UnpairedBracesFallBackToTheDispatcher) {
  // A brace in a regular expression cannot be told from code: declarations
  // then call the dispatcher, hoisted as declarations are.
  std::vector<std::string> names;
  std::string out = NativeFunctionRewriter::Rewrite(
      "function f() { var r = /}/; native function A(x); return A(1); }", 2,
      &names);
  ASSERT_EQ(1u, names.size());
  EXPECT_NE(std::string::npos,
            out.find("function A(x){return __cef_internal_native__"
                     "(2,\"A\",this,arguments);}"));
  EXPECT_EQ(std::string::npos, out.find("__cef_internal_natives__"));
}

TEST(NativeFunctionRewriterTest, UnterminatedInputEndsCleanly) {
  const char* inputs[] = {
      "native",       "native function", "native function X(",
      "'open string", "/* open comment", "native function X(a"};
  for (const char* input : inputs) {
    std::vector<std::string> names;
    EXPECT_EQ(input, NativeFunctionRewriter::Rewrite(input, 0, &names));
    EXPECT_TRUE(names.empty()) << input;
  }
}

}  // namespace
