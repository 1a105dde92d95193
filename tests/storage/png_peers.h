// PNG files made and decoded by other implementations, for checking the card
// task's decoder: libpng writes them (with the filters, chunking and formats
// a test asks for) and libpng and libspng decode them.
#pragma once

#include <string>
#include <vector>

#include "basetypes.h"
#include "g_types.h"

struct PNGT_OPTIONS {
  int nFilters = -1;         // PNG_FILTER_ mask; -1 leaves libpng's default (adaptive)
  int nColourType = 2;       // 2 RGB, 6 RGBA
  int nBitDepth = 8;         // 8 or 16
  bool bInterlaced = false;
  int nIdatBytes = 0;        // at most this many bytes per IDAT chunk; 0: libpng's default
};

// 8-bit RGB pictures, top row first.
std::vector<U8> PNGT_Photo(U32 u32Width, U32 u32Height, U32 u32Seed);
std::vector<U8> PNGT_Flat(U32 u32Width, U32 u32Height);
// The picture through the unit's RGB565 formula.
std::vector<COLOR> PNGT_Rgb565(const std::vector<U8>& rgb);

// The file's bytes as libpng writes them.
std::vector<U8> PNGT_Encode(U32 u32Width, U32 u32Height, const std::vector<U8>& rgb, const PNGT_OPTIONS& options);
// Puts a chunk (with its CRC) in front of chunk number nBefore (0: the
// signature's first chunk, IHDR).
void PNGT_vInsertChunk(std::vector<U8>* pFile, int nBefore, const char* pcType, const std::vector<U8>& data);
// Index of the first chunk of that type, -1 when there is none.
int PNGT_nFindChunk(const std::vector<U8>& file, const char* pcType);
void PNGT_vWriteFile(const std::string& path, const std::vector<U8>& bytes);

// 8-bit RGB decodes; empty when the peer refuses the file.
std::vector<U8> PNGT_DecodeLibpng(const std::vector<U8>& file);
std::vector<U8> PNGT_DecodeSpng(const std::vector<U8>& file);
// TRUE when this build has libspng (not on the board's emulated build).
bool PNGT_bHaveSpng(void);

// The pixels of a bitmap, top row first.
std::vector<COLOR> PNGT_Pixels(const BITMAP* pBitmap);
