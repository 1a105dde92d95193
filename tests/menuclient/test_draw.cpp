// The drawing helpers other screens borrow: selection boxes, progress bars,
// the scroll tab and the mask, against golden pictures and hand-counted
// pixels; texts cut to their room.

#include <gtest/gtest.h>

#include <string>

#include "canvas.h"
#include "color.h"
#include "g_iconset.h"
#include "menu_test.h"
#include "u_menu.h"
#include "u_menulook.h"
#include "ui_texts.h"

namespace {

constexpr COLOR kWhite = 0xFFFF;

class MenuDraw : public MenuDrawTest {};

COLOR Entry(U32 index) { return gCOLOR_pcolColorTable[index]; }

TEST_F(MenuDraw, SelectionBoxesShowTheirChoiceBetweenTheArrowsItHas) {
  static const MENU_TEXT kChoices[3] = {Off, On, Auto};
  static const U32 kValues[3] = {10, 20, 30};
  static const MENU_TEXT kLong[1] = {Optional_Accessory_Required_to_Support_This_View};
  static const ICON* const kIcons[1] = {&Fish1_icon};
  Canvas canvas(430, 210, 0x0000);
  // Choices 0, 1 and 2 of three, on the panel grey and on white.
  for (U8 choice = 0; choice < 3; choice++) {
    M_SELECTION_BOX_PARAMETERS free = {0, kChoices, nullptr, kValues, 0, 3};
    U_MENU_vDrawControlSelectionBox(canvas.get(), POINT{10, 170 - 40 * choice}, choice, &free, 200, 32, Entry(237));
    U_MENU_vDrawControlSelectionBox(canvas.get(), POINT{220, 170 - 40 * choice}, choice, &free, 200, 32, kWhite);
  }
  // Bound to a key holding the third value: that choice, whatever is asked.
  H_DATABASE_bUpdateEverythingU32(FCID("SSPL"), 30, P_NORMAL, D_UNSIGNED32, nullptr, DB_NEVER_STALE);
  M_SELECTION_BOX_PARAMETERS bound = {FCID("SSPL"), kChoices, nullptr, kValues, 0, 3};
  U_MENU_vDrawControlSelectionBox(canvas.get(), POINT{10, 50}, 0, &bound, 200, 32, Entry(237));
  EXPECT_EQ(2, bound.CurSelection);
  M_SELECTION_BOX_PARAMETERS longText = {0, kLong, nullptr, nullptr, 0, 1};
  U_MENU_vDrawControlSelectionBox(canvas.get(), POINT{220, 50}, 0, &longText, 200, 32, Entry(237));
  M_SELECTION_BOX_PARAMETERS icon = {0, kLong, kIcons, nullptr, 0, 1};
  U_MENU_vDrawControlSelectionBox(canvas.get(), POINT{10, 10}, 0, &icon, 200, 32, Entry(237));
  M_SELECTION_BOX_PARAMETERS past = {0, kChoices, nullptr, nullptr, 0, 3};
  U_MENU_vDrawControlSelectionBox(canvas.get(), POINT{220, 10}, 3, &past, 200, 32, Entry(237));
  EXPECT_TRUE(MENU_MatchGolden("selection_boxes", canvas.get()));
}

// Orange pixels along the middle row of a bar's track.
int Filled(const Canvas& canvas, PIXEL y) {
  int n = 0;
  for (PIXEL x = 0; x < canvas->pixels_wide; x++) n += canvas.at(x, y) == Entry(241);
  return n;
}

TEST_F(MenuDraw, ProgressBarsFillTheirShareAndNameTheirEnds) {
  static const MENU_TEXT kNone = nullptr;
  M_PROGRESS_BAR_PARAMETERS backlight = {0, 0.0f, 10.0f, Dim, kNone, "%2d", kNone};
  M_PROGRESS_BAR_PARAMETERS plain = {0, 0.0f, 10.0f, kNone, kNone, nullptr, kNone};
  Canvas canvas(220, 170, Entry(237));
  DB_DATA_TYPE v;
  const S32 kValues[3] = {0, 5, 10};
  for (int i = 0; i < 3; i++) {
    v.s32Val = kValues[i];
    U_MENU_vDrawControlProgressBar(canvas.get(), POINT{10, 130 - 40 * i}, v, &backlight, DF_SIGNED32, 200, 32);
  }
  v.fVal = 2.5f;
  U_MENU_vDrawControlProgressBar(canvas.get(), POINT{10, 10}, v, &plain, DF_FLOAT, 200, 32);
  EXPECT_TRUE(MENU_MatchGolden("progress_bars", canvas.get()));
  // The track is 200 - 48 = 152 wide; its outline covers the fill's first
  // and last columns: 0, 76 - 1, 152 - 2 and 38 - 1 orange pixels.
  EXPECT_EQ(0, Filled(canvas, 130 + 16));
  EXPECT_EQ(75, Filled(canvas, 90 + 16));
  EXPECT_EQ(150, Filled(canvas, 50 + 16));
  EXPECT_EQ(37, Filled(canvas, 10 + 16));
}

TEST_F(MenuDraw, AValueFormatThatIsNotOneNumberIsReplacedByTheDefault) {
  DB_DATA_TYPE v;
  v.s32Val = 7;
  M_PROGRESS_BAR_PARAMETERS fine = {0, 0.0f, 10.0f, nullptr, nullptr, nullptr, nullptr};
  Canvas expected(220, 40, 0);
  U_MENU_vDrawControlProgressBar(expected.get(), POINT{10, 4}, v, &fine, DF_SIGNED32, 200, 32);
  for (const char* format : {"%s", "%n", "%d%d", "%", "%5", "%p", "%ls"}) {
    M_PROGRESS_BAR_PARAMETERS hostile = fine;
    hostile.pcValueFormat = format;
    Canvas drawn(220, 40, 0);
    U_MENU_vDrawControlProgressBar(drawn.get(), POINT{10, 4}, v, &hostile, DF_SIGNED32, 200, 32);
    EXPECT_EQ(expected.changed(0), drawn.changed(0)) << format;
  }
}

TEST_F(MenuDraw, TheScrollTabShowsTheMarksAskedFor) {
  Canvas canvas(200, 90, 0x0000);
  T_MENU_vDrawMoreDownTab(canvas.get(), POINT{0, 60}, 200, FALSE, FALSE);
  EXPECT_TRUE(canvas.changed(0x0000).empty()) << "neither mark: nothing at all";
  T_MENU_vDrawMoreDownTab(canvas.get(), POINT{0, 60}, 200, TRUE, FALSE);
  T_MENU_vDrawMoreDownTab(canvas.get(), POINT{0, 30}, 200, FALSE, TRUE);
  T_MENU_vDrawMoreDownTab(canvas.get(), POINT{0, 0}, 200, TRUE, TRUE);
  EXPECT_TRUE(MENU_MatchGolden("more_tabs", canvas.get()));
}

TEST_F(MenuDraw, TheMaskHalvesTheDiagnosticViewsOnly) {
  Canvas canvas(64, 48, 0);
  for (PIXEL y = 0; y < 48; y++) {
    for (PIXEL x = 0; x < 64; x++) canvas.at(x, y) = (COLOR)((x / 2) << 11 | (y + 15) << 5 | (31 - x / 2));
  }
  const std::vector<COLOR> before(canvas.pixels(), canvas.pixels() + canvas.pixelCount());
  H_DATABASE_bUpdateEverythingS32(FCID("CVEW"), SONAR_VIEW_PRIORITY, P_NORMAL, D_SIGNED32, nullptr, DB_NEVER_STALE);
  T_MENU_vDrawMaskBackground(canvas.get());
  EXPECT_EQ(before, std::vector<COLOR>(canvas.pixels(), canvas.pixels() + canvas.pixelCount()));
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), DIAGNOSTIC_SELF_TEST, P_NORMAL);
  T_MENU_vDrawMaskBackground(canvas.get());
  for (size_t i = 0; i < before.size(); i++) {
    const COLOR a = before[i], b = canvas.pixels()[i];
    ASSERT_NEAR((a >> 11) / 2.0, b >> 11, 1.0) << i;
    ASSERT_NEAR(((a >> 5) & 63) / 2.0, (b >> 5) & 63, 1.0) << i;
    ASSERT_NEAR((a & 31) / 2.0, b & 31, 1.0) << i;
  }
  EXPECT_TRUE(MENU_MatchGolden("mask_151", canvas.get()));
}

TEST_F(MenuDraw, ACutTextKeepsItsHeadAndEndsInThreeFullStopsWithinItsRoom) {
  const FONT_DEF* font = U_MENULOOK_pValueFont();
  char out[MENU_TEXT_BUFFER];
  const char* text = "Waypoints Routes Tracks";
  const U32 full = U_MENULOOK_u32Width(text, font);
  EXPECT_EQ(full, U_MENULOOK_u32Shorten(out, sizeof out, text, font, full));
  EXPECT_STREQ(text, out) << "a text that fits is kept whole";
  for (U32 room = full - 1; room > 20; room -= 7) {
    const U32 width = U_MENULOOK_u32Shorten(out, sizeof out, text, font, room);
    const std::string cut = out;
    ASSERT_LE(width, room);
    ASSERT_GE(cut.size(), 3u);
    EXPECT_EQ("...", cut.substr(cut.size() - 3)) << room;
    EXPECT_EQ(0u, std::string(text).find(cut.substr(0, cut.size() - 3))) << cut;
    EXPECT_NE(' ', cut[cut.size() > 3 ? cut.size() - 4 : 0]) << "no space before the stops";
  }
  EXPECT_EQ(0u, U_MENULOOK_u32Shorten(out, sizeof out, text, font, 4));
  EXPECT_STREQ("", out) << "no room even for the stops";

  SetLanguageAndFontSet(LANGUAGE_JAPANESE);
  font = U_MENULOOK_pValueFont();
  const std::string wide = W(u"ボートの近くに大きな魚");
  const U32 half = U_MENULOOK_u32Width(wide.c_str(), font) / 2;
  ASSERT_LE(U_MENULOOK_u32Shorten(out, sizeof out, wide.c_str(), font, half), half);
  const std::u16string units = Units(out);
  EXPECT_EQ(u"...", units.substr(units.size() - 3));
  EXPECT_EQ(0u, std::u16string(u"ボートの近くに大きな魚").find(units.substr(0, units.size() - 3)));
}

}  // namespace
