// The overlays' drawing calls, made at once or written down in a list and
// made later from it.

#include "t_chart_list.h"

#include <string.h>

#include <utility>

#include "g_box.h"
#include "g_circle.h"
#include "gr_line.h"
#include "t_chart_overlay.h"
#include "u_language.h"
#include "u_wstring.h"

typedef enum tag_T_CHART_OP_KIND : U32 {
  T_CHART_OP_COLOUR = 1,
  T_CHART_OP_TOOL,
  T_CHART_OP_SIZE,
  T_CHART_OP_PATTERN_TYPE,
  T_CHART_OP_PATTERN_INDEX,
  T_CHART_OP_PATTERN_RESET,
  T_CHART_OP_PATTERN_STATUS,
  T_CHART_OP_MOVE,
  T_CHART_OP_LINE,
  T_CHART_OP_PIXEL,
  T_CHART_OP_ICON,
  T_CHART_OP_IMAGE,
  T_CHART_OP_TURNED_IMAGE,
  T_CHART_OP_TURNED_ICON,
  T_CHART_OP_BOX,
  T_CHART_OP_CIRCLE,
  T_CHART_OP_TEXT,
  T_CHART_OP_OUTLINED,
  T_CHART_OP_FUNCTION,
} T_CHART_OP_KIND;

static T_CHART_LIST* s_pList;

T_CHART_OP T_CHART_op(void) {
  T_CHART_OP op;
  memset(&op, 0, sizeof op);
  return op;
}

void T_CHART_vListInto(T_CHART_LIST* pList) {
  s_pList = pList;
  if (pList != nullptr) {
    pList->ops.clear();
    pList->text.clear();
  }
}

BOOLEAN T_CHART_bListing(void) { return s_pList != nullptr; }

BOOLEAN T_CHART_bListsEqual(const T_CHART_LIST* a, const T_CHART_LIST* b) {
  return a->ops.size() == b->ops.size() && a->text == b->text &&
         (a->ops.empty() || memcmp(a->ops.data(), b->ops.data(), a->ops.size() * sizeof(T_CHART_OP)) == 0);
}

static void LIST_vAdd(T_CHART_OP op, T_CHART_OP_KIND eKind, const char* pcText, U32 u32Size) {
  op.eKind = eKind;
  if (pcText != nullptr) {
    op.u32Text = (U32)s_pList->text.size();
    op.u32TextSize = u32Size;
    s_pList->text.insert(s_pList->text.end(), pcText, pcText + u32Size);
  }
  s_pList->ops.push_back(op);
}

static void LIST_vAddXY(T_CHART_OP_KIND eKind, S32 x, S32 y, S32 n) {
  T_CHART_OP op = T_CHART_op();
  op.x = x;
  op.y = y;
  op.n = n;
  LIST_vAdd(op, eKind, nullptr, 0);
}

void T_CHART_vColour(NAV_VIEW_INFO* pNVI, S32 n) {
  if (s_pList != nullptr) return LIST_vAddXY(T_CHART_OP_COLOUR, 0, 0, n);
  gr_SetColor(&pNVI->GrContext, n);
}

void T_CHART_vTool(NAV_VIEW_INFO* pNVI, DRAWING_TOOL eTool) {
  if (s_pList != nullptr) return LIST_vAddXY(T_CHART_OP_TOOL, 0, 0, eTool);
  gr_SetDrawingTool(&pNVI->GrContext, eTool);
}

void T_CHART_vSize(NAV_VIEW_INFO* pNVI, S32 n) {
  if (s_pList != nullptr) return LIST_vAddXY(T_CHART_OP_SIZE, 0, 0, n);
  gr_SetPixelSize(&pNVI->GrContext, n);
}

void T_CHART_vPatternType(NAV_VIEW_INFO* pNVI, S32 n) {
  if (s_pList != nullptr) return LIST_vAddXY(T_CHART_OP_PATTERN_TYPE, 0, 0, n);
  gr_SetPatternType(&pNVI->GrContext, n);
}

void T_CHART_vPatternIndex(NAV_VIEW_INFO* pNVI, S32 n) {
  if (s_pList != nullptr) return LIST_vAddXY(T_CHART_OP_PATTERN_INDEX, 0, 0, n);
  gr_SetPatternIndex(&pNVI->GrContext, n);
}

void T_CHART_vPatternReset(NAV_VIEW_INFO* pNVI) {
  if (s_pList != nullptr) return LIST_vAddXY(T_CHART_OP_PATTERN_RESET, 0, 0, 0);
  gr_ResetPattern(&pNVI->GrContext);
}

void T_CHART_vPatternStatus(NAV_VIEW_INFO* pNVI, BOOLEAN bOn) {
  if (s_pList != nullptr) return LIST_vAddXY(T_CHART_OP_PATTERN_STATUS, 0, 0, bOn);
  gr_SetPatternStatus(&pNVI->GrContext, bOn);
}

void T_CHART_vMove(NAV_VIEW_INFO* pNVI, POINT p) {
  if (s_pList != nullptr) return LIST_vAddXY(T_CHART_OP_MOVE, p.x, p.y, 0);
  gr_SetAbsPenPos(&pNVI->GrContext, p.x, p.y);
}

void T_CHART_vLine(NAV_VIEW_INFO* pNVI, POINT p) {
  if (s_pList != nullptr) return LIST_vAddXY(T_CHART_OP_LINE, p.x, p.y, 0);
  gr_DrawAbsLine(&pNVI->GrContext, p.x, p.y);
}

void T_CHART_vPixel(NAV_VIEW_INFO* pNVI, POINT p) {
  if (s_pList != nullptr) return LIST_vAddXY(T_CHART_OP_PIXEL, p.x, p.y, 0);
  gr_SetPixel(&pNVI->GrContext, p.x, p.y);
}

void T_CHART_vIcon(NAV_VIEW_INFO* pNVI, const ICON* pIcon, POINT at) {
  if (s_pList == nullptr) return G_ICON_vPut(pNVI->pBitmap, pIcon, &at);
  T_CHART_OP op = T_CHART_op();
  op.p = pIcon;
  op.x = at.x;
  op.y = at.y;
  LIST_vAdd(op, T_CHART_OP_ICON, nullptr, 0);
}

void T_CHART_vImage(NAV_VIEW_INFO* pNVI, const IMAGE32* pImage, POINT at) {
  if (s_pList == nullptr) return G_IMAGE32_vPut(pNVI->pBitmap, pImage, &at);
  T_CHART_OP op = T_CHART_op();
  op.p = pImage;
  op.x = at.x;
  op.y = at.y;
  LIST_vAdd(op, T_CHART_OP_IMAGE, nullptr, 0);
}

static T_CHART_OP LIST_turn(const void* p, POINT at, POINT centre, double dAngle) {
  T_CHART_OP op = T_CHART_op();
  op.p = p;
  op.x = at.x;
  op.y = at.y;
  op.a = centre.x;
  op.b = centre.y;
  op.d = dAngle;
  return op;
}

void T_CHART_vTurnedImage(NAV_VIEW_INFO* pNVI, const IMAGE32* pImage, POINT at, POINT centre, double dAngle) {
  if (s_pList == nullptr) return G_IMAGE32_vPutRotatedKept(pNVI->pBitmap, pImage, &at, &centre, dAngle);
  LIST_vAdd(LIST_turn(pImage, at, centre, dAngle), T_CHART_OP_TURNED_IMAGE, nullptr, 0);
}

void T_CHART_vTurnedIcon(NAV_VIEW_INFO* pNVI, const ICON* pIcon, POINT at, POINT centre, double dAngle) {
  if (s_pList == nullptr) return G_ICON_vPutRotatedAngleKept(pNVI->pBitmap, pIcon, &at, &centre, dAngle);
  LIST_vAdd(LIST_turn(pIcon, at, centre, dAngle), T_CHART_OP_TURNED_ICON, nullptr, 0);
}

void T_CHART_vBox(NAV_VIEW_INFO* pNVI, COLOR colour, POINT at, U32 u32Width, U32 u32Height) {
  if (s_pList == nullptr) return G_BOX_vDrawFilled(pNVI->pBitmap, colour, &at, u32Width, u32Height);
  T_CHART_OP op = T_CHART_op();
  op.colour = colour;
  op.x = at.x;
  op.y = at.y;
  op.a = (S32)u32Width;
  op.b = (S32)u32Height;
  LIST_vAdd(op, T_CHART_OP_BOX, nullptr, 0);
}

void T_CHART_vCircle(NAV_VIEW_INFO* pNVI, COLOR colour, POINT centre, U32 u32Diameter) {
  if (s_pList == nullptr) return G_CIRCLE_vDraw(pNVI->pBitmap, colour, &centre, u32Diameter);
  T_CHART_OP op = T_CHART_op();
  op.colour = colour;
  op.x = centre.x;
  op.y = centre.y;
  op.a = (S32)u32Diameter;
  LIST_vAdd(op, T_CHART_OP_CIRCLE, nullptr, 0);
}

// The bytes of a text up to and with its end in the current text form, and
// a second zero byte, so that a copy reads as the text did.
static U32 LIST_u32TextSize(const char* pcText) {
  // The length counts bytes in either form.
  return U_WSTRING_u32w_strlen(pcText, FALSE) + (U_WSTRING_bIsUnicodeLanguage() ? 2 : 1);
}

static void LIST_vAddText(T_CHART_OP op, T_CHART_OP_KIND eKind, const char* pcText) {
  const U32 n = LIST_u32TextSize(pcText);
  LIST_vAdd(op, eKind, pcText, n);
  s_pList->text.push_back(0);
  s_pList->text.push_back(0);
  s_pList->ops.back().u32TextSize = n + 2;
}

void T_CHART_vText(NAV_VIEW_INFO* pNVI, COLOR colour, POINT at, const FONT_DEF* pFont, const char* sText) {
  if (s_pList == nullptr) return T_NAV_vPutText(pNVI->pBitmap, colour, at, pFont, sText);
  if (sText == nullptr) return;
  T_CHART_OP op = T_CHART_op();
  op.colour = colour;
  op.x = at.x;
  op.y = at.y;
  op.p = pFont;
  LIST_vAddText(op, T_CHART_OP_TEXT, sText);
}

void T_CHART_vOutlined(NAV_VIEW_INFO* pNVI, POINT at, const FONT_DEF* pFont, const char* sName, COLOR text,
                       COLOR outline) {
  if (s_pList == nullptr) return T_NAV_vRenderOutlinedName(pNVI->pBitmap, at, pFont, sName, text, outline);
  if (sName == nullptr) return;
  T_CHART_OP op = T_CHART_op();
  op.colour = text;
  op.colour2 = outline;
  op.x = at.x;
  op.y = at.y;
  op.p = pFont;
  LIST_vAddText(op, T_CHART_OP_OUTLINED, sName);
}

void T_CHART_vCall(NAV_VIEW_INFO* pNVI, T_CHART_OP_CALL* pfCall, T_CHART_OP op, const char* pcText,
                   U32 u32TextSize) {
  op.pfCall = pfCall;
  if (s_pList == nullptr) {
    op.u32TextSize = pcText != nullptr ? u32TextSize : 0;
    return pfCall(pNVI, &op, pcText);
  }
  LIST_vAdd(op, T_CHART_OP_FUNCTION, pcText, pcText != nullptr ? u32TextSize : 0);
}

void T_CHART_vPlayList(NAV_VIEW_INFO* pNVI, const T_CHART_LIST* pList) {
  T_CHART_LIST* pKeep = s_pList;
  s_pList = nullptr;
  GR_CONTEXT* gc = &pNVI->GrContext;
  BITMAP* b = pNVI->pBitmap;
  for (const T_CHART_OP& op : pList->ops) {
    const char* pcText = op.u32TextSize != 0 ? &pList->text[op.u32Text] : nullptr;
    POINT at = {op.x, op.y};
    const POINT centre = {op.a, op.b};
    switch ((T_CHART_OP_KIND)op.eKind) {
      case T_CHART_OP_COLOUR: gr_SetColor(gc, op.n); break;
      case T_CHART_OP_TOOL: gr_SetDrawingTool(gc, (DRAWING_TOOL)op.n); break;
      case T_CHART_OP_SIZE: gr_SetPixelSize(gc, op.n); break;
      case T_CHART_OP_PATTERN_TYPE: gr_SetPatternType(gc, op.n); break;
      case T_CHART_OP_PATTERN_INDEX: gr_SetPatternIndex(gc, op.n); break;
      case T_CHART_OP_PATTERN_RESET: gr_ResetPattern(gc); break;
      case T_CHART_OP_PATTERN_STATUS: gr_SetPatternStatus(gc, op.n); break;
      case T_CHART_OP_MOVE: gr_SetAbsPenPos(gc, op.x, op.y); break;
      case T_CHART_OP_LINE: gr_DrawAbsLine(gc, op.x, op.y); break;
      case T_CHART_OP_PIXEL: gr_SetPixel(gc, op.x, op.y); break;
      case T_CHART_OP_ICON: G_ICON_vPut(b, (const ICON*)op.p, &at); break;
      case T_CHART_OP_IMAGE: G_IMAGE32_vPut(b, (const IMAGE32*)op.p, &at); break;
      case T_CHART_OP_TURNED_IMAGE:
        G_IMAGE32_vPutRotatedKept(b, (const IMAGE32*)op.p, &at, &centre, op.d);
        break;
      case T_CHART_OP_TURNED_ICON: G_ICON_vPutRotatedAngleKept(b, (const ICON*)op.p, &at, &centre, op.d); break;
      case T_CHART_OP_BOX: G_BOX_vDrawFilled(b, op.colour, &at, (U32)op.a, (U32)op.b); break;
      case T_CHART_OP_CIRCLE: G_CIRCLE_vDraw(b, op.colour, &at, (U32)op.a); break;
      case T_CHART_OP_TEXT: T_NAV_vPutText(b, op.colour, at, (const FONT_DEF*)op.p, pcText); break;
      case T_CHART_OP_OUTLINED:
        T_NAV_vRenderOutlinedName(b, at, (const FONT_DEF*)op.p, pcText, op.colour, op.colour2);
        break;
      case T_CHART_OP_FUNCTION: op.pfCall(pNVI, &op, pcText); break;
    }
  }
  s_pList = pKeep;
}

BOOLEAN T_CHART_bComposedSame(const T_CHART_COMPOSED* pComposed, const T_CHART_LIST* pList) {
  return pComposed->bValid && pComposed->u32Language == nCurrentLanguage() &&
         pComposed->bWideText == U_WSTRING_bIsUnicodeLanguage() &&
         memcmp(pComposed->aTable.data(), gCOLOR_pcolColorTable, sizeof pComposed->aTable) == 0 &&
         T_CHART_bListsEqual(&pComposed->list, pList);
}

void T_CHART_vComposedKeep(T_CHART_COMPOSED* pComposed, T_CHART_LIST* pList) {
  std::swap(pComposed->list, *pList);
  memcpy(pComposed->aTable.data(), gCOLOR_pcolColorTable, sizeof pComposed->aTable);
  pComposed->u32Language = nCurrentLanguage();
  pComposed->bWideText = U_WSTRING_bIsUnicodeLanguage();
  pComposed->bValid = TRUE;
}
