// The mail between the NMEA task, which carries the Bluetooth remote's dongle
// sentences on its serial port, and the remote task, which acts on them. Both
// sides are feature tasks, so the layouts live down here where each can see
// them.
#pragma once

#include "basetypes.h"
#include "msghdr.h"

// The first field after the header of every remote message.
enum REMOTE_MSG_TYPE : U32 {
  BLUETOOTH_TYPE_BUTTON = 1,
  BLUETOOTH_TYPE_STATUS = 2,
  BLUETOOTH_TYPE_ACK = 3,
  BLUETOOTH_TYPE_HEARTBEAT = 4,
  BLUETOOTH_TYPE_HELLO = 5,
  BLUETOOTH_TYPE_SET_MODE = 6,
  BLUETOOTH_TYPE_BAUDRATE = 7,
  BLUETOOTH_TYPE_POLLINGRATE = 8,
  BLUETOOTH_TYPE_CHECKSUM = 9,
};

enum REMOTE_KEY : U32 {
  REMOTE_KEY_MARK = 0,
  REMOTE_KEY_MINUS = 1,
  REMOTE_KEY_PLUS = 2,
  REMOTE_KEY_MENU = 3,
  REMOTE_KEY_DATA_BOX = 4,
  REMOTE_KEY_VIEW1 = 5,
  REMOTE_KEY_VIEW2 = 6,
};

enum REMOTE_KEY_STATE : U32 {
  REMOTE_KEY_RELEASE = 0,
  REMOTE_KEY_PRESS = 1,
};

enum REMOTE_STATUS_TYPE : U32 {
  REMOTE_STATUS_TYPE_OP_MODE = 1,
  REMOTE_STATUS_TYPE_BATTERY = 2,
  REMOTE_STATUS_TYPE_ID_PAIRED = 3,
  REMOTE_STATUS_TYPE_DONGLE_VERSION = 4,
  REMOTE_STATUS_TYPE_REMOTE_VERSION = 5,
  REMOTE_STATUS_TYPE_DONGLE_SERIAL = 6,
  REMOTE_STATUS_TYPE_REMOTE_SERIAL = 7,
};

constexpr U32 REMOTE_STATUS_BYTES = 8;

// Command CMD_ID_BLUETOOTH_REMOTE_RX, to the remote task: a key of the remote.
typedef struct tag_MSG_BLUETOOTH_REMOTE_BUTTON {
  GENERIC_MESSAGE Header;
  REMOTE_MSG_TYPE eMsgtype;
  REMOTE_KEY eRemoteKey;  // as the dongle numbers it; values above 6 pass unchanged
  REMOTE_KEY_STATE eRemoteKeyState;
  U32 u32Timestamp;       // milliseconds of the monotonic clock
} MSG_BLUETOOTH_REMOTE_BUTTON;

// Command CMD_ID_BLUETOOTH_REMOTE_RX: a status report of the dongle or remote.
typedef struct tag_MSG_BLUETOOTH_REMOTE_STATUS {
  GENERIC_MESSAGE Header;
  REMOTE_MSG_TYPE eMsgtype;
  REMOTE_STATUS_TYPE eStatusType;
  U8 au8Status[REMOTE_STATUS_BYTES];  // the report's first bytes, zero-padded
} MSG_BLUETOOTH_REMOTE_STATUS;

// Both directions: CMD_ID_BLUETOOTH_REMOTE_RX with hello, heartbeat,
// acknowledgement or the checksum just sent; CMD_ID_BLUETOOTH_REMOTE_TX to the
// NMEA task with a value to send to the dongle.
typedef struct tag_MSG_BLUETOOTH_REMOTE_GENERIC {
  GENERIC_MESSAGE Header;
  REMOTE_MSG_TYPE eMsgtype;
  U8 u8Value;
} MSG_BLUETOOTH_REMOTE_GENERIC;
