// What every fuzz target shares: the service layer brought up once, with the
// log off and a base directory of its own that is removed at exit.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "basetypes.h"

// Call from LLVMFuzzerInitialize, before anything asks for the base directory.
void FUZZ_vInit(void);

// Reads the input front to back; past its end every read gives zeros, so
// any input is a whole one.
struct FUZZ_INPUT {
  const uint8_t* pData;
  size_t size;
  size_t at;
};

U8 FUZZ_u8Take(FUZZ_INPUT* pIn);
U16 FUZZ_u16Take(FUZZ_INPUT* pIn);  // little-endian
U32 FUZZ_u32Take(FUZZ_INPUT* pIn);  // little-endian
// Up to u32Want bytes, fewer at the input's end; *pu32Got says how many.
const uint8_t* FUZZ_pTakeBytes(FUZZ_INPUT* pIn, U32 u32Want, U32* pu32Got);
BOOLEAN FUZZ_bEnd(const FUZZ_INPUT* pIn);

// A condition every input must keep; its failure aborts, which libFuzzer
// reports as a finding with the input that caused it.
#define FUZZ_CHECK(condition) FUZZ_vCheck((condition), #condition, __FILE__, __LINE__)
void FUZZ_vCheck(bool bHolds, const char* pcText, const char* pcFile, int line);
