// Whether a transducer hangs on the sonar co-processor, asked once at start.
#pragma once

#include "basetypes.h"

// FALSE at once with the fake_transducer option; TRUE at once when the user
// selected a transducer other than none or the standard one (SSTS); else the
// co-processor is asked: a thermistor reading between the rails, or an echo
// in up to three test pings on the wide beam, shows a transducer. FALSE when
// the co-processor does not answer.
BOOLEAN S_DETECT_bTransducerConnected(void);
