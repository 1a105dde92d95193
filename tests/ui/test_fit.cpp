// The screen frame's texts against their rooms in every language: the
// confirmation boxes, the alarm banner and the notification bar (texts
// wrapped between words, so no word may be wider than the wrap and the
// lines must stay on the screen), the start-up screens, the POWER key's
// menu, the shutdown count-down and the demonstration's boxes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fit_wrap.h"
#include "font_test.h"
#include "g_fonts.h"
#include "g_truetype.h"
#include "h_database.h"
#include "u_dialog.h"
#include "u_language.h"
#include "u_wstring.h"

namespace frame_fit {

typedef std::vector<const char* const*> TEXTS;

// The questions the confirmation boxes ask: the menus' confirmed actions,
// the forms' questions and the store's warnings.
const TEXTS kQuestions = {
    Restore_Defaults, Triplog_Reset, Format_Nav_Directories, Delete, Clear, Save_Changes, Exit_And_Discard,
    Confirm_Deletion, Delete_Waypoint_Q, Delete_All_Waypoint_Instances, Delete_Route_Q, Delete_All_Route_Instances,
    Delete_Track_Q, Delete_Group_Q, Mark_For_Export, Delete_All_Saved_Tracks_and_Waypoints,
    Continue_Format_Nav_Directories, Save_Current_Route, Discard_Incomplete_Route, Change_Language_Mode,
    Restore_factory_defaults_Q};

// What the alarm banner and the notification bar show.
const TEXTS kNotes = {
    Fix_Required, No_Waypoints, No_Routes, No_Tracks, No_Groups, No_Saved_Waypoints, No_Saved_Routes, No_Saved_Tracks,
    Cannot_delete_used_waypoint,
    Max_Waypoints_in_Route, Waypoint_Created, Waypoint_Already_Exists, Waypoint_Added, Waypoint_Already_In_Route,
    Route_Saved, Track_Saved, Track_cleared, Navigation_Started, Man_Overboard_Marked, Traveling_Route,
    Traveling_Route_In_Reverse,
    Delete_Canceled_By_Nav, MOB_navigation_in_progress, Ais_Alarm, Past_Waypoint, Off_Course_Alarm, Arrival_Alarm,
    Drift_Alarm, Data_In_Use_Cannot_Edit, Out_Of_Waypoint_Route_Memory, Must_Specify_New_Name,
    Route_In_Use_Cannot_Delete, Some_Selected_Data_In_Use, Invalid_Longitude, Invalid_Latitude,
    Cant_Save_Incomplete_Route, Cannot_Move_Into, Cannot_Be_Shared, Cannot_Be_Locked, All_Items_Except_Groups,
    Total_Items_Copied, Total_Items_Moved, Already_In_This_Group, Timer_Alarm, Low_Voltage, Input_Voltage_High, Transducer_not_connected,
    Processing_tracks_waypoints_and_routes, Formatting_Unit_will_reboot, Track_will_record_10_more_minutes,
    Storage_Read_Only, Storage_Full, Settings_Reset, Records_Not_Taken,
    Optional_Accessory_Required_to_Support_This_View, PC_Connect, Software_Downloading, Updating_Flash,
    Must_Upgrade_PC_Software, Press_Right_Cursor_Arrow_to_Select, Press_and_hold_to_power_unit_Off,
    No_GPS_Receiver_Connected, No_GPS_Position_Fix, Simulation, Remote_Sync_Complete};

constexpr U32 kDialogWrap = 326;       // a titled box 420 wide
constexpr U32 kDialogBox = 420;
constexpr U32 kDialogLines = 10;       // more would not fit the screen with title and choices
constexpr U32 kNarrowestOrigin = 300;  // the big-digits view's readout column
constexpr U32 kBandLines = 6;

const FONT_DEF* Face(const FONT_DEF* pLatin, const FONT_DEF* pWide) {
  return U_WSTRING_bIsUnicodeLanguage() ? pWide : pLatin;
}

// The screen frame's tasks run for the whole program and keep their keys in
// the database, which a FontTest empties: this one touches only the
// language and the code page, and gives both back.
class FrameFit : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(G_TRUETYPE_bInit()); }
  void SetUp() override {
    m_bHadLanguage = H_DATABASE_bFetchU32(FCID("SLNG"), &m_u32Language, nullptr, nullptr);
  }
  void TearDown() override {
    G_TRUETYPE_vSelectFontSet(0);
    if (m_bHadLanguage) {
      SetLanguage(m_u32Language);
    } else {
      H_DATABASE_vDeleteEntry(FCID("SLNG"));
      U_WSTRING_vUpdateCurrentLanguage();
    }
  }
  FitFindings m_fit;
  BOOLEAN m_bHadLanguage = FALSE;
  U32 m_u32Language = 0;
};

TEST_F(FrameFit, EveryDialogAndScreenTextStaysInsideItsRoomInEveryLanguage) {
  const U32 band = 800 - kNarrowestOrigin - 30;
  for (U32 language = 0; language < LANGUAGE_COUNT; language++) {
    SetLanguageAndFontSet(language);
    // Confirmation boxes: the question under its title, the answers at the
    // two ends of the choice bar.
    for (const auto* q : kQuestions) {
      FIT_vWrapped(&m_fit, "confirmation", q, U_DIALOG_pTextFont(), kDialogWrap, kDialogLines);
    }
    for (const auto* t : {Confirm, Confirm_Colon, Warning1}) {
      m_fit.Measure("box title", t, U_DIALOG_pTitleFont(), kDialogBox - 36);
    }
    for (const auto* c : {Yes, No, Cancel, Close, More, Clear, Repeat}) {
      m_fit.Measure("box choice", c, U_DIALOG_pChoiceFont(), (kDialogBox - 84) / 2 - 4);
    }
    for (const auto* n : kNotes) FIT_vWrapped(&m_fit, "banner", n, U_DIALOG_pChoiceFont(), band, kBandLines);
    // The shutdown count-down: an untitled box as wide as its text.
    for (const auto* t : {Shutdown_in_seconds, Shutdown_in_1_second, Shutting_Down}) {
      FIT_vWrapped(&m_fit, "shutdown box", t, Face(myriad_pro_bold_size17_font_def_ptr, arialuni_size17_font_def_ptr),
                   kDialogWrap, kDialogLines);
    }

    // Start-up: the splash's hint, the start-up menu (360 wide) and the
    // note under it; System Status: labels from x 150, values from x 430.
    const FONT_DEF* pBold17 = Face(myriad_pro_bold_size17_font_def_ptr, arialuni_size17_font_def_ptr);
    m_fit.Measure("splash hint", Press_MENU_for_Startup_Options, pBold17, 760 - 40);
    m_fit.Measure("start-up menu title", Start_Up_Options,
                  Face(myriad_pro_bold_size19_font_def_ptr, arialuni_size19_font_def_ptr), 360 - 22);
    for (const auto* row : {Normal, Simulator, System_Status, PC_Connect}) {
      m_fit.Measure("start-up menu row", row, Face(myriad_pro_size17_font_def_ptr, arialuni_size17_font_def_ptr),
                    360 - 22);
    }
    m_fit.Measure("start-up note", Transducer_not_connected, pBold17, 760);
    m_fit.Measure("status title", System_Status,
                  Face(myriad_pro_bold_size32_font_def_ptr, arialuni_size32_font_def_ptr), 760);
    const FONT_DEF* pBold21 = Face(myriad_pro_bold_size21_font_def_ptr, arialuni_size21_font_def_ptr);
    m_fit.Measure("status label", Self_Test, pBold21, 430 - 150 - 10);
    m_fit.Measure("status value", Passed, pBold21, 800 - 430 - 150);
    const FONT_DEF* pStatus = Face(myriad_pro_size19_font_def_ptr, arialuni_size19_font_def_ptr);
    for (const auto* label : {Model, Software_Version, Serial_Number, Total_Time, Voltage, MAC_Address, IP_Address}) {
      m_fit.Measure("status label", label, pStatus, 430 - 150 - 10);
    }
    const U32 number = (U32)FIT_s32Width(pStatus, FIT_Ascii("99999 "));
    for (const auto* unit : {hrs, V}) m_fit.Measure("status unit", unit, pStatus, 800 - 430 - 20 - number);

    // The POWER key's menu grows with its labels and controls, as far as
    // the view area beside the readout column.
    const FONT_DEF* pLabel = Face(myriad_pro_size17_font_def_ptr, arialuni_size17_font_def_ptr);
    U32 control = (U32)FIT_s32Width(U_DIALOG_pChoiceFont(), FIT_Ascii("10"));
    for (const auto* v : {Off, On, Dim}) {
      control = std::max(control, G_STRING_u32GetWidth(U_DIALOG_pChoiceFont(), (const BYTE*)v[language]));
    }
    control = std::max(control + 40, 140u);
    for (const auto* label : {Sonar, Light, Night_Mode, Standby}) {
      m_fit.Measure("POWER menu row", label, pLabel, 800 - kNarrowestOrigin - 11 - 24 - control - 11);
    }
    // The demonstration's exit box and the hint under its narrowest balloon.
    m_fit.Measure("demonstration exit box", Press_exit_to_leave_demo,
                  Face(myriad_pro_bold_size17_font_def_ptr, arialuni_size17_font_def_ptr), 766);
    m_fit.Measure("demonstration balloon", Press_Right_For_More_Information, U_DIALOG_pTextFont(), 340);
  }
  EXPECT_TRUE(m_fit.AllFit(27 * 150));
}

}  // namespace frame_fit
