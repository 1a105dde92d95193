#include "fuzz_support.h"

#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <string>

#include "linuxsvc.h"

// The fuzz targets start no task; a row that is started anyway ends at once.
static void FUZZ_vNoTask(void) {}

#define ROW {1024, 100, FUZZ_vNoTask}
#define ROW10 ROW, ROW, ROW, ROW, ROW, ROW, ROW, ROW, ROW, ROW
const TASK_PARAM TaskParams[ntasks] = {ROW10, ROW10, ROW10, ROW10, ROW10, ROW10, ROW10, ROW};
#undef ROW10
#undef ROW

static std::string s_Base;

static int FUZZ_nRemove(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

static void FUZZ_vRemoveBase(void) {
  if (!s_Base.empty()) nftw(s_Base.c_str(), FUZZ_nRemove, 16, FTW_DEPTH | FTW_PHYS);
}

void FUZZ_vInit(void) {
  // Memory-backed where there is one: flushing a scratch store proves nothing
  // and would cost most of a run on a disk.
  const char* tmp = getenv("TMPDIR");
  struct stat st;
  const char* dir = tmp != nullptr && tmp[0] != '\0' ? tmp : stat("/dev/shm", &st) == 0 ? "/dev/shm" : "/tmp";
  s_Base = std::string(dir) + "/velmora-fuzz-XXXXXX";
  if (mkdtemp(s_Base.data()) == nullptr) {
    perror("velmora fuzz: base directory");
    abort();
  }
  // The base directory and the device root (where the store keeps its
  // temporary directory) are both the fresh one.
  setenv("VELMORA_CWD", s_Base.c_str(), 1);
  setenv("VELMORA_DEVROOT", s_Base.c_str(), 1);
  atexit(FUZZ_vRemoveBase);
  // Millions of runs would otherwise log millions of lines; VELMORA_FUZZ_LOG=1
  // shows them while a finding is looked into.
  const char* log = getenv("VELMORA_FUZZ_LOG");
  opt_nolog = log == nullptr || strcmp(log, "1") != 0;
  LSVC_vInit();
}

U8 FUZZ_u8Take(FUZZ_INPUT* pIn) { return pIn->at < pIn->size ? pIn->pData[pIn->at++] : 0; }

U16 FUZZ_u16Take(FUZZ_INPUT* pIn) {
  U16 lo = FUZZ_u8Take(pIn);
  return (U16)(lo | FUZZ_u8Take(pIn) << 8);
}

U32 FUZZ_u32Take(FUZZ_INPUT* pIn) {
  U32 lo = FUZZ_u16Take(pIn);
  return lo | (U32)FUZZ_u16Take(pIn) << 16;
}

const uint8_t* FUZZ_pTakeBytes(FUZZ_INPUT* pIn, U32 u32Want, U32* pu32Got) {
  size_t left = pIn->size - pIn->at;
  *pu32Got = u32Want < left ? u32Want : (U32)left;
  const uint8_t* p = pIn->pData + pIn->at;
  pIn->at += *pu32Got;
  return p;
}

BOOLEAN FUZZ_bEnd(const FUZZ_INPUT* pIn) { return pIn->at >= pIn->size; }

// The unit's fatal errors end the process with _exit, which libFuzzer cannot
// see: the targets are linked with --wrap=_exit, so that such an end aborts
// and libFuzzer keeps the input as a finding.
extern "C" [[noreturn]] void __wrap__exit(int status) {
  fprintf(stderr, "velmora fuzz: the unit ended itself with status %d (see FATAL.LOG)\n", status);
  abort();
}

void FUZZ_vCheck(bool bHolds, const char* pcText, const char* pcFile, int line) {
  if (bHolds) return;
  fprintf(stderr, "%s:%d: does not hold: %s\n", pcFile, line, pcText);
  abort();
}
