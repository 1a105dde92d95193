// Builders of the co-processor's transmit command. A command is written
// whole, zeros included, so the same arguments give the same bytes and the
// CRC covers everything the co-processor reads.

#include "s_coproc.h"

#include <string.h>

#include "u_crc16.h"

static void COPROC_vPut16(MULTI_TX* pTx, U32 at, U16 value) {
  pTx->au8Bytes[at] = (U8)value;
  pTx->au8Bytes[at + 1] = (U8)(value >> 8);
}

static void COPROC_vPut32(MULTI_TX* pTx, U32 at, U32 value) {
  COPROC_vPut16(pTx, at, (U16)value);
  COPROC_vPut16(pTx, at + 2, (U16)(value >> 16));
}

static U16 COPROC_u16Get16(const MULTI_TX* pTx, U32 at) {
  return (U16)(pTx->au8Bytes[at] | pTx->au8Bytes[at + 1] << 8);
}

static U32 COPROC_u32Get32(const MULTI_TX* pTx, U32 at) {
  return COPROC_u16Get16(pTx, at) | (U32)COPROC_u16Get16(pTx, at + 2) << 16;
}

static U16 COPROC_u16Crc(const MULTI_TX* pTx) {
  U16 crc = 0;
  U_CRC16_vCrc16(&crc, pTx->au8Bytes, S_COPROC_AT_CRC, TRUE);
  return crc;
}

static U32 COPROC_u32ClampSamples(U32 n) {
  if (n < 1) return 1;
  return n > S_COPROC_MAX_ECHO_SAMPLES ? S_COPROC_MAX_ECHO_SAMPLES : n;
}

static void COPROC_vBuild(MULTI_TX* pTx, const S_COPROC_TX_FIELDS* f) {
  memset(pTx->au8Bytes, 0, sizeof pTx->au8Bytes);
  pTx->au8Bytes[S_COPROC_AT_VERSION] = S_COPROC_VERSION;
  pTx->au8Bytes[S_COPROC_AT_KIND] = f->u8Kind;
  pTx->au8Bytes[S_COPROC_AT_BEAM] = f->u8Beam;
  pTx->au8Bytes[S_COPROC_AT_RECEIVER] = f->u8Receiver;
  pTx->au8Bytes[S_COPROC_AT_CYCLES] = f->u8Cycles;
  pTx->au8Bytes[S_COPROC_AT_POWER] = f->u8Power > TXPOWER_HIGH ? (U8)TXPOWER_HIGH : f->u8Power;
  pTx->au8Bytes[S_COPROC_AT_FLAGS] = f->u8Flags;
  pTx->au8Bytes[S_COPROC_AT_BASEBAND] = f->u8BasebandPower;
  COPROC_vPut16(pTx, S_COPROC_AT_BANDWIDTH, f->u16Bandwidth);
  COPROC_vPut16(pTx, S_COPROC_AT_START_KHZ, f->u16StartKHz);
  COPROC_vPut16(pTx, S_COPROC_AT_END_KHZ, f->u16EndKHz);
  COPROC_vPut16(pTx, S_COPROC_AT_PERIOD_US, (U16)S_COPROC_SAMPLE_PERIOD_US);
  COPROC_vPut32(pTx, S_COPROC_AT_ECHO_SAMPLES, COPROC_u32ClampSamples(f->u32EchoSamples));
  COPROC_vPut16(pTx, S_COPROC_AT_NOISE_SAMPLES, (U16)S_COPROC_NOISE_SAMPLES);
  COPROC_vPut16(pTx, S_COPROC_AT_CRC, COPROC_u16Crc(pTx));
}

void S_COPROC_vBuildSingleBeamSSPing455kHzLR(MULTI_TX* pTx, BEAM eBeam, U8 u8TransmitCycles, TXPOWER ePower,
                                             U16 u16Bandwidth, U32 u32NumberOfSamples, U16 u16FrequencyKHz,
                                             BOOLEAN bNoTransmit) {
  S_COPROC_TX_FIELDS f = {};
  f.u8Kind = S_COPROC_KIND_SINGLE_SIDE;
  f.u8Beam = (U8)eBeam;
  f.u8Receiver = eBeam == BEAM_IMAGING_LEFT ? 1 : (eBeam == BEAM_IMAGING_RIGHT || eBeam == BEAM_IMAGING_DOWN) ? 2 : 0;
  f.u8Cycles = u8TransmitCycles;
  f.u8Power = (U8)ePower;
  f.u8Flags = bNoTransmit ? S_COPROC_FLAG_NO_TRANSMIT : 0;
  f.u16Bandwidth = u16Bandwidth;
  f.u16StartKHz = u16FrequencyKHz;
  f.u16EndKHz = u16FrequencyKHz;
  f.u32EchoSamples = u32NumberOfSamples;
  COPROC_vBuild(pTx, &f);
}

void S_COPROC_vBuildTxSequenceForSingleDown(MULTI_TX* pTx, U8 u8TransmitCycles, TXPOWER ePower, U16 u16Bandwidth,
                                            U32 u32NumberOfSamples, U16 u16FrequencyKHz, U8 u8Receiver,
                                            BOOLEAN bNoTransmit, U8 u8BasebandPower, U16 u16EndFrequencyKHz) {
  S_COPROC_TX_FIELDS f = {};
  f.u8Kind = S_COPROC_KIND_SINGLE_DOWN;
  f.u8Beam = S_COPROC_NO_BEAM;
  f.u8Receiver = u8Receiver < S_COPROC_CHANNELS ? u8Receiver : 0;
  f.u8Cycles = u8TransmitCycles;
  f.u8Power = (U8)ePower;
  f.u8Flags = bNoTransmit ? S_COPROC_FLAG_NO_TRANSMIT : 0;
  f.u8BasebandPower = u8BasebandPower;
  f.u16Bandwidth = u16Bandwidth;
  f.u16StartKHz = u16FrequencyKHz;
  f.u16EndKHz = u16EndFrequencyKHz;
  f.u32EchoSamples = u32NumberOfSamples;
  COPROC_vBuild(pTx, &f);
}

BOOLEAN S_COPROC_bDecode(const MULTI_TX* pTx, S_COPROC_TX_FIELDS* pFields) {
  if (COPROC_u16Get16(pTx, S_COPROC_AT_CRC) != COPROC_u16Crc(pTx)) return FALSE;
  S_COPROC_TX_FIELDS f;
  f.u8Version = pTx->au8Bytes[S_COPROC_AT_VERSION];
  f.u8Kind = pTx->au8Bytes[S_COPROC_AT_KIND];
  f.u8Beam = pTx->au8Bytes[S_COPROC_AT_BEAM];
  f.u8Receiver = pTx->au8Bytes[S_COPROC_AT_RECEIVER];
  f.u8Cycles = pTx->au8Bytes[S_COPROC_AT_CYCLES];
  f.u8Power = pTx->au8Bytes[S_COPROC_AT_POWER];
  f.u8Flags = pTx->au8Bytes[S_COPROC_AT_FLAGS];
  f.u8BasebandPower = pTx->au8Bytes[S_COPROC_AT_BASEBAND];
  f.u16Bandwidth = COPROC_u16Get16(pTx, S_COPROC_AT_BANDWIDTH);
  f.u16StartKHz = COPROC_u16Get16(pTx, S_COPROC_AT_START_KHZ);
  f.u16EndKHz = COPROC_u16Get16(pTx, S_COPROC_AT_END_KHZ);
  f.u16SamplePeriodUs = COPROC_u16Get16(pTx, S_COPROC_AT_PERIOD_US);
  f.u32EchoSamples = COPROC_u32Get32(pTx, S_COPROC_AT_ECHO_SAMPLES);
  f.u16NoiseSamples = COPROC_u16Get16(pTx, S_COPROC_AT_NOISE_SAMPLES);
  if (f.u8Version != S_COPROC_VERSION) return FALSE;
  if (f.u8Kind != S_COPROC_KIND_SINGLE_DOWN && f.u8Kind != S_COPROC_KIND_SINGLE_SIDE) return FALSE;
  if (f.u8Receiver >= S_COPROC_CHANNELS) return FALSE;
  if (f.u32EchoSamples < 1 || f.u32EchoSamples > S_COPROC_MAX_ECHO_SAMPLES) return FALSE;
  if (pFields != nullptr) *pFields = f;
  return TRUE;
}

U32 S_COPROC_u32BlockBytes(U32 u32EchoSamples) {
  return S_COPROC_HEADER_BYTES + S_COPROC_CHANNELS * (S_COPROC_NOISE_SAMPLES + u32EchoSamples);
}
