// The manager's cascading popup menus: the static trees, their drawing fitted
// to the screen, the keys that walk them and the running of a leaf's action,
// and the Yes and No callbacks of the manager's confirmation boxes.

#include <string.h>

#include "color.h"
#include "g_box.h"
#include "g_fonts.h"
#include "g_icon.h"
#include "g_iconset.h"
#include "g_string.h"
#include "linuxsvc.h"
#include "t_nav.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_priv.h"
#include "t_nav_group_icons.h"
#include "t_nav_group_routeinfo.h"
#include "t_nav_group_sel.h"
#include "u_dialog.h"
#include "u_wstring.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// Actions

// A point deleted in a route's edit is not among them: the edit's Save
// collects, so that a discard can still restore the point.
static BOOLEAN WPM_bCollectsAfter(GROUP_MGR_ACTION f) {
  return f == T_NAV_GROUP_vDeleteAllInstancesTrack ||
         f == T_NAV_GROUP_vShareSelectedItems || f == T_NAV_GROUP_vNoShareSelectedItems ||
         f == T_NAV_GROUP_vHideSelectedItems || f == T_NAV_GROUP_vShowSelectedItems ||
         f == T_NAV_GROUP_vSelectAllAndShare || f == T_NAV_GROUP_vSelectAllAndLock ||
         f == T_NAV_GROUP_vSelectAllAndShow || f == T_NAV_GROUP_vSelectAllAndHide;
}

// ---------------------------------------------------------------------------
// Trees: each level is an array, linked once into parent, child and
// sibling pointers.

#define WPM_LEAF(text, fn) {GROUP_MGR_MENU_ITEM_STATE_IDLE, text, nullptr, nullptr, fn, nullptr, nullptr}
#define WPM_NODE(text) {GROUP_MGR_MENU_ITEM_STATE_IDLE, text, nullptr, nullptr, nullptr, nullptr, nullptr}

static GROUP_MGR_MENU_ITEM s_MenuNewSub[] = {WPM_LEAF(New_Group, T_NAV_GROUP_vNewGroup), WPM_LEAF(New_Waypoint, T_NAV_GROUP_vNewWaypoint),
                                             WPM_LEAF(New_Route, T_NAV_GROUP_vNewRoute)};
static GROUP_MGR_MENU_ITEM s_MenuMultipleSub[] = {
    WPM_LEAF(Delete, T_NAV_GROUP_vSelectMultipleAndDelete), WPM_LEAF(Export, T_NAV_GROUP_vSelectMultipleAndExport),
    WPM_LEAF(Duplicate, T_NAV_GROUP_vSelectMultipleAndDuplicate), WPM_LEAF(Move, T_NAV_GROUP_vSelectMultipleAndMove),
    WPM_LEAF(Show, T_NAV_GROUP_vSelectMultipleAndShow), WPM_LEAF(Hide, T_NAV_GROUP_vSelectMultipleAndHide),
    WPM_LEAF(Set_Waypoint_Icon, T_NAV_GROUP_vSelectMultipleAndSetWaypointIcon)};
static GROUP_MGR_MENU_ITEM s_MenuSearchSub[] = {
    WPM_LEAF(Name, T_NAV_GROUP_vSearchByName), WPM_LEAF(Distance, T_NAV_GROUP_vSearchByDistance),
    WPM_LEAF(Date, T_NAV_GROUP_vSearchByDate), WPM_LEAF(Icon, T_NAV_GROUP_vSearchByIcon),
    WPM_LEAF(Icon_Category, T_NAV_GROUP_vSearchByIconCategory)};
static GROUP_MGR_MENU_ITEM s_GroupSearchResult[] = {WPM_LEAF(Jump_To, T_NAV_GROUP_vSearchJumpTo),
                                                    WPM_LEAF(Delete, T_NAV_GROUP_vSearchDeleteEX)};
static GROUP_MGR_MENU_ITEM s_MenuAllSub[] = {
    WPM_LEAF(Delete, T_NAV_GROUP_vSelectAllAndDelete), WPM_LEAF(Export, T_NAV_GROUP_vSelectAllAndExport),
    WPM_LEAF(Show, T_NAV_GROUP_vSelectAllAndShow), WPM_LEAF(Hide, T_NAV_GROUP_vSelectAllAndHide)};
GROUP_MGR_MENU_ITEM s_MenuNew[] = {WPM_NODE(New), WPM_NODE(Select_Multiple_Items), WPM_NODE(Search_By),
                                   WPM_NODE(Select_All_And), WPM_LEAF(Set_As_Default, T_NAV_GROUP_vSetAsDefaultGroup)};

static GROUP_MGR_MENU_ITEM s_GroupMenuOpen[] = {WPM_LEAF(Open, T_NAV_GROUP_vOpenDirectory),
                                                WPM_LEAF(Add_Remove, T_NAV_GROUP_vAddRemoveGroup), WPM_LEAF(Edit, T_NAV_GROUP_vEditGroup),
                                                WPM_LEAF(Delete, T_NAV_GROUP_vDeleteGroupEX),
                                                WPM_LEAF(Move, T_NAV_GROUP_vMoveGroup)};

static GROUP_MGR_MENU_ITEM s_DeleteWaypointSub[] = {WPM_LEAF(Selected, T_NAV_GROUP_vDeleteWaypointEX),
                                                    WPM_LEAF(All_Instances, T_NAV_GROUP_vDeleteAllInstancesWaypoint)};
static GROUP_MGR_MENU_ITEM s_WaypointMenuEdit[] = {
    WPM_LEAF(Edit, T_NAV_GROUP_vEditWaypoint), WPM_LEAF(Set_Icon, T_NAV_GROUP_vSetIconOfHighlighted), WPM_NODE(Delete),
    WPM_LEAF(Duplicate, T_NAV_GROUP_vCopyHighlightedItem), WPM_LEAF(Save_As, T_NAV_GROUP_vSaveAsWaypoint),
    WPM_LEAF(Move, T_NAV_GROUP_vCutHighlightedItem),      WPM_LEAF(Cursor_To, T_NAV_GROUP_vWaypointCursorTo),
    WPM_LEAF(GoTo_, T_NAV_GROUP_vWaypointGoTo), WPM_LEAF(Target, T_NAV_GROUP_vWaypointTarget),
    WPM_LEAF(Grid, T_NAV_GROUP_vWaypointGrid)};
static GROUP_MGR_MENU_ITEM s_DeleteWaypointInRouteSub[] = {
    WPM_LEAF(Selected, T_NAV_GROUP_vDeleteWaypointEX), WPM_LEAF(All_Instances, T_NAV_GROUP_vDeleteAllInstancesWaypoint)};
static GROUP_MGR_MENU_ITEM s_WaypointMenuReorderInRoute[] = {
    WPM_LEAF(Reorder, T_NAV_GROUP_vRouteEditReorder), WPM_LEAF(Edit, T_NAV_GROUP_vEditWaypoint),
    WPM_LEAF(Set_Icon, T_NAV_GROUP_vSetIconOfHighlighted), WPM_NODE(Delete),                 WPM_LEAF(Duplicate, T_NAV_GROUP_vCopyHighlightedItem),
    WPM_LEAF(Save_As, T_NAV_GROUP_vSaveAsWaypoint), WPM_LEAF(Move, T_NAV_GROUP_vCutHighlightedItem),
    WPM_LEAF(Cursor_To, T_NAV_GROUP_vWaypointCursorTo), WPM_LEAF(GoTo_, T_NAV_GROUP_vWaypointGoTo),
    WPM_LEAF(Target, T_NAV_GROUP_vWaypointTarget),    WPM_LEAF(Grid, T_NAV_GROUP_vWaypointGrid)};

static GROUP_MGR_MENU_ITEM s_TravelSub[] = {WPM_LEAF(Forward, T_NAV_GROUP_vTravelRouteForward),
                                            WPM_LEAF(Reverse, T_NAV_GROUP_vTravelRouteReverse)};
static GROUP_MGR_MENU_ITEM s_DeleteRouteSub[] = {WPM_LEAF(Selected, T_NAV_GROUP_vDeleteRouteEX),
                                                 WPM_LEAF(All_Instances, T_NAV_GROUP_vDeleteAllInstancesRoute)};
static GROUP_MGR_MENU_ITEM s_RouteMenuOpen[] = {
    WPM_LEAF(Open, T_NAV_GROUP_vOpenDirectory), WPM_NODE(Travel),
    WPM_LEAF(Add_Remove, T_NAV_GROUP_vAddRemoveRoute), WPM_LEAF(Edit, T_NAV_GROUP_vEditRoute),
    WPM_NODE(Delete),                           WPM_LEAF(Duplicate, T_NAV_GROUP_vDupicateRoute),
    WPM_LEAF(Save_As, T_NAV_GROUP_vSaveAsRoute), WPM_LEAF(Move, T_NAV_GROUP_vMoveRoute),
    WPM_LEAF(Info, T_NAV_GROUP_vRouteInfo)};

static GROUP_MGR_MENU_ITEM s_DeleteTrackSub[] = {WPM_LEAF(Selected, T_NAV_GROUP_vDeleteTrackEX),
                                                 WPM_LEAF(All_Instances, T_NAV_GROUP_vDeleteAllInstancesTrack)};
static GROUP_MGR_MENU_ITEM s_TrackMenuEdit[] = {WPM_LEAF(Edit, T_NAV_GROUP_vEditTrack), WPM_NODE(Delete),
                                                WPM_LEAF(Duplicate, T_NAV_GROUP_vDupicateTrack),
                                                WPM_LEAF(Save_As, T_NAV_GROUP_vSaveAsTrack),
                                                WPM_LEAF(Move, T_NAV_GROUP_vMoveTrack)};

static GROUP_MGR_MENU_ITEM s_RouteEditMenuReorder[] = {WPM_LEAF(Reorder, T_NAV_GROUP_vRouteEditReorder),
                                                       WPM_LEAF(Delete, T_NAV_GROUP_vRouteEditDelete)};

template <size_t N>
static void WPM_vLinkLevel(GROUP_MGR_MENU_ITEM (&level)[N], GROUP_MGR_MENU_ITEM* parent) {
  for (size_t i = 0; i < N; i++) {
    level[i].parent = parent;
    level[i].last = i > 0 ? &level[i - 1] : nullptr;
    level[i].next = i + 1 < N ? &level[i + 1] : nullptr;
  }
  if (parent != nullptr) parent->first_child = &level[0];
}

static void WPM_vLinkTrees(void) {
  static BOOLEAN s_bLinked = FALSE;
  if (s_bLinked) return;
  s_bLinked = TRUE;
  WPM_vLinkLevel(s_MenuNew, nullptr);
  WPM_vLinkLevel(s_GroupSearchResult, nullptr);
  WPM_vLinkLevel(s_MenuNewSub, &s_MenuNew[0]);
  WPM_vLinkLevel(s_MenuMultipleSub, &s_MenuNew[1]);
  WPM_vLinkLevel(s_MenuSearchSub, &s_MenuNew[2]);
  WPM_vLinkLevel(s_MenuAllSub, &s_MenuNew[3]);
  WPM_vLinkLevel(s_GroupMenuOpen, nullptr);
  WPM_vLinkLevel(s_WaypointMenuEdit, nullptr);
  WPM_vLinkLevel(s_DeleteWaypointSub, &s_WaypointMenuEdit[2]);
  WPM_vLinkLevel(s_WaypointMenuReorderInRoute, nullptr);
  WPM_vLinkLevel(s_DeleteWaypointInRouteSub, &s_WaypointMenuReorderInRoute[3]);
  WPM_vLinkLevel(s_RouteMenuOpen, nullptr);
  WPM_vLinkLevel(s_TravelSub, &s_RouteMenuOpen[1]);
  WPM_vLinkLevel(s_DeleteRouteSub, &s_RouteMenuOpen[4]);
  WPM_vLinkLevel(s_TrackMenuEdit, nullptr);
  WPM_vLinkLevel(s_DeleteTrackSub, &s_TrackMenuEdit[1]);
  WPM_vLinkLevel(s_RouteEditMenuReorder, nullptr);
}

// ---------------------------------------------------------------------------
// Opening

static POPUP_MENU_WINDOW s_MenuWindow;

void WPM_vOpenMenu(GROUP_MGR_MENU_ITEM* pFirst, POINT anchor) {
  WPM_vLinkTrees();
  memset(&s_MenuWindow, 0, sizeof s_MenuWindow);
  s_MenuWindow.parent.bActive = TRUE;
  s_MenuWindow.parent.ptAnchor = anchor;
  s_MenuWindow.parent.pDrawFunc = T_NAV_GROUP_vMenuWindowDraw;
  s_MenuWindow.parent.pKeyHandleFunc = T_NAV_GROUP_bMenuWindowHandleKeys;
  s_MenuWindow.pMenu = pFirst;
  pFirst->status = GROUP_MGR_MENU_ITEM_STATE_HIGHLIGHTED;
  g_WPM.pPopupWindow = &s_MenuWindow.parent;
  WPM_vClick(TRUE);
}

void WPM_vOpenItemMenu(U16 id) {
  GROUP_MGR_MENU_ITEM* pMenu = nullptr;
  if (g_WPM.eMode == MODE_SEARCH) {
    const WPM_ITEM_CLASS c = WPM_eClass(id);
    if (c == WPM_ITEM_NONE || c == WPM_ITEM_OTHER) {
      WPM_vClick(FALSE);
    } else {
      WPM_vOpenMenu(s_GroupSearchResult, g_WPM.ptItemListRightClickMenu);
    }
    return;
  }
  switch (WPM_eClass(id)) {
    case WPM_ITEM_GROUP:
      pMenu = s_GroupMenuOpen;
      break;
    case WPM_ITEM_WAYPOINT:
      pMenu = WPM_bIsRouteId(g_WPM.u16CurrentGroupID) ? s_WaypointMenuReorderInRoute : s_WaypointMenuEdit;
      break;
    case WPM_ITEM_ROUTE:
      pMenu = s_RouteMenuOpen;
      break;
    case WPM_ITEM_TRACK:
      pMenu = s_TrackMenuEdit;
      break;
    default:
      WPM_vClick(FALSE);
      return;
  }
  WPM_vOpenMenu(pMenu, g_WPM.ptItemListRightClickMenu);
}

void WPM_vOpenRouteEditMenu(void) { WPM_vOpenMenu(s_RouteEditMenuReorder, g_WPM.ptItemListRightClickMenu); }

// ---------------------------------------------------------------------------
// Keys

static void WPM_vResetTop(GROUP_MGR_MENU_ITEM* pFirst) {
  for (GROUP_MGR_MENU_ITEM* p = pFirst; p != nullptr; p = p->next) p->status = GROUP_MGR_MENU_ITEM_STATE_IDLE;
}

static void WPM_vCloseMenu(POPUP_WINDOW* pWin) {
  WPM_vResetTop(((POPUP_MENU_WINDOW*)pWin)->pMenu);
  if (pWin->pDestoryFunc != nullptr) pWin->pDestoryFunc(pWin);
  pWin->bActive = FALSE;
  if (g_WPM.pPopupWindow == pWin) g_WPM.pPopupWindow = nullptr;
  WPM_vClick(TRUE);
}

// The highlighted node, found from the top by descending into expanded ones.
static GROUP_MGR_MENU_ITEM* WPM_pHighlighted(GROUP_MGR_MENU_ITEM* pFirst) {
  GROUP_MGR_MENU_ITEM* level = pFirst;
  for (U32 depth = 0; level != nullptr && depth < 8; depth++) {
    GROUP_MGR_MENU_ITEM* p = level;
    while (p != nullptr && p->status == GROUP_MGR_MENU_ITEM_STATE_IDLE) p = p->next;
    if (p == nullptr) return nullptr;
    if (p->status == GROUP_MGR_MENU_ITEM_STATE_HIGHLIGHTED) return p;
    level = p->first_child;
  }
  return nullptr;
}

static GROUP_MGR_MENU_ITEM* WPM_pFirstSibling(GROUP_MGR_MENU_ITEM* p) {
  while (p->last != nullptr) p = p->last;
  return p;
}

BOOLEAN T_NAV_GROUP_bMenuWindowHandleKeys(POPUP_WINDOW* pWin, const MSG_KEY_CHANGE* pMsg) {
  POPUP_MENU_WINDOW* pMenuWin = (POPUP_MENU_WINDOW*)pWin;
  if (pMenuWin->pMenu == nullptr) return FALSE;
  GROUP_MGR_MENU_ITEM* p = WPM_pHighlighted(pMenuWin->pMenu);
  if (p == nullptr) return FALSE;
  if (pMsg->key == HKEY_MASK_EXIT) {
    WPM_vCloseMenu(pWin);
    return TRUE;
  }
  if (pMsg->key != HKEY_MASK_CURSOR) {
    WPM_vClick(FALSE);
    return TRUE;
  }
  const BOOLEAN bAlone = p->last == nullptr && p->next == nullptr;
  switch (pMsg->cursor) {
    case CURSOR_NORTH:
    case CURSOR_SOUTH: {
      if (bAlone) {
        WPM_vClick(FALSE);
        break;
      }
      GROUP_MGR_MENU_ITEM* q = pMsg->cursor == CURSOR_NORTH ? p->last : p->next;
      if (q == nullptr) {
        q = WPM_pFirstSibling(p);
        if (pMsg->cursor == CURSOR_NORTH) {
          while (q->next != nullptr) q = q->next;
        }
      }
      p->status = GROUP_MGR_MENU_ITEM_STATE_IDLE;
      q->status = GROUP_MGR_MENU_ITEM_STATE_HIGHLIGHTED;
      WPM_vClick(TRUE);
      break;
    }
    case CURSOR_EAST:
      if (p->first_child != nullptr) {
        p->status = GROUP_MGR_MENU_ITEM_STATE_EXPANDED;
        WPM_vResetTop(p->first_child);
        p->first_child->status = GROUP_MGR_MENU_ITEM_STATE_HIGHLIGHTED;
        WPM_vClick(TRUE);
      } else {
        const GROUP_MGR_ACTION f = p->p2Function;
        WPM_vCloseMenu(pWin);
        if (f != nullptr) {
          L_MUTEX_LockWait(RES_NAV_DATA);
          f(0);
          if (WPM_bCollectsAfter(f)) {
            T_NAV_GROUP_DATA_vScanGroupForGarbageCollection(T_NAV_GROUP_DATA_nGetRootGroup());
          }
          L_MUTEX_Unlock(RES_NAV_DATA);
        }
      }
      break;
    case CURSOR_WEST:
      if (p->parent != nullptr) {
        p->status = GROUP_MGR_MENU_ITEM_STATE_IDLE;
        p->parent->status = GROUP_MGR_MENU_ITEM_STATE_HIGHLIGHTED;
        WPM_vClick(TRUE);
      } else {
        WPM_vCloseMenu(pWin);
      }
      break;
    default:
      WPM_vClick(FALSE);
      break;
  }
  return TRUE;
}

// ---------------------------------------------------------------------------
// Drawing

// In every language: a wide language's own characters come from the Unicode face.
static const FONT_DEF* WPM_pLabelFont(void) { return myriad_pro_size17_font_def_ptr; }

static const FONT_DEF* WPM_pMarginFont(void) {
  return U_WSTRING_bIsUnicodeLanguage() ? arialuni_size21_font_def_ptr : myriad_pro_bold_size21_font_def_ptr;
}

// Drawing width of a level: the widest label with its margins.
static S32 WPM_nDrawWidth(GROUP_MGR_MENU_ITEM* pFirst, U32* pn) {
  const FONT_DEF* pFont = WPM_pLabelFont();
  U32 widest = 0, n = 0;
  for (GROUP_MGR_MENU_ITEM* p = pFirst; p != nullptr && n < 64; p = p->next, n++) {
    const U32 w = G_STRING_u32GetWidth(pFont, (const BYTE*)WPM_pcText(p->strName));
    widest = w > widest ? w : widest;
  }
  *pn = n;
  const S32 space = (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)(U_WSTRING_bIsUnicodeLanguage() ? "\0 \0" : " "));
  const S32 w = (S32)widest + (S32)G_FONTS_u32GetHeight(WPM_pMarginFont()) / 4 + 12 + space;
  return w > 177 ? w + 30 : 208;
}

void WPM_vMenuBox(GROUP_MGR_MENU_ITEM* pFirst, POINT anchor, S32* px0, S32* py0, S32* pnWidth, S32* pnHeight) {
  U32 n = 0;
  const S32 dw = WPM_nDrawWidth(pFirst, &n);
  const S32 box = dw + 2;
  const S32 height = 39 * (S32)n + 2;
  const S32 v = anchor.y < height ? height - anchor.y : 0;
  // The whole box stays on the screen: its last column is pixel 799.
  const S32 h = anchor.x + 1 + box > 800 ? anchor.x + 1 + box - 800 : 0;
  *px0 = anchor.x + 1 - h;
  *py0 = anchor.y + v - 39 * (S32)n - 1;
  *pnWidth = box;
  *pnHeight = height;
}


static void WPM_vDrawLevel(BITMAP* pBitmap, GROUP_MGR_MENU_ITEM* pFirst, POINT anchor, U32 depth) {
  S32 x0, y0, box, height;
  WPM_vMenuBox(pFirst, anchor, &x0, &y0, &box, &height);
  const S32 dw = box - 2;
  const S32 top = y0 + height - 1;
  POINT at = {x0, y0};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(237), &at, (U32)box, (U32)height);
  U_DIALOG_vOutline(pBitmap, 32, x0, y0, box, height);
  U_DIALOG_vLine(pBitmap, 236, x0 + 1, top - 1, x0 + box - 2, top - 1);
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  GROUP_MGR_MENU_ITEM* pOpen = nullptr;
  S32 openEdge = 0, i = 0;
  for (GROUP_MGR_MENU_ITEM* p = pFirst; p != nullptr && i < 64; p = p->next, i++) {
    const S32 rowTop = top - 1 - 39 * i, rowBottom = rowTop - 38;
    if (p->status != GROUP_MGR_MENU_ITEM_STATE_IDLE) {
      for (S32 k = 0; k < 3; k++) {
        U_DIALOG_vOutline(pBitmap, 241, x0 + 1 + k, rowBottom + k, dw - 2 * k, 39 - 2 * k);
      }
      POINT f = {x0 + 4, rowBottom + 3};
      G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(237), &f, (U32)(dw - 6), 33);
    } else {
      U_DIALOG_vLine(pBitmap, p->next == nullptr ? 239 : 236, x0 + 2, rowBottom, x0 + dw - 1, rowBottom);
    }
    POINT label = {x0 + 10, rowBottom + (bWide ? 14 : 12)};
    G_STRING_vPut(pBitmap, COLOR_colEntry(35), &label, WPM_pLabelFont(), (const BYTE*)WPM_pcText(p->strName));
    if (p->status == GROUP_MGR_MENU_ITEM_STATE_HIGHLIGHTED) {
      POINT arrow = {x0 - 31 + dw, label.y - 9 + 9};
      G_ICON_vPut(pBitmap, &QX_Vorne_Action_Arrow, &arrow);
    }
    if (p->status == GROUP_MGR_MENU_ITEM_STATE_EXPANDED && p->first_child != nullptr) {
      pOpen = p;
      openEdge = top + 1 - 39 * i;
    }
  }
  if (pOpen != nullptr && depth < 8) WPM_vDrawLevel(pBitmap, pOpen->first_child, {x0 + 1 + dw, openEdge}, depth + 1);
}

void T_NAV_GROUP_vMenuWindowDraw(POPUP_WINDOW* pWin, BITMAP* pBitmap) {
  POPUP_MENU_WINDOW* p = (POPUP_MENU_WINDOW*)pWin;
  if (p->pMenu != nullptr) WPM_vDrawLevel(pBitmap, p->pMenu, pWin->ptAnchor, 0);
}

// ---------------------------------------------------------------------------
// Confirmation callbacks (message-box task)

static void WPM_vRunStored(NAV_GROUP_CONFIRM* ppfn) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  const NAV_GROUP_CONFIRM f = *ppfn;
  *ppfn = nullptr;
  if (f != nullptr) f();
  L_MUTEX_Unlock(RES_NAV_DATA);
}

void T_NAV_GROUP_vNavConfYes(void) { WPM_vRunStored(&g_WPM.pfnConfYes); }
void T_NAV_GROUP_vNavConfNo(void) { WPM_vRunStored(&g_WPM.pfnConfNo); }
