// The renderer's tests share the contexts, textures and cameras made here.
#pragma once

#include <memory>
#include <vector>

#include "h_memory.h"
#include "tsdisplay.h"

// Degrees to the renderer's angle unit (a full turn is 0x40000).
inline i32 Degrees(double d) { return (i32)(d * 0x40000 / 360.0 + (d < 0 ? -0.5 : 0.5)); }

constexpr i32 kOne = 0x10000;

// A context with its own pixels (two buffers of width x height) and the
// vertex buffers it takes from the heap released at the end.
class Display {
 public:
  Display(i32 width, i32 height, u16 fill = 0)
      : m_front((size_t)width * height + 2, fill), m_back((size_t)width * height + 2, fill), m_ctx(new tsDisplay) {
    tsDisplay_Init(m_ctx.get(), width, height, m_front.data(), m_back.data(), nullptr);
  }
  ~Display() {
    H_MEMORY_vFree(m_ctx->TVerts);
    H_MEMORY_vFree(m_ctx->SVerts);
  }
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  tsDisplay* operator->() const { return m_ctx.get(); }
  tsDisplay* get() const { return m_ctx.get(); }
  u16 at(i32 x, i32 y) const { return m_ctx->BackBuffer[(size_t)y * m_ctx->Width + x]; }
  void fill(u16 color) {
    for (size_t i = 0; i < (size_t)m_ctx->DispSize; i++) m_ctx->BackBuffer[i] = color;
  }
  // Pixels of the back buffer that are not `background`, as (x, y) rows.
  std::vector<std::pair<i32, i32>> changed(u16 background) const {
    std::vector<std::pair<i32, i32>> out;
    for (i32 y = 0; y < m_ctx->Height; y++) {
      for (i32 x = 0; x < m_ctx->Width; x++) {
        if (at(x, y) != background) out.push_back({x, y});
      }
    }
    return out;
  }

 private:
  std::vector<u16> m_front, m_back;
  std::unique_ptr<tsDisplay> m_ctx;
};

// A tiled texture whose texel (tx, ty) is f(tx, ty).
template <typename F>
std::vector<u16> MakeTexture(F f) {
  std::vector<u16> t(TS_TEXTURE_SIZE * TS_TEXTURE_SIZE);
  for (i32 ty = 0; ty < TS_TEXTURE_SIZE; ty++) {
    for (i32 tx = 0; tx < TS_TEXTURE_SIZE; tx++) t[TS_TexelIndex(tx, ty)] = f(tx, ty);
  }
  return t;
}

// Projection and a camera that yaws and pitches, at (x, height, depth) in
// whole units; Combine is ready for transforms.
inline void SetCamera(tsDisplay* d, double yaw, double pitch, double x, double height, double depth) {
  tsDisplay_MatrixMode(d, TS_PROJECTION);
  tsDisplay_LoadIdentity(d);
  tsDisplay_Perspective(d, 60.0f, (float)d->Width / (float)d->Height, 1.0f, 500.0f);
  tsDisplay_MatrixMode(d, TS_MODELVIEW);
  i32 centre[3] = {(i32)(-x * kOne), (i32)(height * kOne), (i32)(-depth * kOne)};
  tsMatrix camera;
  tsMatrix_Set(&camera, Degrees(yaw), Degrees(pitch), 0, centre);
  tsDisplay_LoadMatrixx(d, &camera);
  tsDisplay_CombineMatrices(d);
}

// Position values of a ground vertex at (x, depth) in whole units: the
// transform scales positions by 32.
inline i32 Ground(double units) { return (i32)(units * kOne / 32); }
