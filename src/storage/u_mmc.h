// Files on the memory card through a private block buffer, so that the many
// small reads of a decoder or a recording reader cost no stream access each.
// Every stream access goes through one place, where a test can watch it.
#pragma once

#include <stdio.h>

#include "basetypes.h"

typedef FILE FS_FILE;

constexpr U8 U_MMC_MODE_READ = 1;
constexpr U8 U_MMC_MODE_WRITE = 2;
constexpr U8 U_MMC_MODE_APPEND = 4;
// The block size when the opener gives none.
constexpr int U_MMC_DEFAULT_BUFFER = 512;

// One open file, from the heap.
typedef struct tag_BUFFERED_IO_CONTROL {
  char* pcBuffer;          // the block buffer
  char* pcCurrentPointer;  // next byte in the buffer
  FS_FILE* pFile;
  int numCount;            // reading: bytes still unread in the buffer; writing: bytes held
  int numBufferSize;
  U8 u8ModeFlags;          // U_MMC_MODE_ bits
  BOOLEAN bAllocated;      // the buffer is the control's and goes with it
  // File offset of the buffer's first byte (-1: unknown, the stream cannot
  // tell), and how many bytes of the file the buffer holds from there
  // (reading). A seek trusts only these, never a guess from the position.
  S64 s64BlockStart;
  int numBlockLength;
  BOOLEAN bEnd;            // a refill met the end: no stream read until a seek
} BUFFERED_IO_CONTROL;

typedef enum tag_BUFFERED_IO_COMMAND {
  INITIALIZE_READ = 1,
  INITIALIZE_WRITE = 2,
  BUFFERED_READ = 3,
  BUFFERED_WRITE = 4,
  CLOSE_READ = 5,
  CLOSE_WRITE = 6,
} BUFFERED_IO_COMMAND;

// Opens pcName with mode "r", "rb", "w", "wb", "a" or "ab" (any other mode
// is refused) and a block buffer of nBufferLength bytes (512 when 0): the
// caller's pBuffer when given (it stays the caller's), else one from the
// heap. Append mode only ever appends. Null when anything fails, with
// nothing left open or allocated.
BUFFERED_IO_CONTROL* U_MMC_psBufferedOpen(const char* pcName, const char* pcMode, char* pBuffer, int nBufferLength);
// Bytes delivered into pBuffer, fewer than nSize at the end of the file; 0
// for a control not open for reading.
int U_MMC_nBufferedRead(void* pBuffer, int nSize, BUFFERED_IO_CONTROL* pIoControl);
// Bytes accepted; a full buffer is written at once, and a short write stops
// the call (the unwritten bytes stay held). 0 for a control not open for
// writing.
int U_MMC_nBufferedWrite(const void* pBuffer, int nSize, BUFFERED_IO_CONTROL* pIoControl);
// The logical position (where the next read or write lands), -1 when it is
// unknown or beyond the int range.
int U_MMC_nBufferedTell(BUFFERED_IO_CONTROL* pIoControl);
// Reading controls only: moves to nOffset from the start (origin 0), the
// logical position (1) or the end (2). A target inside the block the buffer
// holds costs no stream access. 0, or -1 for another origin, a target before
// the start or past the end, or a failed stream access.
int U_MMC_nBufferedSeek(BUFFERED_IO_CONTROL* pIoControl, int nOffset, int nOrigin);
// 0; writes leave the buffer only when it is full or at the close.
int U_MMC_nBufferedFlush(BUFFERED_IO_CONTROL* pIoControl);
// Writes held bytes, closes the stream and releases the control (and its
// own buffer): the close's result. -1, with everything left open, when the
// held bytes cannot all be written.
int U_MMC_nBufferedClose(BUFFERED_IO_CONTROL* pIoControl);
// The command form over a stream the caller opened and a control the caller
// holds. INITIALIZE_ sets the buffer to pData (or numByteCount bytes from the
// heap when pData is null) of numByteCount bytes; a read start fills it at
// once (TRUE when anything was read). BUFFERED_READ and BUFFERED_WRITE move
// numByteCount bytes (TRUE when all moved). CLOSE_READ and CLOSE_WRITE
// (after writing what is held) release an allocated buffer and close pFile.
BOOLEAN U_MMC_bBufferedIO(BUFFERED_IO_COMMAND eCommand, BUFFERED_IO_CONTROL* pIoControl, char* pData,
                          int numByteCount, FS_FILE* pFile);

// Stream accesses as a test's trace sees them.
constexpr U32 U_MMC_STREAM_READ = 1;
constexpr U32 U_MMC_STREAM_SEEK = 2;
constexpr U32 U_MMC_STREAM_WRITE = 4;
// Calls pfTrace after every stream access, with the access and its result
// (bytes moved, or 0/-1 of a seek), on the caller's thread; null stops. For
// tests only.
void U_MMC_vSetStreamTrace(void (*pfTrace)(U32 u32Call, S64 s64Result));
