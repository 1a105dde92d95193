// The start-up task's screens, drawn on the view task: the splash (a scene
// of our own drawn once into a buffer of its own, the model name, the hint
// and the owner's lines), the start-up menu, the note over every view, and
// the System Status view. What they show is read from the task's shared
// state and from the database at each frame.

#include <math.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <mutex>

#include "color.h"
#include "g_box.h"
#include "g_fonts.h"
#include "g_string.h"
#include "h_database.h"
#include "model_current.h"
#include "t_startuppriv.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_wstring.h"
#include "ui_texts.h"
#include "version.h"

// ---------------------------------------------------------------------------
// Text helpers


static const char* STARTUP_pcText(MENU_TEXT pTable) { return pTable[nCurrentLanguage()]; }

static const FONT_DEF* STARTUP_pFont(const FONT_DEF* pLatin, const FONT_DEF* pWide) {
  return U_WSTRING_bIsUnicodeLanguage() ? pWide : pLatin;
}

// 8-bit data (a model name, a number, the owner's text) in the current
// language's form.
typedef struct tag_STARTUP_TEXT {
  char ac[2 * STARTUP_OWNER_LINE_BYTES + 2];
} STARTUP_TEXT;

static STARTUP_TEXT STARTUP_sText(const char* pcAscii) {
  STARTUP_TEXT t;
  memset(&t, 0, sizeof t);
  if (pcAscii == nullptr) return t;
  if (U_WSTRING_bIsUnicodeLanguage()) {
    U_WSTRING_vAscii2Unicode(t.ac, pcAscii, sizeof t.ac, TRUE);
  } else {
    snprintf(t.ac, sizeof t.ac, "%.*s", (int)sizeof t.ac - 1, pcAscii);
  }
  return t;
}

static void STARTUP_vPutCentred(BITMAP* pBitmap, COLOR color, S32 x0, S32 x1, S32 y, const FONT_DEF* pFont,
                                const char* pcText, COLOR outline, BOOLEAN bOutline) {
  const S32 width = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pcText);
  POINT at = {x0 + (x1 - x0 - width) / 2, y};
  if (bOutline) {
    G_STRING_vPutWithOutline(pBitmap, color, &at, pFont, (const BYTE*)pcText, outline);
  } else {
    G_STRING_vPut(pBitmap, color, &at, pFont, (const BYTE*)pcText);
  }
}

// ---------------------------------------------------------------------------
// The splash scene: dawn sky, a boat on the horizon, its sonar cone reaching
// down through the water to a rolling sea bed, and a few fish in the beam.

constexpr S32 SPLASH_W = (S32)G_SCREEN_WIDTH;
constexpr S32 SPLASH_H = (S32)G_SCREEN_HEIGHT;
constexpr S32 SPLASH_HORIZON = 340;
constexpr S32 SPLASH_BOAT_X = 170;
constexpr S32 SPLASH_KEEL_Y = 332;
constexpr double SPLASH_PI = 3.14159265358979323846;
constexpr double SPLASH_CONE_HALF_ANGLE = 20.0 * SPLASH_PI / 180.0;

static COLOR s_acolSplash[SPLASH_H][SPLASH_W];  // top row first

typedef struct tag_RGB {
  double r, g, b;
} RGB;

static RGB SPLASH_mix(RGB a, RGB b, double t) {
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

static COLOR SPLASH_color(RGB c) {
  const U32 r = (U32)lround(c.r), g = (U32)lround(c.g), b = (U32)lround(c.b);
  return (COLOR)((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

static double SPLASH_dSeaBed(S32 x) { return 70.0 + 24.0 * sin(x / 95.0) + 9.0 * sin(x / 31.0 + 1.0); }

static BOOLEAN SPLASH_bInEllipse(S32 x, S32 y, double cx, double cy, double rx, double ry) {
  const double dx = (x - cx) / rx, dy = (y - cy) / ry;
  return dx * dx + dy * dy <= 1.0;
}

// A fish facing left: an oval body and a tail behind it.
static BOOLEAN SPLASH_bFish(S32 x, S32 y, double cx, double cy, double size) {
  if (SPLASH_bInEllipse(x, y, cx, cy, size, size * 0.45)) return TRUE;
  const double tx = x - (cx + size * 0.9);
  return tx >= 0 && tx <= size * 0.55 && fabs(y - cy) <= tx * 0.8;
}

static BOOLEAN SPLASH_bBoat(S32 x, S32 y) {
  // Hull: a trapezoid from the keel to the deck, bow to the right.
  if (y >= SPLASH_KEEL_Y && y <= 352) {
    const double t = (y - SPLASH_KEEL_Y) / 20.0;
    const double left = SPLASH_BOAT_X - 45 - 20 * t, right = SPLASH_BOAT_X + 45 + 35 * t;
    return x >= left && x <= right;
  }
  // Cabin.
  return y > 352 && y <= 372 && x >= SPLASH_BOAT_X - 30 && x <= SPLASH_BOAT_X + 20;
}

static RGB SPLASH_sPixel(S32 x, S32 y) {
  static const RGB kSkyHigh = {70, 128, 196}, kSkyLow = {250, 206, 150}, kSun = {255, 240, 200};
  static const RGB kSurface = {32, 118, 176}, kDeep = {6, 28, 66}, kBeam = {120, 200, 230};
  static const RGB kSandTop = {150, 124, 84}, kSandLow = {86, 68, 44}, kEcho = {250, 120, 40};
  static const RGB kHull = {236, 238, 240}, kStripe = {200, 40, 40}, kWindow = {40, 60, 90};
  static const RGB kFish = {250, 204, 70};
  if (SPLASH_bBoat(x, y)) {
    if (y > 352) return (y >= 360 && y <= 366 && x >= SPLASH_BOAT_X - 24 && x <= SPLASH_BOAT_X + 14) ? kWindow : kHull;
    return y >= 338 && y <= 341 ? kStripe : kHull;
  }
  if (y > SPLASH_HORIZON) {
    if (SPLASH_bInEllipse(x, y, 660, 400, 30, 30)) return kSun;
    return SPLASH_mix(kSkyLow, kSkyHigh, (y - SPLASH_HORIZON) / (double)(SPLASH_H - SPLASH_HORIZON));
  }
  const double bed = SPLASH_dSeaBed(x);
  const double dx = x - SPLASH_BOAT_X, dy = SPLASH_KEEL_Y - y;
  const double angle = atan2(fabs(dx), dy);
  const BOOLEAN bInBeam = dy > 0 && angle <= SPLASH_CONE_HALF_ANGLE;
  if (y < bed) {
    if (bInBeam && y >= bed - 5) return kEcho;
    return SPLASH_mix(kSandTop, kSandLow, (bed - y) / bed);
  }
  RGB water = SPLASH_mix(kDeep, kSurface, y / (double)SPLASH_HORIZON);
  if (SPLASH_bFish(x, y, 156, 214, 16) || SPLASH_bFish(x, y, 202, 150, 12) || SPLASH_bFish(x, y, 560, 140, 14)) {
    return kFish;
  }
  if (bInBeam) {
    water = SPLASH_mix(water, kBeam, 0.22);
    const double r = sqrt(dx * dx + dy * dy);
    if (fmod(r, 44.0) < 1.6) water = SPLASH_mix(water, kBeam, 0.7);
  }
  return water;
}

static void SPLASH_vRender(void) {
  for (S32 row = 0; row < SPLASH_H; row++) {
    for (S32 x = 0; x < SPLASH_W; x++) s_acolSplash[row][x] = SPLASH_color(SPLASH_sPixel(x, SPLASH_H - 1 - row));
  }
}

static std::once_flag s_splashOnce;

void STARTUP_vPrepareSplash(void) { std::call_once(s_splashOnce, SPLASH_vRender); }

// The scene into the page within the window.
static void SPLASH_vCopy(BITMAP* pBitmap, const WINDOW_SPECIFICATION* psWindowSpec) {
  STARTUP_vPrepareSplash();
  WINDOW_LOCATION w = {0, SPLASH_H - 1, SPLASH_W - 1, 0};
  if (psWindowSpec != nullptr) w = psWindowSpec->drawWindow;
  const S32 left = w.s32ClipLeft < 0 ? 0 : w.s32ClipLeft;
  const S32 right = w.s32ClipRight >= SPLASH_W ? SPLASH_W - 1 : w.s32ClipRight;
  const S32 bottom = w.s32ClipBottom < 0 ? 0 : w.s32ClipBottom;
  const S32 top = w.s32ClipTop >= SPLASH_H ? SPLASH_H - 1 : w.s32ClipTop;
  if (left > right || bottom > top || pBitmap->pixels_wide_full_screen < SPLASH_W ||
      pBitmap->pixels_high_full_screen < SPLASH_H) {
    return;
  }
  COLOR* pPixels = (COLOR*)pBitmap->pBuffer;
  for (S32 y = bottom; y <= top; y++) {
    const size_t row = (size_t)(pBitmap->pixels_high_full_screen - 1 - y) * pBitmap->__u32PixelWidthOfBuffer;
    memcpy(pPixels + row + left, &s_acolSplash[SPLASH_H - 1 - y][left], (size_t)(right - left + 1) * sizeof(COLOR));
  }
}

// ---------------------------------------------------------------------------
// The owner's text

static std::mutex s_personalLock;
static char s_personalString[253];

void STARTUP_vSetPersonal(const char* pcPersonal, U32 u32Bytes) {
  std::lock_guard<std::mutex> guard(s_personalLock);
  memset(s_personalString, 0, sizeof s_personalString);
  if (pcPersonal != nullptr) memcpy(s_personalString, pcPersonal, u32Bytes < 252 ? u32Bytes : 252);
}

U32 T_STARTUP_u32OwnerLines(const char* pcPersonal, U32 u32Bytes,
                            char aacLines[STARTUP_OWNER_LINES][STARTUP_OWNER_LINE_BYTES]) {
  if (pcPersonal == nullptr) return 0;
  U32 u32Lines = 0, at = 0;
  while (at < u32Bytes && pcPersonal[at] != '\0' && u32Lines < STARTUP_OWNER_LINES) {
    U32 end = at;
    while (end < u32Bytes && pcPersonal[end] != '\0' && pcPersonal[end] != STARTUP_OWNER_DELIMITER) end++;
    char* pLine = aacLines[u32Lines++];
    const BOOLEAN bEmpty = end - at == 1 && pcPersonal[at] == '\x03';
    const U32 n = bEmpty ? 0 : (end - at < STARTUP_OWNER_LINE_BYTES - 1 ? end - at : STARTUP_OWNER_LINE_BYTES - 1);
    memcpy(pLine, pcPersonal + at, n);
    pLine[n] = '\0';
    at = end < u32Bytes && pcPersonal[end] == STARTUP_OWNER_DELIMITER ? end + 1 : end;
  }
  return u32Lines;
}

// Centred one under the other, the block's middle 418 - h from the bottom.
static void SPLASH_vDrawOwnerLines(BITMAP* pBitmap) {
  char acPersonal[sizeof s_personalString];
  {
    std::lock_guard<std::mutex> guard(s_personalLock);
    memcpy(acPersonal, s_personalString, sizeof acPersonal);
  }
  char aacLines[STARTUP_OWNER_LINES][STARTUP_OWNER_LINE_BYTES];
  const U32 n = T_STARTUP_u32OwnerLines(acPersonal, sizeof acPersonal - 1, aacLines);
  if (n == 0) return;
  const FONT_DEF* pFont = STARTUP_pFont(myriad_pro_bold_size19_font_def_ptr, arialuni_size19_font_def_ptr);
  const S32 h = (S32)G_STRING_u32GetHeight(pFont);
  const S32 bottom = 418 - h - (S32)n * h / 2;
  for (U32 i = 0; i < n; i++) {
    const STARTUP_TEXT t = STARTUP_sText(aacLines[i]);
    STARTUP_vPutCentred(pBitmap, COLOR_colEntry(32), 0, SPLASH_W, bottom + (S32)(n - 1 - i) * h, pFont, t.ac,
                        COLOR_colEntry(35), TRUE);
  }
}

void T_STARTUP_vDisplaySplashScreen(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  if (pBitmap == nullptr) return;
  SPLASH_vCopy(pBitmap, psWindowSpec);
  const MODEL_TYPE eModel = MODEL_eCurrent();
  if (eModel == MODEL_DOMESTIC || eModel == MODEL_DEFAULT) {
    const FONT_DEF* pFont = STARTUP_pFont(myriad_pro_bold_size44_font_def_ptr, arialuni_size44_font_def_ptr);
    const STARTUP_TEXT t = STARTUP_sText(MODEL_pcFetchModelText(eModel));
    const S32 baseline = 221 - (S32)G_FONTS_u32GetAscenderHeight(pFont);
    STARTUP_vPutCentred(pBitmap, COLOR_colEntry(35), 0, SPLASH_W, baseline, pFont, t.ac, COLOR_colEntry(32), TRUE);
  }
  if (!g_sStartup.bDisplayFullSplashScreen) return;
  const FONT_DEF* pHintFont = STARTUP_pFont(myriad_pro_bold_size17_font_def_ptr, arialuni_size17_font_def_ptr);
  const char* pcHint = STARTUP_pcText(Press_MENU_for_Startup_Options);
  U32 u32Width = G_STRING_u32GetWidth(pHintFont, (const BYTE*)pcHint) + 40;
  u32Width = u32Width < 360 ? 360 : u32Width > 760 ? 760 : u32Width;
  const POINT hint = {(SPLASH_W - (S32)u32Width) / 2, 30};
  U_DIALOG_u32DrawMessageBlock(pBitmap, pcHint, pHintFont, 4, JUSTIFICATION_CENTER, JUSTIFICATION_BOTTOM, &hint,
                               u32Width, COLOR_colEntry(238), COLOR_colEntry(35));
  SPLASH_vDrawOwnerLines(pBitmap);
}

// ---------------------------------------------------------------------------
// The start-up menu: the menus' panel look over the dimmed splash.

constexpr S32 STARTUP_PANEL_W = 360;
constexpr S32 STARTUP_TITLE_H = 38;
constexpr S32 STARTUP_ROW_H = 40;

void T_STARTUP_vDisplayStartupMenu(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  if (pBitmap == nullptr) return;
  SPLASH_vCopy(pBitmap, psWindowSpec);
  POINT origin = {0, 0};
  G_BOX_vDrawFilledAlpha(pBitmap, COLOR_colEntry(32), &origin, (U32)SPLASH_W, (U32)SPLASH_H, 96);

  const S32 H = STARTUP_TITLE_H + STARTUP_ROW_H * STARTUP_MENU_ROWS + 2;
  const S32 top = 400;
  POINT box = {(SPLASH_W - STARTUP_PANEL_W) / 2, top - H};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(237), &box, (U32)STARTUP_PANEL_W, (U32)H);
  POINT band = {box.x, top - STARTUP_TITLE_H};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(238), &band, (U32)STARTUP_PANEL_W, (U32)STARTUP_TITLE_H);
  G_BOX_vDraw(pBitmap, COLOR_colEntry(32), &box, (U32)STARTUP_PANEL_W, (U32)H);
  const FONT_DEF* pTitleFont = STARTUP_pFont(myriad_pro_bold_size19_font_def_ptr, arialuni_size19_font_def_ptr);
  POINT title = {box.x + 11, top - 27};
  G_STRING_vPut(pBitmap, COLOR_colEntry(35), &title, pTitleFont, (const BYTE*)STARTUP_pcText(Start_Up_Options));

  const FONT_DEF* pRowFont = STARTUP_pFont(myriad_pro_size17_font_def_ptr, arialuni_size17_font_def_ptr);
  const S32 selected = g_sStartup.s32MenuLine;
  for (S32 i = 0; i < STARTUP_MENU_ROWS; i++) {
    const S32 rowBottom = band.y - STARTUP_ROW_H * (i + 1);
    POINT label = {box.x + 11, rowBottom + 13};
    const char* pcRow = STARTUP_pcText(g_asStartupMenu[i].pString);
    G_STRING_vPut(pBitmap, COLOR_colEntry(35), &label, pRowFont, (const BYTE*)pcRow);
    if (i + 1 < STARTUP_MENU_ROWS) {
      POINT rule = {box.x + 11, rowBottom};
      G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(236), &rule, (U32)(STARTUP_PANEL_W - 23), 1);
    }
    if (i != selected) continue;
    for (S32 in = 0; in < 3; in++) {
      POINT at = {box.x + 1 + in, rowBottom + in};
      G_BOX_vDraw(pBitmap, COLOR_colEntry(241), &at, (U32)(STARTUP_PANEL_W - 2 - 2 * in), (U32)(STARTUP_ROW_H - 2 * in));
    }
  }
  const FONT_DEF* pBold = STARTUP_pFont(myriad_pro_bold_size17_font_def_ptr, arialuni_size17_font_def_ptr);
  if (!g_sStartup.bTransducerConnected) {
    STARTUP_vPutCentred(pBitmap, COLOR_colEntry(36), 0, SPLASH_W, box.y - 30, pBold,
                        STARTUP_pcText(Transducer_not_connected), COLOR_colEntry(32), TRUE);
  }
  U_DIALOG_vDrawDialogGenericNotification(pBitmap, STARTUP_pcText(Press_Right_Cursor_Arrow_to_Select));
}

// ---------------------------------------------------------------------------
// The note over every view

static void STARTUP_vDrawBurnIn(BITMAP* pBitmap) {
  const FONT_DEF* pFont = STARTUP_pFont(myriad_pro_bold_size17_font_def_ptr, arialuni_size17_font_def_ptr);
  STARTUP_TEXT flash = STARTUP_sText(g_sStartup.pcMapFlashText.load());
  STARTUP_TEXT clock = STARTUP_sText("");
  const S64 s64Start = g_sStartup.s64BurnInStart;
  if (s64Start != 0) {
    S64 s64Seconds = (S64)time(nullptr) - s64Start;
    s64Seconds = s64Seconds < 0 ? 0 : s64Seconds > 359999 ? 359999 : s64Seconds;
    char acClock[16];
    snprintf(acClock, sizeof acClock, " %02d:%02d:%02d ", (int)(s64Seconds / 3600), (int)(s64Seconds / 60 % 60),
             (int)(s64Seconds % 60));
    clock = STARTUP_sText(acClock);
  }
  const STARTUP_TEXT blank = STARTUP_sText(" ");
  const char* apcLines[] = {STARTUP_pcText(Burn_In), blank.ac, flash.ac, clock.ac};
  const U32 u32Lines = s64Start != 0 ? 4 : 3;
  LINEOFTEXT asLines[4];
  U32 u32Widest = 0;
  for (U32 i = 0; i < u32Lines; i++) {
    const U32 u32Bytes = U_WSTRING_u32w_strlen(apcLines[i], FALSE);
    asLines[i].pcStartOfText = apcLines[i];
    asLines[i].u8NumberOfCharsInLine = (U8)(u32Bytes > 255 ? 255 : u32Bytes);
    asLines[i].u16WidthOfLine = (U16)G_STRING_u32GetWidth(pFont, (const BYTE*)apcLines[i]);
    asLines[i].bIndent = FALSE;
    if (asLines[i].u16WidthOfLine > u32Widest) u32Widest = asLines[i].u16WidthOfLine;
  }
  U_DIALOG_vDrawGenericDialog(pBitmap, nullptr, asLines, u32Widest + 60, pFont, nullptr, nullptr,
                              JUSTIFICATION_CENTER, JUSTIFICATION_CENTER, FALSE, FALSE, (U16)u32Lines, FALSE, 0, 0, 0);
}

void T_STARTUP_vDrawTransducerNotDetected(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  if (pBitmap == nullptr) return;
  if (g_sStartup.eState == STATE_BURN_IN) {
    STARTUP_vDrawBurnIn(pBitmap);
  } else {
    U_DIALOG_vDrawDialogAlarm(pBitmap, STARTUP_pcText(Transducer_not_connected));
  }
}

// ---------------------------------------------------------------------------
// System Status

constexpr S32 STATUS_LABEL_X = 150;
constexpr S32 STATUS_VALUE_X = 430;
constexpr S32 STATUS_FIRST_ROW = 300;
constexpr S32 STATUS_ROW_H = 34;

void T_STARTUP_vDrawSelfTestView(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  if (pBitmap == nullptr) return;
  POINT origin = {0, 0};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(238), &origin, (U32)SPLASH_W, (U32)SPLASH_H);
  const FONT_DEF* pTitle = STARTUP_pFont(myriad_pro_bold_size32_font_def_ptr, arialuni_size32_font_def_ptr);
  const FONT_DEF* pBold = STARTUP_pFont(myriad_pro_bold_size21_font_def_ptr, arialuni_size21_font_def_ptr);
  STARTUP_vPutCentred(pBitmap, COLOR_colEntry(35), 0, SPLASH_W, 420, pTitle, STARTUP_pcText(System_Status), 0, FALSE);
  POINT test = {STATUS_LABEL_X, 360};
  G_STRING_vPut(pBitmap, COLOR_colEntry(35), &test, pBold, (const BYTE*)STARTUP_pcText(Self_Test));
  POINT passed = {STATUS_VALUE_X, 360};
  G_STRING_vPut(pBitmap, COLOR_colEntry(39), &passed, pBold, (const BYTE*)STARTUP_pcText(Passed));
  POINT rule = {STATUS_LABEL_X, 345};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(236), &rule, (U32)(SPLASH_W - 2 * STATUS_LABEL_X), 1);
}

static void STATUS_vRow(BITMAP* pBitmap, U32 u32Row, MENU_TEXT pLabel, const char* pcValue, const char* pcUnit) {
  const FONT_DEF* pFont = STARTUP_pFont(myriad_pro_size19_font_def_ptr, arialuni_size19_font_def_ptr);
  const S32 y = STATUS_FIRST_ROW - (S32)u32Row * STATUS_ROW_H;
  POINT label = {STATUS_LABEL_X, y};
  G_STRING_vPut(pBitmap, COLOR_colEntry(35), &label, pFont, (const BYTE*)STARTUP_pcText(pLabel));
  POINT value = {STATUS_VALUE_X, y};
  const STARTUP_TEXT t = STARTUP_sText(pcValue);
  G_STRING_vPut(pBitmap, COLOR_colEntry(35), &value, pFont, (const BYTE*)t.ac);
  if (pcUnit != nullptr) G_STRING_vPut(pBitmap, COLOR_colEntry(35), &value, pFont, (const BYTE*)pcUnit);
}

static U32 STATUS_u32Fetch(FOURCHARID id, U32 u32Default) {
  U32 value = u32Default;
  return H_DATABASE_bFetchU32(id, &value, nullptr, nullptr) ? value : u32Default;
}

// The serial number is the unit, batch and build-year keys side by side; a
// part the factory never wrote counts as 0.
static U32 STATUS_u32SerialPart(FOURCHARID id, U32 u32Modulus) {
  const U32 value = STATUS_u32Fetch(id, 0xFFFFFFFF);
  return value == 0xFFFFFFFF ? 0 : value % u32Modulus;
}

static void STATUS_vSerialNumber(char* pcBuffer, size_t size) {
  if (STATUS_u32Fetch(FCID("SENU"), 0xFFFFFFFF) == 0xFFFFFFFF) {
    snprintf(pcBuffer, size, "-----");
    return;
  }
  snprintf(pcBuffer, size, "%05d%02d%04d", (int)STATUS_u32SerialPart(FCID("SENU"), 100000),
           (int)STATUS_u32SerialPart(FCID("SENB"), 100), (int)STATUS_u32SerialPart(FCID("SETB"), 10000));
}

void T_STARTUP_vDrawSelfTestData(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  if (pBitmap == nullptr) return;
  char acValue[48];
  STATUS_vRow(pBitmap, 0, Model, MODEL_pcFetchModelText(MODEL_eCurrent()), nullptr);
  // The record's fields are already in the current language's form.
  const VERSION_INFO* pVersion = VERSION_pversion_infoGetCurrentVersion();
  U_WSTRING_vUnicode2Ascii(acValue, pVersion->version, sizeof acValue, FALSE);
  STATUS_vRow(pBitmap, 1, Software_Version, acValue, nullptr);
  STATUS_vSerialNumber(acValue, sizeof acValue);
  STATUS_vRow(pBitmap, 2, Serial_Number, acValue, nullptr);
  snprintf(acValue, sizeof acValue, "%u ", STATUS_u32Fetch(FCID("SAGE"), 0) / 3600);
  STATUS_vRow(pBitmap, 3, Total_Time, acValue, STARTUP_pcText(hrs));
  float fVolts = 0;
  BOOLEAN bValid = FALSE;
  if (H_DATABASE_bFetchFloat(FCID("IVLT"), &fVolts, &bValid, nullptr) && bValid) {
    snprintf(acValue, sizeof acValue, "%0.1f ", (double)fVolts);
    STATUS_vRow(pBitmap, 4, Voltage, acValue, STARTUP_pcText(V));
  } else {
    STATUS_vRow(pBitmap, 4, Voltage, "-----", nullptr);
  }
  // This unit has no network port.
  STATUS_vRow(pBitmap, 5, MAC_Address, "-----", nullptr);
  STATUS_vRow(pBitmap, 6, IP_Address, "-----", nullptr);
}
