// The NVR task: restores the stored settings at start, writes the header
// keys as they change, saves every other changed setting every ten minutes,
// at shutdown and on request, and serves the raw blocks. Other tasks reach it
// by mail to the mailbox published under TNVR.
#pragma once

#include "basetypes.h"
#include "fourcharid.h"
#include "h_nvram.h"
#include "msghdr.h"

// CMD_ID_WRITE_TO_HEADER: keep the key in the store's header from now on.
struct MSG_NVRAM_WRITE_TO_HEADER {
  GENERIC_MESSAGE Header;
  FOURCHARID id;
};

// CMD_ID_WRITE_TO_NVR: store the key's current value now.
struct MSG_NVRAM_WRITE_TO_NVR {
  GENERIC_MESSAGE Header;
  FOURCHARID id;
};

// CMD_ID_READ_SONAR_DATA and CMD_ID_WRITE_SONAR_DATA. The buffer is the
// sender's; a sender that needs bSuccess passes an acknowledgement semaphore
// and reads it after the signal.
struct MSG_READ_SONAR_DATA {
  GENERIC_MESSAGE Header;
  SONAR_DATA_BLOCK* pSonarData;
  BOOLEAN bSuccess;
};
typedef MSG_READ_SONAR_DATA MSG_WRITE_SONAR_DATA;

// CMD_ID_READ_PERSONALIZED and CMD_ID_WRITE_PERSONALIZED.
struct MSG_READ_PERSONALIZED {
  GENERIC_MESSAGE Header;
  PERSONALIZATION_DATA_BLOCK* pPersonData;
  BOOLEAN bSuccess;
};
typedef MSG_READ_PERSONALIZED MSG_WRITE_PERSONALIZED;

// Row of id in the header table; 0xFFFFFFFF when absent.
U32 T_NVRAM_u32FetchItemNumber(FOURCHARID id);

// The task's start without its loop: opens the store (recreating one of
// another format), restores every stored setting into the database,
// subscribes to the header keys and publishes the mailbox. Returns how many
// settings were restored. Called once by T_NVRAM_vMain; the store's fuzz
// target calls it on a fresh database for every input.
U32 T_NVRAM_u32Start(void);

// TRUE when this start found settings lost to damage of the store (the
// user has been told): a first start it causes resets only what was lost.
// Settled before the task publishes its mailbox.
BOOLEAN T_NVRAM_bSettingsLost(void);

void T_NVRAM_vMain(void);
