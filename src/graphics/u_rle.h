// Icons and their masks are stored run-length coded by nibbles to keep the
// program small; a byte coding sits beside it.
//
// Nibble stream: the high nibble of byte 0 is the marker M; symbols follow
// from the low nibble of byte 0 on, high nibble before low nibble. A nibble
// other than M is one value. M, K (and L when K >= 8: count (K - 8) * 16 + L,
// else count K) is a run: count < 3 gives count + 1 copies of M, otherwise
// the next nibble V follows and the run is count + 1 copies of V. A stream
// carries no length: its reader is told how many values to take.
//
// Byte stream: byte 0 is the marker M. A byte other than M is itself; M, K
// with K <= 2 is K + 1 copies of M; otherwise the count is K, or
// (K & 0x7F) * 256 + the next byte when bit 7 of K is set, and a symbol byte
// S follows: count + 1 copies of S.
#pragma once

#include "basetypes.h"

// Reading state of a nibble stream, kept by the caller.
typedef struct tag_NIBBLE_RLE_STATE {
  const U8* pu8Data;    // byte holding the next nibble
  BOOLEAN bHighNibble;  // TRUE: the next nibble is the high one of *pu8Data
  U8 u8Marker;
  U8 u8Nibble;  // value of the current run
  int nRepeat;  // further returns of u8Nibble before the next symbol
} NIBBLE_RLE_STATE;

void U_RLE_NIBBLE_vInit(NIBBLE_RLE_STATE* pState, const U8* pu8Data);
// The next value (0-15). Reads exactly as far as the values taken need: a
// well-formed stream is never read past its last symbol.
U8 U_RLE_NIBBLE_u8GetNext(NIBBLE_RLE_STATE* pState);

// Codes the 2 * nLength nibbles of pu8Long (high nibble first) into pu8Short,
// which has room for nLength bytes. Returns the bytes written, or -1 when the
// coded form would not be shorter (pu8Short then holds a partial result).
// nLength <= 0 returns 1 and writes nothing, as there is no room to write to.
int U_RLE_NIBBLE_nCompress(const U8* pu8Long, U8* pu8Short, int nLength);
// TRUE when pu8Short decodes to exactly the 2 * nLength nibbles of pu8Long.
BOOLEAN U_RLE_NIBBLE_bVerify(const U8* pu8Long, const U8* pu8Short, int nLength);
// Decodes 2 * nLength values into nLength bytes, the first of each pair in
// the high nibble.
void U_RLE_NIBBLE_vDecompress(U8* pu8Long, const U8* pu8Short, int nLength);

// Byte coding. out needs room for insize + insize / 256 + 1 bytes; returns
// the bytes written (0 for insize 0).
int U_RLE_Compress(unsigned char* in, unsigned char* out, unsigned int insize);
// Decodes the insize coded bytes of in; out must have room for the decoded
// length. A symbol cut off by the end of the input is dropped rather than
// completed from bytes past it.
void U_RLE_Uncompress(unsigned char* in, unsigned char* out, unsigned int insize);
