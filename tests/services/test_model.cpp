#include <gtest/gtest.h>

#include <string>

#include "h_database.h"
#include "model_current.h"

namespace {

typedef BOOLEAN (*FEATURE_TEST)(void);

const struct {
  const char* name;
  FEATURE_TEST pfTest;
} kFeatureTests[] = {
    {"International1", MODEL_bInternationalModel1}, {"International2", MODEL_bInternationalModel2},
    {"International3", MODEL_bInternationalModel3}, {"International4", MODEL_bInternationalModel4},
    {"Display160x240", MODEL_bDisplay160x240},      {"Display240x240", MODEL_bDisplay240x240},
    {"Display240x320", MODEL_bDisplay240x320},      {"IsColor", MODEL_bIsColor},
    {"SupportsCartography", MODEL_bSupportsCartography}, {"FishFinderSeries", MODEL_bFishFinderSeries},
    {"IsDownImaging", MODEL_bIsDownImaging},        {"IceModel", MODEL_bIceModel},
};
constexpr size_t kFeatures = sizeof kFeatureTests / sizeof kFeatureTests[0];

// The answers of every feature test, as a string of 0 and 1, then the
// domestic test after a '/'.
std::string Answers() {
  std::string answers;
  for (const auto& t : kFeatureTests) answers += t.pfTest() ? '1' : '0';
  return answers + '/' + (MODEL_bDomesticModel() ? '1' : '0');
}

class Model : public ::testing::Test {
 protected:
  void SetUp() override { H_DATABASE_vInit(); }
  void TearDown() override { H_DATABASE_vInit(); }
  static void SetModel(U32 model) { ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SMDL"), model, P_NORMAL)); }
  static void SetVariant(U32 variant) { ASSERT_FALSE(H_DATABASE_bUpdateValueU32(FCID("SIMT"), variant, P_NORMAL)); }
};

TEST_F(Model, FeatureTestsAnswerForTheModelAndVariant) {
  const struct {
    U32 model;  // 0: SMDL absent
    U32 variant;  // 0: SIMT absent
    const char* answers;
  } rows[] = {
      //            I1I2I3I4 displays colour chart ff di ice / domestic
      {0, 0, "100000011100/0"},        // the default model, variant 1 when SIMT is absent
      {MODEL_DEFAULT, 0, "100000011100/0"},
      {MODEL_DEFAULT, 2, "010000011100/0"},
      {MODEL_DEFAULT, 3, "000000011100/0"},
      {MODEL_DOMESTIC, 0, "000000011100/1"},
      {471, 0, "000000000000/1"},      // row 0 carries every bit, and no test sees it
      {472, 0, "010010000100/0"},      // monochrome, 160 x 240
      {473, 0, "001010000100/0"},
      {474, 0, "000110000100/0"},
      {480, 0, "000001000100/1"},
      {496, 1, "100001000101/0"},      // ice flasher, bit 0 with variant 1
      {496, 2, "010001000101/0"},
      {490, 0, "000000100100/1"},
      {535, 0, "000000010110/1"},      // down imaging
      {600, 0, "000000000000/1"},      // not in the table
      {475, 0, "000000000000/1"},
      {MODEL_UNKNOWN, 0, "000000000000/1"},
  };
  for (const auto& row : rows) {
    H_DATABASE_vInit();
    if (row.model != 0) SetModel(row.model);
    if (row.variant != 0) SetVariant(row.variant);
    EXPECT_EQ(row.answers, Answers()) << "model " << row.model << " variant " << row.variant;
  }
}

TEST_F(Model, EveryFeatureTestSeparatesTheTable) {
  size_t rows = 0;
  std::string yes(kFeatures, '0'), no(kFeatures, '0');
  BOOLEAN bSawDomestic = FALSE, bSawInternational = FALSE;
  for (U32 model = MODEL_471 + 1; model < NUM_MODELS; model++) {
    if (MODEL_s32FindModel(MODEL_pcFetchModelText((MODEL_TYPE)model)) != (S32)model) continue;
    rows++;
    SetModel(model);
    for (size_t i = 0; i < kFeatures; i++) (kFeatureTests[i].pfTest() ? yes : no)[i] = '1';
    (MODEL_bDomesticModel() ? bSawDomestic : bSawInternational) = TRUE;
  }
  EXPECT_EQ(125u, rows) << "rows after row 0, each found by its own name";
  EXPECT_EQ(std::string(kFeatures, '1'), yes) << "a test TRUE for no model";
  EXPECT_EQ(std::string(kFeatures, '1'), no) << "a test TRUE for every model";
  EXPECT_TRUE(bSawDomestic);
  EXPECT_TRUE(bSawInternational);
}

TEST_F(Model, NamesAndNumbersFindEachOther) {
  EXPECT_EQ("     ", std::string(MODEL_pcFetchModelText((MODEL_TYPE)0)));
  EXPECT_EQ("     ", std::string(MODEL_pcFetchModelText((MODEL_TYPE)475)));
  EXPECT_EQ("     ", std::string(MODEL_pcFetchModelText(MODEL_UNKNOWN)));
  const std::string first = MODEL_pcFetchModelText(MODEL_471);
  EXPECT_NE("     ", first) << "row 0 has a name";
  EXPECT_EQ(471, MODEL_s32FindModel(first.c_str()));
  EXPECT_EQ(585, MODEL_s32FindModel(MODEL_pcFetchModelText(MODEL_DEFAULT)));
  EXPECT_EQ(-1, MODEL_s32FindModel(nullptr));
  EXPECT_EQ(-1, MODEL_s32FindModel(""));
  EXPECT_EQ(-1, MODEL_s32FindModel("     "));
  const std::string longer = first + " ";
  EXPECT_EQ(-1, MODEL_s32FindModel(longer.c_str())) << "exact names only";
}

TEST_F(Model, OnlyTheTwoRegistrationModelsRegister) {
  for (U32 model : {0u, 471u, 583u, 586u, (U32)MODEL_UNKNOWN}) EXPECT_FALSE(MODEL_bRegisterModel((MODEL_TYPE)model)) << model;
  EXPECT_TRUE(MODEL_bRegisterModel(MODEL_DOMESTIC));
  EXPECT_TRUE(MODEL_bRegisterModel(MODEL_DEFAULT));
}

}  // namespace
