// Any bytes as a picture on the card. A file whose header asks for the whole
// screen goes through the card task's full load from a file; any other size
// (up to the screen's) is decoded at its own size, so that the fuzzer reaches
// the rows of small images too.

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "g_buffers.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_mmc.h"
#include "fuzz_support.h"

static BITMAP* s_pScreen;
static std::string s_path;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_vInit();
  opt_nolog = 1;  // a refused picture logs a line: millions of them say nothing here
  s_pScreen = G_BUFFERS_pCreateFullScreenBitmap();
  s_path = "/tmp/fuzz_png_load." + std::to_string(getpid()) + ".PNG";
  return 0;
}

static U32 BigEndian(const uint8_t* p) { return (U32)p[0] << 24 | (U32)p[1] << 16 | (U32)p[2] << 8 | p[3]; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  U32 width = size >= 24 ? BigEndian(data + 16) : 0;
  U32 height = size >= 24 ? BigEndian(data + 20) : 0;
  if (width == G_SCREEN_WIDTH && height == G_SCREEN_HEIGHT) {
    FILE* file = fopen(s_path.c_str(), "wb");
    if (file == nullptr) return 0;
    fwrite(data, 1, size, file);
    fclose(file);
    char* name = (char*)H_MEMORY_pvMalloc((U32)s_path.size() + 1);
    memcpy(name, s_path.c_str(), s_path.size() + 1);
    std::atomic<U32> latest{1};
    T_MMC_vReadBMP16(name, s_pScreen, 1, &latest);
    return 0;
  }
  if (size == 0) return 0;
  if (width == 0 || width > G_SCREEN_WIDTH || height == 0 || height > G_SCREEN_HEIGHT) {
    width = 32;
    height = 32;
  }
  FILE* stream = fmemopen((void*)data, size, "rb");
  if (stream == nullptr) return 0;
  BUFFERED_IO_CONTROL control;
  U_MMC_bBufferedIO(INITIALIZE_READ, &control, nullptr, U_MMC_DEFAULT_BUFFER, stream);
  T_MMC_ePngDecode(&control, s_pScreen, width, height);
  U_MMC_bBufferedIO(CLOSE_READ, &control, nullptr, 0, nullptr);
  return 0;
}
