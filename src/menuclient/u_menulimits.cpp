// Slider spans of the keys whose spans the key table holds, in the form the
// menus take. A registration keeps the pointer it is given, so each key's
// entries are made once and kept for the life of the process.

#include <mutex>

#include "h_dbtable.h"
#include "linuxsvc.h"
#include "u_menu.h"

namespace {

constexpr U32 LIMITS_KEYS = 24;

struct LIMITS_OF_KEY {
  FOURCHARID id;
  MENU_LIMITS aEntries[DB_MAX_SHOWN + 1];  // room for the all-zero end
};

std::mutex s_lock;
LIMITS_OF_KEY s_aMade[LIMITS_KEYS];
U32 s_u32Made;

// The row's spans as they are, ended by an all-zero entry when there is
// more than one (the menus' reading rule); a key without spans gets its
// range as one unit-less entry.
void LIMITS_vMake(const DB_TABLE_ROW* pRow, MENU_LIMITS* pEntries) {
  U32 n = 0;
  for (; pRow != nullptr && pRow->sRange.pShown != nullptr && n < DB_MAX_SHOWN; n++) {
    const DB_SHOWN_SPAN& s = pRow->sRange.pShown[n];
    if (s.eUnits == U_NONE && s.fStep == 0.0f) break;
    pEntries[n] = {s.eUnits, s.fLow, s.fHigh, s.fStep};
    if (s.eUnits == U_NONE) return;
  }
  if (n > 0) return;
  log_me("[%d]%s: %.4s has no slider span in the key table", __LINE__, __func__,
         pRow != nullptr ? (const char*)&pRow->id : "????");
  pEntries[0] = {U_NONE, 0.0f, 0.0f, 1.0f};
}

}  // namespace

const MENU_LIMITS* U_MENU_pLimitsOf(FOURCHARID id) {
  std::lock_guard<std::mutex> guard(s_lock);
  for (U32 i = 0; i < s_u32Made; i++) {
    if (s_aMade[i].id == id) return s_aMade[i].aEntries;
  }
  static MENU_LIMITS s_aNone[1] = {{U_NONE, 0.0f, 0.0f, 1.0f}};
  if (s_u32Made >= LIMITS_KEYS) {
    log_me("[%d]%s: no room for the spans of %.4s", __LINE__, __func__, (const char*)&id);
    return s_aNone;
  }
  LIMITS_OF_KEY& made = s_aMade[s_u32Made++];
  made.id = id;
  LIMITS_vMake(H_DBTABLE_pRow(id), made.aEntries);
  return made.aEntries;
}
