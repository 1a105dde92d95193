// The waypoint symbols, which the chart, the editors and the data boxes all
// draw.

#include "t_nav_icons.h"

#include "g_iconset.h"

// The waypoint symbols by icon number; a number beyond the table (a spoiled
// record or an import) draws the first.
static const ICON* const g_NAV_Icons_Large[] = {
    &Waypoint1_icon, &Home1_icon,      &Cross1_icon,   &Fish1_icon,        &Duck1_icon,
    &Buoy1_icon,     &Anchor1_icon,    &Airport1_icon, &Camp1_icon,        &Danger1_icon,
    &Gas1_icon,      &Rocks1_icon,     &Weed1_icon,    &Wreck1_icon,       &Phone1_icon,
    &Restaurant1_icon, &Beverage1_icon, &Moor1_icon,   &Pier1_icon,        &Slip1_icon,
    &BoatRamp1_icon, &Circle_icon,     &Diamond_icon,  &Flag_icon,         &Pattern_icon,
    &Shower_icon,    &Water_icon,      &timber_icon,   &Waypoint_recording_icon, &Waypoint_snapshot_icon,
    &MOB_icon,       &bad_ice_hole,    &bass,          &beach,             &beacon,
    &car,            &coast_guard,     &crack_in_ice,  &dam,               &drop_off,
    &Fine_Cross,     &good_catch,      &good_ice_hole, &grass,             &gravel,
    &grouse,         &ice,             &information,   &lobster,           &mackeral,
    &mud,            &no_anchor,       &no_horn,       &panfish,           &picnic,
    &playground,     &redfish,         &reef_icon,     &restricted_area,   &rock_pile,
    &sailfish,       &sand,            &sand_bar,      &striper,           &stump,
    &swim_area,      &thin_ice,        &trout,         &turkey,            &water_ski,
    &Bridge_icon,    &Waypoint1_icon,  &Ice_walleye,   &Ice_pike,          &Ice_perch,
    &Ice_trout,      &Ice_crappie,     &Ice_fishing,   &Snowflake,         &Ice_shack,
    &Snowmobile,     &ATV,             &Waypoint_ice,
};
static_assert(sizeof g_NAV_Icons_Large / sizeof g_NAV_Icons_Large[0] == 83);

const ICON* T_NAV_pWaypointIcon(U32 u32Icon) {
  return g_NAV_Icons_Large[u32Icon < 83 ? u32Icon : 0];
}
