#include "menu_rig.h"

#include <mutex>

#include "h_database.h"
#include "h_memory.h"
#include "t_messagebox.h"
#include "t_view.h"
#include "test_tasks.h"
#include "u_keyboard.h"

void MT_vStart(void) {
  static std::once_flag s_once;
  std::call_once(s_once, [] {
    UI_vStart();
    T_MENU_vRegisterHooks();
    L_MBOX_DefineSema(M_MENU, SEMA_MBOX_MENU);
    ASSERT_EQ(0, TEST_StartTask(MENUTASK, T_MENU_vMain));
    ASSERT_TRUE(UI_bWaitFor([] { return H_DATABASE_bFetchU32(FCID("CMNU"), nullptr, nullptr, nullptr) != FALSE; }));
    UI_vSend(M_MESSAGEBOX, CMD_ID_RUN_SYSTEM);
    UI_vSend(M_MENU, CMD_ID_RUN_SYSTEM);
    UI_vShowBlackView();
    MT_vSync();
  });
}

void MT_vSync(void) {
  GENERIC_MESSAGE ping = {};
  ASSERT_TRUE(UI_bSendAcked(M_MENU, &ping));
  // The keyboard task, too: a key registration of the menus has been taken.
  MSG_UNREGISTER_FOR_KEYS none = {};
  none.header.Cmd = CMD_ID_UNREGISTER_FOR_KEYS;
  ASSERT_TRUE(UI_bSendAcked(M_KEYB, &none));
}

MENU_SNAPSHOT MT_Snap(void) {
  MT_vSync();
  MENU_SNAPSHOT s;
  T_MENU_vSnapshot(&s);
  return s;
}

U32 MT_u32Cmnu(void) {
  MT_vSync();
  return MT_u32Fetch(FCID("CMNU"));
}

// The value word, whatever the key's type.
U32 MT_u32Fetch(FOURCHARID key) {
  DB_DATA_TYPE value = {};
  value.u32Val = 0xFFFFFFFF;
  H_DATABASE_bFetch(key, &value, nullptr, nullptr);
  return value.u32Val;
}

int MT_nKey(UI_KEY key) {
  MT_vSync();  // a key overtakes mail: it is sent at a higher priority
  const int nClick = UI_nTapClick(key);
  MT_vSync();
  return nClick;
}

void MT_vKeys(std::initializer_list<UI_KEY> keys) {
  for (UI_KEY key : keys) MT_nKey(key);
}

std::vector<std::string> MT_Labels(void) {
  const MENU_SNAPSHOT s = MT_Snap();
  std::vector<std::string> labels;
  for (U32 i = 0; i < s.u32Rows && i < MENU_SNAPSHOT_ROWS; i++) labels.emplace_back(s.apcLabels[i]);
  return labels;
}

std::string MT_Selected(void) {
  const MENU_SNAPSHOT s = MT_Snap();
  return s.u32Selected < MENU_SNAPSHOT_ROWS ? s.apcLabels[s.u32Selected] : "";
}

void MT_vMailKey(TASK sender, CURSOR_POSITION cursor) {
  ASSERT_EQ(0, TEST_StartTask(sender, [cursor] {
    MSG_KEY_CHANGE* pKey = (MSG_KEY_CHANGE*)H_MEMORY_pvCalloc(1, sizeof(MSG_KEY_CHANGE));
    pKey->header.Cmd = CMD_ID_KEY_CHANGE;
    pKey->key = HKEY_MASK_CURSOR;
    pKey->state = KEY_DOWN;
    pKey->count = 1;
    pKey->cursor = cursor;
    L_MBOX_Send(M_MENU, pKey, 3, 0);
  }));
  ASSERT_TRUE(TEST_bJoinTask(sender));
  MT_vSync();
}

void MenuTest::SetUp() {
  MT_vStart();
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), SONAR_VIEW_PRIORITY, P_NORMAL);
  ASSERT_TRUE(UI_bWaitFor([] { return T_VIEW_eCurrentLayer() == SONAR_VIEW_PRIORITY; }));
}

void MenuTest::TearDown() {
  for (int i = 0; i < 8; i++) T_MESSAGEBOX_vResetConfState();
  if (MT_u32Cmnu() == QUICK_SETUP_MENU) MT_nKey(UI_EXIT);
  T_MENU_vRemoveMenus();
  T_MENU_vDoRemoveSingleCenteredMenu();
  for (auto it = m_undo.rbegin(); it != m_undo.rend(); ++it) (*it)();
  // The menu task remembers the tab last used: the next test's main menu
  // opens on its first tab, as on a fresh unit.
  UI_vSend(M_MENU, CMD_ID_RESET_POS);
  MT_vSync();
}

void MenuTest::Main(MENU_TEXT pTab, const std::function<BOOLEAN()>& registration, MENU_TEXT pName) {
  ASSERT_TRUE(registration());
  Undo([pTab, pName] { U_MENU_bUnregisterMainMenuItem(pName, pTab); });
}

void MenuTest::Key(FOURCHARID key, U32 value, DATA_TYPE type) {
  H_DATABASE_vDeleteEntry(key);
  DB_DATA_TYPE word = {};
  word.u32Val = value;
  H_DATABASE_bUpdateEverything(key, word, P_NORMAL, type, nullptr, DB_NEVER_STALE);
  Undo([key] { H_DATABASE_vDeleteEntry(key); });
}

void MenuTest::KeyFloat(FOURCHARID key, float value, DATA_TYPE type) {
  H_DATABASE_vDeleteEntry(key);
  H_DATABASE_bUpdateEverythingFloat(key, value, P_NORMAL, type, nullptr, DB_NEVER_STALE);
  Undo([key] { H_DATABASE_vDeleteEntry(key); });
}
