// The test layer: the status line, the test under way with its live values
// and verdict, the display test's colours and the keypad test's prompts.

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <array>
#include <string>

#include "color.h"
#include "g_box.h"
#include "g_fonts.h"
#include "g_string.h"
#include "t_inlinetest.h"
#include "t_inlinetest_priv.h"
#include "t_startup.h"
#include "u_dialog.h"
#include "u_wstring.h"

constexpr U32 INLINETEST_FILL = 35;
constexpr U32 INLINETEST_TEXT = 32;
constexpr U32 INLINETEST_NOTE_OUTLINE = 130;
constexpr U32 INLINETEST_SCREEN_WIDTH = 800;
constexpr U32 INLINETEST_SCREEN_HEIGHT = 480;

static constexpr std::array<const char*, 16> s_apcKeyPrompts = {
    "Press VIEW Key.",          "Release VIEW Key.",          "Press MENU Key.",
    "Release MENU Key.",        "Press EXIT Key.",            "Release EXIT Key.",
    "Press POWER Key.",         "Release POWER Key.",         "Press Cursor North Key.",
    "Release Cursor North Key.", "Press Cursor South Key.",    "Release Cursor South Key.",
    "Press Cursor East Key.",   "Release Cursor East Key.",   "Press Cursor West Key.",
    "Release Cursor West Key.",
};

// The display test's cycle, starting from the counter's first value 5: green.
static constexpr std::array<COLOR, 4> s_acolCycle = {0x001F, 0x07E0, 0xF800, 0x0000};

const char* INLINETEST_pcKeyPrompt(TESTING_KEY eKey) {
  return (U32)eKey < s_apcKeyPrompts.size() ? s_apcKeyPrompts[eKey] : "";
}

static const FONT_DEF* INLINETEST_pFont(void) {
  return U_WSTRING_bIsUnicodeLanguage() ? arialuni_size17_font_def_ptr : myriad_pro_bold_size17_font_def_ptr;
}


static void U_INLINETEST_vDrawStatusMessage(BITMAP* pBitmap, const char* pStatusMessage) {
  U_DIALOG_vDrawDialog(pBitmap, pStatusMessage, INLINETEST_pFont(), nullptr, nullptr, JUSTIFICATION_CENTER,
                       JUSTIFICATION_SCREEN_CENTER);
}

static void U_INLINETEST_vDrawKeyMessage(BITMAP* pBitmap, const char* pKeyMessage, const char* pLastKeyAction,
                                         const char* pPrevKeyAction) {
  U_INLINETEST_vDrawStatusMessage(pBitmap, pKeyMessage);
  POINT anchor = {2, 28};
  for (const char* pcText : {pLastKeyAction, pPrevKeyAction}) {
    const U32 u32Height = U_DIALOG_u32DrawMessageBlock(
        pBitmap, pcText, INLINETEST_pFont(), 0, JUSTIFICATION_LEFT, JUSTIFICATION_TOP, &anchor,
        INLINETEST_SCREEN_WIDTH, COLOR_colEntry(INLINETEST_FILL), COLOR_colEntry(INLINETEST_TEXT));
    anchor.y += (PIXEL)u32Height;
  }
}

static void U_INLINETEST_vDrawSonarData(BITMAP* pBitmap, const char* pKeyMessage, U32 u32DataLine) {
  const POINT anchor = {0, (PIXEL)(pBitmap->s32ClipTop - 2 - (pBitmap->pixels_high * ((S32)u32DataLine - 1)) / 8)};
  const U32 u32Width = std::min<U32>(G_STRING_u32GetWidth(INLINETEST_pFont(), (const BYTE*)pKeyMessage) + 8,
                                     (U32)std::max<S32>(pBitmap->pixels_wide - 2, 0));
  U_DIALOG_vDrawMessageBlockOutlined(pBitmap, pKeyMessage, INLINETEST_pFont(), 0, JUSTIFICATION_CENTER,
                                     JUSTIFICATION_TOP, &anchor, u32Width, COLOR_colEntry(INLINETEST_FILL),
                                     COLOR_colEntry(INLINETEST_TEXT), COLOR_colEntry(INLINETEST_TEXT));
}

static void INLINETEST_vDrawBypassNote(BITMAP* pBitmap) {
  const POINT anchor = {5, 0};
  U_DIALOG_vDrawMessageBlockOutlined(pBitmap, "Press Menu to bypass this test", INLINETEST_pFont(), 0,
                                     JUSTIFICATION_CENTER, JUSTIFICATION_BOTTOM, &anchor, 790,
                                     COLOR_colEntry(INLINETEST_FILL), COLOR_colEntry(INLINETEST_TEXT),
                                     COLOR_colEntry(INLINETEST_NOTE_OUTLINE));
}

static std::string INLINETEST_sMeasured(const INLINETEST_STATE& s, const char* pcWord) {
  if (s.eTestResult == PENDING) return "Missing";
  return std::to_string((S32)s.u32DisplayValue) + "--" + pcWord;
}

static void INLINETEST_vDrawSonar(BITMAP* pBitmap, const INLINETEST_STATE& s) {
  const INLINETEST_BEAM_ROW& row = aBeamOrder[s.u8CurrentBeam % INLINETEST_BEAM_ROWS];
  const SONAR_DISPLAY_DATA& d = s.sonarCurrentDisplayData;
  char acLine[100];
  snprintf(acLine, sizeof acLine, "%s %d %s %s", "Sonar Frequency   ",
           s.testParams.aBeamData[s.u8CurrentBeam % INLINETEST_BEAM_ROWS].s16TransmitFrequency, row.pcFreqString,
           row.pcSwitchString);
  U_INLINETEST_vDrawSonarData(pBitmap, acLine, 1);
  const struct {
    const char* pcName;
    U16 u16Value;
    BOOLEAN bPass;
    U32 u32Line;
  } lines[] = {{"Depth   ", d.u16Depth, d.bDepthPass, 5}, {"Signal   ", d.u16Signal, d.bSignalPass, 6},
               {"Noise   ", d.u16Noise, d.bNoisePass, 7}};
  for (const auto& line : lines) {
    snprintf(acLine, sizeof acLine, "%s%u%s", line.pcName, (unsigned)line.u16Value, line.bPass ? "   PASS" : "   FAIL");
    U_INLINETEST_vDrawSonarData(pBitmap, acLine, line.u32Line);
  }
}

void T_INLINETEST_vDrawTestLayer(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec) {
  L_MUTEX_LockWait(RES_INLINETEST);
  const INLINETEST_STATE& s = *INLINETEST_psState();
  const POINT origin = {0, 0};
  G_BOX_vDrawFilled(pBitmap, COLOR_colEntry(INLINETEST_FILL), &origin, (U32)pBitmap->pixels_wide,
                    (U32)pBitmap->pixels_high);
  const char* pcWord = s.eTestResult == PENDING ? "PENDING" : s.eTestResult == PASS ? "PASS" : "FAIL";
  const BOOLEAN bUserTest = s.eTestControl != PC_DRIVEN_TEST;
  std::string text;
  std::string prompt;
  switch (s.eCurrentTest) {
    case TESTING_KEYPAD:
      if (s.eCurrentKey <= TESTING_KEY_CURSOR_WEST_UP) {
        U_INLINETEST_vDrawKeyMessage(pBitmap, INLINETEST_pcKeyPrompt(s.eCurrentKey), s.strLastKeyAction,
                                     s.strPrevKeyAction);
        prompt = INLINETEST_pcKeyPrompt(s.eCurrentKey);
        prompt.pop_back();
      }
      break;
    case TESTING_DISPLAY:
      if (s.s32DisplaySplash != 0) {
        T_STARTUP_vDisplaySplashScreen(pBitmap, psWindowSpec);
      } else {
        const COLOR colour = s.s32DisplayColor >= 0 ? (COLOR)s.s32DisplayColor
                                                    : s_acolCycle[(U32)s.s32DisplayNextColor % s_acolCycle.size()];
        G_BOX_vDrawFilled(pBitmap, colour, &origin, INLINETEST_SCREEN_WIDTH, INLINETEST_SCREEN_HEIGHT);
      }
      break;
    case TESTING_BACK_LIGHT: text = "Testing Back Light "; break;
    case TESTING_BUZZER: text = "Testing Audio Press MENU if Good"; break;
    case TESTING_SONAR: INLINETEST_vDrawSonar(pBitmap, s); break;
    case TESTING_SPEED:
      text = "Speed = " + INLINETEST_sMeasured(s, pcWord);
      break;
    case TESTING_TRANSDUCER_WATER_TEMPERATURE:
    case TESTING_SPEED_WATER_TEMPERATURE: {
      const std::string block = std::string(s.eCurrentTest == TESTING_TRANSDUCER_WATER_TEMPERATURE
                                                ? "Water Temp. from Transducer = "
                                                : "Water Temp. from Speed Port = ") +
                                INLINETEST_sMeasured(s, pcWord);
      const POINT at = {5, 240};
      U_DIALOG_vDrawMessageBlockOutlined(pBitmap, block.c_str(), INLINETEST_pFont(), 0,
                                         s.eCurrentTest == TESTING_SPEED_WATER_TEMPERATURE ? JUSTIFICATION_CENTER
                                                                                           : JUSTIFICATION_NOT_USED,
                                         JUSTIFICATION_TOP, &at, 790, COLOR_colEntry(INLINETEST_FILL),
                                         COLOR_colEntry(INLINETEST_TEXT), COLOR_colEntry(INLINETEST_TEXT));
      if (bUserTest) INLINETEST_vDrawBypassNote(pBitmap);
      break;
    }
    case TESTING_BATTERY_VOLTAGE:
      text = "Battery Voltage = ";
      if (s.eTestResult != PENDING) text += std::to_string((S32)s.u32DisplayValue) + "--" + pcWord;
      break;
    case TESTING_NAND_MAP: text = std::string("NAND Map Test ") + pcWord; break;
    case TESTING_NAND_SIM: text = std::string("NAND Simulator Test ") + pcWord; break;
    case TESTING_EXTERNAL_NMEA: text = std::string("External NMEA Test ") + pcWord; break;
    case TEST_TRANSDUCER_ID: text = std::string("Transducer ID Test ") + pcWord; break;
    case TESTING_FINISHED_PASS: text = "Testing Passed"; break;
    case TESTING_FINISHED_FAIL: text = "Testing Failed"; break;
    case TESTING_MFI: text = std::string("Auth Chip Test ") + pcWord; break;
    case TESTING_BLUETOOTH: text = std::string("Bluetooth Test ") + pcWord; break;
    default: text = s.strStartingTest; break;
  }
  if (!text.empty()) U_INLINETEST_vDrawStatusMessage(pBitmap, text.c_str());
  if (s.eCurrentTest == TESTING_SPEED && bUserTest) INLINETEST_vDrawBypassNote(pBitmap);
  L_MUTEX_Unlock(RES_INLINETEST);
  // Sent after the drawing lock is given back: the line lock is the only
  // one held while the line goes out.
  if (!prompt.empty()) T_INLINETEST_vSendString(prompt.c_str());
}
