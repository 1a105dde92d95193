// The settings database that every task shares: its write rule by priority,
// validity, defaults, walks and change notices, each held to what a task
// relying on it must see.

#include <gtest/gtest.h>
#include <string.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "db_test_util.h"
#include "model.h"
#include "test_tasks.h"
#include "test_timing.h"
#include "ui_texts.h"

namespace {

using dbtest::DatabaseTest;
using dbtest::Drain;
using dbtest::Key;
using dbtest::NOTICE;

constexpr MBOX kBoxA = M_DORVISH;
constexpr MBOX kBoxB = M_GATEWAY;
constexpr MBOX kBoxC = M_GWNAVDATA;
constexpr MBOX kBoxD = M_GATEWAY_NAV;
constexpr MBOX kBoxE = M_SOCKET;

U32 StoredU32(FOURCHARID id) {
  U32 value = 0xDEADBEEF;
  EXPECT_TRUE(H_DATABASE_bFetchU32(id, &value, nullptr, nullptr)) << dbtest::KeyText(id);
  return value;
}

TEST(FourCharId, FirstCharacterIsTheLowByte) {
  static_assert(FCID("CREV") == 0x56455243u);
  EXPECT_EQ('S', FCID_cClass(FCID("SMDL")));
  const FOURCHARID id = FCID("TNVR");
  EXPECT_EQ(0, memcmp(&id, "TNVR", 4));
}

// ---------------------------------------------------------------------------
// The write rule

TEST_F(DatabaseTest, LowerPriorityNumberWinsAndEqualReplaces) {
  const struct {
    U32 heldPriority;
    U32 heldValue;
    U32 newPriority;
    U32 newValue;
    BOOLEAN bRefused;
  } rows[] = {
      {3, 10, 2, 20, FALSE},   // stronger write taken
      {2, 10, 3, 20, TRUE},    // weaker write refused
      {2, 10, 3, 10, FALSE},   // refused, but the item holds the offered value
      {2, 10, 2, 20, FALSE},   // equal replaces
      {15, 10, 16, 20, TRUE},  // unowned writes take only unowned items
      {16, 10, 16, 20, FALSE},
      {0, 10, 1, 20, TRUE},
      {14, 10, 0, 20, FALSE},
  };
  for (const auto& row : rows) {
    H_DATABASE_vInit();
    const FOURCHARID id = FCID("SWRR");
    ASSERT_FALSE(H_DATABASE_bUpdateValueU32(id, row.heldValue, row.heldPriority));
    EXPECT_EQ(row.bRefused, H_DATABASE_bUpdateValueU32(id, row.newValue, row.newPriority))
        << row.heldPriority << " then " << row.newPriority;
    EXPECT_EQ(row.bRefused ? row.heldValue : row.newValue, StoredU32(id))
        << row.heldPriority << " then " << row.newPriority;
  }
}

TEST_F(DatabaseTest, AnUnwrittenOrDeletedItemTakesAnyWrite) {
  const FOURCHARID id = FCID("SDEL");
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxA, TRUE, TRUE, TRUE));
  BOOLEAN bValid = TRUE;
  U32 value = 77;
  EXPECT_FALSE(H_DATABASE_bFetchU32(id, &value, &bValid, nullptr)) << "subscribing does not write";
  EXPECT_FALSE(bValid);
  EXPECT_EQ(77u, value);
  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(id, 5, P_UNOWNED));
  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(id, 6, P_HIGHEST));

  H_DATABASE_vDeleteEntry(id);
  EXPECT_FALSE(H_DATABASE_bFetchU32(id, &value, nullptr, nullptr));
  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(id, 7, P_UNOWNED));
  EXPECT_EQ(7u, StoredU32(id));
  Drain(kBoxA);
}

TEST_F(DatabaseTest, BooleansAreStoredAsOneWordAndFetchedAsItsLowByte) {
  EXPECT_FALSE(H_DATABASE_bUpdateValueBoolean(FCID("IBOO"), 7, P_NORMAL));
  EXPECT_EQ(1u, StoredU32(FCID("IBOO")));
  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(FCID("IBOO"), 0x100, P_NORMAL));
  BOOLEAN b = 9;
  EXPECT_TRUE(H_DATABASE_bFetchBoolean(FCID("IBOO"), &b, nullptr, nullptr));
  EXPECT_EQ(0, b);
  b = 9;
  EXPECT_FALSE(H_DATABASE_bFetchBoolean(FCID("INON"), &b, nullptr, nullptr));
  EXPECT_EQ(9, b) << "left as it was";
}

TEST_F(DatabaseTest, PointersThatDifferOnlyInTheirHighHalfAreDifferentValues) {
  if (sizeof(void*) <= 4) GTEST_SKIP() << "pointers are one word here";
  const FOURCHARID id = FCID("CPTR");
  void* low = (void*)(uintptr_t)0x0000001200345678ull;
  void* high = (void*)(uintptr_t)0x0000003400345678ull;
  ASSERT_FALSE(H_DATABASE_bUpdateEverythingVoidPointer(id, low, P_NORMAL, D_POINTER, nullptr, DB_NEVER_STALE));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxA, TRUE, FALSE, FALSE));
  EXPECT_FALSE(H_DATABASE_bUpdateValueVoidPointer(id, high, P_NORMAL));
  EXPECT_EQ(1u, Drain(kBoxA).size()) << "a change of the high half is a change";
  EXPECT_TRUE(H_DATABASE_bUpdateValueVoidPointer(id, low, P_EXTERNAL_GPS)) << "refused, and reported so";
  void* p = nullptr;
  EXPECT_TRUE(H_DATABASE_bFetchVoidPointer(id, &p, nullptr, nullptr));
  EXPECT_EQ(high, p);
}

TEST_F(DatabaseTest, ScalarValuesCompareAsTheirWordWhateverLiesBeyondIt) {
  const FOURCHARID id = FCID("IWRD");
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(id, 5, P_NORMAL));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxA, TRUE, FALSE, FALSE));
  DB_DATA_TYPE v;
  memset(&v, 0xA5, sizeof v);
  v.u32Val = 5;
  EXPECT_FALSE(H_DATABASE_bUpdateValue(id, v, P_NORMAL));
  EXPECT_TRUE(Drain(kBoxA).empty()) << "the same word is no change";
  EXPECT_FALSE(H_DATABASE_bUpdateValue(id, v, P_DEFAULT_SETTING)) << "refused, but holding the offered word";
}

// ---------------------------------------------------------------------------
// Validity

TEST_F(DatabaseTest, ATimedOutItemIsHeldForItsTimeOutThenTakenByAWeakerWriter) {
  const FOURCHARID id = FCID("IFLT");
  ASSERT_FALSE(H_DATABASE_bUpdateEverythingFloat(id, 1.0f, P_EXTERNAL_GPS, D_POSITION_LAT, nullptr, 4));
  BOOLEAN bValid = FALSE;
  DB_ATTRIBUTES extra = {};

  Advance(3999);
  EXPECT_TRUE(H_DATABASE_bUpdateValueFloat(id, 2.0f, P_INTERNAL_GPS));
  EXPECT_TRUE(H_DATABASE_bFetch(id, nullptr, &bValid, &extra));
  EXPECT_TRUE(bValid);
  EXPECT_EQ(D_POSITION_LAT, extra.DataType);
  EXPECT_EQ(4u, extra.u32TimeOut);

  Advance(1);
  EXPECT_TRUE(H_DATABASE_bFetch(id, nullptr, &bValid, nullptr));
  EXPECT_FALSE(bValid) << "stale after 4 s";
  EXPECT_FALSE(H_DATABASE_bUpdateValueFloat(id, 2.0f, P_INTERNAL_GPS));
  EXPECT_TRUE(H_DATABASE_bFetch(id, nullptr, &bValid, nullptr));
  EXPECT_TRUE(bValid);
  // Now held at 7 for the next 4 s.
  Advance(2000);
  EXPECT_TRUE(H_DATABASE_bUpdateValueFloat(id, 3.0f, P_REMOTE_EXTERNAL_GPS));
  EXPECT_FALSE(H_DATABASE_bUpdateValueFloat(id, 3.0f, P_EXTERNAL_GPS));
}

TEST_F(DatabaseTest, AZeroTimeOutKeepsTheItemsTimeOutEverywhere) {
  const FOURCHARID kept = FCID("IKEP");
  ASSERT_FALSE(H_DATABASE_bUpdateEverythingU32(kept, 1, P_NORMAL, D_TIME, nullptr, 4));
  ASSERT_FALSE(H_DATABASE_bUpdateEverythingU32(kept, 2, P_NORMAL, D_LONG_TIME, nullptr, 0));
  DB_ATTRIBUTES extra = {};
  ASSERT_TRUE(H_DATABASE_bFetch(kept, nullptr, nullptr, &extra));
  EXPECT_EQ(D_LONG_TIME, extra.DataType);
  EXPECT_EQ(4u, extra.u32TimeOut);

  DB_ATTRIBUTES attr = {D_DATETIME, nullptr, 0};
  DB_DATA_TYPE v = {};
  H_DATABASE_vReadOrSetDefault(kept, &v, P_DEFAULT_SETTING, &attr);
  ASSERT_TRUE(H_DATABASE_bFetch(kept, nullptr, nullptr, &extra));
  EXPECT_EQ(D_DATETIME, extra.DataType);
  EXPECT_EQ(4u, extra.u32TimeOut);

  // A default registered with 0 never goes stale.
  const FOURCHARID setting = FCID("SZTO");
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(setting, kBoxA, TRUE, TRUE, TRUE));
  H_DATABASE_vReadOrSetDefault(setting, &v, P_DEFAULT_SETTING, &attr);
  Advance(60000);
  H_DATABASE_vSendAllInvalidData();
  BOOLEAN bValid = FALSE;
  EXPECT_TRUE(H_DATABASE_bFetch(setting, nullptr, &bValid, &extra));
  EXPECT_TRUE(bValid);
  EXPECT_EQ(DB_NEVER_STALE, extra.u32TimeOut);
  Drain(kBoxA);
}

TEST_F(DatabaseTest, TimeOutsRunOnTheRealMonotonicClock) {
  H_DATABASE_vSetClock(nullptr);
  const FOURCHARID id = FCID("IRTC");
  ASSERT_FALSE(H_DATABASE_bUpdateEverythingU32(id, 1, P_EXTERNAL_GPS, D_UNSIGNED32, nullptr, 1));
  EXPECT_TRUE(H_DATABASE_bUpdateValueU32(id, 2, P_INTERNAL_GPS));
  BOOLEAN bValid = TRUE;
  EXPECT_TRUE(H_DATABASE_bFetch(id, nullptr, &bValid, nullptr));
  EXPECT_TRUE(bValid) << "fresh";
  const U64 written = L_CLOCK_qwGetTimeInMillis();
  EXPECT_TRUE(TEST_bWaitUntil([&] { return H_DATABASE_bFetch(id, nullptr, &bValid, nullptr) && !bValid; }, 2000));
  EXPECT_GE(L_CLOCK_qwGetTimeInMillis() - written, 900u) << "not before its second";
  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(id, 2, P_INTERNAL_GPS));
}

TEST_F(DatabaseTest, TheSweepTellsEverySubscriberOfAStaleItemOnce) {
  const FOURCHARID id = FCID("IDEP");
  ASSERT_FALSE(H_DATABASE_bUpdateEverythingFloat(id, 12.5f, P_NORMAL, D_DEPTH, nullptr, 4));
  // changed, invalid, updated
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxA, TRUE, FALSE, FALSE));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxB, FALSE, FALSE, TRUE));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxC, FALSE, TRUE, FALSE));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxD, TRUE, TRUE, TRUE));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxE, FALSE, FALSE, FALSE));
  const FOURCHARID forever = FCID("SNEV");
  ASSERT_FALSE(H_DATABASE_bUpdateEverythingU32(forever, 1, P_NORMAL, D_UNITS, nullptr, DB_NEVER_STALE));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(forever, kBoxA, TRUE, TRUE, TRUE));

  Advance(3999);
  H_DATABASE_vSendAllInvalidData();
  for (MBOX box : {kBoxA, kBoxB, kBoxC, kBoxD, kBoxE}) EXPECT_TRUE(Drain(box).empty()) << "not stale yet";

  Advance(1);
  H_DATABASE_vSendAllInvalidData();
  for (MBOX box : {kBoxA, kBoxB, kBoxC, kBoxD}) {
    std::vector<NOTICE> got = Drain(box);
    ASSERT_EQ(1u, got.size()) << "mailbox " << box;
    EXPECT_EQ(id, got[0].id);
    EXPECT_EQ(12.5f, got[0].value.fVal);
    EXPECT_FALSE(got[0].bValid);
  }
  EXPECT_TRUE(Drain(kBoxE).empty()) << "asked for nothing";

  Advance(2000);
  H_DATABASE_vSendAllInvalidData();
  for (MBOX box : {kBoxA, kBoxB, kBoxC, kBoxD}) EXPECT_TRUE(Drain(box).empty()) << "told once only";

  // A new write makes it valid (a change for "changed" subscribers) and the
  // next staleness is told again.
  ASSERT_FALSE(H_DATABASE_bUpdateValueFloat(id, 12.5f, P_INTERNAL_GPS));
  std::vector<NOTICE> back = Drain(kBoxA);
  ASSERT_EQ(1u, back.size());
  EXPECT_TRUE(back[0].bValid);
  EXPECT_EQ(1u, Drain(kBoxB).size());
  EXPECT_TRUE(Drain(kBoxC).empty());
  Drain(kBoxD);
  Advance(4000);
  H_DATABASE_vSendAllInvalidData();
  EXPECT_EQ(1u, Drain(kBoxC).size());
  Drain(kBoxA);
  Drain(kBoxB);
  Drain(kBoxD);
}

TEST_F(DatabaseTest, RelinquishedItemsAreToldAsInvalidAndFreeForAnyWriter) {
  const FOURCHARID id = FCID("CREL");
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(id, 3, P_HIGHEST));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxA, FALSE, TRUE, TRUE));
  H_DATABASE_vRelinquishOwnership(id);
  std::vector<NOTICE> got = Drain(kBoxA);
  ASSERT_EQ(1u, got.size());
  EXPECT_FALSE(got[0].bValid);
  EXPECT_EQ(3u, got[0].value.u32Val);
  EXPECT_TRUE(H_DATABASE_bUpdateValueU32(id, 4, P_UNOWNED + 1));
  EXPECT_TRUE(Drain(kBoxA).empty()) << "a refused write is no news, even of an invalid item";
  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(id, 4, P_UNOWNED));
  got = Drain(kBoxA);
  ASSERT_EQ(1u, got.size());
  EXPECT_TRUE(got[0].bValid);
}

TEST_F(DatabaseTest, RelinquishingAnUnknownItemIsFatal) {
  EXPECT_EXIT(H_DATABASE_vRelinquishOwnership(FCID("CNON")), ::testing::ExitedWithCode(10), "");
  std::ifstream in(std::string(L_UTILS_cpGetPathnamePtr()) + "/FATAL.LOG");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(std::string::npos, text.str().find("Requested ID not found"));
}

// ---------------------------------------------------------------------------
// Defaults

TEST_F(DatabaseTest, ReadOrSetDefaultCreatesOnceAndThenReadsBack) {
  static const char* const name[27] = {"Name"};
  const FOURCHARID id = FCID("SDFT");
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxA, TRUE, TRUE, TRUE));
  DB_ATTRIBUTES attr = {D_DISTANCE, name, DB_NEVER_STALE};
  DB_DATA_TYPE v = {};
  v.fVal = 100.0f;
  H_DATABASE_vReadOrSetDefault(id, &v, P_DEFAULT_SETTING, &attr);
  EXPECT_TRUE(Drain(kBoxA).empty()) << "registering a default tells nobody";
  float f = 0;
  DB_ATTRIBUTES extra = {};
  ASSERT_TRUE(H_DATABASE_bFetchFloat(id, &f, nullptr, &extra));
  EXPECT_EQ(100.0f, f);
  EXPECT_EQ(D_DISTANCE, extra.DataType);
  EXPECT_EQ(name, extra.ppcText);

  // A user's value at 2 wins over the default, and survives the next registration.
  EXPECT_FALSE(H_DATABASE_bUpdateValueFloat(id, 250.0f, P_NORMAL));
  Drain(kBoxA);
  DB_ATTRIBUTES renamed = {D_DEPTH, nullptr, DB_NEVER_STALE};
  DB_DATA_TYPE again = {};
  again.fVal = 100.0f;
  H_DATABASE_vReadOrSetDefault(id, &again, P_DEFAULT_SETTING, &renamed);
  EXPECT_EQ(250.0f, again.fVal);
  ASSERT_TRUE(H_DATABASE_bFetchFloat(id, &f, nullptr, &extra));
  EXPECT_EQ(250.0f, f);
  EXPECT_EQ(D_DEPTH, extra.DataType);
  EXPECT_EQ(nullptr, extra.ppcText);
  EXPECT_TRUE(H_DATABASE_bUpdateValueFloat(id, 1.0f, P_DEFAULT_SETTING)) << "still held at 2";
  EXPECT_TRUE(Drain(kBoxA).empty());
}

// ---------------------------------------------------------------------------
// Iteration

TEST_F(DatabaseTest, IterationReturnsEveryWrittenItemOfTheClassOnce) {
  // 700 keys over 512 buckets: chains of several items are certain.
  std::set<FOURCHARID> expected;
  for (int i = 0; i < 700; i++) {
    const char c = "SIC"[i % 3];
    const FOURCHARID id = Key(c, (char)('a' + i % 26), (char)('A' + i / 26 % 26), (char)('0' + i / 676));
    ASSERT_FALSE(H_DATABASE_bUpdateValueU32(id, (U32)i, P_NORMAL));
    if (c == 'S') expected.insert(id);
  }
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(FCID("SUNW"), kBoxA, TRUE, TRUE, TRUE));
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SGON"), 1, P_NORMAL));
  H_DATABASE_vDeleteEntry(FCID("SGON"));

  MULTI_FETCH_CONTROL_STRUCTURE walk = {};
  walk.cMatch = 'S';
  std::multiset<FOURCHARID> seen;
  int steps = 0;
  while (H_DATABASE_bFetchNextBeginningWith(&walk)) {
    seen.insert(walk.id);
    EXPECT_TRUE(walk.bValid);
    // Writers between the calls do not disturb the walk.
    if (++steps % 10 == 0) H_DATABASE_bUpdateValueU32(walk.id, walk.data.u32Val + 1, P_NORMAL);
  }
  EXPECT_EQ(std::multiset<FOURCHARID>(expected.begin(), expected.end()), seen);
  EXPECT_FALSE(H_DATABASE_bFetchNextBeginningWith(&walk)) << "a finished walk stays finished";
}

TEST_F(DatabaseTest, IterationNeedsAnUpperCaseClassLetter) {
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SONE"), 1, P_NORMAL));
  for (char c : {'s', '3', '\0', '[', '@'}) {
    MULTI_FETCH_CONTROL_STRUCTURE walk = {};
    walk.cMatch = (BYTE)c;
    EXPECT_FALSE(H_DATABASE_bFetchNextBeginningWith(&walk)) << (int)c;
    EXPECT_FALSE(walk.__bNotFirst);
  }
  MULTI_FETCH_CONTROL_STRUCTURE walk = {};
  walk.cMatch = 'S';
  ASSERT_TRUE(H_DATABASE_bFetchNextBeginningWith(&walk));
  EXPECT_EQ(FCID("SONE"), walk.id);
  EXPECT_EQ(1u, walk.data.u32Val);
  EXPECT_FALSE(H_DATABASE_bFetchNextBeginningWith(&walk));
}

// ---------------------------------------------------------------------------
// Subscriptions

TEST_F(DatabaseTest, NoticesFollowEachSubscribersConditions) {
  const FOURCHARID id = FCID("CNTC");
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxA, TRUE, FALSE, FALSE));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxB, FALSE, FALSE, TRUE));

  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(id, 0, P_NORMAL));
  std::vector<NOTICE> got = Drain(kBoxA);
  ASSERT_EQ(1u, got.size()) << "the first write is a change, even of 0";
  EXPECT_EQ(id, got[0].id);
  EXPECT_EQ(0u, got[0].value.u32Val);
  EXPECT_TRUE(got[0].bValid);
  EXPECT_EQ(3, got[0].priority);
  EXPECT_EQ(1u, Drain(kBoxB).size());

  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(id, 0, P_NORMAL));
  EXPECT_TRUE(Drain(kBoxA).empty()) << "same value: no change";
  EXPECT_EQ(1u, Drain(kBoxB).size()) << "but an update";

  EXPECT_FALSE(H_DATABASE_bUpdateValueU32(id, 9, P_NORMAL));
  EXPECT_EQ(1u, Drain(kBoxA).size());
  EXPECT_EQ(1u, Drain(kBoxB).size());

  EXPECT_TRUE(H_DATABASE_bUpdateValueU32(id, 10, P_DEFAULT_SETTING));
  EXPECT_TRUE(Drain(kBoxA).empty()) << "a refused write tells nobody";
  EXPECT_TRUE(Drain(kBoxB).empty());

  EXPECT_FALSE(H_DATABASE_bUpdateValueU32Except(id, 11, P_NORMAL, kBoxA));
  EXPECT_TRUE(Drain(kBoxA).empty()) << "the writer's own mailbox";
  EXPECT_EQ(11u, Drain(kBoxB).at(0).value.u32Val);
}

TEST_F(DatabaseTest, SubscribingTwiceKeepsOneSubscriptionWithTheLastConditions) {
  const FOURCHARID id = FCID("CTWO");
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxA, TRUE, FALSE, FALSE));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxA, FALSE, FALSE, TRUE));
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(id, 1, P_NORMAL));
  EXPECT_EQ(1u, Drain(kBoxA).size());
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(id, 1, P_NORMAL));
  EXPECT_EQ(1u, Drain(kBoxA).size()) << "now an 'updated' subscriber";
  H_DATABASE_vUnregisterMailbox(id, kBoxA);
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(id, 2, P_NORMAL));
  EXPECT_TRUE(Drain(kBoxA).empty()) << "one node, and it is gone";
}

TEST_F(DatabaseTest, UnsubscribingBeforeTheFirstWriteEndsTheSubscription) {
  const FOURCHARID id = FCID("TLAT");
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxA, TRUE, TRUE, TRUE));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxB, TRUE, TRUE, TRUE));
  H_DATABASE_vUnregisterMailbox(id, kBoxA);
  H_DATABASE_vUnregisterMailbox(FCID("TNON"), kBoxA);
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(id, 1, P_NORMAL));
  EXPECT_TRUE(Drain(kBoxA).empty());
  EXPECT_EQ(1u, Drain(kBoxB).size());
}

TEST_F(DatabaseTest, SendingContentsTellsTheCurrentValuesWhateverTheConditions) {
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("IONE"), 1, P_NORMAL));
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("ITWO"), 2, P_NORMAL));
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("CTHR"), 3, P_NORMAL));
  for (const char* key : {"IONE", "CTHR", "INEW"}) {
    FOURCHARID id;
    memcpy(&id, key, 4);
    ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxA, FALSE, FALSE, FALSE));
  }
  H_DATABASE_vSendMailboxAllRegisteredItems(kBoxA);
  std::map<FOURCHARID, U32> got;
  for (const NOTICE& n : Drain(kBoxA)) got[n.id] = n.value.u32Val;
  EXPECT_EQ((std::map<FOURCHARID, U32>{{FCID("IONE"), 1}, {FCID("CTHR"), 3}}), got);

  H_DATABASE_vSendMailboxAllItemsBeginningWith('I', kBoxB);
  got.clear();
  for (const NOTICE& n : Drain(kBoxB)) got[n.id] = n.value.u32Val;
  EXPECT_EQ((std::map<FOURCHARID, U32>{{FCID("IONE"), 1}, {FCID("ITWO"), 2}}), got);

  H_DATABASE_vSendMailboxAllItemsBeginningWith(0, kBoxB);
  EXPECT_EQ(3u, Drain(kBoxB).size());
}

TEST_F(DatabaseTest, WithoutMemoryTheDatabaseRefusesOrDropsAndNeverWaits) {
  const FOURCHARID id = FCID("IMEM");
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxA, TRUE, TRUE, TRUE));
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(id, 1, P_NORMAL));
  Drain(kBoxA);
  std::vector<void*> held;
  while (void* p = H_MEMORY_pvMallocNoWait(8)) held.push_back(p);

  // In a task, so that an operation that waited for memory fails the join
  // rather than hangs the test.
  std::atomic<int> written{-1}, created{-1}, subscribed{-1};
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(0, TEST_StartTask(40, [&] {
    written = H_DATABASE_bUpdateValueU32(id, 2, P_NORMAL);
    created = H_DATABASE_bUpdateValueU32(FCID("INEW"), 1, P_NORMAL);
    subscribed = H_DATABASE_bRegisterForDataWithConditions(id, kBoxB, TRUE, TRUE, TRUE);
  }));
  const BOOLEAN bJoined = TEST_bJoinTask(40, 3000);
  std::string log = ::testing::internal::GetCapturedStdout();
  for (void* p : held) H_MEMORY_vFree(p);
  ASSERT_TRUE(bJoined) << "the database waited for memory";
  EXPECT_EQ(FALSE, written.load()) << "written, its notice dropped";
  EXPECT_EQ(TRUE, created.load()) << "nothing stored: reported as refused";
  EXPECT_EQ(FALSE, subscribed.load());
  EXPECT_NE(std::string::npos, log.find("notice of IMEM to mailbox")) << log;
  EXPECT_NE(std::string::npos, log.find("no memory for item INEW")) << log;
  EXPECT_TRUE(Drain(kBoxA).empty());
  EXPECT_EQ(2u, StoredU32(id));
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(id, 3, P_NORMAL));
  EXPECT_EQ(1u, Drain(kBoxA).size()) << "notices flow again";
}

TEST_F(DatabaseTest, ANoticeToABadMailboxGoesBackToTheHeap) {
  const FOURCHARID id = FCID("IBAD");
  // The newest subscriber is told first: the good mailbox last.
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxA, TRUE, TRUE, TRUE));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, nmboxes + 1, TRUE, TRUE, TRUE));
  ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, 0, TRUE, TRUE, TRUE));
  ::testing::internal::CaptureStdout();
  // More writes than the heap has blocks: kept notices would run it dry.
  size_t told = 0;
  for (U32 i = 0; i < 7000; i++) {
    ASSERT_FALSE(H_DATABASE_bUpdateValueU32(id, i, P_NORMAL));
    told += Drain(kBoxA).size();
  }
  std::string log = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(std::string::npos, log.find("notice of IBAD to mailbox 82 refused")) << log.substr(0, 200);
  EXPECT_EQ(std::string::npos, log.find("mailbox 0 ")) << "mailbox 0 is never told";
  EXPECT_EQ(7000u, told);
}

// ---------------------------------------------------------------------------
// Data types and units

TEST(DatabaseTypes, EveryDataTypeHasItsStorageForm) {
  const DATA_FORMAT expected[NUMBER_OF_DATA_TYPES] = {
      DF_UNSIGNED32, DF_ENUMERATED, DF_VOID_POINTER, DF_FLOAT,    DF_FLOAT,      DF_FLOAT,      DF_FLOAT,
      DF_FLOAT,      DF_UNSIGNED32, DF_UNSIGNED32,   DF_UNSIGNED32, DF_FLOAT,    DF_FLOAT,      DF_FLOAT,
      DF_FLOAT,      DF_FLOAT,      DF_FLOAT,        DF_UNSIGNED32, DF_ERROR,    DF_FLOAT,      DF_FLOAT,
      DF_SIGNED32,   DF_SIGNED32,   DF_UNSIGNED32,   DF_SIGNED32,   DF_UNSIGNED32, DF_ERROR,    DF_FLOAT,
      DF_FLOAT,      DF_SIGNED32,   DF_UNSIGNED32,   DF_ERROR,      DF_SIGNED32,   DF_FLOAT,      DF_UNSIGNED32,
      DF_FLOAT,      DF_FLOAT,      DF_FLOAT,
  };
  for (U32 t = 0; t < NUMBER_OF_DATA_TYPES; t++) EXPECT_EQ(expected[t], H_DATABASE_DataType((DATA_TYPE)t)) << t;
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(DF_ERROR, H_DATABASE_DataType(NUMBER_OF_DATA_TYPES));
  EXPECT_EQ(DF_ERROR, H_DATABASE_DataType((DATA_TYPE)0xFFFFFFFF));
  std::string log = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(std::string::npos, log.find("data type 38 has no storage form")) << log;
}

TEST_F(DatabaseTest, CurrentUnitsComeFromTheUnitSettings) {
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SUTE"), U_FAHRENHEIT, P_NORMAL));
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SUSP"), U_KNOTS, P_NORMAL));
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SUDS"), U_NAUT_MILES_M, P_NORMAL));
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SUHD"), U_DEG_MAGNETIC, P_NORMAL));
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SUDP"), U_FATHOMS, P_NORMAL));
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SUPR"), U_INCHESHG, P_NORMAL));
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SUAT"), U_FEET, P_NORMAL));
  const struct {
    DATA_TYPE type;
    UNIT_TYPE units;
  } rows[] = {
      {D_TEMPERATURE, U_FAHRENHEIT},  {D_SPEED, U_KNOTS},     {D_DISTANCE, U_NAUT_MILES_M},
      {D_HEADING, U_DEG_MAGNETIC},    {D_DEPTH, U_FATHOMS},   {D_PRESSURE, U_INCHESHG},
      {D_ALTITUDE, U_FEET},           {D_TEMPERATURE_OFFSET, U_FAHRENHEIT},
      {D_VOLUME, U_NONE},             {D_FUEL_RATE, U_NONE},  {D_UNKNOWN, U_NONE},
      {NUMBER_OF_DATA_TYPES, U_NONE},
  };
  for (const auto& row : rows) EXPECT_EQ(row.units, H_DATABASE_CurrentUnits(row.type)) << row.type;

  H_DATABASE_vDeleteEntry(FCID("SUSP"));
  EXPECT_EQ(U_NONE, H_DATABASE_CurrentUnits(D_SPEED));
  ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SUDP"), 99, P_NORMAL));
  EXPECT_EQ(U_NONE, H_DATABASE_CurrentUnits(D_DEPTH)) << "a stored unit out of range is no unit";
}

std::string Narrow(const char* text) { return text; }

// The wide text as ASCII, a unit above 0x7F as <its number>.
std::string WideAsAscii(const char* text) {
  std::string out;
  for (const U8* p = (const U8*)text; p[0] != 0 || p[1] != 0; p += 2) {
    if (p[0] != 0 || p[1] >= 0x80) {
      // Appended piece by piece: GCC 12 at -O3 takes "<" + std::string for an
      // overlapping copy and fails the build with a false -Wrestrict.
      out += '<';
      out += std::to_string(p[0] << 8 | p[1]);
      out += '>';
    } else {
      out += (char)p[1];
    }
  }
  return out;
}

// English (language 0, and 26 in wide form) as given; the others write units their
// own way, so what holds there is that every unit with a text has one, in
// its language's form, and that units English tells apart stay apart.
TEST(DatabaseTypes, EveryUnitHasItsTextInEveryLanguage) {
  const char* const texts[NUMBER_OF_UNIT_TYPES] = {
      /*  0 */ "", "", "sm", "", "km", "kts", "mph", "kph",
      /*  8 */ "", "", "m", "ft", "fthm", "seconds", "min", "In.Hg",
      /* 16 */ "mmHg", "mb", "hPa", "U.S. Gallons", "UK Gallons", "Liters", "", "",
      /* 24 */ "", "V", "", "", "\xBA" "C", "\xBA" "F", "\xBA" "t", "\xBA" "m",
      /* 32 */ "nm", "nm", "\xBA", "PSI", "kpa", "gal/h", "UK gal/h", "L/h",
      /* 40 */ "mpg", "UK mpg", "km/L",
  };
  for (U32 u = 0; u < NUMBER_OF_UNIT_TYPES; u++) {
    EXPECT_EQ(texts[u], Narrow(H_DATABASE_pcUnitsString((UNIT_TYPE)u, 0))) << u;
    std::string wide = texts[u];
    if (!wide.empty() && (U8)wide[0] == 0xBA) wide = "<176>" + wide.substr(1);
    EXPECT_EQ(wide, WideAsAscii(H_DATABASE_pcUnitsString((UNIT_TYPE)u, UI_TEXT_LANGUAGES - 1))) << u;
  }
  for (U32 language = 1; language < UI_TEXT_LANGUAGES; language++) {
    std::map<std::string, std::string> englishOf;
    for (U32 u = 0; u < NUMBER_OF_UNIT_TYPES; u++) {
      const char* text = H_DATABASE_pcUnitsString((UNIT_TYPE)u, language);
      const std::string shown = language >= UI_TEXT_FIRST_WIDE ? WideAsAscii(text) : Narrow(text);
      EXPECT_EQ(texts[u][0] == 0, shown.empty()) << u << " in language " << language;
      if (shown.empty()) continue;
      const auto [at, fresh] = englishOf.emplace(shown, texts[u]);
      EXPECT_TRUE(fresh || at->second == texts[u])
          << "'" << at->second << "' and '" << texts[u] << "' read alike in language " << language;
    }
  }
}

TEST(DatabaseTypes, UnknownUnitsOrLanguagesGiveSafeTexts) {
  ::testing::internal::CaptureStdout();
  const char* none = H_DATABASE_pcUnitsString(NUMBER_OF_UNIT_TYPES, 0);
  const char* wideNone = H_DATABASE_pcUnitsString((UNIT_TYPE)1000, 24);
  const char* english = H_DATABASE_pcUnitsString(U_KM, 27);
  std::string log = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(0, none[0]);
  EXPECT_EQ(0, wideNone[0]);
  EXPECT_EQ(0, wideNone[1]) << "empty as a wide text too";
  EXPECT_STREQ("km", english);
  EXPECT_NE(std::string::npos, log.find("unknown units 43")) << log;
  EXPECT_NE(std::string::npos, log.find("unknown language 27")) << log;
}

TEST_F(DatabaseTest, UnitsAreForcedIntoTheListOnlyOnADomesticModel) {
  const FOURCHARID units = FCID("SUDP");
  const U32 valid[] = {U_FEET, U_FATHOMS};
  const struct {
    U32 model;
    BOOLEAN bStored;
    U32 stored;
    U32 expected;
  } rows[] = {
      {MODEL_DOMESTIC, TRUE, U_METRES, U_FEET},    {MODEL_DOMESTIC, TRUE, U_FATHOMS, U_FATHOMS},
      {MODEL_DOMESTIC, FALSE, 0, U_FEET},          {MODEL_DEFAULT, TRUE, U_METRES, U_METRES},
  };
  for (const auto& row : rows) {
    H_DATABASE_vInit();
    ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SMDL"), row.model, P_NORMAL));
    if (row.bStored) {
      ASSERT_FALSE(H_DATABASE_bUpdateValueU32(units, row.stored, P_NORMAL));
    }
    ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(units, kBoxA, TRUE, FALSE, FALSE));
    H_DATABASE_vCheckForValidUnits(units, valid, 2, U_FEET);
    EXPECT_EQ(row.expected, StoredU32(units)) << row.model << " " << row.stored;
    EXPECT_EQ(row.expected != row.stored || !row.bStored ? 1u : 0u, Drain(kBoxA).size()) << "an ordinary update";
  }
}

TEST_F(DatabaseTest, ASecondInitialisationGivesTheNodesBack) {
  for (int round = 0; round < 5; round++) {
    for (int i = 0; i < 1000; i++) {
      const FOURCHARID id = Key('Q', (char)('A' + i % 26), (char)('A' + i / 26 % 26), (char)('0' + round));
      ASSERT_FALSE(H_DATABASE_bUpdateValueU32(id, (U32)i, P_NORMAL));
      ASSERT_TRUE(H_DATABASE_bRegisterForDataWithConditions(id, kBoxA, TRUE, TRUE, TRUE));
    }
    Drain(kBoxA);
    H_DATABASE_vInit();
    EXPECT_FALSE(H_DATABASE_bFetchU32(Key('Q', 'A', 'A', (char)('0' + round)), nullptr, nullptr, nullptr));
  }
}

}  // namespace
