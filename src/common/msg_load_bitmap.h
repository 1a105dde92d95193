// The request to the card task to load an image file into a bitmap. The view
// task (which sits below the card task) sends it, so it is declared down here
// where both can see it.
#pragma once

#include <atomic>

#include "basetypes.h"
#include "g_types.h"
#include "msghdr.h"

// CMD_ID_LOAD_BMP, sent with message priority 3 and, as a rule, an
// acknowledgement semaphore: the bitmap stays the sender's and must not be
// reused before the acknowledgement.
typedef struct tag_MSG_LOAD_BITMAP {
  GENERIC_MESSAGE header;
  BITMAP* pBitmap;      // the target
  char* pFileName;      // a heap block, the receiver's from the moment it is sent
  U32 u32RequestID;     // the sender's counter after counting this request
  // The sender's counter of its newest request: written by the sender's task
  // and read by the card task, hence atomic. A request whose id no longer
  // matches has been replaced and is dropped without drawing.
  std::atomic<U32>* pu32LatestRequestID;
} MSG_LOAD_BITMAP;
