// Text drawing: a 40-character line at size 17 with warm and with empty
// caches, and a screen of 30 such lines, in glyphs per second. Each is set
// against FreeType rendering the same glyphs itself (load and render, no
// cache) timed in the same run: x_freetype is our glyph rate over FreeType's.

#include <benchmark/benchmark.h>
#include <time.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

#include "g_bmp.h"
#include "g_buffers.h"
#include "g_fonts.h"
#include "g_truetype.h"
#include "h_database.h"
#include "test_tasks.h"
#include "u_wstring.h"

namespace {

const char kLine[] = "Depth 12.5 m  Water 18.4 C  Speed 6.2 kn";
static_assert(sizeof kLine - 1 == 40);
constexpr int kGlyphsPerLine = 35;  // the characters that are not spaces
constexpr int kScreenLines = 30;

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

// Glyphs per second of FreeType loading and rendering the line's glyphs in
// the regular face at the pixel size of size 17.
double FreeTypeGlyphRate() {
  FT_Library library;
  FT_Face face;
  FT_Init_FreeType(&library);
  FT_New_Memory_Face(library, MyriadPro_Regular_QXcoding.pu8TTFdata, (FT_Long)MyriadPro_Regular_QXcoding.u32MaxWidth,
                     0, &face);
  FT_Set_Pixel_Sizes(face, 0, 17 * 60 / 44);
  int glyphs = 0;
  const double start = Now();
  while (Now() - start < 0.2) {
    for (const char* p = kLine; *p != 0; p++) {
      if (*p == ' ') continue;
      FT_Load_Char(face, (FT_ULong)(unsigned char)*p, FT_LOAD_RENDER);
      glyphs++;
    }
  }
  const double rate = glyphs / (Now() - start);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return rate;
}

void Report(benchmark::State& state, double glyphs) {
  static const double s_dFreeType = FreeTypeGlyphRate();
  state.counters["glyphs_per_s"] = benchmark::Counter(glyphs, benchmark::Counter::kIsRate);
  state.counters["freetype_glyphs_per_s"] = s_dFreeType;
  state.counters["x_freetype"] =
      benchmark::Counter(glyphs / s_dFreeType, benchmark::Counter::kIsRate);  // (our rate) / (FreeType's rate)
}

void DrawLines(BITMAP* pBitmap, int lines) {
  for (int i = 0; i < lines; i++) {
    POINT at = {4, 462 - 15 * i};
    G_TRUETYPE_M_vPut(pBitmap, kLine, &at, 0xFFFF, myriad_pro_size17_font_def_ptr);
  }
}

void BM_LineWarm(benchmark::State& state) {
  BITMAP* pBitmap = G_BUFFERS_pCreateBitmap(800, 480, nullptr, nullptr);
  DrawLines(pBitmap, 1);
  for (auto _ : state) DrawLines(pBitmap, 1);
  Report(state, (double)state.iterations() * kGlyphsPerLine);
  G_BUFFERS_vFreeBitmap(pBitmap);
}
BENCHMARK(BM_LineWarm);

void BM_LineCold(benchmark::State& state) {
  BITMAP* pBitmap = G_BUFFERS_pCreateBitmap(800, 480, nullptr, nullptr);
  for (auto _ : state) {
    state.PauseTiming();
    G_TRUETYPE_bInit();  // empty caches, faces closed
    state.ResumeTiming();
    DrawLines(pBitmap, 1);
  }
  Report(state, (double)state.iterations() * kGlyphsPerLine);
  G_BUFFERS_vFreeBitmap(pBitmap);
}
BENCHMARK(BM_LineCold)->Iterations(50);

void BM_ScreenOf30Lines(benchmark::State& state) {
  BITMAP* pBitmap = G_BUFFERS_pCreateBitmap(800, 480, nullptr, nullptr);
  DrawLines(pBitmap, kScreenLines);
  for (auto _ : state) DrawLines(pBitmap, kScreenLines);
  Report(state, (double)state.iterations() * kGlyphsPerLine * kScreenLines);
  G_BUFFERS_vFreeBitmap(pBitmap);
}
BENCHMARK(BM_ScreenOf30Lines);

}  // namespace

int main(int argc, char** argv) {
  TEST_vInitServiceLayer();
  H_DATABASE_vInit();
  U_WSTRING_vUpdateCurrentLanguage();
  if (!G_TRUETYPE_bInit()) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
