// The transmit command the sonar co-processor takes and the sample block it
// answers with. Nobody else fixes the layout, so it is fixed here: a 247-byte
// little-endian command closed by a CRC-16, echoed at the head of a block of
// three interleaved receiver channels.
#pragma once

#include "basetypes.h"

// The beams of the sonar. Only the two down-looking 2D beams are pinged; the
// others keep their numbers for the factory test's side-beam commands.
enum sonarBeamEnum : U32 {
  BEAM_DOWN_0 = 0,        // 2D, 200 kHz, narrow
  BEAM_DOWN_1 = 1,        // 2D, 83 kHz, wide
  BEAM_IMAGING_LEFT = 2,
  BEAM_IMAGING_RIGHT = 3,
  BEAM_IMAGING_DOWN = 4,
  NUMBER_OF_BEAMS = 5,
};
typedef sonarBeamEnum BEAM;

// Transmit power; a larger value counts as full power.
enum TXPOWER : U8 { TXPOWER_OFF = 0, TXPOWER_LOW = 1, TXPOWER_MEDIUM = 2, TXPOWER_HIGH = 3 };

constexpr U32 S_COPROC_TX_BYTES = 247;
constexpr U32 S_COPROC_STATUS_BYTES = 4;
constexpr U32 S_COPROC_HEADER_BYTES = S_COPROC_TX_BYTES + S_COPROC_STATUS_BYTES;
constexpr U32 S_COPROC_BLOCK_BYTES = 99251;
constexpr U32 S_COPROC_CHANNELS = 3;
constexpr U32 S_COPROC_NOISE_SAMPLES = 50;
constexpr U32 S_COPROC_MAX_ECHO_SAMPLES = 32950;
constexpr U32 S_COPROC_SAMPLE_PERIOD_US = 26;
constexpr U32 S_SONAR_US_PER_FOOT = 416;
// Depth of one echo sample: 26 us of two-way travel at 416 us a foot.
constexpr double S_SONAR_METRES_PER_SAMPLE = S_COPROC_SAMPLE_PERIOD_US * 0.3048 / S_SONAR_US_PER_FOOT;

struct tag_MULTI_TX {
  U8 au8Bytes[S_COPROC_TX_BYTES];
};
typedef tag_MULTI_TX MULTI_TX;
// The command as the co-processor echoes it at the head of a block.
typedef MULTI_TX TX_SEQUENCE;

// The command's fields, offsets in bytes.
enum S_COPROC_FIELD : U32 {
  S_COPROC_AT_VERSION = 0,
  S_COPROC_AT_KIND = 1,
  S_COPROC_AT_BEAM = 2,
  S_COPROC_AT_RECEIVER = 3,
  S_COPROC_AT_CYCLES = 4,
  S_COPROC_AT_POWER = 5,
  S_COPROC_AT_FLAGS = 6,
  S_COPROC_AT_BASEBAND = 7,
  S_COPROC_AT_BANDWIDTH = 8,
  S_COPROC_AT_START_KHZ = 10,
  S_COPROC_AT_END_KHZ = 12,
  S_COPROC_AT_PERIOD_US = 14,
  S_COPROC_AT_ECHO_SAMPLES = 16,
  S_COPROC_AT_NOISE_SAMPLES = 20,
  S_COPROC_AT_CRC = 245,
};

constexpr U8 S_COPROC_VERSION = 1;
constexpr U8 S_COPROC_KIND_SINGLE_DOWN = 1;
constexpr U8 S_COPROC_KIND_SINGLE_SIDE = 2;
constexpr U8 S_COPROC_FLAG_NO_TRANSMIT = 0x01;
constexpr U8 S_COPROC_NO_BEAM = 0xFF;

// The block's status byte (after the echoed command) and its layout.
constexpr U32 S_COPROC_AT_STATUS = S_COPROC_TX_BYTES;
constexpr U32 S_COPROC_AT_CHANNEL_COUNT = S_COPROC_TX_BYTES + 1;
constexpr U32 S_COPROC_AT_TRIPLES = S_COPROC_TX_BYTES + 2;
constexpr U8 S_COPROC_STATUS_PRESENT = 0x01;
constexpr U8 S_COPROC_STATUS_CUT = 0x02;

// A command taken apart.
struct S_COPROC_TX_FIELDS {
  U8 u8Version;
  U8 u8Kind;
  U8 u8Beam;
  U8 u8Receiver;
  U8 u8Cycles;
  U8 u8Power;
  U8 u8Flags;
  U8 u8BasebandPower;
  U16 u16Bandwidth;
  U16 u16StartKHz;
  U16 u16EndKHz;
  U16 u16SamplePeriodUs;
  U32 u32EchoSamples;
  U16 u16NoiseSamples;
};

// A single side-looking beam at one frequency. The receiver follows the
// beam (1 for beam 2, 2 for beams 3 and 4, else 0); N is clamped to
// 1..32,950. Every byte of *pTx is written.
void S_COPROC_vBuildSingleBeamSSPing455kHzLR(MULTI_TX* pTx, BEAM eBeam, U8 u8TransmitCycles, TXPOWER ePower,
                                             U16 u16Bandwidth, U32 u32NumberOfSamples, U16 u16FrequencyKHz,
                                             BOOLEAN bNoTransmit);
// One down-looking ping, possibly swept from the start to the end
// frequency. N is clamped to 1..32,950; a receiver above 2 becomes 0. Every
// byte of *pTx is written.
void S_COPROC_vBuildTxSequenceForSingleDown(MULTI_TX* pTx, U8 u8TransmitCycles, TXPOWER ePower, U16 u16Bandwidth,
                                            U32 u32NumberOfSamples, U16 u16FrequencyKHz, U8 u8Receiver,
                                            BOOLEAN bNoTransmit, U8 u8BasebandPower, U16 u16EndFrequencyKHz);

// Takes a command apart. FALSE when the co-processor would refuse it: a CRC
// that does not hold, an unknown version or kind, a receiver above 2, or N
// outside 1..32,950.
BOOLEAN S_COPROC_bDecode(const MULTI_TX* pTx, S_COPROC_TX_FIELDS* pFields);
// Bytes of the block that answers a command of N echo samples.
U32 S_COPROC_u32BlockBytes(U32 u32EchoSamples);
