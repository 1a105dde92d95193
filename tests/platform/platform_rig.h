// A host rig for the platform tests: the board's device tree under a fresh
// directory that VELMORA_DEVROOT names, made once per test program.
#pragma once

#include <string>

#include "basetypes.h"

// The rig's directory; the first call makes it and points VELMORA_DEVROOT at it.
const std::string& RIG_Dir(void);
// An absolute board path under the rig.
std::string RIG_Path(const std::string& boardPath);
// Writes or reads a whole file under the rig.
void RIG_vWriteFile(const std::string& boardPath, const std::string& content);
std::string RIG_ReadFile(const std::string& boardPath);
// A framebuffer stand-in of `rows` 800-pixel rows of zeros.
void RIG_vMakeFramebuffer(U32 rows);
// Monotonic milliseconds.
double RIG_dNowMs(void);
