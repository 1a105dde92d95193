// The info task and the data boxes: the user's readout slots, the formatters
// that turn any database value into text with units, the boxes and bars that
// show them, and the layers that put them on every view.
#pragma once

#include <time.h>

#include "basetypes.h"
#include "fourcharid.h"
#include "g_truetype.h"
#include "g_types.h"
#include "h_database.h"
#include "layer_id.h"

enum DATA_BOXES_OPTION : U32 {
  DATA_BOXES_OFF = 0,
  DATA_BOXES_OVERLAY = 1,
  DATA_BOXES_ON = 2,
};

enum DIGITS_FORMAT : U32 {
  DONT_FORCE = 0,
  SMALL_TENTHS = 1,
  LARGE_TENTHS = 2,
  NO_TENTHS = 3,
};

enum INFO_BOX_STYLE : U32 {
  IBS_NONE = 1,
  IBS_GRAY_ROUNDED_BORDER = 2,
  IBS_GRAY_ROUNDED_BORDER_SANS_BACKGROUND = 3,
  IBS_ALWAYS_BLACK_ROUNDED_BAR = 4,
  IBS_DK_GRAY_ROUNDED_BAR = 5,
  IBS_LT_GRAY_ROUNDED_BAR = 6,
  IBS_WHITE_ROUNDED_BAR = 7,
  IBS_BLACK_BAR = 8,
  IBS_RED_BAR = 9,
  IBS_WHITE_BAR = 10,
  IBS_ALWAYS_WHITE_BAR = 11,
  IBS_SEMITRANSPARENT_VORNE_DARK_GRAY_BAR = 12,
  IBS_SEMITRANSPARENT_GRAY_ROUNDED_BORDER = 13,
  IBS_VORNE_LIGHT_GRAY_BAR = 14,
  IBS_VORNE_DARK_GRAY_BAR = 15,
  IBS_VORNE_BRISVALE_YELLOW_BAR = 16,
};

enum INFO_JUSTIFICATION : U32 {
  INSTRUMENTATION_JUSTIFY_LEFT = 1,
  INSTRUMENTATION_JUSTIFY_CENTER = 2,
  INSTRUMENTATION_JUSTIFY_RIGHT = 3,
  INSTRUMENTATION_JUSTIFY_RIGHT_NO_TICK = 4,
  CHARTPLOTTER_JUSTIFY_RIGHT = 5,
  JUSTIFY_LEFT = 6,
  JUSTIFY_CENTER = 7,
  JUSTIFY_RIGHT = 8,
  JUSTIFY_LEFT_INDENTED = 9,
};

// Which way the caller lays out successive renderer boxes.
enum VIBD_DIRECTION : U32 {
  VIBD_DOWN = 0,
  VIBD_RIGHT = 1,
};

// A D_POINTER readout: draws a whole box with its lower-left corner at *ppt;
// a renderer may move *ppt on to where the next box of the row goes.
typedef void INFO_BOX_RENDERING_FUNCTION(BITMAP* pBitmap, POINT* ppt, VIBD_DIRECTION eDirection, U32 nLang);

constexpr U32 INFO_CHOICES_MAX = 50;
constexpr U32 INFO_SLOTS = 5;
// Every value text a formatter writes fits in this many bytes, wide form and
// terminator included.
constexpr U32 INFO_VALUE_SIZE = 40;
// The readout key that stands for "no value": its box shows "---".
constexpr FOURCHARID INFO_FCID_NO_VALUE = FCID("INVL");

// ---------------------------------------------------------------------------
// The task

void T_INFO_vMain(void);
// The slot defaults (normal or ice set by SICE), SDBO 1 and SFMT 1; with
// bForceFactoryDefaults they replace the user's values (priority 2), else the
// stored values win (priority 15).
void T_INFO_vSetDefaultSettings(BOOLEAN bForceFactoryDefaults);
// Rebuilds the readout choice lists and their menus.
void T_INFO_vUpdateInfoboxChoices(BOOLEAN bNavigationRelatedOnlyUpdate);
// The phase that flashing (invalid) readouts follow, flipped every second.
BOOLEAN T_INFO_bBlinkState(void);
U8 T_INFO_u8ConvertAlphaVector(U32 u32AlphaVector);
void T_INFO_vSetAlpha(U32 u32AlphaVector);
U8 T_INFO_u8Alpha(void);
DATA_BOXES_OPTION T_INFO_eDataBoxOption(void);
BOOLEAN T_INFO_bChirpLabelOn(void);
BOOLEAN T_INFO_bUseInvertedXTEBoatIcon(void);
// The readout lists as the menus offer them: B, Q and their merge; the
// count of entries in *pu32Count.
const char* const* const* T_INFO_ppChoices(char cList, const U32** ppValues, U32* pu32Count);

// ---------------------------------------------------------------------------
// Catalogue and formatters (they run in the caller's task and keep no state)

// Fills aChoices/aValues (INFO_CHOICES_MAX entries) with "Off" and every
// titled item whose key begins with cMatch, sorted by the first 10
// characters of the title in language nLang; returns the count.
U32 vFetchAllBeginningWith(char cMatch, const char* const** aChoices, U32* aValues, U32 nLang);
// Merges list 2 into a copy of list 1 (both sorted) without repeating a value
// already at the insertion place; returns the count.
U32 vCombineChoices(const char* const* const* aBox1Choices, const U32* aBox1Values, U32 nChoices1,
                    const char* const* const* aBox2Choices, const U32* aBox2Values, U32 nChoices2,
                    const char* const** aCombinedChoicesTemp, U32* aCombinedValuesTemp, U32 nLang);
BOOLEAN T_INFO_bFCIDNonZero(FOURCHARID fcid);
// A whole-number setting, or u32Default while it cannot be read.
U32 T_INFO_u32Setting(FOURCHARID id, U32 u32Default);
BOOLEAN T_INFO_bFCIDIsValidSelection(FOURCHARID fcid);
BOOLEAN T_INFO_bFCIDIsValidBoxSelection(int nBox);
// TRUE while a navigation is in progress (INIP valid and not 0).
BOOLEAN T_INFO_bNavigating(void);
// TRUE when fcid is the depth and no bottom stands behind it (none found,
// lost, or no ping for its time-out): its readouts show dashes.
BOOLEAN T_INFO_bNoDepth(FOURCHARID fcid);

// Formats the live item fcid into the wide text sValue (nValueStringSize
// characters of room at least 40 bytes) and *psUnits; returns the width of
// value plus units in pixels, 0 with the outputs untouched when the item
// does not exist.
S32 T_INFO_nInfoStrings(char* sValue, const char** psUnits, BOOLEAN* pbDataValid, S32 nMinWidth, FOURCHARID fcid,
                        const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont, const FONT_DEF* pTenthsFont,
                        DIGITS_FORMAT eDigitsFormat, U32 nLang, S32 nValueStringSize, S32* pnValueWidth,
                        S32* pnUnitsWidth);
// psValue holds 40 bytes, psUnits 21.
void T_INFO_vGetData(FOURCHARID fcid, BOOLEAN* pbDataValid, char* psValue, char* psUnits, const FONT_DEF* pValueFont,
                     const FONT_DEF* pUnitFont, U32 nLang);
// Clock time and date of a POSIX time, moved by SLTZ and SDST; either output
// may be null and needs 40 bytes.
// The AM/PM suffix of a local time into a 20-byte buffer: empty in 24-hour
// clock mode or when the mode cannot be read.
constexpr U32 IBRF_AMPM_SIZE = 20;
void IBRF_vAddAmPm(char* pUnitString, const struct tm* pLocalTime);
void T_INFO_vFormatTimeAscii(time_t nTime, BOOLEAN bIncludeSeconds, BOOLEAN bIncludeAMPM, char* sTime, char* sDate,
                             BOOLEAN* pbBlinkStateOn, BOOLEAN bForceUnicode);
void T_INFO_vFormatTime(time_t nTime, BOOLEAN bIncludeSeconds, BOOLEAN bIncludeAMPM, char* sTime, char* sDate,
                        BOOLEAN* pbBlinkStateOn);
// A distance in internal units in the unit *punits, which may switch to a
// smaller one; sValue needs 40 bytes.
void T_INFO_vFormatDistance(double dDistance, UNIT_TYPE* punits, char* sValue);
void T_INFO_vFormatDepth(double dDistance, UNIT_TYPE units, char* sValue, BOOLEAN bNoTenths);
BOOLEAN T_INFO_pSplitTenths(char* pSource, char* pInteger, char** ppTenths, BOOLEAN bKeepDecimal);

// ---------------------------------------------------------------------------
// Data boxes

// The font of the current family (wide or Latin) in one of the sizes in use.
const FONT_DEF* T_INFO_pFont(U32 u32Points);
S32 T_INFO_nDrawDigitsInfoBox(BITMAP* pBitmap, S32 nMinWidth, S32 nHeight, S32 nXPosition, S32 nYPosition,
                              FOURCHARID fcid, const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont,
                              const FONT_DEF* pTenthsFont, DIGITS_FORMAT eForceFormat, INFO_BOX_STYLE eBoxStyle,
                              INFO_JUSTIFICATION eJustification, U32 nLang);
S32 T_INFO_nDrawInfoBox(BITMAP* pBitmap, S32 nMinWidth, S32 nHeight, S32 nXPosition, S32 nYPosition, FOURCHARID fcid,
                        const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont, INFO_BOX_STYLE eBoxStyle,
                        INFO_JUSTIFICATION eJustification, U32 nLang);
S32 T_INFO_nMeasureInfoBox(S32 nMinWidth, FOURCHARID fcid, const FONT_DEF* pValueFont, const FONT_DEF* pUnitsFont,
                           INFO_BOX_STYLE eBoxStyle, U32 nLang);
S32 T_INFO_nMeasureDigitsInfoBox(S32 nMinWidth, FOURCHARID fcid, const FONT_DEF* pValueFont,
                                 const FONT_DEF* pUnitsFont, const FONT_DEF* pTenthsFont, DIGITS_FORMAT eForceFormat,
                                 INFO_BOX_STYLE eBoxStyle, U32 nLang);
void T_INFO_vDrawInfoBar(BITMAP* pBitmap, S32 nBoxWidth, S32 nHeight, S32 nXPosition, S32 nYPosition,
                         INFO_BOX_STYLE eBoxStyle);
void T_INFO_vDrawInfoBoxTitle(BITMAP* pBitmap, POINT* ppt, FOURCHARID fcid, const FONT_DEF* pUnitsFont, U32 nLang);
void T_INFO_vDrawText(BITMAP* pBitmap, S32 nXPosition, S32 nYPosition, const char* const* pString,
                      const FONT_DEF* pFont, U32 nLang);
void T_INFO_vDrawInfoTitleText(BITMAP* pBitmap, S32 nXPosition, S32 nYPosition, const char* const* pString,
                               const FONT_DEF* pFont, U32 nLang);
void T_INFO_vDrawTextRight(BITMAP* pBitmap, S32 nXPosition, S32 nYPosition, const char* const* pString,
                           const FONT_DEF* pFont, U32 nLang);
S32 T_INFO_nBoxWidth_Common(S32 nMinY, S32 nMaxY, const FOURCHARID* fcidSelection);
S32 T_INFO_nBoxWidth_SonarView(S32 nMinY, S32 nMaxY);
S32 T_INFO_nBoxWidth_TrackChartView(S32 nMinY, S32 nMaxY);
// Where the current view's own drawing begins right of the data-box
// column: 0, 160 or 300.
U32 T_INFO_u32XOrigin(void);
U32 T_INFO_u32GetDataBoxOverlayColor(LAYER_ID eView, U32* pu32ColorOutline);
// The slot set in force: SC50..SC54 while navigating, else SIS1..SIS5.
const FOURCHARID* T_INFO_pSlotSet(void);

// ---------------------------------------------------------------------------
// Instrumentation layers (view task)

void T_INFO_vDrawInfoLayer_Instrumentation_SonarView(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_INFO_vDrawInfoLayer_Instrumentation_TrackChartView(BITMAP* pBitmap,
                                                          WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_INFO_vDrawInfoLayer_Instrumentation_ChartInstrumentView(BITMAP* pBitmap,
                                                               WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_INFO_vDrawInfoLayer_Instrumentation_Common(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec,
                                                  const FOURCHARID* fcidSelection, S32 number_of_infoboxes);
void T_INFO_vDrawInfoLayer_Instrumentation_Bare(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
void T_INFO_vDrawInfoLayer_Instrumentation_Big_Digits(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec);
// Whether the waypoint manager's window is up (its chart views then get the
// column's background): a hook the manager registers once, before the tasks
// run (see l_hook.h); FALSE without one.
BOOLEAN T_INFO_bRegisterWaypointManagerOpen(BOOLEAN (*pfn)(void));
void T_INFO_vDrawSonarDataBoxOverlay(BITMAP* pBitmap, LAYER_ID eView);
void T_INFO_vDrawChartDataBoxOverlay(BITMAP* pBitmap, LAYER_ID eView);
void T_INFO_vDrawIceDataBoxOverlay(BITMAP* pBitmap, LAYER_ID eView);
void T_INFO_vDrawInfoLayer_ActiveCursor(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER psWindowSpec, POINT pt);
void T_INFO_vDrawCursor(BITMAP* pBitmap, U32 nLang, BOOLEAN bWaypointCursorEnabled);
void T_INFO_vDrawInfoLayer_MOBBar(BITMAP* pBitmap, S32 nX);
void T_INFO_vDrawInfoLayer_WaypointIndicatorBar(BITMAP* pBitmap, POINT* ppt);
void T_INFO_vDrawInfoLayer_Debug(BITMAP* pBitmap, INFO_JUSTIFICATION eJustify, U32 nLang);
