// Colours, faces, text fitted to its room, and the two value controls. Text
// widths go through FreeType on every measure, and a menu frame measures the
// same labels again and again, so each width is kept once measured: a small
// direct-mapped table keyed by a hash of the text, its face and, for cut
// texts, the room.

#include "u_menulook.h"

#include <string.h>

#include <algorithm>
#include <mutex>

#include "color.h"
#include "g_box.h"
#include "g_string.h"
#include "u_language.h"
#include "u_menu.h"
#include "u_wstring.h"

COLOR U_MENULOOK_color(MENU_COLOR_INDEX eIndex) { return gCOLOR_pcolColorTable[eIndex]; }

static BOOLEAN LOOK_bWide(void) { return U_WSTRING_bIsUnicodeLanguage(); }

const FONT_DEF* U_MENULOOK_pTitleFont(void) {
  return LOOK_bWide() ? arialuni_size19_font_def_ptr : myriad_pro_bold_size19_font_def_ptr;
}
const FONT_DEF* U_MENULOOK_pValueFont(void) {
  return LOOK_bWide() ? arialuni_size17_font_def_ptr : myriad_pro_bold_size17_font_def_ptr;
}
// Plain texts keep the regular Latin face in every language; the renderer
// takes a wide language's own characters from the Unicode face.
const FONT_DEF* U_MENULOOK_pLabelFont(void) { return myriad_pro_size17_font_def_ptr; }
const FONT_DEF* U_MENULOOK_pSmallFont(void) { return myriad_pro_size14_font_def_ptr; }
const FONT_DEF* U_MENULOOK_pBigFont(void) {
  return LOOK_bWide() ? arialuni_size26_font_def_ptr : myriad_pro_bold_size26_font_def_ptr;
}

// ---------------------------------------------------------------------------
// Widths kept

typedef struct tag_LOOK_SLOT {
  U64 u64Key;  // 0: empty
  U32 u32Value;
} LOOK_SLOT;

constexpr U32 LOOK_SLOTS = 1024;
static LOOK_SLOT s_aLookSlots[LOOK_SLOTS];
static unsigned s_nLanguage = LANGUAGE_COUNT;
static std::mutex s_lookLock;

void U_MENULOOK_vFollowLanguage(void) {
  unsigned nLanguage = nCurrentLanguage();
  std::lock_guard<std::mutex> lock(s_lookLock);
  if (nLanguage == s_nLanguage) return;
  memset(s_aLookSlots, 0, sizeof s_aLookSlots);
  s_nLanguage = nLanguage;
}

// FNV-1a over the text's bytes, its face and a salt.
static U64 LOOK_u64Key(const char* pText, U32 u32Bytes, const FONT_DEF* pFont, U64 u64Salt) {
  U64 h = 14695981039346656037ull;
  for (U32 i = 0; i < u32Bytes; i++) h = (h ^ (U8)pText[i]) * 1099511628211ull;
  h = (h ^ (U64)(uintptr_t)pFont) * 1099511628211ull;
  h = (h ^ u64Salt) * 1099511628211ull;
  return h != 0 ? h : 1;
}

static BOOLEAN LOOK_bFind(U64 u64Key, U32* pu32Value) {
  std::lock_guard<std::mutex> lock(s_lookLock);
  const LOOK_SLOT& slot = s_aLookSlots[u64Key % LOOK_SLOTS];
  if (slot.u64Key != u64Key) return FALSE;
  *pu32Value = slot.u32Value;
  return TRUE;
}

static void LOOK_vKeep(U64 u64Key, U32 u32Value) {
  std::lock_guard<std::mutex> lock(s_lookLock);
  s_aLookSlots[u64Key % LOOK_SLOTS] = LOOK_SLOT{u64Key, u32Value};
}

U32 U_MENULOOK_u32Width(const char* pText, const FONT_DEF* pFont) {
  if (pText == nullptr || pFont == nullptr) return 0;
  const U64 key = LOOK_u64Key(pText, U_WSTRING_u32w_strlen(pText, FALSE), pFont, 0);
  U32 u32Width = 0;
  if (LOOK_bFind(key, &u32Width)) return u32Width;
  u32Width = G_STRING_u32GetWidth(pFont, (const BYTE*)pText);
  LOOK_vKeep(key, u32Width);
  return u32Width;
}

// Copies the first n characters and a terminator.
static void LOOK_vCopy(char* pBuffer, const char* pText, U32 n, U32 u32Unit) {
  memcpy(pBuffer, pText, n * u32Unit);
  memset(pBuffer + n * u32Unit, 0, u32Unit);
}

static BOOLEAN LOOK_bSpace(const char* pText, U32 i, U32 u32Unit) {
  if (u32Unit == 1) return pText[i] == ' ';
  const U32 c = (U32)((U8)pText[2 * i] << 8 | (U8)pText[2 * i + 1]);
  return c == ' ' || c == 0x3000;
}

U32 U_MENULOOK_u32Shorten(char* pBuffer, U32 u32Size, const char* pText, const FONT_DEF* pFont, U32 u32Room) {
  if (pBuffer == nullptr || u32Size < 16) return 0;
  const U32 u32Unit = LOOK_bWide() ? 2 : 1;
  const U32 u32Bytes = U_WSTRING_u32w_strlen(pText, FALSE);
  const U32 u32Chars = u32Bytes / u32Unit;
  const U32 u32Fits = (u32Size - u32Unit) / u32Unit;  // characters that fit whole, with the terminator
  const U32 u32Full = U_MENULOOK_u32Width(pText, pFont);
  if (u32Chars <= u32Fits && u32Full <= u32Room) {
    LOOK_vCopy(pBuffer, pText != nullptr ? pText : "\0", u32Chars, u32Unit);
    return u32Full;
  }
  static const char s_acDots[] = "...";
  static const char s_acWideDots[] = "\0.\0.\0.\0";
  const char* pDots = u32Unit == 2 ? s_acWideDots : s_acDots;
  const U32 u32DotsWidth = U_MENULOOK_u32Width(pDots, pFont);
  // The most characters that fit with the dots, found once per text, face and
  // room: widths grow with the characters, so a binary search finds it.
  const U64 key = LOOK_u64Key(pText, u32Bytes, pFont, (U64)u32Room << 1 | 1);
  U32 n = 0;
  if (!LOOK_bFind(key, &n)) {
    U32 lo = 0, hi = u32Chars < u32Fits - 3 ? u32Chars : u32Fits - 3;
    while (lo < hi) {
      const U32 mid = (lo + hi + 1) / 2;
      LOOK_vCopy(pBuffer, pText, mid, u32Unit);
      if (G_STRING_u32GetWidth(pFont, (const BYTE*)pBuffer) + u32DotsWidth <= u32Room) {
        lo = mid;
      } else {
        hi = mid - 1;
      }
    }
    n = lo;
    while (n > 0 && LOOK_bSpace(pText, n - 1, u32Unit)) n--;
    if (n == 0 && u32DotsWidth > u32Room) n = 0xFFFFFFFF;
    LOOK_vKeep(key, n);
  }
  if (n == 0xFFFFFFFF) {
    LOOK_vCopy(pBuffer, "\0", 0, u32Unit);
    return 0;
  }
  n = std::min(n, u32Fits - 3);  // a kept answer may come from a larger buffer
  LOOK_vCopy(pBuffer, pText, n, u32Unit);
  memcpy(pBuffer + n * u32Unit, pDots, 4 * u32Unit);
  return U_MENULOOK_u32Width(pBuffer, pFont);
}

PIXEL U_MENULOOK_s32Baseline(PIXEL s32Bottom, U32 u32Height) { return s32Bottom + ((PIXEL)u32Height - 14) / 2; }

void U_MENULOOK_vPut(BITMAP* pBitmap, COLOR color, PIXEL x, PIXEL y, const FONT_DEF* pFont, const char* pText) {
  POINT at = {x, y};
  G_STRING_vPut(pBitmap, color, &at, pFont, (const BYTE*)pText);
}

// ---------------------------------------------------------------------------
// Value controls

constexpr U32 LOOK_ARROW = 13;
constexpr PIXEL LOOK_ARROW_INSET = 6;

// Light backgrounds (luma above half) take black marks, dark ones white.
static COLOR LOOK_colorOn(COLOR background) {
  const U32 r = (U32)(background >> 11) * 255 / 31;
  const U32 g = (U32)((background >> 5) & 0x3F) * 255 / 63;
  const U32 b = (U32)(background & 0x1F) * 255 / 31;
  const U32 luma = (299 * r + 587 * g + 114 * b) / 1000;
  return U_MENULOOK_color(luma > 127 ? MENU_COLOR_BLACK : MENU_COLOR_WHITE);
}

U32 U_MENULOOK_u32ValueBoxRoom(U32 u32Width) {
  const U32 sides = 2 * (LOOK_ARROW_INSET + (LOOK_ARROW + 1) / 2 + 4);
  return u32Width > sides ? u32Width - sides : 0;
}

void U_MENULOOK_vDrawValueBox(BITMAP* pBitmap, POINT anchor, U32 u32Width, U32 u32Height, COLOR background,
                              const char* pText, const ICON* pIcon, BOOLEAN bLeft, BOOLEAN bRight) {
  G_BOX_vDrawFilled(pBitmap, background, &anchor, u32Width, u32Height);
  G_BOX_vDraw(pBitmap, U_MENULOOK_color(MENU_COLOR_RULE), &anchor, u32Width, u32Height);
  const COLOR ink = LOOK_colorOn(background);
  const PIXEL arrowY = anchor.y + ((PIXEL)u32Height - (PIXEL)LOOK_ARROW) / 2;
  const PIXEL arrowWidth = (PIXEL)(LOOK_ARROW + 1) / 2;
  if (bLeft) U_MENU_vDrawArrowLeft(pBitmap, anchor.x + LOOK_ARROW_INSET, arrowY, LOOK_ARROW, ink);
  if (bRight) {
    U_MENU_vDrawArrowRight(pBitmap, anchor.x + (PIXEL)u32Width - LOOK_ARROW_INSET - arrowWidth, arrowY, LOOK_ARROW,
                           ink);
  }
  if (pIcon != nullptr) {
    POINT at = {anchor.x + ((PIXEL)u32Width - (PIXEL)G_ICON_u32GetWidth(pIcon)) / 2,
                anchor.y + ((PIXEL)u32Height - (PIXEL)G_ICON_u32GetHeight(pIcon)) / 2};
    G_ICON_vPut(pBitmap, pIcon, &at);
    return;
  }
  if (pText == nullptr) return;
  const FONT_DEF* pFont = U_MENULOOK_pValueFont();
  char acText[MENU_TEXT_BUFFER];
  const PIXEL width =
      (PIXEL)U_MENULOOK_u32Shorten(acText, sizeof acText, pText, pFont, U_MENULOOK_u32ValueBoxRoom(u32Width));
  U_MENULOOK_vPut(pBitmap, ink, anchor.x + ((PIXEL)u32Width - width) / 2,
                  U_MENULOOK_s32Baseline(anchor.y, u32Height), pFont, acText);
}

void U_MENULOOK_vDrawBar(BITMAP* pBitmap, POINT anchor, U32 u32Width, U32 u32Height, float fFraction,
                         const char* pText, U32 u32Field) {
  constexpr U32 TRACK_HEIGHT = 10;
  const U32 FIELD = u32Field != 0 ? u32Field : 44;
  if (u32Width <= FIELD + 4) return;
  const U32 track = u32Width - FIELD - 4;
  const POINT at = {anchor.x, anchor.y + ((PIXEL)u32Height - (PIXEL)TRACK_HEIGHT) / 2};
  if (!(fFraction >= 0.0f)) fFraction = 0.0f;  // NaN reads as empty
  if (fFraction > 1.0f) fFraction = 1.0f;
  G_BOX_vDrawFilled(pBitmap, U_MENULOOK_color(MENU_COLOR_TRACK), &at, track, TRACK_HEIGHT);
  G_BOX_vDrawFilled(pBitmap, U_MENULOOK_color(MENU_COLOR_FOCUS), &at, (U32)(fFraction * (float)track + 0.5f),
                    TRACK_HEIGHT);
  G_BOX_vDraw(pBitmap, U_MENULOOK_color(MENU_COLOR_RULE), &at, track, TRACK_HEIGHT);
  if (pText == nullptr) return;
  const FONT_DEF* pFont = U_MENULOOK_pValueFont();
  char acText[MENU_TEXT_BUFFER];
  const PIXEL width = (PIXEL)U_MENULOOK_u32Shorten(acText, sizeof acText, pText, pFont, FIELD);
  U_MENULOOK_vPut(pBitmap, U_MENULOOK_color(MENU_COLOR_WHITE),
                  anchor.x + (PIXEL)u32Width - (PIXEL)FIELD + ((PIXEL)FIELD - width) / 2,
                  U_MENULOOK_s32Baseline(anchor.y, u32Height), pFont, acText);
}
