// The model table: each model number's name and feature bits. The feature
// tests for the unit's own model are in model_current.h.
#pragma once

#include "basetypes.h"

// Model numbers of the product line. MODEL_DOMESTIC and MODEL_DEFAULT are the
// home-market and the international default (the latter when SMDL is absent).
enum MODEL_TYPE : U32 {
  MODEL_471 = 471, MODEL_472 = 472, MODEL_473 = 473, MODEL_474 = 474, MODEL_476 = 476, MODEL_477 = 477,
  MODEL_478 = 478, MODEL_479 = 479, MODEL_480 = 480, MODEL_481 = 481, MODEL_482 = 482, MODEL_483 = 483,
  MODEL_484 = 484, MODEL_486 = 486, MODEL_487 = 487, MODEL_488 = 488, MODEL_489 = 489, MODEL_490 = 490,
  MODEL_491 = 491, MODEL_492 = 492, MODEL_493 = 493, MODEL_494 = 494, MODEL_496 = 496, MODEL_497 = 497,
  MODEL_498 = 498, MODEL_499 = 499, MODEL_500 = 500, MODEL_501 = 501, MODEL_502 = 502, MODEL_503 = 503,
  MODEL_505 = 505, MODEL_506 = 506, MODEL_507 = 507, MODEL_508 = 508, MODEL_509 = 509, MODEL_511 = 511,
  MODEL_512 = 512, MODEL_513 = 513, MODEL_514 = 514, MODEL_515 = 515, MODEL_516 = 516, MODEL_517 = 517,
  MODEL_518 = 518, MODEL_519 = 519, MODEL_521 = 521, MODEL_522 = 522, MODEL_523 = 523, MODEL_524 = 524,
  MODEL_525 = 525, MODEL_526 = 526, MODEL_527 = 527, MODEL_528 = 528, MODEL_529 = 529, MODEL_531 = 531,
  MODEL_532 = 532, MODEL_533 = 533, MODEL_534 = 534, MODEL_535 = 535, MODEL_536 = 536, MODEL_537 = 537,
  MODEL_538 = 538, MODEL_539 = 539, MODEL_541 = 541, MODEL_542 = 542, MODEL_543 = 543, MODEL_544 = 544,
  MODEL_545 = 545, MODEL_546 = 546, MODEL_547 = 547, MODEL_548 = 548, MODEL_549 = 549, MODEL_551 = 551,
  MODEL_552 = 552, MODEL_553 = 553, MODEL_554 = 554, MODEL_555 = 555, MODEL_556 = 556, MODEL_557 = 557,
  MODEL_558 = 558, MODEL_559 = 559, MODEL_561 = 561, MODEL_562 = 562, MODEL_563 = 563, MODEL_564 = 564,
  MODEL_565 = 565, MODEL_566 = 566, MODEL_567 = 567, MODEL_568 = 568, MODEL_569 = 569, MODEL_571 = 571,
  MODEL_572 = 572, MODEL_573 = 573, MODEL_574 = 574, MODEL_576 = 576, MODEL_577 = 577, MODEL_578 = 578,
  MODEL_579 = 579, MODEL_581 = 581, MODEL_582 = 582, MODEL_583 = 583, MODEL_586 = 586, MODEL_587 = 587,
  MODEL_588 = 588, MODEL_589 = 589, MODEL_591 = 591, MODEL_592 = 592, MODEL_593 = 593, MODEL_594 = 594,
  MODEL_596 = 596, MODEL_597 = 597, MODEL_598 = 598, MODEL_599 = 599, MODEL_601 = 601, MODEL_602 = 602,
  MODEL_603 = 603, MODEL_604 = 604, MODEL_605 = 605, MODEL_607 = 607, MODEL_608 = 608, MODEL_609 = 609,
  MODEL_610 = 610, MODEL_611 = 611, MODEL_612 = 612, MODEL_643 = 643,
  MODEL_DOMESTIC = 584,
  MODEL_DEFAULT = 585,
  NUM_MODELS = 645,
  MODEL_UNKNOWN = 647,
};

// Feature bits of the table; the masks carry further bits (4 to 7, 21, 23,
// 28, 31) that nothing reads.
enum MODEL_FEATURE_BIT : U32 {
  MODEL_BIT_INTERNATIONAL1 = 0,
  MODEL_BIT_INTERNATIONAL2 = 1,
  MODEL_BIT_INTERNATIONAL3 = 2,
  MODEL_BIT_INTERNATIONAL4 = 3,
  MODEL_BIT_DISPLAY_160X240 = 8,
  MODEL_BIT_DISPLAY_240X240 = 9,
  MODEL_BIT_DISPLAY_240X320 = 10,
  MODEL_BIT_COLOR = 19,
  MODEL_BIT_CARTOGRAPHY = 22,
  MODEL_BIT_FISH_FINDER = 24,
  MODEL_BIT_DOWN_IMAGING = 25,
  MODEL_BIT_ICE = 32,
};

// The model's bit; FALSE for model 471 (row 0, never matched) and for a model
// not in the table.
BOOLEAN MODEL_bHasFeature(MODEL_TYPE model, MODEL_FEATURE_BIT bit);
// A home-market model: none of the international bits; also TRUE for model
// 471 and for a model not in the table.
BOOLEAN MODEL_bDomesticModelNumber(MODEL_TYPE model);

// TRUE for a model number of the table (row 0's included).
BOOLEAN MODEL_bKnownModel(MODEL_TYPE model);
// TRUE for the two models a unit may be registered as (584 and 585).
BOOLEAN MODEL_bRegisterModel(MODEL_TYPE model);
// The model's display name; five blanks for 0 or a model not in the table.
const char* MODEL_pcFetchModelText(MODEL_TYPE model);
// The model number whose name is exactly pcName; -1 when none (or null).
S32 MODEL_s32FindModel(const char* pcName);
