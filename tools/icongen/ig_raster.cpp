#include "ig_raster.h"

#include <math.h>

#include <algorithm>

#include "color.h"

namespace {

constexpr int kSubRows = 16;   // sub-scanlines per pixel row
constexpr int kSubUnits = 256;  // horizontal precision per pixel

typedef struct tag_CROSSING {
  int64_t x;  // 1/256 pixel
  int winding;
} CROSSING;

int64_t Fixed(double v) { return (int64_t)llround(v * kSubUnits); }

}  // namespace

void IG_vInitCanvas(IG_CANVAS* pCanvas, int w, int h, bool bIndexed) {
  pCanvas->w = w;
  pCanvas->h = h;
  pCanvas->bIndexed = bIndexed;
  pCanvas->pixels.assign((size_t)w * (size_t)h, IG_RGBA{0, 0, 0, 0});
}

void IG_vBlend(IG_CANVAS* pCanvas, int x, int y, IG_RGBA color, int coverage) {
  if (x < 0 || y < 0 || x >= pCanvas->w || y >= pCanvas->h || coverage <= 0) return;
  if (pCanvas->bIndexed) {
    if (coverage < 128 || color.a < 128) return;
    color = IG_rgbaIconColor(IG_nNearestIconColor(color));
    pCanvas->pixels[(size_t)y * (size_t)pCanvas->w + (size_t)x] = color;
    return;
  }
  IG_RGBA& d = pCanvas->pixels[(size_t)y * (size_t)pCanvas->w + (size_t)x];
  const int sa = (color.a * coverage + 127) / 255;
  if (sa == 0) return;
  const int da = (d.a * (255 - sa) + 127) / 255;
  const int oa = sa + da;
  d.r = (uint8_t)((color.r * sa + d.r * da + oa / 2) / oa);
  d.g = (uint8_t)((color.g * sa + d.g * da + oa / 2) / oa);
  d.b = (uint8_t)((color.b * sa + d.b * da + oa / 2) / oa);
  d.a = (uint8_t)oa;
}

std::vector<uint8_t> IG_vCoverage(int w, int h, const IG_PATH& path) {
  std::vector<int32_t> acc((size_t)w * (size_t)h, 0);
  std::vector<CROSSING> crossings;
  for (int row = 0; row < h; row++) {
    for (int s = 0; s < kSubRows; s++) {
      const double yy = row + (s + 0.5) / kSubRows;
      crossings.clear();
      for (const IG_CONTOUR& c : path) {
        for (size_t i = 0; i < c.size(); i++) {
          const IG_POINT a = c[i], b = c[(i + 1) % c.size()];
          if (a.y == b.y) continue;
          const double lo = a.y < b.y ? a.y : b.y, hi = a.y < b.y ? b.y : a.y;
          if (yy < lo || yy >= hi) continue;
          const double x = a.x + (yy - a.y) * (b.x - a.x) / (b.y - a.y);
          crossings.push_back({Fixed(x), b.y > a.y ? 1 : -1});
        }
      }
      std::sort(crossings.begin(), crossings.end(), [](const CROSSING& p, const CROSSING& q) {
        return p.x < q.x || (p.x == q.x && p.winding < q.winding);
      });
      int winding = 0;
      for (size_t i = 0; i + 1 < crossings.size(); i++) {
        winding += crossings[i].winding;
        if (winding == 0) continue;
        int64_t xa = std::max<int64_t>(crossings[i].x, 0);
        const int64_t xb = std::min<int64_t>(crossings[i + 1].x, (int64_t)w * kSubUnits);
        while (xa < xb) {
          const int64_t col = xa / kSubUnits;
          const int64_t end = std::min<int64_t>(xb, (col + 1) * kSubUnits);
          acc[(size_t)row * (size_t)w + (size_t)col] += (int32_t)(end - xa);
          xa = end;
        }
      }
    }
  }
  std::vector<uint8_t> coverage(acc.size());
  const int32_t full = kSubRows * kSubUnits;
  for (size_t i = 0; i < acc.size(); i++) {
    const int32_t v = std::min(acc[i], full);
    coverage[i] = (uint8_t)((v * 255 + full / 2) / full);
  }
  return coverage;
}

void IG_vPaintCoverage(IG_CANVAS* pCanvas, const std::vector<uint8_t>& coverage, IG_RGBA color) {
  for (int y = 0; y < pCanvas->h; y++) {
    for (int x = 0; x < pCanvas->w; x++) IG_vBlend(pCanvas, x, y, color, coverage[(size_t)y * (size_t)pCanvas->w + (size_t)x]);
  }
}

void IG_vFillPath(IG_CANVAS* pCanvas, const IG_PATH& path, IG_RGBA color) {
  IG_vPaintCoverage(pCanvas, IG_vCoverage(pCanvas->w, pCanvas->h, path), color);
}

std::vector<uint8_t> IG_vDilate(int w, int h, const std::vector<uint8_t>& coverage, int r) {
  std::vector<uint8_t> out(coverage.size(), 0);
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) {
      uint8_t m = 0;
      for (int dy = -r; dy <= r; dy++) {
        for (int dx = -r; dx <= r; dx++) {
          const int xx = x + dx, yy = y + dy;
          if (xx < 0 || yy < 0 || xx >= w || yy >= h || dx * dx + dy * dy > r * r + r) continue;
          m = std::max(m, coverage[(size_t)yy * (size_t)w + (size_t)xx]);
        }
      }
      out[(size_t)y * (size_t)w + (size_t)x] = m;
    }
  }
  return out;
}

IG_CONTOUR IG_contourEllipse(double cx, double cy, double rx, double ry) {
  IG_CONTOUR c;
  const int n = 96;
  for (int i = 0; i < n; i++) {
    const double t = 2 * M_PI * i / n;
    c.push_back({cx + rx * cos(t), cy + ry * sin(t)});
  }
  return c;
}

IG_CONTOUR IG_contourSegment(IG_POINT a, IG_POINT b, double width) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len = sqrt(dx * dx + dy * dy);
  if (len == 0) return IG_contourEllipse(a.x, a.y, width / 2, width / 2);
  const double nx = -dy / len * width / 2, ny = dx / len * width / 2;
  return {{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}};
}

void IG_vOrient(IG_PATH* pPath) {
  for (IG_CONTOUR& c : *pPath) {
    double area = 0;
    for (size_t i = 0; i < c.size(); i++) {
      const IG_POINT a = c[i], b = c[(i + 1) % c.size()];
      area += a.x * b.y - b.x * a.y;
    }
    if (area < 0) std::reverse(c.begin(), c.end());
  }
}

IG_RGBA IG_rgbaIconColor(int index) {
  const COLOR c = gCOLOR_pcolColorTable[80 + index];
  const int r = c >> 11, g = (c >> 5) & 63, b = c & 31;
  return IG_RGBA{(uint8_t)(r << 3 | r >> 2), (uint8_t)(g << 2 | g >> 4), (uint8_t)(b << 3 | b >> 2), 255};
}

int IG_nNearestIconColor(IG_RGBA c) {
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < 16; i++) {
    const IG_RGBA p = IG_rgbaIconColor(i);
    const long d = (long)(p.r - c.r) * (p.r - c.r) + (long)(p.g - c.g) * (p.g - c.g) + (long)(p.b - c.b) * (p.b - c.b);
    if (bestDistance < 0 || d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}
