// Splitting a co-processor sample block: the echoed command at its head, and
// one receiver channel out of the three interleaved ones.
#pragma once

#include "basetypes.h"
#include "s_coproc.h"

// Copies the echoed command into *pTxSequence and points *ppu8Samples at the
// first sample triple. Always TRUE: the block is taken as it came.
BOOLEAN S_DEMULTIPLEX_bExtractTxSequence(const U8* pu8Block, TX_SEQUENCE* pTxSequence, const U8** ppu8Samples);
// De-interleaves channel u32Channel (0..2): the first u32NoiseSamples triples
// into pu8NoiseOut, the next u32EchoSamples into pu8EchoOut. A channel above
// 2 writes nothing; a null output is skipped. The caller sizes the samples
// for (noise + echo) triples.
void S_DEMULTIPLEX_vGetExtractRxData(const U8* pu8Samples, U32 u32Channel, U32 u32NoiseSamples, U32 u32EchoSamples,
                                     U8* pu8NoiseOut, U8* pu8EchoOut);
