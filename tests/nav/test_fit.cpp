// The navigation's texts against their rooms in every language: the name
// a route's start point is given fits a stored name.

#include "fit_test.h"

namespace nav_fit {

TEST(NavFit, TheStartPointsNameFitsAStoredNameInEveryLanguage) {
  FitFindings fit;
  for (U32 language = 0; language < LANGUAGE_COUNT; language++) {
    SetLanguage(language);
    const U32 unit = U_WSTRING_bIsUnicodeLanguage() ? 2 : 1;
    fit.Check("start point name", START, language, (U32)FIT_Text(START).size() / unit, unit == 2 ? 5 : 11,
              "characters");
  }
  SetLanguage(0);
  EXPECT_TRUE(fit.AllFit(27));
}

}  // namespace nav_fit
