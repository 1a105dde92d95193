// Basic types shared by every module of the unit.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uint8_t U8;
typedef int8_t S8;
typedef uint16_t U16;
typedef int16_t S16;
typedef uint32_t U32;
typedef int32_t S32;
typedef uint64_t U64;
typedef int64_t S64;
typedef uint8_t BYTE;
typedef uint8_t BOOLEAN;

// Macros rather than constants: FreeType and other C headers define the same
// names guarded by #ifndef, and both spellings must agree.
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Ids of service-layer objects and the millisecond tick.
typedef S32 TASK;
typedef S32 SEMA;
typedef S32 MBOX;
typedef S32 QUEUE;
typedef S32 MUTEX;
typedef S32 MAP;
typedef U16 PRIORITY;
typedef U32 TICKS;
