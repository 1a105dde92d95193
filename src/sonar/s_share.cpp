// Ranges and bottoms change once a ping and are read by the ping task, the
// process task and the views. Each is one word, so atomics carry them: no
// reader ever waits on a writer.

#include "s_share.h"

#include <atomic>

constexpr U32 SHARE_BEAMS = 2;

static std::atomic<float> s_afRangeM[SHARE_BEAMS] = {30.0f, 30.0f};
static std::atomic<float> s_afBottomM[SHARE_BEAMS] = {-1.0f, -1.0f};
static std::atomic<U32> s_u32Pings{0};
static std::atomic<BOOLEAN> s_bHistoryUpdate{FALSE};

static U32 SHARE_u32Beam(BEAM eBeam) { return eBeam == BEAM_DOWN_1 ? 1 : 0; }

float S_SHARE_fGetRangeMetres(BEAM eBeam) { return s_afRangeM[SHARE_u32Beam(eBeam)].load(); }
void S_SHARE_vSetRangeMetres(BEAM eBeam, float fMetres) { s_afRangeM[SHARE_u32Beam(eBeam)].store(fMetres); }
float S_SHARE_fGetLastBottomMetres(BEAM eBeam) { return s_afBottomM[SHARE_u32Beam(eBeam)].load(); }
void S_SHARE_vSetLastBottomMetres(BEAM eBeam, float fMetres) { s_afBottomM[SHARE_u32Beam(eBeam)].store(fMetres); }
U32 S_SHARE_u32PingCount(void) { return s_u32Pings.load(); }
void S_SHARE_vCountPing(void) { s_u32Pings++; }
BOOLEAN S_SHARE_bRaiseHistoryUpdate(void) { return !s_bHistoryUpdate.exchange(TRUE); }
void S_SHARE_vClearHistoryUpdate(void) { s_bHistoryUpdate.store(FALSE); }
