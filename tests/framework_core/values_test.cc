#include "include/cef_values.h"

#include "gtest/gtest.h"

namespace {

TEST(ListValueTest, GettersOnMissingOrOtherTypeGiveDefaults) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetString(0, "text");
  EXPECT_EQ(VTYPE_INVALID, list->GetType(5));
  EXPECT_EQ(0, list->GetInt(0));
  EXPECT_FALSE(list->GetBool(0));
  EXPECT_EQ(0.0, list->GetDouble(0));
  EXPECT_FALSE(list->GetList(0));
  EXPECT_FALSE(list->GetDictionary(0));
  EXPECT_FALSE(list->GetBinary(0));
  EXPECT_TRUE(list->GetString(7).empty());
  EXPECT_FALSE(list->GetValue(7));
  EXPECT_EQ("text", list->GetString(0).ToString());
}

TEST(ListValueTest, IntegerReadsAsDoubleButNotTheReverse) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetInt(0, 7);
  list->SetDouble(1, 2.5);
  EXPECT_EQ(7.0, list->GetDouble(0));
  EXPECT_EQ(0, list->GetInt(1));
}

TEST(ListValueTest, SettingPastTheEndPadsWithNulls) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  EXPECT_TRUE(list->SetInt(3, 9));
  ASSERT_EQ(4u, list->GetSize());
  EXPECT_EQ(VTYPE_NULL, list->GetType(0));
  EXPECT_EQ(VTYPE_NULL, list->GetType(2));
  EXPECT_EQ(9, list->GetInt(3));
  EXPECT_TRUE(list->SetSize(6));
  EXPECT_EQ(VTYPE_NULL, list->GetType(5));
  EXPECT_TRUE(list->SetSize(1));
  EXPECT_EQ(1u, list->GetSize());
  EXPECT_TRUE(list->Remove(0));
  EXPECT_FALSE(list->Remove(0));
}

// As on the real framework: SetSize to the size a list has nulls its last
// value; growing it nulls the new last one.
TEST(ListValueTest, SetSizeNullsTheValueAtTheNewEnd) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetInt(0, 1);
  list->SetInt(1, 2);
  EXPECT_TRUE(list->SetSize(2));
  ASSERT_EQ(2u, list->GetSize());
  EXPECT_EQ(1, list->GetInt(0));
  EXPECT_EQ(VTYPE_NULL, list->GetType(1));
}

TEST(ListValueTest, SetStoresACopyAndGetGivesALiveView) {
  CefRefPtr<CefListValue> child = CefListValue::Create();
  child->SetInt(0, 1);
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetList(0, child);
  child->SetInt(0, 2);  // the stored copy is independent
  EXPECT_EQ(1, list->GetList(0)->GetInt(0));
  EXPECT_TRUE(child->IsValid());

  CefRefPtr<CefListValue> view = list->GetList(0);
  EXPECT_TRUE(view->IsOwned());
  view->SetString(1, "added");
  EXPECT_EQ("added", list->GetList(0)->GetString(1).ToString());
  EXPECT_TRUE(view->IsSame(list->GetList(0)));
  EXPECT_FALSE(view->IsSame(child));
}

TEST(ListValueTest, RemovedOrReplacedChildViewsBecomeInvalid) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetDictionary(0, CefDictionaryValue::Create());
  list->GetDictionary(0)->SetList("inner", CefListValue::Create());
  CefRefPtr<CefDictionaryValue> view = list->GetDictionary(0);
  CefRefPtr<CefListValue> inner = view->GetList("inner");
  list->SetInt(0, 5);
  EXPECT_FALSE(view->IsValid());
  EXPECT_FALSE(inner->IsValid());
  EXPECT_FALSE(view->SetInt("x", 1));
  EXPECT_EQ(0u, view->GetSize());
  EXPECT_EQ(5, list->GetInt(0));
}

TEST(ListValueTest, SelfInsertionCopiesWithoutACycle) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetInt(0, 1);
  EXPECT_TRUE(list->SetList(1, list));
  ASSERT_EQ(2u, list->GetSize());
  EXPECT_EQ(1u, list->GetList(1)->GetSize());
}

TEST(ListValueTest, EqualIsDeepAndTypeStrict) {
  CefRefPtr<CefListValue> a = CefListValue::Create();
  a->SetInt(0, 1);
  a->SetList(1, CefListValue::Create());
  a->GetList(1)->SetString(0, "x");
  CefRefPtr<CefListValue> b = a->Copy();
  EXPECT_TRUE(a->IsEqual(b));
  EXPECT_FALSE(a->IsSame(b));
  b->GetList(1)->SetString(0, "y");
  EXPECT_FALSE(a->IsEqual(b));
  CefRefPtr<CefListValue> c = CefListValue::Create();
  c->SetDouble(0, 1.0);
  CefRefPtr<CefListValue> d = CefListValue::Create();
  d->SetInt(0, 1);
  EXPECT_FALSE(c->IsEqual(d));
}

TEST(ListValueTest, GetValueCopiesScalarsAndViewsContainers) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetInt(0, 3);
  list->SetList(1, CefListValue::Create());
  CefRefPtr<CefValue> scalar = list->GetValue(0);
  scalar->SetInt(4);
  EXPECT_EQ(3, list->GetInt(0));
  CefRefPtr<CefValue> container = list->GetValue(1);
  container->GetList()->SetBool(0, true);
  EXPECT_TRUE(list->GetList(1)->GetBool(0));
  // Setting the generic value replaces its content, not the list's child.
  container->SetString("gone");
  EXPECT_EQ(VTYPE_LIST, list->GetType(1));
}

TEST(DictionaryValueTest, KeysAreOrderedByUtf8Bytes) {
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetInt(L"\u00e9", 1);  // C3 A9
  dict->SetInt("b", 2);
  dict->SetInt("B", 3);
  dict->SetInt(L"\uff21", 4);  // EF BC A1
  dict->SetInt("a", 5);
  CefDictionaryValue::KeyList keys;
  EXPECT_TRUE(dict->GetKeys(keys));
  ASSERT_EQ(5u, keys.size());
  EXPECT_EQ(CefString("B"), keys[0]);
  EXPECT_EQ(CefString("a"), keys[1]);
  EXPECT_EQ(CefString("b"), keys[2]);
  EXPECT_EQ(CefString(L"\u00e9"), keys[3]);
  EXPECT_EQ(CefString(L"\uff21"), keys[4]);
}

TEST(DictionaryValueTest, SetReplacesAndRemoveReports) {
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetString("k", "v");
  dict->SetInt("k", 2);
  EXPECT_EQ(1u, dict->GetSize());
  EXPECT_EQ(VTYPE_INT, dict->GetType("k"));
  EXPECT_EQ(VTYPE_INVALID, dict->GetType("missing"));
  EXPECT_FALSE(dict->GetBool("missing"));
  EXPECT_TRUE(dict->HasKey("k"));
  EXPECT_TRUE(dict->Remove("k"));
  EXPECT_FALSE(dict->Remove("k"));
  EXPECT_FALSE(dict->HasKey("k"));
}

TEST(DictionaryValueTest, CopyCanDropEmptyChildrenRecursively) {
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetInt("n", 1);
  dict->SetList("empty_list", CefListValue::Create());
  CefRefPtr<CefDictionaryValue> nested = CefDictionaryValue::Create();
  nested->SetDictionary("e", CefDictionaryValue::Create());
  dict->SetDictionary("only_empty", nested);
  CefRefPtr<CefDictionaryValue> full = dict->Copy(false);
  EXPECT_EQ(3u, full->GetSize());
  EXPECT_TRUE(full->IsEqual(dict));
  CefRefPtr<CefDictionaryValue> pruned = dict->Copy(true);
  EXPECT_EQ(1u, pruned->GetSize());
  EXPECT_EQ(1, pruned->GetInt("n"));
}

TEST(DictionaryValueTest, ChildViewEditsTheStoredChild) {
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetDictionary("child", CefDictionaryValue::Create());
  dict->GetDictionary("child")->SetString("name", "x");
  EXPECT_EQ("x", dict->GetDictionary("child")->GetString("name").ToString());
  CefRefPtr<CefDictionaryValue> view = dict->GetDictionary("child");
  dict->Clear();
  EXPECT_FALSE(view->IsValid());
}

TEST(BinaryValueTest, CopiesBytesAndReadsWithOffsets) {
  const char bytes[] = {1, 2, 3, 4, 5};
  CefRefPtr<CefBinaryValue> binary = CefBinaryValue::Create(bytes, 5);
  ASSERT_TRUE(binary);
  EXPECT_EQ(5u, binary->GetSize());
  char out[8] = {};
  EXPECT_EQ(3u, binary->GetData(out, 8, 2));
  EXPECT_EQ(3, out[0]);
  EXPECT_EQ(5, out[2]);
  EXPECT_EQ(2u, binary->GetData(out, 2, 0));
  EXPECT_EQ(0u, binary->GetData(out, 8, 5));
  EXPECT_FALSE(CefBinaryValue::Create(nullptr, 3));
  CefRefPtr<CefBinaryValue> copy = binary->Copy();
  EXPECT_TRUE(copy->IsEqual(binary));
  EXPECT_FALSE(copy->IsSame(binary));
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetBinary(0, binary);
  EXPECT_TRUE(list->GetBinary(0)->IsEqual(binary));
  EXPECT_TRUE(list->GetBinary(0)->IsSame(list->GetBinary(0)));
  EXPECT_FALSE(list->GetBinary(0)->IsSame(binary));
}

TEST(GenericValueTest, StartsNullAndChangesType) {
  CefRefPtr<CefValue> value = CefValue::Create();
  EXPECT_EQ(VTYPE_NULL, value->GetType());
  EXPECT_TRUE(value->IsValid());
  value->SetString(L"\u4e2d\u6587");
  EXPECT_EQ(VTYPE_STRING, value->GetType());
  EXPECT_EQ(0, value->GetInt());
  EXPECT_EQ(CefString(L"\u4e2d\u6587"), value->GetString());
  value->SetInt(4);
  EXPECT_EQ(4.0, value->GetDouble());
  EXPECT_FALSE(value->GetBool());
}

TEST(GenericValueTest, ListIsCopiedInAndViewedOut) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetInt(0, 1);
  CefRefPtr<CefValue> value = CefValue::Create();
  value->SetList(list);
  list->SetInt(0, 2);
  EXPECT_EQ(1, value->GetList()->GetInt(0));
  value->GetList()->SetInt(1, 3);
  EXPECT_EQ(2u, value->GetList()->GetSize());
  EXPECT_TRUE(value->GetList()->IsSame(value->GetList()));
  CefRefPtr<CefValue> copy = value->Copy();
  EXPECT_TRUE(copy->IsEqual(value));
  EXPECT_FALSE(copy->IsSame(value));
  // The list outlives the generic value that held it.
  CefRefPtr<CefListValue> kept = value->GetList();
  value = nullptr;
  EXPECT_TRUE(kept->IsValid());
  EXPECT_EQ(3, kept->GetInt(1));
}

TEST(GenericValueTest, StoringIntoContainersCopies) {
  CefRefPtr<CefValue> value = CefValue::Create();
  value->SetDictionary(CefDictionaryValue::Create());
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetValue("v", value);
  value->GetDictionary()->SetInt("late", 1);
  EXPECT_EQ(0u, dict->GetDictionary("v")->GetSize());
  EXPECT_FALSE(dict->SetValue("null", nullptr));
}

}  // namespace
