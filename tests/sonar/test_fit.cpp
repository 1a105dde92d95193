// The sonar views' texts against their rooms in every language: a split
// pane's beam name under its depth, in the narrower pane of the big-digits
// view's area.

#include "fit_test.h"
#include "g_fonts.h"

namespace sonar_fit {

class SonarFit : public FontTest {};

TEST_F(SonarFit, TheBeamNamesStayInsideTheirPaneInEveryLanguage) {
  FitFindings fit;
  const U32 pane = (800 - 300) / 2 - 2 * 8;
  for (U32 language = 0; language < LANGUAGE_COUNT; language++) {
    SetLanguageAndFontSet(language);
    const FONT_DEF* pFont =
        U_WSTRING_bIsUnicodeLanguage() ? arialuni_size17_font_def_ptr : myriad_pro_bold_size17_font_def_ptr;
    for (const auto* b : {Beam_83_kHz, Beam_200_kHz}) fit.Measure("split pane beam", b, pFont, pane);
    fit.Measure("sonar off note", Sonar_Off_Note, pFont, pane);
  }
  EXPECT_TRUE(fit.AllFit(27 * 2));
}

}  // namespace sonar_fit
