// Which views and panes show navigation, and the keys the navigation task
// takes in them. The predicates only read the current view, so any task may
// ask.

#include "t_nav_views.h"

#include "h_database.h"
#include "linuxsvc.h"
#include "t_nav_int.h"
#include "u_view.h"

// A view's navigation panes: in any pane, or in one pane only.
typedef struct tag_NAV_VIEW_RULE {
  S32 s32View;
  S32 s32Split;  // 0: any pane
} NAV_VIEW_RULE;

static S32 VIEWS_s32View(S32 s32View) { return s32View == UNKNOWN_VIEW ? (S32)U_VIEW_eCurrentView() : s32View; }
static S32 VIEWS_s32Split(S32 s32Split) {
  return s32Split == UNKNOWN_SPLIT ? (S32)U_VIEW_eCurrentSplit() : s32Split;
}

template <size_t N>
static BOOLEAN VIEWS_bMatch(const NAV_VIEW_RULE (&aRules)[N], S32 s32View, S32 s32Split) {
  const S32 view = VIEWS_s32View(s32View);
  for (const NAV_VIEW_RULE& r : aRules) {
    if (r.s32View != view) continue;
    if (r.s32Split == 0) return TRUE;
    return VIEWS_s32Split(s32Split) == r.s32Split;
  }
  return FALSE;
}

BOOLEAN T_NAV_bIsMyView(S32 s32View, S32 s32Split) {
  static const NAV_VIEW_RULE s_a[] = {{52, 0}, {65, 0}, {56, 0}, {53, 0}, {54, 0}, {55, 0},
                                      {50, 3}, {66, 3}, {67, 3}, {40, 2}};
  return VIEWS_bMatch(s_a, s32View, s32Split);
}

BOOLEAN T_NAV_bIsMyChartView(S32 s32View) {
  static const NAV_VIEW_RULE s_a[] = {{52, 0}, {65, 0}, {50, 0}, {67, 0}, {53, 0},
                                      {54, 0}, {55, 0}, {66, 3}, {40, 2}};
  return VIEWS_bMatch(s_a, s32View, UNKNOWN_SPLIT);
}

BOOLEAN T_NAV_bIsMyChartCursorView(S32 s32View, S32 s32Split) {
  static const NAV_VIEW_RULE s_a[] = {{52, 0}, {65, 0}, {53, 0}, {50, 3}, {66, 3},
                                      {67, 3}, {54, 3}, {55, 3}, {40, 2}};
  return VIEWS_bMatch(s_a, s32View, s32Split);
}

BOOLEAN T_NAV_bIsMyChartMainView(S32 s32View, S32 s32Split) {
  static const NAV_VIEW_RULE s_a[] = {{52, 0}, {65, 0}, {53, 0}, {50, 3}, {66, 3}, {67, 3}, {54, 3}, {55, 3}};
  return VIEWS_bMatch(s_a, s32View, s32Split);
}

BOOLEAN T_NAV_bIsMyBirdsEyeView(S32 s32View) {
  static const NAV_VIEW_RULE s_a[] = {{56, 0}, {54, 0}, {55, 2}};
  return VIEWS_bMatch(s_a, s32View, UNKNOWN_SPLIT);
}

BOOLEAN T_NAV_bIsMyBirdsEyeCursorView(S32 s32View, S32 s32Split) {
  static const NAV_VIEW_RULE s_a[] = {{56, 0}, {54, 2}, {55, 2}};
  return VIEWS_bMatch(s_a, s32View, s32Split);
}

BOOLEAN T_NAV_bIsMyInstrumentView(S32 s32View) {
  const S32 view = VIEWS_s32View(s32View);
  return view == 53 || view == 55;
}

// ---------------------------------------------------------------------------
// Keys

constexpr U32 NAV_KEY_ZOOM_IN = 0x20;
constexpr U32 NAV_KEY_ZOOM_OUT = 0x40;
constexpr U32 NAV_KEY_CHECK = 0x200;

static BOOLEAN s_bKeysRegistered;

void T_NAV_vCheckKeyRegistration(S32 s32View, S32 s32Split) {
  if (T_NAV_bIsMyView(s32View, s32Split)) {
    if (s_bKeysRegistered) return;
    U_KEYBOARD_bRegisterKeys(M_NAV, NAV_KEY_ZOOM_IN | NAV_KEY_ZOOM_OUT, KEY_CHANGE, FALSE, FALSE, NOT_CURSOR_KEY,
                             REGISTER_VIEW);
    U_KEYBOARD_bRegisterKeys(M_NAV, NAV_KEY_CHECK, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_VIEW);
    U_KEYBOARD_bRegisterKeys(M_NAV, HKEY_MASK_CURSOR, KEY_CHANGE, TRUE, TRUE, CURSOR_8, REGISTER_VIEW);
    s_bKeysRegistered = TRUE;
  } else if (s_bKeysRegistered) {
    U_KEYBOARD_bUnregisterKeys(M_NAV, NAV_KEY_ZOOM_IN | NAV_KEY_ZOOM_OUT | NAV_KEY_CHECK | HKEY_MASK_CURSOR);
    s_bKeysRegistered = FALSE;
  }
}

// A press steps the zoom of the pane (the bird's-eye zoom in its panes) by
// one within 9..23 and starts the hold time that the update turns into KZHD;
// the release ends the hold.
void T_NAV_vHandleZoomKey(const MSG_KEY_CHANGE* pKey) {
  if (pKey->state != KEY_DOWN) {
    g_NAV.u64ZoomKeyPressMs = 0;
    H_DATABASE_bUpdateValueBoolean(FCID("KZHD"), FALSE, P_NORMAL);
    return;
  }
  if (pKey->count > 1) return;
  const FOURCHARID id = T_NAV_bIsMyBirdsEyeCursorView(UNKNOWN_VIEW, UNKNOWN_SPLIT) ? FCID("SNBS") : FCID("SNCS");
  S32 zoom = 0;
  const S32 next = pKey->key == NAV_KEY_ZOOM_IN ? -1 : 1;
  if (!H_DATABASE_bFetchS32(id, &zoom, nullptr, nullptr) || zoom + next < 9 || zoom + next > 23) {
    L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    return;
  }
  H_DATABASE_bUpdateValueS32(id, zoom + next, P_NORMAL);
  g_NAV.u64ZoomKeyPressMs = NAV_u32Milliseconds() | 1u;
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}
