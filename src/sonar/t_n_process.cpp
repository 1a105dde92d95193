// The sonar process task. Each ping it is sent becomes a noise floor, a
// bottom (or none), the published depth, the next display range of its beam
// and one column for the history; then its descriptor slot goes back to the
// ping task. The depth is the median of the last three bottoms of both
// beams, so one stray ping does not move it.

#include "t_n_process.h"

#include <math.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "error.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "s_bottom.h"
#include "t_n_history.h"
#include "t_n_ping.h"
#include "u_taskstub.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// State

static U32 s_u32Sensitivity;   // SSS2, 1..20
static float s_fOffsetM;       // SDPO, added to the depth
static float s_fFixedRangeM;   // SSMD, 0 = automatic
static U32 s_u32Clutter;       // SSCL, 0 (off) .. 10
static S_BOTTOM_RANGE s_aRange[2];
static float s_afRecent[3];    // the last bottoms found, oldest first
static U32 s_u32Recent;
static BOOLEAN s_bBottomKnown;
static U32 s_u32Misses;        // pings in a row without a bottom, both beams
static BOOLEAN s_bProcessShutdown;
static U8 s_au8Column[S_BOTTOM_ROWS];

constexpr U32 PROCESS_DEFAULT_SENSITIVITY = 10;
constexpr U32 PROCESS_MAX_CLUTTER = 10;
constexpr U32 PROCESS_MISSES_FOR_LOST = 3;
constexpr U32 PROCESS_DEPTH_TIMEOUT = 4;
constexpr PRIORITY PROCESS_MESSAGE_PRIORITY = 3;

// ---------------------------------------------------------------------------
// Settings

static U32 PROCESS_u32Sensitivity(U32 value) {
  return value < 1 ? 1 : value > 20 ? 20 : value;
}

static float PROCESS_fMetres(float value) { return isfinite(value) ? value : 0.0f; }

static void PROCESS_vTake(FOURCHARID id, DB_DATA_TYPE value) {
  if (id == FCID("SSS2")) {
    s_u32Sensitivity = PROCESS_u32Sensitivity(value.u32Val);
  } else if (id == FCID("SDPO")) {
    s_fOffsetM = PROCESS_fMetres(value.fVal);
  } else if (id == FCID("SSMD")) {
    s_fFixedRangeM = PROCESS_fMetres(value.fVal);
  } else if (id == FCID("SSCL")) {
    s_u32Clutter = value.u32Val > PROCESS_MAX_CLUTTER ? PROCESS_MAX_CLUTTER : value.u32Val;
  }
}

// The defaults as value words: 10, 0.0 for the two lengths, clutter off.
struct PROCESS_SETTING {
  FOURCHARID id;
  DATA_TYPE type;
  U32 u32Default;
};

static const PROCESS_SETTING s_aSettings[] = {
    {FCID("SSS2"), D_UNKNOWN, PROCESS_DEFAULT_SENSITIVITY},
    {FCID("SDPO"), D_DEPTH, 0},
    {FCID("SSMD"), D_DEPTH, 0},
    {FCID("SSCL"), D_UNKNOWN, 0},
};

static DB_DATA_TYPE PROCESS_Default(const PROCESS_SETTING* s) {
  DB_DATA_TYPE value;
  value.vpPointer = nullptr;
  value.RawData = s->u32Default;
  return value;
}

static void PROCESS_vRegisterItems(void) {
  for (const PROCESS_SETTING& s : s_aSettings) {
    DB_DATA_TYPE value = PROCESS_Default(&s);
    DB_ATTRIBUTES extra = {s.type, nullptr, DB_NEVER_STALE};
    H_DATABASE_vReadOrSetDefault(s.id, &value, P_DEFAULT_SETTING, &extra);
    PROCESS_vTake(s.id, value);
    if (!H_DATABASE_bRegisterForDataWithConditions(s.id, M_PROCESS, TRUE, FALSE, FALSE)) {
      ERROR_vFatal(__FILE_NAME__, __LINE__, "Database: problem registering");
    }
  }
  H_DATABASE_bUpdateEverythingU32(FCID("BDEP"), FCID("IDEP"), P_NORMAL, D_FCID, Depth, DB_NEVER_STALE);
}

static void PROCESS_vResetSettings(void) {
  for (const PROCESS_SETTING& s : s_aSettings) {
    DB_DATA_TYPE value = PROCESS_Default(&s);
    H_DATABASE_bUpdateValue(s.id, value, P_NORMAL);
    PROCESS_vTake(s.id, value);
  }
}

// ---------------------------------------------------------------------------
// One ping

// A lost bottom takes its depth with it: the median starts empty, so the
// first depth after it is one measured after it, and the depth reads as
// none at once rather than holding the old one until it goes stale, which
// would still send it out in DPT and to the readouts.
static void PROCESS_vLoseBottom(void) {
  s_bBottomKnown = FALSE;
  s_u32Recent = 0;
  S_SHARE_vSetLastBottomMetres(BEAM_DOWN_0, -1.0f);
  S_SHARE_vSetLastBottomMetres(BEAM_DOWN_1, -1.0f);
  H_DATABASE_vDeleteEntry(FCID("IDEP"));
  log_me("[%d]%s: bottom lost", __LINE__, __func__);
}

static void PROCESS_vDepth(BEAM eBeam, BOOLEAN bFound, float fDepthM) {
  if (!bFound) {
    if (++s_u32Misses >= PROCESS_MISSES_FOR_LOST && s_bBottomKnown) PROCESS_vLoseBottom();
    return;
  }
  s_u32Misses = 0;
  S_SHARE_vSetLastBottomMetres(eBeam, fDepthM);
  if (s_u32Recent == 3) {
    s_afRecent[0] = s_afRecent[1];
    s_afRecent[1] = s_afRecent[2];
    s_u32Recent = 2;
  }
  s_afRecent[s_u32Recent++] = fDepthM;
  const float depth = S_BOTTOM_fSmooth(s_afRecent, s_u32Recent) + s_fOffsetM;
  H_DATABASE_bUpdateEverythingFloat(FCID("IDEP"), depth, P_NORMAL, D_DEPTH, Depth, PROCESS_DEPTH_TIMEOUT);
  if (!s_bBottomKnown) {
    s_bBottomKnown = TRUE;
    log_me("[%d]%s: bottom found at %.2f m", __LINE__, __func__, depth);
  }
}

// Surface clutter: weak returns in the band below the surface are dropped
// from the picture. Level c takes the top c/40 of the range and the levels
// under 2c; the band stops short of a bottom found, so the bottom is never
// thinned.
static void PROCESS_vSuppressClutter(U8* pu8Levels, float fRangeM, BOOLEAN bFound, float fBottomM) {
  if (s_u32Clutter == 0 || !(fRangeM > 0.0f)) return;
  float fBandM = fRangeM * (float)s_u32Clutter / 40.0f;
  if (bFound && fBandM > fBottomM * 0.8f) fBandM = fBottomM * 0.8f;
  const U32 rows = (U32)(fBandM / fRangeM * (float)S_BOTTOM_ROWS);
  const U8 below = (U8)(2 * s_u32Clutter);
  for (U32 r = 0; r < rows && r < S_BOTTOM_ROWS; r++) {
    if (pu8Levels[r] < below) pu8Levels[r] = 0;
  }
}

static void PROCESS_vTellHistory(void) {
  if (!S_SHARE_bRaiseHistoryUpdate()) return;
  GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvMallocNoWait(sizeof(GENERIC_MESSAGE));
  if (pMsg != nullptr) {
    pMsg->Cmd = CMD_ID_PING_UPDATE;
    if (L_MBOX_Send(M_HISTORY, pMsg, PROCESS_MESSAGE_PRIORITY, 0) == 0) return;
    H_MEMORY_vFree(pMsg);
  }
  S_SHARE_vClearHistoryUpdate();
}

static BOOLEAN PROCESS_bUsable(const PING_DESCRIPTOR* p) {
  return p != nullptr && p->pu8RawSonarData != nullptr && p->pu8RawNoiseData != nullptr &&
         p->u32NumberOfSamples <= S_COPROC_MAX_ECHO_SAMPLES && p->u32NumberOfNoiseSamples <= S_COPROC_NOISE_SAMPLES &&
         (p->Beam == BEAM_DOWN_0 || p->Beam == BEAM_DOWN_1) && isfinite(p->fRangeMetres) && p->fRangeMetres > 0;
}

static void PROCESS_vPing(const PING_DESCRIPTOR* p) {
  const U8 nf = S_BOTTOM_u8NoiseFloor(p->pu8RawNoiseData, p->u32NumberOfNoiseSamples);
  const S32 sample = S_BOTTOM_s32FindBottom(p->pu8RawSonarData, p->u32NumberOfSamples, nf);
  const BOOLEAN bFound = sample >= 0;
  const float depth = bFound ? S_BOTTOM_fSampleToMetres(sample) : 0.0f;
  PROCESS_vDepth(p->Beam, bFound, depth);
  const U32 beam = p->Beam == BEAM_DOWN_1 ? 1 : 0;
  const float before = s_aRange[beam].fRangeM;
  const float range = S_BOTTOM_fNextRange(&s_aRange[beam], bFound, depth, s_fFixedRangeM);
  // The steps of a search are left out: they come every few pings for as
  // long as no bottom is found.
  if (bFound && range != before) {
    log_me("[%d]%s: beam %u range %.0f m -> %.0f m", __LINE__, __func__, beam, before, range);
  }
  S_SHARE_vSetRangeMetres(p->Beam, range);
  S_BOTTOM_vMakeColumn(p->pu8RawSonarData, p->u32NumberOfSamples, nf, p->fRangeMetres, s_u32Sensitivity,
                       s_au8Column);
  PROCESS_vSuppressClutter(s_au8Column, p->fRangeMetres, bFound, depth);
  T_N_HISTORY_vAddColumn(p->Beam, s_au8Column, p->fRangeMetres);
  PROCESS_vTellHistory();
}

// ---------------------------------------------------------------------------
// Messages

static void PROCESS_vDispatch(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_SHUTDOWN:
      if (!s_bProcessShutdown) log_me("[%d]%s: processing stopped for good", __LINE__, __func__);
      s_bProcessShutdown = TRUE;
      break;
    case CMD_ID_NEW_DATA: {
      const MESSAGE_NEW_DATA* pData = (const MESSAGE_NEW_DATA*)pMsg;
      if (pData->bValid) PROCESS_vTake(pData->FourCharId, pData->dbValue);
      break;
    }
    case CMD_ID_RESET_POS:
      PROCESS_vResetSettings();
      break;
    case CMD_ID_SONAR_PROCESS_PING: {
      const MSG_SONAR_PROCESS_PING* pPing = (const MSG_SONAR_PROCESS_PING*)pMsg;
      if (!s_bProcessShutdown && PROCESS_bUsable(pPing->pPing)) PROCESS_vPing(pPing->pPing);
      // The slot is the ping task's, shut down or not.
      if (pPing->u16Index < T_N_PING_SLOTS) L_QUEUE_Put(Q_PING, &pPing->u16Index);
      break;
    }
    default:
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

// ---------------------------------------------------------------------------
// Entry

static void PROCESS_vInit(void) {
  s_u32Sensitivity = PROCESS_DEFAULT_SENSITIVITY;
  s_fOffsetM = 0;
  s_fFixedRangeM = 0;
  s_u32Clutter = 0;
  for (U32 beam = 0; beam < 2; beam++) S_BOTTOM_vStartRange(&s_aRange[beam]);
  S_SHARE_vSetRangeMetres(BEAM_DOWN_0, S_BOTTOM_FIRST_RANGE_M);
  S_SHARE_vSetRangeMetres(BEAM_DOWN_1, S_BOTTOM_FIRST_RANGE_M);
  S_SHARE_vSetLastBottomMetres(BEAM_DOWN_0, -1.0f);
  S_SHARE_vSetLastBottomMetres(BEAM_DOWN_1, -1.0f);
  s_u32Recent = 0;
  s_bBottomKnown = FALSE;
  s_u32Misses = 0;
  s_bProcessShutdown = FALSE;
}

void T_N_PROCESS_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  PROCESS_vInit();
  U_TASKSTUB_vPublish(FCID("TSNR"), M_PROCESS);
  PROCESS_vRegisterItems();
  for (;;) {
    GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_ReceiveWaitTicks(M_PROCESS, 1000);
    for (; pMsg != nullptr; pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_PROCESS)) PROCESS_vDispatch(pMsg);
  }
}
