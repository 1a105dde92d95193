// The memory-card task and its image loading. The view task asks for a
// full-screen picture; the card task decodes it row by row straight into the
// requester's bitmap, so a load needs only a row or two and one piece of
// compressed input besides the bitmap.

#include "t_mmc.h"

#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include "color.h"
#include "g_bmp.h"
#include "h_database.h"
#include "h_memory.h"
#include "linux_fs.h"
#include "linuxsvc.h"
#include "model.h"
#include "u_file.h"
#include "u_taskstub.h"

// The image the view task shows is the whole screen.
constexpr U32 T_MMC_PNG_MAX_WIDTH = G_SCREEN_WIDTH;
constexpr U32 T_MMC_ROW_BYTES = 1 + 3 * T_MMC_PNG_MAX_WIDTH;  // filter byte and RGB
constexpr U32 T_MMC_INPUT_BYTES = 16384;
constexpr U32 T_MMC_CHUNK_MAX = 0x7FFFFFFFu;
constexpr U32 T_MMC_BMP_HEADER = 54;

static const U8 s_PNG_signature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

static const char* const s_apcPngResult[] = {
    "decoded",
    "not a PNG file",
    "no image header",
    "not the screen's size",
    "not 8-bit RGB",
    "interlaced",
    "chunk length above 2^31-1",
    "the image data ends early",
    "corrupt image data",
    "unknown row filter",
    "no memory",
};
static_assert(sizeof s_apcPngResult / sizeof s_apcPngResult[0] == T_MMC_PNG_NO_MEMORY + 1);

const char* T_MMC_pcPngResultText(T_MMC_PNG_RESULT eResult) {
  return (U32)eResult <= T_MMC_PNG_NO_MEMORY ? s_apcPngResult[eResult] : "?";
}

// ---------------------------------------------------------------------------
// Working memory, from the heap without waiting: a load that finds the heap
// empty fails instead of holding the card task.

static std::atomic<U32> s_u32WorkingBytes;

U32 T_MMC_u32WorkingBytes(void) { return s_u32WorkingBytes; }

static void* T_MMC_pvTake(U32 u32Bytes) {
  void* block = H_MEMORY_pvMallocNoWait(u32Bytes);
  if (block != nullptr) s_u32WorkingBytes += u32Bytes;
  return block;
}

static voidpf T_MMC_pvZAlloc(voidpf, uInt items, uInt size) {
  if (size != 0 && items > H_MEMORY_MAX_REQUEST / size) return Z_NULL;
  return T_MMC_pvTake(items * size);
}

static void T_MMC_vZFree(voidpf, voidpf address) { H_MEMORY_vFree(address); }

// ---------------------------------------------------------------------------
// PNG

static U32 T_MMC_u32BigEndian(const U8* p) { return (U32)p[0] << 24 | (U32)p[1] << 16 | (U32)p[2] << 8 | p[3]; }

typedef struct tag_PNG_READER {
  BUFFERED_IO_CONTROL* pFile;
  z_stream z;
  U8* pu8Input;
  U32 u32ChunkLeft;   // bytes of the current IDAT not yet read
  BOOLEAN bInChunk;   // an IDAT was current: its CRC comes before the next header
} PNG_READER;

// The 33 bytes of signature and header chunk.
static T_MMC_PNG_RESULT T_MMC_eReadHeader(BUFFERED_IO_CONTROL* pFile, U32 u32Width, U32 u32Height) {
  U8 head[33];
  const int got = U_MMC_nBufferedRead(head, sizeof head, pFile);
  if (got < 8 || memcmp(head, s_PNG_signature, 8) != 0) return T_MMC_PNG_NOT_PNG;
  if (got < (int)sizeof head || T_MMC_u32BigEndian(head + 8) != 13 || memcmp(head + 12, "IHDR", 4) != 0) {
    return T_MMC_PNG_NO_HEADER;
  }
  const U8* ihdr = head + 16;
  if (T_MMC_u32BigEndian(ihdr) != u32Width || T_MMC_u32BigEndian(ihdr + 4) != u32Height) {
    return T_MMC_PNG_WRONG_SIZE;
  }
  // Bit depth 8, colour type 2 (RGB), compression and filter method 0.
  if (ihdr[8] != 8 || ihdr[9] != 2 || ihdr[10] != 0 || ihdr[11] != 0) return T_MMC_PNG_WRONG_FORMAT;
  // Adam7 rows are of seven passes of other widths: drawn as plain rows
  // they would be garbage.
  if (ihdr[12] != 0) return T_MMC_PNG_INTERLACED;
  return T_MMC_PNG_DECODED;
}

// The next piece of compressed data into the inflater, walking the chunks:
// IDATs are read (an empty one passed over), every other chunk skipped; IEND
// here means the data ended before the image did.
static T_MMC_PNG_RESULT T_MMC_eFeed(PNG_READER* r) {
  U8 head[8];
  while (r->u32ChunkLeft == 0) {
    if (r->bInChunk && U_MMC_nBufferedRead(head, 4, r->pFile) != 4) return T_MMC_PNG_SHORT;
    r->bInChunk = FALSE;
    if (U_MMC_nBufferedRead(head, 8, r->pFile) != 8) return T_MMC_PNG_SHORT;
    const U32 length = T_MMC_u32BigEndian(head);
    // A length with the top bit set is no PNG; taken as a signed skip it
    // would send the reader backwards for ever.
    if (length > T_MMC_CHUNK_MAX) return T_MMC_PNG_BAD_CHUNK;
    if (memcmp(head + 4, "IDAT", 4) == 0) {
      r->u32ChunkLeft = length;
      r->bInChunk = TRUE;
    } else if (memcmp(head + 4, "IEND", 4) == 0) {
      return T_MMC_PNG_SHORT;
    } else if (U_MMC_nBufferedSeek(r->pFile, (int)length, 1) != 0 || U_MMC_nBufferedSeek(r->pFile, 4, 1) != 0) {
      return T_MMC_PNG_SHORT;
    }
  }
  const U32 wanted = r->u32ChunkLeft < T_MMC_INPUT_BYTES ? r->u32ChunkLeft : T_MMC_INPUT_BYTES;
  const int got = U_MMC_nBufferedRead(r->pu8Input, (int)wanted, r->pFile);
  if (got <= 0) return T_MMC_PNG_SHORT;
  r->u32ChunkLeft -= (U32)got;
  r->z.next_in = r->pu8Input;
  r->z.avail_in = (uInt)got;
  return T_MMC_PNG_DECODED;
}

// Inflates one whole row (filter byte and samples) into pu8Row.
static T_MMC_PNG_RESULT T_MMC_eInflateRow(PNG_READER* r, U8* pu8Row, U32 u32Bytes) {
  r->z.next_out = pu8Row;
  r->z.avail_out = u32Bytes;
  while (r->z.avail_out > 0) {
    if (r->z.avail_in == 0) {
      const T_MMC_PNG_RESULT e = T_MMC_eFeed(r);
      if (e != T_MMC_PNG_DECODED) return e;
    }
    const int z = inflate(&r->z, Z_NO_FLUSH);
    if (z == Z_STREAM_END) return r->z.avail_out == 0 ? T_MMC_PNG_DECODED : T_MMC_PNG_SHORT;
    if (z == Z_MEM_ERROR) return T_MMC_PNG_NO_MEMORY;
    if (z != Z_OK) return T_MMC_PNG_BAD_DATA;
  }
  return T_MMC_PNG_DECODED;
}

static inline U8 T_MMC_u8Paeth(int a, int b, int c) {
  const int pa = b > c ? b - c : c - b;
  const int pb = a > c ? a - c : c - a;
  const int pc = (a + b - 2 * c) < 0 ? 2 * c - a - b : a + b - 2 * c;
  if (pa <= pb && pa <= pc) return (U8)a;
  return (U8)(pb <= pc ? b : c);
}

// Undoes a row's filter in place, 3 bytes a pixel; prev is the row above
// (zeros above the first). FALSE for an unknown filter type.
static BOOLEAN T_MMC_bUnfilter(U8 u8Type, U8* cur, const U8* prev, U32 u32Bytes) {
  switch (u8Type) {
    case 0:
      return TRUE;
    case 1:
      for (U32 i = 3; i < u32Bytes; i++) cur[i] = (U8)(cur[i] + cur[i - 3]);
      return TRUE;
    case 2:
      for (U32 i = 0; i < u32Bytes; i++) cur[i] = (U8)(cur[i] + prev[i]);
      return TRUE;
    case 3:
      for (U32 i = 0; i < 3 && i < u32Bytes; i++) cur[i] = (U8)(cur[i] + (prev[i] >> 1));
      for (U32 i = 3; i < u32Bytes; i++) cur[i] = (U8)(cur[i] + ((cur[i - 3] + prev[i]) >> 1));
      return TRUE;
    case 4:
      for (U32 i = 0; i < 3 && i < u32Bytes; i++) cur[i] = (U8)(cur[i] + prev[i]);
      for (U32 i = 3; i < u32Bytes; i++) cur[i] = (U8)(cur[i] + T_MMC_u8Paeth(cur[i - 3], prev[i], prev[i - 3]));
      return TRUE;
    default:
      return FALSE;
  }
}

static inline COLOR T_MMC_colorRgb565(U8 r, U8 g, U8 b) {
  return (COLOR)(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3));
}

// One image row of RGB bytes onto logical row y, clipped like a pixel put.
static void T_MMC_vPutRow(const BITMAP* b, PIXEL y, const U8* rgb, U32 u32Width) {
  if (y < b->s32ClipBottom || y > b->s32ClipTop) return;
  const PIXEL x0 = b->s32ClipLeft > 0 ? b->s32ClipLeft : 0;
  const PIXEL x1 = b->s32ClipRight < (PIXEL)u32Width - 1 ? b->s32ClipRight : (PIXEL)u32Width - 1;
  COLOR* row = (COLOR*)b->pBuffer + (ptrdiff_t)(b->pixels_high_full_screen - 1 - y) * b->__u32PixelWidthOfBuffer;
  for (PIXEL x = x0; x <= x1; x++) row[x] = T_MMC_colorRgb565(rgb[3 * x], rgb[3 * x + 1], rgb[3 * x + 2]);
}

static T_MMC_PNG_RESULT T_MMC_eDecodeRows(PNG_READER* r, const BITMAP* pBitmap, U32 u32Width, U32 u32Height,
                                          U8* pu8Rows) {
  const U32 bytes = 1 + 3 * u32Width;
  U8* cur = pu8Rows;
  U8* prev = pu8Rows + T_MMC_ROW_BYTES;
  memset(prev, 0, bytes);
  for (U32 row = 0; row < u32Height; row++) {
    const T_MMC_PNG_RESULT e = T_MMC_eInflateRow(r, cur, bytes);
    if (e != T_MMC_PNG_DECODED) return e;
    if (!T_MMC_bUnfilter(cur[0], cur + 1, prev + 1, bytes - 1)) return T_MMC_PNG_BAD_FILTER;
    T_MMC_vPutRow(pBitmap, (PIXEL)(u32Height - 1 - row), cur + 1, u32Width);
    U8* swap = cur;
    cur = prev;
    prev = swap;
  }
  return T_MMC_PNG_DECODED;
}

T_MMC_PNG_RESULT T_MMC_ePngDecode(BUFFERED_IO_CONTROL* pFile, const BITMAP* pBitmap, U32 u32Width, U32 u32Height) {
  s_u32WorkingBytes = 0;
  if (u32Width == 0 || u32Width > T_MMC_PNG_MAX_WIDTH || u32Height == 0) return T_MMC_PNG_WRONG_SIZE;
  T_MMC_PNG_RESULT e = T_MMC_eReadHeader(pFile, u32Width, u32Height);
  if (e != T_MMC_PNG_DECODED) return e;

  PNG_READER reader = {};
  reader.pFile = pFile;
  reader.z.zalloc = T_MMC_pvZAlloc;
  reader.z.zfree = T_MMC_vZFree;
  reader.pu8Input = (U8*)T_MMC_pvTake(T_MMC_INPUT_BYTES);
  // The row being inflated and the one above it, which three of the five
  // filters read.
  U8* rows = (U8*)T_MMC_pvTake(2 * T_MMC_ROW_BYTES);
  if (reader.pu8Input == nullptr || rows == nullptr) {
    e = T_MMC_PNG_NO_MEMORY;
  } else if (inflateInit2(&reader.z, 15) != Z_OK) {
    e = T_MMC_PNG_NO_MEMORY;
  } else {
    e = T_MMC_eDecodeRows(&reader, pBitmap, u32Width, u32Height, rows);
    inflateEnd(&reader.z);
  }
  H_MEMORY_vFree(rows);
  H_MEMORY_vFree(reader.pu8Input);
  return e;
}

// ---------------------------------------------------------------------------
// BMP: the fallback when the PNG file cannot be opened

static U32 T_MMC_u32LittleEndian(const U8* p) { return (U32)p[0] | (U32)p[1] << 8 | (U32)p[2] << 16 | (U32)p[3] << 24; }

// Null when drawn, else why not.
static const char* T_MMC_pcLoadBmp(BUFFERED_IO_CONTROL* pFile, const BITMAP* b) {
  const U32 width = (U32)b->pixels_wide_full_screen;
  const U32 height = (U32)b->pixels_high_full_screen;
  const U32 stride = (width * 3 + 3) & ~3u;
  if ((U64)FS_GetFileSize(pFile->pFile) != (U64)height * stride + T_MMC_BMP_HEADER) return "BMP not of the screen's size";
  U8 head[T_MMC_BMP_HEADER];
  if (U_MMC_nBufferedRead(head, sizeof head, pFile) != (int)sizeof head) return "BMP header unreadable";
  // "BM", pixels right after the two headers, the bitmap's width and height
  // (bottom row first), 24 bits, no compression.
  if (head[0] != 'B' || head[1] != 'M' || T_MMC_u32LittleEndian(head + 10) != T_MMC_BMP_HEADER ||
      T_MMC_u32LittleEndian(head + 18) != width || T_MMC_u32LittleEndian(head + 22) != height ||
      (head[28] | head[29] << 8) != 24 || T_MMC_u32LittleEndian(head + 30) != 0) {
    return "not a 24-bit uncompressed BMP of the screen";
  }
  U8* line = (U8*)T_MMC_pvTake(stride);
  if (line == nullptr) return "no memory";
  const char* why = nullptr;
  for (U32 row = height; row-- > 0;) {
    if (U_MMC_nBufferedRead(line, (int)stride, pFile) != (int)stride) {
      why = "BMP ends early";
      break;
    }
    COLOR* dest = (COLOR*)b->pBuffer + (size_t)row * b->__u32PixelWidthOfBuffer;
    for (U32 x = 0; x < width; x++) dest[x] = T_MMC_colorRgb565(line[3 * x + 2], line[3 * x + 1], line[3 * x]);
  }
  H_MEMORY_vFree(line);
  return why;
}

// ---------------------------------------------------------------------------
// The load

static BUFFERED_IO_CONTROL* T_MMC_psOpen(const char* pcName) {
  BUFFERED_IO_CONTROL* file = U_MMC_psBufferedOpen(pcName, "rb", nullptr, 0);
  if (file != nullptr) s_u32WorkingBytes = sizeof(BUFFERED_IO_CONTROL) + (U32)file->numBufferSize;
  return file;
}

void T_MMC_vReadBMP16(char* pFileName, BITMAP* pFileBitmap, U32 u32RequestID,
                      std::atomic<U32>* pu32LatestRequestID) {
  if (pFileName == nullptr) return;
  if (pFileBitmap == nullptr || (pu32LatestRequestID != nullptr && *pu32LatestRequestID != u32RequestID)) {
    H_MEMORY_vFree(pFileName);
    return;
  }
  G_BMP_vSet(pFileBitmap, gCOLOR_pcolColorTable[T_MMC_FILL_COLOUR]);

  const char* why = nullptr;
  if (BUFFERED_IO_CONTROL* png = T_MMC_psOpen(pFileName)) {
    const U32 opened = s_u32WorkingBytes;
    const T_MMC_PNG_RESULT e = T_MMC_ePngDecode(png, pFileBitmap, G_SCREEN_WIDTH, G_SCREEN_HEIGHT);
    s_u32WorkingBytes += opened;
    U_MMC_nBufferedClose(png);
    if (e != T_MMC_PNG_DECODED) why = T_MMC_pcPngResultText(e);
  } else {
    const size_t length = strlen(pFileName);
    char* bmpName = (char*)H_MEMORY_pvMallocNoWait((U32)length + 5);
    BUFFERED_IO_CONTROL* bmp = nullptr;
    if (bmpName != nullptr) {
      memcpy(bmpName, pFileName, length + 1);
      U_FILE_vCutExtension(bmpName);
      U_FILE_bAddExtension(bmpName, (U32)length + 5, "BMP");
      bmp = T_MMC_psOpen(bmpName);
      H_MEMORY_vFree(bmpName);
    }
    if (bmp == nullptr) {
      why = "neither the PNG nor the BMP file opens";
    } else {
      why = T_MMC_pcLoadBmp(bmp, pFileBitmap);
      U_MMC_nBufferedClose(bmp);
    }
  }
  // The requester is told either way (it shows the fill); the log says why.
  if (why != nullptr) log_me("[%d]%s: %s: %s", __LINE__, __func__, pFileName, why);
  H_MEMORY_vFree(pFileName);
}

// ---------------------------------------------------------------------------
// The task

static void T_MMC_vHandle(GENERIC_MESSAGE* pMsg) {
  if (pMsg->Cmd == CMD_ID_LOAD_BMP) {
    MSG_LOAD_BITMAP* load = (MSG_LOAD_BITMAP*)pMsg;
    T_MMC_vReadBMP16(load->pFileName, load->pBitmap, load->u32RequestID, load->pu32LatestRequestID);
    H_MEMORY_vDumpMail(pMsg);
    L_SEMA_Signal(SEMA_VIEW_UPDATE);
    return;
  }
  H_MEMORY_vDumpMail(pMsg);
}

void T_MMC_vMain(void) {
  U_TASKSTUB_vPublish(FCID("TMMC"), M_MMC);
  const SEMA events[] = {SEMA_MBOX_MMC, 0};
  for (;;) {
    if (L_SEMA_WaitMultiple(events) != SEMA_MBOX_MMC) continue;
    while (void* message = L_MBOX_Receive(M_MMC)) T_MMC_vHandle((GENERIC_MESSAGE*)message);
  }
}

// ---------------------------------------------------------------------------
// Update image trailer

// The value of the first entry "key=..." into pcValue[64], leading blanks
// skipped, at most 63 characters: up to the next blank, or with bToEnd the
// rest of the entry (the table's model names hold blanks). FALSE when no
// entry before the empty one or the end has the key.
static BOOLEAN MMC_bTrailerValue(const char* pcTrailer, const char* pcKey, BOOLEAN bToEnd, char* pcValue) {
  const size_t keyLength = strlen(pcKey);
  for (U32 at = 0; at < T_MMC_TRAILER_SIZE && pcTrailer[at] != 0;) {
    const char* pcEntry = pcTrailer + at;
    if (strncmp(pcEntry, pcKey, keyLength) == 0 && pcEntry[keyLength] == '=') {
      const char* pcFrom = pcEntry + keyLength + 1;
      while (*pcFrom == ' ' || *pcFrom == '\t') pcFrom++;
      size_t length = bToEnd ? strnlen(pcFrom, 63) : strcspn(pcFrom, " \t\r\n");
      if (length > 63) length = 63;
      while (bToEnd && length > 0 && (pcFrom[length - 1] == ' ' || pcFrom[length - 1] == '\t')) length--;
      memcpy(pcValue, pcFrom, length);
      pcValue[length] = 0;
      return TRUE;
    }
    at += (U32)strlen(pcEntry) + 1;
  }
  return FALSE;
}

BOOLEAN T_MMC_bVerifyNewCodeModel(const char* pcTrailer) {
  U32 u32Model = 0;
  if (!H_DATABASE_bFetchU32(FCID("SMDL"), &u32Model, nullptr, nullptr)) return FALSE;
  const char* pcName = MODEL_pcFetchModelText((MODEL_TYPE)u32Model);
  if (MODEL_s32FindModel(pcName) < 0) return FALSE;
  char value[64];
  if (!MMC_bTrailerValue(pcTrailer, "model", TRUE, value)) return FALSE;
  return strcmp(value, pcName) == 0 || strcmp(value, "all") == 0;
}

U32 T_MMC_u32FetchNewCodeVersion(const char* pcTrailer) {
  char value[64];
  if (!MMC_bTrailerValue(pcTrailer, "version", FALSE, value)) return 0;
  return (U32)strtoul(value, nullptr, 10);
}

U32 T_MMC_u32VersionNumber(const char* pcText) {
  unsigned major = 0, minor = 0;
  int used = 0;
  if (sscanf(pcText, "%u.%3u%n", &major, &minor, &used) != 2 || used == 0) return 0;
  return major * 1000 + minor;
}
