// The manager's texts against their rooms in every language: the frame's
// title and bars, the empty-list and information pane texts, the popup
// menus, every form opened for real with each row's label beside the widest
// of its values, the character editor's box, the route information window
// and the timed notes. The frame is measured beside the big-digits view's
// 300-pixel column, the narrowest the manager opens in.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "fit_wrap.h"
#include "g_fonts.h"
#include "g_icon.h"
#include "g_iconset.h"
#include "t_nav_group_data.h"
#include "t_nav_group_edit.h"
#include "t_nav_group_icons.h"
#include "t_nav_group_routeinfo.h"
#include "t_nav_twr.h"
#include "u_nav.h"
#include "u_nav_edit.h"
#include "ui_texts.h"
#include "wptmgr_rig.h"

namespace wpm_fit {

typedef std::vector<const char* const*> TEXTS;

constexpr S32 kOrigin = 160;

// Every leaf and branch of the manager's popup menus.
const TEXTS kMenuItems = {New, Select_Multiple_Items, Search_By, Select_All_And, Set_As_Default, New_Group,
                          New_Waypoint, New_Route, Delete, Export, Duplicate, Move, Show, Hide, Set_Waypoint_Icon,
                          Name, Distance, Date, Icon, Icon_Category, Jump_To, Open, Add_Remove, Edit, Selected,
                          All_Instances, Save_As, Cursor_To, GoTo_, Target, Grid, Reorder, Travel, Forward, Reverse,
                          Info, Select, Deselect, Set_Icon};
// What the low bar shows alone, and what the multiple selection's
// instruction names after "Select items to".
const TEXTS kLowBar = {Options, Done, Paste_Here, Select_Icon};
const TEXTS kSelectFor = {Delete, Export, Duplicate, Move, Show, Hide, Share, Lock, Set_Waypoint_Icon};
const TEXTS kSortNames = {A_to_Z, Z_to_A, Newest, Oldest, Distance, Icon};
const TEXTS kInfoLabels = {Created, Latitude, Name};
const TEXTS kEditorTitles = {Edit_Latitude,   Edit_Longitude,  Distance,        Date,
                             Edit_Track_Name, Edit_Group_Name, Edit_Route_Name, Edit_Waypoint_Name};
const TEXTS kPresets = {Wypt_Airport, Wypt_Anchor, Wypt_Base_Marine_Culture, Wypt_Beverage, Wypt_Boat_Ramp,
                        Wypt_Buoy, Wypt_Camp, Wypt_Circle, Wypt_Danger, Wypt_Diamond, Wypt_Drilling_Platform,
                        Wypt_Duck, Wypt_Fish, Wypt_Flag, Wypt_Gas, Wypt_Home, Wypt_Hydrologic_Station, Wypt_Medical,
                        Wypt_Moor, Wypt_Pattern, Wypt_Phone, Wypt_Pier, Wypt_Restaurant, Wypt_Rocks, Wypt_Shower,
                        Wypt_Slip, Wypt_Timber, Wypt_Water, Wypt_Weeds, Wypt_Wreck};
// The forms' titles and rows this test must have met in the forms it opens.
const TEXTS kFormTexts = {
    Create_New_Waypoint, Edit_Waypoint, Save_As_Waypoint, New_Route, Edit_Route, Save_As_Route, Edit_Track,
    Save_As_Track, Create_New_Group, Edit_Group, Waypoint_Settings, New_Waypoint_Icon, Search_By_Name,
    Search_By_Date, Search_By_Distance, Search_By_Icon, Search_By_Icon_Category, Icon_Category, Default_Waypoint_Icon,
    Default, Select, Visibility, Hidden, Visible, Style, Color, Save, Add_Items, Plan_Route, Enter, Category,
    Category_Environment, Category_Fish, Category_Recreation, Category_Navigation, Category_Supplies,
    Category_Alerts, Category_Geometry, Category_Ice, All, Date_Mm_Dd_Yy, Date_Dd_Mm_Yy, Date_Yy_Mm_Dd, Dist_Min_Nm,
    Dist_Max_Nm, Dist_Min_Sm, Dist_Max_Sm, Dist_Min_Km, Dist_Max_Km, Color_Black, Color_Orange, Created,
    Trackpoints};

class WpmFit : public Wpm {
 protected:
  FitFindings m_fit;
  std::vector<const char* const*> m_met;

  void SetUp() override {
    Wpm::SetUp();
    WPM_vClearEditState();
  }
  void TearDown() override {
    G_TRUETYPE_vSelectFontSet(0);
    SetLanguage(0);
    Wpm::TearDown();
  }

  static bool Wide() { return U_WSTRING_bIsUnicodeLanguage(); }
  static const FONT_DEF* Regular() { return Wide() ? arialuni_size17_font_def_ptr : myriad_pro_size17_font_def_ptr; }
  static const FONT_DEF* Bold() { return Wide() ? arialuni_size17_font_def_ptr : myriad_pro_bold_size17_font_def_ptr; }
  static S32 IconWidth(const ICON& icon) { return (S32)G_ICON_u32GetWidth(&icon); }
  static std::string T(const char* const* ppTable) { return FIT_Text(ppTable); }
  static std::string L(const char* pcAscii) { return FIT_Ascii(pcAscii); }
  static S32 Width(const FONT_DEF* pFont, const std::string& text) { return FIT_s32Width(pFont, text); }
  static S32 Width(const FONT_DEF* pFont, const char* const* ppTable) { return Width(pFont, T(ppTable)); }
  void Check(const std::string& place, const char* const* ppTable, S32 width, S32 room) {
    m_met.push_back(ppTable);
    m_fit.Check(place, ppTable, nCurrentLanguage(), (U32)std::max(width, 0), (U32)std::max(room, 0));
  }

  // A form's title, footers and rows; a label must leave room for its
  // row's widest value, placed as when the row is selected.
  void Form(const std::string& place) {
    const POPUP_EDIT_WINDOW* p = (const POPUP_EDIT_WINDOW*)g_WPM.pPopupWindow;
    ASSERT_TRUE(p != nullptr && p->parent.bActive) << place;
    const S32 w = p->parent.nWidth;
    const char* const* title = p->parent.strTitle;
    Check(place + " title", title, Width(Bold(), title), w - 20);
    for (U32 i = 0; p->parent.ppStrFooter != nullptr && p->parent.ppStrFooter[i] != nullptr; i++) {
      const S32 footer = (S32)G_STRING_u32GetWidth(Regular(), (const BYTE*)p->parent.ppStrFooter[i]);
      Check(place + " footer", i == 0 ? Created : Trackpoints, footer, w - 20);
    }
    const S32 arrows = 10 + IconWidth(QX_Vorne_Selection_Arrow_Right) + 12 + IconWidth(QX_Vorne_Selection_Arrow_Left);
    for (const EDIT_FIELD* f = p->pEditFields; f->name != nullptr; f++) {
      const std::string row = place + " row";
      const bool bValueOnly =
          title != Search_By_Name && (f->name == Name || f->name == Latitude || f->name == Longitude);
      const S32 label = bValueOnly ? 0 : Width(Regular(), f->name);
      const S32 labelRoom = w - 11 - 4;  // to the start of the value block
      auto Beside = [&](const char* const* value, S32 inner) {
        if (value != nullptr) m_met.push_back(value);
        Check(row + " beside " + (value != nullptr ? FIT_pcName(value) : "its picture"), f->name, label,
              labelRoom - arrows - inner);
      };
      switch (f->type) {
        case EDIT_TYPE_SAVE:
          Check(row, f->name, label, w - 11 - 31 - 4);
          break;
        case EDIT_TYPE_CHAR:
        case EDIT_TYPE_CHAR_U:
        case EDIT_TYPE_MIXED_CHAR: {
          // The value starts past the label and ends before the action arrow.
          char text[2 * EDIT_FIELD_VALUE_SIZE + 2] = {};
          memcpy(text, f->value_string, EDIT_FIELD_VALUE_SIZE);
          const S32 value = WPM_bWideRow(f) ? (S32)G_STRING_u32GetWidth(Regular(), (const BYTE*)text)
                                            : Width(Regular(), L(text));
          const S32 start = bValueOnly ? 10 : std::max(11 + label + 12, w * f->left_part_percent / 100);
          Check(row + " and its value", f->name, start + value, w - 31 - 4);
          break;
        }
        case EDIT_TYPE_STRING_LIST: {
          const auto* list = (const char* const* const*)f->pDisplayList;
          for (U32 k = 0; k < f->nDisplayList; k++) Beside(list[k], std::max(Width(Regular(), list[k]), 120));
          break;
        }
        case EDIT_TYPE_ICON_ARRAY:
        case EDIT_TYPE_ICON: {
          S32 widest = 0;
          for (U32 icon = 0; icon <= NAV_MAX_ICON; icon++) {
            widest = std::max(widest, IconWidth(*WPM_pIconPicture(icon)));
          }
          Beside(nullptr, std::max(widest, 66));
          break;
        }
        case EDIT_TYPE_COLOR:
          for (const char* const* colour : g_apNavEditColorName) {
            Beside(colour, std::max(Width(Regular(), colour) + 8 + IconWidth(QX_Vorne_Track_Color_Tray), 66));
          }
          break;
        case EDIT_TYPE_TRACKSTYLE:
          Beside(nullptr, std::max(IconWidth(QX_Vorne_Track_Style_Line_Large), 66));
          break;
        default:
          m_fit.Note(row + " " + FIT_pcName(f->name) + ": a kind of row this test does not measure");
      }
    }
    g_WPM.pPopupWindow->bActive = FALSE;
    g_WPMForm = {};
    WPM_vClearEditState();
  }

  void Highlight(U16 id) {
    T_NAV_GROUP_vSetup();
    for (U16 i = 0; i < g_WPM.u16ShowItemsCount; i++) {
      if (g_WPM.au16ShowItemIDs[i] == id) g_WPM.u16HighlightIndex = i;
    }
  }
};

TEST_F(WpmFit, EveryManagerTextStaysInsideItsRoomInEveryLanguage) {
  // A new waypoint is placed at the boat, a new route dated by the clock.
  Boat(1000, 1000);
  H_DATABASE_bUpdateEverythingU32(FCID("IDTM"), 0x5F5E3000, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  const U16 group = Group("Lake");
  Waypoint("Reef", kWpmRoot);
  const U16 route = Route("Leg", kWpmRoot, {Waypoint("A", group), Waypoint("B", group)});
  // A track drawn as a line, so its form shows the colour row.
  auto t = std::make_unique<TRACK>();
  U_NAV_vClearTrack(&t->sHeader);
  U_NAV_vAddTrackPoint(t.get(), {0, 0}, 0, FALSE);
  const U16 track = NAVTEST_u16Track(T_NAV_nAddTrack(t.get(), 3, nullptr, FALSE));
  T_NAV_bSetTrackStyle(track - NAVTEST_u16Track(0), 1);
  ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(kWpmRoot, track));
  const U16 waypoint = Waypoint("Reef2", kWpmRoot);

  const S32 W = 800 - kOrigin, half = W / 2, rw = W - half - 6;
  for (U32 language = 0; language < LANGUAGE_COUNT; language++) {
    SetLanguageAndFontSet(language);
    const FONT_DEF *pBold = Bold(), *pFont = Regular();
    // The frame: its title, the high bar's name and sort order between
    // their arrows, the low bar before its arrow, and the instruction bar,
    // wrapped onto three lines at most (a name in it may be any length).
    Check("frame title", Waypoints_Routes_Tracks, Width(pBold, Waypoints_Routes_Tracks), W - 20);
    const S32 sortRoom = half - 4 - 3 - 12 - 8 - 28 - 4 - IconWidth(QX_Vorne_Action_Arrow);
    for (const auto* s : kSortNames) {
      Check("high bar after Sort By", s, Width(pBold, Sort_By) + Width(pFont, s), sortRoom);
    }
    for (const auto* b : {Reverse, Search_Results}) Check("high bar", b, Width(pBold, b), half - 36 - 12 - 4);
    for (const auto* b : kLowBar) Check("low bar", b, Width(pBold, b), half - 36 - 12 - 4);
    Check("low bar with a name", Save, Width(pBold, T(Save) + L(" RT001")), half - 36 - 12 - 4);
    auto Bar = [&](const char* const* ppTable, const std::string& text) {
      m_met.push_back(ppTable);
      FIT_vWrappedText(&m_fit, "instruction bar", ppTable, (text + std::string(2, '\0')).c_str(), pBold, rw - 16, 3);
    };
    Bar(Default_Group, T(Default_Group) + L(": ") + T(Home));
    for (const auto* i : {Select_Items_And_Save, Select_Directory_To_Paste, Reorder_Instruction}) Bar(i, T(i));
    for (const auto* s : kSelectFor) Bar(Select_Items_To, T(Select_Items_To) + L(" ") + T(s));
    for (const auto* e : {Edit_Route, Edit_Group}) {
      Bar(Then_Select, T(e) + L(": RT001, ") + T(Then_Select) + L(" ") + T(Save));
    }
    // The list's empty note, the pane's prompt and its label lines.
    for (const auto* e : {Empty_Group, Empty_Route}) Check("empty list", e, Width(pFont, e), half - 7 - 20);
    // The pane and the route information's lines draw in the regular Latin
    // face in every language; a wide language's own characters come from
    // the Unicode face through it.
    const FONT_DEF* pPane = myriad_pro_size17_font_def_ptr;
    for (const auto* s : {Select_An_Item_To, View_Information}) Check("information pane", s, Width(pPane, s), rw - 16);
    const S32 value = std::max(Width(pPane, L("N 88\xBA" "88.888'")), Width(pPane, L("12/31/20 12:59 PM")));
    for (const auto* l : kInfoLabels) Check("information line", l, Width(pPane, T(l) + L(": ")) + value, rw - 16);
    Check("information line", Longitude, Width(pPane, T(Longitude) + L(": W 179\xBA" "59.999'")), rw - 16);
    for (const auto* v : {Hidden, Visible}) {
      Check("information line", v, Width(pPane, T(Visibility) + L(": ") + T(v)), rw - 16);
    }
    Check("information line", Icon_Category, Width(pPane, T(Icon_Category) + L(": ")), rw - 16 - 44);

    // Popup menus grow with their widest item, as far as the view area.
    const S32 margin = (S32)G_FONTS_u32GetHeight(Wide() ? arialuni_size21_font_def_ptr
                                                          : myriad_pro_bold_size21_font_def_ptr) / 4 +
                       12 + Width(pFont, L(" ")) + 30 + 2;
    for (const auto* m : kMenuItems) Check("popup menu", m, Width(pFont, m) + margin, W);

    // The character editor's title over its box.
    for (const auto* e : kEditorTitles) Check("character editor title", e, Width(U_DIALOG_pTitleFont(), e), 420 - 36);

    // The route information window: a leg from the boat with its bearing
    // and distance, and the count line.
    Highlight(route);
    T_NAV_GROUP_vRouteInfo(0);
    ASSERT_NE(nullptr, g_WPM.pPopupWindow);
    const S32 info = g_WPM.pPopupWindow->nWidth;
    g_WPM.pPopupWindow->bActive = FALSE;
    Check("route information title", Route_Info, Width(pBold, Route_Info), info - 20);
    Check("route information leg", Current_Position,
          Width(pPane, T(Current_Position) + L(" - WP001")) + 12 + Width(pPane, L("359\xBAM  12.5 nm")),
          info - 24);
    Check("route information count", Waypoints, Width(pPane, L("50 ") + T(Waypoints)), info - 20);

    // The timed notes: an untitled box wrapped at 326 pixels.
    const FONT_DEF* pNote = Wide() ? arialuni_size14_font_def_ptr : myriad_pro_bold_size14_font_def_ptr;
    for (const auto* n : {Only_groups_can_be_set_as_the_default, Default_Group_Deleted, Cannot_Add_This_Data,
                          Group_Slot_Index_Invalid, Group_Slot_Links_Itself}) {
      FIT_vWrapped(&m_fit, "note", n, pNote, 326, 11);
    }
    // A group's or route's edit names the item and where it went, with the
    // longest names a waypoint and a group or route take.
    const std::string item = L("MMMMMMMMMMMM"), holder = L("MMMMMMMMMMMMMMMMMMMM");
    const std::string ended[2] = {item + std::string(2, '\0'), holder + std::string(2, '\0')};
    const char* apcNames[2] = {ended[0].c_str(), ended[1].c_str()};
    for (const auto* n : {Waypoint_Added_To_Group, Route_Added_To_Group, Track_Added_To_Group,
                          Waypoint_Already_In_Group, Route_Already_In_Group, Track_Already_In_Group,
                          Waypoint_Added_To_Route, Waypoint_Last_Added}) {
      char note[NAV_GROUP_NOTE_SIZE];
      U_WSTRING_vFillTemplate(n[language], note, sizeof note, apcNames, 2);
      FIT_vWrappedText(&m_fit, "note", n, note, pNote, 326, 11);
    }

    // In Korean and Chinese a waypoint-type preset's word leads a name
    // field, before the four characters the name keeps beside it.
    if (language >= LANGUAGE_KOREAN && language <= LANGUAGE_KOREAN + 2) {
      for (const auto* w : kPresets) Check("name field preset", w, Width(pFont, T(w) + L("WWWW")), 410 - 10 - 35);
    }

    // Every form, opened as the user opens it.
    T_NAV_GROUP_vSetup();
    T_NAV_GROUP_vNewWaypoint(0);
    Form("new waypoint");
    Highlight(waypoint);
    T_NAV_GROUP_vEditWaypoint(0);
    Form("waypoint");
    T_NAV_GROUP_vSaveAsWaypoint(0);
    Form("save as waypoint");
    T_NAV_GROUP_vSetup();
    T_NAV_GROUP_vNewRoute(0);
    Form("new route");
    WPM_vClearEditState();
    Highlight(route);
    T_NAV_GROUP_vEditRoute(0);
    Form("route");
    T_NAV_GROUP_vSaveAsRoute(0);
    Form("save as route");
    ASSERT_TRUE(T_NAV_GROUP_bVerifyAndEditSpecifiedRoute_Setup(route & 0x07FF));
    Form("chart route");
    Highlight(track);
    T_NAV_GROUP_vEditTrack(0);
    Form("track");
    T_NAV_GROUP_vSaveAsTrack(0);
    Form("save as track");
    T_NAV_GROUP_vSetup();
    T_NAV_GROUP_vNewGroup(0);
    Form("new group");
    WPM_vClearEditState();
    Highlight(group);
    T_NAV_GROUP_vEditGroup(0);
    Form("group");
    T_NAV_GROUP_vEditWaypointSettingsDiag(0);
    Form("waypoint settings");
    T_NAV_GROUP_vSetWaypointIconForSelectedItems(0);
    Form("icon of the selection");
    T_NAV_GROUP_vSetup();
    T_NAV_GROUP_vSearchByName(0);
    Form("search");
    for (U32 format = 0; format < 3; format++) {
      H_DATABASE_bUpdateEverythingU32(FCID("SIDF"), format, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
      T_NAV_GROUP_vSearchByDate(0);
      Form("search");
    }
    for (U32 unit : {0u, 2u, 4u}) {
      H_DATABASE_bUpdateEverythingU32(FCID("SUDS"), unit, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
      T_NAV_GROUP_vSearchByDistance(0);
      Form("search");
    }
    H_DATABASE_bUpdateEverythingU32(FCID("SUDS"), 0, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
    T_NAV_GROUP_vSearchByIcon(0);
    Form("search");
    T_NAV_GROUP_vSearchByIconCategory(0);
    Form("search");
  }
  EXPECT_TRUE(m_fit.AllFit(27 * 250));
  for (const auto* t : kFormTexts) {
    EXPECT_TRUE(std::find(m_met.begin(), m_met.end(), t) != m_met.end()) << FIT_pcName(t) << " was not measured";
  }
}

}  // namespace wpm_fit
