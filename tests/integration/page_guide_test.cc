// What the page guide promises about SetUserOptions' input, checked
// through the whole loop: what a page sends and what comes back to it.
#include "tests/integration/system_fixture.h"

#include "store/option_store.h"

namespace {

class PageGuideTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    if (HasFatalFailure())
      return;
    ASSERT_TRUE(LoadAndWait(main_browser(), WritePage("guide.html", "<p/>")));
  }

  // Sends |json| from the page and returns the options text that comes back.
  std::string RoundTrip(const std::string& json) {
    const int before = notifications();
    EXPECT_EQ(Evaluate(main_browser(), "KXHelper.SetUserOptions(" + json + ")"),
              "true");
    EXPECT_TRUE(RunUntil([&] { return notifications() == before + 1; }));
    std::string back;
    RunUntil([&] {
      back = Evaluate(main_browser(), "KXHelper.GetUserOptions()");
      return back == OptionStore::GetInstance()->OptionJson().ToString();
    });
    return back;
  }
};

std::string Entry(int filter_id, bool is_filter, int uic_type) {
  return "{\"filter_id\":" + std::to_string(filter_id) +
         ",\"is_filter\":" + (is_filter ? "true" : "false") +
         ",\"uic_type\":" + std::to_string(uic_type) + "}";
}

TEST_F(PageGuideTest, FieldsMustHaveTheirOwnTypes) {
  // is_filter only counts as a boolean; numbers given as text read as 0;
  // every bit of uic_type comes back.
  EXPECT_EQ(RoundTrip("JSON.stringify([{uic_type: 7, filter_id: 5,"
                      " is_filter: 1}, {uic_type: '3', filter_id: '9',"
                      " is_filter: true}, {}])"),
            "[" + Entry(5, false, 7) + "," + Entry(0, true, 0) + "," +
                Entry(0, false, 0) + "]");
}

TEST_F(PageGuideTest, AnElementThatIsNotAnObjectEmptiesTheRest) {
  EXPECT_EQ(RoundTrip("'[{\"filter_id\":1},5,{\"filter_id\":3}]'"),
            "[" + Entry(1, false, 0) + "," + Entry(0, false, 0) + "," +
                Entry(0, false, 0) + "]");
  // Nothing after the last object travels: not an empty filter either.
  EXPECT_EQ(RoundTrip("'[{\"filter_id\":1},5]'"), "[" + Entry(1, false, 0) + "]");
  EXPECT_EQ(RoundTrip("'[null]'"), "[]");
}

TEST_F(PageGuideTest, TwentyOptionsAtMost) {
  std::string expected = "[";
  for (int i = 0; i < 20; ++i)
    expected += (i ? "," : "") + Entry(i, true, 1);
  EXPECT_EQ(RoundTrip("JSON.stringify(Array.apply(null, Array(25)).map("
                      "function(x, i) { return {uic_type: 1, filter_id: i,"
                      " is_filter: true}; }))"),
            expected + "]");
}

}  // namespace
