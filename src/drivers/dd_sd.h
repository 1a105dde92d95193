// Cards are reached through the file system on this board, so the SD card
// driver reports no card and does nothing.
#pragma once

#include "basetypes.h"

typedef void (*DD_SD_CALLBACK)(void);

void DD_SD_vSetCallback(DD_SD_CALLBACK pfn);
void DD_SD_vInit(void);
void DD_SD_vUmount(U32 index);
void DD_SD_vWriteProtect(U32 index, U32 flags);
BOOLEAN DD_SD_bInitCard(U32 index);
BOOLEAN DD_SD_bIsHardwareWriteEnabled(U32 index);
BOOLEAN DD_SD_bIsCardPresent(U32 index);
// 16 zero bytes.
void DD_SD_vGetCID(U32 index, U8* pu8Dest);
U32 DD_SD_eReadCardType(U32 index);
