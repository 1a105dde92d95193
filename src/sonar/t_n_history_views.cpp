// The draw functions of the sonar views, run by the view task. Each fetches
// what it needs from the database first, copies pixels under RES_HISTORY,
// and draws its text after releasing it, so the history lock is never held
// while the database or the font engine is taken.

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "color.h"
#include "dd_util.h"
#include "g_box.h"
#include "g_fonts.h"
#include "g_line.h"
#include "g_string.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "s_share.h"
#include "t_info.h"
#include "t_n_history.h"
#include "t_n_history_priv.h"
#include "u_convert.h"
#include "u_language.h"
#include "u_viewarea.h"
#include "u_wstring.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// Text

constexpr U32 VIEWS_TEXT_BYTES = 64;
constexpr U32 VIEWS_LABEL_ENTRY = 32;    // black
constexpr U32 VIEWS_OUTLINE_ENTRY = 35;  // white
constexpr S32 VIEWS_MARGIN = 4;
constexpr S32 VIEWS_DEPTH_INDENT = 8;

// What a frame needs from the database, fetched before the history is locked.
typedef struct tag_VIEWS_CONTEXT {
  BOOLEAN bSonarOff;
  U32 u32ChosenBeam;  // SSSV
  BOOLEAN bDepth;
  float fDepthM;
  UNIT_TYPE units;
  U32 u32Language;
  COLOR colText;
  COLOR colOutline;
} VIEWS_CONTEXT;

static VIEWS_CONTEXT VIEWS_sContext(void) {
  VIEWS_CONTEXT c;
  // One hold of the database and one clock reading for all of the frame's
  // values, rather than one each.
  H_DATABASE_vBeginRun();
  BOOLEAN bValid = FALSE;
  // An unreadable switch is taken as on, as the ping task takes it.
  BOOLEAN bOn = TRUE;
  c.bSonarOff = H_DATABASE_bFetchBoolean(FCID("SSEN"), &bOn, &bValid, nullptr) && bValid && !bOn;
  c.u32ChosenBeam = HISTORY_BEAM_200;
  if (!H_DATABASE_bFetchU32(FCID("SSSV"), &c.u32ChosenBeam, nullptr, nullptr)) c.u32ChosenBeam = HISTORY_BEAM_200;
  bValid = FALSE;
  c.bDepth = H_DATABASE_bFetchFloat(FCID("IDEP"), &c.fDepthM, &bValid, nullptr) && bValid && isfinite(c.fDepthM);
  c.units = H_DATABASE_CurrentUnits(D_DEPTH);
  if (c.units == U_NONE) c.units = U_METRES;
  U32 u32Palette = 0;
  if (!H_DATABASE_bFetchU32(FCID("SSPL"), &u32Palette, nullptr, nullptr)) u32Palette = 0;
  c.u32Language = nCurrentLanguage();
  H_DATABASE_vEndRun();
  // Dark text on the light scheme, light text on the dark one.
  const BOOLEAN bDark = T_N_HISTORY_bDarkScheme(u32Palette);
  c.colText = gCOLOR_pcolColorTable[bDark ? VIEWS_OUTLINE_ENTRY : VIEWS_LABEL_ENTRY];
  c.colOutline = gCOLOR_pcolColorTable[bDark ? VIEWS_LABEL_ENTRY : VIEWS_OUTLINE_ENTRY];
  return c;
}

static const FONT_DEF* VIEWS_pFont(BOOLEAN bLarge) {
  if (U_WSTRING_bIsUnicodeLanguage()) return bLarge ? arialuni_size32_font_def_ptr : arialuni_size17_font_def_ptr;
  return bLarge ? myriad_pro_bold_size32_font_def_ptr : myriad_pro_bold_size17_font_def_ptr;
}

typedef struct tag_VIEWS_TEXT {
  char ac[VIEWS_TEXT_BYTES];
} VIEWS_TEXT;

// ASCII in the current language's form.
static VIEWS_TEXT VIEWS_sText(const char* pcAscii) {
  VIEWS_TEXT t;
  memset(&t, 0, sizeof t);
  if (U_WSTRING_bIsUnicodeLanguage()) {
    U_WSTRING_vAscii2Unicode(t.ac, pcAscii, sizeof t.ac, TRUE);
  } else {
    snprintf(t.ac, sizeof t.ac, "%s", pcAscii);
  }
  return t;
}

// A depth in the depth units: one decimal below 99.95, none above.
static VIEWS_TEXT VIEWS_sDepth(double dMetres, UNIT_TYPE units) {
  const double d = dConvertFromInternal(dMetres, D_DEPTH, units);
  char ac[24];
  snprintf(ac, sizeof ac, d < 99.95 ? "%.1f" : "%.0f", d);
  return VIEWS_sText(ac);
}

// A scale mark: whole numbers without their decimal.
static VIEWS_TEXT VIEWS_sScale(double dMetres, UNIT_TYPE units) {
  const double d = dConvertFromInternal(dMetres, D_DEPTH, units);
  char ac[24];
  snprintf(ac, sizeof ac, fabs(d - round(d)) < 0.05 || d >= 99.95 ? "%.0f" : "%.1f", d);
  return VIEWS_sText(ac);
}

// The depth and the range marks come back frame after frame with the same
// values, and formatting a float costs more than blending its label: the
// last few are kept as formatted, per drawing thread.
typedef struct tag_VIEWS_NUMBER {
  BOOLEAN bUsed;
  BOOLEAN bScale;
  BOOLEAN bWide;
  UNIT_TYPE units;
  double dMetres;
  VIEWS_TEXT text;
} VIEWS_NUMBER;

constexpr U32 VIEWS_NUMBERS = 8;
static thread_local VIEWS_NUMBER s_asNumbers[VIEWS_NUMBERS];
static thread_local U32 s_u32NextNumber;

static VIEWS_TEXT VIEWS_sNumber(double dMetres, UNIT_TYPE units, BOOLEAN bScale) {
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  for (const VIEWS_NUMBER& n : s_asNumbers) {
    if (n.bUsed && n.bScale == bScale && n.bWide == bWide && n.units == units && n.dMetres == dMetres) return n.text;
  }
  VIEWS_NUMBER& n = s_asNumbers[s_u32NextNumber];
  s_u32NextNumber = (s_u32NextNumber + 1) % VIEWS_NUMBERS;
  n = {TRUE, bScale, bWide, units, dMetres, bScale ? VIEWS_sScale(dMetres, units) : VIEWS_sDepth(dMetres, units)};
  return n.text;
}

static void VIEWS_vPut(BITMAP* pBitmap, const VIEWS_CONTEXT& c, POINT* pAt, const FONT_DEF* pFont, const char* pc) {
  HISTORY_vPutText(pBitmap, pAt, pFont, pc, c.u32Language, c.colText, c.colOutline);
}

// How far a line of text reaches above its baseline.
static S32 VIEWS_s32Above(const FONT_DEF* pFont) { return (S32)(G_FONTS_u32GetHeight(pFont) * 3 / 4); }

static U32 VIEWS_u32Width(const VIEWS_CONTEXT& c, const FONT_DEF* pFont, const char* pc) {
  return HISTORY_u32TextWidth(pFont, pc, c.u32Language, c.colText, c.colOutline);
}

// The depth in the large font followed by its units, its baseline at y and
// its left end at x, or centred on x. Without a bottom (none found, lost, or
// no ping for a while) dashes stand where the depth would.
static void VIEWS_vDrawDepth(BITMAP* pBitmap, const VIEWS_CONTEXT& c, S32 x, S32 y, BOOLEAN bCentred) {
  const VIEWS_TEXT number = c.bDepth ? VIEWS_sNumber(c.fDepthM, c.units, FALSE) : VIEWS_sText("--");
  const char* pcUnits = H_DATABASE_pcUnitsString(c.units, c.u32Language);
  const FONT_DEF* pLarge = VIEWS_pFont(TRUE);
  const FONT_DEF* pSmall = VIEWS_pFont(FALSE);
  const S32 width = (S32)(VIEWS_u32Width(c, pLarge, number.ac) + VIEWS_MARGIN + VIEWS_u32Width(c, pSmall, pcUnits));
  if (bCentred) x -= width / 2;
  // Drawn whole or not at all; a banner drawn later keeps clear of it.
  const S32 below = (S32)G_FONTS_u32GetDescenderHeight(pLarge) + 1;
  const VIEWAREA_BOX box = {x - 1, y - below, width + 2, below + VIEWS_s32Above(pLarge) + 1};
  if (!U_VIEWAREA_bReadout(&box)) return;
  POINT at = {x, y};
  VIEWS_vPut(pBitmap, c, &at, pLarge, number.ac);
  at.x += VIEWS_MARGIN;
  VIEWS_vPut(pBitmap, c, &at, pSmall, pcUnits);
}

// The depths of the pane's top and bottom edges at its right edge.
static void VIEWS_vDrawScale(BITMAP* pBitmap, const VIEWS_CONTEXT& c, const WINDOW_LOCATION& w, float fTopM,
                             float fBottomM) {
  if (!(fBottomM > 0.0f)) return;
  const FONT_DEF* pFont = VIEWS_pFont(FALSE);
  const VIEWS_TEXT top = VIEWS_sNumber(fTopM, c.units, TRUE);
  const VIEWS_TEXT bottom = VIEWS_sNumber(fBottomM, c.units, TRUE);
  POINT at = {w.s32ClipRight - VIEWS_MARGIN - (S32)VIEWS_u32Width(c, pFont, top.ac),
              w.s32ClipTop - VIEWS_MARGIN - VIEWS_s32Above(pFont)};
  VIEWS_vPut(pBitmap, c, &at, pFont, top.ac);
  at = {w.s32ClipRight - VIEWS_MARGIN - (S32)VIEWS_u32Width(c, pFont, bottom.ac),
        w.s32ClipBottom + VIEWS_MARGIN + (S32)G_FONTS_u32GetDescenderHeight(pFont)};
  VIEWS_vPut(pBitmap, c, &at, pFont, bottom.ac);
}

// ---------------------------------------------------------------------------
// Pixels

// The page's clip narrowed to the pane, so nothing is drawn outside it.
static void VIEWS_vClip(BITMAP* pBitmap, const WINDOW_LOCATION& w) {
  pBitmap->s32ClipLeft = w.s32ClipLeft;
  pBitmap->s32ClipRight = w.s32ClipRight;
  pBitmap->s32ClipTop = w.s32ClipTop;
  pBitmap->s32ClipBottom = w.s32ClipBottom;
}

static BOOLEAN VIEWS_bUsable(const BITMAP* pBitmap, const WINDOW_SPECIFICATION* psWindowSpec) {
  if (pBitmap == nullptr || psWindowSpec == nullptr) return FALSE;
  const WINDOW_LOCATION& w = psWindowSpec->drawWindow;
  return w.s32ClipLeft >= 0 && w.s32ClipLeft <= w.s32ClipRight && w.s32ClipRight < pBitmap->pixels_wide_full_screen &&
         w.s32ClipBottom >= 0 && w.s32ClipBottom <= w.s32ClipTop && w.s32ClipTop < pBitmap->pixels_high_full_screen;
}

static U32 VIEWS_u32Beam(const VIEWS_CONTEXT& c, U32 u32User) {
  if (u32User == HISTORY_USER_CHOSEN) u32User = c.u32ChosenBeam;
  return u32User == HISTORY_BEAM_83 ? 1 : 0;
}

// Pane row r (top first) shows history row u32TopRow + r (or + r / 2 when
// doubled), its newest columns at the pane's right. The caller holds
// RES_HISTORY.
static void VIEWS_vCopyHistory(BITMAP* pBitmap, const WINDOW_LOCATION& w, const HISTORY_BEAM* pHistory,
                               U32 u32TopRow, BOOLEAN bDouble) {
  U32 width = (U32)(w.s32ClipRight - w.s32ClipLeft + 1);
  if (width > HISTORY_PICTURE_COLUMNS) width = HISTORY_PICTURE_COLUMNS;
  const U32 rows = (U32)(w.s32ClipTop - w.s32ClipBottom + 1);
  const S32 x = w.s32ClipRight + 1 - (S32)width;
  const S32 top = pBitmap->pixels_high_full_screen - 1 - w.s32ClipTop;
  const COLOR* pcolRing = pHistory->pcolPicture;
  COLOR* pcolPage = (COLOR*)pBitmap->pBuffer;
  const U32 pitch = pBitmap->__u32PixelWidthOfBuffer;
  // A pane as wide and as high as the picture on a page of its width is the
  // ring itself from its origin on.
  if (!bDouble && u32TopRow == 0 && rows == HISTORY_ROWS && width == HISTORY_PICTURE_COLUMNS && x == 0 &&
      top == 0 && pitch == HISTORY_PICTURE_COLUMNS) {
    const U32 first = HISTORY_PICTURE_PIXELS - pHistory->u32Origin;
    DD_UTIL_Memcpy(pcolPage, pcolRing + pHistory->u32Origin, first * sizeof(COLOR));
    DD_UTIL_Memcpy(pcolPage + first, pcolRing, pHistory->u32Origin * sizeof(COLOR));
    return;
  }
  for (U32 r = 0; r < rows; r++) {
    U32 source = u32TopRow + (bDouble ? r / 2 : r);
    if (source >= HISTORY_ROWS) source = HISTORY_ROWS - 1;
    const COLOR* src = HISTORY_pcolShown(pHistory, source, width - 1);
    const U32 first = (U32)(pcolRing + HISTORY_PICTURE_PIXELS - src) < width ? (U32)(pcolRing + HISTORY_PICTURE_PIXELS - src)
                                                                              : width;
    COLOR* dst = pcolPage + (U32)(top + (S32)r) * pitch + x;
    DD_UTIL_Memcpy(dst, src, first * sizeof(COLOR));
    DD_UTIL_Memcpy(dst + first, pcolRing, (width - first) * sizeof(COLOR));
  }
}

// Columns the history has fewer of than the pane is wide stay background.
static void VIEWS_vFill(BITMAP* pBitmap, const WINDOW_LOCATION& w) {
  const POINT at = {w.s32ClipLeft, w.s32ClipBottom};
  G_BOX_vDrawFilled(pBitmap, gCOLOR_pcolColorTable[0], &at, (U32)(w.s32ClipRight - w.s32ClipLeft + 1),
                    (U32)(w.s32ClipTop - w.s32ClipBottom + 1));
}

// The beam's history in the pane with its range scale; the range of the
// newest column.
static float VIEWS_fDrawHistory(BITMAP* pBitmap, const VIEWS_CONTEXT& c, const WINDOW_LOCATION& w, U32 u32Beam) {
  VIEWS_vClip(pBitmap, w);
  if ((U32)(w.s32ClipRight - w.s32ClipLeft + 1) > HISTORY_PICTURE_COLUMNS) VIEWS_vFill(pBitmap, w);
  L_MUTEX_LockWait(RES_HISTORY);
  HISTORY_BEAM* pHistory = HISTORY_psBeam(u32Beam);
  VIEWS_vCopyHistory(pBitmap, w, pHistory, 0, FALSE);
  const float fRangeM = pHistory->afRangeM[HISTORY_u32Newest(pHistory)];
  L_MUTEX_Unlock(RES_HISTORY);
  VIEWS_vDrawScale(pBitmap, c, w, 0.0f, fRangeM);
  return fRangeM;
}

// With the sonar off the picture stands still: the pane says why, in the
// middle of the pane.
static void VIEWS_vDrawSonarOff(BITMAP* pBitmap, const VIEWS_CONTEXT& c, const WINDOW_LOCATION& w) {
  if (!c.bSonarOff) return;
  VIEWS_vClip(pBitmap, w);
  const FONT_DEF* pFont = VIEWS_pFont(TRUE);
  const char* pc = Sonar_Off_Note[c.u32Language];
  POINT at = {(w.s32ClipLeft + w.s32ClipRight - (S32)VIEWS_u32Width(c, pFont, pc)) / 2,
              (w.s32ClipBottom + w.s32ClipTop) / 2 - VIEWS_s32Above(pFont) / 2};
  VIEWS_vPut(pBitmap, c, &at, pFont, pc);
}

// ---------------------------------------------------------------------------
// Draw functions

BOOLEAN T_N_HISTORY_bIsMyCursorView(LAYER_ID eView, SPLIT_WINDOW_TYPE eSplit) {
  (void)eView;
  (void)eSplit;
  return FALSE;
}

void T_N_HISTORY_vDrawSonarSplit(BITMAP* pBitmap, WINDOW_SPECIFICATION* psWindowSpec) {
  if (!VIEWS_bUsable(pBitmap, psWindowSpec)) return;
  const VIEWS_CONTEXT c = VIEWS_sContext();
  const WINDOW_LOCATION w = psWindowSpec->drawWindow;
  const U32 beam = VIEWS_u32Beam(c, psWindowSpec->u32User);
  VIEWS_fDrawHistory(pBitmap, c, w, beam);
  const S32 origin = (S32)T_INFO_u32XOrigin();
  const S32 x = (w.s32ClipLeft > origin ? w.s32ClipLeft : origin) + VIEWS_DEPTH_INDENT;
  S32 y = w.s32ClipTop - VIEWS_MARGIN - VIEWS_s32Above(VIEWS_pFont(TRUE));
  VIEWS_vDrawDepth(pBitmap, c, x, y, FALSE);
  if (psWindowSpec->drawWindowType != SPLIT_FULL_WINDOW) {
    const FONT_DEF* pFont = VIEWS_pFont(FALSE);
    y -= (S32)G_FONTS_u32GetDescenderHeight(VIEWS_pFont(TRUE)) + VIEWS_MARGIN +
         VIEWS_s32Above(pFont);
    POINT at = {x, y};
    VIEWS_vPut(pBitmap, c, &at, pFont, (beam == 1 ? Beam_83_kHz : Beam_200_kHz)[c.u32Language]);
  }
  VIEWS_vDrawSonarOff(pBitmap, c, w);
}

void T_N_HISTORY_vDrawZoomView(BITMAP* pBitmap, WINDOW_SPECIFICATION* psWindowSpec) {
  if (!VIEWS_bUsable(pBitmap, psWindowSpec)) return;
  const VIEWS_CONTEXT c = VIEWS_sContext();
  const WINDOW_LOCATION w = psWindowSpec->drawWindow;
  const float fBottomM = S_SHARE_fGetLastBottomMetres(BEAM_DOWN_0);
  VIEWS_vClip(pBitmap, w);
  if ((U32)(w.s32ClipRight - w.s32ClipLeft + 1) > HISTORY_PICTURE_COLUMNS) VIEWS_vFill(pBitmap, w);
  L_MUTEX_LockWait(RES_HISTORY);
  HISTORY_BEAM* pHistory = HISTORY_psBeam(0);
  const float fRangeM = pHistory->afRangeM[HISTORY_u32Newest(pHistory)];
  // Half the range, with the bottom a quarter of the range below its top.
  float fTopM = 0.0f;
  if (fBottomM > 0.0f && fRangeM > 0.0f) {
    fTopM = fBottomM - fRangeM / 4;
    fTopM = fTopM < 0.0f ? 0.0f : fTopM > fRangeM / 2 ? fRangeM / 2 : fTopM;
  }
  const U32 topRow = fRangeM > 0.0f ? (U32)lroundf(fTopM / fRangeM * (float)HISTORY_ROWS) : 0;
  VIEWS_vCopyHistory(pBitmap, w, pHistory, topRow, TRUE);
  L_MUTEX_Unlock(RES_HISTORY);
  VIEWS_vDrawScale(pBitmap, c, w, fTopM, fTopM + fRangeM / 2);
  VIEWS_vDrawSonarOff(pBitmap, c, w);
}

// The big readouts' panel ends here; its readouts are the information
// layer's to draw.
constexpr S32 VIEWS_BIG_DIGITS_PANEL = 300;

void T_N_HISTORY_vDrawBigDigitsView(BITMAP* pBitmap, WINDOW_SPECIFICATION* psWindowSpec) {
  if (!VIEWS_bUsable(pBitmap, psWindowSpec)) return;
  const VIEWS_CONTEXT c = VIEWS_sContext();
  const WINDOW_LOCATION w = psWindowSpec->drawWindow;
  WINDOW_LOCATION panel = w;
  WINDOW_LOCATION history = w;
  panel.s32ClipRight = w.s32ClipLeft + VIEWS_BIG_DIGITS_PANEL - 1;
  history.s32ClipLeft = panel.s32ClipRight + 1;
  if (panel.s32ClipRight >= w.s32ClipRight) {
    VIEWS_vFill(pBitmap, w);
    return;
  }
  VIEWS_vClip(pBitmap, panel);
  VIEWS_vFill(pBitmap, panel);
  VIEWS_fDrawHistory(pBitmap, c, history, 0);
  VIEWS_vDrawSonarOff(pBitmap, c, history);
}

constexpr U32 VIEWS_FLASHER_STEPS = 360;
constexpr U32 VIEWS_FLASHER_SUBSTEPS = 4;  // lines per step, so the ring has no gaps at its rim

void T_N_HISTORY_vDrawCircularFlasher(BITMAP* pBitmap, WINDOW_SPECIFICATION* psWindowSpec) {
  if (!VIEWS_bUsable(pBitmap, psWindowSpec)) return;
  const VIEWS_CONTEXT c = VIEWS_sContext();
  const WINDOW_LOCATION w = psWindowSpec->drawWindow;
  U8 au8Levels[HISTORY_ROWS];
  L_MUTEX_LockWait(RES_HISTORY);
  const HISTORY_BEAM* pHistory = HISTORY_psBeam(0);
  const U32 newest = HISTORY_u32Newest(pHistory);
  memcpy(au8Levels, pHistory->au8Levels[newest], sizeof au8Levels);
  L_MUTEX_Unlock(RES_HISTORY);

  VIEWS_vClip(pBitmap, w);
  VIEWS_vFill(pBitmap, w);
  const S32 width = w.s32ClipRight - w.s32ClipLeft + 1;
  const S32 height = w.s32ClipTop - w.s32ClipBottom + 1;
  const double cx = (w.s32ClipLeft + w.s32ClipRight) / 2.0;
  const double cy = (w.s32ClipBottom + w.s32ClipTop) / 2.0;
  const double outer = 0.42 * (width < height ? width : height);
  const double inner = 0.7 * outer;
  // Clockwise from twelve o'clock (the surface) to a full turn (the range).
  for (U32 step = 0; step < VIEWS_FLASHER_STEPS; step++) {
    U8 level = 0;
    for (U32 r = step * HISTORY_ROWS / VIEWS_FLASHER_STEPS; r < (step + 1) * HISTORY_ROWS / VIEWS_FLASHER_STEPS; r++) {
      if (au8Levels[r] > level) level = au8Levels[r];
    }
    const COLOR colour = gCOLOR_pcolColorTable[level];
    for (U32 sub = 0; sub < VIEWS_FLASHER_SUBSTEPS; sub++) {
      const double a = (step + (double)sub / VIEWS_FLASHER_SUBSTEPS) * M_PI / 180.0;
      POINT from = {(PIXEL)lround(cx + inner * sin(a)), (PIXEL)lround(cy + inner * cos(a))};
      POINT to = {(PIXEL)lround(cx + outer * sin(a)), (PIXEL)lround(cy + outer * cos(a))};
      G_LINE_vDraw(pBitmap, colour, &from, &to);
    }
  }
  const S32 y = (S32)lround(cy) - VIEWS_s32Above(VIEWS_pFont(TRUE)) / 2;
  VIEWS_vDrawDepth(pBitmap, c, (S32)lround(cx), y, TRUE);
  VIEWS_vDrawSonarOff(pBitmap, c, w);
}
