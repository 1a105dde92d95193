// The font files are compiled into the program (assembled from data/fonts),
// so that text needs no file system.
#pragma once

#include "basetypes.h"

extern "C" {
extern const U8 g_au8TtfLatinBold[];
extern const U32 g_u32TtfLatinBoldSize;
extern const U8 g_au8TtfLatinRegular[];
extern const U32 g_u32TtfLatinRegularSize;
extern const U8 g_au8TtfUnicode[];
extern const U32 g_u32TtfUnicodeSize;
}
