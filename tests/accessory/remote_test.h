// Helpers of the remote and inventory tests: mail to the task under test,
// and the stand-in mailboxes' mail as short texts.
#pragma once

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "h_memory.h"
#include "msg_bluetooth_remote.h"
#include "u_keyboard.h"
#include "u_menu.h"
#include "u_view.h"

namespace rmt {

// Every mail sent to the box before has been handled. A marker the task
// never takes stays its own, never freed under it.
inline void Sync(MBOX mbox = M_BT_REMOTE) {
  GENERIC_MESSAGE* pMarker = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof *pMarker);
  pMarker->Cmd = CMD_ID_INVALID_ID;
  ASSERT_EQ(0, L_MBOX_SendWaitTicks(mbox, pMarker, 3, SEMA_USER_TEST, 30000));
  ASSERT_TRUE(L_MBOX_bIsAcknowledged(pMarker));
  H_MEMORY_vFree(pMarker);
}

inline void Send(void* p, MBOX mbox = M_BT_REMOTE) {
  ASSERT_EQ(0, L_MBOX_Send(mbox, p, 3, 0));
  Sync(mbox);
}

inline void Generic(REMOTE_MSG_TYPE eType, U8 u8Value) {
  MSG_BLUETOOTH_REMOTE_GENERIC* p = (MSG_BLUETOOTH_REMOTE_GENERIC*)H_MEMORY_pvMalloc(sizeof *p);
  *p = {{{}, CMD_ID_BLUETOOTH_REMOTE_RX}, eType, u8Value};
  Send(p);
}

inline void Status(REMOTE_STATUS_TYPE eType, const char* pText) {
  MSG_BLUETOOTH_REMOTE_STATUS* p = (MSG_BLUETOOTH_REMOTE_STATUS*)H_MEMORY_pvMalloc(sizeof *p);
  *p = {{{}, CMD_ID_BLUETOOTH_REMOTE_RX}, BLUETOOTH_TYPE_STATUS, eType, {}};
  memcpy(p->au8Status, pText, strnlen(pText, sizeof p->au8Status));
  Send(p);
}

// Key changes of the menu task's box that MenuNamed read before Keys.
inline std::vector<std::string>& MenuKeys() {
  static std::vector<std::string> s_keys;
  return s_keys;
}

inline std::string Text(const GENERIC_MESSAGE* p) {
  char text[48];
  switch (p->Cmd) {
    case CMD_ID_BLUETOOTH_REMOTE_TX: {
      const MSG_BLUETOOTH_REMOTE_GENERIC* g = (const MSG_BLUETOOTH_REMOTE_GENERIC*)p;
      snprintf(text, sizeof text, "tx %u/%u", (unsigned)g->eMsgtype, (unsigned)g->u8Value);
      break;
    }
    case CMD_ID_KEY_CHANGE: {
      const MSG_KEY_CHANGE* k = (const MSG_KEY_CHANGE*)p;
      snprintf(text, sizeof text, "key %X %s", (unsigned)k->key, k->state == KEY_DOWN ? "down" : "up");
      break;
    }
    case CMD_ID_INITIATE_SHUTDOWN:
      snprintf(text, sizeof text, "%s", ((const MSG_INITIATE_SHUTDOWN*)p)->bPowerOff ? "power off" : "reset");
      break;
    default: snprintf(text, sizeof text, "cmd %u", (unsigned)p->Cmd); break;
  }
  return text;
}

// Every mail of the box as text.
inline std::vector<std::string> Mail(MBOX mbox) {
  std::vector<std::string> out;
  if (mbox == M_MENU) out.swap(MenuKeys());
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(mbox)) {
    out.push_back(Text(p));
    H_MEMORY_vDumpMail(p);
  }
  return out;
}

// Only the key changes among the box's mail.
inline std::vector<std::string> Keys(MBOX mbox) {
  std::vector<std::string> out;
  for (const std::string& s : Mail(mbox)) {
    if (s.rfind("key ", 0) == 0) out.push_back(s);
  }
  return out;
}

// TRUE when a menu request of the menu task's box names pTitle; its key
// changes stay for Keys.
inline bool MenuNamed(MENU_TEXT pTitle) {
  bool bFound = false;
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(M_MENU)) {
    if (p->Cmd == CMD_ID_KEY_CHANGE) {
      MenuKeys().push_back(Text(p));
    } else {
      const MSG_MENU_REQUEST* r = (const MSG_MENU_REQUEST*)p;
      bFound = bFound || r->pItemName == pTitle || r->pContainerName == pTitle;
    }
    H_MEMORY_vDumpMail(p);
  }
  return bFound;
}

// Layers registered ("+272") and removed ("-272") since the last call.
inline std::vector<std::string> Layers(void) {
  std::vector<std::string> out;
  while (GENERIC_MESSAGE* p = (GENERIC_MESSAGE*)L_MBOX_Receive(M_VIEW)) {
    if (p->Cmd == CMD_ID_REGISTER_LAYER) out.push_back("+" + std::to_string(((const MSG_REGISTER_LAYER*)p)->layer));
    if (p->Cmd == CMD_ID_UNREGISTER_LAYER) {
      out.push_back("-" + std::to_string(((const MSG_UNREGISTER_LAYER*)p)->layer));
    }
    H_MEMORY_vDumpMail(p);
  }
  return out;
}

}  // namespace rmt
