#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <string>

#include "linux_fs.h"
#include "test_tasks.h"

namespace {

std::string MakeDir(const char* leaf) {
  std::string dir = std::string(L_UTILS_cpGetPathnamePtr()) + "/" + leaf;
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
  LS_sync();
  for (int i = 0; i < 300 && LS_sync_u32Count() == before; i++) L_CLOCK_Sleep(10);
  ASSERT_EQ(before + 1, LS_sync_u32Count());
  for (int i = 0; i < 30; i++) {
    LS_sync();
    L_CLOCK_Sleep(100);
  }
  EXPECT_EQ(before + 1, LS_sync_u32Count()) << "a burst within five seconds costs no extra sync";
  for (int i = 0; i < 300 && LS_sync_u32Count() == before + 1; i++) L_CLOCK_Sleep(10);
  EXPECT_EQ(before + 2, LS_sync_u32Count());
}

}  // namespace
