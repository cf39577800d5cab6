// Script values: type mapping, object operations, functions and what
// happens to values whose context is released.
#include <cmath>

#include "gtest/gtest.h"
#include "tests/framework_script/script_test_support.h"

namespace {

using script_test::MakeContext;
using script_test::RecordingDelegate;

class V8ValueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = MakeContext(&delegate_);
    ASSERT_TRUE(context_);
    ASSERT_TRUE(context_->Enter());
  }
  void TearDown() override {
    context_->Exit();
    context_->Invalidate();
  }

  CefRefPtr<CefV8Value> Eval(const std::string& code) {
    CefRefPtr<CefV8Value> value;
    CefRefPtr<CefV8Exception> exception;
    EXPECT_TRUE(context_->Eval(code, value, exception))
        << code << ": "
        << (exception ? exception->GetMessage().ToString() : "");
    return value;
  }

  RecordingDelegate delegate_;
  CefRefPtr<cef_internal::V8ContextImpl> context_;
};

struct NumberCase {
  const char* code;
  bool is_int;
  bool is_uint;
};

TEST_F(V8ValueTest, NumbersFromScriptMapLikeV8) {
  const NumberCase cases[] = {
      {"0", true, true},
      {"-1", true, false},
      {"1.5", false, false},
      {"2147483647", true, true},
      {"2147483648", false, true},
      {"-2147483648", true, false},
      {"-2147483649", false, false},
      {"4294967295", false, true},
      {"4294967296", false, false},
      {"NaN", false, false},
      {"Infinity", false, false},
      {"3.0", true, true},
  };
  for (const NumberCase& c : cases) {
    CefRefPtr<CefV8Value> value = Eval(c.code);
    ASSERT_TRUE(value) << c.code;
    EXPECT_EQ(c.is_int, value->IsInt()) << c.code;
    EXPECT_EQ(c.is_uint, value->IsUInt()) << c.code;
    EXPECT_TRUE(value->IsDouble()) << c.code;
    EXPECT_FALSE(value->IsString()) << c.code;
  }
}

TEST_F(V8ValueTest, NonNumbersAreNeverNumbers) {
  CefRefPtr<CefV8Value> text = Eval("'1'");
  EXPECT_TRUE(text->IsString());
  EXPECT_FALSE(text->IsInt());
  EXPECT_FALSE(text->IsDouble());
  EXPECT_EQ("1", text->GetStringValue().ToString());
  EXPECT_TRUE(Eval("true")->IsBool());
  EXPECT_FALSE(Eval("true")->IsInt());
  EXPECT_TRUE(Eval("null")->IsNull());
  EXPECT_TRUE(Eval("undefined")->IsUndefined());
}

TEST_F(V8ValueTest, ObjectKindsAreRecognised) {
  CefRefPtr<CefV8Value> array = Eval("[1, 2, 3]");
  EXPECT_TRUE(array->IsObject());
  EXPECT_TRUE(array->IsArray());
  EXPECT_FALSE(array->IsFunction());
  EXPECT_EQ(3, array->GetArrayLength());
  CefRefPtr<CefV8Value> fn = Eval("(function named() {})");
  EXPECT_TRUE(fn->IsFunction());
  EXPECT_FALSE(fn->IsArray());
  EXPECT_EQ("named", fn->GetFunctionName().ToString());
  EXPECT_TRUE(Eval("new Date(0)")->IsDate());
  EXPECT_FALSE(Eval("({})")->IsDate());
}

TEST_F(V8ValueTest, CreatedPrimitivesKeepTheirTypes) {
  EXPECT_TRUE(CefV8Value::CreateInt(-5)->IsInt());
  EXPECT_FALSE(CefV8Value::CreateInt(-5)->IsUInt());
  EXPECT_TRUE(CefV8Value::CreateUInt(3000000000u)->IsUInt());
  EXPECT_FALSE(CefV8Value::CreateUInt(3000000000u)->IsInt());
  EXPECT_EQ(3000000000u, CefV8Value::CreateUInt(3000000000u)->GetUIntValue());
  EXPECT_FALSE(CefV8Value::CreateDouble(0.25)->IsInt());
  EXPECT_EQ(0.25, CefV8Value::CreateDouble(0.25)->GetDoubleValue());
  EXPECT_TRUE(CefV8Value::CreateBool(true)->GetBoolValue());
  EXPECT_TRUE(CefV8Value::CreateNull()->IsNull());
  EXPECT_EQ(-1, Eval("4294967295")->GetIntValue());
}

TEST_F(V8ValueTest, StringsRoundTripOutsideTheBasicPlane) {
  // U+1F600 is one character to C++ but two code units to a page.
  const std::wstring smiley = L"a\xD83D\xDE00z";
  CefRefPtr<CefV8Value> global = context_->GetGlobal();
  ASSERT_TRUE(global->SetValue("s", CefV8Value::CreateString(smiley),
                               V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_EQ(4, Eval("s.length")->GetIntValue());
  EXPECT_EQ(smiley, Eval("s")->GetStringValue().ToWString());
  EXPECT_EQ(smiley, Eval("'a\\uD83D\\uDE00z'")->GetStringValue().ToWString());
  EXPECT_EQ(std::wstring(L"x\0y", 3),
            Eval("'x\\u0000y'")->GetStringValue().ToWString());
  EXPECT_TRUE(CefV8Value::CreateString(smiley)->IsSame(Eval("s")));
  EXPECT_TRUE(Eval("'a\\uD83D\\uDE00z'")->IsSame(Eval("s")));
  EXPECT_FALSE(CefV8Value::CreateString(L"a\xD83Dz")->IsSame(Eval("s")));
}

TEST_F(V8ValueTest, LongStringsReachScriptIntact) {
  // Long strings take another way into the heap than short ones, through
  // blocks reused from one string to the next (stale bytes would show in a
  // shorter one).
  std::wstring piece = L"a\"\x00E9\x4F60\xD83D\xDE00\xD800|\xDC00<";
  piece.push_back(L'\0');
  const size_t lengths[] = {3000, 129, 400000, 513, 512, 200, 128};
  CefRefPtr<CefV8Value> global = context_->GetGlobal();
  for (size_t length : lengths) {
    std::wstring text;
    while (text.size() < length)
      text += piece;
    text.resize(length);
    ASSERT_TRUE(global->SetValue("s", CefV8Value::CreateString(text),
                                 V8_PROPERTY_ATTRIBUTE_NONE));
    EXPECT_EQ(static_cast<int>(length), Eval("s.length")->GetIntValue());
    // Compared as a whole, without printing half a megabyte on a failure.
    EXPECT_TRUE(text == Eval("s")->GetStringValue().ToWString()) << length;
    EXPECT_EQ(0xDC00, Eval("s.charCodeAt(8)")->GetIntValue());
  }
}

TEST_F(V8ValueTest, PropertiesHonourAttributes) {
  CefRefPtr<CefV8Value> object = CefV8Value::CreateObject(nullptr);
  ASSERT_TRUE(object);
  context_->GetGlobal()->SetValue("o", object, V8_PROPERTY_ATTRIBUTE_NONE);
  EXPECT_TRUE(object->SetValue("plain", CefV8Value::CreateInt(1),
                               V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_TRUE(object->SetValue("fixed", CefV8Value::CreateInt(2),
                               V8_PROPERTY_ATTRIBUTE_READONLY));
  EXPECT_TRUE(object->SetValue("hidden", CefV8Value::CreateInt(3),
                               V8_PROPERTY_ATTRIBUTE_DONTENUM));
  EXPECT_TRUE(object->SetValue("kept", CefV8Value::CreateInt(4),
                               V8_PROPERTY_ATTRIBUTE_DONTDELETE));

  Eval("o.fixed = 20; o.plain = 10; delete o.kept;");
  EXPECT_EQ(2, object->GetValue("fixed")->GetIntValue());
  EXPECT_EQ(10, object->GetValue("plain")->GetIntValue());
  EXPECT_TRUE(object->HasValue("kept"));
  EXPECT_FALSE(object->DeleteValue("kept"));
  EXPECT_TRUE(object->DeleteValue("plain"));
  EXPECT_FALSE(object->HasValue("plain"));

  std::vector<CefString> keys;
  EXPECT_TRUE(object->GetKeys(keys));
  ASSERT_EQ(2u, keys.size());
  EXPECT_EQ("fixed", keys[0].ToString());
  EXPECT_EQ("kept", keys[1].ToString());
  EXPECT_TRUE(object->GetValue("missing")->IsUndefined());
}

TEST_F(V8ValueTest, ArraysByIndex) {
  CefRefPtr<CefV8Value> array = CefV8Value::CreateArray(2);
  ASSERT_TRUE(array);
  EXPECT_EQ(2, array->GetArrayLength());
  EXPECT_TRUE(array->SetValue(0, CefV8Value::CreateString("a")));
  EXPECT_TRUE(array->SetValue(3, CefV8Value::CreateString("d")));
  EXPECT_EQ(4, array->GetArrayLength());
  EXPECT_EQ("a", array->GetValue(0)->GetStringValue().ToString());
  EXPECT_TRUE(array->GetValue(1)->IsUndefined());
  EXPECT_TRUE(array->HasValue(3));
  EXPECT_FALSE(array->SetValue(-1, CefV8Value::CreateInt(1)));
  EXPECT_FALSE(array->GetValue(-1));
  EXPECT_EQ(0, CefV8Value::CreateArray(-4)->GetArrayLength());
}

TEST_F(V8ValueTest, ThrowingGetterBecomesTheValuesException) {
  CefRefPtr<CefV8Value> object =
      Eval("({ get bad() { throw new Error('no access'); } })");
  EXPECT_FALSE(object->GetValue("bad"));
  ASSERT_TRUE(object->HasException());
  EXPECT_EQ("Uncaught Error: no access",
            object->GetException()->GetMessage().ToString());
  EXPECT_TRUE(object->ClearException());
  EXPECT_FALSE(object->HasException());
}

TEST_F(V8ValueTest, SameObjectsAreSameAcrossReads) {
  Eval("var shared = {}; var other = {};");
  CefRefPtr<CefV8Value> global = context_->GetGlobal();
  EXPECT_TRUE(global->GetValue("shared")->IsSame(global->GetValue("shared")));
  EXPECT_FALSE(global->GetValue("shared")->IsSame(global->GetValue("other")));
  EXPECT_TRUE(global->IsSame(Eval("window")));
}

TEST_F(V8ValueTest, ExecuteFunctionBindsThisAndArguments) {
  CefRefPtr<CefV8Value> fn =
      Eval("(function(a, b) { return this.base + a + b; })");
  CefRefPtr<CefV8Value> self = Eval("({ base: 100 })");
  CefRefPtr<CefV8Value> result = fn->ExecuteFunction(
      self, {CefV8Value::CreateInt(20), CefV8Value::CreateInt(3)});
  ASSERT_TRUE(result);
  EXPECT_EQ(123, result->GetIntValue());
  EXPECT_FALSE(fn->HasException());
}

TEST_F(V8ValueTest, ExecuteFunctionCapturesThrownErrors) {
  CefRefPtr<CefV8Value> fn = Eval("(function() { throw new TypeError('t'); })");
  EXPECT_FALSE(fn->ExecuteFunction(nullptr, {}));
  ASSERT_TRUE(fn->HasException());
  EXPECT_EQ("Uncaught TypeError: t",
            fn->GetException()->GetMessage().ToString());
  // A captured error is not an uncaught one.
  EXPECT_TRUE(delegate_.console.empty());
  EXPECT_FALSE(Eval("({})")->ExecuteFunction(nullptr, {}));
}

TEST_F(V8ValueTest, ObjectsDoNotCrossContexts) {
  RecordingDelegate other_delegate;
  CefRefPtr<cef_internal::V8ContextImpl> other = MakeContext(&other_delegate);
  CefRefPtr<CefV8Value> foreign = other->GetGlobal();
  EXPECT_FALSE(context_->GetGlobal()->SetValue("f", foreign,
                                               V8_PROPERTY_ATTRIBUTE_NONE));
  // Primitives travel freely.
  EXPECT_TRUE(
      other->GetGlobal()->SetValue("n", Eval("7"), V8_PROPERTY_ATTRIBUTE_NONE));
  CefRefPtr<CefV8Value> fn = Eval("(function() { return 1; })");
  EXPECT_FALSE(fn->ExecuteFunctionWithContext(other, nullptr, {}));
  EXPECT_TRUE(fn->ExecuteFunctionWithContext(context_, nullptr, {}));
  other->Invalidate();
}

TEST(V8ValueReleaseTest, ValuesOfAReleasedContextBecomeInvalid) {
  RecordingDelegate delegate;
  CefRefPtr<cef_internal::V8ContextImpl> context = MakeContext(&delegate);
  CefRefPtr<CefV8Value> object;
  CefRefPtr<CefV8Value> number;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(context->Eval("({ a: 1 })", object, exception));
  ASSERT_TRUE(context->Eval("5", number, exception));
  context->Invalidate();
  EXPECT_FALSE(context->IsValid());
  EXPECT_FALSE(object->IsValid());
  EXPECT_FALSE(number->IsValid());
  EXPECT_FALSE(object->GetValue("a"));
  EXPECT_FALSE(object->SetValue("b", CefV8Value::CreateInt(1),
                                V8_PROPERTY_ATTRIBUTE_NONE));
  std::vector<CefString> keys;
  EXPECT_FALSE(object->GetKeys(keys));
  EXPECT_FALSE(context->GetGlobal());
  CefRefPtr<CefV8Value> retval;
  EXPECT_FALSE(context->Eval("1", retval, exception));
  EXPECT_FALSE(context->Enter());
  // Dropping the context before its values must be just as safe.
  context = nullptr;
  object = nullptr;
}

TEST(V8ValueReleaseTest, CreatingObjectsNeedsACurrentContext) {
  EXPECT_FALSE(CefV8Value::CreateObject(nullptr));
  EXPECT_FALSE(CefV8Value::CreateArray(1));
  EXPECT_TRUE(CefV8Value::CreateString("free"));
}

}  // namespace
