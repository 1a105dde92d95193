// The overlays' drawing calls, made at once or written down in a list and
// made later from it, and what each call of a list may draw.

#include "t_chart_list.h"

#include <math.h>
#include <stdint.h>
#include <string.h>

#include <array>

#include "g_box.h"
#include "g_circle.h"
#include "g_icon.h"
#include "g_string.h"
#include "gr_line.h"
#include "t_chart_list_int.h"
#include "t_chart_overlay.h"
#include "u_wstring.h"

static T_CHART_LIST* s_pList;

T_CHART_OP T_CHART_op(void) {
  T_CHART_OP op;
  memset(&op, 0, sizeof op);
  return op;
}

// ---------------------------------------------------------------------------
// The drawing state

void LIST_vStartState(GR_CONTEXT* gc) {
  gc->cp = {0, 0};
  gc->colour = 0xFFFF;
  gc->DrTool = STD_PEN;
  gc->PixelSize = 1;
  PATTERNATTRIB* a = &gc->ptrnattrib;
  a->status = 0;
  a->type = 0;
  a->index = 0;
  a->ptr = nullptr;
  a->curbyte = 0;
  a->curbit = 0;
  a->zxcounter = 0;
  a->zycounter = 0;
}

T_CHART_PEN LIST_pen(const GR_CONTEXT* gc, BOOLEAN bPhaseUsed) {
  T_CHART_PEN pen;
  memset(&pen, 0, sizeof pen);
  pen.cp = gc->cp;
  pen.colour = gc->colour;
  pen.PixelSize = gc->PixelSize;
  pen.DrTool = gc->DrTool;
  pen.pattern = gc->ptrnattrib;
  pen.bPhaseUsed = bPhaseUsed;
  return pen;
}

void LIST_vSetPen(GR_CONTEXT* gc, const T_CHART_PEN* pPen) {
  gc->cp = pPen->cp;
  gc->colour = pPen->colour;
  gc->PixelSize = pPen->PixelSize;
  gc->DrTool = pPen->DrTool;
  gc->ptrnattrib = pPen->pattern;
}

static BOOLEAN LIST_bPatternsEqual(const PATTERNATTRIB& a, const PATTERNATTRIB& b) {
  return a.status == b.status && a.type == b.type && a.index == b.index && a.ptr == b.ptr && a.curbyte == b.curbyte &&
         a.curbit == b.curbit && a.zx == b.zx && a.zy == b.zy && a.zxcounter == b.zxcounter &&
         a.zycounter == b.zycounter;
}

U32 LIST_u32PenDiffers(const T_CHART_PEN& a, const T_CHART_PEN& b) {
  U32 u32 = 0;
  if (a.cp.px != b.cp.px || a.cp.py != b.cp.py) u32 |= LIST_PEN;
  if (a.colour != b.colour) u32 |= LIST_COLOUR;
  if (a.DrTool != b.DrTool || a.PixelSize != b.PixelSize) u32 |= LIST_TOOL;
  if (!LIST_bPatternsEqual(a.pattern, b.pattern) || a.bPhaseUsed != b.bPhaseUsed) u32 |= LIST_PATTERN;
  return u32;
}

U32 LIST_u32Differs(const GR_CONTEXT* a, BOOLEAN bPhaseA, const GR_CONTEXT* b, BOOLEAN bPhaseB) {
  return LIST_u32PenDiffers(LIST_pen(a, bPhaseA), LIST_pen(b, bPhaseB));
}

U32 LIST_u32Reads(U32 eKind) {
  switch (eKind) {
    case T_CHART_OP_LINE:
    case T_CHART_OP_FUNCTION:
      return LIST_PEN | LIST_COLOUR | LIST_TOOL | LIST_PATTERN;
    case T_CHART_OP_PIXEL:
      return LIST_COLOUR | LIST_TOOL | LIST_PATTERN;
    default:
      return 0;
  }
}

U32 LIST_u32OpReads(const T_CHART_OP& op) {
  const U32 u32 = LIST_u32Reads(op.eKind);
  return op.eKind == T_CHART_OP_FUNCTION && (op.u8Flags & T_CHART_CALL_SETS_PEN) != 0 ? u32 & ~LIST_PEN : u32;
}

U32 LIST_u32Sets(U32 eKind) {
  switch (eKind) {
    case T_CHART_OP_COLOUR: return LIST_COLOUR;
    case T_CHART_OP_TOOL:
    case T_CHART_OP_SIZE: return LIST_TOOL;
    case T_CHART_OP_PATTERN_TYPE:
    case T_CHART_OP_PATTERN_INDEX:
    case T_CHART_OP_PATTERN_RESET:
    case T_CHART_OP_PATTERN_STATUS: return LIST_PATTERN;
    case T_CHART_OP_MOVE:
    case T_CHART_OP_LINE:
    case T_CHART_OP_PIXEL: return LIST_PEN;
    default: return 0;
  }
}

BOOLEAN LIST_bApplyState(GR_CONTEXT* gc, const T_CHART_OP& op) {
  switch ((T_CHART_OP_KIND)op.eKind) {
    case T_CHART_OP_COLOUR: gr_SetColor(gc, op.n); return TRUE;
    case T_CHART_OP_TOOL: gr_SetDrawingTool(gc, (DRAWING_TOOL)op.n); return TRUE;
    case T_CHART_OP_SIZE: gr_SetPixelSize(gc, op.n); return TRUE;
    case T_CHART_OP_PATTERN_TYPE: gr_SetPatternType(gc, (U8)op.n); return TRUE;
    case T_CHART_OP_PATTERN_INDEX: gr_SetPatternIndex(gc, (U8)op.n); return TRUE;
    case T_CHART_OP_PATTERN_RESET: gr_ResetPattern(gc); return TRUE;
    case T_CHART_OP_PATTERN_STATUS: gr_SetPatternStatus(gc, op.n); return TRUE;
    case T_CHART_OP_MOVE: gr_SetAbsPenPos(gc, op.x, op.y); return TRUE;
    default: return FALSE;
  }
}

BOOLEAN LIST_bRestartsPhase(U32 eKind) {
  return eKind == T_CHART_OP_PATTERN_TYPE || eKind == T_CHART_OP_PATTERN_INDEX || eKind == T_CHART_OP_PATTERN_RESET ||
         eKind == T_CHART_OP_PATTERN_STATUS;
}

void LIST_vAfterDrawing(GR_CONTEXT* gc, const T_CHART_OP& op, BOOLEAN* pbPhaseUsed) {
  if (op.eKind == T_CHART_OP_LINE || op.eKind == T_CHART_OP_PIXEL) {
    gc->cp.px = op.x;
    gc->cp.py = gf_RowOf(gc, op.y);
  }
  if (gc->ptrnattrib.status && LIST_u32Reads(op.eKind) != 0) *pbPhaseUsed = TRUE;
}

// ---------------------------------------------------------------------------
// Writing a list

void T_CHART_vListInto(T_CHART_LIST* pList, const NAV_VIEW_INFO* pNVI, const T_CHART_LIST* pReference) {
  s_pList = pList;
  if (pList == nullptr) return;
  pList->ops.clear();
  pList->text.clear();
  pList->elements.clear();
  pList->runs.clear();
  pList->bBoxes = FALSE;
  pList->u32Sections = 0;
  pList->pReference = pReference != pList ? pReference : nullptr;
  pList->taken.clear();
  if (pNVI != nullptr) {
    pList->state = pNVI->GrContext;
  } else {
    memset(&pList->state, 0, sizeof pList->state);
  }
  LIST_vStartState(&pList->state);
  pList->bPhaseUsed = FALSE;
  pList->u32Sets = 0;
  pList->bOrdered = TRUE;
  pList->elements.push_back({0, 0, 0, LIST_pen(&pList->state, FALSE), 0});
}

BOOLEAN T_CHART_bListing(void) { return s_pList != nullptr; }

void T_CHART_vElement(U32 u32Part, U32 u32Id) {
  T_CHART_LIST* l = s_pList;
  if (l == nullptr) return;
  const U64 key = (U64)u32Part << 32 | u32Id;
  // An element cannot begin inside a patterned line: its phase there is
  // only known by drawing what came before.
  if (key <= l->elements.back().u64Key || (l->bPhaseUsed && l->state.ptrnattrib.status)) l->bOrdered = FALSE;
  l->elements.push_back({key, (U32)l->ops.size(), (U32)l->text.size(), LIST_pen(&l->state, l->bPhaseUsed), 0});
  l->u32Sets = 0;
}

// The open section, or null.
static T_CHART_SECTION* LIST_pOpenSection(T_CHART_LIST* l) {
  if (l->u32Sections == 0) return nullptr;
  T_CHART_SECTION* p = &l->sections[l->u32Sections - 1];
  return p->u32EndElement == 0 ? p : nullptr;
}

// A closed section of the reference list that the new one may take.
static const T_CHART_SECTION* LIST_pTakeable(const T_CHART_LIST* l, U32 u32Part, const void* pInputs, size_t size) {
  const T_CHART_LIST* r = l->pReference;
  if (r == nullptr || !r->bOrdered) return nullptr;
  const T_CHART_PEN now = LIST_pen(&l->state, l->bPhaseUsed);
  for (U32 k = 0; k < r->u32Sections; k++) {
    const T_CHART_SECTION* p = &r->sections[k];
    if (p->u32Part != u32Part || p->u32EndElement == 0) continue;
    if (p->inputs.size() != size || memcmp(p->inputs.data(), pInputs, size) != 0) return nullptr;
    return LIST_u32PenDiffers(r->elements[p->u32FirstElement].entry, now) == 0 ? p : nullptr;
  }
  return nullptr;
}

BOOLEAN T_CHART_bSectionKept(U32 u32Part, const void* pInputs, size_t size) {
  T_CHART_LIST* l = s_pList;
  if (l == nullptr) return FALSE;
  if (l->u32Sections == l->sections.size()) l->sections.emplace_back();
  T_CHART_SECTION* pSection = &l->sections[l->u32Sections++];
  pSection->u32Part = u32Part;
  pSection->u32EndElement = 0;
  const T_CHART_SECTION* pFrom = LIST_pTakeable(l, u32Part, pInputs, size);
  if (pFrom == nullptr) {
    T_CHART_vElement(u32Part, 0);
    pSection->u32FirstElement = (U32)l->elements.size() - 1;
    pSection->inputs.assign((const U8*)pInputs, (const U8*)pInputs + size);
    return FALSE;
  }
  // Its elements, ops, text and patterned stretches, the offsets moved to
  // where they now lie.
  const T_CHART_LIST* r = l->pReference;
  const U32 e0 = pFrom->u32FirstElement, e1 = pFrom->u32EndElement;
  const U32 o0 = r->elements[e0].u32FirstOp, o1 = e1 < r->elements.size() ? r->elements[e1].u32FirstOp : (U32)r->ops.size();
  const U32 t0 = r->elements[e0].u32FirstText,
            t1 = e1 < r->elements.size() ? r->elements[e1].u32FirstText : (U32)r->text.size();
  if (r->elements[e0].u64Key <= l->elements.back().u64Key) l->bOrdered = FALSE;
  const U32 firstElement = (U32)l->elements.size(), firstOp = (U32)l->ops.size(), firstText = (U32)l->text.size();
  l->elements.insert(l->elements.end(), r->elements.begin() + e0, r->elements.begin() + e1);
  for (size_t e = firstElement; e < l->elements.size(); e++) {
    l->elements[e].u32FirstOp = l->elements[e].u32FirstOp - o0 + firstOp;
    l->elements[e].u32FirstText = l->elements[e].u32FirstText - t0 + firstText;
  }
  l->ops.insert(l->ops.end(), r->ops.begin() + o0, r->ops.begin() + o1);
  l->text.insert(l->text.end(), r->text.begin() + t0, r->text.begin() + t1);
  for (const std::array<U32, 2>& run : r->runs) {
    if (run[0] >= o0 && run[0] < o1) l->runs.push_back({run[0] - o0 + firstOp, run[1] - o0 + firstOp});
  }
  l->taken.push_back({firstElement, e1 - e0, e0});
  pSection->u32FirstElement = firstElement;
  pSection->inputs.assign((const U8*)pInputs, (const U8*)pInputs + size);
  LIST_vSetPen(&l->state, &pFrom->exit);
  l->bPhaseUsed = pFrom->exit.bPhaseUsed;
  return TRUE;
}

void T_CHART_vSectionEnd(const void* pInputs, size_t size) {
  T_CHART_LIST* l = s_pList;
  if (l == nullptr) return;
  T_CHART_SECTION* pSection = LIST_pOpenSection(l);
  if (pSection == nullptr) return;
  if (pInputs != nullptr) pSection->inputs.assign((const U8*)pInputs, (const U8*)pInputs + size);
  pSection->u32EndElement = (U32)l->elements.size();
  pSection->exit = LIST_pen(&l->state, l->bPhaseUsed);
  // Whatever comes before the next element is not the section's.
  T_CHART_vElement(pSection->u32Part, 0xFFFFFFFFu);
}

static void LIST_vAdd(T_CHART_OP op, T_CHART_OP_KIND eKind, const char* pcText, U32 u32Size) {
  T_CHART_LIST* l = s_pList;
  op.eKind = (U8)eKind;
  if (pcText != nullptr) {
    // An op's text is a name or a label: far shorter than its size can say.
    const U16 size = u32Size > 0xFFFF ? (U16)0xFFFF : (U16)u32Size;
    op.u32Text = (U32)l->text.size() - l->elements.back().u32FirstText;
    op.u16TextSize = size;
    l->text.insert(l->text.end(), pcText, pcText + size);
  }
  const U32 index = (U32)l->ops.size();
  l->ops.push_back(op);
  l->elements.back().u32Reads |= LIST_u32OpReads(op) & ~l->u32Sets;
  l->u32Sets |= LIST_u32Sets(eKind);
  if (LIST_bApplyState(&l->state, op)) {
    if (LIST_bRestartsPhase(eKind)) l->bPhaseUsed = FALSE;
    return;
  }
  if (l->state.ptrnattrib.status && LIST_u32Reads(eKind) != 0) {
    if (!l->bPhaseUsed || l->runs.empty()) {
      l->runs.push_back({index, index});
    } else {
      l->runs.back()[1] = index;
    }
  }
  LIST_vAfterDrawing(&l->state, op, &l->bPhaseUsed);
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
  gr_SetPatternType(&pNVI->GrContext, (U8)n);
}

void T_CHART_vPatternIndex(NAV_VIEW_INFO* pNVI, S32 n) {
  if (s_pList != nullptr) return LIST_vAddXY(T_CHART_OP_PATTERN_INDEX, 0, 0, n);
  gr_SetPatternIndex(&pNVI->GrContext, (U8)n);
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
  if (s_pList == nullptr) return G_ICON_vPutKept(pNVI->pBitmap, pIcon, &at);
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
  const U32 size = LIST_u32TextSize(pcText);
  const U32 n = size < 0xFFFD ? size : 0xFFFD;
  LIST_vAdd(op, eKind, pcText, n);
  s_pList->text.push_back(0);
  s_pList->text.push_back(0);
  s_pList->ops.back().u16TextSize = (U16)(s_pList->ops.back().u16TextSize + 2);
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
    op.u16TextSize = pcText != nullptr ? (U16)(u32TextSize > 0xFFFF ? 0xFFFF : u32TextSize) : 0;
    return pfCall(pNVI, &op, pcText, nullptr, TRUE);
  }
  T_CHART_EXTENT extent;
  memset(&extent, 0, sizeof extent);
  extent.pState = &s_pList->state;
  T_CHART_OP asked = op;
  asked.u16TextSize = pcText != nullptr ? (U16)(u32TextSize > 0xFFFF ? 0xFFFF : u32TextSize) : 0;
  pfCall(pNVI, &asked, pcText, &extent, FALSE);
  LIST_vAdd(op, T_CHART_OP_FUNCTION, pcText, pcText != nullptr ? asked.u16TextSize : 0);
  // Where the call leaves the pen, as an op of its own: a later line then
  // starts from there whether or not the call is made again.
  if (extent.bPen) LIST_vAddXY(T_CHART_OP_MOVE, extent.pen.x, extent.pen.y, 0);
}

// ---------------------------------------------------------------------------
// What a call may draw

T_CHART_BOX T_CHART_empty(void) { return {1, 1, 0, 0}; }

T_CHART_BOX T_CHART_union(T_CHART_BOX a, T_CHART_BOX b) {
  if (a.x0 > a.x1) return b;
  if (b.x0 > b.x1) return a;
  return {a.x0 < b.x0 ? a.x0 : b.x0, a.y0 < b.y0 ? a.y0 : b.y0, a.x1 > b.x1 ? a.x1 : b.x1, a.y1 > b.y1 ? a.y1 : b.y1};
}

static S32 LIST_nSat(S64 v) { return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : (S32)v; }

static T_CHART_BOX LIST_around(S64 x0, S64 y0, S64 x1, S64 y1, S64 margin) {
  return {LIST_nSat(x0 - margin), LIST_nSat(y0 - margin), LIST_nSat(x1 + margin), LIST_nSat(y1 + margin)};
}

T_CHART_BOX T_CHART_lineBox(const GR_CONTEXT* pState, POINT a, POINT b) {
  // A brush reaches its size less one about the line; the decorated
  // patterns a few pixels across it. A cut at the clip edge may round a
  // pixel past an end.
  S64 r = pState->DrTool == BRUSH && pState->PixelSize >= 2 ? (S64)pState->PixelSize - 1 : 0;
  if (pState->ptrnattrib.status && r < 4) r = 4;
  return LIST_around(a.x < b.x ? a.x : b.x, a.y < b.y ? a.y : b.y, a.x > b.x ? a.x : b.x, a.y > b.y ? a.y : b.y,
                     r + 1);
}

// Text from its anchor on the baseline to end: glyphs may reach a little to
// the left of the anchor and past the pen, and up and down by their size.
static T_CHART_BOX LIST_textBox(POINT at, S64 end, const FONT_DEF* pFont, S32 nOutline) {
  const S64 h = (S64)G_FONTS_u32GetHeight(pFont) + nOutline + 1;
  return LIST_around(at.x - h, at.y - 2 * h, end + h, at.y + 2 * h, 0);
}

static T_CHART_BOX LIST_turnedBox(const T_CHART_OP& op, S32 w, S32 h, BOOLEAN bIcon) {
  // A free turn keeps every pixel within the farthest corner of the pivot;
  // an icon that snaps to quarter turns turns about the anchor.
  S64 reach = (S64)w + h + 2;
  if (!bIcon) {
    const double dx = fmax(fabs((double)op.a), fabs((double)w - op.a)), dy = fmax(fabs((double)op.b), fabs((double)h - op.b));
    reach = (S64)ceil(sqrt(dx * dx + dy * dy)) + 2;
  }
  return LIST_around(op.x, op.y, op.x, op.y, reach);
}

// A function op's box, asked of it as it draws or alone.
static T_CHART_BOX LIST_callBox(NAV_VIEW_INFO* pNVI, const GR_CONTEXT* pState, const T_CHART_OP& op,
                               const char* pcText, BOOLEAN bDraw) {
  T_CHART_EXTENT extent;
  memset(&extent, 0, sizeof extent);
  extent.pState = pState;
  extent.bBoxWanted = TRUE;
  extent.box = T_CHART_empty();
  op.pfCall(pNVI, &op, pcText, &extent, bDraw);
  return extent.box;
}

T_CHART_BOX LIST_box(NAV_VIEW_INFO* pNVI, const GR_CONTEXT* pState, const T_CHART_OP& op, const char* pcText,
                     S64 s64TextEnd) {
  switch ((T_CHART_OP_KIND)op.eKind) {
    case T_CHART_OP_LINE: {
      const POINT from = {pState->cp.px, gf_RowOf(pState, pState->cp.py)};
      return T_CHART_lineBox(pState, from, {op.x, op.y});
    }
    case T_CHART_OP_PIXEL:
      return T_CHART_lineBox(pState, {op.x, op.y}, {op.x, op.y});
    case T_CHART_OP_ICON: {
      const ICON* pIcon = (const ICON*)op.p;
      return LIST_around(op.x, op.y, (S64)op.x + G_ICON_u32GetWidth(pIcon), (S64)op.y + G_ICON_u32GetHeight(pIcon), 1);
    }
    case T_CHART_OP_IMAGE: {
      const IMAGE32* pImage = (const IMAGE32*)op.p;
      return LIST_around(op.x, op.y, (S64)op.x + pImage->s32Width, (S64)op.y + pImage->s32Height, 1);
    }
    case T_CHART_OP_TURNED_IMAGE: {
      const IMAGE32* pImage = (const IMAGE32*)op.p;
      return LIST_turnedBox(op, pImage->s32Width, pImage->s32Height, FALSE);
    }
    case T_CHART_OP_TURNED_ICON: {
      const ICON* pIcon = (const ICON*)op.p;
      return LIST_turnedBox(op, (S32)G_ICON_u32GetWidth(pIcon), (S32)G_ICON_u32GetHeight(pIcon), TRUE);
    }
    case T_CHART_OP_BOX:
      return LIST_around(op.x, op.y, (S64)op.x + (U32)op.a, (S64)op.y + (U32)op.b, 1);
    case T_CHART_OP_CIRCLE: {
      // Points off the bitmap are drawn on its nearest edge.
      const BITMAP* b = pNVI->pBitmap;
      auto clamp = [](S64 v, S64 hi) { return v < 0 ? 0 : v > hi ? hi : v; };
      const S64 r = (S64)(U32)op.a + 1, wide = b->pixels_wide - 1, high = b->pixels_high - 1;
      return LIST_around(clamp(op.x - r, wide), clamp(op.y - r, high), clamp(op.x + r, wide), clamp(op.y + r, high), 0);
    }
    case T_CHART_OP_TEXT:
    case T_CHART_OP_OUTLINED: {
      const BOOLEAN bOutlined = op.eKind == T_CHART_OP_OUTLINED;
      const FONT_DEF* pFont = (const FONT_DEF*)op.p;
      const POINT at = {op.x, op.y};
      if (s64TextEnd == LIST_MEASURE) {
        if (!T_NAV_bTextShows(pNVI->pBitmap, at, pFont, bOutlined)) return T_CHART_empty();
        s64TextEnd = (S64)op.x + G_STRING_u32GetWidth(pFont, (const BYTE*)pcText);
      }
      if (s64TextEnd == LIST_NOTHING) return T_CHART_empty();
      return LIST_textBox(at, s64TextEnd, pFont, bOutlined ? 1 : 0);
    }
    case T_CHART_OP_FUNCTION:
      return LIST_callBox(pNVI, pState, op, pcText, FALSE);
    default:
      return T_CHART_empty();
  }
}

// ---------------------------------------------------------------------------
// Making the calls

// A list's icons in their colours, kept between plays: a full store's
// waypoints show thousands of icons of a few dozen kinds. Each draw
// compares the icon palette with the one its colours were taken from.
static const G_ICON_COLOURED* LIST_pColoured(const ICON* pIcon) {
  static std::array<G_ICON_COLOURED, 256> s_coloured;  // the view task's only
  G_ICON_COLOURED* p = &s_coloured[((uintptr_t)pIcon / sizeof(ICON)) % s_coloured.size()];
  G_ICON_vTakeColours(p, pIcon);
  return p;
}

T_CHART_BOX LIST_draw(NAV_VIEW_INFO* pNVI, const T_CHART_OP& op, const char* pcText) {
  GR_CONTEXT* gc = &pNVI->GrContext;
  BITMAP* b = pNVI->pBitmap;
  POINT at = {op.x, op.y};
  const POINT centre = {op.a, op.b};
  switch ((T_CHART_OP_KIND)op.eKind) {
    case T_CHART_OP_LINE: {
      const T_CHART_BOX box = LIST_box(pNVI, gc, op, pcText, LIST_MEASURE);
      gr_DrawAbsLine(gc, op.x, op.y);
      return box;
    }
    case T_CHART_OP_PIXEL: {
      const T_CHART_BOX box = LIST_box(pNVI, gc, op, pcText, LIST_MEASURE);
      gr_SetPixel(gc, op.x, op.y);
      return box;
    }
    case T_CHART_OP_ICON: G_ICON_vPutColoured(b, LIST_pColoured((const ICON*)op.p), &at); break;
    case T_CHART_OP_IMAGE: G_IMAGE32_vPut(b, (const IMAGE32*)op.p, &at); break;
    case T_CHART_OP_TURNED_IMAGE: G_IMAGE32_vPutRotatedKept(b, (const IMAGE32*)op.p, &at, &centre, op.d); break;
    case T_CHART_OP_TURNED_ICON: G_ICON_vPutRotatedAngleKept(b, (const ICON*)op.p, &at, &centre, op.d); break;
    case T_CHART_OP_BOX: G_BOX_vDrawFilled(b, op.colour, &at, (U32)op.a, (U32)op.b); break;
    case T_CHART_OP_CIRCLE: G_CIRCLE_vDraw(b, op.colour, &at, (U32)op.a); break;
    case T_CHART_OP_TEXT: {
      const S32 end = T_NAV_s32PutText(b, op.colour, at, (const FONT_DEF*)op.p, pcText);
      return LIST_box(pNVI, gc, op, pcText, end == INT32_MIN ? LIST_NOTHING : end);
    }
    case T_CHART_OP_OUTLINED: {
      const S32 end = T_NAV_s32RenderOutlinedName(b, at, (const FONT_DEF*)op.p, pcText, op.colour, op.colour2);
      return LIST_box(pNVI, gc, op, pcText, end == INT32_MIN ? LIST_NOTHING : end);
    }
    case T_CHART_OP_FUNCTION:
      return LIST_callBox(pNVI, gc, op, pcText, TRUE);
    default:
      return T_CHART_empty();
  }
  return LIST_box(pNVI, gc, op, pcText, LIST_MEASURE);
}

void LIST_vUniteRuns(T_CHART_LIST* pList) {
  for (const std::array<U32, 2>& run : pList->runs) {
    T_CHART_BOX all = T_CHART_empty();
    for (U32 i = run[0]; i <= run[1]; i++) all = T_CHART_union(all, pList->boxes[i]);
    for (U32 i = run[0]; i <= run[1]; i++) {
      if (LIST_u32Reads(pList->ops[i].eKind) != 0) pList->boxes[i] = all;
    }
  }
}

void LIST_vElementBox(T_CHART_LIST* pList, size_t e) {
  const size_t n = pList->elements.size();
  const U32 end = e + 1 < n ? pList->elements[e + 1].u32FirstOp : (U32)pList->ops.size();
  T_CHART_BOX all = T_CHART_empty();
  for (U32 i = pList->elements[e].u32FirstOp; i < end; i++) all = T_CHART_union(all, pList->boxes[i]);
  pList->elementBoxes[e] = all;
}

void LIST_vElementBoxes(T_CHART_LIST* pList) {
  pList->elementBoxes.resize(pList->elements.size());
  for (size_t e = 0; e < pList->elements.size(); e++) LIST_vElementBox(pList, e);
  pList->bBoxes = TRUE;
}

void T_CHART_vPlayList(NAV_VIEW_INFO* pNVI, T_CHART_LIST* pList) {
  T_CHART_LIST* pKeep = s_pList;
  s_pList = nullptr;
  GR_CONTEXT* gc = &pNVI->GrContext;
  LIST_vStartState(gc);
  pList->boxes.resize(pList->ops.size());
  const size_t nElements = pList->elements.size();
  for (size_t e = 0; e < nElements; e++) {
    const T_CHART_ELEMENT& element = pList->elements[e];
    const U32 end = e + 1 < nElements ? pList->elements[e + 1].u32FirstOp : (U32)pList->ops.size();
    const char* pcText = pList->text.data() + element.u32FirstText;
    for (U32 i = element.u32FirstOp; i < end; i++) {
      const T_CHART_OP& op = pList->ops[i];
      if (LIST_bApplyState(gc, op)) {
        pList->boxes[i] = T_CHART_empty();
        continue;
      }
      pList->boxes[i] = LIST_draw(pNVI, op, op.u16TextSize != 0 ? pcText + op.u32Text : nullptr);
    }
  }
  LIST_vUniteRuns(pList);
  LIST_vElementBoxes(pList);
  s_pList = pKeep;
}
