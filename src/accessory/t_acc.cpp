// The accessory task: switches accessory power with the unit, and keeps the
// inventory of supported accessories for the "Accessory Test" view, each
// with its localised name and whether it is connected.
//
// The list is replaced as a whole (a new list swapped in) and its connected
// flags are refreshed on this task only, both under a lock that the view's
// drawing also takes, so the drawing never walks a list being freed.

#include "t_acc.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include <mutex>

#include "color.h"
#include "error.h"
#include "g_bmp.h"
#include "g_box.h"
#include "g_truetype.h"
#include "h_accpower.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_info.h"
#include "t_startup.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_view.h"
#include "u_wstring.h"
#include "ui_texts.h"

namespace {

struct ACCESSORY_ROW {
  const char* const* pName;
  FOURCHARID key;
};
const ACCESSORY_ROW sArrayAccessory[] = {
    {Acc_Temperature, FCID("ITMP")}, {Acc_Speed, FCID("ISTW")}, {Acc_GPS, FCID("IPFI")}, {Acc_Remote, FCID("IBTR")},
    {Acc_Remote_Dongle, FCID("IBTD")},
};
// The remote is not offered in the languages of wide text.
constexpr size_t ACC_ROWS_WIDE = 3;

// Units of the unit status table; no part of this build fills it.
constexpr U32 ACC_UNITS = 31;
enum UNIT_CONNECT : U8 {
  CONNECT_STARTUP_OFFLINE = 1,
  CONNECT_STARTUP_ONLINE_NO_DRIVER = 2,
  CONNECT_NO_DRIVER = 3,
  CONNECT_ONLINE = 4,
  CONNECT_OFFLINE = 5,
  CONNECT_GATEWAY = 6,
};
const UNIT_CONNECT s_aUnitStatus[ACC_UNITS] = {};

constexpr U32 ACC_NAME_CHARS = 30;

std::mutex s_listLock;
SUPPORTED_ACCESSORY* s_SupportedAccessoryList = nullptr;

BOOLEAN s_bShuttingDown = FALSE;
BOOLEAN s_bDiagnostic = FALSE;
BOOLEAN s_bSvacBefore = FALSE;

// Keys whose changes can change a connected flag.
const FOURCHARID s_afcidWatched[] = {FCID("ITMP"), FCID("ISTW"), FCID("IPFI"), FCID("IBTR"),
                                     FCID("IBTD"), FCID("GPSC"), FCID("CCST")};

BOOLEAN ACC_bWide(void) { return nCurrentLanguage() >= LANGUAGE_FIRST_WIDE; }

// Names compare as the list orders them: in 8-bit languages the first 30
// characters with the first one upper-cased; wide texts as they are.
int ACC_nCompare(const char* const* a, const char* const* b) {
  const U32 nLang = nCurrentLanguage();
  if (nLang >= LANGUAGE_FIRST_WIDE) return U_WSTRING_s32w_strncmpAs(a[nLang], b[nLang], 2 * ACC_NAME_CHARS, TRUE);
  char ca[ACC_NAME_CHARS + 1], cb[ACC_NAME_CHARS + 1];
  snprintf(ca, sizeof ca, "%s", a[nLang]);
  snprintf(cb, sizeof cb, "%s", b[nLang]);
  ca[0] = (char)toupper((unsigned char)ca[0]);
  cb[0] = (char)toupper((unsigned char)cb[0]);
  return strcmp(ca, cb);
}

// Inserts by name into *ppHead; a node whose name is already there is freed.
void ACC_vInsert(SUPPORTED_ACCESSORY** ppHead, SUPPORTED_ACCESSORY* pNode) {
  SUPPORTED_ACCESSORY** pp = ppHead;
  while (*pp != nullptr) {
    const int n = ACC_nCompare(pNode->pAccessoryName, (*pp)->pAccessoryName);
    if (n == 0) {
      H_MEMORY_vFree(pNode);
      return;
    }
    if (n < 0) break;
    pp = &(*pp)->next;
  }
  pNode->next = *pp;
  *pp = pNode;
}

SUPPORTED_ACCESSORY* ACC_pNewNode(const char* const* pName, FOURCHARID key, U8 unitID) {
  SUPPORTED_ACCESSORY* p = (SUPPORTED_ACCESSORY*)H_MEMORY_pvMallocNoWait(sizeof(SUPPORTED_ACCESSORY));
  if (p == nullptr) return nullptr;
  memset(p, 0, sizeof *p);
  p->pAccessoryName = pName;
  p->FourCharId = key;
  p->unitID = unitID;
  return p;
}

void ACC_vFreeList(SUPPORTED_ACCESSORY* p) {
  while (p != nullptr) {
    SUPPORTED_ACCESSORY* next = p->next;
    H_MEMORY_vFree(p);
    p = next;
  }
}

BOOLEAN ACC_bFetchValid(FOURCHARID key, DB_DATA_TYPE* pValue) {
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetch(key, pValue, &bValid, nullptr) && bValid;
}

BOOLEAN ACC_bConnected(SUPPORTED_ACCESSORY* p, U32 u32State) {
  if (p->unitID != 0) {
    // A unit number past the status table names no unit.
    if (p->unitID >= ACC_UNITS) return FALSE;
    const UNIT_CONNECT e = s_aUnitStatus[p->unitID];
    return u32State == STATE_POINT_OF_SALE || e == CONNECT_ONLINE || e == CONNECT_GATEWAY;
  }
  DB_DATA_TYPE value = {};
  if (p->FourCharId == FCID("IPFI")) {
    if (ACC_bFetchValid(FCID("GPSC"), &value) && value.u32Val == 5) {
      p->pAccessoryName = Acc_GPS_Heading;
      p->FourCharId = FCID("GPSC");
      return TRUE;
    }
    return ACC_bFetchValid(FCID("IPFI"), &value) && value.u32Val != 0;
  }
  if (p->FourCharId == FCID("GPSC")) {
    if (ACC_bFetchValid(FCID("GPSC"), &value) && value.u32Val != 0) return TRUE;
    p->pAccessoryName = Acc_GPS;
    p->FourCharId = FCID("IPFI");
    return ACC_bFetchValid(FCID("IPFI"), &value) && (value.u32Val == 1 || value.u32Val == 2);
  }
  if (!ACC_bFetchValid(p->FourCharId, &value)) return FALSE;
  if (p->FourCharId == FCID("ISTW")) return value.fVal != 0.0f;
  if (p->FourCharId == FCID("IBTR") || p->FourCharId == FCID("IBTD") || p->FourCharId == FCID("IRDR")) {
    return value.u32Val != 0;
  }
  return TRUE;
}

void ACC_vInitSupportedAccessories(void) {
  U_WSTRING_vUpdateCurrentLanguage();  // the wide comparison follows SLNG
  SUPPORTED_ACCESSORY* pHead = nullptr;
  const size_t rows = ACC_bWide() ? ACC_ROWS_WIDE : sizeof sArrayAccessory / sizeof sArrayAccessory[0];
  for (size_t i = 0; i < rows; i++) {
    SUPPORTED_ACCESSORY* p = ACC_pNewNode(sArrayAccessory[i].pName, sArrayAccessory[i].key, 0);
    if (p != nullptr) ACC_vInsert(&pHead, p);
  }
  SUPPORTED_ACCESSORY* pOld = nullptr;
  {
    std::lock_guard<std::mutex> lock(s_listLock);
    pOld = s_SupportedAccessoryList;
    s_SupportedAccessoryList = pHead;
  }
  ACC_vFreeList(pOld);
  T_ACC_vUpdateAccessoryStatus();
}

U8 ACC_u8UnitOf(FOURCHARID key) {
  const char* k = (const char*)&key;
  if (!isdigit((unsigned char)k[2]) || !isdigit((unsigned char)k[3])) return 0;
  return (U8)((k[2] - '0') * 10 + (k[3] - '0'));
}

void ACC_vFindAllSupportedAccessories(void) {
  MULTI_FETCH_CONTROL_STRUCTURE control = {};
  control.cMatch = 'X';
  while (H_DATABASE_bFetchNextBeginningWith(&control)) {
    if (control.extras.ppcText == nullptr) continue;
    SUPPORTED_ACCESSORY* p = ACC_pNewNode(control.extras.ppcText, control.id, ACC_u8UnitOf(control.id));
    if (p == nullptr) continue;
    std::lock_guard<std::mutex> lock(s_listLock);
    ACC_vInsert(&s_SupportedAccessoryList, p);
  }
  T_ACC_vUpdateAccessoryStatus();
}

void ACC_vRunSystem(void) {
  U32 u32State = 0;
  H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr);
  if (u32State == STATE_DIAGNOSTIC && !s_bDiagnostic) {
    s_bDiagnostic = TRUE;
    s_bSvacBefore = FALSE;
    H_DATABASE_bFetchBoolean(FCID("SVAC"), &s_bSvacBefore, nullptr, nullptr);
    H_DATABASE_bUpdateValueBoolean(FCID("SVAC"), TRUE, P_NORMAL);
  }
  ACC_vFindAllSupportedAccessories();
}

void ACC_vMessage(void* pMessage) {
  const GENERIC_MESSAGE* h = (const GENERIC_MESSAGE*)pMessage;
  switch (h->Cmd) {
    case CMD_ID_SHUTDOWN:
      if (!s_bShuttingDown) {
        if (s_bDiagnostic) H_DATABASE_bUpdateValueBoolean(FCID("SVAC"), s_bSvacBefore, P_NORMAL);
        H_ACCPOWER_vPowerOff();
        s_bShuttingDown = TRUE;
      }
      break;
    case CMD_ID_NEW_DATA:
      if (s_bShuttingDown) break;
      if (((const MESSAGE_NEW_DATA*)pMessage)->FourCharId == FCID("SLNG")) {
        ACC_vInitSupportedAccessories();
      } else {
        T_ACC_vUpdateAccessoryStatus();
      }
      L_SEMA_Signal(SEMA_VIEW_UPDATE);
      break;
    case CMD_ID_RESET_POS:
      ACC_vInitSupportedAccessories();
      ACC_vFindAllSupportedAccessories();
      break;
    case CMD_ID_RUN_SYSTEM:
      if (!s_bShuttingDown) ACC_vRunSystem();
      break;
    default: break;
  }
  H_MEMORY_vDumpMail(pMessage);
}

}  // namespace

SUPPORTED_ACCESSORY* T_ACC_pGetAccoryList(void) { return s_SupportedAccessoryList; }
void T_ACC_vLockList(void) { s_listLock.lock(); }
void T_ACC_vUnlockList(void) { s_listLock.unlock(); }

void T_ACC_vUpdateAccessoryStatus(void) {
  U32 u32State = 0;
  H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr);
  std::lock_guard<std::mutex> lock(s_listLock);
  for (SUPPORTED_ACCESSORY* p = s_SupportedAccessoryList; p != nullptr; p = p->next) {
    p->bConnected = ACC_bConnected(p, u32State);
  }
}

void T_ACC_vMain(void) {
  log_me("[%d]%s: started", __LINE__, __func__);
  if (H_DATABASE_bUpdateEverythingU32(FCID("TAUX"), (U32)M_ACCESSORY, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the Accessory Communications Task Maibox");
  }
  H_ACCPOWER_vPowerOn();
  L_MBOX_DefineSema(M_ACC_REPLY, SEMA_ACC_REPLY);
  DB_DATA_TYPE value = {};
  value.u32Val = FALSE;
  DB_ATTRIBUTES attributes = {};
  attributes.DataType = D_UNKNOWN;
  attributes.u32TimeOut = DB_NEVER_STALE;
  attributes.ppcText = Accessory_Test;
  H_DATABASE_vReadOrSetDefault(FCID("SVAC"), &value, P_NORMAL, &attributes);
  // A base view of its own, so that the VIEW key reaches it once it is on.
  U_VIEW_bRegisterLayer(T_ACC_vDrawInventoryView, DIAGNOSTIC_ACCESSORY_CATALOG, USED_BY_NONE, 0, FCID("SVAC"), FALSE,
                        Playback, Simulation, Simulation);
  U_VIEW_bRegisterLayer(T_INFO_vDrawInfoLayer_Instrumentation_SonarView, INFO_ACCESSORY_LAYER,
                        DIAGNOSTIC_ACCESSORY_CATALOG, 0, 0, TRUE, nullptr, nullptr, nullptr);
  s_bShuttingDown = FALSE;
  s_bDiagnostic = FALSE;
  ACC_vInitSupportedAccessories();
  H_DATABASE_bRegisterForDataWithConditions(FCID("SLNG"), M_ACCESSORY, TRUE, FALSE, FALSE);
  for (FOURCHARID key : s_afcidWatched) {
    H_DATABASE_bRegisterForDataWithConditions(key, M_ACCESSORY, TRUE, TRUE, FALSE);
  }
  const SEMA events[] = {SEMA_MBOX_ACC, 0};
  for (;;) {
    if (L_SEMA_WaitMultiple(events) != SEMA_MBOX_ACC) continue;
    while (void* p = L_MBOX_Receive(M_ACCESSORY)) ACC_vMessage(p);
  }
}

// ---------------------------------------------------------------------------
// The view, on the view task's thread

void T_ACC_vDrawInventoryView(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  const U32 nLang = nCurrentLanguage();
  const COLOR* c = gCOLOR_pcolColorTable;
  G_BMP_vSet(pBitmap, c[238]);
  const S32 x0 = (S32)T_INFO_u32XOrigin();
  const S32 width = 800 - x0;
  const POINT panel = {x0, 0}, title = {x0, 440};
  G_BOX_vDrawFilled(pBitmap, c[237], &panel, (U32)width, 440);
  G_BOX_vDraw(pBitmap, c[32], &panel, (U32)width, 440);
  G_BOX_vDrawFilled(pBitmap, c[238], &title, (U32)width, 40);
  G_BOX_vDraw(pBitmap, c[32], &title, (U32)width, 40);
  U_DIALOG_vLine(pBitmap, 236, x0 + 1, 440, 798, 440);
  U_DIALOG_vLine(pBitmap, 239, x0 + 1, 441, 798, 441);
  const char* pTitle = Accessory_Test[nLang];
  const POINT at = {x0 + (width - (S32)G_TRUETYPE_u32GetWidth(pTitle, 19, 2)) / 2, 452};
  G_TRUETYPE_vPut(pBitmap, pTitle, &at, c[35], 19, 2);
  BOOLEAN bIce = FALSE;
  H_DATABASE_bFetchBoolean(FCID("SICE"), &bIce, nullptr, nullptr);
  std::lock_guard<std::mutex> lock(s_listLock);
  S32 y = 411;
  for (const SUPPORTED_ACCESSORY* p = s_SupportedAccessoryList; p != nullptr && y > 0; p = p->next) {
    if (bIce && (p->FourCharId == FCID("IBTR") || p->FourCharId == FCID("IBTD") || p->FourCharId == FCID("IBTT"))) {
      continue;
    }
    const char* pName = p->pAccessoryName[nLang];
    const char* pState = p->bConnected ? Acc_Connected[nLang] : Acc_Unconnected[nLang];
    const POINT name = {x0 + 12, y};
    G_TRUETYPE_vPut(pBitmap, pName, &name, c[35], 17, 1);
    const S32 stateX = 788 - (S32)G_TRUETYPE_u32GetWidth(pState, 17, 2);
    const POINT state = {stateX, y};
    G_TRUETYPE_vPut(pBitmap, pState, &state, p->bConnected ? c[241] : c[35], 17, 2);
    const S32 lineStart = name.x + (S32)G_TRUETYPE_u32GetWidth(pName, 17, 1) + 10;
    if (lineStart < stateX - 10) U_DIALOG_vLine(pBitmap, 236, lineStart, y + 5, stateX - 10, y + 5);
    y -= 38;
  }
}
