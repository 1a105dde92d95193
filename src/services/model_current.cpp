// The unit's own model and its feature tests, read from the settings at
// every question.

#include "model_current.h"

#include "h_database.h"

MODEL_TYPE MODEL_eCurrent(void) {
  U32 model;
  if (!H_DATABASE_bFetchU32(FCID("SMDL"), &model, nullptr, nullptr)) return MODEL_DEFAULT;
  return (MODEL_TYPE)model;
}

static BOOLEAN MODEL_bHas(MODEL_FEATURE_BIT bit) { return MODEL_bHasFeature(MODEL_eCurrent(), bit); }

static U32 MODEL_u32Variant(void) {
  U32 variant;
  if (!H_DATABASE_bFetchU32(FCID("SIMT"), &variant, nullptr, nullptr)) return 1;
  return variant;
}

BOOLEAN MODEL_bInternationalModel1(void) {
  return MODEL_bHas(MODEL_BIT_INTERNATIONAL1) && MODEL_u32Variant() == 1;
}

BOOLEAN MODEL_bInternationalModel2(void) {
  return MODEL_bHas(MODEL_BIT_INTERNATIONAL2) || (MODEL_bHas(MODEL_BIT_INTERNATIONAL1) && MODEL_u32Variant() == 2);
}

BOOLEAN MODEL_bInternationalModel3(void) { return MODEL_bHas(MODEL_BIT_INTERNATIONAL3); }
BOOLEAN MODEL_bInternationalModel4(void) { return MODEL_bHas(MODEL_BIT_INTERNATIONAL4); }
BOOLEAN MODEL_bDomesticModel(void) { return MODEL_bDomesticModelNumber(MODEL_eCurrent()); }
BOOLEAN MODEL_bDisplay160x240(void) { return MODEL_bHas(MODEL_BIT_DISPLAY_160X240); }
BOOLEAN MODEL_bDisplay240x240(void) { return MODEL_bHas(MODEL_BIT_DISPLAY_240X240); }
BOOLEAN MODEL_bDisplay240x320(void) { return MODEL_bHas(MODEL_BIT_DISPLAY_240X320); }
BOOLEAN MODEL_bIsColor(void) { return MODEL_bHas(MODEL_BIT_COLOR); }
BOOLEAN MODEL_bSupportsCartography(void) { return MODEL_bHas(MODEL_BIT_CARTOGRAPHY); }
BOOLEAN MODEL_bFishFinderSeries(void) { return MODEL_bHas(MODEL_BIT_FISH_FINDER); }
BOOLEAN MODEL_bIsDownImaging(void) { return MODEL_bHas(MODEL_BIT_DOWN_IMAGING); }
BOOLEAN MODEL_bIceModel(void) { return MODEL_bHas(MODEL_BIT_ICE); }
