// What one ping says: its noise floor, the bottom, the display range it asks
// for, and its column of colour levels. Plain functions over sample arrays,
// so the process task, the transducer detection and the benchmarks share
// them.
#pragma once

#include "basetypes.h"

// No bottom is reported shallower than this sample (0.95 m): the transmit
// pulse rings until then.
constexpr U32 S_BOTTOM_BLANKING_SAMPLES = 50;
// Samples a bottom must hold above a quarter of its peak (15 cm).
constexpr U32 S_BOTTOM_PERSISTENCE = 8;
// A peak must stand this far above the noise floor to be anything at all.
constexpr U32 S_BOTTOM_MIN_PEAK = 40;
constexpr U32 S_BOTTOM_ROWS = 480;
constexpr U32 S_BOTTOM_LEVELS = 32;
constexpr float S_BOTTOM_FIRST_RANGE_M = 30.0f;
constexpr float S_BOTTOM_MIN_FIXED_RANGE_M = 2.0f;
constexpr float S_BOTTOM_MAX_RANGE_M = 300.0f;

// Mean of the samples, rounded; 0 for none.
U8 S_BOTTOM_u8NoiseFloor(const U8* pu8Noise, U32 u32Count);
// The sample where the bottom starts: the first from the blanking on that
// reaches half-way from the floor to the strongest echo and stays above a
// quarter of the way for eight samples. A return already under way at the
// blanking is skipped. -1 when the strongest echo is weak, nothing holds, or
// what holds is the double echo of a bottom inside the blanking.
S32 S_BOTTOM_s32FindBottom(const U8* pu8Echo, U32 u32Count, U8 u8NoiseFloor);
// Metres below the transducer of an echo sample.
float S_BOTTOM_fSampleToMetres(S32 s32Sample);

// The automatic range of one beam.
struct S_BOTTOM_RANGE {
  float fRangeM;
  U32 u32ShallowerPings;  // pings in a row under 0.7 of the step below the range
  U32 u32MissedPings;     // pings in a row without a bottom
  BOOLEAN bJump;          // the next bottom sets the range at once (start, search)
};

void S_BOTTOM_vStartRange(S_BOTTOM_RANGE* pRange);
// The range after a ping: bFound with the depth below the transducer, or no
// bottom. fFixedM above 0 is the user's fixed range (clamped to 2..300 m).
float S_BOTTOM_fNextRange(S_BOTTOM_RANGE* pRange, BOOLEAN bFound, float fDepthM, float fFixedM);
// The smallest range step that shows fDepthM with a fifth to spare (300 at most).
float S_BOTTOM_fTargetRange(float fDepthM);

// One column of 480 rows covering 0..fRangeM, top first: a row takes the
// strongest sample within its depths (the nearest one when it holds none),
// lifted above the floor with the sensitivity (1..20, 10 = x2) and cut to 32
// levels. Rows past the last sample are 0.
void S_BOTTOM_vMakeColumn(const U8* pu8Echo, U32 u32Count, U8 u8NoiseFloor, float fRangeM, U32 u32Sensitivity,
                          U8 au8Levels[S_BOTTOM_ROWS]);

// The median of the last three depths; of two their mean; of one itself.
float S_BOTTOM_fSmooth(const float* pfDepths, U32 u32Count);
