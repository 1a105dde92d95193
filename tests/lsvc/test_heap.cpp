#include <gtest/gtest.h>
#include <string.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "error.h"
#include "h_memory.h"
#include "test_tasks.h"

namespace {

// The map id stored in the word before a block; partitions are maps 1..8 in
// ascending block size.
U32 MapOf(const void* p) {
  U32 id;
  memcpy(&id, (const U8*)p - 4, 4);
  return id;
}

std::string FatalLog() {
  std::ifstream in(std::string(L_UTILS_cpGetPathnamePtr()) + "/FATAL.LOG");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(Heap, RequestsLandInTheSmallestPartitionThatFits) {
  const struct {
    U32 size;
    U32 map;
  } rows[] = {{0, 1}, {60, 1}, {61, 2}, {340, 2}, {341, 3}, {1024, 3}, {4096, 4}, {8796, 5},
              {8797, 6}, {16384, 6}, {131076, 7}, {131077, 8}, {409696, 8}};
  for (const auto& row : rows) {
    void* p = H_MEMORY_pvMalloc(row.size);
    EXPECT_EQ(row.map, MapOf(p)) << row.size;
    EXPECT_EQ(0u, (uintptr_t)p % alignof(std::max_align_t)) << row.size;
    memset(p, 0xA5, row.size);
    H_MEMORY_vFree(p);
  }
}

TEST(Heap, AnEmptyPartitionSpillsUpward) {
  std::vector<void*> held;
  void* spilled = nullptr;
  while (spilled == nullptr) {
    void* p = H_MEMORY_pvMallocNoWait(10);
    ASSERT_NE(nullptr, p);
    if (MapOf(p) == 2) {
      spilled = p;
    } else {
      held.push_back(p);
    }
    ASSERT_LE(held.size(), 4050u);
  }
  void* again = H_MEMORY_pvMallocNoWait(60);
  EXPECT_EQ(2u, MapOf(again));
  H_MEMORY_vFree(again);
  H_MEMORY_vFree(spilled);
  for (void* p : held) H_MEMORY_vFree(p);
  void* back = H_MEMORY_pvMalloc(10);
  EXPECT_EQ(1u, MapOf(back));
  H_MEMORY_vFree(back);
}

TEST(Heap, NoWaitGivesNullAndMallocWaitsWhenEveryFittingPartitionIsEmpty) {
  std::vector<void*> largest;
  while (void* p = H_MEMORY_pvMallocNoWait(200000)) largest.push_back(p);
  EXPECT_EQ(8u, largest.size());
  EXPECT_EQ(nullptr, H_MEMORY_pvMallocNoWait(409696));

  std::atomic<void*> got{nullptr};
  ASSERT_EQ(0, TEST_StartTask(45, [&] { got = H_MEMORY_pvMalloc(300000); }));
  L_CLOCK_Sleep(50);
  EXPECT_EQ(nullptr, got.load()) << "must wait for a block";
  void* released = largest.back();
  largest.pop_back();
  H_MEMORY_vFree(released);
  ASSERT_TRUE(TEST_bJoinTask(45));
  EXPECT_EQ(released, got.load());
  H_MEMORY_vFree(got);
  for (void* p : largest) H_MEMORY_vFree(p);
}

TEST(Heap, ReallocKeepsTheBlockWhenItStillFitsAndCopiesOnlyWhatIsThere) {
  U8* p = (U8*)H_MEMORY_pvMalloc(60);
  for (int i = 0; i < 60; i++) p[i] = (U8)i;
  EXPECT_EQ(p, H_MEMORY_pvRealloc(p, 50));
  U8* grown = (U8*)H_MEMORY_pvRealloc(p, 5000);
  ASSERT_NE(p, grown);
  EXPECT_EQ(5u, MapOf(grown));
  for (int i = 0; i < 60; i++) ASSERT_EQ(i, grown[i]);
  U8* shrunk = (U8*)H_MEMORY_pvRealloc(grown, 20);
  EXPECT_EQ(1u, MapOf(shrunk));
  for (int i = 0; i < 20; i++) ASSERT_EQ(i, shrunk[i]);
  H_MEMORY_vFree(shrunk);
  void* fresh = H_MEMORY_pvRealloc(nullptr, 100);
  EXPECT_EQ(2u, MapOf(fresh));
  H_MEMORY_vFree(fresh);
}

TEST(Heap, CallocZeroesAndFreeOfNullIsIgnored) {
  U8* p = (U8*)H_MEMORY_pvMalloc(300);
  memset(p, 0xFF, 300);
  H_MEMORY_vFree(p);
  U8* z = (U8*)H_MEMORY_pvCalloc(30, 10);
  for (int i = 0; i < 300; i++) ASSERT_EQ(0, z[i]);
  H_MEMORY_vFree(z);
  H_MEMORY_vFree(nullptr);
}

TEST(HeapDeathTest, ARequestAboveTheLargestBlockIsFatal) {
  EXPECT_EXIT(H_MEMORY_pvMalloc(409697), ::testing::ExitedWithCode(10), "");
  std::string log = FatalLog();
  EXPECT_NE(std::string::npos, log.find("error: Requesting a partition that is too large in h_memory.cpp at "));
  // The line before the record is the local time, as ctime writes it.
  size_t at = log.rfind("error: Requesting");
  ASSERT_NE(std::string::npos, at);
  size_t start = log.rfind('\n', at - 2);
  std::string when = log.substr(start == std::string::npos ? 0 : start + 1, at - (start == std::string::npos ? 0 : start + 1));
  EXPECT_EQ(25u, when.size()) << when;
}

TEST(HeapDeathTest, CountTimesSizeThatOverflowsIsFatal) {
  EXPECT_EXIT(H_MEMORY_pvCalloc(0x10000, 0x10001), ::testing::ExitedWithCode(10), "");
}

TEST(HeapDeathTest, FreeingTwiceOrAForeignPointerIsFatal) {
  EXPECT_EXIT(
      {
        void* p = H_MEMORY_pvMalloc(10);
        H_MEMORY_vFree(p);
        H_MEMORY_vFree(p);
      },
      ::testing::ExitedWithCode(10), "");
  alignas(16) static U8 foreign[64];
  EXPECT_EXIT(H_MEMORY_vFree(foreign + 16), ::testing::ExitedWithCode(10), "");
}

}  // namespace
