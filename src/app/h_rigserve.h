// The unit's answers to the rig's tools: a key's value and the tasks'
// counters, over a socket in the rig's directory.
#pragma once

#include <stddef.h>

#include "basetypes.h"

// Serves from a thread of its own while VELMORA_DEVROOT names a rig; does
// nothing otherwise, or (with a log line) when the socket cannot be made.
void H_RIGSERVE_vStart(void);
// The answers as text, one line a key or task, cut to fit pcOut; they return
// the length written. A refusal is one line that starts with "? ".
size_t H_RIGSERVE_szValue(const char* pcKey, char* pcOut, size_t size);
size_t H_RIGSERVE_szStatus(char* pcOut, size_t size);
