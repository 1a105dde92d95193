// The manager over a fresh store (the store's own test rig), with the view,
// keyboard and menu tasks as mailboxes the tests read, and keys handed to
// it the way the navigation task hands them on.
#pragma once

#include <string>
#include <vector>

#include "navstore_rig.h"
#include "t_nav_group_priv.h"

// The root group of a fresh store.
constexpr U16 kWpmRoot = 0xC000;

class Wpm : public NavStore {
 protected:
  void SetUp() override;
  void TearDown() override;

 public:
  // A group under the parent (the root when 65535) with its name.
  static U16 Group(const char* name, U16 parent = 0xFFFF);
  // A waypoint linked into the group; date and icon as given.
  static U16 Waypoint(const char* name, U16 group, S32 x = 0, S32 y = 0, U32 date = 0x5F5E1000, U8 icon = 3);
  // A route of the given points linked into the group; its index id.
  static U16 Route(const char* name, U16 group, const std::vector<U16>& points);
  static void Boat(S32 lat, S32 lon);

  // The key as the navigation task passes it; the click: +1, -1 or 0.
  static BOOLEAN Key(U32 key, CURSOR_POSITION cursor = CURSOR_UP);
  static BOOLEAN Cursor(CURSOR_POSITION c) { return Key(HKEY_MASK_CURSOR, c); }
  static int Click(void);
  // Names of the whole list, in display order.
  static std::vector<std::string> Names(void);
  // "+286"/"-286" for layers, "+FFEF"/"-FFFE" for keys, since the last call.
  static std::vector<std::string> Registrations(void);
  static S32 Zoom(void);
  // The whole screen as the layer draws it.
  static std::vector<COLOR> Picture(void);
};
