#include "u_mmc.h"

#include <fcntl.h>
#include <limits.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

#include "h_memory.h"
#include "linux_fs.h"

typedef struct tag_ACCESS_MODES {
  const char* cMode;
  U8 u8Flags;
  int nOpenFlags;
} ACCESS_MODES;

// Append opens with O_APPEND: every write lands at the end, so a block is
// never read back and written again (which would duplicate it).
static const ACCESS_MODES s_AccessModes[] = {
    {"r", U_MMC_MODE_READ, O_RDONLY},
    {"rb", U_MMC_MODE_READ, O_RDONLY},
    {"w", U_MMC_MODE_WRITE, O_WRONLY | O_CREAT | O_TRUNC},
    {"wb", U_MMC_MODE_WRITE, O_WRONLY | O_CREAT | O_TRUNC},
    {"a", U_MMC_MODE_WRITE | U_MMC_MODE_APPEND, O_WRONLY | O_CREAT | O_APPEND},
    {"ab", U_MMC_MODE_WRITE | U_MMC_MODE_APPEND, O_WRONLY | O_CREAT | O_APPEND},
};

static std::atomic<void (*)(U32, S64)> s_pfTrace{nullptr};

void U_MMC_vSetStreamTrace(void (*pfTrace)(U32 u32Call, S64 s64Result)) { s_pfTrace = pfTrace; }

static void U_MMC_vTrace(U32 u32Call, S64 s64Result) {
  void (*pfTrace)(U32, S64) = s_pfTrace;
  if (pfTrace != nullptr) pfTrace(u32Call, s64Result);
}

// ---------------------------------------------------------------------------
// The stream accesses

static int U_MMC_nStreamRead(BUFFERED_IO_CONTROL* c, void* pDest, int nSize) {
  const size_t got = fread(pDest, 1, (size_t)nSize, c->pFile);
  U_MMC_vTrace(U_MMC_STREAM_READ, (S64)got);
  return (int)got;
}

static BOOLEAN U_MMC_bStreamSeek(BUFFERED_IO_CONTROL* c, S64 s64Offset) {
  const int result = fseeko(c->pFile, (off_t)s64Offset, SEEK_SET);
  U_MMC_vTrace(U_MMC_STREAM_SEEK, result == 0 ? 0 : -1);
  return result == 0;
}

// Writes the held bytes; what could not be written stays held, in order.
static BOOLEAN U_MMC_bWriteHeld(BUFFERED_IO_CONTROL* c) {
  if (c->numCount == 0) return TRUE;
  const int fd = fileno(c->pFile);
  const S64 written = fd >= 0 ? (S64)FS_nWrite(fd, c->pcBuffer, (size_t)c->numCount)
                              : (S64)fwrite(c->pcBuffer, 1, (size_t)c->numCount, c->pFile);
  U_MMC_vTrace(U_MMC_STREAM_WRITE, written);
  if (written > 0) {
    memmove(c->pcBuffer, c->pcBuffer + written, (size_t)(c->numCount - written));
    c->numCount -= (int)written;
    if (c->s64BlockStart >= 0) c->s64BlockStart += written;
  }
  return c->numCount == 0;
}

// The next block into the buffer; FALSE at the end of the file, after which
// only a seek reads again.
static BOOLEAN U_MMC_bRefill(BUFFERED_IO_CONTROL* c) {
  if (c->bEnd) return FALSE;
  if (c->s64BlockStart >= 0) c->s64BlockStart += c->numBlockLength;
  const int got = U_MMC_nStreamRead(c, c->pcBuffer, c->numBufferSize);
  c->numBlockLength = got;
  c->numCount = got;
  c->pcCurrentPointer = c->pcBuffer;
  if (got == 0) c->bEnd = TRUE;
  return got > 0;
}

static void U_MMC_vStart(BUFFERED_IO_CONTROL* c, FS_FILE* pFile, char* pcBuffer, int nSize, BOOLEAN bAllocated,
                         U8 u8Flags, S64 s64Position) {
  c->pcBuffer = pcBuffer;
  c->pcCurrentPointer = pcBuffer;
  c->pFile = pFile;
  c->numCount = 0;
  c->numBufferSize = nSize;
  c->u8ModeFlags = u8Flags;
  c->bAllocated = bAllocated;
  c->s64BlockStart = s64Position;
  c->numBlockLength = 0;
  c->bEnd = FALSE;
}

// ---------------------------------------------------------------------------
// Open and close

BUFFERED_IO_CONTROL* U_MMC_psBufferedOpen(const char* pcName, const char* pcMode, char* pBuffer, int nBufferLength) {
  if (pcName == nullptr || pcMode == nullptr || nBufferLength < 0) return nullptr;
  const ACCESS_MODES* mode = nullptr;
  for (const ACCESS_MODES& row : s_AccessModes) {
    if (strcmp(row.cMode, pcMode) == 0) mode = &row;
  }
  if (mode == nullptr) return nullptr;
  const int size = nBufferLength == 0 ? U_MMC_DEFAULT_BUFFER : nBufferLength;

  BUFFERED_IO_CONTROL* c = (BUFFERED_IO_CONTROL*)H_MEMORY_pvMallocNoWait(sizeof(BUFFERED_IO_CONTROL));
  char* buffer = pBuffer != nullptr ? pBuffer : (char*)H_MEMORY_pvMallocNoWait((U32)size);
  const int fd = (c != nullptr && buffer != nullptr) ? FS_nOpen(pcName, mode->nOpenFlags, 0666) : -1;
  const char streamMode[2] = {mode->cMode[0], '\0'};
  FS_FILE* file = fd >= 0 ? fdopen(fd, streamMode) : nullptr;
  if (file == nullptr) {
    if (fd >= 0) close(fd);
    if (pBuffer == nullptr) H_MEMORY_vFree(buffer);
    H_MEMORY_vFree(c);
    return nullptr;
  }
  // The block buffer is the only buffer: a second one inside the stream
  // would cost memory and copy every byte twice.
  setvbuf(file, nullptr, _IONBF, 0);
  S64 position = 0;
  if (mode->u8Flags & U_MMC_MODE_APPEND) position = (S64)lseek(fd, 0, SEEK_END);
  U_MMC_vStart(c, file, buffer, size, pBuffer == nullptr, mode->u8Flags, position);
  return c;
}

int U_MMC_nBufferedClose(BUFFERED_IO_CONTROL* pIoControl) {
  BUFFERED_IO_CONTROL* c = pIoControl;
  if (c == nullptr) return -1;
  const BOOLEAN bWrite = (c->u8ModeFlags & U_MMC_MODE_WRITE) != 0;
  if (bWrite && !U_MMC_bWriteHeld(c)) return -1;
  const int result = bWrite ? LS_fclose(c->pFile) : fclose(c->pFile);
  if (c->bAllocated) H_MEMORY_vFree(c->pcBuffer);
  H_MEMORY_vFree(c);
  return result;
}

int U_MMC_nBufferedFlush(BUFFERED_IO_CONTROL*) { return 0; }

// ---------------------------------------------------------------------------
// Reading, writing, position

int U_MMC_nBufferedRead(void* pBuffer, int nSize, BUFFERED_IO_CONTROL* pIoControl) {
  BUFFERED_IO_CONTROL* c = pIoControl;
  if (c == nullptr || !(c->u8ModeFlags & U_MMC_MODE_READ) || nSize <= 0) return 0;
  char* dest = (char*)pBuffer;
  int delivered = 0;
  while (delivered < nSize) {
    if (c->numCount == 0) {
      const int wanted = nSize - delivered;
      if (wanted >= c->numBufferSize && !c->bEnd) {
        // Whole blocks go straight to the caller; the buffer then holds none.
        const int whole = wanted - wanted % c->numBufferSize;
        if (c->s64BlockStart >= 0) c->s64BlockStart += c->numBlockLength;
        c->numBlockLength = 0;
        const int got = U_MMC_nStreamRead(c, dest + delivered, whole);
        if (c->s64BlockStart >= 0) c->s64BlockStart += got;
        delivered += got;
        if (got == 0) c->bEnd = TRUE;
        if (got == 0) break;
        continue;
      }
      if (!U_MMC_bRefill(c)) break;
    }
    const int take = c->numCount < nSize - delivered ? c->numCount : nSize - delivered;
    memcpy(dest + delivered, c->pcCurrentPointer, (size_t)take);
    c->pcCurrentPointer += take;
    c->numCount -= take;
    delivered += take;
  }
  return delivered;
}

int U_MMC_nBufferedWrite(const void* pBuffer, int nSize, BUFFERED_IO_CONTROL* pIoControl) {
  BUFFERED_IO_CONTROL* c = pIoControl;
  if (c == nullptr || !(c->u8ModeFlags & U_MMC_MODE_WRITE) || nSize <= 0) return 0;
  const char* source = (const char*)pBuffer;
  int accepted = 0;
  while (accepted < nSize) {
    const int room = c->numBufferSize - c->numCount;
    if (room == 0) break;
    const int take = room < nSize - accepted ? room : nSize - accepted;
    memcpy(c->pcBuffer + c->numCount, source + accepted, (size_t)take);
    c->numCount += take;
    accepted += take;
    if (c->numCount == c->numBufferSize && !U_MMC_bWriteHeld(c)) break;
  }
  return accepted;
}

// The logical position in 64 bits, -1 when unknown.
static S64 U_MMC_s64Tell(const BUFFERED_IO_CONTROL* c) {
  if (c->s64BlockStart < 0) return -1;
  if (c->u8ModeFlags & U_MMC_MODE_READ) return c->s64BlockStart + c->numBlockLength - c->numCount;
  return c->s64BlockStart + c->numCount;
}

int U_MMC_nBufferedTell(BUFFERED_IO_CONTROL* pIoControl) {
  if (pIoControl == nullptr) return -1;
  const S64 position = U_MMC_s64Tell(pIoControl);
  return position > INT_MAX ? -1 : (int)position;
}

int U_MMC_nBufferedSeek(BUFFERED_IO_CONTROL* pIoControl, int nOffset, int nOrigin) {
  BUFFERED_IO_CONTROL* c = pIoControl;
  if (c == nullptr || !(c->u8ModeFlags & U_MMC_MODE_READ)) return -1;
  S64 base = 0;
  if (nOrigin == 1) {
    base = U_MMC_s64Tell(c);
  } else if (nOrigin == 2) {
    const U32 size = FS_GetFileSize(c->pFile);
    U_MMC_vTrace(U_MMC_STREAM_SEEK, size == 0xFFFFFFFFu ? -1 : 0);
    base = size == 0xFFFFFFFFu ? -1 : (S64)size;
  } else if (nOrigin != 0) {
    return -1;
  }
  if (base < 0) return -1;
  const S64 target = base + nOffset;
  if (target < 0) return -1;

  if (c->s64BlockStart >= 0 && target >= c->s64BlockStart && target <= c->s64BlockStart + c->numBlockLength) {
    const int offset = (int)(target - c->s64BlockStart);
    c->pcCurrentPointer = c->pcBuffer + offset;
    c->numCount = c->numBlockLength - offset;
    return 0;
  }
  const S64 start = target - target % c->numBufferSize;
  const int offset = (int)(target - start);
  c->numBlockLength = 0;
  c->numCount = 0;
  c->pcCurrentPointer = c->pcBuffer;
  if (!U_MMC_bStreamSeek(c, start)) {
    c->s64BlockStart = -1;
    return -1;
  }
  c->s64BlockStart = start;
  c->bEnd = FALSE;
  const int got = U_MMC_nStreamRead(c, c->pcBuffer, c->numBufferSize);
  c->numBlockLength = got;
  if (got == 0 || offset > got) {
    // Past the end: the position stays at the end of what was read.
    c->numCount = 0;
    c->pcCurrentPointer = c->pcBuffer + got;
    return -1;
  }
  c->pcCurrentPointer = c->pcBuffer + offset;
  c->numCount = got - offset;
  return 0;
}

// ---------------------------------------------------------------------------
// The command form

BOOLEAN U_MMC_bBufferedIO(BUFFERED_IO_COMMAND eCommand, BUFFERED_IO_CONTROL* pIoControl, char* pData,
                          int numByteCount, FS_FILE* pFile) {
  BUFFERED_IO_CONTROL* c = pIoControl;
  if (c == nullptr) return FALSE;
  switch (eCommand) {
    case INITIALIZE_READ:
    case INITIALIZE_WRITE: {
      if (pFile == nullptr || numByteCount <= 0) return FALSE;
      char* buffer = pData != nullptr ? pData : (char*)H_MEMORY_pvMallocNoWait((U32)numByteCount);
      if (buffer == nullptr) return FALSE;
      const BOOLEAN bRead = eCommand == INITIALIZE_READ;
      // Held bytes go to the descriptor directly: the stream must not keep
      // older ones of its own that would land after them.
      if (!bRead) fflush(pFile);
      const off_t position = ftello(pFile);
      U_MMC_vStart(c, pFile, buffer, numByteCount, pData == nullptr, bRead ? U_MMC_MODE_READ : U_MMC_MODE_WRITE,
                   position < 0 ? -1 : (S64)position);
      return bRead ? U_MMC_bRefill(c) : TRUE;
    }
    case BUFFERED_READ:
      return U_MMC_nBufferedRead(pData, numByteCount, c) == numByteCount;
    case BUFFERED_WRITE:
      return U_MMC_nBufferedWrite(pData, numByteCount, c) == numByteCount;
    case CLOSE_READ:
    case CLOSE_WRITE: {
      const BOOLEAN bWrite = eCommand == CLOSE_WRITE;
      if (bWrite && !U_MMC_bWriteHeld(c)) return FALSE;
      if (c->bAllocated) H_MEMORY_vFree(c->pcBuffer);
      c->pcBuffer = nullptr;
      c->bAllocated = FALSE;
      const int result = bWrite ? LS_fclose(c->pFile) : fclose(c->pFile);
      c->pFile = nullptr;
      return result == 0;
    }
  }
  return FALSE;
}
