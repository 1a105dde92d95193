// The co-processor interface checks what any back end would refuse, gates
// the analogue inputs, and hands the rest to the stand-in.

#include "h_coproc.h"

#include <atomic>

#include "h_database.h"
#include "linuxsvc.h"
#include "s_coproc.h"
#include "s_sim.h"

alignas(64) static U8 s_au8Transfer[H_COPROC_TRANSFER_BYTES];
U8* gpu8NonCachedDataBlock = s_au8Transfer;

static std::atomic<BOOLEAN> s_bInitialised{FALSE};
static BOOLEAN s_bAdcOpen;
static BOOLEAN s_bAdcRead;  // under RES_ADC, as is the time of the last read
static U64 s_qwLastAdcMs;

constexpr U64 COPROC_ADC_GATE_MS = 500;
constexpr TICKS COPROC_LOCK_MS = 2000;
// Seconds, as every database time-out: the readers derive their own
// time-outs from it, so this one constant is where to change it.
constexpr U32 COPROC_ADC_TIMEOUT = 4000;

void H_COPROC_vInitialize(void) {
  if (s_bInitialised.load(std::memory_order_acquire)) return;
  if (L_MUTEX_LockTime(RES_COPROC_INIT, COPROC_LOCK_MS) != 0) {
    log_me("[%d]%s: co-processor set-up is stuck elsewhere; not opened yet", __LINE__, __func__);
    return;
  }
  if (!s_bInitialised.load(std::memory_order_relaxed)) {
    S_SIM_vLoadConfig();
    s_bAdcOpen = opt_noadc == 0;
    log_me("[%d]%s: co-processor stand-in %s, analogue inputs %s", __LINE__, __func__,
           S_SIM_bReady() ? "answers" : "does not answer", s_bAdcOpen ? "open" : "off (no_adc)");
    s_bInitialised.store(TRUE, std::memory_order_release);
  }
  L_MUTEX_Unlock(RES_COPROC_INIT);
}

BOOLEAN H_COPROC_bCoprocessorReady(void) {
  H_COPROC_vInitialize();
  return S_SIM_bReady();
}

S32 H_COPROC_s32Transfer(U8* pu8Buffer, U32 u32Size, COPROC_DIRECTION eDirection) {
  H_COPROC_vInitialize();
  if (pu8Buffer == nullptr) return -1;
  if (eDirection == SEND_TO_COPROC) {
    if (u32Size != S_COPROC_TX_BYTES) return -1;
    const MULTI_TX* pTx = (const MULTI_TX*)pu8Buffer;
    if (!S_COPROC_bDecode(pTx, nullptr)) return -1;
    return S_SIM_s32Send(pTx);
  }
  if (eDirection == RECEIVE_FROM_COPROC) return S_SIM_s32Receive(pu8Buffer, u32Size);
  return -1;
}

void H_COPROC_vReadAdcInputs(void) {
  if (opt_noadc != 0) return;
  H_COPROC_vInitialize();
  if (!s_bAdcOpen) return;
  if (L_MUTEX_LockTime(RES_ADC, COPROC_LOCK_MS) != 0) return;
  U64 now = L_CLOCK_qwGetTimeInMillis();
  if (!s_bAdcRead || now - s_qwLastAdcMs >= COPROC_ADC_GATE_MS) {
    s_bAdcRead = TRUE;
    s_qwLastAdcMs = now;
    U16 raw[3];
    S_SIM_vReadAdc(raw);
    const FOURCHARID keys[3] = {FCID("AD05"), FCID("AD02"), FCID("AD00")};
    for (int i = 0; i < 3; i++) {
      H_DATABASE_bUpdateEverythingU32(keys[i], (U32)(raw[i] & 0x0FFF) << 4, P_NORMAL, D_UNKNOWN, nullptr,
                                      COPROC_ADC_TIMEOUT);
    }
  }
  L_MUTEX_Unlock(RES_ADC);
}
