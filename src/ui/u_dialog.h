// Dialog-like boxes: the word wrap that breaks a UI text into lines, the
// bevelled frame with its title and choice bars, the generic dialog and its
// sized wrappers, text blocks on a filled background, the alarm banner and
// the notification bar. They only draw into the bitmap a layer's draw
// function is given; what to show and when is the callers' affair.
//
// Texts are in the current language's form (8-bit, or wide in languages
// 22-26). A bad argument is logged and draws nothing.
#pragma once

#include "basetypes.h"
#include "g_fonts.h"
#include "g_icon.h"
#include "g_types.h"

// One wrapped line; pcStartOfText points into the caller's text.
typedef struct tag_LINEOFTEXT {
  const char* pcStartOfText;
  U8 u8NumberOfCharsInLine;  // bytes: two per character of wide text
  U16 u16WidthOfLine;        // pixels
  BOOLEAN bIndent;
} LINEOFTEXT;

// The most lines a wrap produces; every line array holds this many.
constexpr U16 U_DIALOG_MAX_LINES = 20;

typedef enum tag_JUSTIFICATION {
  JUSTIFICATION_NOT_USED = 0,
  JUSTIFICATION_LEFT = 1,
  JUSTIFICATION_RIGHT = 2,
  JUSTIFICATION_CENTER = 3,
  JUSTIFICATION_TOP = 4,
  JUSTIFICATION_BOTTOM = 5,
  JUSTIFICATION_SCREEN_CENTER = 6,
  JUSTIFICATION_BT_SCAN_SPECIAL = 7,
} JUSTIFICATION;

typedef enum tag_INFO_ICON_TYPE {
  ICON_NULL = 0,
  ICON_INCOMING_PHONE_CALL = 1,
  ICON_MISSED_PHONE_CALL = 2,
  ICON_NORMAL_MESSAGE = 3,
  ICON_ATTACTMENT_MESSAGE = 4,
  NUMBER_OF_ICONS = 5,
} INFO_ICON_TYPE;

// The fonts of titles (size 19) and of choices, banners and notifications
// (size 17, bold), for the current language.
const FONT_DEF* U_DIALOG_pTitleFont(void);
const FONT_DEF* U_DIALOG_pChoiceFont(void);
// The regular size-17 font of dialog texts for the current language.
const FONT_DEF* U_DIALOG_pTextFont(void);

// Word-wraps pChar into at most 20 lines of pLinesOfTextArray (which holds
// 20); returns the number of lines, 0 for an empty or null text. A line
// takes at least one character, and at most 255 bytes.
U16 U_DIALOG_u16ExtractTextIntoLines(const char* pChar, LINEOFTEXT* pLinesOfTextArray, const FONT_DEF* pFont,
                                     U16 u16WidthInPixels, BOOLEAN bLeftJustifyIndent);
// The pixel width of the widest space-separated word of an 8-bit text.
U32 U_DIALOG_u32GetMaxWordLength(const char* pString, const FONT_DEF* pFont);
// The width of a text as the wrap measures it, character by character.
U32 U_DIALOG_u32GetTextWidth(const char* pString, const FONT_DEF* pFont);
// A copy of pString that fits u32Width pixels: cut character by character,
// and when cut, its last three characters become full stops. pBuffer holds
// u32BufferSize bytes.
void U_DIALOG_vShortenText(char* pBuffer, U32 u32BufferSize, const char* pString, const FONT_DEF* pFont,
                           U32 u32Width);

// The frame of a box whose lower-left corner is *pptAnchor: bevel, title bar
// (when sTemp is not null), body of nMessageHeight rows, and the choice bar
// when bTrailer.
void U_DIALOG_vDrawBorderAndTitle(BITMAP* pBitmap, const POINT* pptAnchor, const BYTE* sTemp,
                                  JUSTIFICATION eTitleJustification, int nBoxWidth, int nBoxHeight,
                                  int nMessageHeight, BOOLEAN bTrailer);
// Lays out and draws a dialog from wrapped lines. The box grows by 39 rows for
// a title and by 39 for the choice bar, so neither covers the text.
void U_DIALOG_vDrawGenericDialog(BITMAP* pBitmap, const char* pTitle, const LINEOFTEXT* pLinesOfTextArray,
                                 U32 u32MessageBoxWidth, const FONT_DEF* pFont, const char* pLeftString,
                                 const char* pRightString, JUSTIFICATION eTextJustification,
                                 JUSTIFICATION eBoxJustification, BOOLEAN NoOption, BOOLEAN YesOption,
                                 U16 u16NumberOfLines, BOOLEAN bTrailer, U32 u32WidthOverride,
                                 U32 u32ExtraLeftMargin, U32 u32HeightOverride);
// A box sized to its text, without title or choices; the icons are not drawn.
void U_DIALOG_vDrawDialog(BITMAP* pBitmap, const char* pString, const FONT_DEF* pFont, const ICON* pLeftHandIcon,
                          const ICON* pRightHandIcon, JUSTIFICATION TextJustification,
                          JUSTIFICATION BoxJustification);
// A box with an optional title and left (No) / right (Yes) choices.
void U_DIALOG_vDrawDialogWithConfirm(BITMAP* pBitmap, const char* pTitle, const char* pString,
                                     const FONT_DEF* pFont, const char* pLeftString, const char* pRightString,
                                     JUSTIFICATION eTextJustification, JUSTIFICATION eBoxJustification,
                                     BOOLEAN NoOption, BOOLEAN YesOption, BOOLEAN bTrailer, U32 u32WidthOverride);
// The same inside one pane, between s32ClipLeft and s32ClipRight, with an
// optional statement icon (shown when there is no text) and choice icons.
void U_DIALOG_vDrawLocalDialogWithConfirm(BITMAP* pBitmap, const char* pTitle, const char* pString,
                                          const FONT_DEF* pFont, const char* pLeftString, const char* pRightString,
                                          JUSTIFICATION eTextJustification, JUSTIFICATION eBoxJustification,
                                          BOOLEAN NoOption, BOOLEAN YesOption, BOOLEAN bTrailer,
                                          U32 u32WidthOverride, S32 s32ClipLeft, S32 s32ClipRight,
                                          const ICON* pStatementIcon, const ICON* pLeftIcon, const ICON* pRightIcon);
void U_DIALOG_vDraw2SentenceLocalDialogWithConfirm(BITMAP* pBitmap, const char* pTitle, const char* pString,
                                                   const char* pString2, const FONT_DEF* pFont,
                                                   const char* pLeftString, const char* pRightString,
                                                   JUSTIFICATION eTextJustification, JUSTIFICATION eBoxJustification,
                                                   BOOLEAN NoOption, BOOLEAN YesOption, BOOLEAN bTrailer,
                                                   U32 u32WidthOverride, S32 s32ClipLeft);
// Two texts one after the other in a 420-pixel box.
void U_DIALOG_vDraw2SentenceDialogWithConfirm(BITMAP* pBitmap, const char* pTitle, const char* pString,
                                              const char* pString2, const FONT_DEF* pFont, const char* pLeftString,
                                              const char* pRightString, JUSTIFICATION eTextJustification,
                                              JUSTIFICATION eBoxJustification, BOOLEAN NoOption,
                                              BOOLEAN YesOption);
// Two instructions separated by an empty line, with an icon at the left.
void U_DIALOG_vDrawTwoInstructionDialogWithIconAndConfirm(BITMAP* pBitmap, const char* pTitle, const ICON* pIcon,
                                                          const char* pString1, const char* pString2,
                                                          const FONT_DEF* pFont, const char* pLeftString,
                                                          const char* pRightString, JUSTIFICATION eTextJustification,
                                                          JUSTIFICATION eBoxJustification, BOOLEAN NoOption,
                                                          BOOLEAN YesOption, U32 u32Width, U32 u32Height);
// Several texts wrapped one after another into one box with an image.
void U_DIALOG_vDrawDialogWithFixedImage(BITMAP* pBitmap, const char* pTitle, const char* const* pString,
                                        U32 u32NumberOfInputLines, const FONT_DEF* pFont, const char* pLeftString,
                                        const char* pRightString, JUSTIFICATION eTextJustification,
                                        JUSTIFICATION eBoxJustification, BOOLEAN NoOption, BOOLEAN YesOption,
                                        BOOLEAN bTrailer, U32 u32WidthOverride, const ICON* pIcon);
void U_DIALOG_vDrawGenericDialogWithImage(BITMAP* pBitmap, const char* pTitle, const LINEOFTEXT* pLinesOfTextArray,
                                          U32 u32MessageBoxWidth, const FONT_DEF* pFont, const char* pLeftString,
                                          const char* pRightString, JUSTIFICATION eTextJustification,
                                          JUSTIFICATION eBoxJustification, BOOLEAN NoOption, BOOLEAN YesOption,
                                          U16 u16NumberOfLines, BOOLEAN bTrailer, U32 u32WidthOverride,
                                          U32 u32ExtraLeftMargin, U32 u32HeightOverride, const ICON* pIcon);
// A 420-pixel pop-up of up to 7 lines with a scroll mark (1 up, 2 down,
// 3 both) and the choices Close and More.
void U_DIALOG_vDrawTextMsgPopup(BITMAP* pBitmap, const char* pTitle, const LINEOFTEXT* pLineText, U8 u8TotalLine,
                                const FONT_DEF* pFont, U32 u32UpDownArrow, U32 u32TotalMsgs, U8 u8Attachment);
// A wrapped text on a filled box at *ppointAnchor (box justification top,
// bottom or centre); returns the box height, 0 for any other justification.
U32 U_DIALOG_u32DrawMessageBlock(BITMAP* pBitmap, const char* pString, const FONT_DEF* pFont,
                                 U32 u32PixelsBetweenLines, JUSTIFICATION TextJustification,
                                 JUSTIFICATION BoxJustification, const POINT* ppointAnchor, U32 u32BoxWidth,
                                 COLOR colorBackground, COLOR colorForeground);
void U_DIALOG_vDrawMessageBlockOutlined(BITMAP* pBitmap, const char* pString, const FONT_DEF* pFont,
                                        U32 u32PixelsBetweenLines, JUSTIFICATION TextJustification,
                                        JUSTIFICATION BoxJustification, const POINT* ppointAnchor, U32 u32BoxWidth,
                                        COLOR colorBackground, COLOR colorForeground, COLOR colorOutline);
// An outline box from its lower-left corner and a line, in colour-table
// entry u32Color; a box without width or height draws nothing.
void U_DIALOG_vOutline(BITMAP* pBitmap, U32 u32Color, S32 x, S32 y, S32 w, S32 h);
void U_DIALOG_vLine(BITMAP* pBitmap, U32 u32Color, S32 x0, S32 y0, S32 x1, S32 y1);
// The alarm banner above the view's bottom readouts.
void U_DIALOG_vDrawDialogAlarm(BITMAP* pBitmap, const char* pString);
// A one-line note over a view in a translucent box with a frame, centred in
// the view right of the data-box column, the box's bottom edge at row
// s32Bottom; a note wider than the view steps down to 12 points, and one
// wider still is kept on the screen from its left.
void U_DIALOG_vDrawNote(BITMAP* pBitmap, const char* pString, const FONT_DEF* pFont, S32 s32Bottom);
// The notification bar at the bottom of the screen.
void U_DIALOG_vDrawDialogGenericNotification(BITMAP* pBitmap, const char* pString);
// The one-line bar with a notification icon; ICON_NULL draws the plain bar.
void U_DIALOG_vDrawDialogGenericNotificationWithIcon(BITMAP* pBitmap, const char* pString, INFO_ICON_TYPE eIcon);

// While recording is on, every generic dialog leaves its box's lower-left
// corner and height behind, for a caller that places something beside it.
void U_DIALOG_vRecordPopupBox(BOOLEAN bOn);
BOOLEAN U_DIALOG_bGetPopupBox(POINT* pptBox, U32* pu32Height);
