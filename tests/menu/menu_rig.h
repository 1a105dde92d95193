// The menu task among the screen frame's tasks on a rig of the test
// program's own: keys go in through the keypad FIFO and the keyboard task,
// menus come out as CMNU, as what the top level shows, and as frames.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "h_keyboard.h"
#include "t_menu.h"
#include "ui_frame.h"

// Brings the frame's tasks and the menu task up once per program, the
// message-box task and the menus told that the system runs.
void MT_vStart(void);
// Returns once the menu task has handled every mail sent to it before.
void MT_vSync(void);
// What the top open level shows, after a sync.
MENU_SNAPSHOT MT_Snap(void);
U32 MT_u32Cmnu(void);
// A key's value read as U32; 0xFFFFFFFF when it is not there.
U32 MT_u32Fetch(FOURCHARID key);
// A tap, and the click it got once the menu task has handled it: +1
// accepted, -1 refused, 0 none.
int MT_nKey(UI_KEY key);
// Taps each key in turn.
void MT_vKeys(std::initializer_list<UI_KEY> keys);
// The row labels of the top level, in order.
std::vector<std::string> MT_Labels(void);
// The selected row's label; "" on the tab strip.
std::string MT_Selected(void);
// A key-change message mailed to the menu task by task `sender`, as the
// Bluetooth remote does.
void MT_vMailKey(TASK sender, CURSOR_POSITION cursor);

// Registrations a test makes are taken back when it ends, so that every test
// starts from menus that hold only what the frame's tasks put there.
class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Remembers how to take a registration back.
  void Undo(std::function<void()> undo) { m_undo.push_back(std::move(undo)); }
  // A main-menu item on a tab, taken back afterwards.
  void Main(MENU_TEXT pTab, const std::function<BOOLEAN()>& registration, MENU_TEXT pName);
  // A key written at priority 2 with its data type, deleted afterwards.
  void Key(FOURCHARID key, U32 value, DATA_TYPE type = D_UNKNOWN);
  void KeyFloat(FOURCHARID key, float value, DATA_TYPE type);

 private:
  std::vector<std::function<void()>> m_undo;
};

// A one-language text table for names the catalogue does not have.
#define MT_TEXT(name, text) \
  static const char* const name[27] = {text, text, text, text, text, text, text, text, text, text, text, text, text, \
                                       text, text, text, text, text, text, text, text, text, "\0", "\0", "\0", "\0", "\0"}
