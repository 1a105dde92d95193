// The card task's picture loading against libpng and libspng on the same
// 800 x 480 files (photo-like, libpng's encoder, one row filter each, and its
// adaptive choice), each peer decoding row by row and converting to RGB565
// the same way. Two measures: the full load from a file into a bitmap, and
// the decode alone from bytes in memory. Counters: milliseconds of each, our
// time over each peer's, and the heap bytes our load works in besides the
// bitmap.

#include <benchmark/benchmark.h>
#include <png.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#if VELMORA_SPNG
#include <spng.h>
#endif

#include "bench_timing.h"
#include "g_buffers.h"
#include "h_memory.h"
#include "png_peers.h"
#include "t_mmc.h"
#include "test_process.h"

namespace {

constexpr U32 W = 800, H = 480;
const int kFilters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH, -1};
const char* const kFilterNames[] = {"none", "sub", "up", "average", "paeth", "adaptive"};

struct IMAGE {
  std::vector<U8> bytes;
  std::string path;
};

const IMAGE& Image(int filter) {
  static std::vector<IMAGE> s_images;
  if (s_images.empty()) {
    const std::string dir = TEST_MakeTempDir("velmora-bench-png");
    const std::vector<U8> rgb = PNGT_Photo(W, H, 1);
    for (int i = 0; i < 6; i++) {
      PNGT_OPTIONS options;
      options.nFilters = kFilters[i];
      IMAGE image{PNGT_Encode(W, H, rgb, options), dir + "/" + kFilterNames[i] + ".PNG"};
      PNGT_vWriteFile(image.path, image.bytes);
      s_images.push_back(image);
    }
  }
  return s_images[(size_t)filter];
}

void PutRow(const BITMAP* b, U32 y, const U8* rgb) {
  COLOR* row = (COLOR*)b->pBuffer + (size_t)y * b->__u32PixelWidthOfBuffer;
  for (U32 x = 0; x < W; x++) {
    row[x] = (COLOR)(((rgb[3 * x] & 0xF8) << 8) | ((rgb[3 * x + 1] & 0xFC) << 3) | (rgb[3 * x + 2] >> 3));
  }
}

// libpng, row by row, from a file or from memory.
struct MEMORY_SOURCE {
  const U8* p;
  size_t left;
};
void ReadMemory(png_structp png, png_bytep out, size_t n) {
  MEMORY_SOURCE* s = (MEMORY_SOURCE*)png_get_io_ptr(png);
  if (n > s->left) png_error(png, "short");
  memcpy(out, s->p, n);
  s->p += n;
  s->left -= n;
}

void LibpngDecode(const IMAGE& image, bool bFromFile, const BITMAP* b) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  FILE* file = nullptr;
  MEMORY_SOURCE source = {image.bytes.data(), image.bytes.size()};
  static U8 s_row[W * 3];
  if (setjmp(png_jmpbuf(png)) == 0) {
    if (bFromFile) {
      file = fopen(image.path.c_str(), "rb");
      png_init_io(png, file);
    } else {
      png_set_read_fn(png, &source, ReadMemory);
    }
    png_read_info(png, info);
    for (U32 y = 0; y < H; y++) {
      png_read_row(png, s_row, nullptr);
      PutRow(b, y, s_row);
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (file != nullptr) fclose(file);
}

void SpngDecode(const IMAGE& image, bool bFromFile, const BITMAP* b) {
#if VELMORA_SPNG
  spng_ctx* ctx = spng_ctx_new(0);
  FILE* file = nullptr;
  if (bFromFile) {
    file = fopen(image.path.c_str(), "rb");
    spng_set_png_file(ctx, file);
  } else {
    spng_set_png_buffer(ctx, image.bytes.data(), image.bytes.size());
  }
  static U8 s_row[W * 3];
  if (spng_decode_image(ctx, nullptr, 0, SPNG_FMT_RGB8, SPNG_DECODE_PROGRESSIVE) == 0) {
    for (U32 y = 0; y < H && spng_decode_row(ctx, s_row, sizeof s_row) != SPNG_EOI; y++) PutRow(b, y, s_row);
  }
  spng_ctx_free(ctx);
  if (file != nullptr) fclose(file);
#else
  (void)image, (void)bFromFile, (void)b;
#endif
}

void OursFullLoad(const IMAGE& image, BITMAP* b) {
  char* name = (char*)H_MEMORY_pvMalloc((U32)image.path.size() + 1);
  memcpy(name, image.path.c_str(), image.path.size() + 1);
  std::atomic<U32> latest{1};
  T_MMC_vReadBMP16(name, b, 1, &latest);
}

void OursDecode(const IMAGE& image, BITMAP* b) {
  FILE* stream = fmemopen((void*)image.bytes.data(), image.bytes.size(), "rb");
  BUFFERED_IO_CONTROL control;
  U_MMC_bBufferedIO(INITIALIZE_READ, &control, nullptr, U_MMC_DEFAULT_BUFFER, stream);
  T_MMC_ePngDecode(&control, b, W, H);
  U_MMC_bBufferedIO(CLOSE_READ, &control, nullptr, 0, nullptr);
}

void Run(benchmark::State& state, bool bFullLoad) {
  const IMAGE& image = Image((int)state.range(0));
  BITMAP* b = G_BUFFERS_pCreateFullScreenBitmap();
  double ours = 0, libpng = 0, spng = 0;
  U32 working = 0;
  unsigned long long n = 0;
  for (auto _ : state) {
    // The three take turns at leading, so that warmth falls on each alike.
    double t[3] = {};
    for (int k = 0; k < 3; k++) {
      switch ((n + (unsigned long long)k) % 3) {
        case 0:
          t[0] = BENCH_dTime([&] { bFullLoad ? OursFullLoad(image, b) : OursDecode(image, b); });
          working = T_MMC_u32WorkingBytes();
          break;
        case 1:
          t[1] = BENCH_dTime([&] { LibpngDecode(image, bFullLoad, b); });
          break;
        default:
          t[2] = BENCH_dTime([&] { SpngDecode(image, bFullLoad, b); });
          break;
      }
    }
    ours += t[0];
    libpng += t[1];
    spng += t[2];
    n++;
    state.SetIterationTime(t[0]);
  }
  G_BUFFERS_vFreeFullScreenBitmap(b);
  state.SetLabel(std::string(kFilterNames[state.range(0)]) + (bFullLoad ? ", file to bitmap" : ", decode from memory"));
  state.counters["ours_ms"] = ours / (double)n * 1e3;
  state.counters["libpng_ms"] = libpng / (double)n * 1e3;
  state.counters["x_libpng"] = ours / libpng;
  if (PNGT_bHaveSpng()) {
    state.counters["spng_ms"] = spng / (double)n * 1e3;
    state.counters["x_spng"] = ours / spng;
  }
  state.counters["working_bytes"] = working;
  state.counters["file_bytes"] = (double)image.bytes.size();
}

void BM_PngFullLoad(benchmark::State& state) { Run(state, true); }
void BM_PngDecode(benchmark::State& state) { Run(state, false); }

BENCHMARK(BM_PngFullLoad)->DenseRange(0, 5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngDecode)->DenseRange(0, 5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
