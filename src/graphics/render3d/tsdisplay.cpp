// The renderer keeps its size, buffers, state and two matrix stacks in one
// context, the one every call works on.

#include "tsdisplay.h"

#include <string.h>

tsDisplay* g_CurDisplay;

// The span table has TS_MAX_SCANS rows, and screen x in 16.16 must hold the
// width: a size outside either is refused rather than overrun later.
static BOOLEAN DISPLAY_bSetSize(tsDisplay* m, i32 width, i32 height) {
  if (width < 0 || width > 0x7FFF || height < 0 || height > TS_MAX_SCANS) {
    m->Error = TS_ERR;
    return FALSE;
  }
  m->Width = width;
  m->Height = height;
  m->RenderPitch = 2 * width;
  m->ViewScaleX = width >> 1;
  m->ViewScaleY = height >> 1;
  m->ViewTransX = (width >> 1) << 16;
  m->ViewTransY = (height >> 1) << 16;
  m->DispSize = width * height;
  return TRUE;
}

void tsDisplay_Init(tsDisplay* m, i32 width, i32 height, void* front, void* back, void* param) {
  (void)param;
  memset(m, 0, sizeof *m);
  DISPLAY_bSetSize(m, width, height);
  m->RenderMode = tsRM_FLAT;
  m->FrontBuffer = (u16*)front;
  m->BackBuffer = (u16*)back;
  m->RenderSurface = (u16*)back;
}

void tsDisplay_Resize(tsDisplay* m, i32 width, i32 height) { DISPLAY_bSetSize(m, width, height); }

void tsDisplay_SwapBuffers(tsDisplay* m) {
  memset(m->Scans, 0, sizeof m->Scans);
  u16* front = m->FrontBuffer;
  m->FrontBuffer = m->BackBuffer;
  m->BackBuffer = front;
  m->RenderSurface = front;
}

void tsDisplay_SetColor(tsDisplay* m, u32 color) { m->CurColor = color; }

// Texture tiles are never cached; the calls stay for the callers' sake.
void tsDisplay_Reserve(tsDisplay* m, tsTileCache* tcptr) {
  (void)m;
  (void)tcptr;
}

void tsDisplay_UnReserve(tsDisplay* m, tsTileCache* tcptr) {
  (void)m;
  (void)tcptr;
}

void tsDisplay_SetVertexBuffers(tsDisplay* m, tsTVertex* trans, tsVertex* screen, i32 count) {
  m->TVerts = trans;
  m->SVerts = screen;
  m->TVertCount = count;
  m->SVertCount = count;
}

void tsDisplay_ClearColorx(tsDisplay* m, i32 color, i32 alpha) {
  const u32 low = (u32)color & 0xFFFF;
  const u32 word = m->RenderMode == tsRM_FULL ? (low | (u32)alpha << 16) : (low | low << 16);
  // Drawing writes 16-bit pixels, so the surface holds DispSize of them in
  // either mode; an odd last pixel is left as it is.
  const i32 words = m->DispSize / 2;
  u8* p = (u8*)m->RenderSurface;
  for (i32 i = 0; i < words; i++) memcpy(p + 4 * (size_t)i, &word, 4);
}

void tsDisplay_Enable(tsDisplay* m, u32 state) { m->GeneralState |= state; }

void tsDisplay_Disable(tsDisplay* m, u32 state) { m->GeneralState &= ~state; }

void tsDisplay_VertexPointer(tsDisplay* m, i32 size, i32 type, i32 stride, void* ptr) {
  m->VertexSize = size;
  m->VertexType = type;
  m->VertexStride = stride;
  m->VertexArray = (i32*)ptr;
}

void tsDisplay_ColorPointer(tsDisplay* m, i32 size, i32 type, i32 stride, void* ptr) {
  m->ColorSize = size;
  m->ColorType = type;
  m->ColorStride = stride;
  m->ColorArray = ptr;
}

void tsDisplay_TexCoordPointer(tsDisplay* m, i32 size, i32 type, i32 stride, void* ptr) {
  m->TexCoordSize = size;
  m->TexCoordType = type;
  m->TexCoordStride = stride;
  m->TexCoordArray = (i32*)ptr;
}

void tsDisplay_MatrixMode(tsDisplay* m, i32 mode) { m->MatrixMode = mode; }

// The top of the current mode's stack; null in texture (or an unknown) mode.
static tsMatrix* DISPLAY_pCurrent(tsDisplay* m) {
  if (m->MatrixMode == TS_MODELVIEW) return &m->ModelView[m->MVStackPtr];
  if (m->MatrixMode == TS_PROJECTION) return &m->Projection[m->ProjStackPtr];
  return nullptr;
}

void tsDisplay_LoadMatrixx(tsDisplay* m, tsMatrix* matrix) {
  tsMatrix* current = DISPLAY_pCurrent(m);
  if (current != nullptr) *current = *matrix;
}

void tsDisplay_LoadIdentity(tsDisplay* m) {
  tsMatrix* current = DISPLAY_pCurrent(m);
  if (current != nullptr) tsMatrix_Identity(current);
}

// current = first x current: with row vectors the new transform applies first.
static void DISPLAY_vApplyFirst(tsDisplay* m, tsMatrix* first) {
  tsMatrix* current = DISPLAY_pCurrent(m);
  if (current == nullptr) return;
  tsMatrix product;
  tsMatrix_Multiply(&product, current, first);
  *current = product;
}

void tsDisplay_Translatex(tsDisplay* m, i32 x, i32 y, i32 z) {
  tsMatrix t;
  tsMatrix_Identity(&t);
  tsMatrix_Translatex(&t, x, y, z);
  DISPLAY_vApplyFirst(m, &t);
}

void tsDisplay_Perspective(tsDisplay* m, float fov, float aspect, float znear, float zfar) {
  tsMatrix f;
  tsMatrix_SetFOV(&f, fov, aspect, znear, zfar);
  DISPLAY_vApplyFirst(m, &f);
}

// The ground view never rolls; the call is kept for its callers.
void tsDisplay_Rotatex(tsDisplay* m, i32 amount, i32 x, i32 y, i32 z) {
  (void)m;
  (void)amount;
  (void)x;
  (void)y;
  (void)z;
}

// The last slot is never used: pushes stop at depth 14.
constexpr i32 kDeepest = TS_STACK_SLOTS - 2;

void tsDisplay_PushMatrix(tsDisplay* m) {
  if (m->MatrixMode == TS_MODELVIEW) {
    if (m->MVStackPtr >= kDeepest) {
      m->Error = TS_ERR_MVStackOverflow;
      return;
    }
    m->ModelView[m->MVStackPtr + 1] = m->ModelView[m->MVStackPtr];
    m->MVStackPtr++;
  } else if (m->MatrixMode == TS_PROJECTION) {
    if (m->ProjStackPtr >= kDeepest) {
      m->Error = TS_ERR_ProjStackOverflow;
      return;
    }
    m->Projection[m->ProjStackPtr + 1] = m->Projection[m->ProjStackPtr];
    m->ProjStackPtr++;
  }
}

void tsDisplay_PopMatrix(tsDisplay* m) {
  if (m->MatrixMode == TS_MODELVIEW) {
    if (m->MVStackPtr < 1) {
      m->Error = TS_ERR_MVStackUnderflow;
      return;
    }
    m->MVStackPtr--;
  } else if (m->MatrixMode == TS_PROJECTION) {
    if (m->ProjStackPtr < 1) {
      m->Error = TS_ERR_ProjStackUnderflow;
      return;
    }
    m->ProjStackPtr--;
  }
}

void tsDisplay_CombineMatrices(tsDisplay* m) {
  tsMatrix_Multiply(&m->Combine, &m->Projection[m->ProjStackPtr], &m->ModelView[m->MVStackPtr]);
}
