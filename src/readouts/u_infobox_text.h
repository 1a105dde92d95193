// Text in the drawn data boxes, in the boxes' one colour: the clock of the
// readouts' big-digit view, and what the navigation info boxes above write
// with the same hand.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "g_truetype.h"
#include "g_types.h"

constexpr U32 IB_TEXT_SIZE = 40;

S32 IB_nWidth(const FONT_DEF* pFont, const char* sText);
// Draws at (x, y) and returns the x after the text.
S32 IB_nPut(BITMAP* pBitmap, S32 x, S32 y, const FONT_DEF* pFont, const char* sText);
void IB_vPutCentred(BITMAP* pBitmap, S32 x, S32 nWidth, S32 y, const FONT_DEF* pFont, const char* sText);
BOOLEAN IB_bFetchValidU32(FOURCHARID fcid, U32* pu32Value);
// The clock of IDTM in the form the readouts use; FALSE without a valid
// time.
BOOLEAN IB_bClock(BOOLEAN bFull, char* sTime, char* sDate);

// The clock in 100-point digits centred in u32Width, without a bar.
void IBRF_vRenderTimeOnlyDezoInfoBox(BITMAP* pBitmap, POINT* ppt, U32 nLang, U32 u32Width, U32 u32Height);
