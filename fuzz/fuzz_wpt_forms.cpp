// Key sequences through the waypoint manager's forms: the first byte picks
// the form (and the list row it is opened on), every further byte is a key.
// Any sequence must leave the store's records sound; the form buffers are
// static arrays, so a write past one is an address-sanitizer finding.

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "h_database.h"
#include "g_buffers.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_messagebox.h"
#include "t_nav.h"
#include "t_nav_group.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "u_language.h"
#include "u_wstring.h"
#include "fuzz_navstore.h"
#include "fuzz_support.h"

// The busy notice holds a long operation up for a second so the user sees
// it: no one watches here, so the link wraps the sleep by its C++ name
// (targets.cmake) and the fuzzer keeps its pace.
extern "C" void __wrap__Z13L_CLOCK_Sleepj(U32) {}

static void Publish(FOURCHARID key, MBOX mbox) {
  H_DATABASE_bUpdateEverythingU32(key, (U32)mbox, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
}

static void Drain(void) {
  for (MBOX m : {M_VIEW, M_KEYB, M_MENU, M_ALARM, M_NAV}) {
    while (void* p = L_MBOX_Receive(m)) H_MEMORY_vDumpMail(p);
  }
}

static void AddItems(void) {
  const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
  GROUP_HEADER h = {};
  h.u8Status = WPT_STATUS_GROUP_HEADER;
  h.u16ParentIndex = h.u16FirstBodyIndex = 0xFFFF;
  h.u32DateTime = 0x5F5E1000;
  memcpy(h.sName, "Group", 5);
  T_NAV_GROUP_DATA_bAddLink(root, T_NAV_GROUP_DATA_nNewGroup(&h));
  WAYPOINT w = {};
  w.u8Status = WPT_STATUS_SAVED;
  w.u32DateTime = 0x5F5E1000;
  w.pt = {1000, 2000};
  memcpy(w.sName, "Point", 5);
  const U16 wp = T_NAV_nAddWaypoint(&w, TRUE);
  T_NAV_GROUP_DATA_bAddLink(root, wp);
  ROUTE r = {};
  r.nCount = 1;
  r.u32DateTime = 0x5F5E1000;
  r.anWaypoint[0] = wp;
  memcpy(r.sName, "Route", 5);
  T_NAV_GROUP_DATA_bAddLink(root, (U16)(0x8800 | T_NAV_nAddRoute(&r)));
  static TRACK t;
  U_NAV_vClearTrack(&t.sHeader);
  U_NAV_vAddTrackPoint(&t, {0, 0}, 0, FALSE);
  U_NAV_vAddTrackPoint(&t, {5, 5}, 0, FALSE);
  const U16 track = T_NAV_nAddTrack(&t, 9, nullptr, FALSE);
  T_NAV_GROUP_DATA_bAddLink(root, (U16)(0x8000 | T_NAV_GROUP_DATA_u16Getu7UnitID() | track));
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  opt_nolog = 1;
  FUZZ_vInit();
  H_DATABASE_vInit();
  H_DATABASE_bUpdateValueU32(FCID("CCST"), 3, P_HIGHEST);
  char rig[] = "/tmp/velmora-fuzz-forms-XXXXXX";
  if (mkdtemp(rig) == nullptr) abort();
  setenv("VELMORA_DEVROOT", rig, 1);
  T_NAV_vInitTracksWaypointsRoutes();
  for (auto [key, mbox] : {std::pair{FCID("TVUE"), M_VIEW}, std::pair{FCID("TKBD"), M_KEYB},
                           std::pair{FCID("TMNU"), M_MENU}, std::pair{FCID("TALR"), M_ALARM}}) {
    Publish(key, mbox);
  }
  H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), 1000, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("ILON"), 1000, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
  AddItems();
  return 0;
}

typedef void (*OPENER)(U32);
static const OPENER kOpeners[] = {
    T_NAV_GROUP_vNewWaypoint,  T_NAV_GROUP_vEditWaypoint,    T_NAV_GROUP_vSaveAsWaypoint,
    T_NAV_GROUP_vNewRoute,     T_NAV_GROUP_vEditRoute,       T_NAV_GROUP_vSaveAsRoute,
    T_NAV_GROUP_vEditTrack,    T_NAV_GROUP_vSaveAsTrack,     T_NAV_GROUP_vNewGroup,
    T_NAV_GROUP_vEditGroup,    T_NAV_GROUP_vSearchByName,    T_NAV_GROUP_vSearchByDate,
    T_NAV_GROUP_vSearchByDistance, T_NAV_GROUP_vSearchByIcon, T_NAV_GROUP_vSearchByIconCategory};

// The character editor opens when the form is drawn with a text cursor;
// the form is drawn then (a draw after every key would be too slow).
static void DrawForm(void) {
  static BITMAP* s_pBitmap = G_BUFFERS_pCreateFullScreenBitmap();
  POPUP_WINDOW* p = g_WPM.pPopupWindow;
  if (g_WPMForm.bEditMenuChange || p == nullptr || !p->bActive ||
      p->pKeyHandleFunc != T_NAV_GROUP_bEditWindowHandleKeys) {
    return;
  }
  for (const EDIT_FIELD* f = ((POPUP_EDIT_WINDOW*)p)->pEditFields; f->name != nullptr; f++) {
    if (f->highlight > 0) {
      T_NAV_GROUP_vEditWindowDraw(p, s_pBitmap);
      return;
    }
  }
}

static void SetLanguage(U32 language) {
  H_DATABASE_bUpdateEverythingU32(FCID("SLNG"), language, P_NORMAL, D_UNSIGNED32, nullptr, 0xFFFFFFFF);
  U_WSTRING_vUpdateCurrentLanguage();
}

static const CURSOR_POSITION kPad[] = {CURSOR_NORTH, CURSOR_EAST, CURSOR_SOUTH, CURSOR_WEST, CURSOR_NORTH_EAST};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FUZZ_INPUT in = {data, size, 0};
  const U8 pick = FUZZ_u8Take(&in);
  // Bit 6 of the pick: a language with wide text and name-type codes.
  SetLanguage((pick & 0x40) != 0 ? LANGUAGE_KOREAN : LANGUAGE_ENGLISH);
  T_NAV_GROUP_vSetup();
  L_MUTEX_LockWait(RES_NAV_DATA);
  g_WPM.u16HighlightIndex = g_WPM.u16ShowItemsCount > 0 ? (U16)((pick >> 4) % g_WPM.u16ShowItemsCount) : 0xFFFF;
  kOpeners[(pick & 15) % (sizeof kOpeners / sizeof kOpeners[0])](0);
  g_WPMForm.bMarkFlag = (pick & 0x80) != 0;
  L_MUTEX_Unlock(RES_NAV_DATA);
  for (U32 n = 0; n < 512 && !FUZZ_bEnd(&in); n++) {
    const U8 b = FUZZ_u8Take(&in);
    MSG_KEY_CHANGE m = {{{}, CMD_ID_KEY_CHANGE}, HKEY_MASK_CURSOR, KEY_DOWN, 1, kPad[b % 5], 0};
    switch (b >> 5) {
      case 0:
        m.key = HKEY_MASK_EXIT;
        break;
      case 1:
        m.key = 0x80;
        break;
      case 2:
        m.key = 0x200;
        break;
      case 3:
        // The confirmation's answer.
        if (b & 1) {
          T_NAV_GROUP_vNavConfYes();
        } else {
          T_NAV_GROUP_vNavConfNo();
        }
        // An answered box closes, as the box task closes it.
        T_MESSAGEBOX_vResetConfState();
        continue;
      default:
        break;
    }
    T_NAV_GROUP_bHandleKeys(&m);
    DrawForm();
  }
  T_NAV_GROUP_vShutdown();
  // What one input leaves beyond the store goes with it, so that a finding
  // does not hang on the inputs before it: no box task runs here to take the
  // boxes the keys queued (one a key at most), and a "Go To" navigates from
  // a temporary start waypoint that goes when the navigation ends.
  for (U32 n = 0; n <= size; n++) T_MESSAGEBOX_vResetConfState();
  T_NAV_vEndNavigationNow();
  g_WPMForm = {};
  WPM_vClearEditState();
  g_WPM.eMode = MODE_BROWSE;
  Drain();
  FUZZ_vCheckStore();
  return 0;
}
