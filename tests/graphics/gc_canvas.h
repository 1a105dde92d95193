// A graphic context over a buffer of its own, with guard rows of canary
// pixels above and below it, and its pixels as sets of (column, row).
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "gr_context.h"
#include "gr_line.h"

constexpr COLOR kGcBackground = 0x0841;
constexpr COLOR kGcCanary = 0xDEAD;

// (column, row from the top)
typedef std::pair<SINT, SINT> CR;
typedef std::set<CR> CELLS;

// The palette of the tests: entry k is 0x1000 + k.
inline const COLOR* GcTestPalette() {
  static COLOR palette[256];
  for (int k = 0; k < 256; k++) palette[k] = (COLOR)(0x1000 + k);
  return palette;
}

class GcCanvas {
 public:
  static constexpr SINT kGuardRows = 2;

  GcCanvas(SINT width, SINT height) : m_width(width), m_height(height), m_pitch(2 * ((width + 1) / 2)) {
    m_memory.assign((size_t)(m_height + 2 * kGuardRows) * m_pitch, kGcCanary);
    Clear();
    gr_SetColorPalette(GcTestPalette());
    gr_InitGC(&gc, width, height, (VSCREENPTR)(m_memory.data() + kGuardRows * m_pitch));
    gr_SetPatternStatus(&gc, 0);
    gr_SetBitmapZoom(&gc, 1, 1);
    gr_SetBitmapDirection(&gc, 0);
    gr_SetTranspAttr(&gc, 0, 15);
  }

  void Clear(COLOR background = kGcBackground) {
    for (SINT r = 0; r < m_height; r++) {
      for (SINT c = 0; c < m_pitch; c++) at(c, r) = background;
    }
  }
  COLOR& at(SINT x, SINT row) { return m_memory[(size_t)(row + kGuardRows) * m_pitch + x]; }
  const std::vector<COLOR>& memory() const { return m_memory; }

  CELLS with(COLOR color) {
    CELLS out;
    for (SINT r = 0; r < m_height; r++) {
      for (SINT x = 0; x < m_width; x++) {
        if (at(x, r) == color) out.insert({x, r});
      }
    }
    return out;
  }
  CELLS changed(COLOR background = kGcBackground) {
    CELLS out;
    for (SINT r = 0; r < m_height; r++) {
      for (SINT x = 0; x < m_width; x++) {
        if (at(x, r) != background) out.insert({x, r});
      }
    }
    return out;
  }
  // Something written outside the clip rectangle, the row padding or the
  // guard rows.
  bool strayOutsideClip(COLOR background = kGcBackground) const {
    for (size_t i = 0; i < m_memory.size(); i++) {
      const SINT row = (SINT)(i / m_pitch) - kGuardRows, x = (SINT)(i % m_pitch);
      if (row < 0 || row >= m_height) {
        if (m_memory[i] != kGcCanary) return true;
      } else if (x < gc.cliporig.px || x > gc.cliplim.px || row < gc.cliporig.py || row > gc.cliplim.py) {
        if (m_memory[i] != background) return true;
      }
    }
    return false;
  }

  GR_CONTEXT gc;

 private:
  SINT m_width, m_height, m_pitch;
  std::vector<COLOR> m_memory;
};

inline CELLS Cells(SINT x0, SINT row0, SINT x1, SINT row1) {
  CELLS out;
  for (SINT r = row0; r <= row1; r++) {
    for (SINT x = x0; x <= x1; x++) out.insert({x, r});
  }
  return out;
}
