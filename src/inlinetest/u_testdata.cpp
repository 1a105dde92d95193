#include "u_testdata.h"

struct TEST_FIX {
  double dLat;
  double dLong;
  double dDepth;
};

static const TEST_FIX s_aTrack[] = {
#include "u_testdata_table.inc"
};
constexpr int TESTDATA_RECORDS = (int)(sizeof s_aTrack / sizeof s_aTrack[0]);
static_assert(TESTDATA_RECORDS == 1216);

static const TEST_FIX* m_SData;
static int m_nNextToRead;
static int m_nCount;

void U_TESTDATA_vInitTestData(void) {
  m_SData = s_aTrack;
  m_nCount = TESTDATA_RECORDS;
  m_nNextToRead = 0;
}

// Reading before the table is filled fills it.
static const TEST_FIX& TESTDATA_rCurrent(void) {
  if (m_SData == nullptr) U_TESTDATA_vInitTestData();
  return m_SData[m_nNextToRead];
}

double U_TESTDATA_dGetLat(void) { return TESTDATA_rCurrent().dLat; }
double U_TESTDATA_dGetLong(void) { return TESTDATA_rCurrent().dLong; }

double U_TESTDATA_dGetDpt(void) {
  const double dDepth = TESTDATA_rCurrent().dDepth;
  m_nNextToRead = (m_nNextToRead + 1) % m_nCount;
  return dDepth;
}

int U_TESTDATA_nGetTestDataCount(void) { return m_nCount; }
