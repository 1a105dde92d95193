// The chart frame on the test's thread: the navigation task's fixture, a
// full-screen page and the chart view's window, white palette, north up.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <stdlib.h>
#include <string>
#include <vector>

#include "color.h"
#include "g_buffers.h"
#include "g_span.h"
#include "g_truetype.h"
#include "golden.h"
#include "navmath.h"
#include "navtask_test.h"
#include "t_chart.h"
#include "t_chart_overlay.h"
#include "test_timing.h"

inline constexpr S32 kY = 5000000;  // about 41 N

class Chart : public NavTask {
 public:
  BITMAP* m_pPage = nullptr;
  WINDOW_SPECIFICATION m_spec{};
  COLOR m_acolTable[256] = {};

  static void SetUpTestSuite() { ASSERT_TRUE(G_TRUETYPE_bInit()); }

  void SetUp() override {
    NavTask::SetUp();
    // The colour table is the unit's one: a test that changes an entry the
    // palettes leave alone gives it back here.
    COLOR_vFetchColorTableSection(0, 256, m_acolTable);
    T_CHART_vReset();
    T_CHART_vLoadPalettes(PALETTE1);
    m_pPage = G_BUFFERS_pCreateFullScreenBitmap();
    m_spec.currentLayer = CHART_VIEW_PRIORITY;
    m_spec.drawWindowType = SPLIT_FULL_WINDOW;
    m_spec.drawWindow = {0, 479, 799, 0};
    Set("SCUV", 0);
    Set("SNCS", 17);
    SetU("SPAL", PALETTE1);
    H_DATABASE_bUpdateEverythingBoolean(FCID("SNUP"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    H_DATABASE_bUpdateEverythingBoolean(FCID("ICAC"), FALSE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    Drain(M_CHART);
  }
  void TearDown() override {
    G_BUFFERS_vFreeFullScreenBitmap(m_pPage);
    COLOR_vSetColorTableSection(0, 256, m_acolTable);
    T_CHART_vLoadPalettes(PALETTE1);
    NavTask::TearDown();
  }
  // Numbers and flags as value words, whatever the key's type.
  static void Set(const char (&key)[5], S32 v) { SetU(key, (U32)v); }
  static void SetU(const char (&key)[5], U32 v) {
    DB_DATA_TYPE word = {};
    word.u32Val = v;
    H_DATABASE_bUpdateEverything(FCID(key), word, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  }
  static void SetF(const char (&key)[5], float v) {
    H_DATABASE_bUpdateEverythingFloat(FCID(key), v, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  }
  static void SetB(const char (&key)[5], BOOLEAN b) {
    H_DATABASE_bUpdateEverythingBoolean(FCID(key), b, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  }
  // Saved route nIndex made of the two waypoint slots a and b.
  static ROUTE* TwoPointRoute(U32 nIndex, U16 a, U16 b) {
    ROUTE* pRoute = T_NAV_pGetRoute(nIndex);
    memset(pRoute, 0, sizeof *pRoute);
    pRoute->nCount = 2;
    pRoute->u32DateTime = 1;
    pRoute->anWaypoint[0] = a;
    pRoute->anWaypoint[1] = b;
    return pRoute;
  }
  void Draw() { T_CHART_vDrawChartView(m_pPage, &m_spec); }
  COLOR At(S32 x, S32 y) const { return *G_SPAN_pcolAt(m_pPage, x, y); }
  std::vector<COLOR> Pixels() const {
    const COLOR* p = (const COLOR*)m_pPage->pBuffer;
    return std::vector<COLOR>(p, p + (size_t)m_pPage->__u32PixelWidthOfBuffer * m_pPage->pixels_high_full_screen);
  }
  // Every alarm text raised since the last call.
  static std::string Raised() {
    std::string s;
    for (const NAVTEST_ALARM& a : Alarms()) {
      if (a.bSet) s += "[" + a.text + "]";
    }
    return s;
  }
};

// A random-scene soak: its rounds (fewer under the sanitizers and on an
// emulated processor, any number through the named environment variable) and
// its numbers, coordinates favouring the ends of their range.
inline int CHART_nRandomRounds(int nNormal, const char* pcEnv) {
  if (const char* p = getenv(pcEnv)) return atoi(p);
  const int nRounds = (int)TEST_u32Rounds((U32)nNormal);
#if defined(__SANITIZE_THREAD__)
  // The drawing is on one thread: a few rounds show a race as well as many.
  return nRounds < 40 ? nRounds : 40;
#else
  return nRounds;
#endif
}

struct CHART_RANDOM {
  std::mt19937 rng;
  explicit CHART_RANDOM(unsigned seed) : rng(seed) {}
  S32 Any(S32 lo, S32 hi) { return std::uniform_int_distribution<S32>(lo, hi)(rng); }
  S32 Coord(S32 limit) {
    switch (Any(0, 3)) {
      case 0: return limit;
      case 1: return -limit;
      case 2: return Any(-limit, limit);
      default: return limit - Any(0, 3000);
    }
  }
};
