// Vertices go through the combined matrix to clip codes and the screen here;
// the inverse mapping of a screen row or column to the ground and the
// clippers for quads and segments crossing the view volume sit beside them.

#include <stddef.h>
#include <string.h>

#include "h_memory.h"
#include "tsdisplay.h"
#include "tsfixed.h"

typedef struct tag_CLIP_POSITION {
  i64 x, y, z, w;
} CLIP_POSITION;

// Renderer space (X, Y, Z) through Combine. Y grows downward: callers pass
// minus the height.
static CLIP_POSITION TRANSFORM_Apply(const tsDisplay* m, i64 X, i64 Y, i64 Z) {
  const i64(*K)[4] = m->Combine.m;
  i64 r[4];
  for (int j = 0; j < 4; j++) {
    const i64 sum = TS_Add(TS_Add(TS_Mul(X, K[0][j]), TS_Mul(Y, K[1][j])), TS_Mul(Z, K[2][j]));
    r[j] = TS_Add(sum >> 16, K[3][j]);
  }
  return CLIP_POSITION{r[0], r[1], r[2], r[3]};
}

// Outside bits of the four side planes.
static i32 TRANSFORM_nSideCode(i64 x, i64 y, i64 w) {
  const i64 minusW = TS_Sub(0, w);
  i32 code = 0;
  if (y < minusW) code |= TS_CLIP_YMIN;
  if (y > w) code |= TS_CLIP_YMAX;
  if (x < minusW) code |= TS_CLIP_XMIN;
  if (x > w) code |= TS_CLIP_XMAX;
  return code;
}

static i32 TRANSFORM_nCode(const CLIP_POSITION& p) {
  if (p.w == 0) return TS_CLIP_W0;
  i32 code = TRANSFORM_nSideCode(p.x, p.y, p.w);
  if (p.z < 0) code |= TS_CLIP_NEAR;
  if (p.z > p.w) code |= TS_CLIP_FAR;
  return code;
}

// Divide by w (not 0) and map to the screen.
static void TRANSFORM_vToScreen(const tsDisplay* m, i64 x, i64 y, i64 w, tsVertex* s) {
  const i32 iw = (i32)(u32)(u64)TS_Div((i64)1 << 32, w);
  const i64 sx = TS_FixMul(iw, x);
  const i64 sy = TS_FixMul(iw, y);
  s->x = (i32)(u32)(u64)TS_Add(TS_Mul(m->ViewScaleX, sx), m->ViewTransX);
  s->y = (i32)(u32)(u64)TS_Add(TS_Mul(m->ViewScaleY, sy), m->ViewTransY);
  s->w = (i32)(u32)(u64)w;
  s->iw = iw;
}

static inline i32 TRANSFORM_nLow(i64 v) { return (i32)(u32)(u64)v; }

// Both vertex buffers hold count; on a heap without room the old buffers stay.
static BOOLEAN TRANSFORM_bReserve(tsDisplay* m, i32 count) {
  const BOOLEAN growT = count > m->TVertCount, growS = count > m->SVertCount;
  if (!growT && !growS) return TRUE;
  const u64 tBytes = (u64)count * sizeof(tsTVertex), sBytes = (u64)count * sizeof(tsVertex);
  // Above the largest block the heap would end the process.
  if ((growT && tBytes > H_MEMORY_MAX_REQUEST) || (growS && sBytes > H_MEMORY_MAX_REQUEST)) return FALSE;
  void* t = growT ? H_MEMORY_pvMallocNoWait((U32)tBytes) : nullptr;
  void* s = growS ? H_MEMORY_pvMallocNoWait((U32)sBytes) : nullptr;
  if ((growT && t == nullptr) || (growS && s == nullptr)) {
    H_MEMORY_vFree(t);
    H_MEMORY_vFree(s);
    return FALSE;
  }
  if (growT) {
    H_MEMORY_vFree(m->TVerts);
    m->TVerts = (tsTVertex*)t;
    m->TVertCount = count;
  }
  if (growS) {
    H_MEMORY_vFree(m->SVerts);
    m->SVerts = (tsVertex*)s;
    m->SVertCount = count;
  }
  return TRUE;
}

i32 tsDisplay_ProcessVertices(tsDisplay* m, i32 startVertex, i32 endVertex) {
  const i32 count = endVertex - startVertex;
  if (count <= 0 || !TRANSFORM_bReserve(m, count)) return 0;

  // Vertex i of the batch is vertex startVertex + i of both client arrays.
  const i32* pos = m->VertexArray + 3 * (ptrdiff_t)startVertex;
  const i32* tex = m->TexCoordArray + 2 * (ptrdiff_t)startVertex;
  const BOOLEAN full = m->RenderMode == tsRM_FULL;
  i32 clipAnd = 0x7F;
  for (i32 i = 0; i < count; i++, pos += 3, tex += 2) {
    const i64 X = 32 * (i64)pos[0];
    const i64 Y = full ? -32 * (i64)pos[2] : 0;
    const i64 Z = 32 * (i64)pos[1];
    const CLIP_POSITION r = TRANSFORM_Apply(m, X, Y, Z);
    tsTVertex* t = &m->TVerts[i];
    tsVertex* s = &m->SVerts[i];
    t->x = TRANSFORM_nLow(r.x);
    t->y = TRANSFORM_nLow(r.y);
    t->z = TRANSFORM_nLow(r.z);
    t->w = TRANSFORM_nLow(r.w);
    const i32 code = TRANSFORM_nCode(r);
    if (code == 0) {
      TRANSFORM_vToScreen(m, r.x, r.y, r.w, s);
    } else {
      s->x = s->y = s->w = s->iw = 0;
    }
    t->clip = code;
    clipAnd &= code;
    // The texture is addressed bottom-up.
    t->u = s->u = tex[0];
    t->v = s->v = 0xFFFF - tex[1];
  }
  return clipAnd == 0 ? 1 : 0;
}

i32 tsDisplay_ClipCheck(tsDisplay* m, i32 x, i32 y, i32 z, u32 clipCheck) {
  const CLIP_POSITION r = TRANSFORM_Apply(m, x, -(i64)z, y);
  if (r.w == 0) return 0;
  return ((u32)TRANSFORM_nCode(r) & clipCheck) == 0 ? 1 : 0;
}

i32 tsDisplay_ProjectPoint(tsDisplay* m, i32 x, i32 y, i32 z, i32* sx, i32* sy) {
  CLIP_POSITION r = TRANSFORM_Apply(m, x, -(i64)z, y);
  if (r.w == 0) return 0;
  const i64 minusW = TS_Sub(0, r.w);
  if (r.x > r.w) r.x = r.w;
  if (r.x < minusW) r.x = minusW;
  if (r.y > r.w) r.y = r.w;
  if (r.y < minusW) r.y = minusW;
  const i64 iw = TS_Div((i64)1 << 32, r.w);
  const i64 px = TS_Add(TS_Mul(TS_FixMul(iw, r.x), m->ViewScaleX), m->ViewTransX);
  const i64 py = TS_Add(TS_Mul(TS_FixMul(iw, r.y), m->ViewScaleY), m->ViewTransY);
  *sx = TRANSFORM_nLow(TS_Add(px, 0x8000) >> 16);
  *sy = TRANSFORM_nLow(TS_Add(py, 0x8000) >> 16);
  return 1;
}

// The NDC of a screen row or column, rounded up; FALSE for a view without size.
static BOOLEAN TRANSFORM_bNdc(i32 screen, i32 trans, i32 scale, i64* a) {
  if (scale == 0) return FALSE;
  *a = (i32)(((i64)screen * 65536 - trans + scale - 1) / scale);
  return TRUE;
}

void tsDisplay_CalcZ(tsDisplay* display, i32 screenY, i32 x, i32 y, i32* z) {
  i64 a;
  if (!TRANSFORM_bNdc(screenY, display->ViewTransY, display->ViewScaleY, &a)) {
    display->Error = TS_ERR;
    return;
  }
  // Solves ry = a rw for Z.
  const i64(*K)[4] = display->Combine.m;
  const i64 X = x, Y = -(i64)y;
  i64 n = TS_Sub(K[3][1], TS_FixMul(a, K[3][3]));
  n = TS_Add(n, TS_FixMul(Y, K[1][1]));
  n = TS_Add(n, TS_FixMul(X, K[0][1]));
  n = TS_Sub(n, TS_FixMul(K[0][3], TS_FixMul(a, X)));
  n = TS_Sub(n, TS_FixMul(K[1][3], TS_FixMul(a, Y)));
  const i64 d = TS_Sub(TS_FixMul(a, K[2][3]), K[2][1]);
  if (d == 0) {
    display->Error = TS_ERR;
    return;
  }
  *z = TRANSFORM_nLow(TS_Div(TS_Shl(n, 16), d));
}

void tsDisplay_CalcX(tsDisplay* display, i32 screenX, i32* x, i32 y, i32 z) {
  i64 a;
  if (!TRANSFORM_bNdc(screenX, display->ViewTransX, display->ViewScaleX, &a)) {
    display->Error = TS_ERR;
    return;
  }
  // Solves rx = a rw for X.
  const i64(*K)[4] = display->Combine.m;
  const i64 Y = -(i64)y, Z = z;
  i64 n = TS_Sub(K[3][0], TS_FixMul(a, K[3][3]));
  n = TS_Add(n, TS_FixMul(Z, K[2][0]));
  n = TS_Add(n, TS_FixMul(Y, K[1][0]));
  n = TS_Sub(n, TS_FixMul(K[1][3], TS_FixMul(a, Y)));
  n = TS_Sub(n, TS_FixMul(K[2][3], TS_FixMul(a, Z)));
  const i64 d = TS_Sub(TS_FixMul(a, K[0][3]), K[0][0]);
  if (d == 0) {
    display->Error = TS_ERR;
    return;
  }
  *x = TRANSFORM_nLow(TS_Div(TS_Shl(n, 16), d));
}

// ---- Clipping

// The planes in the order the clippers take them; the distance to each is
// positive inside.
typedef enum tag_CLIP_PLANE { PLANE_NEAR, PLANE_XMIN, PLANE_XMAX, PLANE_YMIN, PLANE_YMAX } CLIP_PLANE;
static const CLIP_PLANE s_clipOrder[5] = {PLANE_NEAR, PLANE_XMIN, PLANE_XMAX, PLANE_YMIN, PLANE_YMAX};

static i64 CLIP_s64Distance(CLIP_PLANE plane, i64 x, i64 y, i64 z, i64 w) {
  switch (plane) {
    case PLANE_NEAR:
      return z;
    case PLANE_XMIN:
      return TS_Add(x, w);
    case PLANE_XMAX:
      return TS_Sub(w, x);
    case PLANE_YMIN:
      return TS_Add(y, w);
    default:
      return TS_Sub(w, y);
  }
}

static i64 CLIP_s64Distance(CLIP_PLANE plane, const tsTVertex* v) {
  return CLIP_s64Distance(plane, v->x, v->y, v->z, v->w);
}

// Where the edge from P (distance dp) to Q (dq, on the other side) crosses
// the plane, in 16.16 of the edge.
static i64 CLIP_s64Crossing(i64 dp, i64 dq) { return TS_Div(TS_Shl(dp, 16), TS_Sub(dp, dq)); }

static i64 CLIP_s64Lerp(i64 p, i64 q, i64 t) { return TS_Add(TS_Mul(p, 0x10000 - t), TS_Mul(q, t)) >> 16; }

// A vertex cut onto a side plane lies on the screen's edge. The truncated
// reciprocal of w would put it up to a pixel inside the top or left edge, and
// that row or column would stay unpainted: it is placed on the edge itself.
static void CLIP_vOntoEdges(const tsDisplay* m, u8 planes, tsVertex* s) {
  const i64 x = TS_Mul(m->ViewScaleX, 0x10000), y = TS_Mul(m->ViewScaleY, 0x10000);
  if (planes & 1 << PLANE_XMIN) s->x = TRANSFORM_nLow(TS_Sub(m->ViewTransX, x));
  if (planes & 1 << PLANE_XMAX) s->x = TRANSFORM_nLow(TS_Add(m->ViewTransX, x));
  if (planes & 1 << PLANE_YMIN) s->y = TRANSFORM_nLow(TS_Sub(m->ViewTransY, y));
  if (planes & 1 << PLANE_YMAX) s->y = TRANSFORM_nLow(TS_Add(m->ViewTransY, y));
}

i32 tsDisplay_ClipUVW(tsDisplay* m, i32* indices, i32 count) {
  // The two index lists of the passes take one half of ClipIndices each.
  constexpr i32 kList = TS_CLIP_SLOTS / 2;
  if (count < 1 || count > kList) return 0;
  i32* cur = m->ClipIndices;
  i32* next = m->ClipIndices + kList;
  // The side planes (as bits) that each slot's vertex was cut onto.
  u8 cutOnto[TS_CLIP_SLOTS] = {};
  i32 freeSlot = 0;
  for (i32 k = 0; k < count; k++) {
    if (indices[k] < 0 || indices[k] >= TS_CLIP_SLOTS) return 0;
    cur[k] = indices[k];
    if (indices[k] >= freeSlot) freeSlot = indices[k] + 1;
  }

  i32 n = count;
  for (CLIP_PLANE plane : s_clipOrder) {
    BOOLEAN violated = FALSE;
    for (i32 k = 0; k < n && !violated; k++) violated = CLIP_s64Distance(plane, &m->ClipTVerts[cur[k]]) < 0;
    if (!violated) continue;

    i32 out = 0;
    for (i32 k = 0; k < n; k++) {
      const tsTVertex* p = &m->ClipTVerts[cur[k]];
      const tsTVertex* q = &m->ClipTVerts[cur[(k + 1) % n]];
      const i64 dp = CLIP_s64Distance(plane, p), dq = CLIP_s64Distance(plane, q);
      if (dp >= 0) {
        if (out >= kList) return 0;
        next[out++] = cur[k];
      }
      if ((dp >= 0) == (dq >= 0)) continue;
      // A polygon that is not convex can outgrow the work space: dropped.
      if (out >= kList || freeSlot >= TS_CLIP_SLOTS) return 0;
      const i64 t = CLIP_s64Crossing(dp, dq);
      tsTVertex* c = &m->ClipTVerts[freeSlot];
      c->x = TRANSFORM_nLow(CLIP_s64Lerp(p->x, q->x, t));
      c->y = TRANSFORM_nLow(CLIP_s64Lerp(p->y, q->y, t));
      c->z = TRANSFORM_nLow(CLIP_s64Lerp(p->z, q->z, t));
      c->w = TRANSFORM_nLow(CLIP_s64Lerp(p->w, q->w, t));
      c->u = TRANSFORM_nLow(CLIP_s64Lerp(p->u, q->u, t));
      c->v = TRANSFORM_nLow(CLIP_s64Lerp(p->v, q->v, t));
      c->color = 0;
      c->clip = TRANSFORM_nSideCode(c->x, c->y, c->w);
      // A cut between two points of a plane lies on it as well.
      const u8 onPlane = plane == PLANE_NEAR ? 0 : (u8)(1 << plane);
      cutOnto[freeSlot] = (u8)((cutOnto[cur[k]] & cutOnto[cur[(k + 1) % n]]) | onPlane);
      next[out++] = freeSlot++;
    }
    i32* swap = cur;
    cur = next;
    next = swap;
    n = out;
    if (n == 0) return 0;
  }

  for (i32 k = 0; k < n; k++) {
    const tsTVertex* t = &m->ClipTVerts[cur[k]];
    if (t->w == 0) return 0;
    tsVertex* s = &m->ClipVerts[k];
    TRANSFORM_vToScreen(m, t->x, t->y, t->w, s);
    CLIP_vOntoEdges(m, cutOnto[cur[k]], s);
    s->u = t->u;
    s->v = t->v;
    s->color = 0;
  }
  return n;
}

i32 tsDisplay_ClipUV(tsDisplay* m, i32* indices, i32 count) {
  if (count != 2) return 0;
  CLIP_POSITION e[2];
  for (int k = 0; k < 2; k++) {
    if (indices[k] < 0 || indices[k] >= TS_CLIP_SLOTS) return 0;
    const tsTVertex* t = &m->ClipTVerts[indices[k]];
    e[k] = CLIP_POSITION{t->x, t->y, t->z, t->w};
  }

  // The near plane in clip space, then the four sides in normalised device
  // co-ordinates, where w is 1.0.
  for (CLIP_PLANE plane : s_clipOrder) {
    if (plane == PLANE_XMIN) {
      for (CLIP_POSITION& p : e) {
        if (p.w == 0) return 0;
        const i64 iw = TS_Div((i64)1 << 32, p.w);
        p = CLIP_POSITION{TS_FixMul(iw, p.x), TS_FixMul(iw, p.y), 0, 0x10000};
      }
    }
    const i64 d0 = CLIP_s64Distance(plane, e[0].x, e[0].y, e[0].z, e[0].w);
    const i64 d1 = CLIP_s64Distance(plane, e[1].x, e[1].y, e[1].z, e[1].w);
    if (d0 < 0 && d1 < 0) return 0;
    if ((d0 >= 0) == (d1 >= 0)) continue;
    const i64 t = CLIP_s64Crossing(d0, d1);
    const CLIP_POSITION c = {CLIP_s64Lerp(e[0].x, e[1].x, t), CLIP_s64Lerp(e[0].y, e[1].y, t),
                             CLIP_s64Lerp(e[0].z, e[1].z, t), CLIP_s64Lerp(e[0].w, e[1].w, t)};
    e[d0 < 0 ? 0 : 1] = c;
  }

  for (int k = 0; k < 2; k++) {
    tsVertex* s = &m->ClipVerts[k];
    memset(s, 0, sizeof *s);
    s->x = TRANSFORM_nLow(TS_Add(TS_Mul(e[k].x, m->ViewScaleX), m->ViewTransX));
    s->y = TRANSFORM_nLow(TS_Add(TS_Mul(e[k].y, m->ViewScaleY), m->ViewTransY));
  }
  return 2;
}
