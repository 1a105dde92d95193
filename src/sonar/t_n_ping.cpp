// The ping task. It runs on its own clock: it waits for mail only until the
// next ping or analogue read is due. A ping goes out when the system runs,
// standby is off, the sonar is switched on, the state gives it a source (the
// co-processor, or the simulator in the simulation states) and the process
// task has handed back a descriptor slot. Ten failed co-processor exchanges
// in a row end the process with status 25, after the orderly shutdown.

#include "t_n_ping.h"

#include <math.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "h_coproc.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "s_bottom.h"
#include "s_coproc.h"
#include "s_demultiplex.h"
#include "s_detect.h"
#include "s_share.h"
#include "s_sim.h"
#include "t_n_process.h"
#include "t_startup.h"
#include "u_shutdown.h"
#include "u_taskstub.h"

// ---------------------------------------------------------------------------
// State

enum PING_SOURCE { PING_NONE, PING_COPROC, PING_SIMULATOR };

static PING_DESCRIPTOR s_aPings[T_N_PING_SLOTS];
static U8 s_aau8Echo[T_N_PING_SLOTS][S_COPROC_MAX_ECHO_SAMPLES];
static U8 s_aau8Noise[T_N_PING_SLOTS][S_COPROC_NOISE_SAMPLES];

static std::atomic<BOOLEAN> s_bStandby{FALSE};
static BOOLEAN s_bRunning;   // the first run-system has come
static BOOLEAN s_bPingShutdown;
static BEAM s_eNextBeam;
static U32 s_u32Sequence;
static U32 s_u32Failures;
static U64 s_qwNextPingMs;
static U64 s_qwNextAdcMs;
static BOOLEAN s_bDetectionDone;
static BOOLEAN s_bDetected;

constexpr U64 PING_ADC_PERIOD_MS = 500;
constexpr U64 PING_RECHECK_MS = 100;      // a ping held back by standby, sonar off or the state
constexpr U64 PING_SLOT_RETRY_MS = 10;    // a ping held back by a busy process task
constexpr U32 PING_MIN_PERIOD_MS = 100;
constexpr U32 PING_AFTER_ECHO_MS = 10;
constexpr U8 PING_CYCLES = 40;
constexpr U8 PING_BASEBAND_POWER = 236;
constexpr PRIORITY PING_MESSAGE_PRIORITY = 3;
constexpr TICKS PING_LOCK_MS = 2000;

void T_N_PING_vSonarStandbyMode(BOOLEAN bOn) {
  if (s_bStandby.exchange(bOn ? TRUE : FALSE) != (bOn ? TRUE : FALSE)) {
    log_me("[%d]%s: sonar standby %s", __LINE__, __func__, bOn ? "on" : "off");
  }
}

// ---------------------------------------------------------------------------
// Whether, and from where, to ping

// The start-up task publishes its detection as ITXD. Without it (a start-up
// that does not detect), the ping task asks the co-processor itself, once.
static BOOLEAN PING_bTransducerDetected(void) {
  BOOLEAN bDetected = FALSE;
  if (H_DATABASE_bFetchBoolean(FCID("ITXD"), &bDetected, nullptr, nullptr)) return bDetected;
  if (!s_bDetectionDone) {
    s_bDetected = S_DETECT_bTransducerConnected();
    s_bDetectionDone = TRUE;
  }
  return s_bDetected;
}

static PING_SOURCE PING_eSource(void) {
  U32 state = 0;
  if (!H_DATABASE_bFetchU32(FCID("CCST"), &state, nullptr, nullptr)) return PING_NONE;
  switch (state) {
    case STATE_SIMULATION:
    case STATE_POINT_OF_SALE:
    case STATE_PLAYBACK:
      return PING_SIMULATOR;
    case STATE_NORMAL_RUN:
    case STATE_BURN_IN:
      return PING_bTransducerDetected() ? PING_COPROC : PING_NONE;
    default:
      return PING_NONE;
  }
}

static BOOLEAN PING_bSonarOn(void) {
  BOOLEAN bOn = TRUE;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetchBoolean(FCID("SSEN"), &bOn, &bValid, nullptr) && bValid) return bOn;
  return TRUE;
}

// ---------------------------------------------------------------------------
// One ping

// The co-processor stopped answering: tell every other task, then end.
static void PING_vCountFailure(void) {
  if (++s_u32Failures < T_N_PING_FAILURES_TO_END) return;
  log_me("[%d]%s: co-processor failed %u times in a row, ending", __LINE__, __func__, s_u32Failures);
  const FOURCHARID keep[] = {FCID("TPNG"), 0};
  U_SHUTDOWN_vShutdown(keep);
  lm_exit(__FILE_NAME__, __LINE__, 25);
}

// The block of the command into the slot's buffers; FALSE when the
// co-processor did not answer with the block of this very command.
static BOOLEAN PING_bExchange(PING_SOURCE eSource, const MULTI_TX* pTx, U32 u32Samples, U16 u16Slot) {
  if (L_MUTEX_LockTime(RES_PING, PING_LOCK_MS) != 0) return FALSE;
  const U32 expected = S_COPROC_u32BlockBytes(u32Samples);
  BOOLEAN bGood;
  if (eSource == PING_SIMULATOR) {
    bGood = S_SIM_u32SimulatePing(pTx, gpu8NonCachedDataBlock, H_COPROC_TRANSFER_BYTES) == expected;
  } else {
    bGood = H_COPROC_s32Transfer((U8*)pTx->au8Bytes, S_COPROC_TX_BYTES, SEND_TO_COPROC) == (S32)S_COPROC_TX_BYTES &&
            H_COPROC_s32Transfer(gpu8NonCachedDataBlock, H_COPROC_TRANSFER_BYTES, RECEIVE_FROM_COPROC) ==
                (S32)expected;
  }
  if (bGood) {
    TX_SEQUENCE echoed;
    const U8* samples = nullptr;
    S_DEMULTIPLEX_bExtractTxSequence(gpu8NonCachedDataBlock, &echoed, &samples);
    bGood = memcmp(echoed.au8Bytes, pTx->au8Bytes, S_COPROC_TX_BYTES) == 0;
    if (bGood) {
      S_DEMULTIPLEX_vGetExtractRxData(samples, pTx->au8Bytes[S_COPROC_AT_RECEIVER], S_COPROC_NOISE_SAMPLES,
                                      u32Samples, s_aau8Noise[u16Slot], s_aau8Echo[u16Slot]);
    }
  }
  L_MUTEX_Unlock(RES_PING);
  return bGood;
}

static BOOLEAN PING_bHandOver(U16 u16Slot) {
  MSG_SONAR_PROCESS_PING* pMsg = (MSG_SONAR_PROCESS_PING*)H_MEMORY_pvMallocNoWait(sizeof(MSG_SONAR_PROCESS_PING));
  if (pMsg == nullptr) return FALSE;
  pMsg->Header.Cmd = CMD_ID_SONAR_PROCESS_PING;
  pMsg->pPing = &s_aPings[u16Slot];
  pMsg->u16Index = u16Slot;
  if (L_MBOX_Send(M_PROCESS, pMsg, PING_MESSAGE_PRIORITY, 0) == 0) return TRUE;
  H_MEMORY_vFree(pMsg);
  return FALSE;
}

static void PING_vPing(PING_SOURCE eSource, U64 qwNowMs) {
  U16 slot = 0;
  if (L_QUEUE_Get(Q_PING, &slot) != 0 || slot >= T_N_PING_SLOTS) {
    s_qwNextPingMs = qwNowMs + PING_SLOT_RETRY_MS;
    return;
  }
  const BEAM beam = s_eNextBeam;
  const float range = S_SHARE_fGetRangeMetres(beam);
  const double wanted = ceil(1.1 * range / S_SONAR_METRES_PER_SAMPLE);
  const U32 samples = wanted > S_COPROC_MAX_ECHO_SAMPLES ? S_COPROC_MAX_ECHO_SAMPLES : wanted < 1 ? 1 : (U32)wanted;
  const U16 khz = beam == BEAM_DOWN_0 ? 200 : 83;
  MULTI_TX tx;
  S_COPROC_vBuildTxSequenceForSingleDown(&tx, PING_CYCLES, TXPOWER_HIGH, 0, samples, khz, 0, FALSE,
                                         PING_BASEBAND_POWER, khz);

  const U64 startUs = L_CLOCK_qwGetTimeInMicros();
  const BOOLEAN bGood = PING_bExchange(eSource, &tx, samples, slot);
  const U64 endUs = L_CLOCK_qwGetTimeInMicros();
  const U32 echoMs = ((S_COPROC_NOISE_SAMPLES + samples) * S_COPROC_SAMPLE_PERIOD_US + 999) / 1000;
  const U32 periodMs = echoMs + PING_AFTER_ECHO_MS > PING_MIN_PERIOD_MS ? echoMs + PING_AFTER_ECHO_MS
                                                                          : PING_MIN_PERIOD_MS;
  s_qwNextPingMs = startUs / 1000 + periodMs;
  if (opt_sleeper > 0) {
    const U64 earliestMs = (endUs + (U64)opt_sleeper + 999) / 1000;
    if (earliestMs > s_qwNextPingMs) s_qwNextPingMs = earliestMs;
  }

  if (!bGood) {
    L_QUEUE_Put(Q_PING, &slot);
    if (eSource == PING_COPROC) PING_vCountFailure();
    return;
  }
  s_u32Failures = 0;
  s_eNextBeam = beam == BEAM_DOWN_0 ? BEAM_DOWN_1 : BEAM_DOWN_0;

  PING_DESCRIPTOR* d = &s_aPings[slot];
  d->Beam = beam;
  d->u8TransmitCycles = PING_CYCLES;
  d->u8TransmitPower = TXPOWER_HIGH;
  d->u32NumberOfSamples = samples;
  d->pu8RawSonarData = s_aau8Echo[slot];
  d->u32SamplePeriodMicroSeconds = S_COPROC_SAMPLE_PERIOD_US;
  d->u16MilliSecondsBetweenPings = (U16)periodMs;
  const U64 tookMs = (endUs - startUs) / 1000;
  d->u16MilliSecondsBeforeNextPing = (U16)(tookMs < periodMs ? periodMs - tookMs : 0);
  d->pu8RawNoiseData = s_aau8Noise[slot];
  d->u32NumberOfNoiseSamples = S_COPROC_NOISE_SAMPLES;
  d->u16FrequencyKHz = khz;
  d->u8Receiver = 0;
  d->u32Sequence = s_u32Sequence++;
  d->tTransmitTime = (TICKS)(startUs / 1000);
  d->fRangeMetres = range;
  d->bSimulated = eSource == PING_SIMULATOR;
  d->u8NoiseMean = S_BOTTOM_u8NoiseFloor(s_aau8Noise[slot], S_COPROC_NOISE_SAMPLES);

  if (!PING_bHandOver(slot)) {
    log_me("[%d]%s: ping %u not handed over", __LINE__, __func__, d->u32Sequence);
    L_QUEUE_Put(Q_PING, &slot);
    return;
  }
  S_SHARE_vCountPing();
}

static void PING_vTick(U64 qwNowMs) {
  PING_SOURCE eSource = PING_NONE;
  if (!s_bStandby.load() && PING_bSonarOn()) eSource = PING_eSource();
  if (eSource == PING_NONE) {
    s_qwNextPingMs = qwNowMs + PING_RECHECK_MS;
    return;
  }
  PING_vPing(eSource, qwNowMs);
}

// ---------------------------------------------------------------------------
// Messages

static void PING_vDispatch(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_SHUTDOWN:
      if (!s_bPingShutdown) log_me("[%d]%s: pinging stopped for good", __LINE__, __func__);
      s_bPingShutdown = TRUE;
      break;
    case CMD_ID_RUN_SYSTEM:
      if (!s_bRunning) {
        s_bRunning = TRUE;
        s_qwNextPingMs = L_CLOCK_qwGetTimeInMillis();
      }
      break;
    default:
      // Nothing is subscribed; every other command is only released.
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

// ---------------------------------------------------------------------------
// Entry

static void PING_vInit(void) {
  s_bRunning = FALSE;
  s_bPingShutdown = FALSE;
  s_eNextBeam = BEAM_DOWN_0;
  s_u32Failures = 0;
  s_bDetectionDone = FALSE;
  s_qwNextAdcMs = 0;
  memset(s_aPings, 0, sizeof s_aPings);
  L_QUEUE_Purge(Q_PING);
  for (U16 slot = 0; slot < T_N_PING_SLOTS; slot++) L_QUEUE_Put(Q_PING, &slot);
}

void T_N_PING_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  U_TASKSTUB_vPublish(FCID("TPNG"), M_PING);
  H_COPROC_vInitialize();
  PING_vInit();
  for (;;) {
    U64 now = L_CLOCK_qwGetTimeInMillis();
    U64 due = s_qwNextAdcMs;
    if (s_bRunning && !s_bPingShutdown && s_qwNextPingMs < due) due = s_qwNextPingMs;
    TICKS wait = due <= now ? 0 : (TICKS)(due - now > PING_ADC_PERIOD_MS ? PING_ADC_PERIOD_MS : due - now);
    GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_ReceiveWaitTicks(M_PING, wait);
    for (; pMsg != nullptr; pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_PING)) PING_vDispatch(pMsg);
    if (s_bPingShutdown) {
      s_qwNextAdcMs = L_CLOCK_qwGetTimeInMillis() + PING_ADC_PERIOD_MS;
      continue;
    }
    now = L_CLOCK_qwGetTimeInMillis();
    if (now >= s_qwNextAdcMs) {
      H_COPROC_vReadAdcInputs();
      // Stamped after the read, so the reader's own 500 ms gate has passed
      // by the next one.
      s_qwNextAdcMs = L_CLOCK_qwGetTimeInMillis() + PING_ADC_PERIOD_MS;
    }
    if (s_bRunning && now >= s_qwNextPingMs) PING_vTick(now);
  }
}
