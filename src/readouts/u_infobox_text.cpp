// Text in the drawn data boxes and the big-digit view's clock.

#include "u_infobox_text.h"

#include <time.h>

#include "color.h"
#include "g_fonts.h"
#include "g_string.h"
#include "h_database.h"
#include "t_info.h"
#include "ui_texts.h"

S32 IB_nWidth(const FONT_DEF* pFont, const char* sText) { return (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)sText); }

S32 IB_nPut(BITMAP* pBitmap, S32 x, S32 y, const FONT_DEF* pFont, const char* sText) {
  POINT pt = {x, y};
  G_STRING_vPut(pBitmap, gCOLOR_pcolColorTable[35], &pt, pFont, (const BYTE*)sText);
  return pt.x;
}

void IB_vPutCentred(BITMAP* pBitmap, S32 x, S32 nWidth, S32 y, const FONT_DEF* pFont, const char* sText) {
  IB_nPut(pBitmap, x + (nWidth - IB_nWidth(pFont, sText)) / 2, y, pFont, sText);
}

BOOLEAN IB_bFetchValidU32(FOURCHARID fcid, U32* pu32Value) {
  BOOLEAN bValid = FALSE;
  return H_DATABASE_bFetchU32(fcid, pu32Value, &bValid, nullptr) && bValid;
}

// The clock of IDTM in the form the readouts use; FALSE without a valid
// time.
BOOLEAN IB_bClock(BOOLEAN bFull, char* sTime, char* sDate) {
  U32 u32Now = 0;
  if (!IB_bFetchValidU32(FCID("IDTM"), &u32Now)) return FALSE;
  T_INFO_vFormatTime((time_t)u32Now, bFull, bFull, sTime, sDate, nullptr);
  return TRUE;
}

void IBRF_vRenderTimeOnlyDezoInfoBox(BITMAP* pBitmap, POINT* ppt, U32 nLang, U32 u32Width, U32 u32Height) {
  const POINT o = *ppt;
  char sTime[IB_TEXT_SIZE] = {};
  if (!IB_bClock(FALSE, sTime, nullptr)) return;
  // In 100-point digits the widest times (10:00 to 12:59, 20:00 to 23:59)
  // are wider than the 300-pixel column, and a text that would start left
  // of its box is not drawn at all: those step down to 62 points.
  const FONT_DEF* pValue = T_INFO_pFont(100);
  if (IB_nWidth(pValue, sTime) > (S32)u32Width) pValue = T_INFO_pFont(62);
  IB_vPutCentred(pBitmap, o.x, (S32)u32Width, o.y + 6, pValue, sTime);
  const FONT_DEF* pLabel = T_INFO_pFont(17);
  IB_nPut(pBitmap, o.x + 5, o.y + (S32)u32Height + 1 - (S32)G_FONTS_u32GetCoreHeight(pLabel), pLabel, Time[nLang]);
}
