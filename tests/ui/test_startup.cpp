// The start-up task's decisions: the state a unit starts in, the language it
// keeps, the languages it offers, and the owner's lines of the splash.

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "h_database.h"
#include "t_startup.h"
#include "u_language.h"
#include "ui_texts.h"

namespace {

// The rules in their order: a demonstration switched off or the sonar
// switched off mean a working unit; the ice transducer is trusted; a unit
// without a serial number is in burn-in; otherwise the detection decides,
// and a unit without a transducer is a shop's demonstration.
TEST(StartUpState, EachRuleOfTheChoiceTakesItsTurn) {
  constexpr U32 kNone = 0xFFFFFFFF;
  const struct {
    const char* why;
    STARTUP_FACTS facts;  // detected, SDEN known, SDEN, SSEN known, SSEN, SSTS, SENU, ice model
    SYSTEM_STATE eState;
    BOOLEAN bConnected, bItem, bNote, bClock, bIceOff;
  } rows[] = {
      {"a transducer answers", {TRUE, TRUE, TRUE, TRUE, TRUE, 1, 42, FALSE},
       STATE_NORMAL_RUN, TRUE, TRUE, FALSE, FALSE, FALSE},
      {"none, demonstration on", {FALSE, TRUE, TRUE, TRUE, TRUE, 1, 42, FALSE},
       STATE_POINT_OF_SALE, FALSE, FALSE, TRUE, FALSE, TRUE},
      {"none on an ice model", {FALSE, TRUE, TRUE, TRUE, TRUE, 1, 42, TRUE},
       STATE_POINT_OF_SALE, FALSE, FALSE, TRUE, FALSE, FALSE},
      {"none, nothing readable", {FALSE, FALSE, FALSE, FALSE, FALSE, kNone, 42, FALSE},
       STATE_POINT_OF_SALE, FALSE, FALSE, TRUE, FALSE, TRUE},
      {"none, demonstration off", {FALSE, TRUE, FALSE, TRUE, TRUE, 1, 42, FALSE},
       STATE_NORMAL_RUN, TRUE, TRUE, FALSE, FALSE, FALSE},
      {"none, sonar off", {FALSE, TRUE, TRUE, TRUE, FALSE, 1, 42, FALSE},
       STATE_NORMAL_RUN, FALSE, FALSE, FALSE, FALSE, FALSE},
      {"none, ice transducer chosen", {FALSE, TRUE, TRUE, TRUE, TRUE, 27, 42, FALSE},
       STATE_NORMAL_RUN, FALSE, FALSE, FALSE, FALSE, FALSE},
      {"no serial number", {TRUE, TRUE, TRUE, TRUE, TRUE, 1, kNone, FALSE},
       STATE_BURN_IN, FALSE, TRUE, TRUE, TRUE, FALSE},
      {"no serial, demonstration off", {FALSE, TRUE, FALSE, TRUE, TRUE, 1, kNone, FALSE},
       STATE_NORMAL_RUN, TRUE, TRUE, FALSE, FALSE, FALSE},
  };
  for (const auto& row : rows) {
    const STARTUP_CHOICE c = T_STARTUP_sChooseState(&row.facts);
    EXPECT_EQ(row.eState, c.eState) << row.why;
    EXPECT_EQ(row.bConnected, c.bConnected) << row.why;
    EXPECT_EQ(row.bItem, c.bDetectedItem) << row.why;
    EXPECT_EQ(row.bNote, c.bNote) << row.why;
    EXPECT_EQ(row.bClock, c.bBurnInClock) << row.why;
    EXPECT_EQ(row.bIceOff, c.bIceModeOff) << row.why;
  }
}

TEST(StartUpLanguage, AStoredLanguageOutsideTheUnitsSetGivesWayToTheSetsFirst) {
  const struct {
    U32 u32Language, u32Set;
    BOOLEAN bDomestic;
    U32 u32Kept;
  } rows[] = {
      {LANGUAGE_ITALIAN, 1, FALSE, LANGUAGE_ENGLISH_UNICODE},
      {LANGUAGE_JAPANESE, 1, FALSE, LANGUAGE_JAPANESE},
      {LANGUAGE_ENGLISH, 1, FALSE, LANGUAGE_ENGLISH_UNICODE},
      {LANGUAGE_TURKISH, 0, FALSE, LANGUAGE_TURKISH},
      {LANGUAGE_ENGLISH_UNICODE, 0, FALSE, LANGUAGE_ENGLISH},
      {LANGUAGE_KOREAN, 0, FALSE, LANGUAGE_ENGLISH},
      {27, 0, FALSE, LANGUAGE_ENGLISH},
      {LANGUAGE_SPANISH, 0, TRUE, LANGUAGE_SPANISH},
      {LANGUAGE_GERMAN, 0, TRUE, LANGUAGE_ENGLISH},
      // A domestic unit has no Asian faces, whatever its set says.
      {LANGUAGE_ENGLISH_UNICODE, 1, TRUE, LANGUAGE_ENGLISH},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.u32Kept, T_STARTUP_u32KeptLanguage(row.u32Language, row.u32Set, row.bDomestic))
        << row.u32Language << " in set " << row.u32Set << (row.bDomestic ? " domestic" : "");
  }
}

TEST(StartUpLanguage, TheListsEndInTheOtherSetAndADomesticUnitHasTwoLanguages) {
  MENU_CHOICE_LIST pNames = nullptr;
  const U32* pValues = nullptr;
  ASSERT_EQ(23u, T_STARTUP_u32LanguageChoices(0, TRUE, &pNames, &pValues));
  EXPECT_EQ(Asian_Mode, pNames[22]);
  EXPECT_EQ((U32)LANGUAGE_ENGLISH_UNICODE, pValues[22]);
  std::vector<U32> western(pValues, pValues + 22);
  for (U32 l = 0; l <= LANGUAGE_TURKISH; l++) EXPECT_EQ(1, std::count(western.begin(), western.end(), l)) << l;

  ASSERT_EQ(6u, T_STARTUP_u32LanguageChoices(1, TRUE, &pNames, &pValues));
  EXPECT_EQ((std::vector<U32>{26, 22, 23, 24, 25, 0}), std::vector<U32>(pValues, pValues + 6));
  EXPECT_EQ(International_Mode, pNames[5]);

  ASSERT_EQ(2u, T_STARTUP_u32LanguageChoices(0, FALSE, &pNames, &pValues));
  EXPECT_EQ((std::vector<U32>{LANGUAGE_ENGLISH, LANGUAGE_SPANISH}), std::vector<U32>(pValues, pValues + 2));
  EXPECT_EQ(Language_Spanish, pNames[1]);
}

// The settings the set-up reads and writes, each put back as it was after the
// test: the view, keyboard and display tasks of the program's other tests
// keep running with their keys and subscriptions in the same table.
class KeptSettings {
 public:
  explicit KeptSettings(std::initializer_list<FOURCHARID> keys) {
    for (FOURCHARID key : keys) {
      Kept k = {key, {}, FALSE};
      k.bWritten = H_DATABASE_bFetch(k.id, &k.value, nullptr, nullptr);
      m_kept.push_back(k);
    }
  }
  ~KeptSettings() {
    for (const Kept& k : m_kept) {
      if (k.bWritten) {
        H_DATABASE_bUpdateValue(k.id, k.value, P_NORMAL);
      } else {
        H_DATABASE_vDeleteEntry(k.id);
      }
    }
    // A deleted entry tells no one: the texts' language is read again here.
    U_LANGUAGE_vFollowSetting();
  }

 private:
  struct Kept {
    FOURCHARID id;
    DB_DATA_TYPE value;
    BOOLEAN bWritten;
  };
  std::vector<Kept> m_kept;
};

// Asian or International Mode chosen inside the quick set-up promises the
// questions at the next start: whatever key then closes the set-up, they are
// still due (SRDF) and the set-up not yet done (SQCD). Closed without such a
// choice, it is done.
TEST(StartUpQuickSetUp, AChangeOfTheLanguageSetKeepsTheQuestionsForTheNextStart) {
  const KeptSettings kept({FCID("SLNS"), FCID("SLNG"), FCID("SRDF"), FCID("SQCD")});
  for (BOOLEAN bChangeSet : {FALSE, TRUE}) {
    SCOPED_TRACE(bChangeSet ? "Asian Mode chosen" : "nothing chosen");
    // As the first start leaves them while the set-up is up.
    H_DATABASE_bUpdateValueU32(FCID("SLNS"), 0, P_NORMAL);
    H_DATABASE_bUpdateValueBoolean(FCID("SRDF"), TRUE, P_NORMAL);
    H_DATABASE_bUpdateValueBoolean(FCID("SQCD"), FALSE, P_NORMAL);
    T_STARTUP_vShowQuickConfigMenu();
    if (bChangeSet) {
      // What the confirmed change of mode writes.
      H_DATABASE_bUpdateValueU32(FCID("SLNS"), 1, P_NORMAL);
      H_DATABASE_bUpdateValueU32(FCID("SLNG"), LANGUAGE_ENGLISH_UNICODE, P_NORMAL);
      H_DATABASE_bUpdateValueBoolean(FCID("SRDF"), TRUE, P_NORMAL);
    }
    T_STARTUP_vRemoveQuickConfigMenu();
    BOOLEAN bDue = !bChangeSet, bDone = bChangeSet;
    EXPECT_TRUE(H_DATABASE_bFetchBoolean(FCID("SRDF"), &bDue, nullptr, nullptr));
    EXPECT_TRUE(H_DATABASE_bFetchBoolean(FCID("SQCD"), &bDone, nullptr, nullptr));
    EXPECT_EQ(bChangeSet, bDue);
    EXPECT_EQ(!bChangeSet, bDone);
  }
}

std::vector<std::string> OwnerLines(const std::string& text, U32 u32Bytes) {
  char aacLines[STARTUP_OWNER_LINES][STARTUP_OWNER_LINE_BYTES];
  memset(aacLines, 'x', sizeof aacLines);
  const U32 n = T_STARTUP_u32OwnerLines(text.data(), u32Bytes, aacLines);
  std::vector<std::string> lines;
  for (U32 i = 0; i < n; i++) lines.emplace_back(aacLines[i], strnlen(aacLines[i], STARTUP_OWNER_LINE_BYTES));
  return lines;
}

TEST(StartUpOwner, TheOwnersTextSplitsIntoAtMostFourBoundedLines) {
  const std::string text = "Jane Doe|+1 555 0100|\x03|Sea Wren";
  EXPECT_EQ((std::vector<std::string>{"Jane Doe", "+1 555 0100", "", "Sea Wren"}), OwnerLines(text, 252));
  EXPECT_EQ((std::vector<std::string>{"A", "", "B"}), OwnerLines("A||B", 252));
  EXPECT_EQ((std::vector<std::string>{"1", "2", "3", "4"}), OwnerLines("1|2|3|4|5", 252));
  EXPECT_EQ((std::vector<std::string>{"A"}), OwnerLines("A|", 252));
  EXPECT_TRUE(OwnerLines("", 252).empty());
  // A block of 252 letters has no terminator: the line is cut, the block's
  // end is not passed.
  const std::string block(252, 'q');
  const std::vector<std::string> lines = OwnerLines(block, 252);
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(std::string(STARTUP_OWNER_LINE_BYTES - 1, 'q'), lines[0]);
  EXPECT_EQ((std::vector<std::string>{"ab"}), OwnerLines("abcdef", 2));
}

}  // namespace
