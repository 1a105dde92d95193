// One menu panel drawn from a neutral description: what the menu task knows
// of an open level (its title, tabs, visible rows and their states) goes in,
// pixels come out. The renderer decides the look: faces, colours, the
// panel's width, its place on the screen, and texts cut to fit.
//
// Coordinates are those of the bitmaps, y upward; boxes are given by their
// lower-left corner. Texts are in the current language's form.
#pragma once

#include "basetypes.h"
#include "g_icon.h"
#include "g_types.h"
#include "layer_id.h"

constexpr U32 MENU_PANEL_ROWS = 8;  // rows a panel shows at most
constexpr U32 MENU_ROW_HEIGHT = 40;

enum MENU_CONTROL_KIND : U32 {
  MENU_CONTROL_NONE = 0,      // a label only
  MENU_CONTROL_SELECTOR,      // choice text; the box between arrows when selected
  MENU_CONTROL_SLIDER,        // value text; the box between arrows when selected
  MENU_CONTROL_PROGRESS_BAR,  // bar and value text
  MENU_CONTROL_ACTION,        // action, action list, sub-menu entry: the arrow when bArrow
  MENU_CONTROL_CHECK_BOX,
};

// Where the current value stands among its choices: which arrows a selected
// selector or slider shows.
enum MENU_CHOICE_POSITION : U32 {
  MENU_CHOICE_ONLY = 0,  // no arrows
  MENU_CHOICE_FIRST,     // right only
  MENU_CHOICE_MIDDLE,    // both (also every place of a list that wraps)
  MENU_CHOICE_LAST,      // left only
};

typedef struct tag_MENU_PANEL_ROW {
  const ICON* pIcon;              // may be null; icons over 36 rows are not drawn
  const char* pcLabel;
  MENU_CONTROL_KIND eControl;
  const char* pcValue;            // the choice or value text (the bar's text)
  U32 u32ValueWidth;              // the widest value text the row can show, in pixels, in the face it is
                                  // drawn in; 0: pcValue's
  MENU_CHOICE_POSITION ePosition;
  float fFraction;                // the bar's fill, 0..1
  BOOLEAN bChecked;
  BOOLEAN bArrow;                 // an action row shows its arrow
  BOOLEAN bSelected;
} MENU_PANEL_ROW;

// Which menu the panel belongs to decides its size and place.
enum MENU_PANEL_KIND : U32 {
  MENU_PANEL_EXPRESS = 0,  // an express root: no title band, at the left of the view area or of a right pane
  MENU_PANEL_MAIN,         // tab strip, always 8 row slots and the footer, fixed width
  MENU_PANEL_SUB,          // a sub-level, cascaded from its parent
  MENU_PANEL_FLOATING,     // floating and info menus: titled, centred
  MENU_PANEL_QUICK,        // the quick set-up: titled, fixed width, footer with its hint
  MENU_PANEL_SINGLE,       // the single-centred menu: one large value, centred both ways
};

typedef struct tag_MENU_PANEL {
  MENU_PANEL_KIND eKind;
  SPLIT_WINDOW_TYPE eSplit;       // an express root of SPLIT_RIGHT_WINDOW sits at the right
  const char* pcTitle;            // null: no title
  const char* pcSubtitle;         // null: none
  const char* const* ppcTabs;     // main menu: the visible tabs' labels
  U32 u32Tabs;
  U32 u32SelectedTab;
  BOOLEAN bTabFocus;              // the focus is on the tab strip
  MENU_PANEL_ROW aRows[MENU_PANEL_ROWS];
  U32 u32Rows;                    // rows shown, at most MENU_PANEL_ROWS
  BOOLEAN bMoreUp;                // rows are hidden above
  BOOLEAN bMoreDown;              // rows are hidden below
  const char* pcFooter;           // the quick set-up's hint
} MENU_PANEL;

typedef struct tag_MENU_PANEL_BOX {
  POINT at;  // lower-left corner
  U32 u32Width;
  U32 u32Height;
} MENU_PANEL_BOX;

// The panel's box on a 800 x 480 screen whose view area starts at
// u32XOrigin. A sub-level is placed from its parent's box (pParent; null
// places it as a root would be).
void U_MENUPANEL_vLayout(const MENU_PANEL* pPanel, U32 u32XOrigin, const MENU_PANEL_BOX* pParent,
                         MENU_PANEL_BOX* pBox);
// The lower-left corner of row i of a laid-out panel.
POINT U_MENUPANEL_ptRow(const MENU_PANEL* pPanel, const MENU_PANEL_BOX* pBox, U32 u32Row);
// The width of a row's control slot, which ends 11 pixels inside the panel's
// right edge; 0 for a row without a control.
U32 U_MENUPANEL_u32ControlWidth(const MENU_PANEL_ROW* pRow, U32 u32PanelWidth);
// The pixels a laid-out panel gives its texts, which the drawing cuts them
// to: row i's label and value text (the value as its selected box shows it,
// the tighter of its two looks; 0 for a row without one), the title, the
// quick set-up's footer, and a tab of the main menu's strip.
U32 U_MENUPANEL_u32LabelRoom(const MENU_PANEL* pPanel, const MENU_PANEL_BOX* pBox, U32 u32Row);
U32 U_MENUPANEL_u32ValueRoom(const MENU_PANEL* pPanel, const MENU_PANEL_BOX* pBox, U32 u32Row);
U32 U_MENUPANEL_u32TitleRoom(const MENU_PANEL* pPanel, const MENU_PANEL_BOX* pBox);
U32 U_MENUPANEL_u32FooterRoom(const MENU_PANEL* pPanel, const MENU_PANEL_BOX* pBox);
U32 U_MENUPANEL_u32TabRoom(const MENU_PANEL_BOX* pBox);
// Draws the panel into its box. A description that does not fit its box
// (more rows than slots, a zero box) draws what fits.
void U_MENUPANEL_vDraw(BITMAP* pBitmap, const MENU_PANEL* pPanel, const MENU_PANEL_BOX* pBox);
