// Every menu text of the unit against the room its panel gives it, in every
// language: the menus as the tasks register them (labels, the choices of
// their controls, titles, tabs, the quick set-up's title and hint, the
// single-centred menus of the remote), laid out as the renderer lays them
// out where the screen is narrowest (the big-digits view's readout column).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fit_test.h"
#include "menu_test.h"
#include "u_menu.h"
#include "u_menulook.h"
#include "u_menupanel.h"

namespace menu_fit {

typedef std::vector<MENU_TEXT> TEXTS;

// A registered item: its label, its control and what the control can show
// (the choices; a slider's texts at its ends and its widest number with its
// suffix). A list of actions shows its entries one level down.
typedef struct {
  MENU_TEXT pLabel;
  MENU_CONTROL_KIND eControl;
  TEXTS values;
  const char* pcNumber;
  MENU_TEXT pSuffix;
} ITEM;

// The items that share a panel, and its title.
typedef struct {
  MENU_PANEL_KIND eKind;
  MENU_TEXT pTitle;
  std::vector<ITEM> items;
} PANEL;

constexpr U32 kNarrowestOrigin = 300;  // the big-digits view's readout column

const TEXTS kOffOn = {Off, On};
const TEXTS kHiddenVisible = {Hidden, Visible};

ITEM Selector(MENU_TEXT pLabel, TEXTS values) { return {pLabel, MENU_CONTROL_SELECTOR, values, nullptr, nullptr}; }
ITEM Slider(MENU_TEXT pLabel, TEXTS ends, const char* pcNumber, MENU_TEXT pSuffix = nullptr) {
  return {pLabel, MENU_CONTROL_SLIDER, ends, pcNumber, pSuffix};
}
ITEM Action(MENU_TEXT pLabel) { return {pLabel, MENU_CONTROL_ACTION, {}, nullptr, nullptr}; }
ITEM CheckBox(MENU_TEXT pLabel) { return {pLabel, MENU_CONTROL_CHECK_BOX, {}, nullptr, nullptr}; }

// The languages of the two 8-bit code pages.
const TEXTS kPageLanguages = {Language_English,    Language_Danish,     Language_Dutch,     Language_Finnish,
                              Language_French,     Language_German,     Language_Greek,     Language_Hungarian,
                              Language_Italian,    Language_Norwegian,  Language_Polish,    Language_Portuguese,
                              Language_Spanish,    Language_Swedish,    Language_Czech,     Language_Croatian,
                              Language_Russian,    Language_Bulgarian,  Language_Estonian,  Language_Latvian,
                              Language_Lithuanian, Language_Turkish};

TEXTS Plus(TEXTS a, const TEXTS& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The main menu's tabs and their items.
const std::vector<ITEM> kMainItems = {
    // Setup
    Selector(Language, Plus(kPageLanguages, {Language_Japanese, Language_Korean, Language_Chinese_Simplified,
                                             Language_Chinese_Traditional, Asian_Mode, International_Mode})),
    // The same row while the Asian languages wait for a restart.
    Selector(Asian_Languages_After_Restart, Plus(kPageLanguages, {Asian_Mode})),
    Selector(Sonar, kOffOn), Selector(Demonstration, {Off, Visible}), Selector(Demo_Balloons, kHiddenVisible),
    Action(Restore_Defaults), Selector(Simulation_Playback_Messages, kOffOn), Selector(NMEA_0183_Output, kOffOn),
    Selector(Configure_NMEA_Talker_ID, {Talker_IN, Talker_GP}), Selector(NMEA_GPS_Sentences, kOffOn),
    Selector(NMEA_Nav_Sentences, kOffOn), Action(Date_And_Time),
    {Speed_Calibration, MENU_CONTROL_PROGRESS_BAR, {}, "-20", Percent_Sign},
    Selector(Units_Speed, {kph_LC, mph_LC, kts_LC}),
    Selector(Units_Distance, {Meters_Kilometers, Meters_Nautical_Miles, Feet_Statute_Miles, Feet_Nautical_Miles,
                              Statute_Miles, Nautical_Miles}),
    Action(Triplog_Reset), Slider(Temp_Offset, {}, "-10.0", Degrees_C), Selector(Units_Temp, {Degrees_C, Degrees_F}),
    Selector(Digital_Readouts, {Boxes, Overlay, Off}), Action(Select_Readouts), Action(Select_Nav_Readouts),
    Selector(Digits_Format, {Small_Tenths, Large_Tenths, No_Tenths}), Selector(Units_Depth, {Meters, Feet, Fathoms}),
    Selector(Sound_Control, {No_Sounds, Alarms_Only, All_Sounds}), Slider(Local_Time_Zone, {}, "-12:00"),
    Selector(Daylight_Saving_Time, kOffOn), Action(Format_Nav_Directories),
    // Nav and chart
    Slider(Heading_Offset, {}, "-180", Degrees), Selector(Heading_Line, kOffOn), Selector(Auto_Zoom, kOffOn),
    Selector(Auto_Range, kOffOn), Selector(Vessel_Offset, kOffOn), Slider(Offset_Speed, {}, "38.8", kts_LC),
    Action(Saved_Tracks_Defaults), Action(Waypoints_Routes_Tracks), Action(Waypoint_Settings),
    Selector(Course_Projection_Line, {Off, On, Auto}), Slider(Trolling_Grid_Rotation, {}, "359"),
    Selector(Continuous_Navigation_Mode, kOffOn), Action(Travel_Route), Action(Edit_Route), Action(Edit_Track),
    // Sonar
    Selector(Sonar_Colors, {Sonar_Scheme_Light, Sonar_Scheme_Dark}), Action(Sonar_Advanced), Slider(Casting_Rings, {Off}, "1000"),
    Selector(North_Up_Indicator, kOffOn), Selector(View_Orientation, kOffOn),
    Selector(Trackpoint_Interval, {Interval_1_sec, Interval_5_sec, Interval_10_sec, Interval_15_sec, Interval_30_sec,
                                    Interval_60_sec}), Slider(Track_Min_Distance, {}, "1000"),
    Selector(Waypoint_Proximity_Flags, kOffOn), Selector(Waypoint_Decluttering, kOffOn), Action(Current_Track),
    // Alarms
    Slider(Off_Course_Alarm, {Off}, "5000"), Slider(Arrival_Alarm, {Off}, "1000"), Slider(Drift_Alarm, {Off}, "5000"),
    Slider(Low_Battery_Alarm, {Off}, "13.5", V), Slider(Temp_Alarm, {Off}, "99.9"),
    Selector(Alarm_Tone, {Tone_High, Tone_Medium, Tone_Low}), Action(Timer_Setup), Action(Start_Timer),
    Action(Stop_Timer),
    // Accessories
    Slider(HDG_Frequency_Hz, {}, "10"), Action(Compass_Calibration_Start), Action(Compass_Calibration_Stop),
    Action(Wireless_Remote), Action(AIS),
    // Views: each view's name beside its display setting
    Selector(Sonar_View, kHiddenVisible), Selector(Sonar_Zoom_View, kHiddenVisible),
    Selector(Split_Sonar_View, kHiddenVisible), Selector(Big_Digits_View, kHiddenVisible),
    Selector(Flasher_View, kHiddenVisible), Selector(Circular_Flasher_Sonar_Combo_View, kHiddenVisible),
    Selector(Circular_Flasher_Sonar_Zoom_Combo_View, kHiddenVisible), Selector(System_Status, kHiddenVisible),
    Selector(Accessory_Test, kHiddenVisible), Selector(GPS_Diagnostic_View, kHiddenVisible),
    Selector(Track_View, kHiddenVisible), Selector(Bird_s_Eye_View, kHiddenVisible),
    Selector(Track_Bird_s_Eye_Combo_View, kHiddenVisible), Selector(Chart_Chart_Combo_View, kHiddenVisible),
    Selector(Track_Sonar_Combo_View, kHiddenVisible), Selector(Chart_Instrument_View, kHiddenVisible),
    Selector(Chart_BE_Instrument_View, kHiddenVisible),
};
const TEXTS kTabs = {Alarms, Sonar, Chart, Nav, Setup, Views, Accessories};

const std::vector<ITEM> kQuickItems = {
    Selector(Language, {Language_English, Language_Spanish, Language_Japanese, Language_Korean,
                        Language_Chinese_Simplified, Language_Chinese_Traditional}),
    Selector(Water_Type, {Water_Fresh, Water_Salt_Shallow, Water_Salt_Deep}), Slider(Max_Depth, {Auto}, "1500"),
    Selector(Connected_Transducer, {Transducer_83_200_kHz}), Slider(Local_Time_Zone, {}, "UTC-12:00"),
    Selector(Daylight_Saving_Time, kOffOn)};

// The readout choices: the names of the data-box bindings.
const TEXTS kReadouts = {Depth,          Temperature,       Speed,          Water_Speed,       Voltage,
                         Battery,        Timer,             Position,       Time_Date,         Sunrise_Sunset,
                         Moon_Phase,     Time,              Pitch,          Roll,              Heading,
                         XTE_Over_Distance, TTG_Over_Speed, WTG,            WPTnextDTGOverTTG, WPTnextDTGOverETA,
                         WPTendDTGOverTTG, WPTendDTGOverETA, CMGOverSMG,    TRKOverCMG,        Triplog,
                         Off};

// The levels below the main menu, the express menus of the views, the
// floating and info menus.
const std::vector<PANEL> kPanels = {
    {MENU_PANEL_SUB, Select_Readouts,
     {Selector(Readout_1, kReadouts), Selector(Readout_2, kReadouts), Selector(Readout_3, kReadouts),
      Selector(Readout_4, kReadouts), Selector(Readout_5, kReadouts)}},
    {MENU_PANEL_SUB, Select_Nav_Readouts,
     {Selector(Nav_Readout_1, kReadouts), Selector(Nav_Readout_2, kReadouts), Selector(Nav_Readout_3, kReadouts),
      Selector(Nav_Readout_4, kReadouts), Selector(Nav_Readout_5, kReadouts)}},
    {MENU_PANEL_SUB, AIS,
     {Selector(Tracking_Target, kOffOn), Action(CPA_Limits), Action(Target_List),
      Slider(Target_Course_Line, {Off, Sixty_Minutes}, "30:00", min_LC)}},
    {MENU_PANEL_SUB, Current_Track,
     {Action(Save), Action(Clear), Action(Appearance), Action(Stop_Tracking), Action(Start_Tracking)}},
    {MENU_PANEL_SUB, Wireless_Remote,
     {Action(Remote_Sonar_2D), Action(Remote_Chart_Cartridge), Action(Remote_Options)}},
    {MENU_PANEL_SUB, Remote_Sonar_2D,
     {Action(Remote_Sonar_2D_Keys), Action(Remote_Sonar_2D_Menu_Key), Action(Remote_Sonar_2D_Menu_Hold)}},
    {MENU_PANEL_SUB, Remote_Chart_Cartridge,
     {Action(Remote_Chart_Keys), Action(Remote_Chart_Menu_Key), Action(Remote_Chart_Menu_Hold)}},
    {MENU_PANEL_SUB, Remote_Options, {Action(Remote_Mark_Hold), Action(Sync_New_Remote)}},
    {MENU_PANEL_SUB,
     Remote_Sonar_2D_Keys,
     {CheckBox(Sensitivity),
      CheckBox(Chart_Speed),
      CheckBox(Surface_Clutter),
      CheckBox(Lower_Range),
      CheckBox(Noise_Filter)}},
    {MENU_PANEL_SUB,
     Remote_Sonar_2D_Menu_Key,
     {CheckBox(Display_Frequency_2D),
      CheckBox(RTS_Window),
      CheckBox(Lumbrix_2D),
      CheckBox(Sonar),
      CheckBox(Sonar_Colors),
      CheckBox(Fish_ID_Plus)}},
    {MENU_PANEL_SUB,
     Remote_Chart_Keys,
     {CheckBox(Zoom), CheckBox(Casting_Rings), CheckBox(Shaded_Depth)}},
    {MENU_PANEL_SUB,
     Remote_Chart_Menu_Key,
     {CheckBox(Chart_Detail_Level),
      CheckBox(Chart_Orientation),
      CheckBox(Waypoint_Proximity_Flags)}},
    {MENU_PANEL_SUB,
     Remote_Mark_Hold,
     {CheckBox(Power_Off), CheckBox(MOB_Short), CheckBox(Sonar)}},
    // A chart view's express menu, a split view's, and their lists.
    {MENU_PANEL_EXPRESS,
     nullptr,
     {Slider(Zoom, {}, "23"), Action(GoTo_), Action(Mark), Action(Waypoint), Action(Route), Action(Cursor_To_Waypoint),
      Action(Cancel_Navigation), Action(Clear_Current_Track), Action(Save_Current_Track)}},
    {MENU_PANEL_EXPRESS,
     nullptr,
     {Selector(Active_Pane, {Upper, Lower}), Slider(Split_Position, {Upper, Lower}, "70", Percent_Sign),
      Selector(Active_Pane, {Left, Right}), Slider(Split_Position, {Left, Right}, "70", Percent_Sign)}},
    {MENU_PANEL_SUB, Waypoint, {Action(Edit), Action(Delete), Action(GoTo_), Action(Target), Action(Grid)}},
    {MENU_PANEL_SUB, Route, {Action(Travel_Forward), Action(Travel_Reverse), Action(Edit), Action(Delete)}},
    // The views-selection menu.
    {MENU_PANEL_EXPRESS, nullptr, {Action(View_Sonar), Action(View_System), Action(VIEW_NMEA_2000)}},
    {MENU_PANEL_SUB,
     View_Sonar,
     {Action(Sonar_View), Action(Sonar_Zoom_View), Action(Split_Sonar_View), Action(Big_Digits_View),
      Action(Flasher_View), Action(Circular_Flasher_Sonar_Combo_View)}},
    {MENU_PANEL_SUB,
     View_Sonar,
     {Action(Circular_Flasher_Sonar_Zoom_Combo_View), Action(Side_Imaging_Top_Down_Imaging_Bottom_View),
      Action(Side_Imaging_Top_2D_Down_Imaging_Bottom_View)}},
    {MENU_PANEL_SUB,
     View_System,
     {Action(System_Status), Action(Accessory_Test), Action(GPS_Diagnostic_View), Action(Downrigger_View)}},
    {MENU_PANEL_SUB,
     VIEW_NMEA_2000,
     {Action(One_Engine_View), Action(Engine_View), Action(Data_Box), Action(Gauge_View)}},
    // Go To: the floating menu and the info menu of a cursor waypoint.
    {MENU_PANEL_FLOATING,
     GoTo_,
     {Action(Nav_Data), Action(GoTo_Position), Action(Cancel_Navigation), Action(Reset_XTE),
      Action(Skip_Next_Waypoint), Action(Remove_Target), Action(Remove_Grid)}},
    {MENU_PANEL_FLOATING,
     GoTo_Menu,
     {Action(GoTo_Position), Action(Forward_from_Point), Action(Reverse_from_Point), Action(Travel_Forward),
      Action(Travel_Reverse), Action(Route), Action(Nav_Data)}},
};

// The remote's settings shown in the single-centred menu: their titles and
// what they show.
const TEXTS kSingleTitles = {Sensitivity, Chart_Speed,        Surface_Clutter,   Lower_Range,
                             Noise_Filter, Display_Frequency_2D, RTS_Window,        Lumbrix_2D,
                             Sonar,       Sonar_Colors,       Fish_ID_Plus,      Casting_Rings,
                             Shaded_Depth, Chart_Detail_Level, Chart_Orientation, Waypoint_Proximity_Flags};
const TEXTS kSingleValues = {Off,        On,         Noise_Low,  Noise_Medium, Noise_High_1, Noise_High_2,
                             Noise_High_3, Hidden,   Visible,    Palette_1,    Palette_2,    Palette_3,
                             Palette_4,  Palette_5,  Palette_6,  Palette_7,    Palette_8,    Palette_9,
                             Palette_10, Palette_11, Palette_12, Palette_13,   Palette_14,   Palette_15,
                             Palette_16, Palette_17, Palette_18, Palette_19};

class MenuFit : public MenuDrawTest {
 protected:
  FitFindings m_fit;
  std::vector<std::string> m_values;  // the texts a panel points at, in the current language's form

  static const char* T(MENU_TEXT p) { return p[nCurrentLanguage()]; }

  // A slider's number with its suffix, as the menu task composes it.
  const char* Number(const char* pcNumber, MENU_TEXT pSuffix) {
    const BOOLEAN bWide = nCurrentLanguage() >= LANGUAGE_FIRST_WIDE;
    std::string s;
    for (const char* p = pcNumber; *p != 0; p++) {
      if (bWide) s += '\0';
      s += *p;
    }
    if (pSuffix != nullptr) {
      const char* suffix = T(pSuffix);
      s.append(suffix, U_WSTRING_u32w_strlen(suffix, bWide));
    }
    s.append(bWide ? 2 : 1, '\0');
    m_values.push_back(s);
    return m_values.back().c_str();
  }

  // The panel of the items, each row's control as wide as its widest value.
  MENU_PANEL Describe(MENU_PANEL_KIND eKind, MENU_TEXT pTitle, const ITEM* pItems, U32 u32Count) {
    MENU_PANEL p = {};
    p.eKind = eKind;
    p.eSplit = SPLIT_FULL_WINDOW;
    p.pcTitle = pTitle != nullptr ? T(pTitle) : nullptr;
    if (eKind == MENU_PANEL_QUICK) p.pcFooter = T(Press_EXIT_when_done);
    for (U32 i = 0; i < u32Count && p.u32Rows < MENU_PANEL_ROWS; i++) {
      const ITEM& item = pItems[i];
      MENU_PANEL_ROW& r = p.aRows[p.u32Rows++];
      r.pcLabel = T(item.pLabel);
      r.eControl = item.eControl;
      r.bArrow = TRUE;
      r.bSelected = TRUE;
      for (MENU_TEXT v : item.values) {
        const U32 w = U_MENULOOK_u32Width(T(v), U_MENULOOK_pValueFont());
        if (w >= r.u32ValueWidth) r.u32ValueWidth = w, r.pcValue = T(v);
      }
      if (item.pcNumber != nullptr) {
        const char* pcNumber = Number(item.pcNumber, item.pSuffix);
        const U32 w = U_MENULOOK_u32Width(pcNumber, U_MENULOOK_pValueFont());
        if (w >= r.u32ValueWidth) r.u32ValueWidth = w, r.pcValue = pcNumber;
      }
    }
    return p;
  }

  // Each row's label and values, the title and the footer against their rooms.
  void Check(const std::string& place, MENU_PANEL_KIND eKind, MENU_TEXT pTitle, const ITEM* pItems, U32 u32Count) {
    const MENU_PANEL p = Describe(eKind, pTitle, pItems, u32Count);
    MENU_PANEL_BOX box;
    U_MENUPANEL_vLayout(&p, kNarrowestOrigin, nullptr, &box);
    const U32 language = nCurrentLanguage();
    for (U32 i = 0; i < p.u32Rows; i++) {
      const ITEM& item = pItems[i];
      const U32 label = U_MENULOOK_u32Width(p.aRows[i].pcLabel, U_MENULOOK_pLabelFont());
      m_fit.Check(place + " row", item.pLabel, language, label, U_MENUPANEL_u32LabelRoom(&p, &box, i));
      for (MENU_TEXT v : item.values) {
        m_fit.Check(place + " value of " + FIT_pcName(item.pLabel), v, language,
                    U_MENULOOK_u32Width(T(v), U_MENULOOK_pValueFont()), U_MENUPANEL_u32ValueRoom(&p, &box, i));
      }
      if (item.pcNumber != nullptr) {
        const U32 w = U_MENULOOK_u32Width(Number(item.pcNumber, item.pSuffix), U_MENULOOK_pValueFont());
        m_fit.Check(place + " number of " + FIT_pcName(item.pLabel), item.pSuffix != nullptr ? item.pSuffix : item.pLabel,
                    language, w, U_MENUPANEL_u32ValueRoom(&p, &box, i));
      }
    }
    if (pTitle != nullptr) {
      m_fit.Check(place + " title", pTitle, language, U_MENULOOK_u32Width(p.pcTitle, U_MENULOOK_pTitleFont()),
                  U_MENUPANEL_u32TitleRoom(&p, &box));
    }
    if (p.pcFooter != nullptr) {
      m_fit.Check(place + " hint", Press_EXIT_when_done, language,
                  U_MENULOOK_u32Width(p.pcFooter, U_MENULOOK_pSmallFont()), U_MENUPANEL_u32FooterRoom(&p, &box));
    }
  }
};

TEST_F(MenuFit, EveryMenuTextStaysInsideItsRoomInEveryLanguage) {
  for (U32 language = 0; language < LANGUAGE_COUNT; language++) {
    SetLanguageAndFontSet(language);
    m_values.clear();
    // The fixed-width panels give each row the same room whatever its
    // neighbours; the others grow with their widest row, up to the screen.
    for (const ITEM& item : kMainItems) Check("main menu", MENU_PANEL_MAIN, nullptr, &item, 1);
    for (const ITEM& item : kQuickItems) Check("quick set-up", MENU_PANEL_QUICK, Quick_Setup, &item, 1);
    for (const PANEL& panel : kPanels) {
      Check(std::string(panel.pTitle != nullptr ? FIT_pcName(panel.pTitle) : "express") + " menu", panel.eKind,
            panel.pTitle, panel.items.data(), (U32)panel.items.size());
    }
    MENU_PANEL main = {};
    main.eKind = MENU_PANEL_MAIN;
    MENU_PANEL_BOX box;
    U_MENUPANEL_vLayout(&main, kNarrowestOrigin, nullptr, &box);
    for (MENU_TEXT tab : kTabs) m_fit.Measure("main menu tab", tab, U_MENULOOK_pValueFont(), U_MENUPANEL_u32TabRoom(&box));
    for (MENU_TEXT title : kSingleTitles) {
      MENU_PANEL single = {};
      single.eKind = MENU_PANEL_SINGLE;
      single.pcTitle = T(title);
      single.u32Rows = 1;
      single.aRows[0].eControl = MENU_CONTROL_SLIDER;
      for (MENU_TEXT v : kSingleValues) {
        const U32 w = U_MENULOOK_u32Width(T(v), U_MENULOOK_pBigFont());
        if (w >= single.aRows[0].u32ValueWidth) single.aRows[0].u32ValueWidth = w, single.aRows[0].pcValue = T(v);
      }
      U_MENUPANEL_vLayout(&single, kNarrowestOrigin, nullptr, &box);
      m_fit.Measure("single-centred title", title, U_MENULOOK_pTitleFont(), U_MENUPANEL_u32TitleRoom(&single, &box));
      for (MENU_TEXT v : kSingleValues) {
        m_fit.Measure("single-centred value", v, U_MENULOOK_pBigFont(), U_MENUPANEL_u32ValueRoom(&single, &box, 0));
      }
    }
  }
  EXPECT_TRUE(m_fit.AllFit(27 * 500));
}

}  // namespace menu_fit
