// The file services: the base directory, the directory walker, removal and
// sizes, the clock setter, the sync thread, and the faults tests put into the
// stores' file calls, which must fail as a real disk of that kind would.

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "linux_fs.h"
#include "test_tasks.h"
#include "test_timing.h"

namespace {

// An empty directory of the test's own: a run before, in the same base
// directory, may have left its entries there.
std::string MakeDir(const char* leaf) {
  std::string dir = std::string(L_UTILS_cpGetPathnamePtr()) + "/" + leaf;
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  mkdir(dir.c_str(), 0777);
  return dir;
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

TEST(BaseDirectory, ComesFromTheEnvironmentAndIsKept) {
  std::string base = L_UTILS_cpGetPathnamePtr();
  EXPECT_EQ(std::string(getenv("VELMORA_CWD")), base);
  setenv("VELMORA_CWD", "/somewhere/else", 1);
  EXPECT_EQ(base, L_UTILS_cpGetPathnamePtr());
  setenv("VELMORA_CWD", base.c_str(), 1);
}

TEST(BaseDirectoryDeathTest, DefaultsWhenTheVariableIsUnset) {
  EXPECT_EXIT(
      {
        unsetenv("VELMORA_CWD");
        fprintf(stderr, "[%s]", L_UTILS_cpGetPathnamePtr());
        fflush(stderr);
        _exit(0);
      },
      ::testing::ExitedWithCode(0), "\\[/usr/velmora\\]");
}

TEST(DirectoryWalk, ReturnsEveryEntryWithSizeAndKindAndSkipsWhatCannotBeExamined) {
  std::string dir = MakeDir("walk");
  WriteFile(dir + "/a.dat", "abc");
  mkdir((dir + "/sub").c_str(), 0777);
  ASSERT_EQ(0, symlink((dir + "/gone").c_str(), (dir + "/dangling").c_str()));
  WriteFile(dir + "/z.dat", "0123456789");

  VELMORA_DIR* d = FS_OpenDir(dir.c_str());
  ASSERT_NE(nullptr, d);
  std::map<std::string, std::pair<U32, U8>> seen;
  for (int pass = 0; pass < 2; pass++) {
    seen.clear();
    while (VELMORA_DIRENT* e = FS_ReadDir(d)) {
      char name[256];
      FS_DirEnt2Name(e, name);
      U8 attr;
      FS_DirEnt2Attr(e, &attr);
      EXPECT_EQ(dir + "/" + name, e->full_name);
      seen[name] = {FS_DirEnt2Size(e), attr};
    }
    FS_RewindDir(d);
  }
  FS_CloseDir(d);
  ASSERT_EQ(3u, seen.size());
  EXPECT_EQ(3u, seen["a.dat"].first);
  EXPECT_EQ(0, seen["a.dat"].second);
  EXPECT_EQ(10u, seen["z.dat"].first);
  EXPECT_EQ(FS_ATTR_DIRECTORY, seen["sub"].second);

  VELMORA_DIR* empty = FS_OpenDir(MakeDir("empty").c_str());
  EXPECT_EQ(nullptr, FS_ReadDir(empty));
  FS_CloseDir(empty);
  EXPECT_EQ(nullptr, FS_OpenDir((dir + "/missing").c_str()));
  EXPECT_EQ(nullptr, FS_ReadDir(nullptr));
  FS_CloseDir(nullptr);
}

TEST(Files, RemoveReportsItsResultAndAMissingFileIsNoError) {
  std::string dir = MakeDir("remove");
  WriteFile(dir + "/f", "x");
  EXPECT_EQ(0, FS_Remove((dir + "/f").c_str()));
  EXPECT_EQ(FS_ATTR_MISSING, FS_GetFileAttributes((dir + "/f").c_str()));
  EXPECT_EQ(0, FS_Remove((dir + "/f").c_str()));
  WriteFile(dir + "/g", "y");
  EXPECT_NE(0, FS_Remove(dir.c_str())) << "a directory that is not empty stays";
  EXPECT_EQ(FS_ATTR_DIRECTORY, FS_GetFileAttributes(dir.c_str()));
}

TEST(Files, SizeKeepsTheReadPositionAndEndOfFileIsSeenAhead) {
  std::string path = MakeDir("size") + "/f";
  WriteFile(path, "hello");
  FILE* f = fopen(path.c_str(), "rb");
  ASSERT_NE(nullptr, f);
  fgetc(f);
  EXPECT_EQ(5u, FS_GetFileSize(f));
  EXPECT_EQ(1, ftell(f));
  EXPECT_EQ(0, LS_feof(f));
  EXPECT_EQ('e', fgetc(f));
  fseek(f, 0, SEEK_END);
  EXPECT_EQ(1, LS_feof(f));
  EXPECT_EQ(0, LS_fclose(f));
}

TEST(SystemClock, OnlyCorrectionsOfAnHourOrMoreAreMadeAndNeverOnAHostRig) {
  setenv("VELMORA_DEVROOT", "/tmp", 1);
  ::testing::internal::CaptureStdout();
  L_UTILS_vSetSysDate(1700000000);
  L_UTILS_vSetSysDate(1700000100);
  L_UTILS_vSetSysDate(1700003700);
  std::string out = ::testing::internal::GetCapturedStdout();
  unsetenv("VELMORA_DEVROOT");
  EXPECT_NE(std::string::npos, out.find("date -u -s 2023.11.14-22:13:20 > /dev/null")) << out;
  EXPECT_EQ(std::string::npos, out.find("22:15:00")) << out;
  EXPECT_NE(std::string::npos, out.find("date -u -s 2023.11.14-23:15:00")) << out;
}

TEST(SyncThread, SyncsAtMostEveryFiveSeconds) {
  LS_sync_vInit();
  LS_sync_vInit();
  U32 before = LS_sync_u32Count();
  // The thread may still rest from a sync an earlier close asked for. quiet
  // is the last moment the first sync had not come: the next one is due five
  // seconds after it, not before.
  U64 quiet = L_CLOCK_qwGetTimeInMillis();
  LS_sync();
  ASSERT_TRUE(TEST_bWaitUntil(
      [&] {
        const U64 now = L_CLOCK_qwGetTimeInMillis();
        if (LS_sync_u32Count() != before) return true;
        quiet = now;
        return false;
      },
      6000));
  ASSERT_EQ(before + 1, LS_sync_u32Count());
  while (L_CLOCK_qwGetTimeInMillis() < quiet + 3000) {
    LS_sync();
    L_CLOCK_Sleep(100);
  }
  // Past five seconds a second sync is due; a machine that slow cannot tell.
  const U32 afterBurst = LS_sync_u32Count();
  if (L_CLOCK_qwGetTimeInMillis() < quiet + 5000) {
    EXPECT_EQ(before + 1, afterBurst) << "a burst within five seconds costs no extra sync";
  }
  EXPECT_TRUE(TEST_bWaitUntil([&] { return LS_sync_u32Count() != before + 1; }, 3000));
  EXPECT_EQ(before + 2, LS_sync_u32Count());
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Each kind fails the calls a disk in that state fails, with the error it
// gives: r open to read, o open to write, c create, w write, p pwrite, s fsync,
// n rename, u unlink. Files elsewhere are untouched.
TEST(FileFaults, EachKindFailsTheCallsADiskInThatStateFails) {
  const struct {
    FS_FAULT_KIND eKind;
    int error;
    const char* failing;
  } rows[] = {
      {FS_FAULT_DISK_FULL, ENOSPC, "wps"},
      {FS_FAULT_IO_ERROR, EIO, "rocwpsnu"},
      {FS_FAULT_READ_ONLY, EROFS, "ocwpnu"},
      {FS_FAULT_NO_ACCESS, EACCES, "ocnu"},
  };
  const std::string dir = MakeDir("faults");
  const std::string other = MakeDir("faults-not");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.eKind);
    WriteFile(dir + "/f", "data");
    WriteFile(dir + "/g", "data");
    unlink((dir + "/new").c_str());
    const int fd = FS_nOpen((dir + "/f").c_str(), O_RDWR, 0);
    const int fdOther = FS_nOpen((other + "/f").c_str(), O_RDWR | O_CREAT, 0666);
    ASSERT_GE(fd, 0);
    ASSERT_GE(fdOther, 0);
    const std::string prefix = dir + "/";
    const FS_FAULT fault = {row.eKind, prefix.c_str(), 0, FS_FAULT_UNTIL_CLEARED};
    FS_vSetFault(&fault);

    std::string failed;
    std::vector<int> errors;
    auto note = [&](char call, long result) {
      if (result >= 0) return;
      failed += call;
      errors.push_back(errno);
    };
    int opened = FS_nOpen((dir + "/g").c_str(), O_RDONLY, 0);
    note('r', opened);
    if (opened >= 0) close(opened);
    opened = FS_nOpen((dir + "/g").c_str(), O_WRONLY, 0);
    note('o', opened);
    if (opened >= 0) close(opened);
    opened = FS_nOpen((dir + "/new").c_str(), O_WRONLY | O_CREAT, 0666);
    note('c', opened);
    if (opened >= 0) close(opened);
    note('w', FS_nWrite(fd, "x", 1));
    note('p', FS_nPWrite(fd, "y", 1, 2));
    note('s', FS_nFsync(fd));
    note('n', FS_nRename((dir + "/g").c_str(), (dir + "/h").c_str()));
    note('u', FS_nUnlink((dir + "/f").c_str()));
    EXPECT_EQ(row.failing, failed);
    for (int error : errors) EXPECT_EQ(row.error, error);
    EXPECT_EQ(strlen(row.failing), FS_u32FaultHits());

    EXPECT_EQ(1, FS_nWrite(fdOther, "z", 1));
    EXPECT_EQ(0, FS_nFsync(fdOther));
    FS_vSetFault(nullptr);
    close(fd);
    close(fdOther);
  }
}

// A fault ends after its count; a short write moves the first half of its
// bytes; a fault limited to one call leaves the others alone; and a prefix
// through a link still names a file opened by its real path.
TEST(FileFaults, CountsShortWritesChosenCallsAndLinkedPathsAreHonoured) {
  const std::string dir = MakeDir("faults-short");
  const std::string path = dir + "/f";
  unlink(path.c_str());
  const int fd = FS_nOpen(path.c_str(), O_RDWR | O_CREAT, 0666);
  ASSERT_GE(fd, 0);
  const std::string prefix = dir + "/";
  FS_FAULT fault = {FS_FAULT_SHORT_WRITE, prefix.c_str(), 0, 2};
  FS_vSetFault(&fault);
  EXPECT_EQ(5, FS_nWrite(fd, "0123456789", 10));
  EXPECT_EQ(2, FS_nPWrite(fd, "abcd", 4, 5));
  EXPECT_EQ(4, FS_nPWrite(fd, "wxyz", 4, 7));
  EXPECT_EQ(2u, FS_u32FaultHits());
  EXPECT_EQ("01234abwxyz", ReadFile(path));

  const std::string link = std::string(L_UTILS_cpGetPathnamePtr()) + "/faults-link";
  unlink(link.c_str());
  ASSERT_EQ(0, symlink(dir.c_str(), link.c_str()));
  const std::string linked = link + "/";
  fault = {FS_FAULT_IO_ERROR, linked.c_str(), FS_CALL_SYNC, FS_FAULT_UNTIL_CLEARED};
  FS_vSetFault(&fault);
  EXPECT_EQ(3, FS_nWrite(fd, "end", 3));
  errno = 0;
  EXPECT_EQ(-1, FS_nFsync(fd));
  EXPECT_EQ(EIO, errno);
  EXPECT_EQ(-1, FS_nFsync(fd));
  FS_vSetFault(nullptr);
  EXPECT_EQ(0, FS_nFsync(fd));
  close(fd);
}

}  // namespace
