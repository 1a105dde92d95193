#include "png_peers.h"

#include <png.h>
#include <string.h>
#include <zlib.h>

#include <algorithm>
#include <fstream>

#if VELMORA_SPNG
#include <spng.h>
#endif

std::vector<U8> PNGT_Photo(U32 u32Width, U32 u32Height, U32 u32Seed) {
  // Smooth shading with grain, as a camera gives: every filter has work.
  std::vector<U8> rgb((size_t)u32Width * u32Height * 3);
  U32 state = u32Seed * 2654435761u + 1;
  for (U32 y = 0; y < u32Height; y++) {
    for (U32 x = 0; x < u32Width; x++) {
      state = state * 1103515245u + 12345u;
      const int grain = (int)(state >> 28) - 8;
      U8* p = &rgb[((size_t)y * u32Width + x) * 3];
      p[0] = (U8)std::min(255, std::max(0, (int)(x * 255 / u32Width) + grain));
      p[1] = (U8)std::min(255, std::max(0, (int)(y * 255 / u32Height) - grain));
      p[2] = (U8)(((x ^ y) + (state >> 24)) & 0xFF);
    }
  }
  return rgb;
}

std::vector<U8> PNGT_Flat(U32 u32Width, U32 u32Height) {
  // Panels and frames in a few colours, as the unit's own screens are.
  static const U8 s_aColours[][3] = {{0, 0, 64}, {255, 255, 255}, {8, 4, 8}, {200, 120, 0}, {30, 200, 90}};
  std::vector<U8> rgb((size_t)u32Width * u32Height * 3);
  for (U32 y = 0; y < u32Height; y++) {
    for (U32 x = 0; x < u32Width; x++) {
      const U32 colour = (x / 100 + y / 60) % 5;
      memcpy(&rgb[((size_t)y * u32Width + x) * 3], s_aColours[(x % 100 < 2 || y % 60 < 2) ? 1 : colour], 3);
    }
  }
  return rgb;
}

std::vector<COLOR> PNGT_Rgb565(const std::vector<U8>& rgb) {
  std::vector<COLOR> pixels(rgb.size() / 3);
  for (size_t i = 0; i < pixels.size(); i++) {
    pixels[i] = (COLOR)(((rgb[3 * i] & 0xF8) << 8) + ((rgb[3 * i + 1] & 0xFC) << 3) + (rgb[3 * i + 2] >> 3));
  }
  return pixels;
}

static void PNGT_vAppend(png_structp png, png_bytep data, size_t length) {
  std::vector<U8>* out = (std::vector<U8>*)png_get_io_ptr(png);
  out->insert(out->end(), data, data + length);
}

static void PNGT_vNoFlush(png_structp) {}

std::vector<U8> PNGT_Encode(U32 u32Width, U32 u32Height, const std::vector<U8>& rgb, const PNGT_OPTIONS& options) {
  std::vector<U8> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, PNGT_vAppend, PNGT_vNoFlush);
  png_set_IHDR(png, info, u32Width, u32Height, options.nBitDepth, options.nColourType,
               options.bInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (options.nFilters >= 0) png_set_filter(png, 0, options.nFilters);
  if (options.nIdatBytes > 0) png_set_compression_buffer_size(png, (size_t)options.nIdatBytes);
  png_write_info(png, info);
  const int passes = options.bInterlaced ? png_set_interlace_handling(png) : 1;
  const U32 channels = options.nColourType == 6 ? 4 : 3;
  const U32 sampleBytes = (U32)options.nBitDepth / 8;
  std::vector<U8> row((size_t)u32Width * channels * sampleBytes);
  for (int pass = 0; pass < passes; pass++) {
    for (U32 y = 0; y < u32Height; y++) {
      for (U32 x = 0; x < u32Width; x++) {
        for (U32 c = 0; c < channels; c++) {
          const U8 v = c < 3 ? rgb[((size_t)y * u32Width + x) * 3 + c] : 255;
          for (U32 b = 0; b < sampleBytes; b++) row[((size_t)x * channels + c) * sampleBytes + b] = v;
        }
      }
      png_write_row(png, row.data());
    }
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

static U32 PNGT_u32Be(const U8* p) { return (U32)p[0] << 24 | (U32)p[1] << 16 | (U32)p[2] << 8 | p[3]; }

// Byte offset of chunk number nIndex (the end of the file past the last).
static size_t PNGT_szChunkAt(const std::vector<U8>& file, int nIndex) {
  size_t at = 8;
  for (int i = 0; i < nIndex && at + 12 <= file.size(); i++) at += 12 + PNGT_u32Be(&file[at]);
  return std::min(at, file.size());
}

int PNGT_nFindChunk(const std::vector<U8>& file, const char* pcType) {
  size_t at = 8;
  for (int i = 0; at + 12 <= file.size(); i++, at += 12 + PNGT_u32Be(&file[at])) {
    if (memcmp(&file[at + 4], pcType, 4) == 0) return i;
  }
  return -1;
}

void PNGT_vInsertChunk(std::vector<U8>* pFile, int nBefore, const char* pcType, const std::vector<U8>& data) {
  const U32 length = (U32)data.size();
  std::vector<U8> chunk(12 + (size_t)length);
  auto put = [&](size_t at, U32 v) {
    for (int i = 0; i < 4; i++) chunk[at + (size_t)i] = (U8)(v >> (24 - 8 * i));
  };
  put(0, length);
  memcpy(&chunk[4], pcType, 4);
  if (length > 0) memcpy(&chunk[8], data.data(), length);
  put(8 + (size_t)length, (U32)crc32(0, &chunk[4], 4 + length));
  pFile->insert(pFile->begin() + (ptrdiff_t)PNGT_szChunkAt(*pFile, nBefore), chunk.begin(), chunk.end());
}

void PNGT_vWriteFile(const std::string& path, const std::vector<U8>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

std::vector<U8> PNGT_DecodeLibpng(const std::vector<U8>& file) {
  png_image image;
  memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, file.data(), file.size()) == 0) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<U8> rgb(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
    png_image_free(&image);
    return {};
  }
  return rgb;
}

bool PNGT_bHaveSpng(void) { return VELMORA_SPNG != 0; }

std::vector<U8> PNGT_DecodeSpng(const std::vector<U8>& file) {
  std::vector<U8> rgb;
#if VELMORA_SPNG
  spng_ctx* ctx = spng_ctx_new(0);
  size_t size = 0;
  if (spng_set_png_buffer(ctx, file.data(), file.size()) == 0 && spng_decoded_image_size(ctx, SPNG_FMT_RGB8, &size) == 0) {
    rgb.resize(size);
    if (spng_decode_image(ctx, rgb.data(), size, SPNG_FMT_RGB8, 0) != 0) rgb.clear();
  }
  spng_ctx_free(ctx);
#else
  (void)file;
#endif
  return rgb;
}

std::vector<COLOR> PNGT_Pixels(const BITMAP* pBitmap) {
  std::vector<COLOR> pixels;
  for (S32 row = 0; row < pBitmap->pixels_high_full_screen; row++) {
    const COLOR* p = (const COLOR*)pBitmap->pBuffer + (size_t)row * pBitmap->__u32PixelWidthOfBuffer;
    pixels.insert(pixels.end(), p, p + pBitmap->pixels_wide_full_screen);
  }
  return pixels;
}
