// The sonar history task. It keeps the two scrolling histories of the 2D
// beams, owns the 32 sonar colours of the colour table, registers the sonar
// views (the normal set, or the ice set while ice mode is on) and asks the
// view task for a frame when new columns reach a sonar view on screen.

#include "t_n_history.h"

#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "color.h"
#include "error.h"
#include "h_database.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "model_current.h"
#include "s_share.h"
#include "t_info.h"
#include "t_n_history_priv.h"
#include "u_taskstub.h"
#include "u_view.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// Histories

static HISTORY_BEAM s_asHistory[HISTORY_BEAMS];
// The pixels live here rather than on the heap, whose largest block is
// smaller than one history.
alignas(64) static COLOR s_acolPictures[HISTORY_BEAMS][HISTORY_PICTURE_PIXELS];
static COLOR s_acolLevels[HISTORY_LEVELS];  // the colours the pixels are drawn in
static std::atomic<U32> s_au32Columns[HISTORY_BEAMS];
static std::atomic<U32> s_u32ChartSpeed{10};  // SSSP, 1..10
static std::atomic<BOOLEAN> s_bStarted{FALSE};

static U32 HISTORY_u32Beam(BEAM eBeam) { return eBeam == BEAM_DOWN_1 ? 1 : 0; }


U32 HISTORY_u32Newest(const HISTORY_BEAM* pHistory) {
  return (pHistory->u32Write + HISTORY_COLUMNS - 1) % HISTORY_COLUMNS;
}

COLOR* HISTORY_pcolShown(const HISTORY_BEAM* pHistory, U32 u32Row, U32 u32Back) {
  const U32 at = pHistory->u32Origin + u32Row * HISTORY_PICTURE_COLUMNS + HISTORY_PICTURE_COLUMNS - 1 - u32Back;
  return pHistory->pcolPicture + at % HISTORY_PICTURE_PIXELS;
}

// Columns older than the picture whose levels are still kept.
constexpr U32 HISTORY_KEPT_BEYOND = HISTORY_COLUMNS - HISTORY_PICTURE_COLUMNS;

// A column that came new since the last painting takes the places of the
// next row's oldest pixels (row 0's for the last row), whose column the
// levels still hold, HISTORY_PICTURE_COLUMNS further back. Only the rows
// whose levels differ from those are written: most of a picture is open
// water, and each write is a line of the picture of its own.
static void HISTORY_vPaintFresh(HISTORY_BEAM* p, U32 u32Back) {
  const U32 newest = HISTORY_u32Newest(p);
  const U8* pu8New = p->au8Levels[(newest + HISTORY_COLUMNS - u32Back) % HISTORY_COLUMNS];
  const U8* pu8Old =
      p->au8Levels[(newest + 2 * HISTORY_COLUMNS - HISTORY_PICTURE_COLUMNS - u32Back) % HISTORY_COLUMNS];
  constexpr U32 STEP = 16;
  for (U32 r = 0; r + 1 < HISTORY_ROWS;) {
    const U32 n = HISTORY_ROWS - 1 - r < STEP ? HISTORY_ROWS - 1 - r : STEP;
    if (n == STEP) {
      U64 a[2], b[2];
      memcpy(a, pu8New + r, sizeof a);
      memcpy(b, pu8Old + r + 1, sizeof b);
      if (a[0] == b[0] && a[1] == b[1]) {
        r += STEP;
        continue;
      }
    }
    for (U32 i = r; i < r + n; i++) {
      if (pu8New[i] != pu8Old[i + 1]) *HISTORY_pcolShown(p, i, u32Back) = s_acolLevels[pu8New[i]];
    }
    r += n;
  }
  constexpr U32 LAST = HISTORY_ROWS - 1;
  if (pu8New[LAST] != pu8Old[0]) *HISTORY_pcolShown(p, LAST, u32Back) = s_acolLevels[pu8New[LAST]];
}

// The newest columns whose pixels are not yet in the picture get them: a
// ping writes only its levels, one run of bytes, and a beam no pane shows
// never has its pixels written a row's length apart, one cache line each.
static void HISTORY_vPaintPending(HISTORY_BEAM* p) {
  const U32 pending = p->u32Pending;
  if (pending == 0) return;
  // Fresh columns are known only while fewer than the kept older ones came.
  const U32 fresh = p->u32Fresh < HISTORY_KEPT_BEYOND && pending < HISTORY_PICTURE_COLUMNS ? p->u32Fresh : 0;
  for (U32 back = 0; back < fresh; back++) HISTORY_vPaintFresh(p, back);
  const U32 newest = HISTORY_u32Newest(p);
  const U8* apu8Columns[HISTORY_PICTURE_COLUMNS];
  for (U32 back = fresh; back < pending; back++) {
    apu8Columns[back] = p->au8Levels[(newest + HISTORY_COLUMNS - back) % HISTORY_COLUMNS];
  }
  for (U32 r = 0; r < HISTORY_ROWS; r++) {
    for (U32 back = fresh; back < pending; back++) *HISTORY_pcolShown(p, r, back) = s_acolLevels[apu8Columns[back][r]];
  }
  p->u32Pending = 0;
  p->u32Fresh = 0;
}

HISTORY_BEAM* HISTORY_psBeam(U32 u32Beam) {
  HISTORY_BEAM* p = &s_asHistory[u32Beam < HISTORY_BEAMS ? u32Beam : 0];
  HISTORY_vPaintPending(p);
  return p;
}

// Both histories empty (level 0) in the current colours. Called once, before
// the first column can arrive.
static void HISTORY_vCreate(void) {
  L_MUTEX_LockWait(RES_HISTORY);
  for (U32 b = 0; b < HISTORY_BEAMS; b++) {
    HISTORY_BEAM* p = &s_asHistory[b];
    p->pcolPicture = s_acolPictures[b];
    p->u32Origin = 0;
    memset(p->au8Levels, 0, sizeof p->au8Levels);
    for (float& f : p->afRangeM) f = 0.0f;
    p->u32Write = 0;
    p->u32Speed = 0;
    p->u32Pending = 0;
    p->u32Fresh = 0;
    for (U32 i = 0; i < HISTORY_PICTURE_PIXELS; i++) p->pcolPicture[i] = s_acolLevels[0];
  }
  L_MUTEX_Unlock(RES_HISTORY);
  s_bStarted = TRUE;
}

// Every pixel again from its level, in the current colours.
static void HISTORY_vRecolour(void) {
  for (HISTORY_BEAM& h : s_asHistory) {
    h.u32Pending = 0;
    h.u32Fresh = 0;
    const U32 newest = HISTORY_u32Newest(&h);
    for (U32 r = 0; r < HISTORY_ROWS; r++) {
      for (U32 back = 0; back < HISTORY_PICTURE_COLUMNS; back++) {
        *HISTORY_pcolShown(&h, r, back) = s_acolLevels[h.au8Levels[(newest + HISTORY_COLUMNS - back) % HISTORY_COLUMNS][r]];
      }
    }
  }
}

void T_N_HISTORY_vAddColumn(BEAM eBeam, const U8* pu8Levels, float fRangeMetres) {
  const U32 beam = HISTORY_u32Beam(eBeam);
  s_au32Columns[beam]++;
  if (pu8Levels == nullptr || !s_bStarted) return;
  L_MUTEX_LockWait(RES_HISTORY);
  HISTORY_BEAM* p = &s_asHistory[beam];
  // At chart speed s only s of every ten columns scroll; the others are
  // merged into the newest, strongest echo kept, so no echo is lost.
  p->u32Speed += s_u32ChartSpeed.load();
  BOOLEAN bNew = p->u32Speed >= 10;
  if (bNew) {
    p->u32Speed -= 10;
    p->u32Write = (p->u32Write + 1) % HISTORY_COLUMNS;
    p->u32Origin = (p->u32Origin + 1) % HISTORY_PICTURE_PIXELS;
  }
  const U32 c = HISTORY_u32Newest(p);
  U8* pu8Column = p->au8Levels[c];
  for (U32 r = 0; r < HISTORY_ROWS; r++) {
    U8 level = pu8Levels[r] < HISTORY_LEVELS ? pu8Levels[r] : (U8)(HISTORY_LEVELS - 1);
    if (!bNew && pu8Column[r] > level) level = pu8Column[r];
    pu8Column[r] = level;
  }
  // Its pixels wait for the picture's next reader.
  if (bNew && p->u32Pending < HISTORY_PICTURE_COLUMNS) {
    p->u32Pending++;
    p->u32Fresh++;
  } else if (p->u32Pending == 0) {
    p->u32Pending = 1;
  }
  p->afRangeM[c] = fRangeMetres;
  L_MUTEX_Unlock(RES_HISTORY);
}

U32 T_N_HISTORY_u32ColumnCount(BEAM eBeam) { return s_au32Columns[HISTORY_u32Beam(eBeam)].load(); }

U32 T_N_HISTORY_u32ChartSpeed(void) { return s_u32ChartSpeed.load(); }

// ---------------------------------------------------------------------------
// Colour schemes

typedef struct tag_HISTORY_ANCHOR {
  U8 u8Entry;
  U8 au8Light[3];
  U8 au8Dark[3];
} HISTORY_ANCHOR;

// Background, then blue through cyan, green, yellow and orange to red for
// the strongest echo; the entries between anchors are interpolated.
static const HISTORY_ANCHOR s_asAnchors[] = {
    {0, {255, 255, 255}, {0, 0, 0}},       {1, {200, 225, 255}, {10, 25, 80}},
    {8, {40, 90, 220}, {40, 90, 220}},     {14, {0, 180, 200}, {0, 180, 200}},
    {18, {40, 200, 60}, {40, 200, 60}},    {23, {240, 230, 40}, {240, 230, 40}},
    {27, {245, 130, 20}, {245, 130, 20}},  {31, {160, 20, 20}, {255, 40, 40}},
};

static COLOR HISTORY_colPack(U32 r, U32 g, U32 b) { return (COLOR)((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3)); }

static void HISTORY_vMakeScheme(BOOLEAN bDark, COLOR* pcolOut) {
  const size_t n = sizeof s_asAnchors / sizeof s_asAnchors[0];
  for (size_t a = 0; a + 1 < n; a++) {
    const HISTORY_ANCHOR& lo = s_asAnchors[a];
    const HISTORY_ANCHOR& hi = s_asAnchors[a + 1];
    const U8* c0 = bDark ? lo.au8Dark : lo.au8Light;
    const U8* c1 = bDark ? hi.au8Dark : hi.au8Light;
    const S32 span = hi.u8Entry - lo.u8Entry;
    for (S32 e = lo.u8Entry; e <= hi.u8Entry; e++) {
      U32 rgb[3];
      for (U32 k = 0; k < 3; k++) rgb[k] = (U32)(c0[k] + ((S32)c1[k] - (S32)c0[k]) * (e - lo.u8Entry) / span);
      pcolOut[e] = HISTORY_colPack(rgb[0], rgb[1], rgb[2]);
    }
  }
}

const COLOR* T_N_HISTORY_pcolScheme(BOOLEAN bDark) {
  static const struct SCHEMES {
    COLOR light[HISTORY_LEVELS];
    COLOR dark[HISTORY_LEVELS];
    SCHEMES() {
      HISTORY_vMakeScheme(FALSE, light);
      HISTORY_vMakeScheme(TRUE, dark);
    }
  } s_schemes;
  return bDark ? s_schemes.dark : s_schemes.light;
}

// The palettes whose overlay text is light on dark take the dark scheme.
BOOLEAN T_N_HISTORY_bDarkScheme(U32 u32Palette) {
  return (u32Palette >= 8 && u32Palette <= 17) || (u32Palette >= 19 && u32Palette <= 22);
}

void T_N_HISTORY_vSet2DColorTable(void) {
  U32 u32Palette = 0;
  if (!H_DATABASE_bFetchU32(FCID("SSPL"), &u32Palette, nullptr, nullptr)) u32Palette = 0;
  const COLOR* pcolScheme = T_N_HISTORY_pcolScheme(T_N_HISTORY_bDarkScheme(u32Palette));
  L_MUTEX_LockWait(RES_HISTORY);
  COLOR_vSetColorTableSection(0, HISTORY_LEVELS, pcolScheme);
  memcpy(s_acolLevels, pcolScheme, sizeof s_acolLevels);
  if (s_bStarted) HISTORY_vRecolour();
  L_MUTEX_Unlock(RES_HISTORY);
}

// ---------------------------------------------------------------------------
// Settings

typedef const char* const* HISTORY_TEXT;  // a text table, one entry a language

typedef struct tag_HISTORY_SETTING {
  FOURCHARID id;
  DATA_TYPE type;
  U32 u32Default;
  HISTORY_TEXT pName;
} HISTORY_SETTING;

constexpr U32 HISTORY_STANDARD_TRANSDUCER = 1;  // the 83/200 kHz 2D transducer of the catalogue
constexpr U32 HISTORY_SPLIT_PERCENT = 50;

static const HISTORY_SETTING s_asSettings[] = {
    {FCID("SSPL"), D_UNKNOWN, 0, nullptr},
    {FCID("SSSP"), D_UNKNOWN, 10, nullptr},
    {FCID("SSSV"), D_UNKNOWN, HISTORY_BEAM_200, nullptr},
    {FCID("SSTS"), D_UNKNOWN, HISTORY_STANDARD_TRANSDUCER, nullptr},
    {FCID("SVSO"), D_UNKNOWN, TRUE, Sonar_View},
    {FCID("SVBD"), D_UNKNOWN, TRUE, Big_Digits_View},
    {FCID("SVSZ"), D_UNKNOWN, TRUE, Sonar_Zoom_View},
    {FCID("SVSS"), D_UNKNOWN, TRUE, Split_Sonar_View},
    {FCID("SV14"), D_UNKNOWN, TRUE, Sonar_View},
    {FCID("SV15"), D_UNKNOWN, TRUE, Big_Digits_View},
    {FCID("SV10"), D_UNKNOWN, TRUE, Sonar_Zoom_View},
    {FCID("SV16"), D_UNKNOWN, TRUE, Split_Sonar_View},
    {FCID("SV13"), D_UNKNOWN, TRUE, Flasher_View},
    {FCID("SV12"), D_UNKNOWN, TRUE, Circular_Flasher_Sonar_Combo_View},
    {FCID("SV11"), D_UNKNOWN, TRUE, Circular_Flasher_Sonar_Zoom_Combo_View},
    {FCID("SZSS"), D_UNKNOWN, HISTORY_SPLIT_PERCENT, nullptr},
    {FCID("SZFS"), D_UNKNOWN, HISTORY_SPLIT_PERCENT, nullptr},
    {FCID("SZFZ"), D_UNKNOWN, HISTORY_SPLIT_PERCENT, nullptr},
};

static U32 HISTORY_u32DepthUnitsDefault(void) { return MODEL_bDomesticModel() ? U_FEET : U_METRES; }

static U32 HISTORY_u32ChartSpeed(U32 u32Value) { return u32Value < 1 ? 1 : u32Value > 10 ? 10 : u32Value; }

static void HISTORY_vDefault(FOURCHARID id, DATA_TYPE type, U32 u32Default, HISTORY_TEXT pName, BOOLEAN bReset) {
  DB_DATA_TYPE value;
  value.vpPointer = nullptr;
  value.RawData = u32Default;
  if (bReset) {
    H_DATABASE_bUpdateValue(id, value, P_NORMAL);
    return;
  }
  DB_ATTRIBUTES extra = {type, pName, DB_NEVER_STALE};
  H_DATABASE_vReadOrSetDefault(id, &value, P_DEFAULT_SETTING, &extra);
}

static void HISTORY_vSettings(BOOLEAN bReset) {
  for (const HISTORY_SETTING& s : s_asSettings) HISTORY_vDefault(s.id, s.type, s.u32Default, s.pName, bReset);
  HISTORY_vDefault(FCID("SUDP"), D_UNITS, HISTORY_u32DepthUnitsDefault(), nullptr, bReset);
  if (MODEL_bDomesticModel()) {
    static const U32 s_au32Domestic[] = {U_FEET, U_FATHOMS};
    H_DATABASE_vCheckForValidUnits(FCID("SUDP"), s_au32Domestic, 2, U_FEET);
  }
  U32 u32Speed = 10;
  H_DATABASE_bFetchU32(FCID("SSSP"), &u32Speed, nullptr, nullptr);
  s_u32ChartSpeed = HISTORY_u32ChartSpeed(u32Speed);
}

// ---------------------------------------------------------------------------
// Views

typedef struct tag_HISTORY_VIEW {
  LAYER_ID view;
  FOURCHARID display;
  DRAW_FUNCTION* pfnLeft;   // the full window when there is no right pane
  U32 u32UserLeft;
  DRAW_FUNCTION* pfnRight;  // null for a full-window view
  U32 u32UserRight;
  FOURCHARID split;
  LAYER_ID info;            // USED_BY_NONE: no information layer
} HISTORY_VIEW;

constexpr U32 HISTORY_USER_200 = HISTORY_BEAM_200;
constexpr U32 HISTORY_USER_83 = HISTORY_BEAM_83;
constexpr U32 HISTORY_INFO_USER = 0x333333;  // the information bar's alpha 0x33

static const HISTORY_VIEW s_asNormalViews[] = {
    {SONAR_VIEW_PRIORITY, FCID("SVSO"), T_N_HISTORY_vDrawSonarSplit, HISTORY_USER_CHOSEN, nullptr, 0, 0,
     INFO_SONAR_VIEW_LAYER},
    {ZOLT_DIGIT_VIEW_PRIORITY, FCID("SVBD"), T_N_HISTORY_vDrawBigDigitsView, 0, nullptr, 0, 0, INFO_ZOLT_DIGIT_LAYER},
    {SONAR_ZOOM_VIEW_PRIORITY, FCID("SVSZ"), T_N_HISTORY_vDrawZoomView, 0, nullptr, 0, 0, INFO_SONAR_ZOOM_VIEW_LAYER},
    {SONAR_DUAL_BEAM_VIEW_PRIORITY, FCID("SVSS"), T_N_HISTORY_vDrawSonarSplit, HISTORY_USER_83,
     T_N_HISTORY_vDrawSonarSplit, HISTORY_USER_200, FCID("SZSS"), INFO_DUAL_BEAM_VIEW_LAYER},
};

static const HISTORY_VIEW s_asIceViews[] = {
    {SONAR_2D_PLUS_FLASHER_ICE_PRIORITY, FCID("SV12"), T_N_HISTORY_vDrawSonarSplit, HISTORY_USER_CHOSEN,
     T_N_HISTORY_vDrawCircularFlasher, 0, FCID("SZFS"), USED_BY_NONE},
    {SONAR_2D_ZOOM_PLUS_FLASHER_ICE_PRIORITY, FCID("SV11"), T_N_HISTORY_vDrawZoomView, 0,
     T_N_HISTORY_vDrawCircularFlasher, 0, FCID("SZFZ"), USED_BY_NONE},
    {SONAR_FLASHER_ICE_PRIORITY, FCID("SV13"), T_N_HISTORY_vDrawCircularFlasher, 0, nullptr, 0, 0,
     INFO_FLASHER_SONAR_LAYER},
    {SONAR_ICE_VIEW_PRIORITY, FCID("SV14"), T_N_HISTORY_vDrawSonarSplit, HISTORY_USER_CHOSEN, nullptr, 0, 0,
     INFO_SONAR_VIEW_LAYER},
    {SONAR_ZOOM_ICE_VIEW_PRIORITY, FCID("SV10"), T_N_HISTORY_vDrawZoomView, 0, nullptr, 0, 0,
     INFO_SONAR_ZOOM_VIEW_LAYER},
    {ZOLT_DIGIT_ICE_VIEW_PRIORITY, FCID("SV15"), T_N_HISTORY_vDrawBigDigitsView, 0, nullptr, 0, 0,
     INFO_ZOLT_DIGIT_LAYER},
    {SONAR_DUAL_BEAM_ICE_VIEW_PRIORITY, FCID("SV16"), T_N_HISTORY_vDrawSonarSplit, HISTORY_USER_83,
     T_N_HISTORY_vDrawSonarSplit, HISTORY_USER_200, FCID("SZSS"), INFO_DUAL_BEAM_VIEW_LAYER},
};

typedef struct tag_HISTORY_SET {
  const HISTORY_VIEW* pViews;
  U32 u32Count;
} HISTORY_SET;

static HISTORY_SET HISTORY_sSet(BOOLEAN bIce) {
  if (bIce) return {s_asIceViews, sizeof s_asIceViews / sizeof s_asIceViews[0]};
  return {s_asNormalViews, sizeof s_asNormalViews / sizeof s_asNormalViews[0]};
}

constexpr U64 HISTORY_REGISTER_PATIENCE_MS = 2000;
constexpr U32 HISTORY_REGISTER_PAUSE_MS = 10;
static U64 s_u64RegisterDeadline;

// The view task's mailbox exists by the time this task starts; should it not,
// requests are tried again, all of a set's together for two seconds at most.
template <typename F>
static BOOLEAN HISTORY_bTry(F request) {
  for (;;) {
    if (request()) return TRUE;
    if (L_CLOCK_qwGetTimeInMillis() >= s_u64RegisterDeadline) return FALSE;
    L_CLOCK_Sleep(HISTORY_REGISTER_PAUSE_MS);
  }
}

static BOOLEAN HISTORY_bRegisterView(const HISTORY_VIEW& v) {
  // The notice over a simulated view; the shop demonstration is a simulation too.
  HISTORY_TEXT pSim = Simulation;
  if (v.pfnRight == nullptr) {
    return HISTORY_bTry([&] {
      return U_VIEW_bRegisterLayer(v.pfnLeft, v.view, USED_BY_NONE, v.u32UserLeft, v.display, TRUE, Playback, pSim,
                                   pSim);
    });
  }
  const BOOLEAN bLeft = HISTORY_bTry([&] {
    return U_VIEW_bRegisterLayerSplit(v.pfnLeft, v.view, USED_BY_NONE, v.u32UserLeft, v.display, TRUE, Playback, pSim,
                                      pSim, SPLIT_LEFT_WINDOW, v.split);
  });
  const BOOLEAN bRight = HISTORY_bTry([&] {
    return U_VIEW_bRegisterLayerSplit(v.pfnRight, v.view, USED_BY_NONE, v.u32UserRight, v.display, TRUE, Playback,
                                      pSim, pSim, SPLIT_RIGHT_WINDOW, v.split);
  });
  return bLeft && bRight;
}

static BOOLEAN HISTORY_bRegisterInfo(const HISTORY_VIEW& v) {
  if (v.info == USED_BY_NONE) return TRUE;
  return HISTORY_bTry([&] {
    return U_VIEW_bRegisterLayer(T_INFO_vDrawInfoLayer_Instrumentation_SonarView, v.info, v.view, HISTORY_INFO_USER,
                                 0, TRUE, nullptr, nullptr, nullptr);
  });
}

static void HISTORY_vUnregisterInfo(const HISTORY_SET& set) {
  for (U32 i = 0; i < set.u32Count; i++) {
    if (set.pViews[i].info != USED_BY_NONE) U_VIEW_bUnRegisterLayer(set.pViews[i].info);
  }
}

static void HISTORY_vUnregisterViews(const HISTORY_SET& set) {
  for (U32 i = 0; i < set.u32Count; i++) {
    const HISTORY_VIEW& v = set.pViews[i];
    if (v.pfnRight == nullptr) {
      U_VIEW_bUnRegisterLayer(v.view);
    } else {
      U_VIEW_bUnRegisterLayerSplit(v.view, SPLIT_LEFT_WINDOW);
      U_VIEW_bUnRegisterLayerSplit(v.view, SPLIT_RIGHT_WINDOW);
    }
  }
}

static BOOLEAN s_bIceSet;

// The set of bIce, each view with its information layer. The other set's
// information layers go first, since both sets share them; its views go
// last, so the view on screen moves to one of the new set.
static void HISTORY_vRegisterSet(BOOLEAN bIce, BOOLEAN bReplace) {
  if (bReplace) HISTORY_vUnregisterInfo(HISTORY_sSet(!bIce));
  const HISTORY_SET set = HISTORY_sSet(bIce);
  s_u64RegisterDeadline = L_CLOCK_qwGetTimeInMillis() + HISTORY_REGISTER_PATIENCE_MS;
  U32 u32Registered = 0;
  for (U32 i = 0; i < set.u32Count; i++) {
    if (HISTORY_bRegisterView(set.pViews[i]) && HISTORY_bRegisterInfo(set.pViews[i])) u32Registered++;
  }
  if (bReplace) HISTORY_vUnregisterViews(HISTORY_sSet(!bIce));
  s_bIceSet = bIce;
  log_me("[%d]%s: registered %d sonar views (ice %d)", __LINE__, __func__, (int)u32Registered, (int)bIce);
}

// ---------------------------------------------------------------------------
// Redraws

static BOOLEAN HISTORY_bSonarOnScreen(void) {
  switch (U_VIEW_eCurrentView()) {
    case SONAR_VIEW_PRIORITY:
    case ZOLT_DIGIT_VIEW_PRIORITY:
    case SONAR_ZOOM_VIEW_PRIORITY:
    case SONAR_DUAL_BEAM_VIEW_PRIORITY:
    case SONAR_2D_PLUS_FLASHER_ICE_PRIORITY:
    case SONAR_2D_ZOOM_PLUS_FLASHER_ICE_PRIORITY:
    case SONAR_FLASHER_ICE_PRIORITY:
    case SONAR_ICE_VIEW_PRIORITY:
    case SONAR_ZOOM_ICE_VIEW_PRIORITY:
    case ZOLT_DIGIT_ICE_VIEW_PRIORITY:
    case SONAR_DUAL_BEAM_ICE_VIEW_PRIORITY:
    case CHART_PLUS_2D_VIEW_PRIORITY:
    case CHART_PLUS_FLASHER_ICE_VIEW_PRIORITY:
    case CHART_PLUS_2D_ICE_VIEW_PRIORITY:
      return TRUE;
    default:
      return FALSE;
  }
}

// ---------------------------------------------------------------------------
// Messages

static BOOLEAN s_bHistoryShutdown;

static void HISTORY_vNewData(const MESSAGE_NEW_DATA* pData) {
  if (!pData->bValid) return;
  const FOURCHARID id = pData->FourCharId;
  if (id == FCID("SSPL")) {
    T_N_HISTORY_vSet2DColorTable();
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
  } else if (id == FCID("SSSP")) {
    s_u32ChartSpeed = HISTORY_u32ChartSpeed(pData->dbValue.u32Val);
  } else if (id == FCID("SUDP") || id == FCID("SSSV") || id == FCID("SSEN")) {
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
  } else if (id == FCID("SICE")) {
    const BOOLEAN bIce = (pData->dbValue.u32Val & 0xFF) != 0;
    if (bIce != s_bIceSet) HISTORY_vRegisterSet(bIce, TRUE);
  }
}

static void HISTORY_vDispatch(GENERIC_MESSAGE* pMsg) {
  switch (pMsg->Cmd) {
    case CMD_ID_SHUTDOWN:
      if (!s_bHistoryShutdown) log_me("[%d]%s: history task shut down", __LINE__, __func__);
      s_bHistoryShutdown = TRUE;
      break;
    case CMD_ID_NEW_DATA:
      if (!s_bHistoryShutdown) HISTORY_vNewData((const MESSAGE_NEW_DATA*)pMsg);
      break;
    case CMD_ID_RESET_POS:
      if (!s_bHistoryShutdown) HISTORY_vSettings(TRUE);
      break;
    case CMD_ID_RUN_SYSTEM:
      if (!s_bHistoryShutdown) T_N_HISTORY_vRegisterMenus();
      break;
    case CMD_ID_PING_UPDATE:
      S_SHARE_vClearHistoryUpdate();
      if (!s_bHistoryShutdown && HISTORY_bSonarOnScreen()) L_SEMA_Signal(SEMA_VIEW_UPDATE);
      break;
    default:
      break;
  }
  H_MEMORY_vDumpMail(pMsg);
}

// ---------------------------------------------------------------------------
// Entry

static void HISTORY_vSubscribe(void) {
  for (FOURCHARID key : {FCID("SSPL"), FCID("SSSP"), FCID("SUDP"), FCID("SICE"), FCID("SSSV"), FCID("SSEN")}) {
    if (!H_DATABASE_bRegisterForDataWithConditions(key, M_HISTORY, TRUE, FALSE, FALSE)) {
      ERROR_vFatal(__FILE_NAME__, __LINE__, "Database: problem registering");
    }
  }
}

void T_N_HISTORY_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)syscall(SYS_gettid));
  s_bHistoryShutdown = FALSE;
  U_TASKSTUB_vPublish(FCID("TSMG"), M_HISTORY);
  // Subscribed before the settings are read, so a change made while the
  // task starts is never lost between the read and the subscription.
  HISTORY_vSubscribe();
  HISTORY_vSettings(FALSE);
  T_N_HISTORY_vSet2DColorTable();
  HISTORY_vCreate();
  BOOLEAN bIce = FALSE;
  if (!H_DATABASE_bFetchBoolean(FCID("SICE"), &bIce, nullptr, nullptr)) bIce = FALSE;
  HISTORY_vRegisterSet(bIce, FALSE);
  for (;;) {
    GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_ReceiveWaitTicks(M_HISTORY, 1000);
    for (; pMsg != nullptr; pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_HISTORY)) HISTORY_vDispatch(pMsg);
  }
}
