// The feature tests of the unit's own model: setting SMDL (the default model
// when absent) and its variant setting SIMT. Each reads the settings anew, so
// a change of SMDL takes effect at the next question.
#pragma once

#include "model.h"

// The unit's model: SMDL, or MODEL_DEFAULT when it is absent.
MODEL_TYPE MODEL_eCurrent(void);

// International variants: bit 0 of the features with the variant setting
// SIMT (1 when absent) picks variant 1 or 2; bits 1 to 3 are variants 2 to 4.
BOOLEAN MODEL_bInternationalModel1(void);
BOOLEAN MODEL_bInternationalModel2(void);
BOOLEAN MODEL_bInternationalModel3(void);
BOOLEAN MODEL_bInternationalModel4(void);
// A home-market model: none of the international bits; also TRUE for model
// 471 and for a model not in the table.
BOOLEAN MODEL_bDomesticModel(void);
BOOLEAN MODEL_bDisplay160x240(void);
BOOLEAN MODEL_bDisplay240x240(void);
BOOLEAN MODEL_bDisplay240x320(void);
BOOLEAN MODEL_bIsColor(void);
BOOLEAN MODEL_bSupportsCartography(void);
BOOLEAN MODEL_bFishFinderSeries(void);
BOOLEAN MODEL_bIsDownImaging(void);
BOOLEAN MODEL_bIceModel(void);
