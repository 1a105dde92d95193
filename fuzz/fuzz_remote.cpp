// Dongle sentences from a serial line through the NMEA framing and parser
// into the remote task's mail records, and each record through the remote
// task's handling: whatever the line carries, records stay within their
// blocks and the task neither crashes nor loses a block.

#include <stddef.h>
#include <stdint.h>

#include "fuzz_support.h"
#include "h_database.h"
#include "h_memory.h"
#include "msg_bluetooth_remote.h"
#include "t_btremote.h"
#include "t_nmea_internal.h"

static NMEA_PORT_INFO* s_pPort = nullptr;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FUZZ_vInit();
  H_DATABASE_vInit();
  H_DATABASE_bUpdateEverythingU32(FCID("TBTR"), (U32)M_BT_REMOTE, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("CVEW"), CHART_VIEW_PRIORITY, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  // No UART task drains the acknowledgements here: room for every one.
  L_QUEUE_Define(Q_TRANSMIT_UART2, 1, 1u << 20, nullptr, 0);
  s_pPort = T_NMEA_pInitPortInfo(ID_EXTERNAL_GPS);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; i++) T_NMEA_bFrameEntry(s_pPort, data[i]);
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(M_BT_REMOTE)) {
    FUZZ_CHECK(p->Cmd == CMD_ID_BLUETOOTH_REMOTE_RX);
    const REMOTE_MSG_TYPE eType = ((const MSG_BLUETOOTH_REMOTE_GENERIC*)p)->eMsgtype;
    FUZZ_CHECK(eType >= BLUETOOTH_TYPE_BUTTON && eType <= BLUETOOTH_TYPE_HELLO);
    T_BTREMOTE_vHandleMail(p);
  }
  for (MBOX mbox : {M_NMEA, M_NAV, M_VIEWKEY, M_KEYB, M_MENU, M_VIEW}) {
    while (void* p = L_MBOX_Receive(mbox)) H_MEMORY_vDumpMail(p);
  }
  L_QUEUE_Purge(Q_TRANSMIT_UART2);
  return 0;
}
