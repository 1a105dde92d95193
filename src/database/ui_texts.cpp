// English unit texts in the shape of the text catalogue. The 8-bit texts use
// the code page of the embedded fonts (0xBA is the degree sign); the wide
// texts are Unicode.

#include "ui_texts.h"

#include <cstddef>

namespace {

// A wide text as its big-endian bytes, the terminating zero unit included.
template <size_t N>
struct WIDE_TEXT {
  char acBytes[2 * N];
};

template <size_t N>
constexpr WIDE_TEXT<N> UI_TEXT_Widen(const char16_t (&text)[N]) {
  WIDE_TEXT<N> wide{};
  for (size_t i = 0; i < N; i++) {
    wide.acBytes[2 * i] = (char)(text[i] >> 8);
    wide.acBytes[2 * i + 1] = (char)(text[i] & 0xFF);
  }
  return wide;
}

}  // namespace

#define UI_TEXT_8(t) t, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t, t
#define UI_TEXT_W(t) t, t, t, t, t
#define UI_TEXT(name, narrow, wide)                                   \
  static constexpr auto s_w_##name = UI_TEXT_Widen(wide);             \
  const char* const name[UI_TEXT_LANGUAGES] = {UI_TEXT_8(narrow), UI_TEXT_W(s_w_##name.acBytes)}

UI_TEXT(sm, "sm", u"sm");
UI_TEXT(km, "km", u"km");
UI_TEXT(kts_LC, "kts", u"kts");
UI_TEXT(mph_LC, "mph", u"mph");
UI_TEXT(kph_LC, "kph", u"kph");
UI_TEXT(m, "m", u"m");
UI_TEXT(ft, "ft", u"ft");
UI_TEXT(fthm, "fthm", u"fthm");
UI_TEXT(seconds, "seconds", u"seconds");
UI_TEXT(min_LC, "min", u"min");
UI_TEXT(InHg, "In.Hg", u"In.Hg");
UI_TEXT(mmHg, "mmHg", u"mmHg");
UI_TEXT(mb, "mb", u"mb");
UI_TEXT(hPa, "hPa", u"hPa");
UI_TEXT(Volume_Gallons, "U.S. Gallons", u"U.S. Gallons");
UI_TEXT(UK_Gallons, "UK Gallons", u"UK Gallons");
UI_TEXT(Volume_Liters, "Liters", u"Liters");
UI_TEXT(V, "V", u"V");
UI_TEXT(Degrees_C, "\xBA" "C", u"\u00B0C");
UI_TEXT(Degrees_F, "\xBA" "F", u"\u00B0F");
UI_TEXT(Degrees_T, "\xBA" "t", u"\u00B0t");
UI_TEXT(Degrees_M, "\xBA" "m", u"\u00B0m");
UI_TEXT(nm, "nm", u"nm");
UI_TEXT(Degrees, "\xBA", u"\u00B0");
UI_TEXT(PSI, "PSI", u"PSI");
UI_TEXT(Mid_kpa, "kpa", u"kpa");
UI_TEXT(gal_h, "gal/h", u"gal/h");
UI_TEXT(UK_gal_h, "UK gal/h", u"UK gal/h");
UI_TEXT(L_h, "L/h", u"L/h");
UI_TEXT(mpg, "mpg", u"mpg");
UI_TEXT(UK_mpg, "UK mpg", u"UK mpg");
UI_TEXT(km_L, "km/L", u"km/L");
