// The bottom is the first strong return that lasts: fish are shorter, the
// double echo lies deeper, the transmit pulse ends before the blanking. Each
// step is one pass over the samples.

#include "s_bottom.h"

#include <math.h>

#include "s_coproc.h"

U8 S_BOTTOM_u8NoiseFloor(const U8* pu8Noise, U32 u32Count) {
  if (u32Count == 0) return 0;
  U32 sum = 0;
  for (U32 i = 0; i < u32Count; i++) sum += pu8Noise[i];
  return (U8)((sum + u32Count / 2) / u32Count);
}

// A bottom inside the blanking still sends its double echo past it, at
// twice its depth; the second trip costs it at least half its strength. So
// a return at i with one at least twice as strong around i / 2, inside the
// blanking, is that echo: there is no bottom to report.
static BOOLEAN BOTTOM_bDoubleEcho(const U8* pu8Echo, U32 i, U32 u32NoiseFloor) {
  const U32 half = i / 2;
  if (half >= S_BOTTOM_BLANKING_SAMPLES) return FALSE;
  U32 echo = 0, first = 0;
  for (U32 k = 0; k < S_BOTTOM_PERSISTENCE; k++) echo = pu8Echo[i + k] > echo ? pu8Echo[i + k] : echo;
  for (U32 k = half >= 2 ? half - 2 : 0; k <= half + 2; k++) first = pu8Echo[k] > first ? pu8Echo[k] : first;
  return first > u32NoiseFloor && first - u32NoiseFloor >= 2 * (echo - u32NoiseFloor);
}

S32 S_BOTTOM_s32FindBottom(const U8* pu8Echo, U32 u32Count, U8 u8NoiseFloor) {
  const U32 b = S_BOTTOM_BLANKING_SAMPLES;
  if (u32Count <= b) return -1;
  U32 peak = 0;
  for (U32 i = b; i < u32Count; i++) peak = pu8Echo[i] > peak ? pu8Echo[i] : peak;
  const U32 nf = u8NoiseFloor;
  if (peak < nf + S_BOTTOM_MIN_PEAK) return -1;
  const U32 threshold = nf + (peak - nf) / 2;
  const U32 hold = nf + (peak - nf) / 4;
  U32 i = b;
  // A return that began inside the blanking is something shallower than the
  // blanking allows: skip its rest.
  while (i < u32Count && pu8Echo[i - 1] >= threshold && pu8Echo[i] >= threshold) i++;
  for (; i + S_BOTTOM_PERSISTENCE <= u32Count; i++) {
    if (pu8Echo[i] < threshold) continue;
    U32 k = 1;
    while (k < S_BOTTOM_PERSISTENCE && pu8Echo[i + k] >= hold) k++;
    if (k == S_BOTTOM_PERSISTENCE) return BOTTOM_bDoubleEcho(pu8Echo, i, nf) ? -1 : (S32)i;
    i += k - 1;  // no start before the sample that broke the hold can last either
  }
  return -1;
}

float S_BOTTOM_fSampleToMetres(S32 s32Sample) { return (float)(s32Sample * S_SONAR_METRES_PER_SAMPLE); }

// ---------------------------------------------------------------------------
// Range

static const float s_afRangeSteps[] = {3, 5, 8, 10, 15, 20, 30, 40, 50, 60, 80, 100, 150, 200, 300};
constexpr U32 BOTTOM_RANGE_STEPS = sizeof s_afRangeSteps / sizeof s_afRangeSteps[0];
constexpr U32 BOTTOM_PINGS_BEFORE_DOWN = 20;
constexpr U32 BOTTOM_MISSES_BEFORE_SEARCH = 3;
constexpr float BOTTOM_DOWN_SHARE = 0.7f;

void S_BOTTOM_vStartRange(S_BOTTOM_RANGE* pRange) { *pRange = S_BOTTOM_RANGE{S_BOTTOM_FIRST_RANGE_M, 0, 0, TRUE}; }

float S_BOTTOM_fTargetRange(float fDepthM) {
  for (float step : s_afRangeSteps) {
    if (step >= 1.2f * fDepthM) return step;
  }
  return S_BOTTOM_MAX_RANGE_M;
}

static float BOTTOM_fStepUp(float fRangeM) {
  for (U32 i = 0; i < BOTTOM_RANGE_STEPS; i++) {
    if (s_afRangeSteps[i] > fRangeM) return s_afRangeSteps[i];
  }
  return s_afRangeSteps[0];
}

// The largest step below the range; 0 below the smallest.
static float BOTTOM_fStepDown(float fRangeM) {
  float below = 0;
  for (U32 i = 0; i < BOTTOM_RANGE_STEPS && s_afRangeSteps[i] < fRangeM; i++) below = s_afRangeSteps[i];
  return below;
}

float S_BOTTOM_fNextRange(S_BOTTOM_RANGE* r, BOOLEAN bFound, float fDepthM, float fFixedM) {
  if (fFixedM > 0) {
    r->fRangeM = fminf(S_BOTTOM_MAX_RANGE_M, fmaxf(S_BOTTOM_MIN_FIXED_RANGE_M, fFixedM));
    r->u32ShallowerPings = 0;
    r->u32MissedPings = 0;
    r->bJump = TRUE;
    return r->fRangeM;
  }
  if (!bFound) {
    r->u32ShallowerPings = 0;
    if (++r->u32MissedPings >= BOTTOM_MISSES_BEFORE_SEARCH) {
      r->u32MissedPings = 0;
      r->fRangeM = BOTTOM_fStepUp(r->fRangeM);
      r->bJump = TRUE;
    }
    return r->fRangeM;
  }
  r->u32MissedPings = 0;
  const float target = S_BOTTOM_fTargetRange(fDepthM);
  if (r->bJump || fDepthM > 0.85f * r->fRangeM) {
    r->fRangeM = target;
    r->bJump = FALSE;
    r->u32ShallowerPings = 0;
  } else if (fDepthM < BOTTOM_DOWN_SHARE * BOTTOM_fStepDown(r->fRangeM)) {
    // Down only well clear of the smaller step's edge, where the up rule
    // would send it straight back: a bottom wavering about an edge would
    // otherwise switch to and fro, each switch a cliff in the picture.
    if (++r->u32ShallowerPings >= BOTTOM_PINGS_BEFORE_DOWN) {
      r->fRangeM = target;
      r->u32ShallowerPings = 0;
    }
  } else {
    r->u32ShallowerPings = 0;
  }
  return r->fRangeM;
}

// ---------------------------------------------------------------------------
// Column

void S_BOTTOM_vMakeColumn(const U8* pu8Echo, U32 u32Count, U8 u8NoiseFloor, float fRangeM, U32 u32Sensitivity,
                          U8 au8Levels[S_BOTTOM_ROWS]) {
  const double samplesPerRow = fRangeM / (double)S_BOTTOM_ROWS / S_SONAR_METRES_PER_SAMPLE;
  const S32 nf = u8NoiseFloor;
  const S32 gain = (S32)u32Sensitivity;
  U32 first = 0;  // the row's first sample: the first at or below its top
  for (U32 r = 0; r < S_BOTTOM_ROWS; r++) {
    const U32 next = (U32)ceil((r + 1) * samplesPerRow);
    U32 amplitude = 0;
    if (first < next) {
      const U32 end = next < u32Count ? next : u32Count;
      for (U32 i = first; i < end; i++) amplitude = pu8Echo[i] > amplitude ? pu8Echo[i] : amplitude;
      if (first >= u32Count) amplitude = nf;
    } else {
      const U32 nearest = (U32)lround((r + 0.5) * samplesPerRow);
      amplitude = nearest < u32Count ? pu8Echo[nearest] : nf;
    }
    S32 lifted = ((S32)amplitude - nf) * 2 * gain / 10;
    lifted = lifted < 0 ? 0 : lifted > 255 ? 255 : lifted;
    au8Levels[r] = (U8)(lifted >> 3);
    first = next;
  }
}

float S_BOTTOM_fSmooth(const float* pfDepths, U32 u32Count) {
  if (u32Count == 0) return 0;
  if (u32Count == 1) return pfDepths[0];
  if (u32Count == 2) return (pfDepths[0] + pfDepths[1]) / 2;
  float a = pfDepths[0], b = pfDepths[1], c = pfDepths[2];
  return fmaxf(fminf(a, b), fminf(fmaxf(a, b), c));
}
