// The date and time screen driven by its keys: the focus path, the wrapping
// values, the save question, and what a save gives the clock.

#include <gtest/gtest.h>

#include "h_memory.h"
#include "readouts_test.h"
#include "u_datetime.h"

namespace {

std::vector<S32> s_saved;
void Record(S32 s) { s_saved.push_back(s); }

class DateTime : public rt::ReadoutsTest {
 protected:
  void SetUp() override {
    rt::ReadoutsTest::SetUp();
    Start(0);
    s_saved.clear();
    U_DATETIME_vSetClockSink(Record);
    rt::ForgetClicks();
    U_DATETIME_vDateTimeSetup();
    ASSERT_EQ(std::vector<std::string>{"+350"}, rt::ViewLog());
  }
  void TearDown() override {
    U_DATETIME_vSetClockSink(nullptr);
    rt::ReadoutsTest::TearDown();
  }
  // +1 good click, -1 bad, 0 none.
  static int Press(CURSOR_POSITION cursor, U32 key = HKEY_MASK_CURSOR) {
    MSG_KEY_CHANGE msg = {{{}, CMD_ID_KEY_CHANGE}, key, KEY_DOWN, 0, cursor, 0};
    rt::ForgetClicks();
    EXPECT_TRUE(U_DATETIME_bHandleKeys(&msg));
    return rt::Click(5);
  }
  static void Presses(CURSOR_POSITION cursor, int n) {
    for (int i = 0; i < n; i++) ASSERT_EQ(1, Press(cursor));
  }
};

TEST_F(DateTime, KeysWalkTheFieldsWrapTheValuesAndSaveRecordsUtcSeconds) {
  EXPECT_EQ(-1, Press(CURSOR_NORTH)) << "nothing above Time";
  EXPECT_EQ(-1, Press(CURSOR_UP, HKEY_MASK_MENU));
  Presses(CURSOR_EAST, 1);                        // Hours
  Presses(CURSOR_SOUTH, 2);                       // 0 -> 23 -> 22
  Presses(CURSOR_EAST, 1);                        // Minutes
  Presses(CURSOR_NORTH, 61);                      // 0 .. 59 -> 0 -> 1
  Presses(CURSOR_EAST, 2);                        // Seconds, Date
  Presses(CURSOR_SOUTH, 1);                       // Save
  EXPECT_EQ(-1, Press(CURSOR_EAST)) << "month and day are still 0";
  EXPECT_TRUE(s_saved.empty());
  Presses(CURSOR_NORTH, 1);                       // Date
  Presses(CURSOR_EAST, 1);                        // Month
  Presses(CURSOR_SOUTH, 1);                       // 0 -> 12
  Presses(CURSOR_EAST, 1);                        // Day
  Presses(CURSOR_SOUTH, 1);                       // 0 -> 31
  Presses(CURSOR_EAST, 1);                        // Year
  Presses(CURSOR_SOUTH, 1);                       // 0 -> 38
  Presses(CURSOR_WEST, 1);                        // Day
  Presses(CURSOR_EAST, 2);                        // Year, Save
  EXPECT_TRUE(s_saved.empty());
  EXPECT_EQ(-1, Press(CURSOR_EAST)) << "December 2038 is beyond a 32-bit clock";
  Presses(CURSOR_NORTH, 1);                       // Date
  Presses(CURSOR_EAST, 3);                        // Month, Day, Year
  Presses(CURSOR_SOUTH, 1);                       // 37
  Presses(CURSOR_EAST, 1);                        // Save
  EXPECT_TRUE(rt::MatchesGolden("datetime_save", rt::Picture(U_DATETIME_vDrawDateTimeMenu)));
  EXPECT_EQ(1, Press(CURSOR_EAST));
  EXPECT_EQ(std::vector<S32>{2145909660}, s_saved) << "2037-12-31 22:01:00 UTC";
  EXPECT_EQ(std::vector<std::string>{"-350"}, rt::ViewLog());
}

TEST_F(DateTime, ExitClosesAtOnceWithoutAnEditAndAsksAfterOneWhereNoSavesNothing) {
  EXPECT_EQ(0, Press(CURSOR_UP, HKEY_MASK_EXIT));
  EXPECT_EQ(std::vector<std::string>{"-350"}, rt::ViewLog());
  U_DATETIME_vDateTimeSetup();
  rt::ViewLog();
  Presses(CURSOR_EAST, 1);
  Presses(CURSOR_NORTH, 1);
  EXPECT_EQ(1, Press(CURSOR_UP, HKEY_MASK_EXIT));
  EXPECT_TRUE(rt::ViewLog().empty()) << "the question shows";
  EXPECT_TRUE(rt::MatchesGolden("datetime_confirm", rt::Picture(U_DATETIME_vDrawDateTimeMenu)));
  EXPECT_EQ(1, Press(CURSOR_WEST));
  EXPECT_EQ(std::vector<std::string>{"-350"}, rt::ViewLog());
  EXPECT_TRUE(s_saved.empty());
}

}  // namespace
