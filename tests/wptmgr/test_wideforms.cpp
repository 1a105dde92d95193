// The edit forms in the 16-bit languages: wide stepping, names edited
// through the keys and stored wide, and the form with its editor drawn.

#include "golden.h"
#include "h_memory.h"
#include "navmath.h"
#include "t_nav.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_icons.h"
#include "t_nav_group_sel.h"
#include "font_test.h"
#include "text_util.h"
#include "u_alarm.h"
#include "u_language.h"
#include "u_nav_edit.h"
#include "ui_texts.h"
#include "wptmgr_rig.h"

namespace {

class WideForms : public Wpm {
 protected:
  void SetUp() override {
    Wpm::SetUp();
    H_DATABASE_bUpdateEverythingU32(FCID("TALR"), M_ALARM, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingU32(FCID("SIPF"), 6, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingU32(FCID("IDTM"), 0x5F5E2000, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingS32(FCID("SLTZ"), 0, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
    for (FOURCHARID key : {FCID("SITF"), FCID("SIDF")}) {
      H_DATABASE_bUpdateEverythingU32(key, 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    }
    Boat(-300000, 500000);
  }
  void TearDown() override {
    if (g_WPM.pPopupWindow != nullptr) g_WPM.pPopupWindow->bActive = FALSE;
    g_WPMForm = {};
    SetLanguage(LANGUAGE_ENGLISH);
    while (void* p = L_MBOX_Receive(M_ALARM)) H_MEMORY_vDumpMail(p);
    Wpm::TearDown();
  }

 public:
  static EDIT_FIELD* Row(U32 i) {
    POPUP_WINDOW* p = g_WPM.pPopupWindow;
    if (p == nullptr || !p->bActive) return nullptr;
    return &((POPUP_EDIT_WINDOW*)p)->pEditFields[i];
  }
  static std::u16string Stored(const char* field, size_t size) {
    std::string copy(field, size);
    copy += std::string(2, '\0');
    return Units(copy.data());
  }
};

U16 Wide(U16 c, GROUP_MGR_EDIT_TYPE t, bool fwd) { return T_NAV_GROUP_u16EditWindowStepWide(c, t, fwd ? TRUE : FALSE); }

TEST_F(WideForms, WideStepsFollowTheirKinds) {
  SetLanguage(LANGUAGE_KOREAN);
  // The type codes skip U+FDD2 and close the ring with U+FDFF.
  EXPECT_EQ(0xFDD3, Wide(0xFDD1, EDIT_TYPE_MIXED_CHAR, true));
  EXPECT_EQ(0xFDD1, Wide(0xFDD3, EDIT_TYPE_MIXED_CHAR, false));
  EXPECT_EQ(0xFDFF, Wide(0xFDED, EDIT_TYPE_MIXED_CHAR, true));
  EXPECT_EQ(0xFDD0, Wide(0xFDFF, EDIT_TYPE_MIXED_CHAR, true));
  EXPECT_EQ(0xFDFF, Wide(0xFDD0, EDIT_TYPE_MIXED_CHAR, false));
  EXPECT_EQ(0xFDED, Wide(0xFDFF, EDIT_TYPE_MIXED_CHAR, false));
  EXPECT_EQ(0xFDD0, Wide(u'A', EDIT_TYPE_MIXED_CHAR, true));
  EXPECT_EQ(0xFDED, Wide(u'A', EDIT_TYPE_MIXED_CHAR, false));
  EXPECT_EQ(Wide(u' ', EDIT_TYPE_CHAR_U, true), Wide(0, EDIT_TYPE_CHAR_U, true)) << "an empty position is a space";
  EXPECT_NE(0, Wide(0, EDIT_TYPE_CHAR_U, true));
  EXPECT_EQ(u'0', Wide(u'5', EDIT_TYPE_05, true));
  const U16 n = Units(Direction_N[LANGUAGE_KOREAN])[0], s = Units(Direction_S[LANGUAGE_KOREAN])[0];
  EXPECT_EQ(s, Wide(n, EDIT_TYPE_NS, true));
  EXPECT_EQ(n, Wide(s, EDIT_TYPE_NS, false));
  EXPECT_EQ(0, Wide(u'x', EDIT_TYPE_NS, true));
}

TEST_F(WideForms, AKoreanWaypointNameEditedThroughTheKeysIsStoredWide) {
  SetLanguage(LANGUAGE_KOREAN);
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_vNewWaypoint(0);
  ASSERT_NE(nullptr, Row(0));
  EXPECT_EQ(EDIT_TYPE_MIXED_CHAR, Row(0)->type);
  EXPECT_EQ(u"\uFDFF001", Units(Row(0)->value_string)) << "the plain type first";
  Cursor(CURSOR_EAST);
  Picture();  // the drawn cursor opens the editor
  Cursor(CURSOR_NORTH);  // U+FDFF -> U+FDD0, the first preset
  for (int i = 0; i < 3; i++) Cursor(CURSOR_EAST);
  Cursor(CURSOR_SOUTH);  // '1' steps back to '0'
  Cursor(CURSOR_EAST);   // onto the empty fifth position: it becomes a space
  EXPECT_EQ(u"\uFDD0000 ", Units(Row(0)->value_string));
  Cursor(CURSOR_NORTH);
  const std::vector<COLOR> editor = Picture();
  const GOLDEN_PICTURE picture = {editor.data(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT, G_SCREEN_WIDTH};
  EXPECT_TRUE(GOLDEN_Match(WPTMGR_GOLDEN_DIR "/new_waypoint_editor_korean.png", picture));
  Key(HKEY_MASK_EXIT);
  for (int i = 0; i < 6; i++) Cursor(CURSOR_SOUTH);
  Cursor(CURSOR_EAST);
  ASSERT_EQ(nullptr, Row(0)) << "saved";
  const WAYPOINT* w = T_NAV_pGetWaypoint(g_WPM.au16ShowItemIDs[g_WPM.u16HighlightIndex]);
  ASSERT_NE(nullptr, w);
  const std::u16string name = Stored(w->sName, sizeof w->sName);
  ASSERT_EQ(5u, name.size());
  EXPECT_EQ(u"\uFDD0000", name.substr(0, 4));
  EXPECT_EQ(T_NAV_u16NextWCharInAlphabet(LANGUAGE_KOREAN, u' '), name[4]);
  EXPECT_NEAR(-300000, w->pt.y, 5) << "the wide position texts went through the parser";
  EXPECT_NEAR(500000, w->pt.x, 5);
}

TEST_F(WideForms, AJapaneseGroupKeepsItsWideNameAndASearchFindsIt) {
  SetLanguage(LANGUAGE_JAPANESE);
  H_DATABASE_bUpdateValueS32(FCID("SGID"), 7, P_NORMAL);
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_vNewGroup(0);
  ASSERT_NE(nullptr, Row(0));
  EXPECT_EQ(u"GP007", Units(Row(0)->value_string));
  Cursor(CURSOR_EAST);
  Picture();
  Cursor(CURSOR_NORTH);
  const U16 first = T_NAV_u16NextWCharInAlphabet(LANGUAGE_JAPANESE, u'G');
  Key(HKEY_MASK_EXIT);
  Cursor(CURSOR_SOUTH);
  Cursor(CURSOR_SOUTH);
  Cursor(CURSOR_EAST);
  EXPECT_EQ(MODE_EDIT_GROUP, g_WPM.eMode) << "saved, and the new group is being filled";
  const std::u16string want = std::u16string(1, first) + u"P007";
  bool bFound = false;
  for (U16 i = 0; i < 3000 && !bFound; i++) {
    const GROUP_HEADER* h = WPM_pHeader((U16)(0xC000 | i));
    bFound = h != nullptr && Stored(h->sName, sizeof h->sName) == want;
  }
  EXPECT_TRUE(bFound);

  WPM_vClearEditState();
  g_WPM.eMode = MODE_BROWSE;
  g_WPMSearch = {};
  g_WPMSearch.eMode = SEARCHBY_NAME;
  const std::string pattern = W(u"p00");
  memcpy(g_WPMSearch.sName, pattern.data(), pattern.size());
  WPM_vRunSearch();
  EXPECT_EQ(1, g_WPM.u16ListCount) << "the wide search folds case";
}

// The search's date and distance rows and the chart's route form hold wide
// text in a 16-bit language, as the other rows do, and what they hold is
// still read as dates, numbers and names.
TEST_F(WideForms, SearchRowsAndTheChartRouteNameAreWide) {
  SetLanguage(LANGUAGE_KOREAN);
  T_NAV_GROUP_vSetup();
  T_NAV_GROUP_vSearchByDate(0);
  ASSERT_NE(nullptr, Row(0));
  EXPECT_EQ(EDIT_TYPE_CHAR_U, Row(0)->type);
  EXPECT_EQ(u"09/13/20", Units(Row(0)->value_string));
  POPUP_EDIT_WINDOW* form = (POPUP_EDIT_WINDOW*)g_WPM.pPopupWindow;
  ASSERT_TRUE(form->pUpdateDataFunc(&form->parent));
  EXPECT_STREQ("09/13/20", g_WPMSearch.sDateTime);

  T_NAV_GROUP_vSearchByDistance(0);
  for (U32 i : {0u, 1u}) EXPECT_EQ(EDIT_TYPE_CHAR_U, Row(i)->type) << i;
  Cursor(CURSOR_EAST);
  Picture();  // the drawn cursor opens the editor
  Cursor(CURSOR_NORTH);
  EXPECT_EQ(u"10000000", Units(Row(0)->value_string));
  form = (POPUP_EDIT_WINDOW*)g_WPM.pPopupWindow;
  ASSERT_TRUE(form->pUpdateDataFunc(&form->parent));
  EXPECT_DOUBLE_EQ(10000000.0, g_WPMSearch.dMinNm);
  form->parent.bActive = FALSE;

  // Four wide positions; a longer stored name keeps its rest.
  const U16 r = Route("R", kWpmRoot, {});
  ROUTE stored = *T_NAV_pGetRoute(r & 0x07FF);
  const std::string wide = W(u"A나다라마");
  memcpy(stored.sName, wide.data(), wide.size());
  ASSERT_TRUE(T_NAV_bSaveRoute(r & 0x07FF, &stored, FALSE));
  ASSERT_TRUE(T_NAV_GROUP_bVerifyAndEditSpecifiedRoute_Setup(r & 0x07FF));
  EXPECT_EQ(EDIT_TYPE_CHAR_U, Row(0)->type);
  EXPECT_EQ(u"A나다라", Units(Row(0)->value_string));
  Row(0)->value_string[1] = 'Z';
  Row(0)->value_string[0] = 0;
  form = (POPUP_EDIT_WINDOW*)g_WPM.pPopupWindow;
  ASSERT_TRUE(form->pUpdateDataFunc(&form->parent));
  form->pSaveFunc(form->pData, form->u32Index);
  EXPECT_EQ(u"Z나다라마", Stored(T_NAV_pGetRoute(r & 0x07FF)->sName, NAV_ROUTE_NAME_SIZE));
  T_NAV_GROUP_vExitDialog(&form->parent);
}

// The bars join the language's texts with names in the wide form.
TEST_F(WideForms, TheBarsJoinTheirTextsInWideForm) {
  SetLanguage(LANGUAGE_ENGLISH_UNICODE);
  T_NAV_GROUP_vSetup();
  EXPECT_EQ(u"Options", Units(g_WPM.acLowBarText));
  EXPECT_EQ(u"Sort By", Units(g_WPM.acHighBarText));
  EXPECT_EQ(u"Default Group: Home", Units(g_WPM.acInstructionText));
  g_WPMSearch = {};
  g_WPMSearch.eMode = SEARCHBY_NAME;
  WPM_vRunSearch();
  EXPECT_EQ(u"Done", Units(g_WPM.acLowBarText));
  EXPECT_EQ(u"Search Results", Units(g_WPM.acHighBarText));
}

// The form of a waypoint at 54 N 10.5 E in a wide language: its position
// rows hold the position in wide text with a real degree sign, the picture
// shows them, and a hemisphere stepped through the keys is read back.
TEST_F(WideForms, TheWaypointFormShowsAndReadsItsPositionInKoreanAndChinese) {
  const struct {
    unsigned language;
    const char* golden;
  } kLanguages[] = {{LANGUAGE_KOREAN, WPTMGR_GOLDEN_DIR "/waypoint_form_korean.png"},
                    {LANGUAGE_CHINESE_SIMPLIFIED, WPTMGR_GOLDEN_DIR "/waypoint_form_chinese.png"}};
  POSITION at = {54.0, 10.5};
  POINT pt = {};
  nv_DegrToMeter(&at, &pt);
  const U16 id = Waypoint("REEF", kWpmRoot, pt.x, pt.y);
  for (const auto& l : kLanguages) {
    SetLanguage(l.language);
    T_NAV_GROUP_vSetup();
    ASSERT_NE(nullptr, WPM_pOpenWaypointEdit(id & 0x0FFF));
    EXPECT_EQ(u"N 54\u00B000.000'", Units(Row(4)->value_string)) << l.language;
    EXPECT_EQ(u"E 010\u00B030.000'", Units(Row(5)->value_string)) << l.language;
    const std::vector<COLOR> form = Picture();
    const GOLDEN_PICTURE picture = {form.data(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT, G_SCREEN_WIDTH};
    EXPECT_TRUE(GOLDEN_Match(l.golden, picture));
    for (int i = 0; i < 4; i++) Cursor(CURSOR_SOUTH);
    Cursor(CURSOR_EAST);
    Picture();  // the drawn cursor opens the editor, on the hemisphere
    Cursor(CURSOR_NORTH);
    EXPECT_EQ(u"S 54\u00B000.000'", Units(Row(4)->value_string)) << l.language;
    Key(HKEY_MASK_EXIT);
    for (int i = 0; i < 2; i++) Cursor(CURSOR_SOUTH);
    Cursor(CURSOR_EAST);
    ASSERT_EQ(nullptr, Row(0)) << "saved";
    POSITION stored = {};
    nv_MeterToDegr(&T_NAV_pGetWaypoint(id & 0x0FFF)->pt, &stored);
    EXPECT_NEAR(-54.0, stored.lat, 1e-4) << l.language;
    EXPECT_NEAR(10.5, stored.lon, 1e-4) << l.language;
    // Back north for the next language.
    WAYPOINT w = *T_NAV_pGetWaypoint(id & 0x0FFF);
    w.pt = pt;
    ASSERT_TRUE(T_NAV_bSaveWaypoint(id & 0x0FFF, &w, FALSE, FALSE));
    T_NAV_GROUP_vExitMainWindow();
  }
}

// The notes of a group's and a route's edit are each one sentence, the
// names filled in where the language puts them and in its form.
TEST_F(WideForms, TheEditsNotesAreWholeSentencesInEveryForm) {
  const struct {
    unsigned language;
    std::u16string group, added, already, toRoute, last;
    const char* golden;
  } kNotes[] = {
      {LANGUAGE_KOREAN, u"항구", u"웨이포인트 WP001을(를) 그룹 항구에 추가했습니다",
       u"웨이포인트 WP001은(는) 이미 그룹 항구에 있습니다", u"웨이포인트 WP001을(를) 항로 RT001에 추가했습니다",
       u"웨이포인트 WP001은(는) 마지막으로 추가되었습니다. 다른 웨이포인트를 선택하십시오",
       WPTMGR_GOLDEN_DIR "/note_korean.png"},
      {LANGUAGE_CHINESE_SIMPLIFIED, u"锚地", u"航点WP001已添加到组锚地", u"航点WP001已在组锚地中",
       u"航点WP001已添加到航线RT001", u"航点WP001是最后添加的，请选择其他航点", WPTMGR_GOLDEN_DIR "/note_chinese.png"},
      {LANGUAGE_GERMAN, u"Hafen", u"Wegpunkt WP001 zur Gruppe Hafen hinzugefügt",
       u"Wegpunkt WP001 ist bereits in der Gruppe Hafen", u"Wegpunkt WP001 zur Route RT001 hinzugefügt",
       u"Wegpunkt WP001 wurde zuletzt hinzugefügt, bitte einen anderen Wegpunkt wählen", nullptr},
      {LANGUAGE_RUSSIAN, u"Gavan", u"Путевая точка WP001 добавлена в группу Gavan",
       u"Путевая точка WP001 уже есть в группе Gavan", u"Путевая точка WP001 добавлена в маршрут RT001",
       u"Путевая точка WP001 добавлена последней, выберите другую путевую точку", nullptr},
  };
  for (const auto& n : kNotes) {
    SetLanguageAndFontSet(n.language);
    const bool bWide = n.language >= LANGUAGE_FIRST_WIDE;
    // A note's text as the reader sees it, in either form.
    auto Shown = [bWide, &n] {
      const char* p = g_WPM.pPopupAlarmWindow != nullptr ? g_WPM.pPopupAlarmWindow->pStrMessage : "";
      return bWide ? Units(p) : FromPage(p, n.language);
    };
    std::string group;
    for (char16_t c : n.group) group += bWide ? W(std::u16string(1, c)).substr(0, 2) : std::string(1, (char)c);
    const U16 g = Group(group.c_str());
    const U16 w = Waypoint("WP001", kWpmRoot, (S32)n.language * 1000);  // one waypoint a place
    const U16 r = Route("RT001", kWpmRoot, {});
    T_NAV_GROUP_vSetup();
    g_WPM.eMode = MODE_EDIT_GROUP;
    g_WPM.u16CurrentEditGroupID = g;
    WPM_vEditGroupListEast(w);
    EXPECT_EQ(n.added, Shown()) << n.language;
    if (n.golden != nullptr) {
      const std::vector<COLOR> note = Picture();
      const GOLDEN_PICTURE picture = {note.data(), G_SCREEN_WIDTH, G_SCREEN_HEIGHT, G_SCREEN_WIDTH};
      EXPECT_TRUE(GOLDEN_Match(n.golden, picture));
    }
    WPM_vEditGroupListEast(w);
    EXPECT_EQ(n.already, Shown()) << n.language;
    g_WPM.eMode = MODE_EDIT_ROUTE;
    g_WPM.u16CurrentEditGroupID = r;
    WPM_vEditRouteListEast(w);
    EXPECT_EQ(n.toRoute, Shown()) << n.language;
    WPM_vEditRouteListEast(w);
    EXPECT_EQ(n.last, Shown()) << n.language;
    WPM_vClearEditState();
    g_WPM.eMode = MODE_BROWSE;
    T_NAV_GROUP_vExitMainWindow();
  }
}

// A preset name's mark stands inside a Korean note as the preset's word.
TEST_F(WideForms, APresetNameInANoteReadsAsItsWord) {
  SetLanguage(LANGUAGE_KOREAN);
  const U16 g = Group(W(u"항구").c_str());
  const U16 w = Waypoint("000", kWpmRoot);
  WAYPOINT named = *T_NAV_pGetWaypoint(w & 0x0FFF);
  const std::string name = W(u"\uFDD0000");
  memcpy(named.sName, name.data(), name.size());
  ASSERT_TRUE(T_NAV_bSaveWaypoint(w & 0x0FFF, &named, FALSE, FALSE));
  T_NAV_GROUP_vSetup();
  g_WPM.eMode = MODE_EDIT_GROUP;
  g_WPM.u16CurrentEditGroupID = g;
  WPM_vEditGroupListEast(w);
  ASSERT_NE(nullptr, g_WPM.pPopupAlarmWindow);
  EXPECT_EQ(u"웨이포인트 " + Units(Wypt_Airport[LANGUAGE_KOREAN]) + u"000을(를) 그룹 항구에 추가했습니다",
            Units(g_WPM.pPopupAlarmWindow->pStrMessage));
  WPM_vClearEditState();
  g_WPM.eMode = MODE_BROWSE;
}

// Texts of a wide language whose first characters look like two ASCII
// ones (U+9ED8, U+6E2F) keep their form in the default group's line, and a
// date search compares dates, not the zero byte a wide date starts with.
TEST_F(WideForms, TheDefaultGroupLineAndADateSearchKeepWideTextsWhole) {
  SetLanguage(LANGUAGE_CHINESE_SIMPLIFIED);
  const U16 harbour = Group(W(u"港口").c_str());
  ASSERT_TRUE(T_NAV_GROUP_DATA_bSetDefaultGroup(harbour));
  Waypoint("A", harbour, 0, 0, 0x5F5E1000 + 86400);
  T_NAV_GROUP_vSetup();
  EXPECT_EQ(u"默认组: 主目录/港口", Units(g_WPM.acInstructionText));

  g_WPMSearch = {};
  g_WPMSearch.eMode = SEARCHBY_DATE;
  for (const auto& [date, found] : {std::pair{"09/14/20", 1}, {"09/15/20", 0}}) {
    snprintf(g_WPMSearch.sDateTime, sizeof g_WPMSearch.sDateTime, "%s", date);
    WPM_vRunSearch();
    EXPECT_EQ(found, g_WPM.u16ListCount) << date;
  }
}

}  // namespace
