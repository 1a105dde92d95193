// Integer navigation maths and the chart geometry: table sines, heading
// sums, the distance threshold test, the Mercator-to-pixel projections of
// the plan (chart) and perspective (highway) views with the clipping that
// keeps their integer products in range, the ground scale by latitude, and
// position text in the three notations a user can choose, and the ring of
// steps that holds a track.
//
// The projections must give the same pixel for the same metres on every
// call: overlays rely on equal positions meeting on screen.
#pragma once

#include "basetypes.h"
#include "g_types.h"
#include "gp_rotate.h"
#include "h_database.h"

// ---- Integer trigonometry and headings ----

// sin of whole degrees x 65,536; any angle.
S32 U_NAV_nIntSin(S32 nAngle);
S32 U_NAV_nIntCos(S32 nAngle);
// Index of the highest set bit of |n|; 0 for 0 and 1.
S32 U_NAV_nIntLog2(S32 n);
// Whether the vector ptMM is no longer than nThresholdMM, in integers only.
BOOLEAN U_NAV_bDistanceLessThanOrEqual(POINT ptMM, S32 nThresholdMM);
// nHeading1 - nHeading2 in [-179, 180].
S16 U_NAV_nHeadingDiff(U16 nHeading1, U16 nHeading2);
// nHeading + nOffset in [0, 359].
U16 U_NAV_nHeadingSum(U16 nHeading, S16 nOffset);

// round(sin(i degrees) x 65,536) for i = 0..90 (generated at build time).
constexpr int U_NAV_SIN_ENTRIES = 91;
extern const S32 anSinTable[U_NAV_SIN_ENTRIES];

// ---- Ground scale ----

// Mercator metres spanned by one ground metre, x 1,024, by bands of 65,536
// Mercator metres of y from the equator (generated at build time).
constexpr int U_NAV_SCALING_ENTRIES = 256;
extern const U16 au16ScalingMMPerKm[U_NAV_SCALING_ENTRIES];
// The entry for Mercator y; beyond the table, its last entry.
U16 U_NAV_u16ScalingMMPerKm(S32 nLatMM);

// ---- Views ----

// One chart or highway frame being drawn; a local of the view's draw
// function, handed to every overlay.
typedef struct tag_NAV_VIEW_INFO {
  BITMAP* pBitmap;
  GR_CONTEXT GrContext;
  POINT ptBoatMM;
  float fBoatHeading;
  POINT ptCenterMM;     // drawn at CenterOffset: the boat, or the cursor
  POINT CenterOffset;   // bitmap pixel, y up
  float fHeading;       // the heading the view is turned by
  S32 nChartRotation;   // whole degrees 0..359, 0 north up
  GP_ROTCONTEXT RotContext;
  S32 nWindowWidth;
  S32 nWindowHeight;
  S32 nChartScale;      // zoom 9..23
  S32 nPixelsPerMMM;    // pixels per Mercator metre x 2^20
  S32 nEyeOffsetMM;     // highway: eye distance behind the boat
  S32 nHorizonMM;       // highway: horizon distance
  BOOLEAN bCursorActive;
  BOOLEAN bOldEyes;
} NAV_VIEW_INFO;

// Points further than this many pixels' worth (x 2^20) from the centre are
// clipped or skipped before the plan projection.
constexpr S32 U_NAV_CLIP_PIXELS_X_SCALE = 838860800;
constexpr S32 U_NAV_HIGHWAY_UNIT = 65536;

// 64-bit arithmetic that wraps instead of overflowing, and a cut to 32 bits:
// clipped input gives the pixels that 32-bit products would, anything else a
// wrong pixel rather than undefined behaviour.
inline S64 U_NAV_s64WrapMul(S64 a, S64 b) { return (S64)((U64)a * (U64)b); }
inline S64 U_NAV_s64WrapAdd(S64 a, S64 b) { return (S64)((U64)a + (U64)b); }
inline S32 U_NAV_s32Cut(S64 v) { return (S32)(U32)(U64)v; }

// n / d rounded half away from zero, for d > 0. Below 2^52 a double's
// quotient lies within one of the truncated one and the remainder sets it
// right: a 64-bit division costs several times as much, and on the board it
// is a library call. The highway divides twice for every point it places.
inline S64 U_NAV_s64RoundedDivide(S64 n, S64 d) {
  constexpr S64 EXACT = (S64)1 << 52;
  S64 q = 0, r = 0;
  if (n > -EXACT && n < EXACT && d < EXACT) {
    q = (S64)((double)n / (double)d);
    r = n - q * d;
    if (n >= 0 && r < 0) {
      q--;
      r += d;
    } else if (n >= 0 && r >= d) {
      q++;
      r -= d;
    } else if (n < 0 && r > 0) {
      q++;
      r -= d;
    } else if (n < 0 && r <= -d) {
      q--;
      r += d;
    }
  } else {
    q = n / d;
    r = n % d;
  }
  if (2 * (r < 0 ? -r : r) >= d) q += n < 0 ? -1 : 1;
  return q;
}

// The turn of the plan projection alone, with the context's 1,024-scaled
// sine and cosine. pIn and pOut may be the same point.
inline void U_NAV_vRotatePoint(const GP_ROTCONTEXT* pRotContext, const POINT* pIn, POINT* pOut) {
  const S64 c = pRotContext->IntCosAngle, s = pRotContext->IntSinAngle, x = pIn->x, y = pIn->y;
  pOut->x = U_NAV_s32Cut(U_NAV_s64WrapAdd(U_NAV_s64WrapAdd(U_NAV_s64WrapMul(c, x), U_NAV_s64WrapMul(-s, y)), 512) >> 10);
  pOut->y = U_NAV_s32Cut(U_NAV_s64WrapAdd(U_NAV_s64WrapAdd(U_NAV_s64WrapMul(c, y), U_NAV_s64WrapMul(s, x)), 512) >> 10);
}

// Plan view, in place: a position relative to the view centre (Mercator
// metres) to its bitmap pixel, turned by pRotContext when given, rounded to
// the nearest pixel. Beyond 65,536 the factor is divided by 16 and the point
// multiplied by 16, keeping precision in the turn. Inline: every vertex of
// every overlay passes here.
inline void U_NAV_vConvertMMToPixel(POINT* pPoint, const GP_ROTCONTEXT* pRotContext, const POINT* pCenterOffset,
                                    S32 nPixelsPerMMM) {
  POINT p = *pPoint;
  S32 factor = nPixelsPerMMM;
  if (factor > 65536) {
    p.x = U_NAV_s32Cut((S64)p.x * 16);
    p.y = U_NAV_s32Cut((S64)p.y * 16);
    factor >>= 4;
  }
  if (pRotContext != nullptr) U_NAV_vRotatePoint(pRotContext, &p, &p);
  pPoint->x = U_NAV_s32Cut(
      U_NAV_s64WrapAdd(U_NAV_s32Cut(U_NAV_s64WrapAdd(U_NAV_s64WrapMul(p.x, factor), 0x80000) >> 20), pCenterOffset->x));
  pPoint->y = U_NAV_s32Cut(
      U_NAV_s64WrapAdd(U_NAV_s32Cut(U_NAV_s64WrapAdd(U_NAV_s64WrapMul(p.y, factor), 0x80000) >> 20), pCenterOffset->y));
}
void U_NAV_vConvertMMToPixelNoRotation(POINT* pPoint, const POINT* pCenterOffset, S32 nPixelsPerMMM);
// Highway view, in place: a position relative to the boat, nAltitude above
// the ground, seen from nEyeOffsetMM behind the boat and half that above the
// ground. A point at or behind the eye becomes (0, 0): callers clip first.
void U_NAV_vConvertMMToHighwayViewPixel(POINT* pPoint, S32 nAltitude, const GP_ROTCONTEXT* pRotContext,
                                        const POINT* pCenterOffset, S32 nPixelsPerMMM, S32 nEyeOffsetMM);
// The pixels that every ground point in the box [ptLow, ptHigh] (relative to
// the view's centre, at sea level) falls on in the highway view lie within
// [*pptLow, *pptHigh]; FALSE when some point may lie at or behind the eye.
// Good only where no product overflows: for points in the view's reach.
BOOLEAN U_NAV_bHighwayViewPixelBox(POINT ptLow, POINT ptHigh, const GP_ROTCONTEXT* pRotContext,
                                   const POINT* pCenterOffset, S32 nPixelsPerMMM, S32 nEyeOffsetMM, POINT* pptLow,
                                   POINT* pptHigh);
// The quotients that place a pixel offset's ground, kept for the offsets
// of a screen and one factor: a frame's thousands of dots then find the
// ground near them without the four divisions each (library calls on the
// board) that U_NAV_vHighwayNear would make.
constexpr S32 U_NAV_HIGHWAY_KEPT_OFFSETS = 1032;
typedef struct tag_U_NAV_HIGHWAY_QUOTIENTS {
  S32 nFactor;  // 0: nothing kept yet
  S64 as64Quotient[2 * U_NAV_HIGHWAY_KEPT_OFFSETS + 1];
} U_NAV_HIGHWAY_QUOTIENTS;
// The highway projection of sea-level points, laid out for the many points
// of one view: a point is turned first (scaled as the projection scales it)
// and given its pixel after, so that between the two it can be tested
// against the ground that lies near a pixel without dividing. The pixels are
// those of U_NAV_vConvertMMToHighwayViewPixel at altitude 0.
typedef struct tag_U_NAV_HIGHWAY {
  GP_ROTCONTEXT rot;
  S32 nEye;     // scaled with the point
  S32 nFactor;  // divided by 16 where the point is scaled
  BOOLEAN bScaled;
  POINT ptCenterOffset;
  const U_NAV_HIGHWAY_QUOTIENTS* pKept;  // for this factor, or none
} U_NAV_HIGHWAY;
void U_NAV_vHighwayPrepare(U_NAV_HIGHWAY* pHighway, const GP_ROTCONTEXT* pRotContext, const POINT* pCenterOffset,
                           S32 nPixelsPerMMM, S32 nEyeOffsetMM);
// Makes pKept hold the quotients of the prepared view's factor, filling it
// anew where it held another's, and has the view use them.
void U_NAV_vHighwayKeepQuotients(U_NAV_HIGHWAY* pHighway, U_NAV_HIGHWAY_QUOTIENTS* pKept);
inline POINT U_NAV_ptHighwayTurned(const U_NAV_HIGHWAY* pHighway, POINT ptRelative) {
  if (pHighway->bScaled) {
    ptRelative.x = U_NAV_s32Cut((S64)ptRelative.x * 16);
    ptRelative.y = U_NAV_s32Cut((S64)ptRelative.y * 16);
  }
  U_NAV_vRotatePoint(&pHighway->rot, &ptRelative, &ptRelative);
  return ptRelative;
}
// A turned point's pixel; (0, 0) at or behind the eye.
POINT U_NAV_ptHighwayPixel(const U_NAV_HIGHWAY* pHighway, POINT ptTurned);

// Turned points whose pixels surely lie within nReach of a pixel on both
// axes: the bounds of the two rounded quotients that place them there, as
// multiples of the point's depth before the eye. A point that passes is
// near; one that fails may be near too, by rounding, or lie where the
// bounds would overflow.
typedef struct tag_U_NAV_HIGHWAY_NEAR {
  S64 s64XLow, s64XHigh, s64YLow, s64YHigh;  // twice the quotient's bounds, widened by one
  S64 s64TwiceEye;
  S64 s64TwiceHeight;  // twice the product the row's quotient divides
  S32 nEye;
  BOOLEAN bAny;
} U_NAV_HIGHWAY_NEAR;
void U_NAV_vHighwayNear(const U_NAV_HIGHWAY* pHighway, POINT ptPixel, S32 nReach, U_NAV_HIGHWAY_NEAR* pNear);
inline BOOLEAN U_NAV_bHighwayNear(const U_NAV_HIGHWAY_NEAR* pNear, POINT ptTurned) {
  const S64 D = (S64)ptTurned.y + pNear->nEye, X = pNear->s64TwiceEye * ptTurned.x;
  return pNear->bAny && D > 0 && pNear->s64YLow * D < pNear->s64TwiceHeight &&
         pNear->s64TwiceHeight < pNear->s64YHigh * D && pNear->s64XLow * D < X && X < pNear->s64XHigh * D;
}
// TRUE when every ground point of the box [ptLow, ptHigh] (relative, as
// U_NAV_ptHighwayTurned takes them) turns to a point U_NAV_bHighwayNear
// passes. FALSE may also mean the box lies too far out to tell.
BOOLEAN U_NAV_bHighwayNearBox(const U_NAV_HIGHWAY* pHighway, const U_NAV_HIGHWAY_NEAR* pNear, POINT ptLow,
                              POINT ptHigh);
// Clips the segment to the square [lower, upper] on both axes, in place; a
// segment that misses collapses onto the boundary.
void U_NAV_vClipLineToBox(POINT* ppt0, POINT* ppt1, S32 nLowerLimit, S32 nUpperLimit);
// Where line pt1-pt2 meets line pt3-pt4, as a 16.16 parameter along pt1-pt2
// (65,536 at pt2); 0x7FFFFFFF for parallel lines. The cross product of the
// two directions, saturated to 32 bits, goes to ps32CrossProduct when given.
S32 U_NAV_s32LineSegmentIntersection(POINT pt1, POINT pt2, POINT pt3, POINT pt4, S32* ps32CrossProduct);
// Clips a segment (metres relative to the boat) to the ground the highway
// view shows; FALSE when none of it is visible.
BOOLEAN U_NAV_bClipLineToHighwayView(POINT* ppt0, POINT* ppt1, const GP_ROTCONTEXT* pRotContext,
                                     S32 nEyeOffsetMM);

// ---- Position text ----

typedef enum tag_NAV_FORMAT_ENUM {
  F_MMDDYY = 0,
  F_DDMMYY = 1,
  F_YYMMDD = 2,
  F_12HOUR = 3,
  F_24HOUR = 4,
  F_DD_DDDDD = 5,
  F_DD_MM_MMM = 6,
  F_DD_MM_SS = 7,
} NAV_FORMAT_ENUM;

typedef enum tag_INFO_POSITION_SPACING {
  IPS_NO_SPACE = 0,
  IPS_SPACE = 1,
} INFO_POSITION_SPACING;

// The degree sign of the 8-bit text, and of wide text: the code pages put
// it at 0xBA, which Unicode gives to another sign.
constexpr U8 U_NAV_DEGREE_SIGN = 0xBA;
constexpr U16 U_NAV_WIDE_DEGREE_SIGN = 0x00B0;
// Longest text U_NAV_vFormatPosition writes, in bytes with its terminator
// (wide text: hemisphere, blank, 30 characters and the zero unit).
constexpr U32 U_NAV_POSITION_TEXT_SIZE = 2 * (4 + 1 + 30 + 1);

// Writes the hemisphere letter of language nLang, a blank with IPS_SPACE,
// and |dValue| in the notation eFormat (any value but F_DD_DDDDD and
// F_DD_MM_SS gives degrees and minutes). eType D_POSITION_LAT is a latitude,
// anything else a longitude. The text is wide when nLang is a wide language.
void U_NAV_vFormatPosition(DATA_TYPE eType, double dValue, char* sValue, NAV_FORMAT_ENUM eFormat, U32 nLang,
                           INFO_POSITION_SPACING ePositionHasSpace);
// Reads text of the shape the formatter writes with a blank, in the current
// language's text form and hemisphere letters; the notation is found from
// the symbols present. FALSE without the blank (nothing stored), or when the
// first letter is no hemisphere letter (the value is stored all the same).
BOOLEAN U_NAV_bParsePosition(DATA_TYPE eType, const char* sValue, double* pdValue, NAV_FORMAT_ENUM eFormat,
                             U32 nLang);

// ---- Track ring ----
//
// A track is an absolute first point and a ring of small steps, so that the
// current track can grow by six bytes a second and drop its oldest points
// without shifting anything. Its layout is a file format (the saved-track
// files and the transfer stream carry it raw): little-endian, offsets fixed.

constexpr U32 TRACK_DELTA_ENTRIES = 21835;
// The largest u16Count: the first point and a full ring.
constexpr U16 TRACK_MAX_COUNT = 21836;
constexpr U32 TRACK_NAME_SIZE = 20;
// The two entries of a gap marker.
constexpr S16 TRACK_GAP_FIRST = 32767;
constexpr S16 TRACK_GAP_SECOND = -32768;

typedef struct tag_TRACK_DELTA_DEPTH_TRIPLE {
  S16 x;           // metres east from the previous point
  S16 y;           // metres north
  U16 u16Depth;    // at the new point, centimetres; 0 unknown
} TRACK_DELTA_DEPTH_TRIPLE;

typedef struct tag_TRACK_HEADER {
  U16 u16Count;           // the first point plus ring entries in use; 0 empty
  U16 u16FirstDelta;      // ring index of the oldest entry
  U32 u32DateTime;        // IDTM encoding
  POINT ptFirst;          // oldest point, Mercator metres
  POINT ptLast;           // newest point, x folded, y clamped
  POINT ptLowerLeft;      // box of every point since the track was cleared
  POINT ptUpperRight;
  char sName[TRACK_NAME_SIZE];
} TRACK_HEADER;
typedef TRACK_HEADER TRACK_HEADER_V3;

typedef struct tag_TRACK {
  TRACK_HEADER sHeader;
  TRACK_DELTA_DEPTH_TRIPLE aDelta[TRACK_DELTA_ENTRIES];
  U16 u16Reserved;
} TRACK;
typedef TRACK TRACK_V3;

static_assert(sizeof(TRACK_DELTA_DEPTH_TRIPLE) == 6);
static_assert(sizeof(TRACK_HEADER) == 60);
static_assert(offsetof(TRACK_HEADER, u32DateTime) == 4 && offsetof(TRACK_HEADER, ptFirst) == 8 &&
              offsetof(TRACK_HEADER, ptLast) == 16 && offsetof(TRACK_HEADER, ptLowerLeft) == 24 &&
              offsetof(TRACK_HEADER, ptUpperRight) == 32 && offsetof(TRACK_HEADER, sName) == 40);
static_assert(sizeof(TRACK) == 131072);
static_assert(offsetof(TRACK, aDelta) == 60 && offsetof(TRACK, u16Reserved) == 131070);

typedef enum tag_TRACKPOINT_TYPE {
  TRACKPOINT_INVALID = 0,
  TRACKPOINT_NORMAL = 1,
  TRACKPOINT_GAP = 2,   // not joined to the point before it
} TRACKPOINT_TYPE;

// x folded into +-NV_X_LIMIT (any S32), y clamped to +-NV_Y_LIMIT.
S32 U_NAV_nFoldX(S32 x);
S32 U_NAV_nClampY(S32 y);
// Empties the track; the header's points keep their values until the next
// first point.
void U_NAV_vClearTrack(TRACK_HEADER* pTrackHeader);
// Appends a point (depth in centimetres); with bGapPoint it is not joined to
// the point before. A step of 32,768 m or more is halved into several
// points, and a full ring drops its oldest points. The caller holds the lock
// of the track. Positions outside the Mercator range are folded and clamped.
void U_NAV_vAddTrackPoint(TRACK* pTrack, POINT ptNew, U16 u16Depth, BOOLEAN bGapPoint);
// Adds the points that the steps lead to from the newest point, one by one,
// exactly as U_NAV_vAddTrackPoint would (none of them after a gap); the
// journal replay's fast way through its entries.
void U_NAV_vAddTrackSteps(TRACK* pTrack, const TRACK_DELTA_DEPTH_TRIPLE* pSteps, U32 u32Steps);
// The point at *pu16Iterator (start at 0 and keep *ppt between calls), then
// the iterator moves on; TRACKPOINT_INVALID past the end.
TRACKPOINT_TYPE U_NAV_eScanTrack(const TRACK* pTrack, U16* pu16Iterator, POINT* ppt, U16* pu16Depth);
// The next u32Count points into aOut as steps from ptFrom, for points past
// the first that the scan found all normal (no gap among them), where no
// step folds round the globe or stops at a pole: then they are that many
// calls of U_NAV_eScanTrack moved by ptFrom less the point before them.
// *pu16Iterator moves past them. FALSE, with nothing done, at the first
// point or past the end.
BOOLEAN U_NAV_bScanPlainSteps(const TRACK* pTrack, U16* pu16Iterator, POINT ptFrom, U32 u32Count, POINT* aOut);
// Whether ring entry u32Index begins a gap marker that a step follows within
// the track.
BOOLEAN U_NAV_bTrackDeltaIsGapPoint(const TRACK* pTrack, U32 u32Index);
