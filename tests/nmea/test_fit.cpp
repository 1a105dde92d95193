// The GPS diagnostic view's texts against their rooms in every language:
// the left column's labels with their widest values, the sky plot's compass
// letters, and the right column's labels.

#include <algorithm>
#include <string>

#include "fit_test.h"
#include "g_fonts.h"

namespace diagnostic_fit {

class DiagnosticFit : public FontTest {
 protected:
  FitFindings m_fit;
  void Check(const std::string& place, const char* const* ppTable, S32 width, S32 room) {
    m_fit.Check(place, ppTable, nCurrentLanguage(), (U32)std::max(width, 0), (U32)std::max(room, 0));
  }
};

TEST_F(DiagnosticFit, EveryDiagnosticTextStaysInsideItsRoomInEveryLanguage) {
  const S32 x0 = 159;  // beside the diagnostic views' readout column
  for (U32 language = 0; language < LANGUAGE_COUNT; language++) {
    SetLanguageAndFontSet(language);
    const bool bWide = U_WSTRING_bIsUnicodeLanguage();
    const FONT_DEF* pLabel = bWide ? arialuni_size14_font_def_ptr : myriad_pro_size14_font_def_ptr;
    const FONT_DEF* pValue = bWide ? arialuni_size14_font_def_ptr : myriad_pro_bold_size14_font_def_ptr;
    const FONT_DEF* pTitle = bWide ? arialuni_size16_font_def_ptr : myriad_pro_bold_size19_font_def_ptr;
    Check("title", GPS_Diagnostic_View, FIT_s32Width(pTitle, FIT_Text(GPS_Diagnostic_View)), 800 - x0 - 20);
    // The left column: a label from x 10, its value right-aligned at 412.
    auto Row = [&](const char* const* label, const std::string& value, const char* const* ppValue) {
      Check(std::string("left column beside ") + (ppValue != nullptr ? FIT_pcName(ppValue) : "its value"), label,
            FIT_s32Width(pLabel, FIT_Text(label)) + 12 + FIT_s32Width(pValue, value), 412 - 10);
    };
    Row(Time, FIT_Ascii("12:59:59 PM"), nullptr);
    Row(Date, FIT_Ascii("12/31/2020"), nullptr);
    for (const auto* h : {NORTH, SOUTH}) Row(h, FIT_Ascii("N 88\xBA" "59.999'"), nullptr);
    for (const auto* h : {EAST, WEST}) Row(h, FIT_Ascii("W 179\xBA" "59.999'"), nullptr);
    for (const auto* s : {Auto, Internal_GPS, External_GPS}) Row(Source, FIT_Text(s), s);
    for (const auto* f : {No_Fix, Enhanced, Fix_2D, Fix_3D, Unknown}) Row(Fix_Type, FIT_Text(f), f);
    // The sky plot's letters sit on its rim, in boxes as wide as they are.
    for (const auto* d : {Direction_N, Direction_S, Direction_E, Direction_W}) {
      Check("sky plot", d, FIT_s32Width(pValue, FIT_Text(d)) + 6, 40);
    }
    // The right column, from x 426: labels over their values.
    for (const auto* l : {COG, Speed, Top_4, Average_CNO, Est_Pos_Error, HDOP}) {
      Check("right column", l, FIT_s32Width(pLabel, FIT_Text(l)), 800 - (x0 + 426) - 8 - 4);
    }
  }
  EXPECT_TRUE(m_fit.AllFit(27 * 25));
}

}  // namespace diagnostic_fit
