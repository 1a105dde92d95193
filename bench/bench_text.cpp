// Text drawing: a 40-character line at size 17 with warm and with empty
// caches, and a screen of 30 such lines, in glyphs per second. Each is set
// against FreeType rendering the same glyphs itself (load and render, no
// cache), timed in the same loop, ours and FreeType's in turn:
// x_freetype is our glyph rate over FreeType's. Every line lies wholly on
// the bitmap, and each benchmark first checks that every glyph it counts
// puts pixels on it.

#include <benchmark/benchmark.h>
#include <string.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <string>

#include "bench_timing.h"
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
constexpr int kScreenLines = 30;
// Lines 15 rows apart from the top one down; size 17 reaches about 17 rows
// above its baseline and 5 below, so all 30 stay on a 480-row bitmap.
constexpr PIXEL kTopBaseline = 450;
constexpr PIXEL kLineStep = 15;

// The characters that are not spaces: each is one glyph drawn.
int GlyphsPerLine() { return (int)std::count_if(kLine, kLine + sizeof kLine - 1, [](char c) { return c != ' '; }); }

void DrawLine(BITMAP* pBitmap, const char* pText, int line) {
  POINT at = {4, kTopBaseline - kLineStep * line};
  G_TRUETYPE_M_vPut(pBitmap, pText, &at, 0xFFFF, myriad_pro_size17_font_def_ptr);
}

void DrawLines(BITMAP* pBitmap, int lines) {
  for (int i = 0; i < lines; i++) DrawLine(pBitmap, kLine, i);
}

size_t LitPixels(const BITMAP* pBitmap) {
  const COLOR* p = (const COLOR*)pBitmap->pBuffer;
  return (size_t)std::count_if(p, p + (size_t)pBitmap->__u32PixelWidthOfBuffer * pBitmap->pixels_high_full_screen,
                               [](COLOR c) { return c != 0; });
}

// The glyphs of `lines` lines that put pixels on the bitmap: each line is
// drawn alone, one more character at a time, and a glyph counts when it
// lights more pixels than the text before it.
int DrawnGlyphs(BITMAP* pBitmap, int lines) {
  int drawn = 0;
  for (int line = 0; line < lines; line++) {
    size_t before = 0;
    for (size_t n = 1; n <= sizeof kLine - 1; n++) {
      char prefix[sizeof kLine] = {};
      memcpy(prefix, kLine, n);
      G_BMP_vSet(pBitmap, 0);
      DrawLine(pBitmap, prefix, line);
      const size_t lit = LitPixels(pBitmap);
      if (kLine[n - 1] != ' ' && lit > before) drawn++;
      before = lit;
    }
  }
  return drawn;
}

// FreeType on its own: the regular face at the pixel size of size 17.
struct FREETYPE_PEER {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  FREETYPE_PEER() {
    FT_Init_FreeType(&library);
    FT_New_Memory_Face(library, MyriadPro_Regular_QXcoding.pu8TTFdata,
                       (FT_Long)MyriadPro_Regular_QXcoding.u32MaxWidth, 0, &face);
    FT_Set_Pixel_Sizes(face, 0, 17 * 60 / 44);
  }
  ~FREETYPE_PEER() {
    FT_Done_Face(face);
    FT_Done_FreeType(library);
  }
  void RenderLines(int lines) {
    for (int i = 0; i < lines; i++) {
      for (const char* p = kLine; *p != 0; p++) {
        if (*p != ' ') FT_Load_Char(face, (FT_ULong)(unsigned char)*p, FT_LOAD_RENDER);
      }
    }
  }
};

// Draws `lines` lines per iteration against FreeType rendering as many
// glyphs; emptyCaches starts every drawing of ours from closed faces.
void RunLines(benchmark::State& state, int lines, bool emptyCaches) {
  BITMAP* pBitmap = G_BUFFERS_pCreateBitmap(800, 480, nullptr, nullptr);
  const int glyphs = GlyphsPerLine() * lines;
  const int drawn = DrawnGlyphs(pBitmap, lines);
  if (drawn != glyphs) {
    state.SkipWithError(("only " + std::to_string(drawn) + " of " + std::to_string(glyphs) + " glyphs are drawn").c_str());
  }
  FREETYPE_PEER peer;
  BENCH_PAIR pair;
  DrawLines(pBitmap, lines);
  for (auto _ : state) {
    if (emptyCaches) G_TRUETYPE_bInit();  // outside the timing: empty caches, faces closed
    BENCH_dTimePair(state, &pair, [&] { DrawLines(pBitmap, lines); }, [&] { peer.RenderLines(lines); });
  }
  const double total = (double)glyphs * (double)state.iterations();
  if (pair.dOurs > 0 && pair.dPeer > 0) {
    state.counters["glyphs_per_s"] = total / pair.dOurs;
    state.counters["freetype_glyphs_per_s"] = total / pair.dPeer;
    state.counters["x_freetype"] = pair.dPeer / pair.dOurs;  // (our rate) / (FreeType's rate)
  }
  G_BUFFERS_vFreeBitmap(pBitmap);
}

void BM_LineWarm(benchmark::State& state) { RunLines(state, 1, false); }
BENCHMARK(BM_LineWarm)->UseManualTime();

void BM_LineCold(benchmark::State& state) { RunLines(state, 1, true); }
BENCHMARK(BM_LineCold)->UseManualTime()->Iterations(50);

void BM_ScreenOf30Lines(benchmark::State& state) { RunLines(state, kScreenLines, false); }
BENCHMARK(BM_ScreenOf30Lines)->UseManualTime();

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
