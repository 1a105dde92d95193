// Draws the unit's icon set from its manifest at build time and writes it as
// a binary blob (embedded with .incbin), the ICON and IMAGE32 records that
// point into it, and a table of every icon for tests and tools.
//
//   icongen MANIFEST OUTDIR FONT=PATH...
//
// The manifest gives, per icon, a header line "name kind WxH" (kind 3, 4, 5
// or image) and indented drawing commands; see data/icons/manifest.txt.
// Kinds 3 and 4 are coded with the unit's own nibble run-length writer.
// The blob is written byte by byte, so it is the same whatever the host's
// pointer size or byte order.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "ig_raster.h"
#include "u_rle.h"

namespace {

enum KIND { KIND_RLE = 3, KIND_RLE_TRANSPARENT = 4, KIND_IMAGE32_ICON = 5, KIND_IMAGE32 = 6 };

typedef struct tag_ICON_SPEC {
  std::string name;
  KIND kind;
  int w, h;
  int line;
  std::vector<std::vector<std::string>> commands;
  std::vector<int> commandLines;
} ICON_SPEC;

typedef struct tag_OUTPUT {
  std::string name;
  KIND kind;
  int w, h;
  size_t dataOffset, dataBytes;
  size_t maskOffset, maskBytes;  // kind 4: the transparent index
} OUTPUT;

std::string s_manifestPath;
int s_nLine = 0;

[[noreturn]] void Fail(const char* format, ...) {
  va_list args;
  va_start(args, format);
  fprintf(stderr, "%s:%d: ", s_manifestPath.c_str(), s_nLine);
  vfprintf(stderr, format, args);
  fprintf(stderr, "\n");
  va_end(args);
  exit(1);
}

// The words of a line; a line whose first word begins with '#' is a comment
// (colours begin with '#' too, but never come first).
std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) i++;
    if (i >= line.size() || (out.empty() && line[i] == '#')) break;
    size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t') j++;
    out.push_back(line.substr(i, j - i));
    i = j;
  }
  return out;
}

double Number(const std::string& s) {
  char* end = nullptr;
  const double v = strtod(s.c_str(), &end);
  if (end == s.c_str() || *end != '\0') Fail("not a number: %s", s.c_str());
  return v;
}

IG_RGBA Color(const std::string& s) {
  if (s.size() != 7 || s[0] != '#') Fail("not a colour #RRGGBB: %s", s.c_str());
  const unsigned long v = strtoul(s.c_str() + 1, nullptr, 16);
  return IG_RGBA{(uint8_t)(v >> 16), (uint8_t)(v >> 8), (uint8_t)v, 255};
}

IG_POINT Pair(const std::string& s) {
  const size_t comma = s.find(',');
  if (comma == std::string::npos) Fail("not a point x,y: %s", s.c_str());
  return {Number(s.substr(0, comma)), Number(s.substr(comma + 1))};
}

// ---------------------------------------------------------------------------
// The drawing state of one icon: design coordinates have their origin at the
// icon's centre and y upward; "xf" turns them clockwise and scales them.

typedef struct tag_DRAW {
  IG_CANVAS canvas;
  double angle = 0, scale = 1, dx = 0, dy = 0;
  IG_RGBA outline = {0, 0, 0, 0};
  int outlineRadius = 0;
} DRAW;

FT_Library s_library;
std::map<std::string, FT_Face> s_fonts;

IG_POINT ToPixel(const DRAW& d, IG_POINT p) {
  const double r = d.angle * M_PI / 180.0, c = cos(r), s = sin(r);
  const double x = (c * p.x + s * p.y) * d.scale + d.dx, y = (-s * p.x + c * p.y) * d.scale + d.dy;
  return {d.canvas.w / 2.0 + x, d.canvas.h / 2.0 - y};
}

IG_CONTOUR Transformed(const DRAW& d, const IG_CONTOUR& c) {
  IG_CONTOUR out;
  for (const IG_POINT& p : c) out.push_back(ToPixel(d, p));
  return out;
}

// Paints coverage with the current outline under it.
void Paint(DRAW* d, const std::vector<uint8_t>& coverage, IG_RGBA color) {
  if (d->outlineRadius > 0) {
    IG_vPaintCoverage(&d->canvas, IG_vDilate(d->canvas.w, d->canvas.h, coverage, d->outlineRadius), d->outline);
  }
  IG_vPaintCoverage(&d->canvas, coverage, color);
}

// Design-space contours, transformed, oriented and filled as one union.
void Fill(DRAW* d, const IG_PATH& design, IG_RGBA color) {
  IG_PATH path;
  for (const IG_CONTOUR& c : design) path.push_back(Transformed(*d, c));
  IG_vOrient(&path);
  Paint(d, IG_vCoverage(d->canvas.w, d->canvas.h, path), color);
}

IG_CONTOUR Ellipse(double x, double y, double rx, double ry) { return IG_contourEllipse(x, y, rx, ry); }

IG_CONTOUR Rect(double x, double y, double w, double h) { return {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}; }

IG_CONTOUR RoundRect(double x, double y, double w, double h, double r) {
  IG_CONTOUR c;
  const double cx[4] = {x + w - r, x + r, x + r, x + w - r}, cy[4] = {y + h - r, y + h - r, y + r, y + r};
  for (int q = 0; q < 4; q++) {
    for (int i = 0; i <= 8; i++) {
      const double t = (q * 90 + i * 90.0 / 8) * M_PI / 180.0;
      c.push_back({cx[q] + r * cos(t), cy[q] + r * sin(t)});
    }
  }
  return c;
}

// The thick polyline through pts as a union of segments and round joins.
IG_PATH Stroke(const std::vector<IG_POINT>& pts, double width, bool closed) {
  IG_PATH path;
  const size_t n = pts.size();
  for (size_t i = 0; i + (closed ? 0 : 1) < n; i++) path.push_back(IG_contourSegment(pts[i], pts[(i + 1) % n], width));
  for (const IG_POINT& p : pts) path.push_back(Ellipse(p.x, p.y, width / 2, width / 2));
  return path;
}

// A ring: the outer contour and the inner one reversed, which the nonzero
// rule leaves empty.
void FillRing(DRAW* d, double x, double y, double r, double t, IG_RGBA color) {
  IG_PATH outer = {Ellipse(x, y, r, r)}, inner = {Ellipse(x, y, r - t, r - t)};
  IG_vOrient(&outer);
  IG_vOrient(&inner);
  std::reverse(inner[0].begin(), inner[0].end());
  IG_PATH path = {Transformed(*d, outer[0]), Transformed(*d, inner[0])};
  Paint(d, IG_vCoverage(d->canvas.w, d->canvas.h, path), color);
}

// A glyph fitted into a size x size box centred on the design point.
void Glyph(DRAW* d, const std::string& font, unsigned long code, IG_RGBA color, double size, IG_POINT at,
           double rotate) {
  auto it = s_fonts.find(font);
  if (it == s_fonts.end()) Fail("unknown font %s", font.c_str());
  FT_Face face = it->second;
  const FT_UInt index = FT_Get_Char_Index(face, code);
  if (index == 0) Fail("font %s has no glyph U+%04lX", font.c_str(), code);
  if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE) != 0 || face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
    Fail("cannot load the outline of U+%04lX", code);
  }
  FT_Outline* outline = &face->glyph->outline;
  const double r = rotate * M_PI / 180.0;
  FT_BBox box;
  FT_Outline_Get_BBox(outline, &box);
  const double extent = (double)std::max(box.xMax - box.xMin, box.yMax - box.yMin);
  // Font units to 26.6 pixels, turned clockwise.
  const double k = size * 64.0 / extent;
  FT_Matrix m;
  m.xx = (FT_Fixed)lround(k * cos(r) * 65536.0);
  m.xy = (FT_Fixed)lround(k * sin(r) * 65536.0);
  m.yx = (FT_Fixed)lround(-k * sin(r) * 65536.0);
  m.yy = (FT_Fixed)lround(k * cos(r) * 65536.0);
  FT_Outline_Transform(outline, &m);
  FT_Outline_Get_BBox(outline, &box);
  const IG_POINT centre = ToPixel(*d, at);  // y downward
  const FT_Pos cx = (FT_Pos)lround(centre.x * 64.0), cy = (FT_Pos)lround((d->canvas.h - centre.y) * 64.0);
  FT_Outline_Translate(outline, cx - (box.xMin + box.xMax) / 2, cy - (box.yMin + box.yMax) / 2);

  std::vector<uint8_t> coverage((size_t)d->canvas.w * (size_t)d->canvas.h, 0);
  FT_Bitmap bitmap;
  memset(&bitmap, 0, sizeof bitmap);
  bitmap.rows = (unsigned)d->canvas.h;
  bitmap.width = (unsigned)d->canvas.w;
  bitmap.pitch = d->canvas.w;
  bitmap.buffer = coverage.data();
  bitmap.num_grays = 256;
  bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
  if (FT_Outline_Get_Bitmap(s_library, outline, &bitmap) != 0) Fail("cannot render U+%04lX", code);
  Paint(d, coverage, color);
}

// ---------------------------------------------------------------------------
// Composite symbols drawn by code: fish species and AIS ship families.

typedef struct tag_FISH {
  const char* name;
  double length, height;      // body half-axes
  double tailLength, tailHeight;
  double eye;                 // eye radius
  int dorsal;                 // 0 small, 1 spiny, 2 sail, 3 far back
  int stripes;                // 1 lateral band, 2 three lines, 3 vertical bars, 4 back bars
  int spots;                  // 1 back spots, 2 many spots, 3 tail spot
  bool snout, bill;
} FISH;

const FISH s_aFish[] = {
    {"generic", 6.5, 3.6, 3.6, 3.4, 0.9, 0, 0, 0, false, false},
    {"bass", 6.6, 3.9, 3.4, 3.4, 0.9, 1, 1, 0, false, false},
    {"trout", 7.0, 3.0, 3.4, 3.0, 0.8, 0, 0, 1, false, false},
    {"walleye", 7.0, 3.0, 3.4, 3.0, 1.5, 1, 0, 0, false, false},
    {"pike", 8.2, 2.2, 3.0, 2.6, 0.8, 3, 0, 0, true, false},
    {"perch", 6.2, 3.8, 3.2, 3.2, 0.9, 1, 3, 0, false, false},
    {"crappie", 5.6, 4.3, 3.2, 3.4, 0.9, 1, 0, 2, false, false},
    {"striper", 7.0, 3.2, 3.4, 3.2, 0.8, 0, 2, 0, false, false},
    {"redfish", 7.0, 3.4, 3.4, 3.2, 0.8, 0, 0, 3, false, false},
    {"sailfish", 7.0, 2.3, 3.2, 3.4, 0.8, 2, 0, 0, false, true},
    {"mackerel", 7.0, 2.8, 3.4, 3.4, 0.8, 0, 4, 0, false, false},
    {"panfish", 5.0, 4.6, 3.0, 3.2, 0.9, 1, 0, 0, false, false},
};

void Fish(DRAW* d, const std::string& species, IG_RGBA body, IG_RGBA feature) {
  const FISH* f = nullptr;
  for (const FISH& candidate : s_aFish) {
    if (species == candidate.name) f = &candidate;
  }
  if (f == nullptr) Fail("unknown fish %s", species.c_str());
  const double cx = 1.6, L = f->length, H = f->height;
  const double back = cx - L + 0.8;
  IG_PATH shape = {Ellipse(cx, 0, L, H)};
  shape.push_back({{back + 0.6, 0}, {back - f->tailLength, f->tailHeight}, {back - f->tailLength + 1.3, 0},
                   {back - f->tailLength, -f->tailHeight}});
  if (f->snout) shape.push_back({{cx + L - 1.5, 0.9}, {cx + L + 1.6, 0.1}, {cx + L - 1.5, -0.9}});
  if (f->bill) shape.push_back(IG_contourSegment({cx + L - 1, 0.2}, {cx + L + 3.2, 0.2}, 0.8));
  switch (f->dorsal) {
    case 0: shape.push_back({{cx - 2.2, H - 0.6}, {cx - 0.6, H + 2.0}, {cx + 1.6, H - 0.4}}); break;
    case 1:
      shape.push_back({{cx - 3.2, H - 0.8}, {cx - 2.6, H + 2.0}, {cx - 1.4, H + 1.4}, {cx - 0.4, H + 2.1},
                       {cx + 1.6, H - 0.4}});
      break;
    case 2: shape.push_back({{cx - 4.5, H - 0.5}, {cx - 3.0, H + 5.2}, {cx + 0.5, H + 4.6}, {cx + 3.5, H - 0.3}}); break;
    default: shape.push_back({{back + 0.6, 0.8}, {back + 1.6, H + 1.6}, {back + 3.0, 1.2}}); break;
  }
  Fill(d, shape, body);

  // Markings cut into the body in the feature colour.
  IG_PATH marks;
  const int radius = d->outlineRadius;
  d->outlineRadius = 0;
  switch (f->stripes) {
    case 1: marks.push_back(IG_contourSegment({cx - L + 2.5, -0.2}, {cx + L - 3.5, -0.2}, 1.1)); break;
    case 2:
      for (double y : {-1.5, 0.0, 1.5}) marks.push_back(IG_contourSegment({cx - L + 2.2, y}, {cx + L - 3.4, y}, 0.6));
      break;
    case 3:
      for (double x : {-2.4, 0.0, 2.4}) marks.push_back(IG_contourSegment({cx + x, H - 0.8}, {cx + x, -H + 1.3}, 1.0));
      break;
    case 4:
      for (double x : {-3.0, -1.0, 1.0}) marks.push_back(IG_contourSegment({cx + x, H - 0.5}, {cx + x + 1.0, 0.6}, 0.7));
      break;
    default: break;
  }
  switch (f->spots) {
    case 1:
      for (double x : {-3.5, -1.5, 0.5, 2.5}) marks.push_back(Ellipse(cx + x, 1.1 + (x < 0 ? 0.3 : 0), 0.55, 0.55));
      break;
    case 2:
      for (int i = 0; i < 6; i++) marks.push_back(Ellipse(cx - 3 + 1.6 * (i % 4), (i < 4 ? 1.3 : -1.0), 0.55, 0.55));
      break;
    case 3: marks.push_back(Ellipse(back + 2.0, 0.4, 1.1, 1.1)); break;
    default: break;
  }
  marks.push_back(Ellipse(cx + L - 2.4, 0.8, f->eye, f->eye));
  Fill(d, marks, feature);
  d->outlineRadius = radius;
}

// AIS ship families in a box of unit size (u across, v along, bow at v 0.5),
// the hull in the fill colour and markings in white.
void Ship(DRAW* d, const std::string& family, IG_RGBA fill) {
  const IG_CONTOUR cargo = {{0, 0.5},      {0.22, 0.26},  {0.28, 0},     {0.26, -0.42}, {0.18, -0.5},
                            {-0.18, -0.5}, {-0.26, -0.42}, {-0.28, 0}, {-0.22, 0.26}};
  const IG_CONTOUR shortHull = {{0, 0.5},     {0.3, 0.24},    {0.36, 0},   {0.34, -0.24}, {0.24, -0.32},
                                {-0.24, -0.32}, {-0.34, -0.24}, {-0.36, 0}, {-0.3, 0.24}};
  const IG_CONTOUR slim = {{0, 0.5}, {0.17, 0.2}, {0.2, -0.1}, {0.12, -0.5}, {-0.12, -0.5}, {-0.2, -0.1}, {-0.17, 0.2}};
  const IG_CONTOUR triangle = {{0, 0.5}, {0.36, -0.5}, {0, -0.3}, {-0.36, -0.5}};
  IG_CONTOUR hull = cargo;
  IG_PATH marks;
  if (family == "cargo") {
    marks.push_back({{-0.13, 0.02}, {0.13, 0.02}, {0.13, -0.36}, {-0.13, -0.36}});
  } else if (family == "passenger") {
    marks.push_back({{-0.3, 0.04}, {0.3, 0.04}, {0.3, -0.1}, {-0.3, -0.1}});
  } else if (family == "tug") {
    hull = shortHull;
    marks.push_back(Ellipse(0, -0.02, 0.13, 0.13));
  } else if (family == "tow") {
    hull = shortHull;
    marks.push_back(IG_contourSegment({0, -0.2}, {0, -0.5}, 0.09));
  } else if (family == "law") {
    marks.push_back({{0, 0.1}, {0.17, -0.12}, {0, -0.34}, {-0.17, -0.12}});
  } else if (family == "sail") {
    hull = slim;
    marks.push_back({{0.0, 0.32}, {0.05, -0.36}, {0.42, -0.24}});
  } else if (family == "dredge") {
    marks.push_back(IG_contourSegment({-0.14, -0.36}, {0.14, 0.16}, 0.1));
    marks.push_back(Ellipse(0.14, 0.16, 0.08, 0.08));
  } else if (family == "unknown") {
    hull = triangle;
  } else {
    Fail("unknown ship family %s", family.c_str());
  }
  const double su = d->canvas.w - 3, sv = d->canvas.h - 3;
  auto place = [&](const IG_CONTOUR& c) {
    IG_CONTOUR out;
    for (const IG_POINT& p : c) out.push_back({p.x * su, p.y * sv});
    return out;
  };
  Fill(d, {place(hull)}, fill);
  if (marks.empty()) return;
  IG_PATH placed;
  for (const IG_CONTOUR& c : marks) placed.push_back(place(c));
  const int radius = d->outlineRadius;
  d->outlineRadius = 0;
  Fill(d, placed, IG_RGBA{255, 255, 255, 255});
  d->outlineRadius = radius;
}

// ---------------------------------------------------------------------------

void Need(const std::vector<std::string>& c, size_t n) {
  if (c.size() < n) Fail("%s needs %zu arguments", c[0].c_str(), n - 1);
}

std::vector<IG_POINT> Points(const std::vector<std::string>& c, size_t from) {
  std::vector<IG_POINT> pts;
  for (size_t i = from; i < c.size(); i++) pts.push_back(Pair(c[i]));
  if (pts.size() < 2) Fail("%s needs points", c[0].c_str());
  return pts;
}

void Run(DRAW* d, const std::vector<std::string>& c) {
  const std::string& verb = c[0];
  const double half = std::min(d->canvas.w, d->canvas.h) / 2.0;
  if (verb == "bg") {
    Need(c, 2);
    for (IG_RGBA& p : d->canvas.pixels) p = d->canvas.bIndexed ? IG_rgbaIconColor(IG_nNearestIconColor(Color(c[1]))) : Color(c[1]);
  } else if (verb == "xf") {
    Need(c, 3);
    d->angle = Number(c[1]);
    d->scale = Number(c[2]);
    d->dx = c.size() > 3 ? Number(c[3]) : 0;
    d->dy = c.size() > 4 ? Number(c[4]) : 0;
  } else if (verb == "outline") {
    Need(c, 2);
    if (c[1] == "none") {
      d->outlineRadius = 0;
    } else {
      Need(c, 3);
      d->outline = Color(c[1]);
      d->outlineRadius = (int)Number(c[2]);
    }
  } else if (verb == "disc") {
    // The round plate of the waypoint symbols: a dark rim and the colour.
    Need(c, 2);
    Fill(d, {Ellipse(0, 0, half - 0.4, half - 0.4)}, IG_RGBA{28, 28, 28, 255});
    Fill(d, {Ellipse(0, 0, half - 1.6, half - 1.6)}, Color(c[1]));
  } else if (verb == "circle") {
    Need(c, 5);
    Fill(d, {Ellipse(Number(c[2]), Number(c[3]), Number(c[4]), Number(c[4]))}, Color(c[1]));
  } else if (verb == "ellipse") {
    Need(c, 6);
    Fill(d, {Ellipse(Number(c[2]), Number(c[3]), Number(c[4]), Number(c[5]))}, Color(c[1]));
  } else if (verb == "ring") {
    Need(c, 6);
    FillRing(d, Number(c[2]), Number(c[3]), Number(c[4]), Number(c[5]), Color(c[1]));
  } else if (verb == "rect") {
    Need(c, 6);
    Fill(d, {Rect(Number(c[2]), Number(c[3]), Number(c[4]), Number(c[5]))}, Color(c[1]));
  } else if (verb == "rrect") {
    Need(c, 7);
    Fill(d, {RoundRect(Number(c[2]), Number(c[3]), Number(c[4]), Number(c[5]), Number(c[6]))}, Color(c[1]));
  } else if (verb == "poly") {
    Need(c, 5);
    Fill(d, {Points(c, 2)}, Color(c[1]));
  } else if (verb == "line" || verb == "stroke") {
    Need(c, 5);
    Fill(d, Stroke(Points(c, 3), Number(c[2]), verb == "stroke"), Color(c[1]));
  } else if (verb == "glyph") {
    // glyph FONT:HEX COLOUR SIZE [x,y] [rotation]
    Need(c, 4);
    const size_t colon = c[1].find(':');
    if (colon == std::string::npos) Fail("glyph wants FONT:HEX");
    const IG_POINT at = c.size() > 4 ? Pair(c[4]) : IG_POINT{0, 0};
    Glyph(d, c[1].substr(0, colon), strtoul(c[1].c_str() + colon + 1, nullptr, 16), Color(c[2]), Number(c[3]), at,
          c.size() > 5 ? Number(c[5]) : 0);
  } else if (verb == "fish") {
    Need(c, 4);
    Fish(d, c[1], Color(c[2]), Color(c[3]));
  } else if (verb == "ship") {
    Need(c, 3);
    Ship(d, c[1], Color(c[2]));
  } else if (verb == "slash") {
    // The bar of a prohibition across a plate.
    Need(c, 2);
    const double r = half - 3.2;
    Fill(d, {IG_contourSegment({-r * 0.72, r * 0.72}, {r * 0.72, -r * 0.72}, 2.6)}, Color(c[1]));
  } else {
    Fail("unknown command %s", verb.c_str());
  }
}

std::vector<ICON_SPEC> ReadManifest(const std::string& path) {
  FILE* f = fopen(path.c_str(), "r");
  if (f == nullptr) Fail("cannot open the manifest");
  std::vector<ICON_SPEC> specs;
  std::map<std::string, std::string> names;
  char buffer[4096];
  while (fgets(buffer, sizeof buffer, f) != nullptr) {
    s_nLine++;
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::vector<std::string> words = Split(line);
    if (words.empty()) continue;
    if (words[0] == "let") {
      if (words.size() != 3) Fail("let NAME VALUE");
      names["$" + words[1]] = words[2];
      continue;
    }
    for (std::string& w : words) {
      if (w[0] == '$') {
        if (!names.count(w)) Fail("unknown name %s", w.c_str());
        w = names[w];
      }
    }
    if (line[0] != ' ' && line[0] != '\t') {
      if (words.size() != 3) Fail("icon header wants: name kind WxH");
      ICON_SPEC icon;
      icon.name = words[0];
      icon.line = s_nLine;
      if (words[1] == "3") {
        icon.kind = KIND_RLE;
      } else if (words[1] == "4") {
        icon.kind = KIND_RLE_TRANSPARENT;
      } else if (words[1] == "5") {
        icon.kind = KIND_IMAGE32_ICON;
      } else if (words[1] == "image") {
        icon.kind = KIND_IMAGE32;
      } else {
        Fail("kind must be 3, 4, 5 or image");
      }
      if (sscanf(words[2].c_str(), "%dx%d", &icon.w, &icon.h) != 2 || icon.w <= 0 || icon.h <= 0 || icon.w > 800 ||
          icon.h > 480) {
        Fail("bad size %s", words[2].c_str());
      }
      for (const ICON_SPEC& s : specs) {
        if (s.name == icon.name) Fail("%s appears twice", icon.name.c_str());
      }
      specs.push_back(icon);
    } else {
      if (specs.empty()) Fail("a command before the first icon");
      specs.back().commands.push_back(words);
      specs.back().commandLines.push_back(s_nLine);
    }
  }
  fclose(f);
  return specs;
}

void Align(std::vector<uint8_t>* blob) {
  while (blob->size() % 4) blob->push_back(0);
}

void Encode(const ICON_SPEC& icon, const IG_CANVAS& canvas, std::vector<uint8_t>* blob, OUTPUT* out) {
  Align(blob);
  out->dataOffset = blob->size();
  out->maskOffset = 0;
  out->maskBytes = 0;
  if (icon.kind == KIND_IMAGE32 || icon.kind == KIND_IMAGE32_ICON) {
    // Bottom row first; invisible pixels are all zero, never a run unit.
    for (int y = canvas.h - 1; y >= 0; y--) {
      for (int x = 0; x < canvas.w; x++) {
        const IG_RGBA p = canvas.pixels[(size_t)y * (size_t)canvas.w + (size_t)x];
        if (p.a == 0) {
          blob->insert(blob->end(), {0, 0, 0, 0});
        } else {
          blob->insert(blob->end(), {p.r, p.g, p.b, p.a});
        }
      }
    }
    out->dataBytes = blob->size() - out->dataOffset;
    return;
  }

  bool used[16] = {false};
  for (const IG_RGBA& p : canvas.pixels) {
    if (p.a == 255) used[IG_nNearestIconColor(p)] = true;
    if (icon.kind == KIND_RLE && p.a != 255) Fail("%s: kind 3 has no transparency, but a pixel is not opaque", icon.name.c_str());
  }
  int transparent = 0;
  while (transparent < 16 && used[transparent]) transparent++;
  if (icon.kind == KIND_RLE_TRANSPARENT && transparent == 16) Fail("%s uses all 16 colours", icon.name.c_str());

  // Top row first, two pixels a byte.
  const size_t count = canvas.pixels.size();
  std::vector<uint8_t> nibbles((count + 1) / 2, 0);
  for (size_t i = 0; i < count; i++) {
    const IG_RGBA p = canvas.pixels[i];
    const int v = p.a == 255 ? IG_nNearestIconColor(p) : transparent;
    nibbles[i / 2] = (uint8_t)(nibbles[i / 2] | (v << ((i & 1) ? 0 : 4)));
  }
  std::vector<uint8_t> coded(nibbles.size());
  int n = U_RLE_NIBBLE_nCompress(nibbles.data(), coded.data(), (int)nibbles.size());
  if (n < 0) {
    // A picture too busy to pay is coded with a long run of padding after
    // it, which its reader never reaches.
    std::vector<uint8_t> padded = nibbles;
    padded.resize(nibbles.size() + nibbles.size() / 4 + 64, 0);
    coded.assign(padded.size(), 0);
    n = U_RLE_NIBBLE_nCompress(padded.data(), coded.data(), (int)padded.size());
    if (n < 0 || !U_RLE_NIBBLE_bVerify(padded.data(), coded.data(), (int)padded.size())) Fail("%s: cannot code", icon.name.c_str());
  } else if (!U_RLE_NIBBLE_bVerify(nibbles.data(), coded.data(), (int)nibbles.size())) {
    Fail("%s: the coding does not verify", icon.name.c_str());
  }
  blob->insert(blob->end(), coded.begin(), coded.begin() + n);
  out->dataBytes = (size_t)n;
  if (icon.kind == KIND_RLE_TRANSPARENT) {
    out->maskOffset = blob->size();
    out->maskBytes = 1;
    blob->push_back((uint8_t)transparent);
  }
}

bool WriteFile(const std::string& path, const std::string& text) {
  FILE* f = fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
  return fclose(f) == 0 && ok;
}

std::string Format(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

void WriteOutputs(const std::string& dir, const std::vector<OUTPUT>& outs, const std::vector<uint8_t>& blob) {
  std::string bin(blob.begin(), blob.end());
  std::string header =
      "// Generated by icongen from the icon manifest: do not edit.\n"
      "#pragma once\n\n#include \"g_icon.h\"\n#include \"g_image32.h\"\n\n"
      "// One icon or image of the set, with the sizes of its data for checks.\n"
      "typedef struct tag_ICONSET_ENTRY {\n"
      "  const char* pcName;\n"
      "  const ICON* pIcon;        // null for an image\n"
      "  const IMAGE32* pImage32;  // null for an icon\n"
      "  U32 u32DataBytes;\n"
      "  U32 u32MaskBytes;  // 1 for a transparent index\n"
      "} ICONSET_ENTRY;\n\n";
  header += Format("constexpr U32 G_ICONSET_COUNT = %zu;\n", outs.size());
  header += "extern const ICONSET_ENTRY g_aIconSet[G_ICONSET_COUNT];\n\n";
  std::string source =
      "// Generated by icongen from the icon manifest: do not edit.\n"
      "#include \"g_iconset.h\"\n\n"
      "// The icon data, embedded from g_iconset.bin.\n"
      "extern \"C\" const U8 g_au8IconSetData[];\n\n";
  const char* kinds[] = {"", "", "", "ICON_RLE_BUFFERS", "ICON_RLE_TRANSPARENT_COLOR", "ICON_PNG_IMAGE32"};
  for (const OUTPUT& o : outs) {
    if (o.kind == KIND_IMAGE32) {
      header += Format("extern const IMAGE32 %s;\n", o.name.c_str());
      source += Format("const IMAGE32 %s = {g_au8IconSetData + %zu, nullptr, %d, %d, ICON_PNG_IMAGE32};\n",
                       o.name.c_str(), o.dataOffset, o.w, o.h);
    } else {
      header += Format("extern const ICON %s;\n", o.name.c_str());
      const std::string mask = o.maskBytes ? Format("g_au8IconSetData + %zu", o.maskOffset) : std::string("nullptr");
      source += Format("const ICON %s = {g_au8IconSetData + %zu, %s, %d, %d, %s};\n", o.name.c_str(), o.dataOffset,
                       mask.c_str(), o.w, o.h, kinds[o.kind]);
    }
  }
  source += "\nconst ICONSET_ENTRY g_aIconSet[G_ICONSET_COUNT] = {\n";
  for (const OUTPUT& o : outs) {
    const bool image = o.kind == KIND_IMAGE32;
    source += Format("    {\"%s\", %s%s, %s%s, %zu, %zu},\n", o.name.c_str(), image ? "nullptr" : "&",
                     image ? "" : o.name.c_str(), image ? "&" : "nullptr", image ? o.name.c_str() : "", o.dataBytes,
                     o.maskBytes);
  }
  source += "};\n";
  const std::string assembly =
      "/* Generated by icongen: the icon data. */\n"
      "  .section .rodata\n"
      "  .balign 4\n"
      "  .globl g_au8IconSetData\n"
      "  .type g_au8IconSetData, %object\n"
      "g_au8IconSetData:\n"
      "  .incbin \"" + dir + "/g_iconset.bin\"\n"
      "  .size g_au8IconSetData, . - g_au8IconSetData\n"
      "  .section .note.GNU-stack,\"\",%progbits\n";
  if (!WriteFile(dir + "/g_iconset.bin", bin) || !WriteFile(dir + "/g_iconset.h", header) ||
      !WriteFile(dir + "/g_iconset.cpp", source) || !WriteFile(dir + "/g_iconset.S", assembly)) {
    fprintf(stderr, "icongen: cannot write into %s\n", dir.c_str());
    exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: icongen MANIFEST OUTDIR FONT=PATH...\n");
    return 2;
  }
  s_manifestPath = argv[1];
  const std::string dir = argv[2];
  if (FT_Init_FreeType(&s_library) != 0) Fail("FreeType does not start");
  for (int i = 3; i < argc; i++) {
    const char* eq = strchr(argv[i], '=');
    if (eq == nullptr) Fail("font argument wants NAME=PATH: %s", argv[i]);
    FT_Face face;
    if (FT_New_Face(s_library, eq + 1, 0, &face) != 0) Fail("cannot open font %s", eq + 1);
    s_fonts[std::string(argv[i], (size_t)(eq - argv[i]))] = face;
  }

  const std::vector<ICON_SPEC> specs = ReadManifest(s_manifestPath);
  std::vector<uint8_t> blob;
  std::vector<OUTPUT> outs;
  for (const ICON_SPEC& icon : specs) {
    DRAW d;
    IG_vInitCanvas(&d.canvas, icon.w, icon.h, icon.kind == KIND_RLE || icon.kind == KIND_RLE_TRANSPARENT);
    for (size_t i = 0; i < icon.commands.size(); i++) {
      s_nLine = icon.commandLines[i];
      Run(&d, icon.commands[i]);
    }
    s_nLine = icon.line;
    OUTPUT out;
    out.name = icon.name;
    out.kind = icon.kind;
    out.w = icon.w;
    out.h = icon.h;
    Encode(icon, d.canvas, &blob, &out);
    outs.push_back(out);
  }
  WriteOutputs(dir, outs, blob);

  for (auto& font : s_fonts) FT_Done_Face(font.second);
  FT_Done_FreeType(s_library);
  return 0;
}
