// The memory-card task: loads full-screen images from files into bitmaps at
// the view task's request (CMD_ID_LOAD_BMP, MSG_LOAD_BITMAP), newest request
// only. Also the PNG decoder under it, open to tests and tools.
#pragma once

#include <atomic>

#include "basetypes.h"
#include "g_types.h"
#include "msg_load_bitmap.h"
#include "u_mmc.h"

// The colour-table entry a bitmap shows where no image pixel landed.
constexpr U32 T_MMC_FILL_COLOUR = 34;

void T_MMC_vMain(void);

// Loads pFileName (a PNG of 800 x 480 8-bit RGB; when it cannot be opened,
// the same name with the extension BMP, a 24-bit uncompressed BMP of the
// bitmap's full size) into pFileBitmap, first filled with T_MMC_FILL_COLOUR.
// Returns at once, drawing nothing, when *pu32LatestRequestID is no longer
// u32RequestID (a newer request replaced this one). A failure is logged; the
// bitmap keeps the fill and whatever rows were converted before it. Always
// frees pFileName.
void T_MMC_vReadBMP16(char* pFileName, BITMAP* pFileBitmap, U32 u32RequestID,
                      std::atomic<U32>* pu32LatestRequestID);

typedef enum tag_T_MMC_PNG_RESULT {
  T_MMC_PNG_DECODED = 0,
  T_MMC_PNG_NOT_PNG,        // no PNG signature
  T_MMC_PNG_NO_HEADER,      // the first chunk is not a 13-byte IHDR
  T_MMC_PNG_WRONG_SIZE,     // not the size asked for
  T_MMC_PNG_WRONG_FORMAT,   // not 8-bit RGB without alpha, or an unknown compression or filter method
  T_MMC_PNG_INTERLACED,
  T_MMC_PNG_BAD_CHUNK,      // a chunk length above 2^31 - 1
  T_MMC_PNG_SHORT,          // the image data ends (or cannot be read) before the last row
  T_MMC_PNG_BAD_DATA,       // the compressed data is corrupt
  T_MMC_PNG_BAD_FILTER,     // a row filter type above 4
  T_MMC_PNG_NO_MEMORY,
} T_MMC_PNG_RESULT;

// Decodes a non-interlaced 8-bit RGB PNG of exactly u32Width x u32Height
// (at most 800 wide) from the open file into pBitmap: image row r lands on
// the bitmap's logical row u32Height - 1 - r (the top row first), each pixel
// as RGB565 ((R & 0xF8) << 8 | (G & 0xFC) << 3 | B >> 3), clipped to the
// bitmap's clip rectangle. Rows converted before a failure stay. Chunk CRCs
// are not checked.
T_MMC_PNG_RESULT T_MMC_ePngDecode(BUFFERED_IO_CONTROL* pFile, const BITMAP* pBitmap, U32 u32Width, U32 u32Height);
const char* T_MMC_pcPngResultText(T_MMC_PNG_RESULT eResult);
// Heap bytes the last load or decode took for its work (the file's buffer,
// the compressed input, the rows and the inflater), the bitmap not counted.
U32 T_MMC_u32WorkingBytes(void);

// ---------------------------------------------------------------------------
// Trailer of a software update image: its last 512 bytes, entries
// "key=value" each ended by NUL, an empty entry ending the list.

constexpr U32 T_MMC_TRAILER_SIZE = 512;

// TRUE when the trailer's "model" value is this unit's model name (from
// SMDL) or "all"; FALSE when SMDL is absent or not a model of the table.
// pcTrailer holds T_MMC_TRAILER_SIZE bytes and a terminating NUL.
BOOLEAN T_MMC_bVerifyNewCodeModel(const char* pcTrailer);
// The trailer's "version" value (the version times 1,000); 0 when absent or
// not a number.
U32 T_MMC_u32FetchNewCodeVersion(const char* pcTrailer);
// A version text of the form "2.150" as 2150, read as two integers; 0 when it
// is not of that form.
U32 T_MMC_u32VersionNumber(const char* pcText);
