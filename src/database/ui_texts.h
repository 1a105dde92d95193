// The UI texts the database shows: unit texts. Each is a table of 27 strings
// indexed by language; entries 0..21 are 8-bit text, 22..26 wide text
// (16-bit big-endian units ending in a zero unit). Until the text catalogue
// exists these hold the English text in every language; the catalogue
// replaces this header and ui_texts.cpp as they stand.
#pragma once

constexpr unsigned UI_TEXT_LANGUAGES = 27;
// The first language whose texts are wide.
constexpr unsigned UI_TEXT_FIRST_WIDE = 22;

extern const char* const sm[UI_TEXT_LANGUAGES];
extern const char* const km[UI_TEXT_LANGUAGES];
extern const char* const kts_LC[UI_TEXT_LANGUAGES];
extern const char* const mph_LC[UI_TEXT_LANGUAGES];
extern const char* const kph_LC[UI_TEXT_LANGUAGES];
extern const char* const m[UI_TEXT_LANGUAGES];
extern const char* const ft[UI_TEXT_LANGUAGES];
extern const char* const fthm[UI_TEXT_LANGUAGES];
extern const char* const seconds[UI_TEXT_LANGUAGES];
extern const char* const min_LC[UI_TEXT_LANGUAGES];
extern const char* const InHg[UI_TEXT_LANGUAGES];
extern const char* const mmHg[UI_TEXT_LANGUAGES];
extern const char* const mb[UI_TEXT_LANGUAGES];
extern const char* const hPa[UI_TEXT_LANGUAGES];
extern const char* const Volume_Gallons[UI_TEXT_LANGUAGES];
extern const char* const UK_Gallons[UI_TEXT_LANGUAGES];
extern const char* const Volume_Liters[UI_TEXT_LANGUAGES];
extern const char* const V[UI_TEXT_LANGUAGES];
extern const char* const Degrees_C[UI_TEXT_LANGUAGES];
extern const char* const Degrees_F[UI_TEXT_LANGUAGES];
extern const char* const Degrees_T[UI_TEXT_LANGUAGES];
extern const char* const Degrees_M[UI_TEXT_LANGUAGES];
extern const char* const nm[UI_TEXT_LANGUAGES];
extern const char* const Degrees[UI_TEXT_LANGUAGES];
extern const char* const PSI[UI_TEXT_LANGUAGES];
extern const char* const Mid_kpa[UI_TEXT_LANGUAGES];
extern const char* const gal_h[UI_TEXT_LANGUAGES];
extern const char* const UK_gal_h[UI_TEXT_LANGUAGES];
extern const char* const L_h[UI_TEXT_LANGUAGES];
extern const char* const mpg[UI_TEXT_LANGUAGES];
extern const char* const UK_mpg[UI_TEXT_LANGUAGES];
extern const char* const km_L[UI_TEXT_LANGUAGES];
