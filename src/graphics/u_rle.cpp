#include "u_rle.h"

namespace {

U8 ReadNibble(NIBBLE_RLE_STATE* pState) {
  if (pState->bHighNibble) {
    pState->bHighNibble = FALSE;
    return (U8)(*pState->pu8Data >> 4);
  }
  pState->bHighNibble = TRUE;
  return (U8)(*pState->pu8Data++ & 0x0F);
}

// Nibble output of the compressor; stops taking nibbles at its limit.
typedef struct tag_NIBBLE_WRITER {
  U8* pu8Out;
  int nWritten;  // nibbles
  int nLimit;
} NIBBLE_WRITER;

// FALSE once the output has reached its limit.
bool WriteNibble(NIBBLE_WRITER* pWriter, U8 u8Value) {
  U8* p = pWriter->pu8Out + pWriter->nWritten / 2;
  if ((pWriter->nWritten & 1) == 0) {
    *p = (U8)(u8Value << 4);
  } else {
    *p = (U8)(*p | (u8Value & 0x0F));
  }
  pWriter->nWritten++;
  return pWriter->nWritten < pWriter->nLimit;
}

U8 NibbleAt(const U8* pu8Long, int n) {
  const U8 b = pu8Long[n / 2];
  return (U8)((n & 1) ? (b & 0x0F) : (b >> 4));
}

}  // namespace

void U_RLE_NIBBLE_vInit(NIBBLE_RLE_STATE* pState, const U8* pu8Data) {
  pState->pu8Data = pu8Data;
  pState->bHighNibble = FALSE;
  pState->u8Marker = (U8)(pu8Data[0] >> 4);
  pState->u8Nibble = 0;
  pState->nRepeat = 0;
}

U8 U_RLE_NIBBLE_u8GetNext(NIBBLE_RLE_STATE* pState) {
  if (pState->nRepeat >= 1) {
    pState->nRepeat--;
    return pState->u8Nibble;
  }
  const U8 n = ReadNibble(pState);
  pState->u8Nibble = n;
  if (n != pState->u8Marker) return n;
  int count = ReadNibble(pState);
  if (count > 7) count = (count - 8) * 16 + ReadNibble(pState);
  pState->u8Nibble = count < 3 ? pState->u8Marker : ReadNibble(pState);
  pState->nRepeat = count;
  return pState->u8Nibble;
}

int U_RLE_NIBBLE_nCompress(const U8* pu8Long, U8* pu8Short, int nLength) {
  if (nLength <= 0) return 1;
  const int nibbles = 2 * nLength;

  U32 au32Count[16] = {0};
  for (int i = 0; i < nibbles; i++) au32Count[NibbleAt(pu8Long, i)]++;
  U8 marker = 0;
  for (U8 v = 1; v < 16; v++) {
    if (au32Count[v] < au32Count[marker]) marker = v;
  }

  NIBBLE_WRITER w = {pu8Short, 0, nibbles};
  if (!WriteNibble(&w, marker)) return -1;
  int i = 0;
  while (i < nibbles) {
    const U8 v = NibbleAt(pu8Long, i);
    int run = 1;
    while (run < 128 && i + run < nibbles && NibbleAt(pu8Long, i + run) == v) run++;
    i += run;

    U8 symbol[4];
    int symbolLength = 0;
    if (run <= 3 && v == marker) {
      symbol[0] = marker;
      symbol[1] = (U8)(run - 1);
      symbolLength = 2;
    } else if (run <= 3) {
      for (int k = 0; k < run; k++) symbol[k] = v;
      symbolLength = run;
    } else if (run <= 8) {
      symbol[0] = marker;
      symbol[1] = (U8)(run - 1);
      symbol[2] = v;
      symbolLength = 3;
    } else {
      symbol[0] = marker;
      symbol[1] = (U8)(8 + (run - 1) / 16);
      symbol[2] = (U8)((run - 1) % 16);
      symbol[3] = v;
      symbolLength = 4;
    }
    for (int k = 0; k < symbolLength; k++) {
      if (!WriteNibble(&w, symbol[k])) return -1;
    }
  }
  return (w.nWritten + 1) / 2;
}

BOOLEAN U_RLE_NIBBLE_bVerify(const U8* pu8Long, const U8* pu8Short, int nLength) {
  if (nLength <= 0) return TRUE;
  NIBBLE_RLE_STATE state;
  U_RLE_NIBBLE_vInit(&state, pu8Short);
  for (int i = 0; i < 2 * nLength; i++) {
    if (U_RLE_NIBBLE_u8GetNext(&state) != NibbleAt(pu8Long, i)) return FALSE;
  }
  return TRUE;
}

void U_RLE_NIBBLE_vDecompress(U8* pu8Long, const U8* pu8Short, int nLength) {
  if (nLength <= 0) return;
  NIBBLE_RLE_STATE state;
  U_RLE_NIBBLE_vInit(&state, pu8Short);
  for (int i = 0; i < nLength; i++) {
    const U8 high = U_RLE_NIBBLE_u8GetNext(&state);
    const U8 low = U_RLE_NIBBLE_u8GetNext(&state);
    pu8Long[i] = (U8)((high << 4) | low);
  }
}

int U_RLE_Compress(unsigned char* in, unsigned char* out, unsigned int insize) {
  if (insize == 0) return 0;
  U32 au32Count[256] = {0};
  for (unsigned int i = 0; i < insize; i++) au32Count[in[i]]++;
  unsigned char marker = 0;
  for (unsigned int v = 1; v < 256; v++) {
    if (au32Count[v] < au32Count[marker]) marker = (unsigned char)v;
  }

  unsigned int o = 0;
  out[o++] = marker;
  unsigned int i = 0;
  while (i < insize) {
    const unsigned char s = in[i];
    unsigned int run = 1;
    while (run < 32768 && i + run < insize && in[i + run] == s) run++;
    i += run;
    if (run >= 4) {
      const unsigned int count = run - 1;
      out[o++] = marker;
      if (count <= 127) {
        out[o++] = (unsigned char)count;
      } else {
        out[o++] = (unsigned char)(0x80 | (count >> 8));
        out[o++] = (unsigned char)(count & 0xFF);
      }
      out[o++] = s;
    } else if (s == marker) {
      out[o++] = marker;
      out[o++] = (unsigned char)(run - 1);
    } else {
      for (unsigned int k = 0; k < run; k++) out[o++] = s;
    }
  }
  return (int)o;
}

void U_RLE_Uncompress(unsigned char* in, unsigned char* out, unsigned int insize) {
  if (insize == 0) return;
  const unsigned char marker = in[0];
  unsigned int i = 1;
  while (i < insize) {
    const unsigned char b = in[i++];
    if (b != marker) {
      *out++ = b;
      continue;
    }
    if (i >= insize) return;
    const unsigned int k = in[i++];
    if (k <= 2) {
      for (unsigned int n = 0; n <= k; n++) *out++ = marker;
      continue;
    }
    unsigned int count = k;
    if (k & 0x80) {
      if (i >= insize) return;
      count = ((k & 0x7F) << 8) + in[i++];
    }
    if (i >= insize) return;
    const unsigned char s = in[i++];
    for (unsigned int n = 0; n <= count; n++) *out++ = s;
  }
}
