// Running median filters over a line of 8-bit samples: fast paths for
// windows of 3, 5 and 7 and a histogram for any other length. Positions past
// either end of the line repeat the end sample.
#pragma once

#include "basetypes.h"

// Filters u32DataLength samples into pu8Filtered (written despite the const)
// with a window of u32FilterLength; the two lines must not overlap. A window of 7 on fewer than 7 samples
// leaves the output as it was; a window of 5 on fewer than 4 copies the line.
void U_MEDIAN_vFilter(const U8* pu8Data, const U8* pu8Filtered, const U32 u32DataLength, const U32 u32FilterLength);
// The third smallest of five, by a fixed tree of comparisons.
U32 u32FastMedian5(const U32 x1, const U32 x2, const U32 x3, const U32 x4, const U32 x5);
// In a window of seven (index, value) pairs sorted by value: the pair with
// index nIndexOut gives way to (nIndexIn, u8DataIn), and the order holds.
void U_MEDIAN_vReplace7(S32* pnSortedIndex, U8* pu8SortedData, S32 nIndexOut, S32 nIndexIn, U8 u8DataIn);
