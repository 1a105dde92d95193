// The NVR store's files as the unit finds them at start: the input becomes
// the four files of a fresh base directory, the NVR task's start opens the
// store and restores it into a fresh database, and the rest of what is read
// at start (the blocks, the header rows, the profiles, the units) follows.
//
// Input, little-endian:
//   U8  files present: bit n for the store's file n (sonar, personal, status,
//       slots), bit 4 for the header's copy
//   U16 length, bytes   the sonar block file
//   U16 length, bytes   the personalisation block file
//   U16 length, bytes   the status-bit file
//   U16 length, bytes   the header's copy, only with bit 4
//   U32 size            the slot file, cut or extended (with a hole) to this size
//   then, to the end:   U32 offset, U8 count, count bytes written there in the slot file
// The size is capped, and offsets are taken modulo, a little more than the
// largest slot file.

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "h_database.h"
#include "h_memory.h"
#include "h_nvram.h"
#include "h_profile.h"
#include "linux_fs.h"
#include "t_nvram.h"

namespace {

const char* const kFiles[nfCOUNT + 1] = {"sonar.dat", "personal.dat", "nvr_statbit.dat", "nvr_entries.dat",
                                         "nvr_header.dat"};
constexpr U32 kHeaderCopy = nfCOUNT;
constexpr U32 kSlotFileLimit = 4 * NVRAM_SLOTS + 64;

std::string Path(U32 file) { return std::string(L_UTILS_cpGetPathnamePtr()) + "/" + kFiles[file]; }

int Create(U32 file) { return open(Path(file).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666); }

// Writes the store's files; returns the bytes of each but the slot file
// (empty when absent).
std::vector<std::vector<U8>> WriteStore(FUZZ_INPUT* pIn) {
  for (U32 f = 0; f <= kHeaderCopy; f++) unlink(Path(f).c_str());
  const U8 present = FUZZ_u8Take(pIn);
  std::vector<std::vector<U8>> contents(nfCOUNT + 1);
  // An input without the copy reads as it did before the copy was kept.
  for (U32 f : {(U32)nfSONAR_DATA, (U32)nfPERSONAL_DATA, (U32)nfFCID_STATBIT, kHeaderCopy}) {
    if (f == kHeaderCopy && (present >> f & 1) == 0) continue;
    U32 got = 0;
    const uint8_t* p = FUZZ_pTakeBytes(pIn, FUZZ_u16Take(pIn), &got);
    if ((present >> f & 1) == 0) continue;
    contents[f].assign(p, p + got);
    int fd = Create(f);
    FUZZ_CHECK(fd >= 0 && write(fd, p, got) == (ssize_t)got);
    close(fd);
  }
  // Most sizes give a whole slot file, small ones a short one.
  const U32 size = std::min(FUZZ_u32Take(pIn), kSlotFileLimit);
  int fd = (present >> nfFCID_ENTRIES & 1) != 0 ? Create(nfFCID_ENTRIES) : -1;
  if (fd >= 0) FUZZ_CHECK(ftruncate(fd, size) == 0);
  while (!FUZZ_bEnd(pIn)) {
    const U32 offset = FUZZ_u32Take(pIn) % kSlotFileLimit;
    U32 got = 0;
    const uint8_t* p = FUZZ_pTakeBytes(pIn, FUZZ_u8Take(pIn), &got);
    if (fd >= 0) FUZZ_CHECK(pwrite(fd, p, got, offset) == (ssize_t)got);
  }
  if (fd >= 0) close(fd);
  return contents;
}

// A block reads whole exactly when its file holds at least the block (a
// store of another format has lost its blocks by now), and then as the
// input's first bytes of that file.
void CheckBlock(U32 file, const std::vector<U8>& content, const U8* pBlock, U32 size, BOOLEAN bRead) {
  struct stat st;
  const bool bWhole = stat(Path(file).c_str(), &st) == 0 && st.st_size >= (off_t)size;
  FUZZ_CHECK(bRead == (bWhole ? TRUE : FALSE));
  if (bRead) FUZZ_CHECK(content.size() >= size && memcmp(pBlock, content.data(), size) == 0);
}

// Walks one part of the store: every entry has a slot, comes in slot order,
// reads the same by key and stands in the database with its value.
U32 CheckWalk(BOOLEAN (*pfNext)(U32, NVR_ENTRY*)) {
  U32 count = 0;
  U32 last = 0;
  NVR_ENTRY entry;
  for (U32 i = 0; pfNext(i, &entry); i++) {
    FUZZ_CHECK(H_NVRAM_bHasSlot(entry.id));
    const U32 slot = H_NVRAM_u32XlatID(entry.id);
    FUZZ_CHECK(i == 0 || slot > last);
    last = slot;
    NVR_ENTRY byKey;
    byKey.id = entry.id;
    FUZZ_CHECK(H_NVRAM_bGetItemByID(&byKey) && byKey.data.RawData == entry.data.RawData);
    U32 value = 0;
    FUZZ_CHECK(H_DATABASE_bFetchU32(entry.id, &value, nullptr, nullptr) && value == entry.data.RawData);
    count++;
    FUZZ_CHECK(count <= NVRAM_SLOTS);
  }
  return count;
}

void DrainMailbox(void) {
  while (void* p = L_MBOX_Receive(M_NVRAM)) H_MEMORY_vDumpMail(p);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_vInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FUZZ_INPUT in = {data, size, 0};
  H_DATABASE_vInit();
  const std::vector<std::vector<U8>> contents = WriteStore(&in);

  const U32 restored = T_NVRAM_u32Start();
  FUZZ_CHECK(restored <= NVRAM_SLOTS);

  // Whatever it held, the store is of this code's format after the start,
  // and the task is reachable.
  NVR_ENTRY version;
  version.id = FCID("NVER");
  FUZZ_CHECK(H_NVRAM_bGetItemByID(&version) && version.data.RawData == NVRAM_VERSION);
  BOOLEAN bUsable = FALSE;
  FUZZ_CHECK(H_DATABASE_bFetchBoolean(FCID("CNVR"), &bUsable, nullptr, nullptr) && bUsable);
  U32 mailbox = 0;
  FUZZ_CHECK(H_DATABASE_bFetchU32(FCID("TNVR"), &mailbox, nullptr, nullptr) && mailbox == (U32)M_NVRAM);

  CheckWalk(H_NVRAM_bReadFEntry);
  CheckWalk(H_NVRAM_bReadSEntry);
  for (U32 row = 0; row <= NVRAM_HEADER_ROWS; row++) {
    NVR_ENTRY entry;
    if (H_NVRAM_bReadUnitHeaderEntry(row, &entry)) FUZZ_CHECK(entry.id == g_afcidNvramHeader[row]);
  }

  SONAR_DATA_BLOCK sonar;
  CheckBlock(nfSONAR_DATA, contents[nfSONAR_DATA], (const U8*)&sonar, sizeof sonar,
             H_NVRAM_bReadSonarData(&sonar));
  PERSONALIZATION_DATA_BLOCK personal;
  CheckBlock(nfPERSONAL_DATA, contents[nfPERSONAL_DATA], (const U8*)&personal, sizeof personal,
             H_NVRAM_bReadPersonalizationData(&personal));

  // The readers of restored settings that sit beside the store.
  FUZZ_CHECK(H_PROFILE_bLoadChartProfile(nullptr) && H_PROFILE_bLoadSonarProfile(nullptr));
  H_PROFILE_bRestoreChartMenuSetting();
  H_PROFILE_bRestoreSonarMenuSetting();
  U32 language = 0;
  H_DATABASE_bFetchU32(FCID("SLNG"), &language, nullptr, nullptr);
  for (U32 type = 0; type <= NUMBER_OF_DATA_TYPES; type++) {
    const UNIT_TYPE units = H_DATABASE_CurrentUnits((DATA_TYPE)type);
    FUZZ_CHECK(units < NUMBER_OF_UNIT_TYPES);
    const char* text = H_DATABASE_pcUnitsString(units, language);
    FUZZ_CHECK(text != nullptr);
    (void)strlen(text);
  }

  DrainMailbox();
  return 0;
}
