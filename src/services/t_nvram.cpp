// The NVR task. The store restores at priority 2, so a restored setting and
// a user's change rank alike and a default registered at 15 never overrides
// either. Header keys are written the moment the database tells of a change.
// Any other setting the user changes (by the keys, the PC link or Restore
// Defaults) is saved within seconds: the power of a boat is cut with its
// ignition, seldom by POWER. Values that change as the unit runs wait for
// the ten-minute save or a shutdown.

#include "t_nvram.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "error.h"
#include "h_backlight.h"
#include "h_database.h"
#include "h_dbtable.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "u_storefault.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// State

struct UNIT_HEADER_CONTROL {
  FOURCHARID id;
  BOOLEAN bRegistered;  // the task has subscribed to the key
};

static UNIT_HEADER_CONTROL s_4chHeader[NVRAM_HEADER_ROWS];

// The only keys saved while the unit runs in burn-in or point of sale.
static const FOURCHARID s_4chSaveAlways[25] = {
    FCID("SCUO"), FCID("CREV"), FCID("SCFO"), FCID("SFVR"), FCID("SMDL"), FCID("SENB"), FCID("SENU"),
    FCID("SEDB"), FCID("SEDU"), FCID("SEIB"), FCID("SEIU"), FCID("SETB"), FCID("SLNG"), FCID("SIMT"),
    FCID("SCOM"), FCID("SCOP"), FCID("SNNS"), FCID("SFID"), FCID("SFSR"), FCID("STMD"), FCID("SDBV"),
    FCID("SDEN"), FCID("SNNT"), FCID("SMAC"), FCID("SNMV"),
};

// Values of CCST (the start-up task's system state) that restrict the save.
constexpr U32 NVRAM_STATE_STARTUP = 1;
constexpr U32 NVRAM_STATE_BURN_IN = 2;
constexpr U32 NVRAM_STATE_POINT_OF_SALE = 6;

constexpr U32 NVRAM_SAVE_PERIOD_MS = 600000;
// A change is saved this long after it, with whatever else changed
// meanwhile: keys held on a slider write the store once a period, not at
// every step.
constexpr U32 NVRAM_SAVE_SOON_MS = 2000;
constexpr U32 NVRAM_NOT_IN_HEADER = 0xFFFFFFFFu;

static TIMER_INFO* s_pSaveSettings;  // null once released
static TIMER_INFO* s_pSaveSoon;      // one-shot after a change; null once released
static BOOLEAN s_bSaveSoon;          // armed
// This start found settings lost to damage of the store; read by the start-up task.
static std::atomic<BOOLEAN> s_bSettingsLost{FALSE};

static DB_DATA_TYPE T_NVRAM_Value(U32 u32Raw) {
  DB_DATA_TYPE value;
  value.vpPointer = nullptr;
  value.RawData = u32Raw;
  return value;
}

U32 T_NVRAM_u32FetchItemNumber(FOURCHARID id) {
  for (U32 row = 0; row < NVRAM_HEADER_ROWS; row++) {
    if (s_4chHeader[row].id == id && id != NVRAM_HEADER_END) return row;
  }
  return NVRAM_NOT_IN_HEADER;
}

static BOOLEAN T_NVRAM_bInSaveAlwaysList(FOURCHARID id) {
  for (FOURCHARID key : s_4chSaveAlways) {
    if (key == id) return TRUE;
  }
  return FALSE;
}

// ---------------------------------------------------------------------------
// Store writes

static BOOLEAN T_NVRAM_bWriteItem(FOURCHARID id, DB_DATA_TYPE value) {
  NVR_ENTRY entry;
  entry.id = id;
  entry.data = value;
  return H_NVRAM_bWriteFCID(&entry);
}

// A header key goes to storage at once. A store that is full or read-only
// must not reset the unit at every start: the failure is logged and returned,
// and the next change of the key tries again.
static BOOLEAN T_NVRAM_bWriteHeaderItem(FOURCHARID id, DB_DATA_TYPE value) {
  const U32 u32Refused = U_STOREFAULT_u32Count(STORE_FAULT_CAUSES);
  BOOLEAN bWritten = T_NVRAM_bWriteItem(id, value);
  // A store that is read-only or full has been told of already.
  if (!bWritten && U_STOREFAULT_u32Count(STORE_FAULT_CAUSES) == u32Refused) {
    log_me("[%d]%s: NVRAM - error writing header %.4s = 0x%08X", __LINE__, __func__, (const char*)&id,
           (unsigned)value.RawData);
  }
  H_NVRAM_vFlashWriteBack();
  return bWritten;
}

static BOOLEAN T_NVRAM_bWriteNewHeader(void) {
  return T_NVRAM_bWriteHeaderItem(FCID("NVER"), T_NVRAM_Value(NVRAM_VERSION));
}

// ---------------------------------------------------------------------------
// Database items and subscriptions

static void T_NVRAM_vSubscribe(FOURCHARID id) {
  if (!H_DATABASE_bRegisterForDataWithConditions(id, M_NVRAM, TRUE, FALSE, FALSE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Database: problem registering");
  }
}

// Subscribes to the row's key and stores the value it has now, if valid.
static void T_NVRAM_vRegisterHeaderRow(U32 row) {
  const FOURCHARID id = s_4chHeader[row].id;
  T_NVRAM_vSubscribe(id);
  DB_DATA_TYPE value;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetch(id, &value, &bValid, nullptr) && bValid) T_NVRAM_bWriteHeaderItem(id, value);
  s_4chHeader[row].bRegistered = TRUE;
}

static void T_NVRAM_vAttemptHeaderRegistration(U32 row) {
  if (s_4chHeader[row].id == NVRAM_HEADER_END || s_4chHeader[row].bRegistered) return;
  T_NVRAM_vRegisterHeaderRow(row);
}

// A stored value wins over a default and yields to any later write at 2 or better.
static void T_NVRAM_vSetItem(const NVR_ENTRY* pEntry) {
  if (H_DATABASE_bFetch(pEntry->id, nullptr, nullptr, nullptr)) {
    H_DATABASE_bUpdateValue(pEntry->id, pEntry->data, P_NORMAL);
  } else {
    H_DATABASE_bUpdateEverything(pEntry->id, pEntry->data, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  }
}

static void T_NVRAM_vInit(void) {
  for (U32 row = 0; row < NVRAM_HEADER_ROWS; row++) s_4chHeader[row] = {g_afcidNvramHeader[row], FALSE};
  s_pSaveSettings = nullptr;
  if (H_DATABASE_bUpdateEverythingBoolean(FCID("CNVR"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the NVR status");
  }
}

// The version the store holds; *pbFound FALSE when it holds none.
static U32 T_NVRAM_u32ReadNVRVersionNumber(BOOLEAN* pbFound) {
  NVR_ENTRY entry;
  H_NVRAM_bReadUnitHeaderEntry(T_NVRAM_u32FetchItemNumber(FCID("NVER")), &entry);
  *pbFound = entry.id == FCID("NVER");
  return entry.data.RawData;
}

// A stored value the key table allows; a key it has no row for (the
// version, the code revision) takes any.
static BOOLEAN T_NVRAM_bAllowed(FOURCHARID id, U32 u32Value) {
  const DB_CHECK eCheck = H_DBTABLE_eCheck(id, u32Value);
  return eCheck == DBC_TAKEN || eCheck == DBC_NO_KEY;
}

// The unit's own value of a key of its identity: the store's, else the one
// its second copy kept. FALSE when neither has one.
static BOOLEAN T_NVRAM_bIdentity(FOURCHARID id, DB_DATA_TYPE* pValue) {
  NVR_ENTRY entry;
  entry.id = id;
  if (H_NVRAM_bGetItemByID(&entry) && T_NVRAM_bAllowed(id, entry.data.RawData)) {
    *pValue = entry.data;
    return TRUE;
  }
  return H_NVRAM_bReadHeaderCopy(id, pValue);
}

// A store of another format keeps only the unit's identity: the header keys
// but the version and the code revision (the model and SCFO among them). They
// go to the database, and a new store holding them and the version takes the
// old one's place whole: a unit switched off during the change finds either
// the old store, and changes it again, or the new one, never one that lost
// them. FALSE when the old store is still in place.
static BOOLEAN T_NVRAM_bProcessVersionChange(U32 u32Found) {
  log_me("[%d]%s: store version 0x%08X, recreating it as 0x%08X", __LINE__, __func__, (unsigned)u32Found,
         (unsigned)NVRAM_VERSION);
  NVR_ENTRY kept[NVRAM_HEADER_ROWS];
  U32 count = 0;
  kept[count].id = FCID("NVER");
  kept[count++].data = T_NVRAM_Value(NVRAM_VERSION);
  for (FOURCHARID id : g_afcidNvramHeader) {
    if (id == FCID("NVER") || id == FCID("CREV") || id == NVRAM_HEADER_END) continue;
    DB_DATA_TYPE value;
    if (!T_NVRAM_bIdentity(id, &value)) continue;
    kept[count].id = id;
    kept[count].data = value;
    T_NVRAM_vSetItem(&kept[count++]);
  }
  if (!H_NVRAM_bReplaceStore(kept, count)) return FALSE;
  H_NVRAM_eInit();
  return TRUE;
}

// Opens the store, making or changing it as needed. FALSE when its settings
// must not be restored: it is of another format that could not be changed
// (a full or read-only store), and is left for the next start to change.
static BOOLEAN T_NVRAM_bInitHardware(void) {
  NVR_STATE eState = H_NVRAM_eInit();
  if (eState == STATE_HARDWARE_FAILURE) ERROR_vFatal(__FILE_NAME__, __LINE__, "NVR Hardware Failure");
  H_DATABASE_bUpdateValueBoolean(FCID("CNVR"), TRUE, P_NORMAL);
  if (eState == STATE_VIRGIN) T_NVRAM_bWriteNewHeader();
  BOOLEAN bFound = FALSE;
  U32 u32Version = T_NVRAM_u32ReadNVRVersionNumber(&bFound);
  if (!bFound) {
    // Only this code writes the store, so what it holds is of this format:
    // the version is written again, as often as it takes. Ending the process
    // here would reset a unit with a full or read-only store at every start.
    // The version is the first thing a store gets, so one without it has
    // lost marks.
    log_me("[%d]%s: NVRAM - no NVR version number", __LINE__, __func__);
    T_NVRAM_bWriteNewHeader();
    s_bSettingsLost = TRUE;
    return TRUE;
  }
  if (u32Version == NVRAM_VERSION) return TRUE;
  // Whether of an old format or a damaged word, the settings are gone.
  s_bSettingsLost = TRUE;
  if (T_NVRAM_bProcessVersionChange(u32Version)) return TRUE;
  log_me("[%d]%s: store of version 0x%08X kept unchanged, its settings not restored", __LINE__, __func__,
         (unsigned)u32Version);
  return FALSE;
}

// Subscribes to every header key; with bRestore, a key the store holds comes
// from the store, one it lost from the header's second copy, and otherwise
// the store is given the database's value.
static void T_NVRAM_vReadHeaderItems(BOOLEAN bRestore) {
  for (U32 row = 0; row < NVRAM_HEADER_ROWS; row++) {
    NVR_ENTRY entry;
    const BOOLEAN bStored = bRestore && H_NVRAM_bReadUnitHeaderEntry(row, &entry);
    if (bStored && entry.id == FCID("NVER")) continue;
    if (bStored && T_NVRAM_bAllowed(entry.id, entry.data.RawData)) {
      T_NVRAM_vSetItem(&entry);
      if (!s_4chHeader[row].bRegistered) {
        T_NVRAM_vSubscribe(entry.id);
        s_4chHeader[row].bRegistered = TRUE;
      }
      continue;
    }
    entry.id = s_4chHeader[row].id;
    if (bStored) {
      log_me("[%d]%s: %.4s = 0x%08X not restored: outside its range", __LINE__, __func__, (const char*)&entry.id,
             (unsigned)entry.data.RawData);
      s_bSettingsLost = TRUE;
    }
    // Registration writes it back to the store.
    if (bRestore && H_NVRAM_bReadHeaderCopy(entry.id, &entry.data)) {
      log_me("[%d]%s: %.4s = 0x%08X taken from the header's copy", __LINE__, __func__, (const char*)&entry.id,
             (unsigned)entry.data.RawData);
      T_NVRAM_vSetItem(&entry);
      s_bSettingsLost = TRUE;
    }
    T_NVRAM_vAttemptHeaderRegistration(row);
  }
}

// Every stored setting into the database; returns how many.
static U32 T_NVRAM_u32ReadItems(void) {
  U32 count = 0;
  NVR_ENTRY entry;
  for (U32 i = 0; H_NVRAM_bReadFEntry(i, &entry); i++, count++) T_NVRAM_vSetItem(&entry);
  for (U32 i = 0; H_NVRAM_bReadSEntry(i, &entry); i++, count++) T_NVRAM_vSetItem(&entry);
  return count;
}

static void T_NVRAM_vPublishMailbox(void) {
  if (H_DATABASE_bUpdateEverythingU32(FCID("TNVR"), (U32)M_NVRAM, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the NVR Task Maibox");
  }
}

// ---------------------------------------------------------------------------
// The full save

// Writes every F and S item whose stored value differs (header keys always).
// In burn-in and point of sale only the save-always keys are written. Items
// that have no slot are not the store's; a failed write is tried again at the
// next save, since the store still differs.
static void T_NVRAM_vHandleDataSave(void) {
  U32 u32State = 0;
  if (!H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr)) {
    log_me("[%d]%s: no system state, nothing saved", __LINE__, __func__);
    return;
  }
  const BOOLEAN bSaveAlwaysOnly = u32State == NVRAM_STATE_BURN_IN || u32State == NVRAM_STATE_POINT_OF_SALE;
  U32 written = 0;
  U32 failed = 0;
  for (char cClass : {'F', 'S'}) {
    MULTI_FETCH_CONTROL_STRUCTURE walk = {};
    walk.cMatch = (BYTE)cClass;
    walk.__bNotFirst = FALSE;
    while (H_DATABASE_bFetchNextBeginningWith(&walk)) {
      if (bSaveAlwaysOnly && !T_NVRAM_bInSaveAlwaysList(walk.id)) continue;
      if (!H_NVRAM_bHasSlot(walk.id)) continue;
      if (T_NVRAM_u32FetchItemNumber(walk.id) == NVRAM_NOT_IN_HEADER) {
        NVR_ENTRY stored;
        stored.id = walk.id;
        if (H_NVRAM_bGetItemByID(&stored) && stored.data.RawData == walk.data.RawData) continue;
      }
      if (T_NVRAM_bWriteItem(walk.id, walk.data)) {
        written++;
      } else {
        failed++;
      }
    }
  }
  H_NVRAM_vFlashWriteBack();
  log_me("[%d]%s: %u settings written, %u failed", __LINE__, __func__, written, failed);
}

// ---------------------------------------------------------------------------
// Message handlers

static void T_NVRAM_vHandleShutdown(void) {
  for (TIMER_INFO** ppTimer : {&s_pSaveSettings, &s_pSaveSoon}) {
    if (*ppTimer == nullptr) continue;
    L_TIMER_Release(*ppTimer);
    *ppTimer = nullptr;
  }
  T_NVRAM_vHandleDataSave();
}

// One save a few seconds after the first change takes every change made
// meanwhile. A burn-in or a shop's demonstration changes settings all day and
// keeps few of them: its ten-minute save is enough.
static void T_NVRAM_vSaveSoon(void) {
  if (s_bSaveSoon || s_pSaveSoon == nullptr) return;
  U32 u32State = 0;
  if (H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr) &&
      (u32State == NVRAM_STATE_BURN_IN || u32State == NVRAM_STATE_POINT_OF_SALE)) {
    return;
  }
  s_bSaveSoon = L_TIMER_Start(s_pSaveSoon, NVRAM_SAVE_SOON_MS, 0, SEMA_NVRAM_UPDATE) != nullptr;
}

static void T_NVRAM_vHandleNewData(const MESSAGE_NEW_DATA* pMsg) {
  if (T_NVRAM_u32FetchItemNumber(pMsg->FourCharId) == NVRAM_NOT_IN_HEADER) {
    T_NVRAM_vSaveSoon();
    return;
  }
  T_NVRAM_bWriteHeaderItem(pMsg->FourCharId, pMsg->dbValue);
}

// The ten-minute tick, a save asked for by another task, or the one after a
// change. While the unit starts, the start's own writes (the model's
// defaults, the first start's factory values) are settling, and a unit that
// turns out to be in burn-in must not keep them: the save waits for the state.
static void T_NVRAM_vHandleSaveSignal(void) {
  U32 u32State = 0;
  const BOOLEAN bStarting =
      H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr) && u32State == NVRAM_STATE_STARTUP;
  if (bStarting && s_bSaveSoon) {
    s_bSaveSoon = FALSE;
    T_NVRAM_vSaveSoon();
    return;
  }
  // The save takes what a pending one would.
  if (s_bSaveSoon) L_TIMER_Stop(s_pSaveSoon);
  s_bSaveSoon = FALSE;
  T_NVRAM_vHandleDataSave();
}

// The stored language back into SLNG, whatever the user chose since.
static void T_NVRAM_vHandleResetPos(void) {
  NVR_ENTRY entry;
  entry.id = FCID("SLNG");
  if (H_NVRAM_bGetItemByID(&entry)) H_DATABASE_bUpdateValue(FCID("SLNG"), entry.data, P_NORMAL);
}

static void T_NVRAM_vHandleWriteToHeader(const MSG_NVRAM_WRITE_TO_HEADER* pMsg) {
  U32 row = T_NVRAM_u32FetchItemNumber(pMsg->id);
  if (row == NVRAM_NOT_IN_HEADER || s_4chHeader[row].bRegistered) return;
  T_NVRAM_vRegisterHeaderRow(row);
}

static void T_NVRAM_vHandleWriteToNvr(const MSG_NVRAM_WRITE_TO_NVR* pMsg) {
  DB_DATA_TYPE value;
  if (!H_DATABASE_bFetch(pMsg->id, &value, nullptr, nullptr)) return;
  const char cClass = FCID_cClass(pMsg->id);
  if (cClass != 'F' && cClass != 'S') return;
  T_NVRAM_bWriteItem(pMsg->id, value);
  H_NVRAM_vFlashWriteBack();
}

static void T_NVRAM_vDispatch(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_SHUTDOWN:
      T_NVRAM_vHandleShutdown();
      break;
    case CMD_ID_NEW_DATA:
      T_NVRAM_vHandleNewData((const MESSAGE_NEW_DATA*)pMsg);
      break;
    case CMD_ID_RESET_POS:
      T_NVRAM_vHandleResetPos();
      break;
    case CMD_ID_WRITE_TO_HEADER:
      T_NVRAM_vHandleWriteToHeader((const MSG_NVRAM_WRITE_TO_HEADER*)pMsg);
      break;
    case CMD_ID_WRITE_TO_NVR:
      T_NVRAM_vHandleWriteToNvr((const MSG_NVRAM_WRITE_TO_NVR*)pMsg);
      break;
    case CMD_ID_SCRATCH_NVR:
      H_NVRAM_bScratchNVR(NVRAM_SCRATCH_CODE1, NVRAM_SCRATCH_CODE2);
      break;
    case CMD_ID_READ_SONAR_DATA: {
      MSG_READ_SONAR_DATA* p = (MSG_READ_SONAR_DATA*)pMsg;
      p->bSuccess = H_NVRAM_bReadSonarData(p->pSonarData);
      break;
    }
    case CMD_ID_WRITE_SONAR_DATA: {
      MSG_WRITE_SONAR_DATA* p = (MSG_WRITE_SONAR_DATA*)pMsg;
      p->bSuccess = H_NVRAM_bWriteSonarData(p->pSonarData);
      H_NVRAM_vFlashWriteBack();
      break;
    }
    case CMD_ID_READ_PERSONALIZED: {
      MSG_READ_PERSONALIZED* p = (MSG_READ_PERSONALIZED*)pMsg;
      p->bSuccess = H_NVRAM_bReadPersonalizationData(p->pPersonData);
      break;
    }
    case CMD_ID_WRITE_PERSONALIZED: {
      MSG_WRITE_PERSONALIZED* p = (MSG_WRITE_PERSONALIZED*)pMsg;
      p->bSuccess = H_NVRAM_bWritePersonalizationData(p->pPersonData);
      H_NVRAM_vFlashWriteBack();
      break;
    }
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// Entry

// Every setting of the key table but the live values tells the task of its
// changes (header keys are told already); the task then saves soon. A row
// of a numbered family has no slot of its own and is left out.
static void T_NVRAM_vSubscribeSettings(void) {
  for (U32 i = 0; i < H_DBTABLE_u32Rows(); i++) {
    const DB_TABLE_ROW* pRow = H_DBTABLE_pRowAt(i);
    if (!H_DBTABLE_bIsSetting(pRow) || (pRow->u8Flags & DBF_LIVE) != 0 || !H_NVRAM_bHasSlot(pRow->id)) continue;
    if (T_NVRAM_u32FetchItemNumber(pRow->id) == NVRAM_NOT_IN_HEADER) T_NVRAM_vSubscribe(pRow->id);
  }
}

BOOLEAN T_NVRAM_bSettingsLost(void) { return s_bSettingsLost.load(); }

U32 T_NVRAM_u32Start(void) {
  const U32 u32LostBefore = H_NVRAM_u32LostSlots();
  const U32 u32DamageBefore = H_NVRAM_u32Damage();
  s_bSettingsLost = FALSE;
  T_NVRAM_vInit();
  const BOOLEAN bRestore = T_NVRAM_bInitHardware();
  T_NVRAM_vReadHeaderItems(bRestore);
  U32 restored = bRestore ? T_NVRAM_u32ReadItems() : 0;
  H_NVRAM_vCopyHeader();
  T_NVRAM_vSubscribeSettings();
  // Settings the store could not give back keep their defaults: the user
  // must know the unit is not set up as it was, whatever the damage was.
  if (H_NVRAM_u32Damage() != u32DamageBefore) s_bSettingsLost = TRUE;
  if (s_bSettingsLost) {
    log_me("[%d]%s: settings lost to damage or a change of format (%u counted), back at their defaults", __LINE__,
           __func__, H_NVRAM_u32LostSlots() - u32LostBefore);
    U_STOREFAULT_vNote(Settings_Reset);
  }
  T_NVRAM_vPublishMailbox();
  return restored;
}

void T_NVRAM_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  U32 restored = T_NVRAM_u32Start();

  s_pSaveSettings = L_TIMER_Allocate();
  if (s_pSaveSettings == nullptr ||
      L_TIMER_Start(s_pSaveSettings, NVRAM_SAVE_PERIOD_MS, NVRAM_SAVE_PERIOD_MS, SEMA_NVRAM_UPDATE) == nullptr) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "NVRAM - no save timer");
  }
  s_pSaveSoon = L_TIMER_Allocate();
  s_bSaveSoon = FALSE;
  if (s_pSaveSoon == nullptr) log_me("[%d]%s: no timer: changes wait for the ten-minute save", __LINE__, __func__);
  // The restored backlight level takes effect now, and the display task
  // hears of every later change.
  H_BACKLIGHT_vSetup(M_DISPLAY);
  log_me("[%d]%s: store ready, %u settings restored", __LINE__, __func__, restored);

  const SEMA events[] = {SEMA_MBOX_NVRAM, SEMA_NVRAM_UPDATE, 0};
  for (;;) {
    S32 event = L_SEMA_WaitMultiple(events);
    if (event == SEMA_NVRAM_UPDATE) {
      T_NVRAM_vHandleSaveSignal();
    } else if (event == SEMA_MBOX_NVRAM) {
      while (void* pMsg = L_MBOX_Receive(M_NVRAM)) {
        T_NVRAM_vDispatch((GENERIC_MESSAGE*)pMsg);
        H_MEMORY_vDumpMail(pMsg);
      }
    }
  }
}
