// The transducer's thermistor is the cheap proof; test pings are the costly
// one, made only when the thermistor reads as absent.

#include "s_detect.h"

#include "h_coproc.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "s_bottom.h"
#include "s_coproc.h"
#include "s_demultiplex.h"

constexpr U32 DETECT_PINGS = 3;
constexpr U32 DETECT_SAMPLES = 4096;
constexpr U16 DETECT_KHZ = 83;
constexpr U32 DETECT_THERMISTOR_LOW = 67;
constexpr U32 DETECT_THERMISTOR_HIGH = 1022;
constexpr U32 DETECT_ENERGY = 4;
constexpr TICKS DETECT_LOCK_MS = 2000;

static U8 s_au8Noise[S_COPROC_NOISE_SAMPLES];
static U8 s_au8Echo[DETECT_SAMPLES];

static BOOLEAN DETECT_bThermistor(void) {
  U32 value = 0;
  if (!H_DATABASE_bFetchU32(FCID("AD02"), &value, nullptr, nullptr)) return FALSE;
  U32 index = value >> 6;
  return index >= DETECT_THERMISTOR_LOW && index <= DETECT_THERMISTOR_HIGH;
}

// One test ping; caller holds RES_PING. TRUE when it holds a bottom-like
// echo, or more energy than noise alone.
static BOOLEAN DETECT_bPingShowsTransducer(void) {
  MULTI_TX tx;
  S_COPROC_vBuildTxSequenceForSingleDown(&tx, 40, TXPOWER_HIGH, 0, DETECT_SAMPLES, DETECT_KHZ, 0, FALSE, 236,
                                         DETECT_KHZ);
  const S32 expected = (S32)S_COPROC_u32BlockBytes(DETECT_SAMPLES);
  if (H_COPROC_s32Transfer(tx.au8Bytes, S_COPROC_TX_BYTES, SEND_TO_COPROC) != (S32)S_COPROC_TX_BYTES) return FALSE;
  if (H_COPROC_s32Transfer(gpu8NonCachedDataBlock, H_COPROC_TRANSFER_BYTES, RECEIVE_FROM_COPROC) != expected) {
    return FALSE;
  }
  TX_SEQUENCE echoed;
  const U8* samples = nullptr;
  S_DEMULTIPLEX_bExtractTxSequence(gpu8NonCachedDataBlock, &echoed, &samples);
  S_DEMULTIPLEX_vGetExtractRxData(samples, 0, S_COPROC_NOISE_SAMPLES, DETECT_SAMPLES, s_au8Noise, s_au8Echo);
  const U8 nf = S_BOTTOM_u8NoiseFloor(s_au8Noise, S_COPROC_NOISE_SAMPLES);
  if (S_BOTTOM_s32FindBottom(s_au8Echo, DETECT_SAMPLES, nf) >= 0) return TRUE;
  U32 sum = 0;
  for (U32 i = S_BOTTOM_BLANKING_SAMPLES; i < DETECT_SAMPLES; i++) sum += s_au8Echo[i];
  return sum > (nf + DETECT_ENERGY) * (DETECT_SAMPLES - S_BOTTOM_BLANKING_SAMPLES);
}

static BOOLEAN DETECT_bTestPings(void) {
  if (L_MUTEX_LockTime(RES_PING, DETECT_LOCK_MS) != 0) return FALSE;
  BOOLEAN bFound = FALSE;
  for (U32 i = 0; i < DETECT_PINGS && !bFound; i++) bFound = DETECT_bPingShowsTransducer();
  L_MUTEX_Unlock(RES_PING);
  return bFound;
}

BOOLEAN S_DETECT_bTransducerConnected(void) {
  if (opt_fake_transducer != 0) {
    log_me("[%d]%s: fake_transducer: no transducer", __LINE__, __func__);
    return FALSE;
  }
  U32 selected = 0;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetchU32(FCID("SSTS"), &selected, &bValid, nullptr) && bValid && selected > 1) {
    log_me("[%d]%s: transducer %u selected", __LINE__, __func__, selected);
    return TRUE;
  }
  H_COPROC_vInitialize();
  BOOLEAN bFound = FALSE;
  const char* how = "co-processor does not answer";
  if (H_COPROC_bCoprocessorReady()) {
    H_COPROC_vReadAdcInputs();
    if (DETECT_bThermistor()) {
      bFound = TRUE;
      how = "thermistor";
    } else {
      bFound = DETECT_bTestPings();
      how = "test pings";
    }
  }
  log_me("[%d]%s: transducer %s (%s)", __LINE__, __func__, bFound ? "found" : "not found", how);
  return bFound;
}
