// Colours are entries of the colour table, so every box follows the palette.
// Texts are measured character by character, the way the wrap measures
// them, so a text that was found to fit one line is never wrapped again.

#include "u_dialog.h"

#include <string.h>

#include <mutex>

#include "color.h"
#include "fourcharid.h"
#include "g_box.h"
#include "g_fonts.h"
#include "g_iconset.h"
#include "g_line.h"
#include "g_string.h"
#include "g_truetype.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "u_language.h"
#include "u_menulook.h"
#include "u_view.h"
#include "u_viewarea.h"
#include "u_wstring.h"
#include "ui_texts.h"

constexpr COLOR DIALOG_WHITE = 0xFFFF;
// The largest line a wrap produces, and the buffers a line is drawn from.
constexpr U32 DIALOG_MAX_LINE_BYTES = 255;
constexpr U32 DIALOG_LINE_BUFFER = 204;
constexpr U32 DIALOG_BLOCK_LINE_BUFFER = 240;


// Dialogs and menus share their faces.
const FONT_DEF* U_DIALOG_pTitleFont(void) { return U_MENULOOK_pTitleFont(); }
const FONT_DEF* U_DIALOG_pChoiceFont(void) { return U_MENULOOK_pValueFont(); }
const FONT_DEF* U_DIALOG_pTextFont(void) { return U_MENULOOK_pLabelFont(); }

// ---------------------------------------------------------------------------
// Text as characters: bytes of 8-bit text, or 16-bit big-endian units

typedef struct tag_DIALOG_TEXT {
  const U8* p;
  U32 u32Chars;
  U32 u32CharBytes;  // 1, or 2 for wide text
  const FONT_DEF* pFont;
} DIALOG_TEXT;

static DIALOG_TEXT DIALOG_text(const char* pString, const FONT_DEF* pFont) {
  DIALOG_TEXT t = {(const U8*)pString, 0, U_WSTRING_bIsUnicodeLanguage() ? 2u : 1u, pFont};
  if (pString != nullptr) t.u32Chars = U_WSTRING_u32w_strlen(pString, FALSE) / t.u32CharBytes;
  return t;
}

static U32 DIALOG_u32Char(const DIALOG_TEXT& t, U32 i) {
  return t.u32CharBytes == 2 ? (U32)(t.p[2 * i] << 8 | t.p[2 * i + 1]) : t.p[i];
}

static BOOLEAN DIALOG_bSpace(const DIALOG_TEXT& t, U32 i) {
  U32 c = DIALOG_u32Char(t, i);
  return c == ' ' || (t.u32CharBytes == 2 && c == 0x3000);
}

static U32 DIALOG_u32Width(const DIALOG_TEXT& t, U32 i) {
  if (t.u32CharBytes == 1) return G_FONTS_u32GetWidth(t.pFont, t.p[i]);
  const char acUnit[4] = {(char)t.p[2 * i], (char)t.p[2 * i + 1], 0, 0};
  return G_TRUETYPE_M_u32GetWidth(acUnit, t.pFont);
}

U32 U_DIALOG_u32GetTextWidth(const char* pString, const FONT_DEF* pFont) {
  DIALOG_TEXT t = DIALOG_text(pString, pFont);
  U32 u32Width = 0;
  for (U32 i = 0; i < t.u32Chars; i++) u32Width += DIALOG_u32Width(t, i);
  return u32Width;
}

U32 U_DIALOG_u32GetMaxWordLength(const char* pString, const FONT_DEF* pFont) {
  if (pString == nullptr) return 0;
  U32 u32Max = 0, u32Word = 0;
  for (const U8* p = (const U8*)pString; *p != 0; p++) {
    u32Word = *p == ' ' ? 0 : u32Word + G_FONTS_u32GetWidth(pFont, *p);
    if (u32Word > u32Max) u32Max = u32Word;
  }
  return u32Max;
}

// ---------------------------------------------------------------------------
// Word wrap

typedef struct tag_DIALOG_WRAP {
  const DIALOG_TEXT* pText;
  LINEOFTEXT* pLines;
  U16 u16Count;
  U32 u32Start;   // first character of the open line
  U32 u32Chars;   // its characters
  U32 u32Width;   // its pixels
  BOOLEAN bIndent;
  U32 u32Less;    // taken off each stored width
} DIALOG_WRAP;

static void DIALOG_vCloseLine(DIALOG_WRAP* w) {
  const DIALOG_TEXT& t = *w->pText;
  LINEOFTEXT& line = w->pLines[w->u16Count++];
  line.pcStartOfText = (const char*)t.p + w->u32Start * t.u32CharBytes;
  line.u8NumberOfCharsInLine = (U8)(w->u32Chars * t.u32CharBytes);
  U32 u32Width = w->u32Width > w->u32Less ? w->u32Width - w->u32Less : 0;
  line.u16WidthOfLine = (U16)(u32Width > 0xFFFF ? 0xFFFF : u32Width);
  line.bIndent = w->bIndent;
}

static void DIALOG_vOpenLine(DIALOG_WRAP* w, U32 u32At, BOOLEAN bIndent) {
  w->u32Start = u32At;
  w->u32Chars = 0;
  w->u32Width = 0;
  w->bIndent = bIndent;
}

// A word is a run of spaces and the run of other characters after it; a line
// ends where the next word no longer fits. A word wider than the line is cut,
// and every line takes at least one character, so the wrap always advances.
static U16 DIALOG_u16WrapWords(const DIALOG_TEXT& t, LINEOFTEXT* pLines, U32 u32Limit, BOOLEAN bIndentLater,
                               U32 u32Less) {
  if (t.u32Chars == 0) return 0;
  const U32 u32MaxChars = DIALOG_MAX_LINE_BYTES / t.u32CharBytes;
  DIALOG_WRAP w = {&t, pLines, 0, 0, 0, 0, FALSE, u32Less};
  U32 pos = 0;
  for (;;) {
    U32 end = pos, u32Word = 0;
    while (end < t.u32Chars && DIALOG_bSpace(t, end)) u32Word += DIALOG_u32Width(t, end++);
    while (end < t.u32Chars && !DIALOG_bSpace(t, end)) u32Word += DIALOG_u32Width(t, end++);
    const U32 u32Len = end - pos;
    if (u32Len == 0) {
      DIALOG_vCloseLine(&w);
      return w.u16Count;
    }
    const U32 u32Room = u32MaxChars - w.u32Chars;
    if (u32Word >= u32Limit || (w.u32Chars == 0 && u32Len > u32Room)) {
      // Cut: the characters before the one that overflows, less one.
      U32 k = 0, u32Sum = 0;
      while (k < u32Len && k < u32Room && u32Sum + DIALOG_u32Width(t, pos + k) <= u32Limit) {
        u32Sum += DIALOG_u32Width(t, pos + k++);
      }
      BOOLEAN bByWidth = k < u32Len && k < u32Room;
      U32 u32Take = bByWidth ? (k > 0 ? k - 1 : 0) : k;
      if (u32Take == 0 && u32Room > 0) u32Take = 1;
      w.u32Chars += u32Take;
      w.u32Width += bByWidth ? u32Limit : u32Sum;
      pos += u32Take;
    } else if ((w.u32Width + u32Word > u32Limit || u32Len > u32Room) && w.u32Chars > 0) {
      while (pos < t.u32Chars && DIALOG_bSpace(t, pos)) pos++;
    } else {
      w.u32Chars += u32Len;
      w.u32Width += u32Word;
      pos = end;
      BOOLEAN bBreak = w.u32Chars >= 2 && DIALOG_u32Char(t, pos - 2) == '\\' && DIALOG_u32Char(t, pos - 1) == 'n';
      if (!bBreak) continue;
      U32 u32Escape = DIALOG_u32Width(t, pos - 2) + DIALOG_u32Width(t, pos - 1);
      w.u32Width = w.u32Width > u32Escape ? w.u32Width - u32Escape : 0;
      w.u32Chars -= 2;
    }
    DIALOG_vCloseLine(&w);
    if (w.u16Count >= U_DIALOG_MAX_LINES || pos >= t.u32Chars) return w.u16Count;
    DIALOG_vOpenLine(&w, pos, bIndentLater);
  }
}

// East Asian text breaks between any two characters.
static U16 DIALOG_u16WrapUnits(const DIALOG_TEXT& t, LINEOFTEXT* pLines, U32 u32Limit) {
  const U32 u32MaxChars = DIALOG_MAX_LINE_BYTES / t.u32CharBytes;
  DIALOG_WRAP w = {&t, pLines, 0, 0, 0, 0, FALSE, 2};
  U32 pos = 0;
  while (pos < t.u32Chars && w.u16Count < U_DIALOG_MAX_LINES) {
    DIALOG_vOpenLine(&w, pos, FALSE);
    while (pos < t.u32Chars && w.u32Chars < u32MaxChars) {
      U32 u32Unit = DIALOG_u32Width(t, pos);
      if (w.u32Chars > 0 && w.u32Width + u32Unit > u32Limit) break;
      w.u32Width += u32Unit;
      w.u32Chars++;
      pos++;
    }
    DIALOG_vCloseLine(&w);
  }
  return w.u16Count;
}

U16 U_DIALOG_u16ExtractTextIntoLines(const char* pChar, LINEOFTEXT* pLinesOfTextArray, const FONT_DEF* pFont,
                                     U16 u16WidthInPixels, BOOLEAN bLeftJustifyIndent) {
  if (pLinesOfTextArray == nullptr) {
    log_me("[%d]%s: no line array", __LINE__, __func__);
    return 0;
  }
  DIALOG_TEXT t = DIALOG_text(pChar, pFont);
  if (t.u32CharBytes == 1) return DIALOG_u16WrapWords(t, pLinesOfTextArray, u16WidthInPixels, bLeftJustifyIndent, 1);
  // English in wide form breaks between words, the East Asian languages anywhere.
  if (nCurrentLanguage() == LANGUAGE_ENGLISH_UNICODE) {
    return DIALOG_u16WrapWords(t, pLinesOfTextArray, u16WidthInPixels, bLeftJustifyIndent, 2);
  }
  return DIALOG_u16WrapUnits(t, pLinesOfTextArray, u16WidthInPixels);
}

// u32Bytes of pString into pBuffer, cut to what the buffer holds with a
// two-byte terminator (which ends both text forms).
static void DIALOG_vCopyChars(char* pBuffer, U32 u32BufferSize, const char* pString, U32 u32Bytes) {
  U32 u32Max = u32BufferSize - 2;
  if (U_WSTRING_bIsUnicodeLanguage()) u32Max &= ~1u;
  U32 n = u32Bytes < u32Max ? u32Bytes : u32Max;
  memcpy(pBuffer, pString, n);
  pBuffer[n] = 0;
  pBuffer[n + 1] = 0;
}

void U_DIALOG_vShortenText(char* pBuffer, U32 u32BufferSize, const char* pString, const FONT_DEF* pFont,
                           U32 u32Width) {
  if (pBuffer == nullptr || u32BufferSize < 8) return;
  DIALOG_TEXT t = DIALOG_text(pString, pFont);
  U32 n = t.u32Chars;
  U32 u32Total = U_DIALOG_u32GetTextWidth(pString, pFont);
  U32 u32MaxChars = (u32BufferSize - 2) / t.u32CharBytes;
  BOOLEAN bCut = FALSE;
  while (n > 0 && (u32Total > u32Width || n > u32MaxChars)) {
    u32Total -= DIALOG_u32Width(t, --n);
    bCut = TRUE;
  }
  DIALOG_vCopyChars(pBuffer, u32BufferSize, pString != nullptr ? pString : "\0", n * t.u32CharBytes);
  if (!bCut) return;
  for (U32 i = n >= 3 ? n - 3 : 0; i < n; i++) {
    if (t.u32CharBytes == 2) {
      pBuffer[2 * i] = 0;
      pBuffer[2 * i + 1] = '.';
    } else {
      pBuffer[i] = '.';
    }
  }
}

// ---------------------------------------------------------------------------
// Frames

void U_DIALOG_vOutline(BITMAP* pBitmap, U32 u32Color, S32 x, S32 y, S32 w, S32 h) {
  if (w <= 0 || h <= 0) return;
  POINT at = {x, y};
  G_BOX_vDraw(pBitmap, COLOR_colEntry(u32Color), &at, (U32)w, (U32)h);
}

static void DIALOG_vFill(BITMAP* pBitmap, U32 u32Color, S32 x, S32 y, S32 w, S32 h) {
  if (w <= 0 || h <= 0) return;
  POINT at = {x, y};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(u32Color), &at, (U32)w, (U32)h);
}

void U_DIALOG_vLine(BITMAP* pBitmap, U32 u32Color, S32 x0, S32 y0, S32 x1, S32 y1) {
  POINT from = {x0, y0};
  POINT to = {x1, y1};
  G_LINE_vDraw(pBitmap, COLOR_colEntry(u32Color), &from, &to);
}

// One rectangle of the bevel: x = X + xc (+ W), y = Y + yc (+ H), w = wc (+ W), h = hc (+ H).
typedef struct tag_DIALOG_BEVEL {
  U8 u8Color;
  U8 bxW, bxH, bwW, bhH;
  S8 xc, yc, wc, hc;
} DIALOG_BEVEL;

static const DIALOG_BEVEL s_aBevel[] = {
    {32, 0, 0, 1, 1, 0, 0, 0, 0},       {240, 0, 0, 0, 1, 1, 1, 1, -2},     {240, 0, 1, 1, 0, 1, -2, -2, 1},
    {242, 0, 0, 1, 0, 2, 1, -3, 1},     {242, 1, 0, 0, 1, -2, 1, 1, -3},    {241, 0, 0, 1, 1, 2, 2, -4, -4},
    {241, 0, 0, 1, 1, 3, 3, -6, -6},    {241, 0, 0, 1, 1, 4, 4, -8, -8},    {242, 0, 0, 0, 1, 5, 5, 1, -10},
    {242, 0, 1, 1, 0, 5, -6, -10, 1},   {240, 0, 0, 1, 0, 6, 5, -11, 1},    {240, 1, 0, 0, 1, -6, 5, 1, -11},
    {32, 0, 0, 1, 1, 6, 6, -12, -12},   {236, 0, 0, 0, 1, 7, 7, 1, -14},    {236, 0, 1, 1, 0, 7, -8, -14, 1},
    {239, 0, 0, 1, 0, 8, 7, -15, 1},    {239, 1, 0, 0, 1, -8, 7, 1, -15},
};

void U_DIALOG_vDrawBorderAndTitle(BITMAP* pBitmap, const POINT* pptAnchor, const BYTE* sTemp,
                                  JUSTIFICATION eTitleJustification, int nBoxWidth, int nBoxHeight,
                                  int nMessageHeight, BOOLEAN bTrailer) {
  if (pBitmap == nullptr || pptAnchor == nullptr || nBoxWidth < 16 || nBoxHeight < 16 || nMessageHeight < 0) {
    log_me("[%d]%s: bad box %d x %d", __LINE__, __func__, nBoxWidth, nBoxHeight);
    return;
  }
  const S32 X = pptAnchor->x, Y = pptAnchor->y, W = nBoxWidth, H = nBoxHeight, M = nMessageHeight;
  for (const DIALOG_BEVEL& b : s_aBevel) {
    U_DIALOG_vOutline(pBitmap, b.u8Color, X + b.xc + (b.bxW ? W : 0), Y + b.yc + (b.bxH ? H : 0), b.wc + (b.bwW ? W : 0),
                    b.hc + (b.bhH ? H : 0));
  }
  if (!bTrailer) {
    DIALOG_vFill(pBitmap, 237, X + 8, Y + 8, W - 16, M);
  } else {
    DIALOG_vFill(pBitmap, 237, X + 8, Y + 44, W - 16, M + 3);
    DIALOG_vFill(pBitmap, 238, X + 7, Y + 8, W - 15, 36);
    U_DIALOG_vLine(pBitmap, 32, X + 7, Y + 43, X + W - 9, Y + 43);
    U_DIALOG_vLine(pBitmap, 236, X + 7, Y + 42, X + W - 9, Y + 42);
    U_DIALOG_vLine(pBitmap, 236, X + 7, Y + 42, X + 7, Y + 7);
    U_DIALOG_vLine(pBitmap, 239, X + 7, Y + 7, X + W - 9, Y + 7);
    U_DIALOG_vLine(pBitmap, 239, X + W - 9, Y + 7, X + W - 9, Y + 42);
  }
  if (sTemp == nullptr) return;
  DIALOG_vFill(pBitmap, 238, X + 8, Y + H - 44, W - 16, 36);
  DIALOG_vFill(pBitmap, 239, X + 8, Y + H - 45, W - 16, 1);
  DIALOG_vFill(pBitmap, 32, X + 7, Y + H - 46, W - 14, 1);
  DIALOG_vFill(pBitmap, 236, X + 7, Y + H - 47, W - 14, 1);
  const FONT_DEF* pFont = U_DIALOG_pTitleFont();
  S32 u32Title = (S32)G_STRING_u32GetWidth(pFont, sTemp);
  POINT at = {X + (W - u32Title) / 2, Y + H - 34};
  if (eTitleJustification == JUSTIFICATION_LEFT) at.x = X + 18;
  if (eTitleJustification == JUSTIFICATION_RIGHT) at.x = X + W - 18 - u32Title;
  G_STRING_vPut(pBitmap, DIALOG_WHITE, &at, pFont, sTemp);
}

// ---------------------------------------------------------------------------
// The generic dialog and its image variant

static BOOLEAN s_bIsPopupBox = FALSE;
static POINT s_ptPopupBox = {0, 0};
static U32 s_u32PopupBoxHeight = 0;

void U_DIALOG_vRecordPopupBox(BOOLEAN bOn) { s_bIsPopupBox = bOn; }

BOOLEAN U_DIALOG_bGetPopupBox(POINT* pptBox, U32* pu32Height) {
  if (pptBox != nullptr) *pptBox = s_ptPopupBox;
  if (pu32Height != nullptr) *pu32Height = s_u32PopupBoxHeight;
  return s_bIsPopupBox;
}

static BOOLEAN DIALOG_bHasText(const char* pString) { return pString != nullptr && !U_WSTRING_bIsStringNull(pString); }

static S32 DIALOG_s32BoxY(const BITMAP* pBitmap, JUSTIFICATION eBox, S32 H) {
  switch (eBox) {
    case JUSTIFICATION_TOP:
      return pBitmap->pixels_high - H;
    case JUSTIFICATION_BOTTOM:
      return 0;
    case JUSTIFICATION_BT_SCAN_SPECIAL:
      return pBitmap->pixels_high - 40 - H;
    default:
      return (pBitmap->pixels_high - H) / 2;
  }
}

// Draws one wrapped line from a bounded copy, so no line can outgrow the
// buffer whatever its byte count.
static void DIALOG_vPutLine(BITMAP* pBitmap, const LINEOFTEXT& line, const FONT_DEF* pFont, COLOR color, S32 x, S32 y,
                            U32 u32Buffer) {
  char acLine[DIALOG_BLOCK_LINE_BUFFER];
  if (u32Buffer > sizeof acLine) u32Buffer = sizeof acLine;
  DIALOG_vCopyChars(acLine, u32Buffer, line.pcStartOfText, line.u8NumberOfCharsInLine);
  POINT at = {x < 0 ? 0 : x, y};
  G_STRING_vPut(pBitmap, color, &at, pFont, (const BYTE*)acLine);
}

static void DIALOG_vDrawChoices(BITMAP* pBitmap, S32 x, S32 y, U32 u32MessageBoxWidth, const char* pLeftString,
                                const char* pRightString, BOOLEAN NoOption, BOOLEAN YesOption) {
  const FONT_DEF* pFont = U_DIALOG_pChoiceFont();
  if (NoOption) {
    POINT icon = {x + 10, y + 7};
    G_ICON_vPut(pBitmap, &QX_Vorne_Action_Arrow_Left, &icon);
    POINT text = {x + 42, y + 15};
    G_STRING_vPut(pBitmap, DIALOG_WHITE, &text, pFont, (const BYTE*)pLeftString);
  }
  if (YesOption) {
    POINT icon = {x + (S32)u32MessageBoxWidth - 10 - (S32)G_ICON_u32GetWidth(&QX_Vorne_Action_Arrow), y + 7};
    G_ICON_vPut(pBitmap, &QX_Vorne_Action_Arrow, &icon);
    POINT text = {x + (S32)u32MessageBoxWidth - 42 - (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pRightString),
                  y + 15};
    G_STRING_vPut(pBitmap, DIALOG_WHITE, &text, pFont, (const BYTE*)pRightString);
  }
}

// What differs between the plain generic dialog and its image variant.
typedef struct tag_DIALOG_LAYOUT {
  S32 s32Row;          // text row height
  S32 s32Gap;          // between rows
  S32 s32TopOneChoice; // top buffer of one line with a choice
  S32 s32TopOne;       // of one line without a choice
  S32 s32TopTwo;       // of two lines without a choice
  const ICON* pIcon;
  BOOLEAN bIndentSpaces;  // an indented line starts three spaces in
  BOOLEAN bWideCentre;    // a box wider than the view area is centred on the bitmap
} DIALOG_LAYOUT;

static const DIALOG_LAYOUT s_layoutPlain = {23, 11, 22, 40, 21, nullptr, FALSE, FALSE};

static void DIALOG_vDrawLaidOut(BITMAP* pBitmap, const char* pTitle, const LINEOFTEXT* pLines, U32 u32MessageBoxWidth,
                                const FONT_DEF* pFont, const char* pLeftString, const char* pRightString,
                                JUSTIFICATION eText, JUSTIFICATION eBox, BOOLEAN NoOption, BOOLEAN YesOption, U16 n,
                                BOOLEAN bTrailer, U32 u32WidthOverride, U32 u32ExtraLeftMargin,
                                U32 u32HeightOverride, const DIALOG_LAYOUT& lay) {
  if (pBitmap == nullptr || (pLines == nullptr && n > 0)) {
    log_me("[%d]%s: nothing to draw into or from", __LINE__, __func__);
    return;
  }
  if (n > U_DIALOG_MAX_LINES) n = U_DIALOG_MAX_LINES;
  const S32 N = n;
  const S32 B = (S32)(u32WidthOverride != 0 ? u32WidthOverride : u32MessageBoxWidth);
  S32 M = 0, T = 0;
  if (NoOption || YesOption) {
    S32 needed = lay.s32Row * N + 51 + lay.s32Gap * (N - 1);
    if (u32HeightOverride != 0) {
      M = (S32)u32HeightOverride;
      T = (M - needed) / 2 + 14;
    } else {
      M = needed > 80 ? needed : 80;
      T = N < 2 ? lay.s32TopOneChoice : 14;
    }
  } else if (N == 0) {
    M = 80, T = 30;
  } else if (N <= 2) {
    M = 112, T = N == 1 ? lay.s32TopOne : lay.s32TopTwo;
  } else {
    S32 needed = lay.s32Row * N + 60 + lay.s32Gap * (N - 1);
    M = needed > 112 ? needed : 112, T = 30;
  }
  const S32 iconHeight = lay.pIcon != nullptr ? (S32)G_ICON_u32GetHeight(lay.pIcon) : 0;
  const S32 body = M + (lay.pIcon != nullptr ? iconHeight + 37 : 0);
  const BOOLEAN bTitle = DIALOG_bHasText(pTitle);
  const S32 H = body + 16 + (bTitle ? 39 : 0) + (bTrailer ? 39 : 0);

  const S32 origin = (S32)U_VIEW_u32XOrigin();
  const S32 usable = pBitmap->pixels_wide - origin;
  POINT box = {origin + (usable - B) / 2, DIALOG_s32BoxY(pBitmap, eBox, H)};
  if (eBox == JUSTIFICATION_SCREEN_CENTER || (lay.bWideCentre && B > usable)) box.x = (pBitmap->pixels_wide - B) / 2;
  U_DIALOG_vDrawBorderAndTitle(pBitmap, &box, bTitle ? (const BYTE*)pTitle : nullptr, JUSTIFICATION_CENTER, B, H, body,
                               bTrailer);
  if (s_bIsPopupBox) {
    s_ptPopupBox = box;
    s_u32PopupBoxHeight = (U32)H;
  }

  const S32 bodyTop = box.y + (bTrailer ? 44 : 8) + body;
  const S32 W = (S32)u32MessageBoxWidth;
  const S32 indent = lay.bIndentSpaces ? 3 * (S32)G_FONTS_u32GetWidth(pFont, ' ') : 0;
  for (S32 i = 0; i < N; i++) {
    const LINEOFTEXT& line = pLines[i];
    if (line.u8NumberOfCharsInLine == 0) continue;
    S32 width = line.u16WidthOfLine;
    S32 x = box.x + 47 + (S32)u32ExtraLeftMargin + (line.bIndent ? indent : 0);
    if (eText == JUSTIFICATION_RIGHT) x = box.x + (W - 47) - width;
    if (eText == JUSTIFICATION_CENTER) x = box.x + 47 + (W - 94 - width) / 2;
    S32 y = bodyTop - T - lay.s32Row - (lay.s32Row + lay.s32Gap) * i;
    DIALOG_vPutLine(pBitmap, line, pFont, DIALOG_WHITE, x, y, DIALOG_LINE_BUFFER);
  }
  if (lay.pIcon != nullptr) {
    POINT icon = {box.x + (B - (S32)G_ICON_u32GetWidth(lay.pIcon)) / 2,
                  box.y + ((NoOption || YesOption) ? 59 : 44)};
    G_ICON_vPut(pBitmap, lay.pIcon, &icon);
  }
  DIALOG_vDrawChoices(pBitmap, box.x, box.y, u32MessageBoxWidth, pLeftString, pRightString, NoOption, YesOption);
}

void U_DIALOG_vDrawGenericDialog(BITMAP* pBitmap, const char* pTitle, const LINEOFTEXT* pLinesOfTextArray,
                                 U32 u32MessageBoxWidth, const FONT_DEF* pFont, const char* pLeftString,
                                 const char* pRightString, JUSTIFICATION eTextJustification,
                                 JUSTIFICATION eBoxJustification, BOOLEAN NoOption, BOOLEAN YesOption,
                                 U16 u16NumberOfLines, BOOLEAN bTrailer, U32 u32WidthOverride,
                                 U32 u32ExtraLeftMargin, U32 u32HeightOverride) {
  DIALOG_vDrawLaidOut(pBitmap, pTitle, pLinesOfTextArray, u32MessageBoxWidth, pFont, pLeftString, pRightString,
                      eTextJustification, eBoxJustification, NoOption, YesOption, u16NumberOfLines, bTrailer,
                      u32WidthOverride, u32ExtraLeftMargin, u32HeightOverride, s_layoutPlain);
}

void U_DIALOG_vDrawGenericDialogWithImage(BITMAP* pBitmap, const char* pTitle, const LINEOFTEXT* pLinesOfTextArray,
                                          U32 u32MessageBoxWidth, const FONT_DEF* pFont, const char* pLeftString,
                                          const char* pRightString, JUSTIFICATION eTextJustification,
                                          JUSTIFICATION eBoxJustification, BOOLEAN NoOption, BOOLEAN YesOption,
                                          U16 u16NumberOfLines, BOOLEAN bTrailer, U32 u32WidthOverride,
                                          U32 u32ExtraLeftMargin, U32 u32HeightOverride, const ICON* pIcon) {
  BOOLEAN bSmall = pFont == myriad_pro_size14_font_def_ptr || pFont == arialuni_size14_font_def_ptr;
  DIALOG_LAYOUT lay = bSmall ? DIALOG_LAYOUT{19, 8, 16, 44, 32, pIcon, TRUE, TRUE}
                             : DIALOG_LAYOUT{23, 11, 22, 40, 21, pIcon, TRUE, TRUE};
  DIALOG_vDrawLaidOut(pBitmap, pTitle, pLinesOfTextArray, u32MessageBoxWidth, pFont, pLeftString, pRightString,
                      eTextJustification, eBoxJustification, NoOption, YesOption, u16NumberOfLines, bTrailer,
                      u32WidthOverride, u32ExtraLeftMargin, u32HeightOverride, lay);
}

// ---------------------------------------------------------------------------
// Sized wrappers

static U16 DIALOG_u16Wrap(const char* pString, LINEOFTEXT* pLines, const FONT_DEF* pFont, U32 u32Width) {
  if (u32Width < 1) u32Width = 1;
  return U_DIALOG_u16ExtractTextIntoLines(pString, pLines, pFont, (U16)(u32Width > 0xFFFF ? 0xFFFF : u32Width), FALSE);
}

// The box width and lines of a text: a short untitled text gets a box of
// its own width, a long or titled one the standard box, and a text of 12
// lines or more a wider box.
static U32 DIALOG_u32Size(const char* pString, const FONT_DEF* pFont, BOOLEAN bTitle, LINEOFTEXT* pLines, U16* pn) {
  *pn = 0;
  if (!DIALOG_bHasText(pString)) return 94;
  U32 u32Text = U_DIALOG_u32GetTextWidth(pString, pFont);
  U32 u32Box = 420;
  if (!bTitle && u32Text < 482) {
    u32Box = u32Text + 94;
    *pn = DIALOG_u16Wrap(pString, pLines, pFont, u32Text);
  } else {
    *pn = DIALOG_u16Wrap(pString, pLines, pFont, 326);
  }
  if (*pn < 12) return u32Box;
  if (u32Box == 420) {
    *pn = DIALOG_u16Wrap(pString, pLines, pFont, 576);
    return 670;
  }
  *pn = DIALOG_u16Wrap(pString, pLines, pFont, u32Box + 156);
  return u32Box + 250;
}

void U_DIALOG_vDrawDialog(BITMAP* pBitmap, const char* pString, const FONT_DEF* pFont, const ICON*, const ICON*,
                          JUSTIFICATION TextJustification, JUSTIFICATION BoxJustification) {
  LINEOFTEXT aLines[U_DIALOG_MAX_LINES];
  U16 n = 0;
  U32 u32Box = DIALOG_u32Size(pString, pFont, FALSE, aLines, &n);
  U_DIALOG_vDrawGenericDialog(pBitmap, nullptr, aLines, u32Box, pFont, nullptr, nullptr, TextJustification,
                              BoxJustification, FALSE, FALSE, n, FALSE, 0, 0, 0);
}

void U_DIALOG_vDrawDialogWithConfirm(BITMAP* pBitmap, const char* pTitle, const char* pString,
                                     const FONT_DEF* pFont, const char* pLeftString, const char* pRightString,
                                     JUSTIFICATION eTextJustification, JUSTIFICATION eBoxJustification,
                                     BOOLEAN NoOption, BOOLEAN YesOption, BOOLEAN bTrailer, U32 u32WidthOverride) {
  LINEOFTEXT aLines[U_DIALOG_MAX_LINES];
  U16 n = 0;
  U32 u32Box = DIALOG_u32Size(pString, pFont, DIALOG_bHasText(pTitle), aLines, &n);
  U_DIALOG_vDrawGenericDialog(pBitmap, pTitle, aLines, u32Box, pFont, pLeftString, pRightString, eTextJustification,
                              eBoxJustification, NoOption, YesOption, n, bTrailer, u32WidthOverride, 0, 0);
}

// Wraps a text after the lines already in the array, as far as it holds.
static void DIALOG_vAppend(const char* pString, LINEOFTEXT* pLines, U16* pn, const FONT_DEF* pFont, U32 u32Width) {
  if (*pn >= U_DIALOG_MAX_LINES) return;
  LINEOFTEXT aMore[U_DIALOG_MAX_LINES];
  U16 more = DIALOG_u16Wrap(pString, aMore, pFont, u32Width);
  for (U16 i = 0; i < more && *pn < U_DIALOG_MAX_LINES; i++) pLines[(*pn)++] = aMore[i];
}

void U_DIALOG_vDraw2SentenceDialogWithConfirm(BITMAP* pBitmap, const char* pTitle, const char* pString,
                                              const char* pString2, const FONT_DEF* pFont, const char* pLeftString,
                                              const char* pRightString, JUSTIFICATION eTextJustification,
                                              JUSTIFICATION eBoxJustification, BOOLEAN NoOption,
                                              BOOLEAN YesOption) {
  LINEOFTEXT aLines[U_DIALOG_MAX_LINES];
  U16 n = 0;
  DIALOG_vAppend(pString, aLines, &n, pFont, 326);
  DIALOG_vAppend(pString2, aLines, &n, pFont, 326);
  U_DIALOG_vDrawGenericDialog(pBitmap, pTitle, aLines, 420, pFont, pLeftString, pRightString, eTextJustification,
                              eBoxJustification, NoOption, YesOption, n, FALSE, 0, 0, 0);
}

void U_DIALOG_vDrawTwoInstructionDialogWithIconAndConfirm(BITMAP* pBitmap, const char* pTitle, const ICON* pIcon,
                                                          const char* pString1, const char* pString2,
                                                          const FONT_DEF* pFont, const char* pLeftString,
                                                          const char* pRightString, JUSTIFICATION eTextJustification,
                                                          JUSTIFICATION eBoxJustification, BOOLEAN NoOption,
                                                          BOOLEAN YesOption, U32 u32Width, U32 u32Height) {
  if (pBitmap == nullptr) return;
  U32 u32Icon = G_ICON_u32GetWidth(pIcon);
  U32 u32Wrap = u32Width > 94 + u32Icon ? u32Width - 94 - u32Icon : 1;
  LINEOFTEXT aLines[U_DIALOG_MAX_LINES];
  U16 n = 0;
  DIALOG_vAppend(pString1, aLines, &n, pFont, u32Wrap);
  if (n < U_DIALOG_MAX_LINES) aLines[n++] = LINEOFTEXT{"", 0, 0, FALSE};
  DIALOG_vAppend(pString2, aLines, &n, pFont, u32Wrap);
  U_DIALOG_vDrawGenericDialog(pBitmap, pTitle, aLines, u32Width, pFont, pLeftString, pRightString, eTextJustification,
                              eBoxJustification, NoOption, YesOption, n, FALSE, u32Width, u32Icon, u32Height);
  if (pIcon == nullptr) return;
  POINT at = {(pBitmap->pixels_wide - (S32)u32Width) / 2 + 8, (pBitmap->pixels_high - (S32)G_ICON_u32GetHeight(pIcon)) / 2};
  G_ICON_vPut(pBitmap, pIcon, &at);
}

void U_DIALOG_vDrawDialogWithFixedImage(BITMAP* pBitmap, const char* pTitle, const char* const* pString,
                                        U32 u32NumberOfInputLines, const FONT_DEF* pFont, const char* pLeftString,
                                        const char* pRightString, JUSTIFICATION eTextJustification,
                                        JUSTIFICATION eBoxJustification, BOOLEAN NoOption, BOOLEAN YesOption,
                                        BOOLEAN bTrailer, U32 u32WidthOverride, const ICON* pIcon) {
  U32 u32Box = 420;
  if (pIcon != nullptr && G_ICON_u32GetWidth(pIcon) + 94 > u32Box) u32Box = G_ICON_u32GetWidth(pIcon) + 94;
  LINEOFTEXT aLines[U_DIALOG_MAX_LINES];
  U16 n = 0;
  for (U32 i = 0; pString != nullptr && i < u32NumberOfInputLines; i++) {
    DIALOG_vAppend(pString[i], aLines, &n, pFont, u32Box - 94);
  }
  U_DIALOG_vDrawGenericDialogWithImage(pBitmap, pTitle, aLines, u32Box, pFont, pLeftString, pRightString,
                                       eTextJustification, eBoxJustification, NoOption, YesOption, n, bTrailer,
                                       u32WidthOverride, 0, 0, pIcon);
}

void U_DIALOG_vDrawTextMsgPopup(BITMAP* pBitmap, const char* pTitle, const LINEOFTEXT* pLineText, U8 u8TotalLine,
                                const FONT_DEF* pFont, U32 u32UpDownArrow, U32, U8) {
  static const ICON* const s_apFooter[] = {nullptr, &QX_Vorne_Footer_Up, &QX_Vorne_Footer_Down, &QX_Vorne_Footer_Both};
  unsigned nLanguage = nCurrentLanguage();
  U16 n = u8TotalLine > 7 ? 7 : u8TotalLine;
  // The box is recorded for this draw only, to place the scroll mark in it.
  const BOOLEAN bRecording = s_bIsPopupBox;
  const POINT ptKept = s_ptPopupBox;
  const U32 u32Kept = s_u32PopupBoxHeight;
  s_bIsPopupBox = TRUE;
  s_u32PopupBoxHeight = 0;
  U_DIALOG_vDrawGenericDialog(pBitmap, pTitle, pLineText, 420, pFont, Close[nLanguage], More[nLanguage],
                              JUSTIFICATION_LEFT, JUSTIFICATION_CENTER, TRUE, TRUE, n, FALSE, 0, 0, 0);
  const POINT box = s_ptPopupBox;
  const BOOLEAN bDrawn = s_u32PopupBoxHeight != 0;
  s_bIsPopupBox = bRecording;
  if (!bRecording) s_ptPopupBox = ptKept, s_u32PopupBoxHeight = u32Kept;
  if (!bDrawn || u32UpDownArrow == 0 || u32UpDownArrow > 3) return;
  const ICON* pFooter = s_apFooter[u32UpDownArrow];
  POINT at = {box.x + (420 - (S32)G_ICON_u32GetWidth(pFooter)) / 2, box.y + 12};
  G_ICON_vPut(pBitmap, pFooter, &at);
}

// ---------------------------------------------------------------------------
// Boxes confined to one pane

static void DIALOG_vDrawLocal(BITMAP* pBitmap, const char* pTitle, const LINEOFTEXT* pLines, U16 n, S32 B,
                              S32 s32RightMargin, const FONT_DEF* pFont, const char* pLeftString,
                              const char* pRightString, JUSTIFICATION eText, JUSTIFICATION eBox, BOOLEAN NoOption,
                              BOOLEAN YesOption, BOOLEAN bTrailer, S32 s32ClipLeft, S32 s32ClipRight,
                              const ICON* pStatementIcon, const ICON* pLeftIcon, const ICON* pRightIcon) {
  if (pBitmap == nullptr) {
    log_me("[%d]%s: no bitmap", __LINE__, __func__);
    return;
  }
  const BOOLEAN bTitle = DIALOG_bHasText(pTitle);
  const S32 N = n == 0 && pStatementIcon != nullptr ? 2 : n;
  const S32 bothIcons = pLeftIcon != nullptr && pRightIcon != nullptr ? 34 : 0;
  S32 M = 0, T = 0;
  if (NoOption || YesOption) {
    S32 needed = 23 * N + 51 + 11 * (N - 1) + bothIcons;
    M = needed > 80 ? needed : 80;
    T = N < 2 ? 22 : 14;
  } else {
    T = N == 1 ? 40 : N == 2 ? 21 : 30;
    S32 needed = 23 * N + 60 + 11 * (N - 1) + bothIcons;
    M = N == 0 ? 80 : N <= 2 ? 112 : (needed > 112 ? needed : 112);
  }
  const S32 H = M + 16 + (bTitle ? 39 : 0) + (bTrailer ? 39 : 0);
  const S32 right = pBitmap->pixels_wide;
  const S32 start = eBox == JUSTIFICATION_SCREEN_CENTER ? 0 : s32ClipLeft;
  POINT box = {0, DIALOG_s32BoxY(pBitmap, eBox, H)};
  if (bTitle) {
    box.x = start + (right - start - B) / 2;
    if (box.x < s32ClipLeft) box.x = s32ClipLeft + 4;
  } else {
    S32 end = s32ClipRight >= 800 ? right : s32ClipRight;
    box.x = start + (end - start - B) / 2;
    if (s32ClipLeft > 0) {
      if (box.x + B > 764) box.x = 764 - B;
    } else if (box.x < 35) {
      box.x = 35;
    }
  }
  U_DIALOG_vDrawBorderAndTitle(pBitmap, &box, bTitle ? (const BYTE*)pTitle : nullptr, JUSTIFICATION_CENTER, B, H, M,
                               bTrailer);

  const S32 bodyTop = box.y + (bTrailer ? 44 : 8) + M;
  const S32 firstRow = bodyTop - T - 23;
  if (n == 0 && pStatementIcon != nullptr) {
    POINT icon = {box.x + (B - (S32)G_ICON_u32GetWidth(pStatementIcon)) / 2,
                  firstRow + (S32)G_FONTS_u32GetCoreHeight(pFont) - (S32)G_ICON_u32GetHeight(pStatementIcon)};
    G_ICON_vPut(pBitmap, pStatementIcon, &icon);
  }
  for (S32 i = 0; i < n; i++) {
    const LINEOFTEXT& line = pLines[i];
    if (line.u8NumberOfCharsInLine == 0) continue;
    S32 width = line.u16WidthOfLine;
    S32 x = box.x + 47;
    if (eText == JUSTIFICATION_RIGHT) x = box.x + s32RightMargin - width;
    if (eText == JUSTIFICATION_CENTER) x = box.x + 47 + (s32RightMargin - 47 - width) / 2;
    DIALOG_vPutLine(pBitmap, line, pFont, DIALOG_WHITE, x, firstRow - 34 * i, DIALOG_LINE_BUFFER);
  }

  const FONT_DEF* pChoiceFont = U_DIALOG_pChoiceFont();
  if (NoOption) {
    POINT arrow = {box.x + 10, box.y + 7};
    G_ICON_vPut(pBitmap, &QX_Vorne_Action_Arrow_Left, &arrow);
    POINT text = {box.x + 42, box.y + 15};
    if (pLeftIcon != nullptr) {
      POINT icon = {box.x + 42, box.y + 13};
      G_ICON_vPut(pBitmap, pLeftIcon, &icon);
      text.x += (S32)G_ICON_u32GetWidth(pLeftIcon) + 5;
    }
    G_STRING_vPut(pBitmap, DIALOG_WHITE, &text, pChoiceFont, (const BYTE*)pLeftString);
  }
  if (YesOption) {
    S32 arrowX = box.x + B - 10 - (S32)G_ICON_u32GetWidth(&QX_Vorne_Action_Arrow);
    POINT arrow = {arrowX, box.y + 7};
    G_ICON_vPut(pBitmap, &QX_Vorne_Action_Arrow, &arrow);
    S32 end = box.x + B - 42;
    if (pRightIcon != nullptr) {
      POINT icon = {arrowX - 15 - (S32)G_ICON_u32GetWidth(pRightIcon), box.y + 13};
      G_ICON_vPut(pBitmap, pRightIcon, &icon);
      end -= (S32)G_ICON_u32GetWidth(pRightIcon) + 5;
    }
    POINT text = {end - (S32)G_STRING_u32GetWidth(pChoiceFont, (const BYTE*)pRightString), box.y + 15};
    G_STRING_vPut(pBitmap, DIALOG_WHITE, &text, pChoiceFont, (const BYTE*)pRightString);
  }
}

// Width, right text margin and wrap width of a pane box for the widest text.
static void DIALOG_vLocalSize(BOOLEAN bTitle, BOOLEAN bText, U32 u32Text, U32 u32WidthOverride, S32* pB, S32* pMargin,
                              U32* pu32Wrap) {
  if (bTitle || (bText && u32Text >= 382)) {
    *pB = 320, *pMargin = 273, *pu32Wrap = 226;
  } else if (!bText) {
    *pB = 94, *pMargin = 47, *pu32Wrap = 1;
  } else {
    *pB = (S32)u32Text + 94, *pMargin = *pB - 47, *pu32Wrap = u32Text;
  }
  if (u32WidthOverride != 0) *pB = (S32)u32WidthOverride;
}

void U_DIALOG_vDrawLocalDialogWithConfirm(BITMAP* pBitmap, const char* pTitle, const char* pString,
                                          const FONT_DEF* pFont, const char* pLeftString, const char* pRightString,
                                          JUSTIFICATION eTextJustification, JUSTIFICATION eBoxJustification,
                                          BOOLEAN NoOption, BOOLEAN YesOption, BOOLEAN bTrailer,
                                          U32 u32WidthOverride, S32 s32ClipLeft, S32 s32ClipRight,
                                          const ICON* pStatementIcon, const ICON* pLeftIcon, const ICON* pRightIcon) {
  S32 B = 0, margin = 0;
  U32 u32Wrap = 0;
  BOOLEAN bText = DIALOG_bHasText(pString);
  DIALOG_vLocalSize(DIALOG_bHasText(pTitle), bText, U_DIALOG_u32GetTextWidth(pString, pFont), u32WidthOverride, &B,
                    &margin, &u32Wrap);
  LINEOFTEXT aLines[U_DIALOG_MAX_LINES];
  U16 n = bText ? DIALOG_u16Wrap(pString, aLines, pFont, u32Wrap) : 0;
  DIALOG_vDrawLocal(pBitmap, pTitle, aLines, n, B, margin, pFont, pLeftString, pRightString, eTextJustification,
                    eBoxJustification, NoOption, YesOption, bTrailer, s32ClipLeft, s32ClipRight, pStatementIcon,
                    pLeftIcon, pRightIcon);
}

void U_DIALOG_vDraw2SentenceLocalDialogWithConfirm(BITMAP* pBitmap, const char* pTitle, const char* pString,
                                                   const char* pString2, const FONT_DEF* pFont,
                                                   const char* pLeftString, const char* pRightString,
                                                   JUSTIFICATION eTextJustification, JUSTIFICATION eBoxJustification,
                                                   BOOLEAN NoOption, BOOLEAN YesOption, BOOLEAN bTrailer,
                                                   U32 u32WidthOverride, S32 s32ClipLeft) {
  U32 u32Text = U_DIALOG_u32GetTextWidth(pString, pFont);
  U32 u32Text2 = U_DIALOG_u32GetTextWidth(pString2, pFont);
  S32 B = 0, margin = 0;
  U32 u32Wrap = 0;
  DIALOG_vLocalSize(DIALOG_bHasText(pTitle), DIALOG_bHasText(pString) || DIALOG_bHasText(pString2),
                    u32Text > u32Text2 ? u32Text : u32Text2, u32WidthOverride, &B, &margin, &u32Wrap);
  LINEOFTEXT aLines[U_DIALOG_MAX_LINES];
  U16 n = 0;
  DIALOG_vAppend(pString, aLines, &n, pFont, u32Wrap);
  DIALOG_vAppend(pString2, aLines, &n, pFont, u32Wrap);
  DIALOG_vDrawLocal(pBitmap, pTitle, aLines, n, B, margin, pFont, pLeftString, pRightString, eTextJustification,
                    eBoxJustification, NoOption, YesOption, bTrailer, s32ClipLeft, 800, nullptr, nullptr, nullptr);
}

// ---------------------------------------------------------------------------
// Message blocks

U32 U_DIALOG_u32DrawMessageBlock(BITMAP* pBitmap, const char* pString, const FONT_DEF* pFont,
                                 U32 u32PixelsBetweenLines, JUSTIFICATION TextJustification,
                                 JUSTIFICATION BoxJustification, const POINT* ppointAnchor, U32 u32BoxWidth,
                                 COLOR colorBackground, COLOR colorForeground) {
  if (pBitmap == nullptr || ppointAnchor == nullptr ||
      (BoxJustification != JUSTIFICATION_TOP && BoxJustification != JUSTIFICATION_BOTTOM &&
       BoxJustification != JUSTIFICATION_CENTER)) {
    log_me("[%d]%s: Invalid box justification %d", __LINE__, __func__, (int)BoxJustification);
    return 0;
  }
  LINEOFTEXT aLines[U_DIALOG_MAX_LINES];
  U16 n = DIALOG_u16Wrap(pString, aLines, pFont, u32BoxWidth);
  const S32 pitch = (S32)(G_FONTS_u32GetHeight(pFont) + u32PixelsBetweenLines);
  const S32 height = n * pitch + 2;
  S32 bottom = ppointAnchor->y;
  if (BoxJustification == JUSTIFICATION_TOP) bottom = ppointAnchor->y + 1 - height;
  if (BoxJustification == JUSTIFICATION_CENTER) bottom = ppointAnchor->y - height / 2;
  POINT at = {ppointAnchor->x, bottom};
  G_BOX_vDrawFilled(pBitmap, colorBackground, &at, u32BoxWidth, (U32)height);
  const S32 W = (S32)u32BoxWidth;
  for (S32 i = 0; i < n; i++) {
    S32 width = aLines[i].u16WidthOfLine;
    S32 x = ppointAnchor->x;
    if (TextJustification == JUSTIFICATION_RIGHT) x = ppointAnchor->x + W - width;
    if (TextJustification == JUSTIFICATION_CENTER && width <= W) x = ppointAnchor->x + (W - width) / 2;
    DIALOG_vPutLine(pBitmap, aLines[i], pFont, colorForeground, x, bottom + 7 + (n - 1 - i) * pitch,
                    DIALOG_BLOCK_LINE_BUFFER);
  }
  return (U32)height;
}

void U_DIALOG_vDrawMessageBlockOutlined(BITMAP* pBitmap, const char* pString, const FONT_DEF* pFont,
                                        U32 u32PixelsBetweenLines, JUSTIFICATION TextJustification,
                                        JUSTIFICATION BoxJustification, const POINT* ppointAnchor, U32 u32BoxWidth,
                                        COLOR colorBackground, COLOR colorForeground, COLOR colorOutline) {
  U32 u32Height = U_DIALOG_u32DrawMessageBlock(pBitmap, pString, pFont, u32PixelsBetweenLines, TextJustification,
                                               BoxJustification, ppointAnchor, u32BoxWidth, colorBackground,
                                               colorForeground);
  if (u32Height == 0) return;
  S32 bottom = ppointAnchor->y;
  if (BoxJustification == JUSTIFICATION_TOP) bottom = ppointAnchor->y + 1 - (S32)u32Height;
  if (BoxJustification == JUSTIFICATION_CENTER) bottom = ppointAnchor->y - (S32)u32Height / 2;
  for (S32 grow = 2; grow >= 1; grow--) {
    S32 left = ppointAnchor->x - grow, low = bottom - grow;
    S32 rightEdge = ppointAnchor->x + (S32)u32BoxWidth - 1 + grow, top = bottom + (S32)u32Height - 1 + grow;
    if (left < pBitmap->s32ClipLeft) left = pBitmap->s32ClipLeft;
    if (low < pBitmap->s32ClipBottom) low = pBitmap->s32ClipBottom;
    if (rightEdge > pBitmap->s32ClipRight) rightEdge = pBitmap->s32ClipRight;
    if (top > pBitmap->s32ClipTop) top = pBitmap->s32ClipTop;
    U32 u32Radius = grow == 2 ? 5 : 3;
    S32 w = rightEdge - left + 1, h = top - low + 1;
    if (w < (S32)(2 * u32Radius) || h < (S32)(2 * u32Radius)) continue;
    POINT at = {left, low};
    G_BOX_vDrawRounded(pBitmap, colorOutline, &at, (U32)w, (U32)h, u32Radius);
  }
}

// ---------------------------------------------------------------------------
// Alarm banner and notification bar

static S32 DIALOG_s32BarHeight(U16 n) { return n <= 1 ? 30 : 34 * n + 8; }

static S32 DIALOG_s32AlarmOffset(void) {
  BOOLEAN bActive = FALSE;
  BOOLEAN bValid = FALSE;
  BOOLEAN bIcac = H_DATABASE_bFetchBoolean(FCID("ICAC"), &bActive, &bValid, nullptr) && bValid && bActive;
  BOOLEAN bInstrument = U_VIEW_bIsInstrumentView(UNKNOWN_VIEW);
  BOOLEAN bBirdsEye = U_VIEW_bIsBirdsEyeCursorView(UNKNOWN_VIEW, UNKNOWN_SPLIT);
  if (!bIcac) return bInstrument ? 85 : 0;
  if (bInstrument) return bBirdsEye ? 87 : 143;
  return bBirdsEye ? 0 : 56;
}

// The full-width band of the alarm banner and the notification bar, right of
// the data-box column: its text wrapped 30 pixels narrower, and its height.
typedef struct tag_DIALOG_BAND {
  S32 origin;
  S32 W;
  S32 h;
  U16 n;
  LINEOFTEXT aLines[U_DIALOG_MAX_LINES];
} DIALOG_BAND;

// A banner stays up frame after frame with the same text, and its wrap
// measures every character: the last few wraps are kept per drawing thread,
// with a copy of their text, for texts short enough to keep one.
constexpr U32 DIALOG_KEPT_WRAPS = 4;
constexpr U32 DIALOG_KEPT_BYTES = 128;

typedef struct tag_DIALOG_WRAP_KEY {
  U32 u32Bytes;  // 0: unused
  const FONT_DEF* pFont;
  U32 u32Language;
  BOOLEAN bWide;
  U32 u32Width;
} DIALOG_WRAP_KEY;

typedef struct tag_DIALOG_KEPT_WRAP {
  DIALOG_WRAP_KEY key;
  char ac[DIALOG_KEPT_BYTES];
  U16 n;
  LINEOFTEXT aLines[U_DIALOG_MAX_LINES];  // into ac
} DIALOG_KEPT_WRAP;

static thread_local DIALOG_KEPT_WRAP s_asKeptWraps[DIALOG_KEPT_WRAPS];
static thread_local U32 s_u32NextKeptWrap;

static U16 DIALOG_u16KeptWrap(const char* pString, LINEOFTEXT* pLines, const FONT_DEF* pFont, U32 u32Width) {
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  const U32 u32Bytes = pString == nullptr ? 0 : U_WSTRING_u32w_strlen(pString, FALSE) + (bWide ? 2 : 1);
  if (u32Bytes == 0 || u32Bytes > DIALOG_KEPT_BYTES) return DIALOG_u16Wrap(pString, pLines, pFont, u32Width);
  const DIALOG_WRAP_KEY key = {u32Bytes, pFont, nCurrentLanguage(), bWide, u32Width};
  DIALOG_KEPT_WRAP* pKept = nullptr;
  for (DIALOG_KEPT_WRAP& k : s_asKeptWraps) {
    if (k.key.u32Bytes == key.u32Bytes && k.key.pFont == key.pFont && k.key.u32Width == key.u32Width &&
        k.key.bWide == key.bWide && k.key.u32Language == key.u32Language && memcmp(k.ac, pString, u32Bytes) == 0) {
      pKept = &k;
      break;
    }
  }
  if (pKept == nullptr) {
    pKept = &s_asKeptWraps[s_u32NextKeptWrap];
    s_u32NextKeptWrap = (s_u32NextKeptWrap + 1) % DIALOG_KEPT_WRAPS;
    pKept->key = key;
    memcpy(pKept->ac, pString, u32Bytes);
    pKept->n = DIALOG_u16Wrap(pKept->ac, pKept->aLines, pFont, u32Width);
  }
  for (U16 i = 0; i < pKept->n; i++) {
    pLines[i] = pKept->aLines[i];
    pLines[i].pcStartOfText = pString + (pKept->aLines[i].pcStartOfText - pKept->ac);
  }
  return pKept->n;
}

static void DIALOG_vWrapBand(const char* pString, S32 s32Origin, S32 s32Width, DIALOG_BAND* pBand) {
  pBand->origin = s32Origin;
  pBand->W = s32Width;
  pBand->n = DIALOG_u16KeptWrap(pString, pBand->aLines, U_DIALOG_pChoiceFont(), pBand->W > 30 ? (U32)(pBand->W - 30) : 1);
  pBand->h = DIALOG_s32BarHeight(pBand->n);
}

// A band keeps at least this much width beside the readouts, else it moves
// past them.
constexpr S32 DIALOG_BAND_MIN_WIDTH = 300;
// The rows a band's frame adds to its body.
constexpr S32 DIALOG_BAND_FRAME = 5;

// The band wrapped right of the data-box column and placed clear of the
// frame's readouts: a banner that stays while its alarm lasts, or a bar
// under a pop-up, covered the depth or cut the clock. Its bottom row
// (s32Bottom, moved up or down as the band moves) is kept; with bTop its
// top row is, should a narrower band take more lines. bUp moves it up past
// readouts it cannot pass beside.
static S32 DIALOG_s32PlaceBand(const BITMAP* pBitmap, const char* pString, S32 s32Bottom, BOOLEAN bTop, BOOLEAN bUp,
                               DIALOG_BAND* pBand) {
  const S32 origin = (S32)U_VIEW_u32XOrigin();
  DIALOG_vWrapBand(pString, origin, pBitmap->pixels_wide - origin, pBand);
  const S32 top = s32Bottom + pBand->h + DIALOG_BAND_FRAME;
  // A narrower band may take another line and another place: a few rounds
  // settle it, and the last one kept is clear of the readouts.
  for (int round = 0; round < 3; round++) {
    VIEWAREA_BOX box = {pBand->origin, s32Bottom, pBand->W, pBand->h + DIALOG_BAND_FRAME};
    if (!U_VIEWAREA_bPlaceBand(&box, DIALOG_BAND_MIN_WIDTH, bUp)) break;
    const BOOLEAN bMoved = box.y != s32Bottom;
    s32Bottom = box.y;
    if (box.x == pBand->origin && box.w == pBand->W) break;
    const U16 n = pBand->n;
    DIALOG_vWrapBand(pString, box.x, box.w, pBand);
    if (pBand->n == n) break;
    if (bTop && !bMoved) s32Bottom = top - pBand->h - DIALOG_BAND_FRAME;
  }
  return s32Bottom;
}

// A banner's lines lie on its plain body frame after frame, and laying out
// and blending their glyphs costs more than the rest of the banner. So the
// last few lines are kept as drawn on their body, the pixels of their ink
// box, and copied in while text, font, colours and body are the same. A
// line whose ink leaves the body, or wide text (which may hold a preset
// name drawn in two parts), is drawn every time, and so are the lines of a
// banner of several, whose ink may reach into the line next to it.
constexpr U32 DIALOG_KEPT_LINES = 4;
constexpr S32 DIALOG_KEPT_ROWS = 40;
constexpr S32 DIALOG_KEPT_COLUMNS = (S32)G_SCREEN_WIDTH;

typedef struct tag_DIALOG_LINE_KEY {
  U32 u32Bytes;  // 0: unused
  const FONT_DEF* pFont;
  COLOR colText;
  COLOR colBody;
} DIALOG_LINE_KEY;

typedef struct tag_DIALOG_KEPT_LINE {
  DIALOG_LINE_KEY key;
  char ac[DIALOG_LINE_BUFFER];
  G_TEXT_BOX ink;  // from the line's anchor
  COLOR acol[DIALOG_KEPT_ROWS][DIALOG_KEPT_COLUMNS];  // the ink box, its top row first
} DIALOG_KEPT_LINE;

static DIALOG_KEPT_LINE s_asKeptLines[DIALOG_KEPT_LINES];
static U32 s_u32NextKeptLine;
static std::mutex s_keptLinesLock;  // a test may draw beside the view task

// The rectangle of a plain fill: x, y its lower left corner.
typedef struct tag_DIALOG_RECT {
  S32 x, y, w, h;
} DIALOG_RECT;

static BOOLEAN DIALOG_bInside(const BITMAP* pBitmap, const G_TEXT_BOX& box, const DIALOG_RECT& body) {
  return box.left >= body.x && box.right < body.x + body.w && box.bottom >= body.y && box.top < body.y + body.h &&
         box.left >= pBitmap->s32ClipLeft && box.right <= pBitmap->s32ClipRight &&
         box.bottom >= pBitmap->s32ClipBottom && box.top <= pBitmap->s32ClipTop &&
         box.right - box.left < DIALOG_KEPT_COLUMNS && box.top - box.bottom < DIALOG_KEPT_ROWS;
}

static COLOR* DIALOG_pcolAt(const BITMAP* pBitmap, S32 x, S32 y) {
  return (COLOR*)pBitmap->pBuffer + (pBitmap->pixels_high_full_screen - 1 - y) * pBitmap->__u32PixelWidthOfBuffer + x;
}

// pc (u32Bytes of 8-bit text and its end) at (x, y) on the body, drawn or
// copied from its kept picture.
static void DIALOG_vPutOnBody(BITMAP* pBitmap, const char* pc, U32 u32Bytes, const FONT_DEF* pFont, COLOR color,
                              S32 x, S32 y, const DIALOG_RECT& body, COLOR colBody) {
  const DIALOG_LINE_KEY key = {u32Bytes, pFont, color, colBody};
  std::lock_guard<std::mutex> guard(s_keptLinesLock);
  for (const DIALOG_KEPT_LINE& k : s_asKeptLines) {
    if (k.key.u32Bytes != key.u32Bytes || k.key.pFont != key.pFont || k.key.colText != key.colText ||
        k.key.colBody != key.colBody || memcmp(k.ac, pc, u32Bytes) != 0) {
      continue;
    }
    const G_TEXT_BOX box = {x + k.ink.left, y + k.ink.bottom, x + k.ink.right, y + k.ink.top};
    if (!DIALOG_bInside(pBitmap, box, body)) break;
    const size_t bytes = (size_t)(box.right + 1 - box.left) * sizeof(COLOR);
    for (S32 r = 0; r <= box.top - box.bottom; r++) memcpy(DIALOG_pcolAt(pBitmap, box.left, box.top - r), k.acol[r], bytes);
    G_TRUETYPE_vTextDrawn(pBitmap, pc, pFont, &box);
    return;
  }
  POINT at = {x, y};
  G_STRING_vPut(pBitmap, color, &at, pFont, (const BYTE*)pc);
  G_TEXT_BOX ink;
  if (!G_TRUETYPE_M_bInkBox(pc, pFont, &ink)) return;
  const G_TEXT_BOX box = {x + ink.left, y + ink.bottom, x + ink.right, y + ink.top};
  if (!DIALOG_bInside(pBitmap, box, body)) return;
  DIALOG_KEPT_LINE& k = s_asKeptLines[s_u32NextKeptLine];
  s_u32NextKeptLine = (s_u32NextKeptLine + 1) % DIALOG_KEPT_LINES;
  k.key = key;
  memcpy(k.ac, pc, u32Bytes);
  k.ink = ink;
  const size_t bytes = (size_t)(box.right + 1 - box.left) * sizeof(COLOR);
  for (S32 r = 0; r <= box.top - box.bottom; r++) memcpy(k.acol[r], DIALOG_pcolAt(pBitmap, box.left, box.top - r), bytes);
}

// The lines centred in the band; s32Base is the band body's lower edge, and
// the body a plain fill of colBody.
static void DIALOG_vPutBandLines(BITMAP* pBitmap, const DIALOG_BAND& band, COLOR color, S32 s32Base,
                                 const DIALOG_RECT& body, COLOR colBody) {
  const S32 lift = band.n <= 1 ? -1 : -10;
  for (S32 i = 0; i < band.n; i++) {
    const LINEOFTEXT& line = band.aLines[i];
    const S32 x = band.origin + (band.W - line.u16WidthOfLine) / 2;
    const S32 y = s32Base + band.h + lift - 23 - 34 * i;
    if (band.n > 1 || U_WSTRING_bIsUnicodeLanguage() || x < 0) {
      DIALOG_vPutLine(pBitmap, line, U_DIALOG_pChoiceFont(), color, x, y, DIALOG_LINE_BUFFER);
      continue;
    }
    char acLine[DIALOG_LINE_BUFFER];
    DIALOG_vCopyChars(acLine, sizeof acLine, line.pcStartOfText, line.u8NumberOfCharsInLine);
    DIALOG_vPutOnBody(pBitmap, acLine, (U32)strlen(acLine) + 1, U_DIALOG_pChoiceFont(), color, x, y, body, colBody);
  }
}

void U_DIALOG_vDrawDialogAlarm(BITMAP* pBitmap, const char* pString) {
  if (pBitmap == nullptr) {
    log_me("[%d]%s: no bitmap", __LINE__, __func__);
    return;
  }
  DIALOG_BAND band;
  DIALOG_vWrapBand(pString, (S32)U_VIEW_u32XOrigin(), pBitmap->pixels_wide - (S32)U_VIEW_u32XOrigin(), &band);
  const S32 y0 = DIALOG_s32PlaceBand(pBitmap, pString, pBitmap->pixels_high - 5 - DIALOG_s32AlarmOffset() - band.h,
                                     TRUE, FALSE, &band);
  const S32 origin = band.origin, W = band.W, h = band.h;
  DIALOG_vFill(pBitmap, 32, origin, y0, W, 1);
  DIALOG_vFill(pBitmap, 241, origin + 2, y0 + 3, W - 4, h);
  DIALOG_vFill(pBitmap, 240, origin, y0 + 1, 2, h + 4);
  DIALOG_vFill(pBitmap, 240, origin, y0 + 3 + h, W, 2);
  DIALOG_vFill(pBitmap, 242, origin + 1, y0 + 1, W, 1);
  DIALOG_vFill(pBitmap, 242, origin + 2, y0 + 2, W - 1, 1);
  DIALOG_vFill(pBitmap, 242, origin + W - 2, y0 + 2, 1, h + 1);
  DIALOG_vFill(pBitmap, 242, origin + W - 1, y0 + 2, 1, h + 2);
  DIALOG_vPutBandLines(pBitmap, band, COLOR_colEntry(32), y0 + 5, {origin + 2, y0 + 3, W - 4, h}, COLOR_colEntry(241));
}

static void DIALOG_vDrawBar(BITMAP* pBitmap, S32 origin, S32 y, S32 W, S32 h) {
  DIALOG_vFill(pBitmap, 236, origin, y, 2, h + 4);
  DIALOG_vFill(pBitmap, 236, origin, y + h + 2, W, 2);
  DIALOG_vFill(pBitmap, 32, origin, y + h + 4, W, 1);
  DIALOG_vFill(pBitmap, 237, origin + 2, y + 2, W - 4, h);
  DIALOG_vFill(pBitmap, 238, origin + 1, y, W - 2, 1);
  DIALOG_vFill(pBitmap, 238, origin + 2, y + 1, W - 2, 1);
  DIALOG_vFill(pBitmap, 238, origin + W - 2, y, 1, h + 2);
  DIALOG_vFill(pBitmap, 238, origin + W - 1, y, 1, h + 3);
}

constexpr S32 DIALOG_NOTE_HEIGHT = 36;
constexpr S32 DIALOG_NOTE_MARGIN = 17;
constexpr U32 DIALOG_NOTE_FILL = 237;
constexpr U8 DIALOG_NOTE_ALPHA = 96;
constexpr U32 DIALOG_NOTE_TEXT = 35;

// The next size down of a note's font, or null below the smallest.
static const FONT_DEF* DIALOG_pSmallerNoteFont(const FONT_DEF* pFont) {
  if (pFont == myriad_pro_bold_size17_font_def_ptr) return myriad_pro_bold_size16_font_def_ptr;
  if (pFont == myriad_pro_bold_size16_font_def_ptr) return myriad_pro_bold_size14_font_def_ptr;
  if (pFont == myriad_pro_bold_size14_font_def_ptr) return myriad_pro_bold_size12_font_def_ptr;
  if (pFont == arialuni_size17_font_def_ptr) return arialuni_size16_font_def_ptr;
  if (pFont == arialuni_size16_font_def_ptr) return arialuni_size14_font_def_ptr;
  if (pFont == arialuni_size14_font_def_ptr) return arialuni_size12_font_def_ptr;
  return nullptr;
}

void U_DIALOG_vDrawNote(BITMAP* pBitmap, const char* pString, const FONT_DEF* pFont, S32 s32Bottom) {
  if (pBitmap == nullptr || pString == nullptr || pFont == nullptr) return;
  const S32 origin = (S32)U_VIEW_u32XOrigin();
  S32 width = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pString) + 2 * DIALOG_NOTE_MARGIN;
  // A long translation steps down a size, as a readout does, rather than
  // reach over the readouts left of the view.
  for (const FONT_DEF* p = DIALOG_pSmallerNoteFont(pFont); p != nullptr && width > pBitmap->pixels_wide - origin;
       p = DIALOG_pSmallerNoteFont(p)) {
    pFont = p;
    width = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)pString) + 2 * DIALOG_NOTE_MARGIN;
  }
  S32 x = origin + (pBitmap->pixels_wide - origin - width) / 2;
  if (x + width > pBitmap->pixels_wide) x = pBitmap->pixels_wide - width;
  if (x < 0) x = 0;
  const POINT box = {x, s32Bottom};
  G_BOX_vDrawFilledAlpha(pBitmap, gCOLOR_pcolColorTable[DIALOG_NOTE_FILL], &box, (U32)width, (U32)DIALOG_NOTE_HEIGHT,
                         DIALOG_NOTE_ALPHA);
  U_DIALOG_vOutline(pBitmap, 32, x, s32Bottom, width, DIALOG_NOTE_HEIGHT);
  POINT at = {x + DIALOG_NOTE_MARGIN, s32Bottom + 11};
  G_STRING_vPut(pBitmap, gCOLOR_pcolColorTable[DIALOG_NOTE_TEXT], &at, pFont, (const BYTE*)pString);
}

void U_DIALOG_vDrawDialogGenericNotification(BITMAP* pBitmap, const char* pString) {
  if (pBitmap == nullptr) {
    log_me("[%d]%s: no bitmap", __LINE__, __func__);
    return;
  }
  DIALOG_BAND band;
  const S32 y = DIALOG_s32PlaceBand(pBitmap, pString, 0, FALSE, TRUE, &band);
  DIALOG_vDrawBar(pBitmap, band.origin, y, band.W, band.h);
  DIALOG_vPutBandLines(pBitmap, band, DIALOG_WHITE, y + 2, {band.origin + 2, y + 2, band.W - 4, band.h},
                       COLOR_colEntry(237));
}

void U_DIALOG_vDrawDialogGenericNotificationWithIcon(BITMAP* pBitmap, const char* pString, INFO_ICON_TYPE eIcon) {
  if (eIcon == ICON_NULL) {
    U_DIALOG_vDrawDialogGenericNotification(pBitmap, pString);
    return;
  }
  if (pBitmap == nullptr) {
    log_me("[%d]%s: no bitmap", __LINE__, __func__);
    return;
  }
  static const ICON* const s_apIcons[NUMBER_OF_ICONS] = {
      &Vorne91012_msg_notification_icon, &Vorne91012_incomingcall_notification_icon,
      &Vorne91012_missedcall_notification_icon, &Vorne91012_msg_notification_icon,
      &Vorne91012_attamsg_notification_icon};
  const ICON* pIcon = (U32)eIcon < NUMBER_OF_ICONS ? s_apIcons[eIcon] : &Vorne91012_msg_notification_icon;
  const S32 h = 30;
  VIEWAREA_BOX box = {(S32)U_VIEW_u32XOrigin(), 0, pBitmap->pixels_wide - (S32)U_VIEW_u32XOrigin(),
                      h + DIALOG_BAND_FRAME};
  U_VIEWAREA_bPlaceBand(&box, DIALOG_BAND_MIN_WIDTH, TRUE);
  const S32 origin = box.x, W = box.w;
  const FONT_DEF* pFont = U_DIALOG_pChoiceFont();
  char acText[DIALOG_LINE_BUFFER];
  U_DIALOG_vShortenText(acText, sizeof acText, pString, pFont, W > 51 ? (U32)(W - 51) : 0);
  DIALOG_vDrawBar(pBitmap, origin, box.y, W, h);
  const S32 bodyTop = box.y + 2 + h;
  const S32 textWidth = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)acText);
  POINT text = {origin + 36, bodyTop - 21};
  POINT icon = {origin + 9, bodyTop - 2 - (S32)G_ICON_u32GetHeight(pIcon)};
  if (eIcon == ICON_INCOMING_PHONE_CALL || eIcon == ICON_MISSED_PHONE_CALL) {
    text.x = origin + (W - textWidth) / 2;
    icon.x = text.x - 5 - (S32)G_ICON_u32GetWidth(pIcon);
    text.x += 5;
  }
  G_ICON_vPut(pBitmap, pIcon, &icon);
  G_STRING_vPut(pBitmap, DIALOG_WHITE, &text, pFont, (const BYTE*)acText);
}
