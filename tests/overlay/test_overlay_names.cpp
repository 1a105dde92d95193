// Name labels, preset names, alphabets and the case-blind compares.

#include <string.h>

#include <vector>

#include "g_bmp.h"
#include "g_buffers.h"
#include "g_fonts.h"
#include "g_string.h"
#include "overlay_test.h"
#include "text_util.h"
#include "ui_texts.h"

namespace {

class Names : public ot::OverlayTest {
 protected:
  BITMAP* m_pBitmap = nullptr;
  void SetUp() override {
    ot::OverlayTest::SetUp();
    m_pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
    G_BMP_vSet(m_pBitmap, 0);
  }
  void TearDown() override {
    G_BUFFERS_vFreeBitmap(m_pBitmap);
    SetLanguage(0);
    ot::OverlayTest::TearDown();
  }
  std::vector<COLOR> Pixels() const {
    const COLOR* p = (const COLOR*)m_pBitmap->pBuffer;
    return std::vector<COLOR>(p, p + G_SCREEN_WIDTH * G_SCREEN_HEIGHT);
  }
  bool Blank() const {
    for (COLOR c : Pixels()) {
      if (c != 0) return false;
    }
    return true;
  }
};

TEST_F(Names, AKoreanPresetDrawsExactlyItsPresetText) {
  SetLanguage(LANGUAGE_KOREAN);
  const std::string name = W(u"\uFDD5");
  POINT at = {100, 200};
  T_NAV_EDIT_vRenderWyptRteTrkName(m_pBitmap, 0xFFFF, &at, arialuni_size17_font_def_ptr, name.data(), name.size());
  const std::vector<COLOR> label = Pixels();
  G_BMP_vSet(m_pBitmap, 0);
  POINT direct = {100, 203};
  const std::string buoy = W(u"부이");
  G_STRING_vPut(m_pBitmap, 0xFFFF, &direct, arialuni_size17_font_def_ptr, (const BYTE*)buoy.data());
  EXPECT_FALSE(Blank());
  EXPECT_TRUE(label == Pixels());
  EXPECT_EQ(Units(Wypt_Buoy[LANGUAGE_KOREAN]), u"부이");
}

TEST_F(Names, TheAnchorRisesByThreeOnEveryCallAndALabelAtTheRightEdgeIsNotDrawn) {
  SetLanguage(LANGUAGE_JAPANESE);
  const std::string name = W(u"AB");
  POINT at = {m_pBitmap->s32ClipRight, 100};
  for (int call = 1; call <= 3; call++) {
    T_NAV_EDIT_vRenderWyptRteTrkName(m_pBitmap, 0xFFFF, &at, arialuni_size17_font_def_ptr, name.data(), name.size());
    EXPECT_EQ(100 + 3 * call, at.y);
  }
  EXPECT_TRUE(Blank());
  at = {m_pBitmap->s32ClipRight - 60, 100};
  T_NAV_EDIT_vRenderWyptRteTrkName(m_pBitmap, 0xFFFF, &at, arialuni_size17_font_def_ptr, name.data(), name.size());
  EXPECT_FALSE(Blank());
}

TEST_F(Names, AFullNarrowSlotShownInJapaneseLeavesItsNeighbourAlone) {
  SetLanguage(LANGUAGE_JAPANESE);
  WAYPOINT slots[2] = {};
  memcpy(slots[0].sName, "ABCDEFGHIJKL", sizeof slots[0].sName);
  slots[1].u32DateTime = 0x12345678;
  memcpy(slots[1].sName, "NEIGHBOUR", 10);
  const WAYPOINT before[2] = {slots[0], slots[1]};
  POINT at = {50, 50};
  T_NAV_EDIT_vRenderWyptRteTrkName(m_pBitmap, 0xFFFF, &at, arialuni_size17_font_def_ptr, slots[0].sName,
                                   sizeof slots[0].sName);
  EXPECT_EQ(0, memcmp(before, slots, sizeof slots));
  EXPECT_FALSE(Blank());
}

TEST_F(Names, APresetWidthCountsTwoForAnUnknownCode) {
  SetLanguage(24);
  const FONT_DEF* pFont = arialuni_size17_font_def_ptr;
  const std::string rest = W(u"XY");
  const std::string unknown = std::string("\xFD\xFA", 2) + rest;
  EXPECT_EQ(2 + G_STRING_u32GetWidth(pFont, (const BYTE*)rest.data()),
            T_NAV_EDIT_u32GetWidthWaypointName(pFont, (const BYTE*)unknown.data()));
  const std::string airport = std::string("\xFD\xD0", 2) + rest;
  EXPECT_EQ(G_STRING_u32GetWidth(pFont, (const BYTE*)Wypt_Airport[24]) + G_STRING_u32GetWidth(pFont, (const BYTE*)rest.data()),
            T_NAV_EDIT_u32GetWidthWaypointName(pFont, (const BYTE*)airport.data()));
  EXPECT_EQ(nullptr, T_NAV_EDIT_sGetChineseWyptType(30)->sName);
  EXPECT_EQ(0xFDEDu, T_NAV_EDIT_sGetChineseWyptType(29)->u16Id);
}

TEST_F(Names, AlphabetsWrapAndStartOverOnAStrangeCharacter) {
  EXPECT_EQ('A', T_NAV_cNextCharInAlphabet(0, '+'));
  EXPECT_EQ('B', T_NAV_cNextCharInAlphabet(0, 'A'));
  EXPECT_EQ('A', T_NAV_cNextCharInAlphabet(0, '#'));
  EXPECT_EQ('A', T_NAV_cNextCharInAlphabet(0, 0));
  EXPECT_EQ('+', T_NAV_cPrevCharInAlphabet(0, 'A'));
  EXPECT_EQ('+', T_NAV_cPrevCharInAlphabet(0, '#'));
  // Russian (16), in the second code page: after its last letter, small ya
  // (0xFF), the digits; before its first, capital A (0xC0), the last sign.
  EXPECT_EQ('0', T_NAV_cNextCharInAlphabet(16, '\xFF'));
  EXPECT_EQ('+', T_NAV_cPrevCharInAlphabet(16, '\xC0'));
  EXPECT_EQ('+', T_NAV_cPrevCharInAlphabet(17, '\xC0'));  // Bulgarian ends in " -/+"
  EXPECT_EQ('\xC0', T_NAV_cNextCharInAlphabet(17, '+'));
  // English as the current language: the wide row 24 whatever nLang says.
  EXPECT_EQ(u'B', T_NAV_u16NextWCharInAlphabet(3, u'A'));
  EXPECT_EQ(u'A', T_NAV_u16NextWCharInAlphabet(3, u'+'));
  EXPECT_EQ(u'+', T_NAV_u16PrevWCharInAlphabet(3, u'A'));
  EXPECT_EQ(u'+', T_NAV_u16PrevWCharInAlphabet(3, 0x3042));
}

TEST_F(Names, CaseBlindComparesFoldOnlyLatinCapitals) {
  EXPECT_EQ(0, T_NAV_EDIT_s32StrcmpIgnoreCase("Buoy", "bUOY"));
  EXPECT_EQ(1, T_NAV_EDIT_s32StrcmpIgnoreCase("buoz", "BUOY"));
  EXPECT_EQ(-1, T_NAV_EDIT_s32StrcmpIgnoreCase("BUO", "buoy"));
  EXPECT_EQ(-1, T_NAV_EDIT_s32StrcmpIgnoreCase("\xC4", "\xE4"));  // not folded: unsigned bytes
  EXPECT_EQ(0, T_NAV_EDIT_s32StrncmpIgnoreCase("WRECKS", "wreck!", 5));
}

}  // namespace
