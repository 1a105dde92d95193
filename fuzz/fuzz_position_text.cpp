// Position text typed by the user, read back in 8-bit and wide text, then
// formatted again in every notation. The first byte picks the text form, the
// coordinate and the notation; the rest is the text.

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "h_database.h"
#include "fuzz_support.h"
#include "u_language.h"
#include "u_nav.h"
#include "u_wstring.h"

static unsigned s_nLanguage = 1000;

static void UseLanguage(unsigned language) {
  if (language == s_nLanguage) return;
  s_nLanguage = language;
  H_DATABASE_bUpdateEverythingU32(FCID("SLNG"), language, P_NORMAL, D_UNSIGNED32, nullptr, DB_NEVER_STALE);
  U_WSTRING_vUpdateCurrentLanguage();
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_vInit();
  H_DATABASE_vInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t control = data[0];
  const BOOLEAN bWide = control & 1;
  const DATA_TYPE type = (control & 2) ? D_POSITION_LAT : D_POSITION_LON;
  const NAV_FORMAT_ENUM format = (NAV_FORMAT_ENUM)((control >> 2) & 7);
  UseLanguage(bWide ? LANGUAGE_JAPANESE : LANGUAGE_ENGLISH);
  // The text exactly as long as the input, then its terminator (a wide text
  // is whole units, ended by a zero unit), so a read past it is caught.
  std::vector<char> text(data + 1, data + size);
  if (bWide && (text.size() & 1)) text.push_back(0);
  text.push_back(0);
  if (bWide) text.push_back(0);
  double value = 0.0;
  U_NAV_bParsePosition(type, text.data(), &value, format, s_nLanguage);
  char out[U_NAV_POSITION_TEXT_SIZE];
  U_NAV_vFormatPosition(type, value, out, format, s_nLanguage, (control & 0x20) ? IPS_SPACE : IPS_NO_SPACE);
  return 0;
}
