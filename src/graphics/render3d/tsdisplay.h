// The software 3-D renderer draws a perspective view of a textured ground
// surface in 16.16 fixed point, through an immediate-mode interface over one
// context.
//
// A frame: load the matrices, tsDisplay_CombineMatrices (every transform reads
// the combined matrix only), set the array pointers, tsDisplay_ProcessVertices,
// set CurTexturePtr, draw quads or line strips, tsDisplay_SwapBuffers.
// Pixels are RGB565 in plain buffers of the display size, row 0 at the top,
// pitch Width pixels. There is no depth buffer: later quads overwrite
// earlier ones. Errors are recorded in Error, never returned.
#pragma once

#include "basetypes.h"
#include "tsmatrix.h"

enum : i32 {
  TS_OK = 0,
  TS_ERR = (i32)0x80000000,
  TS_ERR_MVStackOverflow = (i32)0x80000001,
  TS_ERR_ProjStackOverflow = (i32)0x80000002,
  TS_ERR_MVStackUnderflow = (i32)0x80000003,
  TS_ERR_ProjStackUnderflow = (i32)0x80000004,
  TS_ERR_NoAvailableTextures = (i32)0x80000005,
};

enum : i32 { TS_MODELVIEW = 0, TS_PROJECTION = 1, TS_TEXTURE = 2 };
enum : i32 { tsRM_FULL = 0, tsRM_FLAT = 1 };

// Rows of the span table, and so the tallest screen.
constexpr i32 TS_MAX_SCANS = 480;
// Slots of each matrix stack; the deepest usable index is one less than the
// last slot.
constexpr i32 TS_STACK_SLOTS = 16;
constexpr i32 TS_CLIP_SLOTS = 72;
constexpr i32 TS_TEXTURE_SLOTS = 128;

// Texture: 512 x 512 RGB565 texels in tiles of 16 x 16, tiles row by row.
constexpr i32 TS_TEXTURE_SIZE = 512;
static inline i32 TS_TexelIndex(i32 tx, i32 ty) {
  return ((ty >> 4) << 13) + ((tx >> 4) << 8) + ((ty & 15) << 4) + (tx & 15);
}

// Clip-code bits of a transformed vertex; a point on a plane is inside.
enum : i32 {
  TS_CLIP_YMIN = 0x01,  // y < -w, above the top row
  TS_CLIP_YMAX = 0x02,  // y > w
  TS_CLIP_XMIN = 0x04,  // x < -w
  TS_CLIP_XMAX = 0x08,  // x > w
  TS_CLIP_NEAR = 0x10,  // z < 0
  TS_CLIP_FAR = 0x20,   // z > w
  TS_CLIP_W0 = 0x40,    // w = 0, alone
};

// A transformed vertex in clip space (16.16).
typedef struct tag_tsTVertex {
  i32 x, y, z, w;
  i32 u, v;
  i32 color;  // reserved
  i32 clip;
} tsTVertex;

// A screen vertex: x, y in 16.16 pixels, iw = 2^32 / w.
typedef struct tag_tsVertex {
  i32 x, y;
  i32 w, iw;
  i32 u, v;
  i32 color;  // reserved
} tsVertex;

// The crossings of one screen row: its left and right ends with their
// texture terms over w, and the perspective term 2^24 / w of the last edge.
typedef struct tag_tsScanInfo {
  i32 points;
  i32 x1;
  i64 z1;
  i32 u1, v1;
  i32 x2, u2, v2;
} tsScanInfo;

typedef struct tag_tsTileCache {
  i32 tile;
  i32 active;
  TICKS tix;
} tsTileCache;

typedef struct tag_tsDisplay {
  i32 Width, Height;
  i32 DispSize;
  i32 RenderPitch;  // bytes
  u32 ClientState;
  u32 GeneralState;
  i32 Error;
  i32 RenderMode;
  u32 CurColor;  // RGB565 in the low half
  u32 ClearColor;

  i32* VertexArray;  // three values a vertex: x, depth, height
  i32 VertexSize, VertexStride, VertexType;
  void* ColorArray;
  i32 ColorSize, ColorStride, ColorType;
  i32* TexCoordArray;  // u, v in 16.16
  i32 TexCoordSize, TexCoordStride, TexCoordType;

  // Owned by the context and taken from the fixed-block heap; they only grow.
  tsTVertex* TVerts;
  i32 TVertCount;
  tsVertex* SVerts;
  i32 SVertCount;

  tsTVertex ClipTVerts[TS_CLIP_SLOTS];
  tsVertex ClipVerts[TS_CLIP_SLOTS];
  i32 ClipIndices[TS_CLIP_SLOTS];

  i32 MatrixMode;
  i32 MVStackPtr, ProjStackPtr;
  BOOLEAN UpdateOpenGlMatrix;
  tsMatrix OpenGlMatrix;
  i32 vertOffsetX, vertOffsetY;
  tsMatrix Combine;
  tsMatrix ModelView[TS_STACK_SLOTS];
  tsMatrix Projection[TS_STACK_SLOTS];
  i32 CameraX, CameraY, CameraZ;

  u16* BackBuffer;
  u16* FrontBuffer;
  u16* RenderSurface;
  i32 ViewScaleX, ViewScaleY;  // whole pixels
  i32 ViewTransX, ViewTransY;  // 16.16

  u16* Texture[TS_TEXTURE_SLOTS];
  u16* CurTexturePtr;
  i32 WireFrame, NoClipping;

  tsScanInfo Scans[TS_MAX_SCANS];
  i32 MinScan, MaxScan;
} tsDisplay;

// For callers that keep one context at hand; the renderer never reads it.
extern tsDisplay* g_CurDisplay;

// ---- Context, state and matrix stacks

// Zeroes the context (every matrix all zeros, not identity) and takes the
// size. A height above TS_MAX_SCANS, or a size that does not fit the 16.16
// screen range, is refused: Error = TS_ERR and the size stays 0 x 0.
void tsDisplay_Init(tsDisplay* m, i32 width, i32 height, void* front, void* back, void* param);
// As the size step of tsDisplay_Init; a refused size keeps the old one.
void tsDisplay_Resize(tsDisplay* m, i32 width, i32 height);
void tsDisplay_SwapBuffers(tsDisplay* m);
void tsDisplay_SetColor(tsDisplay* m, u32 color);
void tsDisplay_Reserve(tsDisplay* m, tsTileCache* tcptr);
void tsDisplay_UnReserve(tsDisplay* m, tsTileCache* tcptr);
// Buffers handed over here are released to the heap when a larger batch
// arrives: they come from the fixed-block heap.
void tsDisplay_SetVertexBuffers(tsDisplay* m, tsTVertex* trans, tsVertex* screen, i32 count);
// Clears the render surface. In tsRM_FULL the words hold the colour and, in
// their high half, alpha; the surface is a 16-bit one of the display size
// whatever the mode, so only the words it holds are written.
void tsDisplay_ClearColorx(tsDisplay* m, i32 color, i32 alpha);
void tsDisplay_Enable(tsDisplay* m, u32 state);
void tsDisplay_Disable(tsDisplay* m, u32 state);
void tsDisplay_VertexPointer(tsDisplay* m, i32 size, i32 type, i32 stride, void* ptr);
void tsDisplay_ColorPointer(tsDisplay* m, i32 size, i32 type, i32 stride, void* ptr);
void tsDisplay_TexCoordPointer(tsDisplay* m, i32 size, i32 type, i32 stride, void* ptr);
void tsDisplay_MatrixMode(tsDisplay* m, i32 mode);
// The matrix operations act on the top of the current mode's stack; in any
// mode but TS_MODELVIEW and TS_PROJECTION they do nothing.
void tsDisplay_LoadMatrixx(tsDisplay* m, tsMatrix* matrix);
void tsDisplay_LoadIdentity(tsDisplay* m);
// current = T x current: the translation applies before what is loaded.
void tsDisplay_Translatex(tsDisplay* m, i32 x, i32 y, i32 z);
void tsDisplay_Perspective(tsDisplay* m, float fov, float aspect, float znear, float zfar);
void tsDisplay_Rotatex(tsDisplay* m, i32 amount, i32 x, i32 y, i32 z);
// Depth 0 to 14; beyond either end the stack stays and Error takes the
// mode's overflow or underflow code.
void tsDisplay_PushMatrix(tsDisplay* m);
void tsDisplay_PopMatrix(tsDisplay* m);
// Combine = model-view x projection.
void tsDisplay_CombineMatrices(tsDisplay* m);

// ---- Vertex transform, projection and clipping

// Transforms vertices startVertex to endVertex - 1 of the client arrays
// (positions and texture co-ordinates alike) into TVerts and SVerts slots 0 on. 1 when the batch may be visible; 0 when
// every vertex shares an outside bit, the batch is empty, or its buffers
// cannot be had from the heap (nothing is then transformed).
i32 tsDisplay_ProcessVertices(tsDisplay* m, i32 startVertex, i32 endVertex);
// 1 when (x, depth y, height z) violates none of the planes in clipCheck.
i32 tsDisplay_ClipCheck(tsDisplay* m, i32 x, i32 y, i32 z, u32 clipCheck);
// The whole pixel of (x, depth y, height z), clamped to the view's border; 0 (and
// the outputs untouched) when w = 0.
i32 tsDisplay_ProjectPoint(tsDisplay* m, i32 x, i32 y, i32 z, i32* sx, i32* sy);
// The depth at which (x, height y) falls on screen row screenY, and the x at
// which (height y, depth z) falls on column screenX. Where the row or column
// runs parallel to the solved axis there is no answer: the output stays and
// Error = TS_ERR.
void tsDisplay_CalcZ(tsDisplay* display, i32 screenY, i32 x, i32 y, i32* z);
void tsDisplay_CalcX(tsDisplay* display, i32 screenX, i32* x, i32 y, i32 z);
// Clip the polygon (or segment) whose vertices sit in the ClipTVerts slots
// listed; the result, projected, is ClipVerts 0 on. Returns its vertex count
// (0 when nothing is left or it holds a vertex with w = 0).
i32 tsDisplay_ClipUVW(tsDisplay* m, i32* indices, i32 count);
i32 tsDisplay_ClipUV(tsDisplay* m, i32* indices, i32 count);

// ---- Texture-mapped quads, spans and lines

// Quads of four indices into TVerts/SVerts, count indices in all; indices
// beyond the vertex buffers skip their quad.
void tsDisplay_DrawTextureQuad(tsDisplay* m, i32 count, i32* indices);
// count segments, segment k from indices[k] to indices[k + 1], in CurColor.
void tsDisplay_DrawLineStrip(tsDisplay* m, i32 count, i32* indices);
// Walks one screen edge into the span table; returns 1.
i32 tsDisplay_CalcScans(tsDisplay* m, tsVertex* vtx0, tsVertex* vtx1);
// Draws the rows from MinScan to MaxScan - 1 that two edges crossed, and
// empties them; returns 0.
i32 tsDisplay_DrawScans(tsDisplay* m);
// Draws the first end and not the last, in the low 16 bits of color.
void tsDisplay_DrawLine(tsDisplay* m, tsVertex* v1, tsVertex* v2, u32 color);

// ---- Terrain textures (plain pixel arrays, no context)

// Tiled 512 x 512 texture of colorMap[height x 256 + shade]; output row y
// reads map row 511 - y of the 512 x 512 maps.
void tsDisplay_FuseShadeHeight(u16* dst, u8* shadeMap, u8* heightMap, u16* colorMap);
// The same, with high ground (height above 128) taken from the photograph,
// shaded. The photograph is 512 x 512, or 256 x 256 when enlarge is set.
void tsDisplay_FusePhotoShadeHeight(u16* dst, u16* photoMap, u8* shadeMap, u8* heightMap, u16* colorMap, i32 enlarge);
// Darkens a 256 x 256 image in place by every second sample of the 512 x 512
// shade map.
void tsDisplay_Shade(u16* land, u8* shade);
// 24-bit width x height to a 512 x 512 RGB565 image (not tiled) by point
// sampling, top row first, or upside down.
void tsDisplay_DownScale24(u16* dst, i32 width, i32 height, void* pixels);
void tsDisplay_FlipDownScale24(u16* final, i32 width, i32 height, void* pixels);
// RGB565 to bytes R, G, B for width x height pixels.
void tsDisplay_UpScale24(u8* dst, i32 width, i32 height, void* pixels);
// One half-size RGB565 image of pixels into dst.
void tsDisplay_DownScale(u16* dst, i32 width, i32 height, void* pixels);
// Appends levels half-size images after the width x height one in dst.
void tsDisplay_CreateMipMap(u16* dst, i32 width, i32 height, void* pixels, i32 levels);
