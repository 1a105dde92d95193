// The store with nobody above it: no hook registered, it deletes on its own
// and answers its questions as a closed manager would; a hook once set
// stays.

#include <memory>

#include "navstore_rig.h"
#include "t_nav_store_hooks.h"

namespace {

TEST_F(NavStore, WithNothingRegisteredTheStoreWorksAloneAndAnswersForAClosedManager) {
  WAYPOINT w = NAVTEST_Waypoint(100, 200, "HELD");
  const U16 slot = T_NAV_nAddWaypoint(&w, FALSE);
  ASSERT_LT(slot, NAV_MAX_WAYPOINTS);
  H_DATABASE_bUpdateEverythingU32(FCID("ICWP"), slot, P_NORMAL, D_WAYPOINT, nullptr, DB_NEVER_STALE);
  T_NAV_bDeleteWaypoint(slot, FALSE);
  EXPECT_EQ(WPT_STATUS_FREE, T_NAV_pGetWaypoint(slot)->u8Status);
  // Nobody was told: the cursor key still names the freed slot.
  U32 u32Cursor = 0;
  ASSERT_TRUE(H_DATABASE_bFetchU32(FCID("ICWP"), &u32Cursor, nullptr, nullptr));
  EXPECT_EQ(slot, u32Cursor);

  EXPECT_EQ(0x1234, T_NAV_STORE_u16LinkCopy(TRUE, 5, 0x1234));
  auto choice = std::make_unique<SELECT_EXPORT_DATA>();
  choice->SelectedExportCount = 7;
  T_NAV_STORE_vExportChoice(choice.get());
  EXPECT_EQ(0u, choice->SelectedExportCount);
}

void NoteA(const char*, U32) {}
void NoteB(const char*, U32) {}

TEST(StoreHooks, AHookStaysOnceSetAndADifferentOneIsRefused) {
  EXPECT_FALSE(T_NAV_STORE_bRegisterNote(nullptr));
  EXPECT_TRUE(T_NAV_STORE_bRegisterNote(NoteA));
  EXPECT_TRUE(T_NAV_STORE_bRegisterNote(NoteA));
  EXPECT_FALSE(T_NAV_STORE_bRegisterNote(NoteB));
}

}  // namespace
