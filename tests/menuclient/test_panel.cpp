// Menu panels: where each kind stands on the screen and nine whole panels
// against golden pictures (their texts against their rooms: test_fit.cpp).

#include <gtest/gtest.h>
#include <string.h>

#include <deque>
#include <string>

#include "canvas.h"
#include "color.h"
#include "g_iconset.h"
#include "menu_test.h"
#include "u_menu.h"
#include "u_menupanel.h"
#include "ui_texts.h"

namespace {

constexpr COLOR kView = 0x2A8A;  // a stand-in for the view under the menu

class MenuPanel : public MenuDrawTest {
 protected:
  // A table's text, or a literal, in the current language's form; kept alive
  // for the panel.
  const char* T(const char* const* table) { return table[nCurrentLanguage()]; }
  const char* L(const std::u16string& text) {
    m_texts.push_back(nCurrentLanguage() >= LANGUAGE_FIRST_WIDE ? W(text) : std::string(text.begin(), text.end()));
    return m_texts.back().c_str();
  }
  MENU_PANEL_ROW Row(const char* label, MENU_CONTROL_KIND control, const char* value = nullptr,
                     MENU_CHOICE_POSITION position = MENU_CHOICE_MIDDLE) {
    MENU_PANEL_ROW r = {};
    r.pcLabel = label;
    r.eControl = control;
    r.pcValue = value;
    r.ePosition = position;
    r.bArrow = TRUE;
    return r;
  }
  MENU_PANEL Panel(MENU_PANEL_KIND kind, const char* title, std::initializer_list<MENU_PANEL_ROW> rows) {
    MENU_PANEL p = {};
    p.eKind = kind;
    p.eSplit = SPLIT_FULL_WINDOW;
    p.pcTitle = title;
    for (const MENU_PANEL_ROW& r : rows) p.aRows[p.u32Rows++] = r;
    return p;
  }
  // The main menu on Setup; the focus on the tab strip unless a row is given.
  MENU_PANEL MainOnSetup(int selectedRow) {
    static const char* const* const kTabs[] = {Alarms, ::Setup, Views, Accessories};
    for (int i = 0; i < 4; i++) m_tabs[i] = T(kTabs[i]);
    MENU_PANEL p = Panel(MENU_PANEL_MAIN, nullptr,
                         {Row(T(Language), MENU_CONTROL_SELECTOR, T(Language_English), MENU_CHOICE_FIRST),
                          Row(T(Restore_Defaults), MENU_CONTROL_ACTION),
                          Row(T(Sonar), MENU_CONTROL_SELECTOR, T(On), MENU_CHOICE_LAST),
                          Row(T(Demonstration), MENU_CONTROL_SELECTOR, T(Off), MENU_CHOICE_FIRST),
                          Row(T(Light), MENU_CONTROL_PROGRESS_BAR, L(u" 7")),
                          Row(T(Night_Mode), MENU_CONTROL_SELECTOR, T(Off), MENU_CHOICE_FIRST),
                          Row(T(All_Tones), MENU_CONTROL_CHECK_BOX)});
    p.aRows[4].fFraction = 0.7f;
    p.aRows[6].bChecked = TRUE;
    p.ppcTabs = m_tabs;
    p.u32Tabs = 4;
    p.u32SelectedTab = 1;
    p.bTabFocus = selectedRow < 0;
    if (selectedRow >= 0) p.aRows[selectedRow].bSelected = TRUE;
    return p;
  }
  // Draws the panels over a plain view, each cascaded from the one before.
  ::testing::AssertionResult Golden(const char* name, std::initializer_list<MENU_PANEL> panels) {
    Canvas screen(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, kView);
    MENU_PANEL_BOX box = {}, parent = {};
    const MENU_PANEL_BOX* pParent = nullptr;
    for (const MENU_PANEL& p : panels) {
      U_MENUPANEL_vLayout(&p, 0, pParent, &box);
      U_MENUPANEL_vDraw(screen.get(), &p, &box);
      parent = box;
      pParent = &parent;
    }
    return MENU_MatchGolden(name, screen.get());
  }

  std::deque<std::string> m_texts;
  const char* m_tabs[4] = {};
};

TEST_F(MenuPanel, EachKindStandsWhereItsMenuBelongs) {
  MENU_PANEL_BOX box;
  MENU_PANEL main = MainOnSetup(-1);
  U_MENUPANEL_vLayout(&main, 0, nullptr, &box);
  // 560 wide, centred; 2 + 38 + 8 x 40 + 24 high, hanging from 469.
  EXPECT_EQ(120, box.at.x);
  EXPECT_EQ(469 - 384, box.at.y);
  EXPECT_EQ(560u, box.u32Width);
  EXPECT_EQ(384u, box.u32Height);
  U_MENUPANEL_vLayout(&main, 300, nullptr, &box);
  EXPECT_EQ(560u, box.u32Width) << "as wide over a narrow view area, reaching over the readout column";
  EXPECT_EQ(800 - 4 - 560, box.at.x);

  MENU_PANEL express = Panel(MENU_PANEL_EXPRESS, nullptr, {Row(L(u"Zoom"), MENU_CONTROL_NONE)});
  U_MENUPANEL_vLayout(&express, 0, nullptr, &box);
  EXPECT_EQ(10, box.at.x);
  EXPECT_EQ(300u, box.u32Width) << "the narrowest panel";
  EXPECT_EQ(469 - 42, box.at.y) << "one row, no title band";
  express.eSplit = SPLIT_RIGHT_WINDOW;
  U_MENUPANEL_vLayout(&express, 0, nullptr, &box);
  EXPECT_EQ(790 - 300, box.at.x);

  const MENU_PANEL_BOX parent = {{700, 300}, 90, 160};
  MENU_PANEL sub = Panel(MENU_PANEL_SUB, L(u"Sub"), {Row(L(u"Row"), MENU_CONTROL_NONE)});
  U_MENUPANEL_vLayout(&sub, 0, &parent, &box);
  EXPECT_EQ(796 - 300, box.at.x) << "kept on the screen";
  EXPECT_EQ(300 + 160 - 24 - 80, box.at.y) << "24 below the parent's top";
  const MENU_PANEL_BOX low = {{40, 0}, 300, 60};
  U_MENUPANEL_vLayout(&sub, 0, &low, &box);
  EXPECT_EQ(64, box.at.x);
  EXPECT_EQ(4, box.at.y) << "kept 4 above the bottom";

  MENU_PANEL single = Panel(MENU_PANEL_SINGLE, L(u"Zoom"), {Row(nullptr, MENU_CONTROL_SLIDER, L(u"2x"))});
  U_MENUPANEL_vLayout(&single, 0, nullptr, &box);
  EXPECT_EQ((800 - 300) / 2, box.at.x);
  EXPECT_EQ((480 - 100) / 2, box.at.y) << "2 + 38 + 60 high, centred both ways";
}

TEST_F(MenuPanel, TheMainMenuOnSetupWithTheFocusOnTheTabStrip) {
  EXPECT_TRUE(Golden("main_setup", {MainOnSetup(-1)}));
}

TEST_F(MenuPanel, TheMainMenuWithItsThirdRowSelected) { EXPECT_TRUE(Golden("main_setup_row2", {MainOnSetup(2)})); }

// A panel is kept as pixels and only its changed rows are drawn again: the
// result must be the picture of a panel drawn afresh.
TEST_F(MenuPanel, MovingTheSelectionGivesThePictureOfAFreshPanel) {
  MENU_PANEL p = MainOnSetup(0);
  Canvas screen(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, kView);
  MENU_PANEL_BOX box;
  U_MENUPANEL_vLayout(&p, 0, nullptr, &box);
  U_MENUPANEL_vDraw(screen.get(), &p, &box);
  p.aRows[0].bSelected = FALSE;
  p.aRows[2].bSelected = TRUE;
  U_MENUPANEL_vDraw(screen.get(), &p, &box);
  EXPECT_TRUE(MENU_MatchGolden("main_setup_row2", screen.get()));
}

TEST_F(MenuPanel, APanelStaysInsideTheClipOfItsPane) {
  MENU_PANEL p = MainOnSetup(0);
  Canvas screen(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, kView);
  screen->s32ClipRight = 399;
  MENU_PANEL_BOX box;
  U_MENUPANEL_vLayout(&p, 0, nullptr, &box);
  U_MENUPANEL_vDraw(screen.get(), &p, &box);
  const PIXELS changed = screen.changed(kView);
  ASSERT_FALSE(changed.empty());
  EXPECT_EQ(399, changed.rbegin()->first) << "drawn up to the clip's right edge and no further";
}

// Pixels of a colour-table entry inside a rectangle.
int Count(const Canvas& c, U32 entry, PIXEL x0, PIXEL y0, PIXEL x1, PIXEL y1) {
  int n = 0;
  for (const XY& p : c.with(gCOLOR_pcolColorTable[entry])) n += p.first >= x0 && p.first <= x1 && p.second >= y0 && p.second <= y1;
  return n;
}

TEST_F(MenuPanel, TabsThatDoNotFitScrollToKeepTheSelectedOneInView) {
  const char* tabs[8];
  for (const char*& t : tabs) t = T(Accessories);
  MENU_PANEL p = Panel(MENU_PANEL_MAIN, nullptr, {Row(T(Sonar), MENU_CONTROL_NONE)});
  p.ppcTabs = tabs;
  p.u32Tabs = 8;
  p.bTabFocus = TRUE;
  Canvas screen(G_SCREEN_WIDTH, G_SCREEN_HEIGHT, kView);
  MENU_PANEL_BOX box;
  U_MENUPANEL_vLayout(&p, 0, nullptr, &box);
  const PIXEL x = box.at.x, right = box.at.x + (PIXEL)box.u32Width - 1, top = 468, bottom = top - 36;
  for (U32 selected : {0u, 7u}) {
    p.u32SelectedTab = selected;
    U_MENUPANEL_vDraw(screen.get(), &p, &box);
    const int leftArrow = Count(screen, 35, x + 1, bottom, x + 15, top);
    const int rightArrow = Count(screen, 35, right - 15, bottom, right, top);
    const int focusLeft = Count(screen, 241, x, bottom, x + (right - x) / 2, top);
    const int focusRight = Count(screen, 241, x + (right - x) / 2 + 1, bottom, right, top);
    if (selected == 0) {
      EXPECT_TRUE(leftArrow == 0 && rightArrow > 0) << "more tabs to the right only";
      EXPECT_TRUE(focusLeft > 0 && focusRight == 0);
    } else {
      EXPECT_TRUE(leftArrow > 0 && rightArrow == 0) << "more tabs to the left only";
      EXPECT_TRUE(focusLeft == 0 && focusRight > 0) << "the last tab shown at the right end";
    }
  }
}

TEST_F(MenuPanel, ASubLevelCascadesFromTheMainMenu) {
  MENU_PANEL main = MainOnSetup(-1);
  main.bTabFocus = FALSE;
  main.aRows[1] = Row(T(Waypoint_Settings), MENU_CONTROL_ACTION);
  main.aRows[1].bSelected = TRUE;
  MENU_PANEL sub = Panel(MENU_PANEL_SUB, T(Waypoint_Settings),
                         {Row(T(Waypoint_Proximity_Flags), MENU_CONTROL_CHECK_BOX),
                          Row(T(Waypoint_Decluttering), MENU_CONTROL_SELECTOR, T(Off), MENU_CHOICE_FIRST),
                          Row(T(Trackpoint_Interval), MENU_CONTROL_SLIDER, L(u"5 seconds")),
                          Row(T(Course_Projection_Line), MENU_CONTROL_SELECTOR, T(On), MENU_CHOICE_MIDDLE)});
  sub.aRows[0].bChecked = TRUE;
  sub.aRows[3].bSelected = TRUE;
  EXPECT_TRUE(Golden("sub_level", {main, sub}));
}

TEST_F(MenuPanel, TheExpressMenuOfARightPane) {
  MENU_PANEL p = Panel(MENU_PANEL_EXPRESS, nullptr,
                       {Row(T(Active_Pane), MENU_CONTROL_SELECTOR, T(Right), MENU_CHOICE_LAST),
                        Row(T(Split_Position), MENU_CONTROL_SLIDER, L(u"50%"))});
  p.eSplit = SPLIT_RIGHT_WINDOW;
  p.aRows[0].pIcon = &select_active_side;
  p.aRows[1].pIcon = &adjust_screen_size;
  p.aRows[0].bSelected = TRUE;
  EXPECT_TRUE(Golden("express_right", {p}));
}

TEST_F(MenuPanel, TheQuickSetUpWithItsHint) {
  MENU_PANEL p = Panel(MENU_PANEL_QUICK, T(Quick_Setup),
                       {Row(T(Language), MENU_CONTROL_SELECTOR, T(Language_English), MENU_CHOICE_FIRST),
                        Row(T(Water_Type), MENU_CONTROL_SELECTOR, L(u"Fresh"), MENU_CHOICE_FIRST),
                        Row(T(Max_Depth), MENU_CONTROL_SLIDER, T(Auto), MENU_CHOICE_FIRST),
                        Row(T(Connected_Transducer), MENU_CONTROL_SELECTOR, L(u"Dual Beam")),
                        Row(T(Local_Time_Zone), MENU_CONTROL_SELECTOR, L(u"UTC+1")),
                        Row(T(Daylight_Saving_Time), MENU_CONTROL_SELECTOR, T(Off), MENU_CHOICE_FIRST)});
  p.aRows[0].bSelected = TRUE;
  p.pcFooter = T(Press_EXIT_when_done);
  p.bMoreDown = TRUE;
  EXPECT_TRUE(Golden("quick_setup", {p}));
}

TEST_F(MenuPanel, AFloatingMenuWithItsSubtitle) {
  MENU_PANEL p = Panel(MENU_PANEL_FLOATING, T(GoTo_),
                       {Row(T(Cancel_Navigation), MENU_CONTROL_ACTION), Row(T(Skip_Next_Waypoint), MENU_CONTROL_ACTION),
                        Row(T(Reset_XTE), MENU_CONTROL_ACTION), Row(T(Save_Current_Route), MENU_CONTROL_ACTION)});
  p.pcSubtitle = L(u"Harbour run");
  p.aRows[1].bSelected = TRUE;
  EXPECT_TRUE(Golden("floating_subtitle", {p}));
}

TEST_F(MenuPanel, ASingleCentredSlider) {
  MENU_PANEL p = Panel(MENU_PANEL_SINGLE, T(Zoom_Level), {Row(nullptr, MENU_CONTROL_SLIDER, L(u"2x"))});
  EXPECT_TRUE(Golden("single_slider", {p}));
}

TEST_F(MenuPanel, TwelveRowsScrolledToTheMiddleShowBothMarks) {
  static const char16_t* const kNames[12] = {u"Airport", u"Anchor", u"Buoy", u"Camp", u"Danger", u"Duck",
                                              u"Fish",    u"Flag",   u"Gas",  u"Home", u"Rocks",  u"Wreck"};
  static const ICON* const kIcons[12] = {&Airport1_icon, &Anchor1_icon, &Buoy1_icon,  &Camp1_icon,
                                         &Danger1_icon,  &Duck1_icon,   &Fish1_icon,  &Flag_icon,
                                         &Gas1_icon,     &Home1_icon,   &Rocks1_icon, &Wreck1_icon};
  MENU_PANEL p = Panel(MENU_PANEL_SUB, T(Set_Waypoint_Icon), {});
  for (U32 i = 2; i < 10; i++) {
    p.aRows[p.u32Rows] = Row(L(kNames[i]), MENU_CONTROL_ACTION);
    p.aRows[p.u32Rows].pIcon = kIcons[i];
    p.aRows[p.u32Rows++].bArrow = FALSE;
  }
  p.aRows[3].bSelected = TRUE;
  p.bMoreUp = p.bMoreDown = TRUE;
  EXPECT_TRUE(Golden("scrolled_middle", {p}));
}

// The main menu and the quick set-up's questions as six scripts write them,
// every word from the language files. The Russian, Greek, Japanese, Korean
// and Chinese pictures follow their translations.
TEST_F(MenuPanel, TheMainMenuAndTheQuickSetUpInSixScripts) {
  const struct {
    const char* pcCode;
    U32 u32Language;
  } kScripts[] = {{"de", LANGUAGE_GERMAN},   {"ru", LANGUAGE_RUSSIAN}, {"el", LANGUAGE_GREEK},
                  {"ja", LANGUAGE_JAPANESE}, {"ko", LANGUAGE_KOREAN},  {"zh_CN", LANGUAGE_CHINESE_SIMPLIFIED}};
  for (const auto& script : kScripts) {
    SetLanguageAndFontSet(script.u32Language);
    MENU_PANEL quick = Panel(MENU_PANEL_QUICK, T(Quick_Setup),
                             {Row(T(Language), MENU_CONTROL_SELECTOR, T(Language_English), MENU_CHOICE_FIRST),
                              Row(T(Water_Type), MENU_CONTROL_SELECTOR, T(Water_Fresh), MENU_CHOICE_FIRST),
                              Row(T(Max_Depth), MENU_CONTROL_SLIDER, T(Auto), MENU_CHOICE_FIRST),
                              Row(T(Connected_Transducer), MENU_CONTROL_SELECTOR, T(Transducer_83_200_kHz)),
                              Row(T(Local_Time_Zone), MENU_CONTROL_SELECTOR, L(u"UTC+1")),
                              Row(T(Daylight_Saving_Time), MENU_CONTROL_SELECTOR, T(Off), MENU_CHOICE_FIRST)});
    quick.aRows[1].bSelected = TRUE;
    quick.pcFooter = T(Press_EXIT_when_done);
    quick.bMoreDown = TRUE;
    const std::string code = script.pcCode;
    EXPECT_TRUE(Golden(("main_setup_" + code).c_str(), {MainOnSetup(2)})) << code;
    EXPECT_TRUE(Golden(("quick_setup_" + code).c_str(), {quick})) << code;
  }
}

// The Sonar tab in Turkish: its colour scheme stands right above the Sonar
// switch, and the light scheme reads apart from On; and the language row
// with "Türkçe", in the bold value face, as the quick set-up shows it.
TEST_F(MenuPanel, TheSonarTabAndTheLanguageRowInTurkish) {
  SetLanguageAndFontSet(LANGUAGE_TURKISH);
  static const char* const* const kTabs[] = {Alarms, Sonar, Nav, ::Setup};
  for (int i = 0; i < 4; i++) m_tabs[i] = T(kTabs[i]);
  MENU_PANEL sonar = Panel(MENU_PANEL_MAIN, nullptr,
                           {Row(T(Sensitivity), MENU_CONTROL_SLIDER, L(u"10")),
                            Row(T(Lower_Range), MENU_CONTROL_SLIDER, T(Auto), MENU_CHOICE_FIRST),
                            Row(T(Chart_Speed), MENU_CONTROL_SLIDER, L(u"5")),
                            Row(T(Sonar_Colors), MENU_CONTROL_SELECTOR, T(Sonar_Scheme_Light), MENU_CHOICE_FIRST),
                            Row(T(Sonar), MENU_CONTROL_SELECTOR, T(On), MENU_CHOICE_LAST),
                            Row(T(Sonar_Advanced), MENU_CONTROL_ACTION)});
  sonar.ppcTabs = m_tabs;
  sonar.u32Tabs = 4;
  sonar.u32SelectedTab = 1;
  sonar.aRows[3].bSelected = TRUE;
  EXPECT_TRUE(Golden("sonar_tab_tr", {sonar}));
  MENU_PANEL quick = Panel(MENU_PANEL_QUICK, T(Quick_Setup),
                           {Row(T(Language), MENU_CONTROL_SELECTOR, T(Language_Turkish), MENU_CHOICE_MIDDLE),
                            Row(T(Max_Depth), MENU_CONTROL_SLIDER, T(Auto), MENU_CHOICE_FIRST)});
  quick.aRows[0].bSelected = TRUE;
  EXPECT_TRUE(Golden("language_row_tr", {quick}));
}

TEST_F(MenuPanel, TheMainMenuInWideEnglish) {
  SetLanguageAndFontSet(LANGUAGE_ENGLISH_UNICODE);
  EXPECT_TRUE(Golden("main_setup_wide", {MainOnSetup(2)}));
}

}  // namespace
