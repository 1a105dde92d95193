// A recorded boat track with depths, read a fix at a time, for feeding a
// track into the unit during development tests: latitude, then longitude,
// then depth, which moves on to the next fix (and back to the first after
// the last).
#pragma once

void U_TESTDATA_vInitTestData(void);
double U_TESTDATA_dGetLat(void);
double U_TESTDATA_dGetLong(void);
double U_TESTDATA_dGetDpt(void);
int U_TESTDATA_nGetTestDataCount(void);
