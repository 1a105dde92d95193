// Drawing of the icon generator: an RGBA canvas, anti-aliased polygon fill
// with a nonzero winding rule, and the shapes the manifest's recipes use.
//
// Everything is computed in integers or in IEEE double without fused
// operations, and edge crossings are rounded to 1/256 pixel, so a build on
// any host draws the same pixels.
#pragma once

#include <stdint.h>

#include <vector>

typedef struct tag_IG_RGBA {
  uint8_t r, g, b, a;
} IG_RGBA;

typedef struct tag_IG_POINT {
  double x, y;
} IG_POINT;

typedef std::vector<IG_POINT> IG_CONTOUR;
typedef std::vector<IG_CONTOUR> IG_PATH;

typedef struct tag_IG_CANVAS {
  int w, h;
  // 4-bit icons: coverage is all or nothing and colours are snapped to the
  // 16 icon colours.
  bool bIndexed;
  std::vector<IG_RGBA> pixels;  // top row first
} IG_CANVAS;

void IG_vInitCanvas(IG_CANVAS* pCanvas, int w, int h, bool bIndexed);
// Source-over with straight alpha; coverage in 0..255.
void IG_vBlend(IG_CANVAS* pCanvas, int x, int y, IG_RGBA color, int coverage);
// Fills the path (pixel coordinates, y downward) with the nonzero rule.
void IG_vFillPath(IG_CANVAS* pCanvas, const IG_PATH& path, IG_RGBA color);
// Coverage 0..255 of the path per pixel, top row first.
std::vector<uint8_t> IG_vCoverage(int w, int h, const IG_PATH& path);
// Composites a coverage map with one colour.
void IG_vPaintCoverage(IG_CANVAS* pCanvas, const std::vector<uint8_t>& coverage, IG_RGBA color);
// The coverage grown by r pixels (an outline under a shape).
std::vector<uint8_t> IG_vDilate(int w, int h, const std::vector<uint8_t>& coverage, int r);

// Shapes as paths, in pixel coordinates.
IG_CONTOUR IG_contourEllipse(double cx, double cy, double rx, double ry);
IG_CONTOUR IG_contourSegment(IG_POINT a, IG_POINT b, double width);
// Contours turned counter-clockwise, so that a union fills once.
void IG_vOrient(IG_PATH* pPath);

// The 16 icon colours (colour-table entries 80-95) widened to 8 bits.
IG_RGBA IG_rgbaIconColor(int index);
// The nearest icon colour to c.
int IG_nNearestIconColor(IG_RGBA c);
