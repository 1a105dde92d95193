// A window's picture with its overlay, kept from the last frame and mended
// for the next. The new list is lined up with the kept one element by
// element (their keys grow, so one pass does it); an element that came,
// went or changed marks the pixels it drew and the pixels it draws, and so
// do later calls of it that start from a pen, colour, tool or pattern phase
// the change moved. Those places get their background back and every call
// that reaches them is made again there, in the same order and from the
// same state as drawing the whole list, on a scratch page with the window's
// own clip: calls cut at a clip edge or left out at it (lines, text) then
// draw exactly as on the page. Only the marked places go to the page and
// the kept picture.

#include <string.h>

#include <utility>
#include <vector>

#include "g_span.h"
#include "t_chart.h"
#include "t_chart_list.h"
#include "t_chart_list_int.h"
#include "u_language.h"
#include "u_wstring.h"

// Mending more than this share of the window costs more than drawing the
// whole overlay over the background.
static constexpr S64 PATCH_MEND_PERCENT = 50;
// More places than this are taken as the one box round them all.
static constexpr size_t PATCH_MAX_PLACES = 48;
// Places this close are mended as one, where that mends at most this many
// pixels more (or a quarter more).
static constexpr S32 PATCH_NEAR = 4;
static constexpr S64 PATCH_JOIN_WASTE = 1024;

static T_CHART_COMPOSE_REPORT s_report;
static BOOLEAN s_bWhole;

T_CHART_COMPOSE_REPORT T_CHART_lastCompose(void) { return s_report; }
void T_CHART_vComposeWhole(BOOLEAN bWhole) { s_bWhole = bWhole; }

// ---------------------------------------------------------------------------
// Lining up two lists

static U32 PATCH_u32End(const T_CHART_LIST* l, size_t e) {
  return e + 1 < l->elements.size() ? l->elements[e + 1].u32FirstOp : (U32)l->ops.size();
}

static U32 PATCH_u32TextEnd(const T_CHART_LIST* l, size_t e) {
  return e + 1 < l->elements.size() ? l->elements[e + 1].u32FirstText : (U32)l->text.size();
}

static const char* PATCH_pcText(const T_CHART_LIST* l, size_t e, const T_CHART_OP& op) {
  return op.u16TextSize != 0 ? l->text.data() + l->elements[e].u32FirstText + op.u32Text : nullptr;
}

// The same calls from the same state, so the same pixels.
static BOOLEAN PATCH_bSameElement(const T_CHART_LIST* a, size_t ea, const T_CHART_LIST* b, size_t eb) {
  const T_CHART_ELEMENT &x = a->elements[ea], &y = b->elements[eb];
  const U32 nOps = PATCH_u32End(a, ea) - x.u32FirstOp, nText = PATCH_u32TextEnd(a, ea) - x.u32FirstText;
  return x.u32Reads == y.u32Reads && nOps == PATCH_u32End(b, eb) - y.u32FirstOp &&
         nText == PATCH_u32TextEnd(b, eb) - y.u32FirstText && (LIST_u32PenDiffers(x.entry, y.entry) & x.u32Reads) == 0 &&
         memcmp(&a->ops[x.u32FirstOp], &b->ops[y.u32FirstOp], nOps * sizeof(T_CHART_OP)) == 0 &&
         (nText == 0 || memcmp(&a->text[x.u32FirstText], &b->text[y.u32FirstText], nText) == 0);
}

static BOOLEAN PATCH_bSameOp(const T_CHART_LIST* a, size_t ea, U32 ia, const T_CHART_LIST* b, size_t eb, U32 ib) {
  T_CHART_OP x = a->ops[ia], y = b->ops[ib];
  if (x.u16TextSize != y.u16TextSize) return FALSE;
  const char* pcX = PATCH_pcText(a, ea, x);
  const char* pcY = PATCH_pcText(b, eb, y);
  x.u32Text = y.u32Text = 0;
  return memcmp(&x, &y, sizeof x) == 0 && (x.u16TextSize == 0 || memcmp(pcX, pcY, x.u16TextSize) == 0);
}

// The drawing ops of element e, each with the state it starts from; ops
// that only set the state are given to onState.
template <typename DRAWING, typename STATE>
static void PATCH_vWalkElement(const T_CHART_LIST* l, size_t e, DRAWING&& drawing, STATE&& onState) {
  const T_CHART_ELEMENT& element = l->elements[e];
  GR_CONTEXT state = l->state;
  LIST_vSetPen(&state, &element.entry);
  BOOLEAN bPhaseUsed = element.entry.bPhaseUsed;
  const U32 end = PATCH_u32End(l, e);
  for (U32 i = element.u32FirstOp; i < end; i++) {
    const T_CHART_OP& op = l->ops[i];
    if (LIST_bApplyState(&state, op)) {
      if (LIST_bRestartsPhase(op.eKind)) bPhaseUsed = FALSE;
      onState(i);
      continue;
    }
    drawing(i, op, state);
    LIST_vAfterDrawing(&state, op, &bPhaseUsed);
  }
}

// Every op's box of element e, from the state it begins with.
static void PATCH_vMeasure(NAV_VIEW_INFO* pNVI, T_CHART_LIST* l, size_t e) {
  PATCH_vWalkElement(
      l, e,
      [&](U32 i, const T_CHART_OP& op, const GR_CONTEXT& state) {
        l->boxes[i] = LIST_box(pNVI, &state, op, PATCH_pcText(l, e, op), LIST_MEASURE);
      },
      [&](U32 i) { l->boxes[i] = T_CHART_empty(); });
}

// The state one side of a changed element has reached; its phase is
// unknown after a patterned call that only this side made.
typedef struct tag_PATCH_WALK {
  GR_CONTEXT gc;
  BOOLEAN bPhaseUsed;
  BOOLEAN bPhaseUnknown;
} PATCH_WALK;

static void PATCH_vWalkStart(PATCH_WALK* w, const T_CHART_LIST* l, size_t e) {
  w->gc = l->state;
  LIST_vSetPen(&w->gc, &l->elements[e].entry);
  w->bPhaseUsed = l->elements[e].entry.bPhaseUsed;
  w->bPhaseUnknown = FALSE;
}

static void PATCH_vWalkOp(PATCH_WALK* w, const T_CHART_OP& op, BOOLEAN bOneSide) {
  if (LIST_bApplyState(&w->gc, op)) {
    if (LIST_bRestartsPhase(op.eKind)) w->bPhaseUsed = w->bPhaseUnknown = FALSE;
    return;
  }
  if (bOneSide && w->gc.ptrnattrib.status && LIST_u32Reads(op.eKind) != 0) w->bPhaseUnknown = TRUE;
  LIST_vAfterDrawing(&w->gc, op, &w->bPhaseUsed);
}

static U32 PATCH_u32Differs(const PATCH_WALK& a, const PATCH_WALK& b) {
  U32 u32 = LIST_u32Differs(&a.gc, a.bPhaseUsed, &b.gc, b.bPhaseUsed);
  if (a.bPhaseUnknown || b.bPhaseUnknown) u32 |= LIST_PATTERN;
  return u32;
}

// Where a changed element drew or draws differently: its differing calls
// on both sides, and its equal calls that start from a state the
// difference reached.
static void PATCH_vChanged(const T_CHART_LIST* pOld, size_t eo, const T_CHART_LIST* pNew, size_t en,
                           std::vector<T_CHART_BOX>* pPlaces) {
  const U32 o0 = pOld->elements[eo].u32FirstOp, oEnd = PATCH_u32End(pOld, eo);
  const U32 n0 = pNew->elements[en].u32FirstOp, nEnd = PATCH_u32End(pNew, en);
  PATCH_WALK wo, wn;
  PATCH_vWalkStart(&wo, pOld, eo);
  PATCH_vWalkStart(&wn, pNew, en);
  auto pair = [&](U32 io, U32 in) {
    const T_CHART_OP& op = pNew->ops[in];
    if ((PATCH_u32Differs(wo, wn) & LIST_u32OpReads(op)) != 0) {
      pPlaces->push_back(pOld->boxes[io]);
      pPlaces->push_back(pNew->boxes[in]);
    }
    PATCH_vWalkOp(&wo, pOld->ops[io], FALSE);
    PATCH_vWalkOp(&wn, op, FALSE);
  };
  U32 io = o0, in = n0;
  while (io < oEnd && in < nEnd && PATCH_bSameOp(pOld, eo, io, pNew, en, in)) pair(io++, in++);
  U32 tail = 0;
  while (io + tail < oEnd && in + tail < nEnd &&
         PATCH_bSameOp(pOld, eo, oEnd - 1 - tail, pNew, en, nEnd - 1 - tail)) {
    tail++;
  }
  for (; io < oEnd - tail; io++) {
    pPlaces->push_back(pOld->boxes[io]);
    PATCH_vWalkOp(&wo, pOld->ops[io], TRUE);
  }
  for (; in < nEnd - tail; in++) {
    pPlaces->push_back(pNew->boxes[in]);
    PATCH_vWalkOp(&wn, pNew->ops[in], TRUE);
  }
  while (io < oEnd) pair(io++, in++);
}

static BOOLEAN PATCH_bMeet(const T_CHART_BOX& a, const T_CHART_BOX& b, S32 margin) {
  return a.x0 <= b.x1 + margin && b.x0 <= a.x1 + margin && a.y0 <= b.y1 + margin && b.y0 <= a.y1 + margin;
}

static S64 PATCH_s64Area(const T_CHART_BOX& b) { return ((S64)b.x1 - b.x0 + 1) * ((S64)b.y1 - b.y0 + 1); }

// Two places that meet are mended as one where that adds little: a strip
// along the window's edge stays apart from a ship it touches.
static BOOLEAN PATCH_bJoin(const T_CHART_BOX& a, const T_CHART_BOX& b) {
  if (!PATCH_bMeet(a, b, PATCH_NEAR)) return FALSE;
  const S64 both = PATCH_s64Area(a) + PATCH_s64Area(b), waste = PATCH_s64Area(T_CHART_union(a, b)) - both;
  return waste <= PATCH_JOIN_WASTE || waste <= both / 4;
}

// The places inside the window, those that meet joined, at most
// PATCH_MAX_PLACES of them.
static void PATCH_vGather(std::vector<T_CHART_BOX>* pPlaces, const T_CHART_BOX& window) {
  std::vector<T_CHART_BOX>& v = *pPlaces;
  size_t n = 0;
  for (T_CHART_BOX b : v) {
    if (b.x0 > b.x1 || !PATCH_bMeet(b, window, 0)) continue;
    b = {b.x0 > window.x0 ? b.x0 : window.x0, b.y0 > window.y0 ? b.y0 : window.y0,
         b.x1 < window.x1 ? b.x1 : window.x1, b.y1 < window.y1 ? b.y1 : window.y1};
    v[n++] = b;
  }
  v.resize(n);
  for (BOOLEAN bJoined = TRUE; bJoined;) {
    bJoined = FALSE;
    for (size_t i = 0; i < v.size(); i++) {
      for (size_t j = i + 1; j < v.size(); j++) {
        if (!PATCH_bJoin(v[i], v[j])) continue;
        v[i] = T_CHART_union(v[i], v[j]);
        v[j] = v.back();
        v.pop_back();
        bJoined = TRUE;
        j = i;
      }
    }
  }
  if (v.size() > PATCH_MAX_PLACES) {
    T_CHART_BOX all = T_CHART_empty();
    for (const T_CHART_BOX& b : v) all = T_CHART_union(all, b);
    v.assign(1, all);
  }
}

typedef enum tag_PATCH_HOW {
  PATCH_SAME,
  PATCH_MEND,
  PATCH_WHOLE,
} PATCH_HOW;

// The first op from which the two ranges differ, or n: whole blocks are
// compared at once, which is most of every list.
static U32 PATCH_u32FirstDifference(const T_CHART_OP* a, const T_CHART_OP* b, U32 n) {
  constexpr U32 BLOCK = 64;
  U32 k = 0;
  while (k + BLOCK <= n && memcmp(a + k, b + k, BLOCK * sizeof(T_CHART_OP)) == 0) k += BLOCK;
  while (k < n && memcmp(a + k, b + k, sizeof(T_CHART_OP)) == 0) k++;
  return k;
}

// Elements whose keys, sizes and whole entry states agree, and so draw the
// same when their ops and text do: the entry state of each is what the one
// before it left.
static BOOLEAN PATCH_bAlike(const T_CHART_LIST* a, size_t ea, const T_CHART_LIST* b, size_t eb) {
  const T_CHART_ELEMENT &x = a->elements[ea], &y = b->elements[eb];
  return x.u64Key == y.u64Key && x.u32Reads == y.u32Reads &&
         PATCH_u32End(a, ea) - x.u32FirstOp == PATCH_u32End(b, eb) - y.u32FirstOp &&
         PATCH_u32TextEnd(a, ea) - x.u32FirstText == PATCH_u32TextEnd(b, eb) - y.u32FirstText &&
         LIST_u32PenDiffers(x.entry, y.entry) == 0;
}

// The new list takes the kept one's boxes for elements [eo, eo + n) and
// their ops.
static void PATCH_vTakeBoxes(const T_CHART_LIST* pOld, size_t eo, T_CHART_LIST* pNew, size_t en, size_t n) {
  if (n == 0) return;
  const U32 o0 = pOld->elements[eo].u32FirstOp, n0 = pNew->elements[en].u32FirstOp;
  const U32 ops = PATCH_u32End(pOld, eo + n - 1) - o0;
  if (ops != 0) memcpy(&pNew->boxes[n0], &pOld->boxes[o0], ops * sizeof(T_CHART_BOX));
  memcpy(&pNew->elementBoxes[en], &pOld->elementBoxes[eo], n * sizeof(T_CHART_BOX));
}

// How the kept picture of pOld becomes that of pNew, and where it must be
// mended. The new list takes every op's box, the kept one's where they are
// the same.
static void PATCH_vEdges(NAV_VIEW_INFO* pNVI, T_CHART_LIST* l, const T_CHART_BOX& inner,
                         std::vector<T_CHART_BOX>* pPlaces);

// With pMovedPlaces the kept list was moved with the chart
// (PATCH_vMoveList): its elements were not taken from it as they stand,
// those places (what the move uncovers or changed) are mended too, and so
// are calls cut at the window's edge before or now, which the move does not
// carry whole; pInner is the part of the window where nothing was cut.
static PATCH_HOW PATCH_eLineUp(NAV_VIEW_INFO* pNVI, const T_CHART_LIST* pOld, T_CHART_LIST* pNew,
                              const T_CHART_BOX& window, std::vector<T_CHART_BOX>* pPlaces,
                              const std::vector<T_CHART_BOX>* pMovedPlaces = nullptr,
                              const T_CHART_BOX* pInner = nullptr) {
  if (!pOld->bOrdered || !pNew->bOrdered || !pOld->bBoxes) return PATCH_WHOLE;
  static std::vector<std::pair<size_t, size_t>> s_changed;  // the view task's only
  constexpr size_t NONE = (size_t)-1;
  s_changed.clear();
  // Every box is written below; sizes settle as the two lists take turns.
  pNew->boxes.resize(pNew->ops.size());
  pNew->elementBoxes.resize(pNew->elements.size());
  const size_t nOld = pOld->elements.size(), nNew = pNew->elements.size();
  size_t i = 0, j = 0, nextTaken = 0;
  const BOOLEAN bTaken = pNew->pReference == pOld && pMovedPlaces == nullptr;
  while (i < nOld || j < nNew) {
    // Elements the new list took whole from this one.
    while (bTaken && nextTaken < pNew->taken.size() && pNew->taken[nextTaken][0] < j) nextTaken++;
    if (bTaken && nextTaken < pNew->taken.size() && pNew->taken[nextTaken][0] == j && pNew->taken[nextTaken][2] == i) {
      const size_t n = pNew->taken[nextTaken++][1];
      PATCH_vTakeBoxes(pOld, i, pNew, j, n);
      i += n;
      j += n;
      continue;
    }
    // A stretch of elements alike on both sides, its ops and text compared
    // at once: whatever of it is the same is taken whole.
    size_t n = 0;
    while (i + n < nOld && j + n < nNew && PATCH_bAlike(pOld, i + n, pNew, j + n)) n++;
    if (n != 0) {
      const U32 o0 = pOld->elements[i].u32FirstOp, n0 = pNew->elements[j].u32FirstOp;
      const U32 ops = PATCH_u32End(pOld, i + n - 1) - o0;
      const U32 same = PATCH_u32FirstDifference(&pOld->ops[o0], &pNew->ops[n0], ops);
      // The elements wholly before the first differing op, their text too.
      size_t k = 0;
      while (k < n && PATCH_u32End(pOld, i + k) - o0 <= same) k++;
      while (k > 0) {
        const U32 t0 = pOld->elements[i].u32FirstText, tn = pNew->elements[j].u32FirstText;
        const U32 text = PATCH_u32TextEnd(pOld, i + k - 1) - t0;
        if (text == 0 || memcmp(&pOld->text[t0], &pNew->text[tn], text) == 0) break;
        k /= 2;
      }
      PATCH_vTakeBoxes(pOld, i, pNew, j, k);
      i += k;
      j += k;
      if (k != 0) continue;
    }
    const U64 keyOld = i < nOld ? pOld->elements[i].u64Key : UINT64_MAX;
    const U64 keyNew = j < nNew ? pNew->elements[j].u64Key : UINT64_MAX;
    if (keyOld < keyNew) {
      s_changed.push_back({i++, NONE});
      continue;
    }
    if (keyNew == keyOld && PATCH_bSameElement(pOld, i, pNew, j)) {
      PATCH_vTakeBoxes(pOld, i, pNew, j, 1);
      i++;
      j++;
      continue;
    }
    PATCH_vMeasure(pNVI, pNew, j);
    s_changed.push_back({keyNew == keyOld ? i++ : NONE, j++});
  }
  if (s_changed.empty() && pMovedPlaces == nullptr) return PATCH_SAME;
  // Patterned stretches lie inside elements (a list is ordered only then),
  // so only the measured elements need their boxes united.
  LIST_vUniteRuns(pNew);
  for (const auto& [eo, en] : s_changed) {
    if (en != NONE) LIST_vElementBox(pNew, en);
  }
  pNew->bBoxes = TRUE;
  pPlaces->clear();
  for (const auto& [eo, en] : s_changed) {
    if (en == NONE) {
      pPlaces->push_back(pOld->elementBoxes[eo]);
    } else if (eo == NONE) {
      pPlaces->push_back(pNew->elementBoxes[en]);
    } else {
      PATCH_vChanged(pOld, eo, pNew, en, pPlaces);
    }
  }
  if (pMovedPlaces != nullptr) {
    pPlaces->insert(pPlaces->end(), pMovedPlaces->begin(), pMovedPlaces->end());
    PATCH_vEdges(pNVI, pNew, *pInner, pPlaces);
  }
  PATCH_vGather(pPlaces, window);
  S64 area = 0;
  for (const T_CHART_BOX& b : *pPlaces) area += ((S64)b.x1 - b.x0 + 1) * ((S64)b.y1 - b.y0 + 1);
  const S64 whole = ((S64)window.x1 - window.x0 + 1) * ((S64)window.y1 - window.y0 + 1);
  return area * 100 > whole * PATCH_MEND_PERCENT ? PATCH_WHOLE : PATCH_MEND;
}

// ---------------------------------------------------------------------------
// A chart moved by whole pixels

static S32 PATCH_nAdd(S32 v, S32 d) {
  const S64 r = (S64)v + d;
  return r > INT32_MAX ? INT32_MAX : r < INT32_MIN ? INT32_MIN : (S32)r;
}

static T_CHART_BOX PATCH_moved(T_CHART_BOX b, POINT d) {
  if (b.x0 > b.x1 || b.y0 > b.y1) return b;
  return {PATCH_nAdd(b.x0, d.x), PATCH_nAdd(b.y0, d.y), PATCH_nAdd(b.x1, d.x), PATCH_nAdd(b.y1, d.y)};
}

static BOOLEAN PATCH_bInside(const T_CHART_BOX& b, const T_CHART_BOX& r) {
  return b.x0 > b.x1 || b.y0 > b.y1 || (b.x0 >= r.x0 && b.x1 <= r.x1 && b.y0 >= r.y0 && b.y1 <= r.y1);
}

// The kept list as the moved chart would have written it: every place it
// names moved by d. A call whose fields say no place, or a place so far
// off that moving it would not be exact, is made unlike any new one.
static void PATCH_vMoveList(T_CHART_LIST* l, POINT d) {
  constexpr S32 FAR = 1 << 29;
  constexpr U8 UNLIKE = 0x80;
  auto move = [&](S32* p, S32 by, T_CHART_OP* pOp) {
    if (*p > FAR || *p < -FAR) pOp->u8Flags |= UNLIKE;
    *p = PATCH_nAdd(*p, by);
  };
  for (T_CHART_OP& op : l->ops) {
    switch ((T_CHART_OP_KIND)op.eKind) {
      case T_CHART_OP_TURNED_IMAGE:
      case T_CHART_OP_TURNED_ICON:  // turned about a point of the picture
      case T_CHART_OP_MOVE:
      case T_CHART_OP_LINE:
      case T_CHART_OP_PIXEL:
      case T_CHART_OP_ICON:
      case T_CHART_OP_IMAGE:
      case T_CHART_OP_BOX:
      case T_CHART_OP_CIRCLE:
      case T_CHART_OP_TEXT:
      case T_CHART_OP_OUTLINED:
        move(&op.x, d.x, &op);
        move(&op.y, d.y, &op);
        break;
      case T_CHART_OP_FUNCTION:
        if ((op.u8Flags & T_CHART_CALL_MOVES) != 0) {
          move(&op.x, d.x, &op);
          move(&op.y, d.y, &op);
        } else {
          op.u8Flags |= UNLIKE;
        }
        break;
      default:
        break;
    }
  }
  // The pen lies in rows, which run down the page.
  for (T_CHART_ELEMENT& e : l->elements) {
    e.entry.cp.px = PATCH_nAdd(e.entry.cp.px, d.x);
    e.entry.cp.py = PATCH_nAdd(e.entry.cp.py, -d.y);
  }
  for (T_CHART_BOX& b : l->boxes) b = PATCH_moved(b, d);
  for (T_CHART_BOX& b : l->elementBoxes) b = PATCH_moved(b, d);
}

// Calls that reach outside inner: lines and text are cut at a window's edge
// otherwise than they are drawn whole, and only a brush line, whose walk
// is not cut, draws there as the moved picture shows it. What text, a
// circle or a call draws near an edge, and so its box, may change with
// the move: it is measured again.
static void PATCH_vEdges(NAV_VIEW_INFO* pNVI, T_CHART_LIST* l, const T_CHART_BOX& inner,
                         std::vector<T_CHART_BOX>* pPlaces) {
  for (size_t e = 0; e < l->elements.size(); e++) {
    PATCH_vWalkElement(
        l, e,
        [&](U32 i, const T_CHART_OP& op, const GR_CONTEXT& state) {
          T_CHART_BOX& box = l->boxes[i];
          const BOOLEAN bMeasured = op.eKind == T_CHART_OP_TEXT || op.eKind == T_CHART_OP_OUTLINED ||
                                    op.eKind == T_CHART_OP_CIRCLE || op.eKind == T_CHART_OP_FUNCTION;
          const BOOLEAN bEmpty = box.x0 > box.x1;
          const BOOLEAN bBrush = !state.ptrnattrib.status && state.DrTool == BRUSH && state.PixelSize >= 2;
          // A call that drew nothing may have been left out at the old
          // window's edge, and show now.
          if ((!bEmpty || !bMeasured) && PATCH_bInside(box, inner)) return;
          if (op.eKind == T_CHART_OP_LINE && bBrush) return;
          if (op.eKind == T_CHART_OP_FUNCTION) {
            T_CHART_EXTENT extent;
            memset(&extent, 0, sizeof extent);
            extent.pState = &state;
            extent.pInner = &inner;
            extent.pEdges = pPlaces;
            op.pfCall(pNVI, &op, PATCH_pcText(l, e, op), &extent, FALSE);
            if (extent.bEdgesTold) return;
          }
          if (bMeasured) {
            const T_CHART_BOX may = LIST_box(pNVI, &state, op, PATCH_pcText(l, e, op), LIST_MEASURE);
            if (bEmpty && PATCH_bInside(may, inner)) return;
            box = T_CHART_union(box, may);
            l->elementBoxes[e] = T_CHART_union(l->elementBoxes[e], box);
          }
          pPlaces->push_back(box);
        },
        [](U32) {});
  }
}

// Where pixel (x, y) of window w lies in a kept copy (T_CHART_vCopyWindow's
// layout).
static const COLOR* PATCH_pcolKept(const COLOR* pKept, const BITMAP* pPage, const WINDOW_LOCATION* w, S32 x, S32 y) {
  const S32 width = w->s32ClipRight - w->s32ClipLeft + 1, height = w->s32ClipTop - w->s32ClipBottom + 1;
  if (w->s32ClipLeft == 0 && (size_t)width == pPage->__u32PixelWidthOfBuffer && (size_t)width <= G_SCREEN_WIDTH) {
    return pKept + (size_t)(w->s32ClipBottom + height - 1 - y) * (size_t)width + (size_t)x;
  }
  return pKept + (size_t)(y - w->s32ClipBottom) * G_SCREEN_WIDTH + (size_t)(x - w->s32ClipLeft);
}

// The rows of the window that the move carries from the kept copy, and the
// columns of each: [x0, x0 + n) now came from x0 - shift.x.
static BOOLEAN PATCH_bCarried(const WINDOW_LOCATION* w, POINT shift, S32* px0, S32* pn, S32* py0, S32* py1) {
  const S32 width = w->s32ClipRight - w->s32ClipLeft + 1, height = w->s32ClipTop - w->s32ClipBottom + 1;
  if (shift.x >= width || -shift.x >= width || shift.y >= height || -shift.y >= height) return FALSE;
  *px0 = w->s32ClipLeft + (shift.x > 0 ? shift.x : 0);
  *pn = width - (shift.x > 0 ? shift.x : -shift.x);
  *py0 = w->s32ClipBottom + (shift.y > 0 ? shift.y : 0);
  *py1 = w->s32ClipTop + (shift.y < 0 ? shift.y : 0);
  return TRUE;
}

// The strips of the window the move uncovers.
static void PATCH_vUncovered(const WINDOW_LOCATION* w, POINT shift, std::vector<T_CHART_BOX>* pPlaces) {
  const S32 x0 = w->s32ClipLeft, x1 = w->s32ClipRight, y0 = w->s32ClipBottom, y1 = w->s32ClipTop;
  if (shift.x > 0) pPlaces->push_back({x0, y0, x0 + shift.x - 1, y1});
  if (shift.x < 0) pPlaces->push_back({x1 + shift.x + 1, y0, x1, y1});
  if (shift.y > 0) pPlaces->push_back({x0, y0, x1, y0 + shift.y - 1});
  if (shift.y < 0) pPlaces->push_back({x0, y1 + shift.y + 1, x1, y1});
}

void T_CHART_vBackgroundChanges(const BITMAP* pPage, const WINDOW_LOCATION* w, const COLOR* pOld, POINT shift,
                                std::vector<T_CHART_BOX>* pPlaces) {
  pPlaces->clear();
  S32 x0, n, ya, yb;
  if (!PATCH_bCarried(w, shift, &x0, &n, &ya, &yb)) {
    pPlaces->push_back({w->s32ClipLeft, w->s32ClipBottom, w->s32ClipRight, w->s32ClipTop});
    return;
  }
  PATCH_vUncovered(w, shift, pPlaces);
  // Rows that differ, joined while they follow each other.
  T_CHART_BOX open = T_CHART_empty();
  for (S32 y = ya; y <= yb; y++) {
    const COLOR* pNow = G_SPAN_pcolAt(pPage, x0, y);
    const COLOR* pWas = PATCH_pcolKept(pOld, pPage, w, x0 - shift.x, y - shift.y);
    if (memcmp(pNow, pWas, (size_t)n * sizeof(COLOR)) == 0) continue;
    S32 lo = 0, hi = n - 1;
    while (pNow[lo] == pWas[lo]) lo++;
    while (pNow[hi] == pWas[hi]) hi--;
    const T_CHART_BOX row = {x0 + lo, y, x0 + hi, y};
    if (open.x0 <= open.x1 && open.y1 == y - 1) {
      open = T_CHART_union(open, row);
    } else {
      if (open.x0 <= open.x1) pPlaces->push_back(open);
      open = row;
    }
  }
  if (open.x0 <= open.x1) pPlaces->push_back(open);
}

// The kept picture moved onto the page, and kept so.
static void PATCH_vMovePicture(BITMAP* pPage, const WINDOW_LOCATION* w, T_CHART_COMPOSED* pComposed, POINT shift) {
  S32 x0, n, ya, yb;
  if (!PATCH_bCarried(w, shift, &x0, &n, &ya, &yb)) return;
  for (S32 y = ya; y <= yb; y++) {
    memcpy(G_SPAN_pcolAt(pPage, x0, y), PATCH_pcolKept(pComposed->aPixels.data(), pPage, w, x0 - shift.x, y - shift.y),
           (size_t)n * sizeof(COLOR));
  }
  const S32 left = w->s32ClipLeft, bottom = w->s32ClipBottom;
  T_CHART_vCopyWindow(pPage, left, bottom, w->s32ClipRight - left + 1, w->s32ClipTop - bottom + 1,
                      pComposed->aPixels.data(), TRUE);
}

// ---------------------------------------------------------------------------
// Mending

BOOLEAN T_CHART_bMeetsPlaces(const T_CHART_BOX& box, const std::vector<T_CHART_BOX>* pPlaces) {
  if (pPlaces == nullptr) return TRUE;
  for (const T_CHART_BOX& p : *pPlaces) {
    if (PATCH_bMeet(box, p, 0)) return TRUE;
  }
  return FALSE;
}

// The box round every place first: most calls lie far from all of them.
static BOOLEAN PATCH_bHits(const T_CHART_BOX& box, const T_CHART_BOX& bound, const std::vector<T_CHART_BOX>& places) {
  return PATCH_bMeet(box, bound, 0) && T_CHART_bMeetsPlaces(box, &places);
}

static void PATCH_vCopyBetweenPages(const BITMAP* pFrom, BITMAP* pTo, const T_CHART_BOX& r) {
  const size_t bytes = ((size_t)r.x1 - r.x0 + 1) * sizeof(COLOR);
  for (S32 y = r.y0; y <= r.y1; y++) memcpy(G_SPAN_pcolAt(pTo, r.x0, y), G_SPAN_pcolAt(pFrom, r.x0, y), bytes);
}

static void PATCH_vMend(NAV_VIEW_INFO* pNVI, const WINDOW_LOCATION* w, U8 u8Transparent, const COLOR* pBackground,
                        T_CHART_COMPOSED* pComposed, T_CHART_LIST* pList, const std::vector<T_CHART_BOX>& places) {
  BITMAP* pPage = pNVI->pBitmap;
  const S32 left = w->s32ClipLeft, bottom = w->s32ClipBottom;
  const S32 width = w->s32ClipRight - left + 1, height = w->s32ClipTop - bottom + 1;
  // The scratch page: as the page, with the background in the places.
  static std::vector<U32> s_scratch;  // the view task's only
  const size_t words = ((size_t)pPage->__u32PixelWidthOfBuffer * (size_t)pPage->pixels_high_full_screen + 1) / 2;
  if (s_scratch.size() < words) s_scratch.resize(words);
  BITMAP scratch = *pPage;
  scratch.pBuffer = s_scratch.data();
  T_CHART_BOX bound = T_CHART_empty();
  for (const T_CHART_BOX& r : places) {
    T_CHART_vCopyRect(&scratch, left, bottom, width, height, r.x0, r.y0, r.x1, r.y1, (COLOR*)pBackground, FALSE);
    bound = T_CHART_union(bound, r);
  }
  NAV_VIEW_INFO nvi = *pNVI;
  BITMAP view;
  T_CHART_vPrepareWindow(&nvi, &view, &scratch, w, u8Transparent);
  GR_CONTEXT* gc = &nvi.GrContext;
  LIST_vStartState(gc);
  const size_t nElements = pList->elements.size();
  for (size_t e = 0; e < nElements; e++) {
    if (!PATCH_bHits(pList->elementBoxes[e], bound, places)) continue;
    const T_CHART_ELEMENT& element = pList->elements[e];
    LIST_vSetPen(gc, &element.entry);
    const U32 end = PATCH_u32End(pList, e);
    for (U32 i = element.u32FirstOp; i < end; i++) {
      const T_CHART_OP& op = pList->ops[i];
      if (LIST_bApplyState(gc, op)) continue;
      if (PATCH_bHits(pList->boxes[i], bound, places)) {
        if (op.eKind == T_CHART_OP_FUNCTION) {
          // A long call draws only what reaches the places.
          T_CHART_EXTENT extent;
          memset(&extent, 0, sizeof extent);
          extent.pState = gc;
          extent.pPlaces = &places;
          op.pfCall(&nvi, &op, PATCH_pcText(pList, e, op), &extent, TRUE);
        } else {
          LIST_draw(&nvi, op, PATCH_pcText(pList, e, op));
        }
      } else if (op.eKind == T_CHART_OP_LINE || op.eKind == T_CHART_OP_PIXEL) {
        // Left out, it still moves the pen. A patterned line is left out
        // only with every other call of its phase, so the phase needs no
        // care.
        gc->cp.px = op.x;
        gc->cp.py = gf_RowOf(gc, op.y);
      }
    }
  }
  for (const T_CHART_BOX& r : places) {
    PATCH_vCopyBetweenPages(&scratch, pPage, r);
    T_CHART_vCopyRect(&scratch, left, bottom, width, height, r.x0, r.y0, r.x1, r.y1, pComposed->aPixels.data(), TRUE);
  }
}

// ---------------------------------------------------------------------------
// The frame's picture

static BOOLEAN PATCH_bUsable(const T_CHART_COMPOSED* pComposed) {
  return pComposed->bValid && pComposed->u32Language == nCurrentLanguage() &&
         pComposed->bWideText == U_WSTRING_bIsUnicodeLanguage() &&
         memcmp(pComposed->aTable.data(), gCOLOR_pcolColorTable, sizeof pComposed->aTable) == 0;
}

void T_CHART_vCompose(NAV_VIEW_INFO* pNVI, const WINDOW_LOCATION* w, U8 u8Transparent, const COLOR* pBackground,
                      BOOLEAN bFresh, T_CHART_COMPOSED* pComposed, T_CHART_LIST* pList, const T_CHART_MOVED* pMoved) {
  BITMAP* pPage = pNVI->pBitmap;
  const S32 left = w->s32ClipLeft, bottom = w->s32ClipBottom;
  const S32 width = w->s32ClipRight - left + 1, height = w->s32ClipTop - bottom + 1;
  S32 x0, n, ya, yb;
  if (bFresh && pMoved != nullptr && !s_bWhole && PATCH_bUsable(pComposed) &&
      PATCH_bCarried(w, pMoved->shift, &x0, &n, &ya, &yb)) {
    static std::vector<T_CHART_BOX> s_places;  // the view task's only
    const T_CHART_BOX window = {w->s32ClipLeft, w->s32ClipBottom, w->s32ClipRight, w->s32ClipTop};
    // Where nothing was cut before the move and nothing is now.
    const T_CHART_BOX inner = {x0 + 1, ya + 1, x0 + n - 2, yb - 1};
    PATCH_vMoveList(&pComposed->list, pMoved->shift);
    const PATCH_HOW eHow =
        PATCH_eLineUp(pNVI, &pComposed->list, pList, window, &s_places, pMoved->pBackgroundChanges, &inner);
    if (eHow != PATCH_WHOLE) {
      PATCH_vMovePicture(pPage, w, pComposed, pMoved->shift);
      PATCH_vMend(pNVI, w, u8Transparent, pBackground, pComposed, pList, s_places);
      std::swap(pComposed->list, *pList);
      s_report = {2, (U32)s_places.size()};
      return;
    }
  }
  if (!bFresh && !s_bWhole && PATCH_bUsable(pComposed)) {
    static std::vector<T_CHART_BOX> s_places;  // the view task's only
    const T_CHART_BOX window = {w->s32ClipLeft, w->s32ClipBottom, w->s32ClipRight, w->s32ClipTop};
    const PATCH_HOW eHow = PATCH_eLineUp(pNVI, &pComposed->list, pList, window, &s_places);
    if (eHow != PATCH_WHOLE) {
      T_CHART_vCopyWindow(pPage, left, bottom, width, height, pComposed->aPixels.data(), FALSE);
      if (eHow == PATCH_SAME) {
        s_report = {1, 0};
        return;
      }
      PATCH_vMend(pNVI, w, u8Transparent, pBackground, pComposed, pList, s_places);
      std::swap(pComposed->list, *pList);
      s_report = {2, (U32)s_places.size()};
      return;
    }
  }
  if (!bFresh) T_CHART_vCopyWindow(pPage, left, bottom, width, height, (COLOR*)pBackground, FALSE);
  T_CHART_vPlayList(pNVI, pList);
  T_CHART_vCopyWindow(pPage, left, bottom, width, height, pComposed->aPixels.data(), TRUE);
  std::swap(pComposed->list, *pList);
  memcpy(pComposed->aTable.data(), gCOLOR_pcolColorTable, sizeof pComposed->aTable);
  pComposed->u32Language = nCurrentLanguage();
  pComposed->bWideText = U_WSTRING_bIsUnicodeLanguage();
  pComposed->bValid = TRUE;
  s_report = {0, 0};
}
