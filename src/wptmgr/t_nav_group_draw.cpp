// The manager's layer: the directory shown is checked (it may have gone from
// under the window), then the frame with its bars, the item list, the chart
// preview and the information pane, then the note and the popup on top.
// The view task draws it holding mutex 9 throughout.

#include <stdio.h>
#include <string.h>
#include <time.h>

#include "color.h"
#include "g_box.h"
#include "g_fonts.h"
#include "g_icon.h"
#include "g_iconset.h"
#include "g_string.h"
#include "h_database.h"
#include "linuxsvc.h"
#include "navmath.h"
#include "t_chart.h"
#include "t_info.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_priv.h"
#include "t_nav_group_sel.h"
#include "t_nav_twr.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_nav.h"
#include "u_wstring.h"
#include "ui_texts.h"



// Plain texts keep the regular Latin face in every language; the renderer
// takes a wide language's own characters from the Unicode face.
static const FONT_DEF* WPM_pFont(void) { return myriad_pro_size17_font_def_ptr; }

static const FONT_DEF* WPM_pBold(void) {
  return U_WSTRING_bIsUnicodeLanguage() ? arialuni_size17_font_def_ptr : myriad_pro_bold_size17_font_def_ptr;
}

static void WPM_vFill(BITMAP* pBitmap, U32 u32Colour, S32 x, S32 y, S32 w, S32 h) {
  if (w <= 0 || h <= 0) return;
  POINT at = {x, y};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(u32Colour), &at, (U32)w, (U32)h);
}

static S32 WPM_nText(BITMAP* pBitmap, const FONT_DEF* pFont, S32 x, S32 y, const char* text) {
  POINT at = {x, y};
  G_STRING_vPut(pBitmap, COLOR_colEntry(35), &at, pFont, (const BYTE*)text);
  return (S32)G_STRING_u32GetWidth(pFont, (const BYTE*)text);
}

// The 8-bit text as the current language's form (wide in languages 22-26).
static void WPM_vLocal(const char* src, char* out, U32 size) {
  memset(out, 0, size);
  if (!U_WSTRING_bIsUnicodeLanguage()) {
    snprintf(out, size, "%s", src);
    return;
  }
  for (U32 i = 0; src[i] != '\0' && 2 * i + 3 < size; i++) out[2 * i + 1] = src[i];
}

void WPM_vFitRowName(const char* pcName, char* out, U32 u32Size) {
  memset(out, 0, u32Size);
  const BOOLEAN bWide = U_WSTRING_bIsUnicodeLanguage();
  const U32 unit = bWide ? 2 : 1;
  const U32 len = U_WSTRING_u32w_strlen(pcName, FALSE);
  const U32 copy = len < u32Size - 2 ? len : u32Size - 2;
  memcpy(out, pcName, copy);
  if (G_STRING_u32GetWidth(WPM_pFont(), (const BYTE*)out) < 232) return;
  char dots[8];
  WPM_vLocal("...", dots, sizeof dots);
  const U32 keep = 9 * unit < copy ? 9 * unit : copy;
  memset(out + keep, 0, u32Size - keep);
  if (keep + 3 * unit + unit <= u32Size) memcpy(out + keep, dots, 3 * unit);
}

// ---------------------------------------------------------------------------
// Item list

// The waypoint symbols by icon number.
static const ICON* const s_apWaypointIcons[NAV_MAX_ICON + 1] = {
    &Waypoint1_icon, &Home1_icon, &Cross1_icon, &Fish1_icon, &Duck1_icon, &Buoy1_icon, &Anchor1_icon,
    &Airport1_icon, &Camp1_icon, &Danger1_icon, &Gas1_icon, &Rocks1_icon, &Weed1_icon, &Wreck1_icon,
    &Phone1_icon, &Restaurant1_icon, &Beverage1_icon, &Moor1_icon, &Pier1_icon, &Slip1_icon, &BoatRamp1_icon,
    &Circle_icon, &Diamond_icon, &Flag_icon, &Pattern_icon, &Shower_icon, &Water_icon, &timber_icon,
    &Waypoint_recording_icon, &Waypoint_snapshot_icon, &MOB_icon, &bad_ice_hole, &bass, &beach, &beacon, &car,
    &coast_guard, &crack_in_ice, &dam, &drop_off, &Fine_Cross, &good_catch, &good_ice_hole, &grass, &gravel,
    &grouse, &ice, &information, &lobster, &mackeral, &mud, &no_anchor, &no_horn, &panfish, &picnic,
    &playground, &redfish, &reef_icon, &restricted_area, &rock_pile, &sailfish, &sand, &sand_bar, &striper,
    &stump, &swim_area, &thin_ice, &trout, &turkey, &water_ski, &Bridge_icon, &Ice_walleye, &Ice_pike,
    &Ice_perch, &Ice_trout, &Ice_crappie, &Ice_fishing, &Snowflake, &Ice_shack, &Snowmobile, &ATV,
    &Waypoint_ice, &Waypoint_dctr_icon};

const ICON* WPM_pIconPicture(U32 u32Icon) {
  return u32Icon <= NAV_MAX_ICON ? s_apWaypointIcons[u32Icon] : &Waypoint1_icon;
}

static const ICON* WPM_pWaypointIcon(U16 id) {
  const U8 icon = T_NAV_pGetWaypoint(id & 0x0FFF)->u8Icon;
  return icon <= NAV_MAX_ICON ? s_apWaypointIcons[icon] : &Waypoint1_icon;
}

static const ICON* WPM_pRowIcon(U16 id) {
  switch (WPM_eClass(id)) {
    case WPM_ITEM_GROUP:
      return &wpt_mngmnt_group_icon;
    case WPM_ITEM_ROUTE:
      return &wpt_mngmnt_route_icon;
    case WPM_ITEM_TRACK:
      return &wpt_mngmnt_track_icon;
    case WPM_ITEM_WAYPOINT:
      return WPM_pWaypointIcon(id);
    default:
      return nullptr;
  }
}

static void WPM_vDrawPathStrip(BITMAP* pBitmap, S32 x, S32 y, S32 w) {
  WPM_vFill(pBitmap, 238, x, y - 1, w + 8, 42);
  U_DIALOG_vLine(pBitmap, 32, x, y + 41, x + w + 7, y + 41);
  U_DIALOG_vLine(pBitmap, 236, x, y + 40, x + w + 7, y + 40);
  S32 at = x + 10;
  for (U32 level = 0; level < g_WPM.u16PathDepth && level < NAV_GROUP_PATH_LEVELS && at < x + w; level++) {
    if (level > 0) {
      POINT icon = {at, y + 8};
      G_ICON_vPut(pBitmap, &QX_Vorne_Action_Arrow_Left, &icon);
      at += (S32)G_ICON_u32GetWidth(&QX_Vorne_Action_Arrow_Left) + 2;
    }
    char name[NAV_GROUP_PATH_NAME + 16];
    WPM_vFitRowName(g_WPM.aacGroupPath[level], name, sizeof name);
    at += WPM_nText(pBitmap, WPM_pBold(), at, y + 13, name) + 4;
  }
  U_DIALOG_vLine(pBitmap, 32, x, y - 3, 798, y - 3);
  U_DIALOG_vLine(pBitmap, 239, x, y - 2, 798, y - 2);
}

void T_NAV_GROUP_vDrawItemList(BITMAP* pBitmap, POINT anchor, S32 nWidth) {
  const S32 x = anchor.x, y = anchor.y, w = nWidth;
  const S32 inset = (S32)g_WPM.u32XOriginOffset;
  if (g_WPM.eInputState != STATE_ITEM_LIST && g_WPM.u16ShowItemsCount == 0) {
    const char* text = WPM_pcText(WPM_bIsRouteId(g_WPM.u16CurrentGroupID) ? Empty_Route : Empty_Group);
    const S32 tw = (S32)G_STRING_u32GetWidth(WPM_pFont(), (const BYTE*)text);
    WPM_nText(pBitmap, WPM_pFont(), x + (w - tw) / 2, y + 169, text);
  }
  const S32 track = g_WPM.u16MaxShowItems * 41 + 3;
  WPM_vFill(pBitmap, 239, x + w - inset, y + 41, 6, track);
  if (g_WPM.u16ShowItemsCount > 0 && g_WPM.u16ListCount > 0) {
    const S32 count = g_WPM.u16ListCount, shown = g_WPM.u16ShowItemsCount, first = g_WPM.u16FirstShowItemIndexInList;
    S32 len = shown * track / count;
    len = len < 5 ? 5 : len;
    S32 base = track * (count - first - shown) / count;
    if (base + len > track) base = track - len;
    U_DIALOG_vOutline(pBitmap, 240, x + w - inset, y + 41 + base, 6, len);
    WPM_vFill(pBitmap, 241, x + w - inset + 1, y + 42 + base, 4, len - 2);
  }
  for (S32 i = 0; i < g_WPM.u16ShowItemsCount && i < 6; i++) {
    const U16 id = g_WPM.au16ShowItemIDs[i];
    if (id == NAV_NONE) break;
    const S32 bottom = y + 248 - 41 * i;
    if (i < 5) U_DIALOG_vLine(pBitmap, 236, x + 10, bottom, x + w - 13, bottom);
    if (i == g_WPM.u16HighlightIndex) {
      for (S32 k = 0; k < 3; k++) U_DIALOG_vOutline(pBitmap, 241, x + k, bottom + k, w - inset - 2 * k, 41 - 2 * k);
      const S32 ax = x + w - inset - 8 - (S32)G_ICON_u32GetWidth(&QX_Vorne_Action_Arrow);
      POINT arrow = {ax, bottom + (41 - (S32)G_ICON_u32GetHeight(&QX_Vorne_Action_Arrow)) / 2};
      G_ICON_vPut(pBitmap, &QX_Vorne_Action_Arrow, &arrow);
      g_WPM.ptItemListRightClickMenu = {x + w - inset, bottom + 41};
    }
    char name[32], shown[40];
    if (!WPM_bItemName(id, name, sizeof name)) continue;
    const ICON* pIcon = WPM_pRowIcon(id);
    POINT at = {x + 20, bottom + 8};
    if (pIcon != nullptr) G_ICON_vPut(pBitmap, pIcon, &at);
    WPM_vFitRowName(name, shown, sizeof shown);
    WPM_nText(pBitmap, WPM_pFont(), x + 64, bottom + 14, shown);
  }
  WPM_vDrawPathStrip(pBitmap, x, y, w);
}

// ---------------------------------------------------------------------------
// Information pane

static void WPM_vLabelLine(BITMAP* pBitmap, S32 x, S32 y, S32 w, const char* const* ppLabel, const char* value) {
  char line[96] = {};
  char sep[8];
  WPM_vLocal(": ", sep, sizeof sep);
  U_WSTRING_vw_strncpy(line, WPM_pcText(ppLabel), 48, FALSE);
  U_WSTRING_vw_strncat(line, sep, 4, FALSE);
  const U32 used = U_WSTRING_u32w_strlen(line, FALSE);
  if (value != nullptr) U_WSTRING_vw_strncat(line, value, (sizeof line - 4 - used) & ~1u, FALSE);
  char fitted[96];
  U_DIALOG_vShortenText(fitted, sizeof fitted, line, WPM_pFont(), (U32)w);
  WPM_nText(pBitmap, WPM_pFont(), x, y, fitted);
}

static void WPM_vDrawInfo(BITMAP* pBitmap, S32 x, S32 y, S32 w) {
  const U16 id = WPM_u16HighlightedItem();
  const WPM_ITEM_CLASS c = WPM_eClass(id);
  if (c == WPM_ITEM_NONE || c == WPM_ITEM_OTHER) {
    for (S32 k = 0; k < 2; k++) {
      const char* t = WPM_pcText(k == 0 ? Select_An_Item_To : View_Information);
      const S32 tw = (S32)G_STRING_u32GetWidth(WPM_pFont(), (const BYTE*)t);
      WPM_nText(pBitmap, WPM_pFont(), x + (w - tw) / 2, y - 30 - 26 * k, t);
    }
    return;
  }
  char name[32];
  if (!WPM_bItemName(id, name, sizeof name)) return;
  char created[40] = {}, clock[40] = {}, value[96] = {};
  T_INFO_vFormatTime((time_t)WPM_u32ItemDate(id), FALSE, TRUE, clock, created, nullptr);
  U_WSTRING_vw_strncpy(value, created, 40, FALSE);
  char blank[4];
  WPM_vLocal(" ", blank, sizeof blank);
  U_WSTRING_vw_strncat(value, blank, 2, FALSE);
  U_WSTRING_vw_strncat(value, clock, 40, FALSE);
  S32 line = y - 30;
  WPM_vLabelLine(pBitmap, x, line, w, Created, value);
  line -= 26;
  if (c == WPM_ITEM_WAYPOINT) {
    const WAYPOINT* p = T_NAV_pGetWaypoint(id & 0x0FFF);
    POSITION pos = {};
    nv_MeterToDegr(&p->pt, &pos);
    U32 format = 0;
    H_DATABASE_bFetchU32(FCID("SIPF"), &format, nullptr, nullptr);
    char text[U_NAV_POSITION_TEXT_SIZE] = {};
    U_NAV_vFormatPosition(D_POSITION_LAT, pos.lat, text, (NAV_FORMAT_ENUM)format, nCurrentLanguage(), IPS_SPACE);
    WPM_vLabelLine(pBitmap, x, line, w, Latitude, text);
    line -= 26;
    U_NAV_vFormatPosition(D_POSITION_LON, pos.lon, text, (NAV_FORMAT_ENUM)format, nCurrentLanguage(), IPS_SPACE);
    WPM_vLabelLine(pBitmap, x, line, w, Longitude, text);
    line -= 26;
  }
  if (c != WPM_ITEM_TRACK) {
    const U8* pFirst = c == WPM_ITEM_ROUTE ? nullptr : (const U8*)T_NAV_pGetWaypoint(id & 0x0FFF);
    BOOLEAN bHidden = pFirst != nullptr && (*pFirst & NAV_SLOT_HIDE_BIT) != 0;
    if (c == WPM_ITEM_ROUTE) {
      const ROUTE* r = T_NAV_pGetRoute(id & 0x37FF);
      bHidden = r != nullptr && r->bHide;
    }
    WPM_vLabelLine(pBitmap, x, line, w, Visibility, WPM_pcText(bHidden ? Hidden : Visible));
    line -= 26;
  }
  if (c == WPM_ITEM_WAYPOINT) {
    // The first category that holds the icon names it; an icon of none is
    // shown as just an icon.
    const U8 u8Icon = T_NAV_pGetWaypoint(id & 0x0FFF)->u8Icon;
    U32 category = 1;
    while (category < WPM_SEARCH_CATEGORIES && !WPM_bIconInCategory(u8Icon, category)) category++;
    POINT icon = {x + w - 40, line};
    G_ICON_vPut(pBitmap, WPM_pWaypointIcon(id), &icon);
    if (category < WPM_SEARCH_CATEGORIES) {
      WPM_vLabelLine(pBitmap, x, line, w - 44, Icon_Category, WPM_pcText(s_StringListIconCategory[category]));
    } else {
      WPM_vLabelLine(pBitmap, x, line, w - 44, Icon, nullptr);
    }
    line -= 26;
  }
  WPM_vLabelLine(pBitmap, x, line, w, Name, name);
}

// ---------------------------------------------------------------------------
// Frame

static const char* const* const s_aSortNames[] = {A_to_Z, Z_to_A, Newest, Oldest, Distance, Icon};

static void WPM_vDrawHighBar(BITMAP* pBitmap, S32 x, S32 half) {
  const BOOLEAN bFocus = g_WPM.eInputState == STATE_SORTBY_MENU;
  const BOOLEAN bRoute = WPM_bIsRouteId(g_WPM.u16CurrentGroupID);
  if (bFocus) {
    for (S32 k = 0; k < 3; k++) U_DIALOG_vOutline(pBitmap, 241, x + k, 385 + k, half - 4 - 2 * k, 54 - 2 * k);
  }
  U_DIALOG_vLine(pBitmap, 236, x + half - 2, 385, x + half - 2, 438);
  S32 at = x + 12;
  at += WPM_nText(pBitmap, WPM_pBold(), at, 405, g_WPM.acHighBarText) + 8;
  if (bRoute) {
    if (bFocus) {
      POINT icon = {x + half - 36, 400};
      G_ICON_vPut(pBitmap, &QX_Vorne_Action_Arrow, &icon);
    }
    return;
  }
  const S16 sel = g_WPM.s16SortByMenuSelection;
  if (bFocus && sel >= 1 && sel <= 5) {
    POINT icon = {at, 400};
    G_ICON_vPut(pBitmap, &QX_Vorne_Action_Arrow_Left, &icon);
  }
  at += 28;
  if (sel >= 0 && sel <= 5) at += WPM_nText(pBitmap, WPM_pFont(), at, 405, WPM_pcText(s_aSortNames[sel])) + 4;
  if (bFocus && sel <= 4) {
    POINT icon = {at, 400};
    G_ICON_vPut(pBitmap, &QX_Vorne_Action_Arrow, &icon);
  }
}

// The chart preview of the highlighted item inside the pane's inner frame.
// A waypoint or a track moves the centre to itself; anything else keeps the
// centre last computed for the directory's items.
static void WPM_vDrawPreview(BITMAP* pBitmap, const WINDOW_SPECIFICATION* psWindowSpec, S32 rx, S32 rw) {
  U16 id = WPM_u16HighlightedItem();
  if (const WAYPOINT* pWaypoint = WPM_pWaypoint(id)) {
    g_WPM.ptPreviewCentre = pWaypoint->pt;
  } else if (WPM_eClass(id) == WPM_ITEM_TRACK) {
    const TRACK_HEADER* h = T_NAV_pGetTrackHeader(id & 63);
    if (h != nullptr && h->u16Count != 0) {
      g_WPM.ptPreviewCentre = {(S32)(((S64)h->ptLowerLeft.x + h->ptUpperRight.x) / 2),
                               (S32)(((S64)h->ptLowerLeft.y + h->ptUpperRight.y) / 2)};
    }
  }
  WINDOW_SPECIFICATION windowSpec = psWindowSpec != nullptr ? *psWindowSpec : WINDOW_SPECIFICATION{};
  windowSpec.drawWindow = {rx + 2, 418, rx + rw - 3, 278};
  POINT centre = g_WPM.ptPreviewCentre;
  T_CHART_vDrawChartInPopupWindow(pBitmap, &windowSpec, &centre, &id);
}

// The instruction wraps onto up to three lines, its bar growing upward into
// the room the information pane leaves under its last line; only a text
// longer still is cut, at the end of the third.
static void WPM_vDrawInstruction(BITMAP* pBitmap, S32 rx, S32 rw) {
  const U32 u32Width = (U32)(rw - 16);
  const char* text = g_WPM.acInstructionText;
  LINEOFTEXT aLines[U_DIALOG_MAX_LINES];
  const U16 n = U_DIALOG_u16ExtractTextIntoLines(text, aLines, WPM_pBold(), (U16)u32Width, FALSE);
  const S32 shown = n < 1 ? 1 : (n > 3 ? 3 : n);
  const S32 grow = 26 * (shown - 1);
  WPM_vFill(pBitmap, 238, rx, 2, rw, 34 + grow);
  U_DIALOG_vLine(pBitmap, 32, rx, 36 + grow, rx + rw - 1, 36 + grow);
  const U32 total = U_WSTRING_u32w_strlen(text, FALSE);
  for (S32 i = 0; i < shown && i < n; i++) {
    char line[sizeof g_WPM.acInstructionText + 2] = {};
    const U32 from = (U32)(aLines[i].pcStartOfText - text);
    const U32 bytes = i == 2 && n > 3 ? total - from : aLines[i].u8NumberOfCharsInLine;
    memcpy(line, aLines[i].pcStartOfText, bytes < sizeof line - 2 ? bytes : sizeof line - 2);
    char fitted[sizeof line];
    U_DIALOG_vShortenText(fitted, sizeof fitted, line, WPM_pBold(), u32Width);
    WPM_nText(pBitmap, WPM_pBold(), rx + 8, 13 + grow - 26 * i, fitted);
  }
}

void T_NAV_GROUP_vDrawMainFrame(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  const S32 origin = (S32)T_INFO_u32XOrigin();
  const S32 W = 800 - origin, half = W / 2;
  WPM_vFill(pBitmap, 237, origin, 0, W, 480);
  if (origin == 0) {
    U_DIALOG_vLine(pBitmap, 32, 0, 0, 0, 479);
    U_DIALOG_vLine(pBitmap, 236, 1, 0, 1, 479);
    g_WPM.u32XOriginOffset = 2;
  } else {
    U_DIALOG_vLine(pBitmap, 236, origin - 1, 1, origin - 1, 478);
    U_DIALOG_vLine(pBitmap, 32, origin - 2, 1, origin - 2, 478);
    g_WPM.u32XOriginOffset = 0;
  }
  const S32 x = origin + (S32)g_WPM.u32XOriginOffset;
  // Title band.
  WPM_vFill(pBitmap, 238, origin, 439, W, 41);
  const char* title = WPM_pcText(Waypoints_Routes_Tracks);
  const S32 tw = (S32)G_STRING_u32GetWidth(WPM_pBold(), (const BYTE*)title);
  WPM_nText(pBitmap, WPM_pBold(), origin + (W - tw) / 2, 452, title);
  U_DIALOG_vLine(pBitmap, 236, origin, 438, 799, 438);
  U_DIALOG_vLine(pBitmap, 32, origin, 437, 799, 437);
  WPM_vDrawHighBar(pBitmap, x, half);
  U_DIALOG_vLine(pBitmap, 236, x, 385, x + half - 2, 385);
  // Item list, then the low bar under it.
  T_NAV_GROUP_vDrawItemList(pBitmap, {x, 42}, half - 7);
  const BOOLEAN bLowFocus = g_WPM.eInputState == STATE_OPTIONS_MENU;
  U_DIALOG_vLine(pBitmap, 236, x, 38, x + half - 2, 38);
  if (bLowFocus) {
    for (S32 k = 0; k < 3; k++) U_DIALOG_vOutline(pBitmap, 241, x + k, 2 + k, half - 4 - 2 * k, 35 - 2 * k);
    POINT icon = {x + half - 36, 8};
    G_ICON_vPut(pBitmap, &QX_Vorne_Action_Arrow, &icon);
  }
  WPM_nText(pBitmap, WPM_pBold(), x + 12, 13, g_WPM.acLowBarText);
  // Right column: the chart preview pane, the information pane and the
  // instruction bar.
  const S32 rx = origin + half + 2, rw = W - half - 6;
  U_DIALOG_vOutline(pBitmap, 32, rx, 276, rw, 145);
  U_DIALOG_vOutline(pBitmap, 236, rx + 1, 277, rw - 2, 143);
  WPM_vDrawPreview(pBitmap, psWindowSpec, rx, rw);
  WPM_vDrawInfo(pBitmap, rx + 8, 270, rw - 16);
  WPM_vDrawInstruction(pBitmap, rx, rw);
}

// ---------------------------------------------------------------------------
// Render

// Whether the directory shown still hangs in the tree; ids of other kinds
// are taken as they are.
static BOOLEAN WPM_bDirectoryValid(U16 id) {
  if (WPM_bIsGroupId(id)) return WPM_bReachesRoot(id);
  if (WPM_bIsRouteId(id)) {
    const ROUTE* r = (id & 0x37FF) < NAV_MAX_ROUTES ? T_NAV_pGetRoute(id & 0x37FF) : nullptr;
    return r != nullptr && (r->nCount != 0 || r->u32DateTime != 0);
  }
  return TRUE;
}

static void WPM_vFallBack(void) {
  const U16 def = T_NAV_GROUP_DATA_nGetDefaultGroup();
  if ((WPM_bIsGroupId(def) && WPM_bReachesRoot(def)) || (WPM_bIsRouteId(def) && WPM_bDirectoryValid(def))) {
    WPM_vEnterDirectory(def, NAV_NONE);
    if (!WPM_bIsRouteId(def)) WPM_vRebuildPath(def);
  } else {
    const U16 root = T_NAV_GROUP_DATA_nGetRootGroup();
    T_NAV_GROUP_bEnterGroup(root, NAV_NONE);
    WPM_vRebuildPath(root);
    T_NAV_GROUP_DATA_bSetDefaultGroup(root);
  }
  if (g_WPM.eInputState != STATE_ITEM_LIST) g_WPM.u16HighlightIndex = NAV_NONE;
}

void T_NAV_GROUP_vRender(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  L_MUTEX_LockWait(RES_NAV_DATA);
  if (g_WPM.eInputState == STATE_SLEEP) {
    L_MUTEX_Unlock(RES_NAV_DATA);
    return;
  }
  if (!WPM_bDirectoryValid(g_WPM.u16CurrentGroupID)) WPM_vFallBack();
  T_NAV_GROUP_vDrawMainFrame(pBitmap, psWindowSpec);
  POPUP_ALARMWINDOW* pNote = g_WPM.pPopupAlarmWindow;
  if (pNote != nullptr && pNote->parent.bActive && pNote->parent.pDrawFunc != nullptr) {
    pNote->parent.pDrawFunc(&pNote->parent, pBitmap);
  }
  POPUP_WINDOW* pPopup = g_WPM.pPopupWindow;
  if (pPopup != nullptr && pPopup->bActive && pPopup->pDrawFunc != nullptr) pPopup->pDrawFunc(pPopup, pBitmap);
  L_MUTEX_Unlock(RES_NAV_DATA);
}
