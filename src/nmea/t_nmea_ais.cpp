// The AIS target pool: decoded reports merged field by field into the
// target of their MMSI, kept sorted for the views and the target list, and
// aged on a clock of its own so that targets expire without GPS time and
// across calendar clock steps. A target's alarm flags and alarm text are
// part of its entry and move with it.

#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include <atomic>

#include "ais_manager.h"
#include "h_database.h"
#include "l_hook.h"
#include "linuxsvc.h"
#include "t_nmea_internal.h"

static AISPOOL s_aAisDB;
static AIS_MANAGER s_Manager;

static U32 AIS_u32MonotonicSeconds(void) { return (U32)(L_CLOCK_qwGetTimeInMillis() / 1000u); }
static std::atomic<U32 (*)(void)> s_pfClock{AIS_u32MonotonicSeconds};
static std::atomic<void (*)(U32, int)> s_pfTargetListHook{nullptr};

// Targets dropped since the target list was last told: written under
// mutex 68, sent with it released.
typedef struct tag_AIS_NOTICE {
  U32 u32MMSI;
  int nIndex;
} AIS_NOTICE;
static AIS_NOTICE s_aNotice[AIS_MAX_TARGETS];
static U32 s_u32Notices;

static U32 s_u32Refused;  // reports of new MMSIs that found the pool full

// The bytes of aisTargetINFO that each flag covers, for the merge.
typedef struct tag_AIS_SPAN {
  U16 u16Offset;
  U16 u16Size;
} AIS_SPAN;
#define AIS_SPAN_OF(first, last)                                                         \
  {(U16)offsetof(aisTargetINFO, first),                                                  \
   (U16)(offsetof(aisTargetINFO, last) + sizeof(aisTargetINFO::last) - offsetof(aisTargetINFO, first))}
static const AIS_SPAN s_aFieldOf[LAST_VALFLAG_INDEX] = {
    AIS_SPAN_OF(MMSI, MMSI),           AIS_SPAN_OF(LastMsg, LastMsg),
    AIS_SPAN_OF(NavStatus, NavStatus), AIS_SPAN_OF(Rot, Rot),
    AIS_SPAN_OF(Sog, Sog),             AIS_SPAN_OF(Cog, Cog),
    AIS_SPAN_OF(PosAccuracy, PosAccuracy), AIS_SPAN_OF(Latitude, Longitude),
    AIS_SPAN_OF(ShipType, ShipType),   AIS_SPAN_OF(ShipDimension, ShipDimension),
    AIS_SPAN_OF(TrueHeading, TrueHeading), AIS_SPAN_OF(TimeStamp_UTCsec, TimeStamp_UTCsec),
    AIS_SPAN_OF(Altitude, Altitude),   AIS_SPAN_OF(Name, Name),
    AIS_SPAN_OF(IMO, IMO),             AIS_SPAN_OF(Destination, Destination),
    AIS_SPAN_OF(Eta, Eta),             AIS_SPAN_OF(CallSign, CallSign),
    AIS_SPAN_OF(Draught, Draught),
};

U32 T_NMEA_u32AisNow(void) { return s_pfClock.load()(); }

void T_NMEA_vSetAisClock(U32 (*pfSeconds)(void)) { s_pfClock = pfSeconds != nullptr ? pfSeconds : AIS_u32MonotonicSeconds; }

BOOLEAN T_NMEA_bRegisterAisTargetDropped(void (*pfDropped)(U32 u32MMSI, int nIndex)) {
  return L_HOOK_bSetOnce(&s_pfTargetListHook, pfDropped, "AIS target dropped");
}

static void ais_InitStruct(AISPOOL* pool) {
  memset(pool, 0, sizeof *pool);
  for (ais_DeviceInfo& e : pool->TargetStruct) {
    e.aisInfo.NavStatus = NAV_STATUS_NOT_DEFINED;
    e.aisInfo.PosAccuracy = LOWER_TEN_METERS;
  }
}

void T_NMEA_vAisInit(void) {
  L_MUTEX_LockWait(RES_AIS_DATA);
  ais_InitStruct(&s_aAisDB);
  ais_ResetManager(&s_Manager);
  s_u32Notices = 0;
  s_u32Refused = 0;
  L_MUTEX_Unlock(RES_AIS_DATA);
}

// Every field the report carries takes the report's flag; its value only
// when that flag is set. A field the report marks unavailable therefore
// turns unavailable in the pool too.
static void AIS_vUpdateData(U32 u32MessageId, U32 u32PartNumber, const aisTargetINFO* from, aisTargetINFO* to) {
  const U32 mask = ais_u32CarriedFlags(u32MessageId, u32PartNumber);
  for (U32 flag = 0; flag < LAST_VALFLAG_INDEX; flag++) {
    if ((mask & 1u << flag) == 0) continue;
    to->validityFlag[flag] = from->validityFlag[flag];
    if (!from->validityFlag[flag]) continue;
    const AIS_SPAN span = s_aFieldOf[flag];
    memcpy((char*)to + span.u16Offset, (const char*)from + span.u16Offset, span.u16Size);
  }
}

// The first entry whose MMSI is not below u32MMSI (NumOfTargets when none).
static U32 AIS_u32LowerBound(const AISPOOL* pool, U32 u32MMSI) {
  U32 lo = 0, hi = pool->NumOfTargets;
  while (lo < hi) {
    const U32 mid = (lo + hi) / 2;
    if (pool->TargetStruct[mid].aisInfo.MMSI < u32MMSI) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

// FALSE when the pool is full: the targets already followed keep their
// places rather than one being dropped for a newcomer.
static BOOLEAN ais_InsertTarget(AISPOOL* pool, U32 index, const aisTargetINFO* pRecord, U32 u32Time) {
  if (pool->NumOfTargets >= AIS_MAX_TARGETS) {
    if (s_u32Refused++ % 1000 == 0) {
      log_me("[%d]%s: %u targets held, MMSI %u refused (%u refused so far)", __LINE__, __func__, AIS_MAX_TARGETS,
             pRecord->MMSI, s_u32Refused);
    }
    return FALSE;
  }
  ais_DeviceInfo* e = &pool->TargetStruct[index];
  memmove(e + 1, e, (pool->NumOfTargets - index) * sizeof *e);
  memset(e, 0, sizeof *e);
  e->aisInfo = *pRecord;
  e->ReceiveLastTime = u32Time;
  pool->NumOfTargets++;
  return TRUE;
}

static void ais_RemoveTarget(AISPOOL* pool, U32 index) {
  if (index >= pool->NumOfTargets) return;
  ais_DeviceInfo* e = &pool->TargetStruct[index];
  memmove(e, e + 1, (pool->NumOfTargets - index - 1) * sizeof *e);
  pool->NumOfTargets--;
  memset(&pool->TargetStruct[pool->NumOfTargets], 0, sizeof *e);
}

// Decodes one sentence into the pool; *pbChanged tells whether a target
// was inserted or updated, *pu32MMSI which.
static U32 ais_DecodeVDM(AISPOOL* pool, const char* pcSentence, U32 u32Time, BOOLEAN* pbChanged, U32* pu32MMSI) {
  aisDataVDM data = {};
  aisTargetINFO record;
  *pbChanged = FALSE;
  const U32 result = ais_DecodeSentence(&s_Manager, pcSentence, &data, &record);
  if (result != AIS_RESULT_OK || !data.bMessage) return result;
  const U32 index = AIS_u32LowerBound(pool, record.MMSI);
  if (index < pool->NumOfTargets && pool->TargetStruct[index].aisInfo.MMSI == record.MMSI) {
    ais_DeviceInfo* e = &pool->TargetStruct[index];
    AIS_vUpdateData(data.messageId, data.partNumber, &record, &e->aisInfo);
    e->ReceiveLastTime = u32Time;
    *pbChanged = TRUE;
  } else {
    *pbChanged = ais_InsertTarget(pool, index, &record, u32Time);
  }
  if (*pbChanged) {
    U32 dateTime = 0;
    BOOLEAN bValid = FALSE;
    H_DATABASE_bFetchU32(FCID("IDTM"), &dateTime, &bValid, nullptr);
    pool->TargetStruct[index].ReceiveDateTime = bValid ? dateTime : 0;
    *pu32MMSI = record.MMSI;
  }
  return result;
}

BOOLEAN T_NMEA_bAisDecodeVDM(const char* pcSentence, U32 u32Time, U32* pu32MMSI) {
  BOOLEAN bChanged = FALSE;
  U32 u32MMSI = 0;
  L_MUTEX_LockWait(RES_AIS_DATA);
  ais_DecodeVDM(&s_aAisDB, pcSentence, u32Time, &bChanged, &u32MMSI);
  L_MUTEX_Unlock(RES_AIS_DATA);
  if (bChanged && pu32MMSI != nullptr) *pu32MMSI = u32MMSI;
  return bChanged;
}

BOOLEAN T_NMEA_bScanAisPoints(S32 nIndex, ais_DeviceInfo** ppInfo) {
  if (nIndex < 0 || (U32)nIndex >= s_aAisDB.NumOfTargets) return FALSE;
  *ppInfo = &s_aAisDB.TargetStruct[nIndex];
  return TRUE;
}

U32 T_NMEA_u32GetAisNumOfTargets(void) { return s_aAisDB.NumOfTargets; }

S32 T_NMEA_s32GetAisIndex(U32 u32MMSI) {
  L_MUTEX_LockWait(RES_AIS_DATA);
  const U32 index = AIS_u32LowerBound(&s_aAisDB, u32MMSI);
  const BOOLEAN bHeld = index < s_aAisDB.NumOfTargets && s_aAisDB.TargetStruct[index].aisInfo.MMSI == u32MMSI;
  L_MUTEX_Unlock(RES_AIS_DATA);
  return bHeld ? (S32)index : -1;
}

BOOLEAN T_NMEA_bAisLabel(const aisTargetINFO* pTarget, char* pcLabel, U32 u32Size) {
  if (u32Size == 0) return FALSE;
  const char* pcText = nullptr;
  int nMax = 0;
  if (pTarget->validityFlag[NAME_FLAG_INDEX] && pTarget->Name[0] != 0) {
    pcText = pTarget->Name;
    nMax = (int)sizeof pTarget->Name - 1;
  } else if (pTarget->validityFlag[CALLSIGN_FLAG_INDEX] && pTarget->CallSign[0] != 0) {
    pcText = pTarget->CallSign;
    nMax = (int)sizeof pTarget->CallSign - 1;
  }
  if (pcText == nullptr) {
    snprintf(pcLabel, u32Size, "%lu", (unsigned long)pTarget->MMSI);
    return FALSE;
  }
  snprintf(pcLabel, u32Size, "%.*s", nMax, pcText);
  return TRUE;
}

static BOOLEAN AIS_bSilent(const ais_DeviceInfo* pInfo, U32 u32Now) {
  return u32Now - pInfo->ReceiveLastTime >= AIS_TARGET_TIMEOUT_S;
}

BOOLEAN T_NMEA_bAisCheckTimeout(ais_DeviceInfo* pInfo, U32 nIndex) {
  if (nIndex >= s_aAisDB.NumOfTargets || pInfo != &s_aAisDB.TargetStruct[nIndex]) return FALSE;
  if (!AIS_bSilent(pInfo, T_NMEA_u32AisNow())) return FALSE;
  if (s_u32Notices < AIS_MAX_TARGETS) s_aNotice[s_u32Notices++] = {pInfo->aisInfo.MMSI, (int)nIndex};
  ais_RemoveTarget(&s_aAisDB, nIndex);
  return TRUE;
}

void T_NMEA_vAisSendTargetListNotices(void) {
  if (L_MUTEX_LockWait(RES_AIS_DATA) == -lsMUTEX_NESTED) {
    // The caller still holds the pool; the list would take 10 after 68.
    L_MUTEX_Unlock(RES_AIS_DATA);
    return;
  }
  AIS_NOTICE aNotice[AIS_MAX_TARGETS];
  const U32 count = s_u32Notices;
  memcpy(aNotice, s_aNotice, count * sizeof aNotice[0]);
  s_u32Notices = 0;
  L_MUTEX_Unlock(RES_AIS_DATA);
  void (*pfHook)(U32, int) = s_pfTargetListHook.load();
  for (U32 i = 0; pfHook != nullptr && i < count; i++) pfHook(aNotice[i].u32MMSI, aNotice[i].nIndex);
}

void T_NMEA_vAisCheckTargets(void (*pfUpdateAlarm)(BOOLEAN bAisAlarm, ais_DeviceInfo* pInfo)) {
  BOOLEAN bAis = FALSE;
  if (!H_DATABASE_bFetchBoolean(FCID("SAIS"), &bAis, nullptr, nullptr) || !bAis) return;
  L_MUTEX_LockWait(RES_AIS_DATA);
  const U32 now = T_NMEA_u32AisNow();
  ais_DeviceInfo* p;
  for (S32 i = 0; T_NMEA_bScanAisPoints(i, &p);) {
    if (AIS_bSilent(p, now)) {
      // Its alarm ends with it, or nothing would ever clear it.
      if (p->bAisAlarmActive && pfUpdateAlarm != nullptr) pfUpdateAlarm(FALSE, p);
      T_NMEA_bAisCheckTimeout(p, (U32)i);
      continue;
    }
    if (pfUpdateAlarm != nullptr) pfUpdateAlarm(T_NMEA_bAisHasAlarm(p), p);
    i++;
  }
  L_MUTEX_Unlock(RES_AIS_DATA);
  T_NMEA_vAisSendTargetListNotices();
}
