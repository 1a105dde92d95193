// The block holds its channels interleaved sample by sample, as the
// co-processor's three receivers deliver them.

#include "s_demultiplex.h"

#include <string.h>

BOOLEAN S_DEMULTIPLEX_bExtractTxSequence(const U8* pu8Block, TX_SEQUENCE* pTxSequence, const U8** ppu8Samples) {
  memcpy(pTxSequence->au8Bytes, pu8Block, S_COPROC_TX_BYTES);
  *ppu8Samples = pu8Block + S_COPROC_HEADER_BYTES;
  return TRUE;
}

static void DEMULTIPLEX_vTake(const U8* pu8From, U32 u32Count, U8* pu8Out) {
  for (U32 k = 0; k < u32Count; k++) pu8Out[k] = pu8From[S_COPROC_CHANNELS * k];
}

void S_DEMULTIPLEX_vGetExtractRxData(const U8* pu8Samples, U32 u32Channel, U32 u32NoiseSamples, U32 u32EchoSamples,
                                     U8* pu8NoiseOut, U8* pu8EchoOut) {
  if (u32Channel >= S_COPROC_CHANNELS) return;
  const U8* from = pu8Samples + u32Channel;
  if (pu8NoiseOut != nullptr) DEMULTIPLEX_vTake(from, u32NoiseSamples, pu8NoiseOut);
  if (pu8EchoOut != nullptr) DEMULTIPLEX_vTake(from + S_COPROC_CHANNELS * u32NoiseSamples, u32EchoSamples, pu8EchoOut);
}
