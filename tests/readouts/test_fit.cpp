// The readouts' texts against their rooms in every language: the data-box
// titles beside their units in the 158-pixel column, the man-overboard bar
// and the timer's form.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "fit_test.h"
#include "t_info.h"
#include "u_dialog.h"

namespace readout_fit {

typedef std::vector<const char* const*> TEXTS;

constexpr U32 kColumn = 158;

// Each title with the units its value may carry.
const struct {
  TEXTS titles;
  TEXTS units;
} kTitles[] = {
    {{Depth, R_Depth}, {m, ft, fthm}},
    {{Temp, Temp_1, Aux_Temp, Temp_2, R_Temp, Temp_3, R_A_Temp, Temp_4}, {Degrees_C, Degrees_F}},
    {{Speed, STW, SOG, SMG, VMG}, {kts_LC, mph_LC, kph_LC}},
    {{COG, Heading, Bearing, CMG, TRK}, {Degrees_T, Degrees_M}},
    {{Pitch, Roll}, {Degrees}},
    {{XTE, DTG, DIST}, {nm, sm, km, m, ft}},
    {{TTG, Timer, ::Battery}, {}},
    {{ETA, Time}, {am, pm}},
    {{VLT}, {V}},
};

class ReadoutFit : public FontTest {
 protected:
  FitFindings m_fit;
};

TEST_F(ReadoutFit, EveryReadoutTextStaysInsideItsRoomInEveryLanguage) {
  for (U32 language = 0; language < LANGUAGE_COUNT; language++) {
    SetLanguageAndFontSet(language);
    const FONT_DEF* p14 = T_INFO_pFont(14);
    const FONT_DEF* p17 = T_INFO_pFont(17);
    // A title from x + 4, its box's units right-aligned 2 from the edge.
    for (const auto& group : kTitles) {
      U32 unit = 0;
      for (const auto* u : group.units) unit = std::max(unit, G_STRING_u32GetWidth(p14, (const BYTE*)u[language]));
      for (const auto* t : group.titles) m_fit.Measure("data-box title", t, p17, kColumn - 4 - 2 - 4 - unit);
    }
    // The man-overboard bar: its label before the position boxes, which
    // end 352 in, and the elapsed time's title over its box.
    const U32 position = (U32)FIT_s32Width(p17, FIT_Ascii("N 88\xBA" "88.888'")) + 8;
    m_fit.Measure("man-overboard bar", MOB_at, p14, 352 - 50 - 4 - position);
    m_fit.Measure("man-overboard bar", Elapsed_Time, p14, 800 - 6 - kColumn - 360);

    // The timer's form, 410 wide: its title, the labels left of a centred
    // value between arrows, and the action rows.
    const U32 value = G_STRING_u32GetWidth(U_DIALOG_pChoiceFont(), (const BYTE*)(language >= LANGUAGE_FIRST_WIDE
                                                                                     ? "\0" "5\0" "9\0\0"
                                                                                     : "59"));
    m_fit.Measure("timer title", Timer_Setup, U_DIALOG_pChoiceFont(), 410 - 22);
    for (const auto* t : {Timer_hr, min_LC, Timer_sec}) {
      m_fit.Measure("timer row", t, U_DIALOG_pTextFont(), (410 - value) / 2 - 10 - 8 - 11 - 4);
    }
    for (const auto* t : {Timer_Start, Save}) m_fit.Measure("timer row", t, U_DIALOG_pTextFont(), 410 - 11 - 30);

  }
  EXPECT_TRUE(m_fit.AllFit(27 * 35));
}

}  // namespace readout_fit
