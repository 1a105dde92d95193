// The chart editors' texts against their rooms in every language: the
// waypoint and point pickers (at their narrowest, 268 pixels), the route
// picker's direction row, the route editor, the waypoint editor, the track
// forms, the route information and the pickers' detail boxes, and the AIS
// limits and target list.

#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fit_test.h"
#include "g_fonts.h"
#include "g_icon.h"
#include "g_iconset.h"
#include "t_info.h"
#include "t_nav_edit_draw.h"
#include "u_dialog.h"
#include "u_menulook.h"
#include "u_nav_edit.h"

namespace overlay_fit {

typedef std::vector<const char* const*> TEXTS;

const TEXTS kSortChoices = {Name, Time, Distance, Waypoints, Gravanes, Routes, Ferrowes};
const TEXTS kColours = {Color_Black, Color_Dark_Red, Color_Light_Green, Color_Beige, Color_Navy, Color_Maroon,
                        Color_Light_Blue, Color_Gray, Color_Dark_Gray, Color_Red, Color_Lime, Color_Yellow,
                        Color_Bright_Blue, Color_Magenta, Color_Teal, Color_White, Color_Orange, Random};

class OverlayFit : public FontTest {
 protected:
  FitFindings m_fit;

  static std::string T(const char* const* ppTable) { return FIT_Text(ppTable); }
  static std::string L(const char* pcAscii) { return FIT_Ascii(pcAscii); }
  static S32 W(const FONT_DEF* pFont, const std::string& text) { return FIT_s32Width(pFont, text); }
  static S32 W(const FONT_DEF* pFont, const char* const* ppTable) { return FIT_s32Width(pFont, T(ppTable)); }
  static S32 IconWidth(const ICON& icon) { return (S32)G_ICON_u32GetWidth(&icon); }
  void Check(const std::string& place, const char* const* ppTable, S32 width, S32 room) {
    m_fit.Check(place, ppTable, nCurrentLanguage(), (U32)std::max(width, 0), (U32)std::max(room, 0));
  }
};

TEST_F(OverlayFit, EveryEditorTextStaysInsideItsRoomInEveryLanguage) {
  for (U32 language = 0; language < LANGUAGE_COUNT; language++) {
    SetLanguageAndFontSet(language);
    const FONT_DEF *pFont = NAV_EDIT_pFont(), *pBold = NAV_EDIT_pBoldFont(), *pSmall = NAV_EDIT_pSmallFont();

    // The pickers: the short title, the sort row's label left of its
    // choice, the chosen box as wide as the widest choice, a route end's
    // word after a name, and the creation time under the list.
    const S32 picker = 268;
    for (const auto* t : {Cursor_To, GoTo_, Target}) Check("picker title", t, W(pBold, t), picker - 20);
    S32 widest = 0;
    for (const auto* c : kSortChoices) {
      // The picker widens for its sort row, within the view area.
      Check("picker sort row", c, 11 + W(pFont, Sort_By) + 16 + W(pBold, c) + 11, 800 - 160 - 2);
      widest = std::max(widest, W(pBold, c));
    }
    Check("picker sort box", Sort_By, widest + 64, picker - 2);
    for (const auto* e : {to_start, to_end}) Check("picker route end", e, W(pFont, L("RT001 ") + T(e)), picker - 22);
    Check("picker details", Created, W(pFont, T(Created) + L(": 12:59:59 PM")), picker - 22);

    // The route picker's direction row: the chosen word between the box's
    // arrows, or alone in the smaller face.
    const S32 row = 624 - 341 - W(pBold, Direction) - 12;
    for (const auto* d : {Forward, Reverse}) {
      Check("route picker direction box", d, W(U_MENULOOK_pValueFont(), d), (S32)U_MENULOOK_u32ValueBoxRoom((U32)row));
      Check("route picker direction", d, W(pSmall, d), row - 8);
    }

    // The route editor: the name field after its label, the two lists'
    // headers over them, the point menu left of the route list's edge.
    Check("route editor name", Name, W(pBold, Name) + 15 + W(pBold, L("WWWWWWWWWWWW")) + 10, 795 - 175);
    for (const auto* h : {All, In_Route}) Check("route editor list header", h, W(pSmall, h), 246 - 6);
    for (const auto* m : {Move_Up, Move_Down, Delete}) {
      Check("route editor point menu", m, W(pSmall, m) + 24, 800 - 464);
    }
    Check("route editor", Waypoints, W(pBold, Waypoints) + 31, 795 - 170);

    // The waypoint editor: each label before its value box, which still
    // holds a longitude.
    const S32 longitude = W(pBold, L("W 179\xBA" "59.999'"));
    for (const auto* l : {Name, Latitude, Longitude, Icon}) {
      Check("waypoint editor label", l, 300 + W(pBold, l) + 8 + 8 + longitude + 8, 664);
    }
    Check("waypoint editor save", Save, W(pBold, Save) + 23, 376);

    // The track forms, 410 wide: a label over its value, which stands
    // right-aligned, or centred between its arrows when chosen.
    const S32 form = 410, arrows = IconWidth(QX_Vorne_Selection_Arrow_Left) + IconWidth(QX_Vorne_Selection_Arrow_Right);
    for (const auto* t : {Current_Track, Default_Track}) Check("track form title", t, W(pBold, t), form - 20);
    for (const auto* l : {Visibility, Style, Color}) Check("track form label", l, 9 + W(pFont, l), form - 9);
    auto Value = [&](const char* const* value, S32 valueWidth) {
      Check("track form value", value, valueWidth + arrows + 20, form - 8);
    };
    for (const auto* v : {Hidden, Visible}) Value(v, W(pBold, v));
    for (const auto* c : kColours) Value(c, W(pBold, c) + (c == Random ? 0 : 8 + IconWidth(QX_Vorne_Track_Color_Tray)));
    Check("track form save", Save, 9 + W(pFont, Save), form - 4 - IconWidth(QX_Vorne_Action_Arrow));

    // The route information's first row, and the detail boxes' lines (380
    // wide from x 290).
    Check("route information", Current_Position, W(pBold, Current_Position), 665 - 296);
    Check("details box", Created, W(pBold, T(Created) + L(": 12/31/20")) + 8 + W(pBold, L("12:59 PM")), 348);
    for (const auto* c : {Waypoints, Trackpoints}) Check("details box", c, W(pBold, L("9999 ") + T(c)), 350);

    // A waypoint data box's next or last mark, right-aligned after the
    // waypoint's icon.
    for (const auto* l : {NEXT, END}) {
      Check("waypoint data box", l, W(T_INFO_pFont(9), l), 154 - IconWidth(Waypoint1_icon) - 6);
    }

    // The AIS limits: labels before the action arrow, the value editor's
    // title and its foot around the check key; the target list's column
    // heads.
    for (const auto* l : {CPA, TCPA, Save}) {
      Check("AIS limits row", l, W(pBold, l), 410 - 11 - 4 - 4 - IconWidth(QX_Vorne_Action_Arrow));
    }
    for (const auto* l : {CPA, TCPA}) Check("AIS value editor title", l, W(U_DIALOG_pTitleFont(), l), 350 - 36);
    Check("AIS limits title", CPA_Limits, W(pBold, CPA_Limits), 410 - 20);
    const S32 side = (350 - IconWidth(QX_Vorne_Text_Editor_CheckKey)) / 2 - 3 - 8;
    for (const auto* f : {Press, To_Save}) Check("AIS value editor foot", f, W(pFont, f), side);
    Check("AIS value editor hint", Press_MENU_to_Save, W(pFont, Press_MENU_to_Save), 350 - 20);
    Check("AIS list title", AIS_List, W(pBold, AIS_List), 640 - 20);
    const FONT_DEF* pHead =
        U_WSTRING_bIsUnicodeLanguage() ? arialuni_size14_font_def_ptr : myriad_pro_size14_font_def_ptr;
    const struct {
      const char* const* ppHead;
      S32 from, to;
    } kHeads[] = {{MMSI, 169, 265}, {Last_Message, 275, 416}, {COG, 426, 475}, {SOG, 485, 548}, {TCPA, 558, 638}};
    for (const auto& h : kHeads) Check("AIS list head", h.ppHead, W(pHead, h.ppHead), h.to - h.from - 4);
    // The speed unit under its head, and the widest cells: a course of 359
    // degrees, and AIS's top speed (102.2 kn) in km/h.
    for (const auto* u : {kts_LC, mph_LC, kph_LC}) Check("AIS list speed unit", u, W(pHead, u), 548 - 485 - 4);
    // The rows' values: a line of a long name (the icon before it), an MMSI's
    // nine digits, the clock of the last message at its widest, the course,
    // the speed and the longest TCPA.
    const FONT_DEF* pValue = T_NAV_pAisListValueFont();
    const S32 name = 8 + cargo_boat_0.s32Width + 4;
    Check("AIS list name", Name, W(pValue, L("MEDITERRAN")), 159 - name - 4);
    Check("AIS list MMSI", MMSI, W(pValue, L("999999999")), 265 - 169 - 4);
    for (const U32 clock : {0u, 1u}) {
      H_DATABASE_bUpdateEverythingU32(FCID("SITF"), clock, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
      for (const U32 hour : {0u, 12u, 23u}) {
        char text[40] = {};
        T_INFO_vFormatTime((time_t)(86400 * 20000 + hour * 3600 + 59 * 60 + 59), TRUE, TRUE, text, nullptr, nullptr);
        const std::string time(text, U_WSTRING_u32w_strlen(text, FALSE));
        Check("AIS list last message", hour < 12 ? am : pm, W(pValue, time), 416 - 275 - 4);
      }
    }
    Check("AIS list course", Degrees, W(pValue, L("359") + T(Degrees)), 475 - 426 - 4);
    Check("AIS list speed", SOG, W(pValue, L("189.3")), 548 - 485 - 4);
    Check("AIS list TCPA", TCPA, W(pValue, L("99:59")), 638 - 558 - 4);
  }
  EXPECT_TRUE(m_fit.AllFit(27 * 80));
}

}  // namespace overlay_fit
