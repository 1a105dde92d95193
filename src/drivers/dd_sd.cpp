// Empty on purpose: the kernel mounts the cards and the unit reaches them through the file system.

#include "dd_sd.h"

#include <string.h>

void DD_SD_vSetCallback(DD_SD_CALLBACK) {}
void DD_SD_vInit(void) {}
void DD_SD_vUmount(U32) {}
void DD_SD_vWriteProtect(U32, U32) {}
BOOLEAN DD_SD_bInitCard(U32) { return FALSE; }
BOOLEAN DD_SD_bIsHardwareWriteEnabled(U32) { return FALSE; }
BOOLEAN DD_SD_bIsCardPresent(U32) { return FALSE; }
void DD_SD_vGetCID(U32, U8* pu8Dest) {
  if (pu8Dest != nullptr) memset(pu8Dest, 0, 16);
}
U32 DD_SD_eReadCardType(U32) { return 0; }
