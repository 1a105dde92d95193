// The model table: each model number's name and feature bits. The tests for
// the unit's own model (setting SMDL) sit above the database, in
// model_current.cpp; these answer for a model number given.

#include "model.h"

#include <string.h>

struct MODEL_FEATURES {
  MODEL_TYPE Model;
  U64 u64Features;
  const char* pcName;
};

constexpr U64 MODEL_INTERNATIONAL_BITS = 0xF;

// Ordered by model number. Row 0 is named but never matched by a feature test.
static constexpr MODEL_FEATURES s_modelFeatures[126] = {
    {MODEL_471, 0x10348070Full, "FF 471"},
    {MODEL_472, 0x001000102ull, "FF 472 INT2"},
    {MODEL_473, 0x001000104ull, "FF 473 INT3"},
    {MODEL_474, 0x001000108ull, "FF 474 INT4"},
    {MODEL_476, 0x001000101ull, "FF 476 INT"},
    {MODEL_477, 0x001000102ull, "FF 477 INT2"},
    {MODEL_478, 0x001000104ull, "FF 478 INT3"},
    {MODEL_479, 0x001000108ull, "FF 479 INT4"},
    {MODEL_480, 0x001000200ull, "FF 480"},
    {MODEL_481, 0x001000201ull, "FF 481 INT"},
    {MODEL_482, 0x001000202ull, "FF 482 INT2"},
    {MODEL_483, 0x001000204ull, "FF 483 INT3"},
    {MODEL_484, 0x001000208ull, "FF 484 INT4"},
    {MODEL_486, 0x001000201ull, "FF 486 INT"},
    {MODEL_487, 0x001000202ull, "FF 487 INT2"},
    {MODEL_488, 0x001000404ull, "FF 488 INT3"},
    {MODEL_489, 0x001000408ull, "FF 489 INT4"},
    {MODEL_490, 0x001000400ull, "FF 490"},
    {MODEL_491, 0x001000401ull, "FF 491 INT"},
    {MODEL_492, 0x001000402ull, "FF 492 INT2"},
    {MODEL_493, 0x001000404ull, "FF 493 INT3"},
    {MODEL_494, 0x001000408ull, "FF 494 INT4"},
    {MODEL_496, 0x101000201ull, "ICE 496 INT"},
    {MODEL_497, 0x101000202ull, "ICE 497 INT2"},
    {MODEL_498, 0x101000204ull, "ICE 498 INT3"},
    {MODEL_499, 0x101000208ull, "ICE 499 INT4"},
    {MODEL_500, 0x101000200ull, "ICE 500"},
    {MODEL_501, 0x101000201ull, "ICE 501 INT"},
    {MODEL_502, 0x101000202ull, "ICE 502 INT2"},
    {MODEL_503, 0x101000204ull, "ICE 503 INT3"},
    {MODEL_505, 0x001280000ull, "FF 505C"},
    {MODEL_506, 0x001280001ull, "FF 506C INT"},
    {MODEL_507, 0x001280002ull, "FF 507C INT2"},
    {MODEL_508, 0x001280004ull, "FF 508C INT3"},
    {MODEL_509, 0x001280008ull, "FF 509C INT4"},
    {MODEL_511, 0x001280001ull, "FF 511C INT"},
    {MODEL_512, 0x001280002ull, "FF 512C INT2"},
    {MODEL_513, 0x001280004ull, "FF 513C INT3"},
    {MODEL_514, 0x001280008ull, "FF 514C INT4"},
    {MODEL_515, 0x001280000ull, "FF 515C"},
    {MODEL_516, 0x001280001ull, "FF 516C INT"},
    {MODEL_517, 0x001280002ull, "FF 517C INT2"},
    {MODEL_518, 0x001280004ull, "FF 518C INT3"},
    {MODEL_519, 0x001280008ull, "FF 519C INT4"},
    {MODEL_521, 0x001280001ull, "FF 521C INT"},
    {MODEL_522, 0x001280002ull, "FF 522C INT2"},
    {MODEL_523, 0x001280004ull, "FF 523C INT3"},
    {MODEL_524, 0x001280008ull, "FF 524C INT4"},
    {MODEL_525, 0x001280000ull, "FF 525C"},
    {MODEL_526, 0x001280001ull, "FF 526C INT"},
    {MODEL_527, 0x001280002ull, "FF 527C INT2"},
    {MODEL_528, 0x001280004ull, "FF 528C INT3"},
    {MODEL_529, 0x001280008ull, "FF 529C INT4"},
    {MODEL_531, 0x003280011ull, "DI 531 INT"},
    {MODEL_532, 0x003280022ull, "DI 532 INT2"},
    {MODEL_533, 0x003280014ull, "DI 533 INT3"},
    {MODEL_534, 0x003280028ull, "DI 534 INT4"},
    {MODEL_535, 0x003280010ull, "DI 535"},
    {MODEL_536, 0x003280021ull, "DI 536 INT"},
    {MODEL_537, 0x003280012ull, "DI 537 INT2"},
    {MODEL_538, 0x003280024ull, "DI 538 INT3"},
    {MODEL_539, 0x003280018ull, "DI 539 INT4"},
    {MODEL_541, 0x003280011ull, "DI 541 INT"},
    {MODEL_542, 0x003280022ull, "DI 542 INT2"},
    {MODEL_543, 0x003280014ull, "DI 543 INT3"},
    {MODEL_544, 0x003280028ull, "DI 544 INT4"},
    {MODEL_545, 0x003280010ull, "DI 545"},
    {MODEL_546, 0x003280021ull, "DI 546 INT"},
    {MODEL_547, 0x003280012ull, "DI 547 INT2"},
    {MODEL_548, 0x003280024ull, "DI 548 INT3"},
    {MODEL_549, 0x003280018ull, "DI 549 INT4"},
    {MODEL_551, 0x000C80001ull, "CP 551 INT"},
    {MODEL_552, 0x000C80002ull, "CP 552 INT2"},
    {MODEL_553, 0x000C80004ull, "CP 553 INT3"},
    {MODEL_554, 0x000C80008ull, "CP 554 INT4"},
    {MODEL_555, 0x000C80000ull, "CP 555"},
    {MODEL_556, 0x000C80001ull, "CP 556 INT"},
    {MODEL_557, 0x000C80002ull, "CP 557 INT2"},
    {MODEL_558, 0x000C80004ull, "CP 558 INT3"},
    {MODEL_559, 0x000C80008ull, "CP 559 INT4"},
    {MODEL_561, 0x000C80001ull, "CP 561 INT"},
    {MODEL_562, 0x000C80002ull, "CP 562 INT2"},
    {MODEL_563, 0x000C80004ull, "CP 563 INT3"},
    {MODEL_564, 0x000C80008ull, "CP 564 INT4"},
    {MODEL_565, 0x000C80000ull, "CP 565"},
    {MODEL_566, 0x000C80001ull, "CP 566 INT"},
    {MODEL_567, 0x000C80002ull, "CP 567 INT2"},
    {MODEL_568, 0x000C80004ull, "CP 568 INT3"},
    {MODEL_569, 0x000C80008ull, "CP 569 INT4"},
    {MODEL_571, 0x001E80011ull, "CF 571 INT"},
    {MODEL_572, 0x001E80022ull, "CF 572 INT2"},
    {MODEL_573, 0x001E80014ull, "CF 573 INT3"},
    {MODEL_574, 0x001E80028ull, "CF 574 INT4"},
    {MODEL_576, 0x001E80021ull, "CF 576 INT"},
    {MODEL_577, 0x001E80012ull, "CF 577 INT2"},
    {MODEL_578, 0x001E80024ull, "CF 578 INT3"},
    {MODEL_579, 0x001E80018ull, "CF 579 INT4"},
    {MODEL_581, 0x001E80011ull, "CF 581 INT"},
    {MODEL_582, 0x001E80022ull, "CF 582 INT2"},
    {MODEL_583, 0x001E80014ull, "CF 583 INT3"},
    {MODEL_DOMESTIC, 0x001E80020ull, "CF 584"},
    {MODEL_DEFAULT, 0x001E80011ull, "CF 585 INT"},
    {MODEL_586, 0x001E80021ull, "CF 586 INT"},
    {MODEL_587, 0x001E80012ull, "CF 587 INT2"},
    {MODEL_588, 0x001E80024ull, "CF 588 INT3"},
    {MODEL_589, 0x001E80018ull, "CF 589 INT4"},
    {MODEL_591, 0x001E80011ull, "CF 591 INT"},
    {MODEL_592, 0x001E80022ull, "CF 592 INT2"},
    {MODEL_593, 0x001E80014ull, "CF 593 INT3"},
    {MODEL_594, 0x001E80028ull, "CF 594 INT4"},
    {MODEL_596, 0x001E80021ull, "CF 596 INT"},
    {MODEL_597, 0x001E80012ull, "CF 597 INT2"},
    {MODEL_598, 0x001E80024ull, "CF 598 INT3"},
    {MODEL_599, 0x001E80018ull, "CF 599 INT4"},
    {MODEL_601, 0x101480001ull, "ICE 601C INT"},
    {MODEL_602, 0x101480002ull, "ICE 602C INT2"},
    {MODEL_603, 0x101480004ull, "ICE 603C INT3"},
    {MODEL_604, 0x101480008ull, "ICE 604C INT4"},
    {MODEL_605, 0x101480000ull, "ICE 605C"},
    {MODEL_607, 0x101480002ull, "ICE 607C INT2"},
    {MODEL_608, 0x101480004ull, "ICE 608C INT3"},
    {MODEL_609, 0x101480008ull, "ICE 609C INT4"},
    {MODEL_610, 0x101480000ull, "ICE 610C"},
    {MODEL_611, 0x101480001ull, "ICE 611C INT"},
    {MODEL_612, 0x101480002ull, "ICE 612C INT2"},
    {MODEL_643, 0x093E80014ull, "CF 643X INT3"},
};

constexpr size_t MODEL_ROWS = sizeof s_modelFeatures / sizeof s_modelFeatures[0];

static constexpr BOOLEAN MODEL_bTableInOrder(void) {
  if (s_modelFeatures[0].Model != MODEL_471) return FALSE;
  for (size_t i = 1; i < MODEL_ROWS; i++) {
    if (s_modelFeatures[i].Model <= s_modelFeatures[i - 1].Model || s_modelFeatures[i].pcName == nullptr) return FALSE;
  }
  return TRUE;
}
static_assert(MODEL_bTableInOrder(), "every row filled, from model 471 upward in order");

// The model's row, from row 1 on; null for row 0's model or one not in the
// table.
static const MODEL_FEATURES* MODEL_pRow(MODEL_TYPE model) {
  for (size_t i = 1; i < MODEL_ROWS; i++) {
    if (s_modelFeatures[i].Model == model) return &s_modelFeatures[i];
  }
  return nullptr;
}

BOOLEAN MODEL_bHasFeature(MODEL_TYPE model, MODEL_FEATURE_BIT bit) {
  const MODEL_FEATURES* row = MODEL_pRow(model);
  return row != nullptr && (row->u64Features >> bit & 1) != 0;
}

BOOLEAN MODEL_bDomesticModelNumber(MODEL_TYPE model) {
  const MODEL_FEATURES* row = MODEL_pRow(model);
  return row == nullptr || (row->u64Features & MODEL_INTERNATIONAL_BITS) == 0;
}

BOOLEAN MODEL_bKnownModel(MODEL_TYPE model) {
  for (const MODEL_FEATURES& row : s_modelFeatures) {
    if (row.Model == model) return TRUE;
  }
  return FALSE;
}

BOOLEAN MODEL_bRegisterModel(MODEL_TYPE model) { return model == MODEL_DOMESTIC || model == MODEL_DEFAULT; }

const char* MODEL_pcFetchModelText(MODEL_TYPE model) {
  if (model != 0) {
    for (const MODEL_FEATURES& row : s_modelFeatures) {
      if (row.Model == model) return row.pcName;
    }
  }
  return "     ";
}

S32 MODEL_s32FindModel(const char* pcName) {
  if (pcName == nullptr) return -1;
  for (const MODEL_FEATURES& row : s_modelFeatures) {
    if (strcmp(row.pcName, pcName) == 0) return (S32)row.Model;
  }
  return -1;
}
