// The accessories' texts against their rooms in every language: the
// accessory test view's rows, the remote's data cells, its pairing box and
// its confirmation boxes (centred in the narrowest view area, 500 pixels).

#include <algorithm>
#include <string>

#include "fit_wrap.h"
#include "g_iconset.h"
#include "g_truetype.h"

namespace accessory_fit {

constexpr U32 kBold = 2, kRegular = 1;

U32 TrueType(const char* const* ppTable, U32 u32Size, U32 u32Style) {
  return G_TRUETYPE_u32GetWidth(ppTable[nCurrentLanguage()], u32Size, u32Style);
}

class AccessoryFit : public FontTest {
 protected:
  FitFindings m_fit;
  void Check(const std::string& place, const char* const* ppTable, U32 width, U32 room) {
    m_fit.Check(place, ppTable, nCurrentLanguage(), width, room);
  }
};

TEST_F(AccessoryFit, EveryAccessoryTextStaysInsideItsRoomInEveryLanguage) {
  for (U32 language = 0; language < LANGUAGE_COUNT; language++) {
    SetLanguageAndFontSet(language);
    // The test view beside the 160-pixel column: a name, then its state
    // right-aligned at x 788.
    Check("accessory test title", Accessory_Test, TrueType(Accessory_Test, 19, kBold), 640 - 20);
    U32 state = 0;
    for (const auto* s : {Acc_Connected, Acc_Unconnected}) state = std::max(state, TrueType(s, 17, kBold));
    for (const auto* a : {Acc_Temperature, Acc_Speed, Acc_GPS, Acc_Remote, Acc_Remote_Dongle, Acc_GPS_Heading}) {
      Check("accessory test row", a, 12 + TrueType(a, 17, kRegular) + 20 + state, 788 - 160);
    }
    // The remote's four cells, 375 wide: a title before the value's units.
    U32 units = 0;
    for (const auto* u : {m, ft, fthm, kts_LC, mph_LC, kph_LC, V, Degrees_T, Degrees_M, nm, sm, km}) {
      units = std::max(units, TrueType(u, 38, kRegular));
    }
    for (const auto* t : {Depth, Speed, Course, Voltage, XTE, Bearing}) {
      Check("remote cell title", t, TrueType(t, 38, kBold) + 10 + units, 375);
    }
    // Pairing: the steps wrapped beside the picture, the box 620 wide.
    const U32 wrap = 620 - 94 - G_ICON_u32GetWidth(&Remote_Sync_Graphic);
    for (const auto* s : {Remote_Sync_Step_1, Remote_Sync_Step_2}) {
      FIT_vWrapped(&m_fit, "remote pairing step", s, U_DIALOG_pTextFont(), wrap, 5);
    }
    m_fit.Measure("remote pairing title", Sync_New_Remote, U_DIALOG_pTitleFont(), 620 - 36);
    // A confirmation box as wide as its title or its 44-point statement.
    for (const auto* t : {Display_Frequency_2D, RTS_Window, Lumbrix_2D, Sonar, Sonar_Colors, Fish_ID_Plus,
                          Chart_Detail_Level, Chart_Orientation, Waypoint_Proximity_Flags}) {
      Check("remote box title", t, TrueType(t, 19, kBold) + 66, 500);
    }
    for (const auto* s : {On, Off, Palette_1, Palette_10, Palette_19}) {
      Check("remote box statement", s, TrueType(s, 44, kBold) + 66, 500);
    }
  }
  G_TRUETYPE_vSelectFontSet(0);
  EXPECT_TRUE(m_fit.AllFit(27 * 25));
}

}  // namespace accessory_fit
