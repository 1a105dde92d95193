// The waypoint manager's hooks (set once each, see l_hook.h) and their
// defaults.

#include "t_nav_wpm.h"

#include "l_hook.h"

static std::atomic<MENU_ACTION> s_pfnOpenWindow{nullptr};
static std::atomic<MENU_ACTION> s_pfnOpenSettings{nullptr};
static std::atomic<NAV_WPM_KEYS> s_pfnKeys{nullptr};
static std::atomic<NAV_WPM_NOTICE> s_pfnNotice{nullptr};
static std::atomic<NAV_WPM_EVENT> s_pfnTick{nullptr};
static std::atomic<NAV_WPM_EVENT> s_pfnShutdown{nullptr};
static std::atomic<NAV_WPM_RESET> s_pfnReset{nullptr};
static std::atomic<NAV_WPM_MARK_ICON> s_pfnMarkIcon{nullptr};
static std::atomic<NAV_WPM_ITEM> s_pfnHighlight{nullptr};
static std::atomic<NAV_WPM_EDIT> s_pfnEditWaypoint{nullptr};
static std::atomic<NAV_WPM_EDIT> s_pfnEditRoute{nullptr};
static std::atomic<NAV_WPM_REMOVE> s_pfnRemoveEverywhere{nullptr};

BOOLEAN T_NAV_WPM_bRegisterOpenWindow(MENU_ACTION pfn) { return L_HOOK_bSetOnce(&s_pfnOpenWindow, pfn, "open window"); }
BOOLEAN T_NAV_WPM_bRegisterOpenSettings(MENU_ACTION pfn) {
  return L_HOOK_bSetOnce(&s_pfnOpenSettings, pfn, "open settings");
}
MENU_ACTION T_NAV_WPM_pfnOpenWindow(void) { return s_pfnOpenWindow.load(); }
MENU_ACTION T_NAV_WPM_pfnOpenSettings(void) { return s_pfnOpenSettings.load(); }

BOOLEAN T_NAV_WPM_bRegisterKeys(NAV_WPM_KEYS pfn) { return L_HOOK_bSetOnce(&s_pfnKeys, pfn, "manager keys"); }
BOOLEAN T_NAV_WPM_bHandleKeys(MSG_KEY_CHANGE* pMsg) {
  NAV_WPM_KEYS pfn = s_pfnKeys.load();
  return pfn != nullptr && pfn(pMsg);
}

BOOLEAN T_NAV_WPM_bRegisterNotice(NAV_WPM_NOTICE pfn) { return L_HOOK_bSetOnce(&s_pfnNotice, pfn, "manager notice"); }
void T_NAV_WPM_vNotice(const void* pMessage) {
  if (NAV_WPM_NOTICE pfn = s_pfnNotice.load()) pfn(pMessage);
}

BOOLEAN T_NAV_WPM_bRegisterTick(NAV_WPM_EVENT pfn) { return L_HOOK_bSetOnce(&s_pfnTick, pfn, "manager tick"); }
void T_NAV_WPM_vTick(void) {
  if (NAV_WPM_EVENT pfn = s_pfnTick.load()) pfn();
}

BOOLEAN T_NAV_WPM_bRegisterShutdown(NAV_WPM_EVENT pfn) {
  return L_HOOK_bSetOnce(&s_pfnShutdown, pfn, "manager shutdown");
}
void T_NAV_WPM_vShutdown(void) {
  if (NAV_WPM_EVENT pfn = s_pfnShutdown.load()) pfn();
}

BOOLEAN T_NAV_WPM_bRegisterReset(NAV_WPM_RESET pfn) { return L_HOOK_bSetOnce(&s_pfnReset, pfn, "manager reset"); }
void T_NAV_WPM_vReset(U32 u32Priority) {
  if (NAV_WPM_RESET pfn = s_pfnReset.load()) pfn(u32Priority);
}

BOOLEAN T_NAV_WPM_bRegisterMarkIcon(NAV_WPM_MARK_ICON pfn) { return L_HOOK_bSetOnce(&s_pfnMarkIcon, pfn, "mark icon"); }
void T_NAV_WPM_vMarkIcon(BOOLEAN bVesselMark) {
  if (NAV_WPM_MARK_ICON pfn = s_pfnMarkIcon.load()) pfn(bVesselMark);
}

BOOLEAN T_NAV_WPM_bRegisterHighlight(NAV_WPM_ITEM pfn) { return L_HOOK_bSetOnce(&s_pfnHighlight, pfn, "highlight"); }
void T_NAV_WPM_vHighlight(U16 u16Index) {
  if (NAV_WPM_ITEM pfn = s_pfnHighlight.load()) pfn(u16Index);
}

BOOLEAN T_NAV_WPM_bRegisterEditWaypoint(NAV_WPM_EDIT pfn) {
  return L_HOOK_bSetOnce(&s_pfnEditWaypoint, pfn, "edit waypoint");
}
BOOLEAN T_NAV_WPM_bEditWaypoint(U16 u16Index) {
  NAV_WPM_EDIT pfn = s_pfnEditWaypoint.load();
  return pfn != nullptr && pfn(u16Index);
}

BOOLEAN T_NAV_WPM_bRegisterEditRoute(NAV_WPM_EDIT pfn) { return L_HOOK_bSetOnce(&s_pfnEditRoute, pfn, "edit route"); }
BOOLEAN T_NAV_WPM_bEditRoute(U16 u16Index) {
  NAV_WPM_EDIT pfn = s_pfnEditRoute.load();
  return pfn != nullptr && pfn(u16Index);
}

BOOLEAN T_NAV_WPM_bRegisterRemoveEverywhere(NAV_WPM_REMOVE pfn) {
  return L_HOOK_bSetOnce(&s_pfnRemoveEverywhere, pfn, "remove everywhere");
}
void T_NAV_WPM_vRemoveEverywhere(U16 u16Group, U16 u16Item) {
  if (NAV_WPM_REMOVE pfn = s_pfnRemoveEverywhere.load()) pfn(u16Group, u16Item);
}
