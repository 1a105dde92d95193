// The head of every message, and the generic message that every message
// type begins with.
#pragma once

#include "basetypes.h"
#include "cmd_id.h"

struct tag_MSGHEADER {
  tag_MSGHEADER* MsgNext;  // link inside a mailbox, owned by the mailbox while queued
  SEMA sema;               // acknowledgement semaphore, 0 = none
  PRIORITY MsgPriority;    // lower is more urgent
  TASK task;               // sender's id (72 for a thread that is not a task)
  // Set by the acknowledgement: tells a sender whose acknowledgement
  // semaphore is shared which of its messages has really been answered.
  U8 bAcknowledged;
};
typedef tag_MSGHEADER MsgHeader;
typedef tag_MSGHEADER MSGHEADER;
typedef tag_MSGHEADER RTXCMSG;

struct tag_GENERIC_MESSAGE {
  RTXCMSG msghdr;
  CMD_ID Cmd;
};
typedef tag_GENERIC_MESSAGE GENERIC_MESSAGE;
