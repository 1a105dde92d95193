// 16.16 fixed-point maths against the standard library, and the median
// filters against SciPy's.

#include <gtest/gtest.h>
#include <math.h>

#include <algorithm>
#include <random>

#include "peer.h"
#include "u_fixed_point.h"
#include "u_median.h"
#include "u_nav.h"

namespace {

constexpr FIXED_POINT Deg(int d) { return d * 65536; }

TEST(FixedPoint, SinesFoldEveryAngleOntoTheQuarterTable) {
  for (int i = 0; i < FIXED_POINT_SIN_ENTRIES; i++) {
    ASSERT_EQ(lround(sin(i / 16.0 * M_PI / 180.0) * 65536.0), fpnSinLookupTable[i]) << i;
  }
  for (int i = 0; i < U_NAV_SIN_ENTRIES; i++) ASSERT_EQ(lround(sin(i * M_PI / 180.0) * 65536.0), anSinTable[i]) << i;
  EXPECT_EQ(65536, U_FIXED_POINT_fpnSin(Deg(90)));
  EXPECT_EQ(-65536, U_FIXED_POINT_fpnSin(Deg(-90)));
  EXPECT_EQ(32768, U_FIXED_POINT_fpnSin(Deg(30)));
  EXPECT_EQ(U_FIXED_POINT_fpnSin(Deg(90)), U_FIXED_POINT_fpnSin(Deg(450)));
  EXPECT_EQ(0, U_FIXED_POINT_fpnSin(Deg(720)));
  EXPECT_EQ(65536, U_FIXED_POINT_fpnCos(0));
  EXPECT_EQ(-65536, U_FIXED_POINT_fpnCos(Deg(180)));
  // Anywhere, within the sine's change over half a sixteenth of a degree.
  std::mt19937 rng(190);
  std::uniform_int_distribution<S32> any(INT32_MIN + 1, INT32_MAX);
  for (int i = 0; i < 100000; i++) {
    const S32 a = any(rng);
    ASSERT_NEAR(sin(a / 65536.0 * M_PI / 180.0) * 65536.0, U_FIXED_POINT_fpnSin(a), 36.5) << a;
  }
}

TEST(FixedPoint, RootsLengthsAndNormalsAreExactWhereTheyCanBe) {
  EXPECT_EQ(0x20000, U_FIXED_POINT_fpnSqrt(0x40000));
  EXPECT_EQ(92672, U_FIXED_POINT_fpnSqrt(0x20000)) << "362 x 256";
  EXPECT_EQ(0, U_FIXED_POINT_fpnSqrt(-1));
  EXPECT_EQ((S32)(floor(sqrt(2147483647.0))) << 8, U_FIXED_POINT_fpnSqrt(INT32_MAX));
  VECTOR_3D v = {Deg(3), Deg(4), 0};
  EXPECT_EQ(Deg(5), U_FIXED_POINT_fpnVectorLength(&v));
  v = {INT32_MIN, INT32_MIN, INT32_MIN};
  EXPECT_EQ((S32)(U32)(U64)floor(sqrt(3.0) * 2147483648.0), U_FIXED_POINT_fpnVectorLength(&v)) << "low 32 bits";
  const VECTOR_3D x = {65536, 0, 0}, y = {0, 65536, 0}, twoX = {Deg(2), 0, 0};
  VECTOR_3D n;
  U_FIXED_POINT_vNormalizedCrossProduct(&n, &x, &y);
  EXPECT_TRUE(n.x == 0 && n.y == 0 && n.z == 65536);
  U_FIXED_POINT_vNormalizedCrossProduct(&n, &x, &twoX);
  EXPECT_TRUE(n.x == 0 && n.y == 0 && n.z == 0);
  const VECTOR_3D a = {Deg(1), Deg(2), Deg(3)}, b = {Deg(-2), Deg(1), Deg(5)};
  U_FIXED_POINT_vNormalizedCrossProduct(&n, &a, &b);
  // (7, -11, 5) / sqrt(195)
  EXPECT_NEAR(7 / sqrt(195.0) * 65536, n.x, 2);
  EXPECT_NEAR(-11 / sqrt(195.0) * 65536, n.y, 2);
  EXPECT_NEAR(5 / sqrt(195.0) * 65536, n.z, 2);
}

std::vector<U8> Filtered(const std::vector<U8>& line, U32 window, U8 fill = 0xEE) {
  std::vector<U8> out(line.size(), fill);
  U_MEDIAN_vFilter(line.data(), out.data(), (U32)line.size(), window);
  return out;
}

TEST(Median, EdgeCasesOfTheFastPaths) {
  EXPECT_EQ(std::vector<U8>(6, 0xEE), Filtered({1, 2, 3, 4, 5, 6}, 7)) << "seven on six leaves the output alone";
  EXPECT_EQ((std::vector<U8>{10, 20, 20}), Filtered({10, 50, 20}, 3));
  EXPECT_EQ(std::vector<U8>{42}, Filtered({42}, 3));
  // Ends copied; second and last but one see the end sample twice:
  // (9 9 3 3 250) -> 9, (3 250 3 7 7) -> 7.
  EXPECT_EQ((std::vector<U8>{9, 9, 3, 3, 7, 7}), Filtered({9, 3, 3, 250, 3, 7}, 5));
  EXPECT_EQ((std::vector<U8>{4, 4, 4, 4, 4, 4, 4, 4}), Filtered({4, 4, 4, 4, 0, 4, 4, 4}, 7));
  EXPECT_EQ(3u, u32FastMedian5(5, 1, 4, 2, 3));
  std::vector<U32> p = {10, 20, 30, 40, 50};
  do {
    ASSERT_EQ(30u, u32FastMedian5(p[0], p[1], p[2], p[3], p[4]));
  } while (std::next_permutation(p.begin(), p.end()));
  Filtered(std::vector<U8>(5, 1), 0xFFFFFFFF);
}

TEST(Peers, MediansMatchScipyWithNearestEdges) {
  if (!bHavePeer(VELMORA_PYTHON_PATH) ||
      system(VELMORA_PYTHON_PATH " -c 'import scipy.ndimage' >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "python3-scipy is not installed";
  }
  std::mt19937 rng(191);
  std::ostringstream in;
  std::vector<std::pair<U32, std::vector<U8>>> lines;
  for (U32 window : {3u, 5u, 7u, 9u, 15u}) {
    for (int i = 0; i < 200; i++) {
      std::vector<U8> line(window + rng() % 60);
      // Few distinct values half the time: ties are where medians slip.
      const U32 spread = (i & 1) ? 256 : 4;
      for (U8& v : line) v = (U8)(rng() % spread);
      lines.emplace_back(window, line);
      in << window;
      for (U8 v : line) in << ' ' << (int)v;
      in << '\n';
    }
  }
  const std::vector<std::string> out = RunPeer(
      VELMORA_PYTHON_PATH
      " -c 'import sys, numpy, scipy.ndimage as n\n"
      "for l in sys.stdin:\n"
      " w, *v = map(int, l.split())\n"
      " print(*n.median_filter(numpy.array(v, dtype=numpy.uint8), size=w, mode=\"nearest\"))'",
      in.str());
  ASSERT_EQ(lines.size(), out.size());
  for (size_t i = 0; i < lines.size(); i++) {
    const std::vector<double> expected = Numbers(out[i]);
    const std::vector<U8> ours = Filtered(lines[i].second, lines[i].first);
    ASSERT_EQ(std::vector<double>(ours.begin(), ours.end()), expected) << "window " << lines[i].first << " line " << i;
  }
}

}  // namespace
