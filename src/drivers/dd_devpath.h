// Every absolute device or board path is opened through here. With
// VELMORA_DEVROOT set, the path is looked up under that directory (a host rig
// of stand-ins); unset, the board's own path is used as it stands.
#pragma once

#include <stddef.h>
#include <stdio.h>

#include "basetypes.h"

// The path to open for pcPath, written into pcBuffer; null when it does not
// fit.
const char* DD_DEVPATH_pcResolve(const char* pcPath, char* pcBuffer, size_t size);
// open(2) of the resolved path; -1 with errno set on failure. Descriptors are
// close-on-exec, so the shell commands of other tasks never inherit a device.
int DD_DEVPATH_nOpen(const char* pcPath, int nFlags);
// fopen(3) of the resolved path; null on failure.
FILE* DD_DEVPATH_pfOpen(const char* pcPath, const char* pcMode);
