// Drawing tests draw into bitmaps of their own and compare the pixels drawn
// as sets.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "g_bmp.h"
#include "g_buffers.h"
#include "g_types.h"

constexpr COLOR kBackground = 0x0841;
constexpr COLOR kInk = 0xFFFF;
constexpr COLOR kBlack = 0x0000, kWhite = 0xFFFF;

// A logical pixel (x, y).
typedef std::pair<PIXEL, PIXEL> XY;
typedef std::set<XY> PIXELS;

// A bitmap of its own, filled with kBackground.
class Canvas {
 public:
  Canvas(U32 width, U32 height, COLOR background = kBackground)
      : m_pBitmap(G_BUFFERS_pCreateBitmap(width, height, nullptr, nullptr)) {
    G_BMP_vSet(m_pBitmap, background);
  }
  ~Canvas() { G_BUFFERS_vFreeBitmap(m_pBitmap); }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  BITMAP* operator->() const { return m_pBitmap; }
  BITMAP* get() const { return m_pBitmap; }
  COLOR* pixels() const { return (COLOR*)m_pBitmap->pBuffer; }
  size_t pixelCount() const {
    return (size_t)m_pBitmap->__u32PixelWidthOfBuffer * m_pBitmap->__u32PixelHeightOfBuffer;
  }
  COLOR& at(PIXEL x, PIXEL y) const {
    return pixels()[(size_t)(m_pBitmap->pixels_high_full_screen - 1 - y) * m_pBitmap->__u32PixelWidthOfBuffer + x];
  }
  // Logical pixels of the bitmap that hold `color`.
  PIXELS with(COLOR color) const {
    PIXELS out;
    for (PIXEL y = 0; y < m_pBitmap->pixels_high_full_screen; y++) {
      for (PIXEL x = 0; x < m_pBitmap->pixels_wide_full_screen; x++) {
        if (at(x, y) == color) out.insert({x, y});
      }
    }
    return out;
  }
  // Logical pixels that no longer hold the background.
  PIXELS changed(COLOR background = kBackground) const {
    PIXELS out;
    for (PIXEL y = 0; y < m_pBitmap->pixels_high_full_screen; y++) {
      for (PIXEL x = 0; x < m_pBitmap->pixels_wide_full_screen; x++) {
        if (at(x, y) != background) out.insert({x, y});
      }
    }
    return out;
  }

 private:
  BITMAP* m_pBitmap;
};

// The '#' cells of a picture whose first row is logical row yTop and first
// column logical column xLeft; rows go downward.
inline PIXELS FromArt(PIXEL xLeft, PIXEL yTop, const std::vector<std::string>& rows) {
  PIXELS out;
  for (size_t r = 0; r < rows.size(); r++) {
    for (size_t c = 0; c < rows[r].size(); c++) {
      if (rows[r][c] == '#') out.insert({xLeft + (PIXEL)c, yTop - (PIXEL)r});
    }
  }
  return out;
}

// The set as a picture over its bounding box, for failure messages.
inline std::string ToArt(const PIXELS& pixels) {
  if (pixels.empty()) return "(none)\n";
  PIXEL x0 = pixels.begin()->first, x1 = x0, y0 = pixels.begin()->second, y1 = y0;
  for (const XY& p : pixels) {
    x0 = std::min(x0, p.first);
    x1 = std::max(x1, p.first);
    y0 = std::min(y0, p.second);
    y1 = std::max(y1, p.second);
  }
  std::string out = "x " + std::to_string(x0) + ".." + std::to_string(x1) + ", y " + std::to_string(y1) +
                    " down to " + std::to_string(y0) + "\n";
  for (PIXEL y = y1; y >= y0; y--) {
    for (PIXEL x = x0; x <= x1; x++) out += pixels.count({x, y}) ? '#' : '.';
    out += '\n';
  }
  return out;
}

inline PIXELS Rect(PIXEL x0, PIXEL y0, PIXEL x1, PIXEL y1) {
  PIXELS out;
  for (PIXEL y = y0; y <= y1; y++) {
    for (PIXEL x = x0; x <= x1; x++) out.insert({x, y});
  }
  return out;
}

#define EXPECT_PIXELS(expected, actual) \
  EXPECT_EQ(expected, actual) << "expected\n" << ToArt(expected) << "actual\n" << ToArt(actual)
