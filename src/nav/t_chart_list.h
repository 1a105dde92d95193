// The chart and highway overlays as lists of the drawing calls they make.
// An overlay is first written down as its calls and then made from the
// list. The list is cut into elements (a ship, a waypoint, a route, the
// boat), each keyed by its part of the overlay and a number that grows
// within the part, and each element notes the drawing state its calls find
// when it begins. A frame over the same background that the last frame left
// is then made from the last frame's picture: the elements that changed
// mark where they were and where they are, and only the calls that reach
// those places are made again, over the background there, pixel for pixel
// as drawing the whole list would.
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
#include "layer_id.h"
#include "u_nav.h"

typedef struct tag_T_CHART_OP T_CHART_OP;

// A rectangle of pixels, edges included, y up as in a bitmap; empty when
// x0 > x1.
typedef struct tag_T_CHART_BOX {
  S32 x0;
  S32 y0;
  S32 x1;
  S32 y1;
} T_CHART_BOX;

// What a call made by a function of its own may draw and where it leaves
// the pen, asked of it with the context's state as the call begins. While a
// kept picture is mended, pPlaces names the places drawn again: the call
// may leave out what lies wholly outside them, moving the pen as drawing
// would. Asked with pEdges (and no drawing), the call adds the boxes of
// what it draws that reaches outside pInner and may draw otherwise when
// cut at a window's edge, and says so in bEdgesTold; a call that does not
// is taken to reach there with its whole box.
typedef struct tag_T_CHART_EXTENT {
  const GR_CONTEXT* pState;
  BOOLEAN bBoxWanted;
  T_CHART_BOX box;  // out, when wanted
  BOOLEAN bPen;     // out: the call leaves the pen at pen
  POINT pen;
  const std::vector<T_CHART_BOX>* pPlaces;
  const T_CHART_BOX* pInner;
  std::vector<T_CHART_BOX>* pEdges;
  BOOLEAN bEdgesTold;  // out
} T_CHART_EXTENT;

// TRUE when box meets one of the places (every box meets no places at all).
BOOLEAN T_CHART_bMeetsPlaces(const T_CHART_BOX& box, const std::vector<T_CHART_BOX>* pPlaces);

// A call made by a function of its own: its inputs are the fields of the op
// and the op's text. With bDraw it draws in the bitmap and context of pNVI;
// with pExtent (which may come with bDraw) it tells what it draws.
typedef void T_CHART_OP_CALL(NAV_VIEW_INFO* pNVI, const T_CHART_OP* pOp, const char* pcText,
                             T_CHART_EXTENT* pExtent, BOOLEAN bDraw);

// Laid out without padding, the same on 32 and 64 bits, so that two lists
// compare byte for byte; an op is made zeroed (T_CHART_op) and only its
// kind's fields set, so that the unused bytes of the unions are zero too.
struct tag_T_CHART_OP {
  union {
    double d;                 // a turn's angle
    T_CHART_OP_CALL* pfCall;  // a function op's call
    U64 u64Call;
  };
  union {
    const void* p;
    U64 u64P;
  };
  S32 x;
  S32 y;
  S32 a;
  S32 b;
  S32 n;
  U32 u32Text;  // the op's text: its offset in its element's text and its size
  U16 u16TextSize;
  U8 eKind;
  U8 u8Flags;  // a function op's: T_CHART_CALL_*
  COLOR colour;
  COLOR colour2;
};
static_assert(sizeof(T_CHART_OP) == 48, "T_CHART_OP must have no padding");
// A function op's x and y are a place on the chart, which move with it.
constexpr U8 T_CHART_CALL_MOVES = 1;
// A function op sets the pen before it draws: it reads no pen.
constexpr U8 T_CHART_CALL_SETS_PEN = 2;

// The part of the context's state that the calls read: the pen, the colour,
// the tool and its size, and the line pattern with its phase.
typedef struct tag_T_CHART_PEN {
  PIXELPOS cp;
  GL_COLOUR colour;
  SINT PixelSize;
  DRAWING_TOOL DrTool;
  PATTERNATTRIB pattern;
  BOOLEAN bPhaseUsed;  // a patterned pixel was drawn since the phase restarted
} T_CHART_PEN;

typedef struct tag_T_CHART_ELEMENT {
  U64 u64Key;
  U32 u32FirstOp;
  U32 u32FirstText;
  T_CHART_PEN entry;
  U32 u32Reads;  // the parts of the entry state its calls read before they set them
} T_CHART_ELEMENT;

// A part of the overlay whose calls follow from inputs its caller names
// whole: while they stay the same the part's elements are taken from the
// kept list rather than written again.
typedef struct tag_T_CHART_SECTION {
  U32 u32Part;
  U32 u32FirstElement;
  U32 u32EndElement;  // one past its last element, once closed
  T_CHART_PEN exit;   // the state its calls leave
  std::vector<U8> inputs;
} T_CHART_SECTION;

typedef struct tag_T_CHART_LIST T_CHART_LIST;
struct tag_T_CHART_LIST {
  std::vector<T_CHART_OP> ops;
  std::vector<char> text;
  std::vector<T_CHART_ELEMENT> elements;
  // While writing: the state the calls leave, and what the open element has
  // set itself so far.
  GR_CONTEXT state;
  BOOLEAN bPhaseUsed;
  U32 u32Sets;
  BOOLEAN bOrdered;  // the keys grew and no element began inside a patterned line
  // Stretches of ops drawn with one unbroken pattern phase: drawn whole or
  // not at all, so that the phase stays right.
  std::vector<std::array<U32, 2>> runs;
  // Once the list has been drawn or compared: what each op and each element
  // may draw.
  BOOLEAN bBoxes;
  std::vector<T_CHART_BOX> boxes;
  std::vector<T_CHART_BOX> elementBoxes;
  // The sections, the first u32Sections of them in use; and the stretches of
  // elements taken from pReference: first element here, count, first there.
  std::vector<T_CHART_SECTION> sections;
  U32 u32Sections;
  const T_CHART_LIST* pReference;
  std::vector<std::array<U32, 3>> taken;
};

// The parts of the plan chart's overlay in the order it draws them.
typedef enum tag_T_CHART_PART : U32 {
  T_CHART_PART_AIS = 1,
  T_CHART_PART_TARGET,
  T_CHART_PART_GRID,
  T_CHART_PART_OUTLINE,
  T_CHART_PART_ALARMS,
  T_CHART_PART_SAVED_TRACK,
  T_CHART_PART_CURRENT_TRACK,
  T_CHART_PART_SAVED_ROUTE,
  T_CHART_PART_CURSOR_ROUTE,
  T_CHART_PART_ROUTE,
  T_CHART_PART_WAYPOINT,
  T_CHART_PART_PROXIMITY,
  T_CHART_PART_CURSOR,
  T_CHART_PART_BOAT,
  T_CHART_PART_NORTH,
} T_CHART_PART;

// The parts of the highway's overlay in the order it draws them.
typedef enum tag_T_HWY_PART : U32 {
  T_HWY_PART_TARGET = 1,
  T_HWY_PART_GRID,
  T_HWY_PART_ALARMS,
  T_HWY_PART_ROUTE,
  T_HWY_PART_SAVED_TRACK,
  T_HWY_PART_CURRENT_TRACK,
  T_HWY_PART_WAYPOINT,
  T_HWY_PART_AIS,
} T_HWY_PART;

// From now on the calls of pNVI go into pList (emptied first); with null
// they draw again. Sections may be taken from pReference, the list of the
// picture the new one will be made from (or null). Only the view task
// writes lists.
void T_CHART_vListInto(T_CHART_LIST* pList, const NAV_VIEW_INFO* pNVI, const T_CHART_LIST* pReference = nullptr);
BOOLEAN T_CHART_bListing(void);
// The calls from here on up to the next element belong to element u32Id of
// part u32Part; nothing while drawing at once.
void T_CHART_vElement(U32 u32Part, U32 u32Id);
// Opens a section of part u32Part with the given inputs: TRUE when the
// reference list holds one of the same part, inputs and starting state,
// whose elements are then taken and the caller draws nothing; FALSE when
// the caller is to draw it. Its element ids must lie in 1 .. 0xFFFFFFFE.
// Either way T_CHART_vSectionEnd closes it; inputs given there replace the
// opening ones, for a section whose drawing changed state it follows from
// (kept steps traced anew).
BOOLEAN T_CHART_bSectionKept(U32 u32Part, const void* pInputs, size_t size);
void T_CHART_vSectionEnd(const void* pInputs = nullptr, size_t size = 0);
// Makes the calls of the list in the bitmap and context of pNVI, from the
// drawing state every list starts from, and notes what each may draw.
void T_CHART_vPlayList(NAV_VIEW_INFO* pNVI, T_CHART_LIST* pList);

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
// The call may move the pen but must leave the rest of the state alone.
void T_CHART_vCall(NAV_VIEW_INFO* pNVI, T_CHART_OP_CALL* pfCall, T_CHART_OP op, const char* pcText,
                   U32 u32TextSize);
// An op with every byte zero.
T_CHART_OP T_CHART_op(void);

// The box of a line of the context's pen from a to b, of a pixel at a
// (b = a), and the smallest box holding two.
T_CHART_BOX T_CHART_lineBox(const GR_CONTEXT* pState, POINT a, POINT b);
T_CHART_BOX T_CHART_union(T_CHART_BOX a, T_CHART_BOX b);
// Nothing.
T_CHART_BOX T_CHART_empty(void);

// The chart under a kept picture moved by whole pixels: what lay at p lies
// at p + shift. pBackgroundChanges are the places where the new background
// is not the old one moved (T_CHART_vBackgroundChanges).
typedef struct tag_T_CHART_MOVED {
  POINT shift;
  const std::vector<T_CHART_BOX>* pBackgroundChanges;
} T_CHART_MOVED;

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

// The window w of the page of pNVI shows pList over its background, and
// pComposed keeps that picture. With bFresh the background was just drawn
// on the page; otherwise the page holds nothing yet and pBackground is the
// window's kept background (T_CHART_vCopyWindow's layout), and the picture
// is made from the kept one where only parts of the overlay changed. The
// list comes back holding the kept one's old list, or its own again. With
// pMoved (and bFresh, pBackground then the fresh background's copy) the
// kept picture is of the chart before it moved: it is moved and mended
// where it cannot serve.
void T_CHART_vCompose(NAV_VIEW_INFO* pNVI, const WINDOW_LOCATION* w, U8 u8Transparent, const COLOR* pBackground,
                      BOOLEAN bFresh, T_CHART_COMPOSED* pComposed, T_CHART_LIST* pList,
                      const T_CHART_MOVED* pMoved = nullptr);
// The places of window w where the background on the page is not the kept
// one pOld (T_CHART_vCopyWindow's layout) moved by shift, the places the
// move uncovers among them.
void T_CHART_vBackgroundChanges(const BITMAP* pPage, const WINDOW_LOCATION* w, const COLOR* pOld, POINT shift,
                                std::vector<T_CHART_BOX>* pPlaces);
// How the last T_CHART_vCompose made its picture, for tests and
// benchmarks: 0 drawn whole, 1 copied, 2 mended in nRects places.
typedef struct tag_T_CHART_COMPOSE_REPORT {
  U32 u32How;
  U32 u32Rects;
} T_CHART_COMPOSE_REPORT;
T_CHART_COMPOSE_REPORT T_CHART_lastCompose(void);
// Makes every later T_CHART_vCompose draw its overlay whole (tests compare
// mended pictures with whole ones).
void T_CHART_vComposeWhole(BOOLEAN bWhole);
