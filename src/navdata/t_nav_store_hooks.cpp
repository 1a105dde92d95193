// The hooks of the store (set once each, see l_hook.h) and their defaults.

#include "t_nav_store_hooks.h"

#include "l_hook.h"
#include "linuxsvc.h"

static std::atomic<NAV_STORE_HELD_GONE> s_pfnHeldWaypointGone{nullptr};
static std::atomic<NAV_STORE_EVENT> s_pfnWaypointsChanged{nullptr};
static std::atomic<NAV_STORE_EVENT> s_pfnSavedRouteGone{nullptr};
static std::atomic<NAV_STORE_WAYPOINT_GONE> s_pfnRouteWaypointGone{nullptr};
static std::atomic<NAV_STORE_EVENT> s_pfnHideBitsChanged{nullptr};
static std::atomic<NAV_STORE_EVENT> s_pfnStoreReloaded{nullptr};
static std::atomic<NAV_STORE_NOTE> s_pfnNote{nullptr};
static std::atomic<NAV_STORE_LINK_COPY> s_pfnLinkCopy{nullptr};
static std::atomic<NAV_STORE_EXPORT_CHOICE> s_pfnExportChoice{nullptr};

BOOLEAN T_NAV_STORE_bRegisterHeldWaypointGone(NAV_STORE_HELD_GONE pfn) {
  return L_HOOK_bSetOnce(&s_pfnHeldWaypointGone, pfn, "held waypoint gone");
}
BOOLEAN T_NAV_STORE_bRegisterWaypointsChanged(NAV_STORE_EVENT pfn) {
  return L_HOOK_bSetOnce(&s_pfnWaypointsChanged, pfn, "waypoints changed");
}
BOOLEAN T_NAV_STORE_bRegisterSavedRouteGone(NAV_STORE_EVENT pfn) {
  return L_HOOK_bSetOnce(&s_pfnSavedRouteGone, pfn, "saved route gone");
}
BOOLEAN T_NAV_STORE_bRegisterRouteWaypointGone(NAV_STORE_WAYPOINT_GONE pfn) {
  return L_HOOK_bSetOnce(&s_pfnRouteWaypointGone, pfn, "route waypoint gone");
}
BOOLEAN T_NAV_STORE_bRegisterHideBitsChanged(NAV_STORE_EVENT pfn) {
  return L_HOOK_bSetOnce(&s_pfnHideBitsChanged, pfn, "hide bits changed");
}
BOOLEAN T_NAV_STORE_bRegisterStoreReloaded(NAV_STORE_EVENT pfn) {
  return L_HOOK_bSetOnce(&s_pfnStoreReloaded, pfn, "store reloaded");
}
BOOLEAN T_NAV_STORE_bRegisterNote(NAV_STORE_NOTE pfn) { return L_HOOK_bSetOnce(&s_pfnNote, pfn, "note"); }
BOOLEAN T_NAV_STORE_bRegisterLinkCopy(NAV_STORE_LINK_COPY pfn) {
  return L_HOOK_bSetOnce(&s_pfnLinkCopy, pfn, "link copy");
}
BOOLEAN T_NAV_STORE_bRegisterExportChoice(NAV_STORE_EXPORT_CHOICE pfn) {
  return L_HOOK_bSetOnce(&s_pfnExportChoice, pfn, "export choice");
}

void T_NAV_STORE_vHeldWaypointGone(U32 u32Held) {
  if (NAV_STORE_HELD_GONE pfn = s_pfnHeldWaypointGone.load()) pfn(u32Held);
}
void T_NAV_STORE_vWaypointsChanged(void) {
  if (NAV_STORE_EVENT pfn = s_pfnWaypointsChanged.load()) pfn();
}
void T_NAV_STORE_vSavedRouteGone(void) {
  if (NAV_STORE_EVENT pfn = s_pfnSavedRouteGone.load()) pfn();
}
void T_NAV_STORE_vRouteWaypointGone(U16 u16Index) {
  if (NAV_STORE_WAYPOINT_GONE pfn = s_pfnRouteWaypointGone.load()) pfn(u16Index);
}
void T_NAV_STORE_vHideBitsChanged(void) {
  if (NAV_STORE_EVENT pfn = s_pfnHideBitsChanged.load()) pfn();
}
void T_NAV_STORE_vStoreReloaded(void) {
  if (NAV_STORE_EVENT pfn = s_pfnStoreReloaded.load()) pfn();
}

void T_NAV_STORE_vNote(const char* pcText, U32 u32Seconds) {
  if (NAV_STORE_NOTE pfn = s_pfnNote.load()) {
    pfn(pcText, u32Seconds);
  } else {
    log_me("store note (nobody shows it): %s\n", pcText != nullptr ? pcText : "");
  }
}

U16 T_NAV_STORE_u16LinkCopy(U8 bNotShared, U16 u16Group, U16 u16Item) {
  NAV_STORE_LINK_COPY pfn = s_pfnLinkCopy.load();
  return pfn != nullptr ? pfn(bNotShared, u16Group, u16Item) : u16Item;
}

void T_NAV_STORE_vExportChoice(SELECT_EXPORT_DATA* p) {
  if (p == nullptr) return;
  if (NAV_STORE_EXPORT_CHOICE pfn = s_pfnExportChoice.load()) {
    pfn(p);
  } else {
    p->SelectedExportCount = 0;
  }
}
