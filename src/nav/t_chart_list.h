// The chart and highway overlays as lists of the drawing calls they make.
// An overlay is first written down as its calls and then made from the
// list; a frame whose list equals the last frame's, over the same
// background and with the same colours and language, shows the picture the
// last frame left, pixel for pixel the same, without drawing it again.
//
// The calls below draw at once while no list is being written, so the same
// drawing code serves the chart previews and the tests that draw one
// element. A list holds no page address: a frame may go to any page.
#pragma once

#include <array>
#include <vector>

#include "color.h"

#include "g_fonts.h"
#include "g_icon.h"
#include "g_image32.h"
#include "gr_context.h"
#include "u_nav.h"

typedef struct tag_T_CHART_OP T_CHART_OP;
// A call made by a function of its own: its inputs are the fields of the op
// and the op's text.
typedef void T_CHART_OP_CALL(NAV_VIEW_INFO* pNVI, const T_CHART_OP* pOp, const char* pcText);

// Laid out without padding, so that two lists compare byte for byte.
struct tag_T_CHART_OP {
  double d;
  const void* p;
  T_CHART_OP_CALL* pfCall;
  S32 x;
  S32 y;
  S32 a;
  S32 b;
  S32 n;
  U32 eKind;
  U32 u32Text;  // the op's text: its offset in the list's text and its size
  U32 u32TextSize;
  U32 u32Spare;
  COLOR colour;
  COLOR colour2;
};
static_assert(sizeof(T_CHART_OP) ==
                  sizeof(double) + 2 * sizeof(void*) + 5 * sizeof(S32) + 4 * sizeof(U32) + 2 * sizeof(COLOR),
              "T_CHART_OP must have no padding");

typedef struct tag_T_CHART_LIST {
  std::vector<T_CHART_OP> ops;
  std::vector<char> text;
} T_CHART_LIST;

// From now on the calls go into pList (emptied first); with null they draw
// again. Only the view task writes lists.
void T_CHART_vListInto(T_CHART_LIST* pList);
BOOLEAN T_CHART_bListing(void);
BOOLEAN T_CHART_bListsEqual(const T_CHART_LIST* a, const T_CHART_LIST* b);
// Makes the calls of the list in the bitmap and context of pNVI.
void T_CHART_vPlayList(NAV_VIEW_INFO* pNVI, const T_CHART_LIST* pList);

// The graphic context of pNVI.
void T_CHART_vColour(NAV_VIEW_INFO* pNVI, S32 n);
void T_CHART_vTool(NAV_VIEW_INFO* pNVI, DRAWING_TOOL eTool);
void T_CHART_vSize(NAV_VIEW_INFO* pNVI, S32 n);
void T_CHART_vPatternType(NAV_VIEW_INFO* pNVI, S32 n);
void T_CHART_vPatternIndex(NAV_VIEW_INFO* pNVI, S32 n);
void T_CHART_vPatternReset(NAV_VIEW_INFO* pNVI);
void T_CHART_vPatternStatus(NAV_VIEW_INFO* pNVI, BOOLEAN bOn);
void T_CHART_vMove(NAV_VIEW_INFO* pNVI, POINT p);
void T_CHART_vLine(NAV_VIEW_INFO* pNVI, POINT p);
void T_CHART_vPixel(NAV_VIEW_INFO* pNVI, POINT p);

// The bitmap of pNVI; the pictures are constant data of the program.
void T_CHART_vIcon(NAV_VIEW_INFO* pNVI, const ICON* pIcon, POINT at);
void T_CHART_vImage(NAV_VIEW_INFO* pNVI, const IMAGE32* pImage, POINT at);
void T_CHART_vTurnedImage(NAV_VIEW_INFO* pNVI, const IMAGE32* pImage, POINT at, POINT centre, double dAngle);
// A 32-bit icon turns freely and is kept (G_ICON_vPutRotatedAngleKept);
// other icons snap to quarter turns.
void T_CHART_vTurnedIcon(NAV_VIEW_INFO* pNVI, const ICON* pIcon, POINT at, POINT centre, double dAngle);
void T_CHART_vBox(NAV_VIEW_INFO* pNVI, COLOR colour, POINT at, U32 u32Width, U32 u32Height);
void T_CHART_vCircle(NAV_VIEW_INFO* pNVI, COLOR colour, POINT centre, U32 u32Diameter);
// T_NAV_vPutText and T_NAV_vRenderOutlinedName in the bitmap of pNVI; the
// text is read to its end, two zero bytes for 16-bit text.
void T_CHART_vText(NAV_VIEW_INFO* pNVI, COLOR colour, POINT at, const FONT_DEF* pFont, const char* sText);
void T_CHART_vOutlined(NAV_VIEW_INFO* pNVI, POINT at, const FONT_DEF* pFont, const char* sName, COLOR text,
                       COLOR outline);
// A call of pfCall with the fields of op and, when pcText is given, a copy
// of its u32TextSize bytes. The fields must say everything the call draws
// from: an owner of kept data (op.p) says by a serial that changes with it.
void T_CHART_vCall(NAV_VIEW_INFO* pNVI, T_CHART_OP_CALL* pfCall, T_CHART_OP op, const char* pcText,
                   U32 u32TextSize);
// An op with every byte zero.
T_CHART_OP T_CHART_op(void);

// A window's picture with an overlay on it, and what the overlay was drawn
// from: its list, the colour table and the text form of the language.
typedef struct tag_T_CHART_COMPOSED {
  BOOLEAN bValid;
  T_CHART_LIST list;
  std::array<COLOR, COLOR_TABLE_SIZE> aTable;
  U32 u32Language;
  BOOLEAN bWideText;
  std::array<COLOR, G_SCREEN_WIDTH * G_SCREEN_HEIGHT> aPixels;
} T_CHART_COMPOSED;

// TRUE when pList drawn now over the same background gives the kept picture.
BOOLEAN T_CHART_bComposedSame(const T_CHART_COMPOSED* pComposed, const T_CHART_LIST* pList);
// Notes what the picture now kept was drawn from; pList is swapped with the
// kept list, so it comes back holding the old one.
void T_CHART_vComposedKeep(T_CHART_COMPOSED* pComposed, T_CHART_LIST* pList);
