#include <gtest/gtest.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <random>
#include <vector>

#include "dd_util.h"

namespace {

TEST(Copy, EqualsMemcpyForEverySizeUpTo1000AtEveryAlignment) {
  std::vector<U8> src(1000 + 32), expected(1000 + 64), actual(1000 + 64);
  std::mt19937 rng(7);
  for (U8& b : src) b = (U8)rng();
  for (U32 n = 0; n <= 1000; n++) {
    for (U32 sa = 0; sa < 16; sa++) {
      for (U32 da = 0; da < 16; da++) {
        memset(expected.data(), 0xEE, expected.size());
        memset(actual.data(), 0xEE, actual.size());
        memcpy(expected.data() + da, src.data() + sa, n);
        void* r = DD_UTIL_Memcpy(actual.data() + da, src.data() + sa, n);
        ASSERT_EQ(actual.data() + da, r);
        ASSERT_EQ(0, memcmp(expected.data(), actual.data(), actual.size())) << "n " << n << " src " << sa << " dst " << da;
      }
    }
  }
}

TEST(Copy, LargeFrameCopiesExactly) {
  std::vector<U8> src(768000 + 7), dst(768000 + 16, 0);
  for (size_t i = 0; i < src.size(); i++) src[i] = (U8)(i * 31 + 7);
  DD_UTIL_Memcpy(dst.data() + 3, src.data() + 5, 768000);
  EXPECT_EQ(0, memcmp(dst.data() + 3, src.data() + 5, 768000));
  EXPECT_EQ(0, dst[2]);
  EXPECT_EQ(0, dst[768003]);
}

// Pages on either side of a block that fault when touched.
class GUARDED_BLOCK {
 public:
  explicit GUARDED_BLOCK(size_t pages) : page_((size_t)sysconf(_SC_PAGESIZE)), size_((pages + 2) * page_) {
    void* p = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    base_ = p == MAP_FAILED ? nullptr : (U8*)p;
    if (base_ != nullptr) {
      mprotect(base_, page_, PROT_NONE);
      mprotect(base_ + size_ - page_, page_, PROT_NONE);
    }
  }
  ~GUARDED_BLOCK() {
    if (base_ != nullptr) munmap(base_, size_);
  }
  U8* begin() const { return base_ + page_; }
  U8* end() const { return base_ + size_ - page_; }

 private:
  size_t page_, size_;
  U8* base_;
};

TEST(Copy, ReadsNothingBeforeOrPastTheSource) {
  GUARDED_BLOCK from(1);
  ASSERT_NE(nullptr, from.begin());
  for (U8* p = from.begin(); p != from.end(); p++) *p = (U8)((p - from.begin()) * 13 + 1);
  std::vector<U8> to(1000 + 16);
  for (U32 n = 0; n <= 1000; n++) {
    for (const U8* s : {from.begin(), from.end() - n}) {
      for (U32 da = 0; da < 16; da++) {
        DD_UTIL_Memcpy(to.data() + da, s, n);
        ASSERT_EQ(0, memcmp(to.data() + da, s, n)) << "n " << n << " dst " << da;
      }
    }
  }
}

TEST(ByteSwap, ReversesTheFourBytes) {
  EXPECT_EQ(0x12000000u, DD_UTIL_EndianSwap(0x00000012u));
  EXPECT_EQ(0x78563412u, DD_UTIL_EndianSwap(0x12345678u));
  EXPECT_EQ(0x000000FFu, DD_UTIL_EndianSwap(0xFF000000u));
}

TEST(Base36, DigitsConvertBothWays) {
  const struct {
    U8 c;
    U32 v;
  } rows[] = {{'0', 0}, {'9', 9}, {'A', 10}, {'Z', 35}, {'z', 0}, {':', 0}, {'@', 0}, {0xB5, 5}, {0xC1, 10}};
  for (const auto& row : rows) EXPECT_EQ(row.v, DD_UTIL_XlatCapNumeric(row.c)) << (int)row.c;
  for (U32 v = 0; v < 36; v++) EXPECT_EQ(v, DD_UTIL_XlatCapNumeric(DD_UTIL_FormCapNumeric(v))) << v;
  EXPECT_EQ('A', DD_UTIL_FormCapNumeric(10));
  EXPECT_EQ('Z', DD_UTIL_FormCapNumeric(35));
  EXPECT_EQ('[', DD_UTIL_FormCapNumeric(36));
}

TEST(ChromaBlit, ReplacesKeyedPixelsAndStopsAtTheCount) {
  const U16 key = 0xF81F;
  std::vector<U16> dst(32, 0x1234), src(32);
  for (int i = 0; i < 32; i++) src[i] = (U16)i;
  for (int i = 0; i < 32; i += 3) dst[i] = key;
  std::vector<U16> before = dst;
  Neon_ChromaBlit16(dst.data(), src.data(), 17, key);
  for (int i = 0; i < 32; i++) {
    U16 expected = (i < 17 && before[i] == key) ? src[i] : before[i];
    EXPECT_EQ(expected, dst[i]) << i;
  }
  // Exactly count pixels: a buffer of 17 is never overrun.
  std::vector<U16> tight(17, key), from(17, 7);
  Neon_ChromaBlit16(tight.data(), from.data(), 17, key);
  for (U16 p : tight) EXPECT_EQ(7, p);
  Neon_ChromaBlit16(tight.data(), from.data(), 0, 7);
}

TEST(ChromaBlit, EveryCountAroundTheBlockSizeTouchesExactlyThatManyPixels) {
  const U16 key = 0x07E0;
  std::mt19937 rng(3);
  for (S32 count = 0; count <= 50; count++) {
    std::vector<U16> dst(64), src(64);
    for (int i = 0; i < 64; i++) {
      dst[i] = (rng() & 1) ? key : (U16)rng();
      src[i] = (U16)rng();
    }
    std::vector<U16> expected = dst;
    for (S32 i = 0; i < count; i++) {
      if (expected[i] == key) expected[i] = src[i];
    }
    Neon_ChromaBlit16(dst.data(), src.data(), count, key);
    ASSERT_EQ(expected, dst) << "count " << count;
  }
}

}  // namespace
