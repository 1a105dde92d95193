// The panel every menu is built from: a body in grey with a black outline, a
// dark title band (or the main menu's tab strip), rows of 40 pixels with
// their label at the left and their control right-aligned, the selected row
// framed in orange, and a footer band for the scroll marks.

#include "u_menupanel.h"

#include <algorithm>
#include <mutex>

#include "color.h"
#include "g_bmp.h"
#include "g_box.h"
#include "g_buffers.h"
#include "g_line.h"
#include "u_menu.h"
#include "u_language.h"
#include "u_menulook.h"
#include "u_wstring.h"

constexpr PIXEL PANEL_SCREEN_WIDTH = 800;
constexpr PIXEL PANEL_SCREEN_HEIGHT = 480;
constexpr PIXEL PANEL_TOP = 469;         // the top edge of the menus that hang from the top
constexpr U32 PANEL_BAND = 38;           // title band with its two rules
constexpr U32 PANEL_BAND_SUBTITLE = 56;
constexpr U32 PANEL_FOOTER = 24;
constexpr U32 PANEL_SINGLE_ROW = 60;
constexpr U32 PANEL_FIXED_WIDTH = 560;   // main menu and quick set-up
constexpr U32 PANEL_MIN_CONTROL = 120;
constexpr PIXEL PANEL_MARGIN = 11;       // text and controls from the panel's sides
constexpr PIXEL PANEL_GAP = 24;          // between a label and its control
constexpr U32 PANEL_MAX_ICON = 36;
constexpr U32 PANEL_TAB_HEIGHT = 30;
constexpr U32 PANEL_TAB_ARROW = 13;
constexpr U32 PANEL_SINGLE_ARROW = 21;

static COLOR PANEL_color(MENU_COLOR_INDEX e) { return U_MENULOOK_color(e); }

static U32 PANEL_u32Rows(const MENU_PANEL* p) { return std::min(p->u32Rows, MENU_PANEL_ROWS); }

static U32 PANEL_u32Band(const MENU_PANEL* p) {
  if (p->eKind == MENU_PANEL_EXPRESS) return 0;
  return p->pcSubtitle != nullptr && p->eKind != MENU_PANEL_MAIN ? PANEL_BAND_SUBTITLE : PANEL_BAND;
}

static U32 PANEL_u32BodyHeight(const MENU_PANEL* p) {
  if (p->eKind == MENU_PANEL_SINGLE) return PANEL_SINGLE_ROW;
  return MENU_ROW_HEIGHT * (p->eKind == MENU_PANEL_MAIN ? MENU_PANEL_ROWS : PANEL_u32Rows(p));
}

static BOOLEAN PANEL_bFooter(const MENU_PANEL* p) {
  return p->eKind == MENU_PANEL_MAIN || p->eKind == MENU_PANEL_QUICK || p->bMoreUp || p->bMoreDown;
}

static BOOLEAN PANEL_bTitled(const MENU_PANEL* p) { return p->eKind != MENU_PANEL_EXPRESS && p->eKind != MENU_PANEL_MAIN; }

static const ICON* PANEL_pIcon(const MENU_PANEL_ROW* r) {
  return r->pIcon != nullptr && G_ICON_u32GetHeight(r->pIcon) <= PANEL_MAX_ICON ? r->pIcon : nullptr;
}

static PIXEL PANEL_s32LabelStart(const MENU_PANEL_ROW* r) {
  const ICON* pIcon = PANEL_pIcon(r);
  return pIcon != nullptr ? 8 + (PIXEL)G_ICON_u32GetWidth(pIcon) + 8 : PANEL_MARGIN;
}

// The control slot before it is held to half the panel.
static U32 PANEL_u32NaturalControl(const MENU_PANEL_ROW* r) {
  switch (r->eControl) {
    case MENU_CONTROL_SELECTOR:
    case MENU_CONTROL_SLIDER:
    case MENU_CONTROL_PROGRESS_BAR: {
      const U32 value = r->u32ValueWidth != 0 ? r->u32ValueWidth : U_MENULOOK_u32Width(r->pcValue, U_MENULOOK_pValueFont());
      return std::max(value + 40, PANEL_MIN_CONTROL);
    }
    case MENU_CONTROL_ACTION:
      return r->bArrow ? 8 : 0;  // the arrow ends where a control does
    case MENU_CONTROL_CHECK_BOX:
      return 18;
    default:
      return 0;
  }
}

// The label's whole extent from the panel's left edge.
static U32 PANEL_u32LabelExtent(const MENU_PANEL_ROW* r) {
  return (U32)PANEL_s32LabelStart(r) + U_MENULOOK_u32Width(r->pcLabel, U_MENULOOK_pLabelFont());
}

U32 U_MENUPANEL_u32ControlWidth(const MENU_PANEL_ROW* pRow, U32 u32PanelWidth) {
  if (pRow == nullptr) return 0;
  const U32 natural = PANEL_u32NaturalControl(pRow);
  if (pRow->eControl == MENU_CONTROL_ACTION || pRow->eControl == MENU_CONTROL_CHECK_BOX) return natural;
  // The control takes what the label leaves, but never less than half the
  // row: a long value and a long label share it.
  const U32 inner = u32PanelWidth > (U32)(PANEL_GAP + PANEL_MARGIN) ? u32PanelWidth - (U32)(PANEL_GAP + PANEL_MARGIN) : 0;
  const U32 half = u32PanelWidth > 46 ? (u32PanelWidth - 46) / 2 : 0;
  const U32 label = PANEL_u32LabelExtent(pRow);
  return std::min(natural, std::max(half, inner > label ? inner - label : 0));
}

static U32 PANEL_u32NaturalWidth(const MENU_PANEL* p) {
  U32 width = T_MENU_u32GetMinMenuWidth();
  if (PANEL_bTitled(p)) {
    width = std::max(width, U_MENULOOK_u32Width(p->pcTitle, U_MENULOOK_pTitleFont()) + 22);
    width = std::max(width, U_MENULOOK_u32Width(p->pcSubtitle, U_MENULOOK_pSmallFont()) + 22);
  }
  if (p->eKind == MENU_PANEL_SINGLE) {
    const MENU_PANEL_ROW* r = &p->aRows[0];
    const U32 value = r->u32ValueWidth != 0 ? r->u32ValueWidth : U_MENULOOK_u32Width(r->pcValue, U_MENULOOK_pBigFont());
    return std::max(width, value + 80);
  }
  // The widest label beside the widest control, whichever rows they are in.
  U32 label = 0, control = 0;
  for (U32 i = 0; i < PANEL_u32Rows(p); i++) {
    const MENU_PANEL_ROW* r = &p->aRows[i];
    label = std::max(label, PANEL_u32LabelExtent(r));
    control = std::max(control, PANEL_u32NaturalControl(r));
  }
  return std::max(width, label + (U32)PANEL_GAP + control + (U32)PANEL_MARGIN);
}

void U_MENUPANEL_vLayout(const MENU_PANEL* pPanel, U32 u32XOrigin, const MENU_PANEL_BOX* pParent,
                         MENU_PANEL_BOX* pBox) {
  if (pPanel == nullptr || pBox == nullptr) return;
  U_MENULOOK_vFollowLanguage();
  const PIXEL o = (PIXEL)std::min(u32XOrigin, 480u);
  // A narrow view area (the big-digits view's readout column) does not
  // narrow a menu below the fixed width: the menu reaches over the column
  // rather than cut its texts.
  const U32 maxWidth = std::max(PANEL_FIXED_WIDTH, (U32)(PANEL_SCREEN_WIDTH - o - 20));
  const BOOLEAN bFixed = pPanel->eKind == MENU_PANEL_MAIN || pPanel->eKind == MENU_PANEL_QUICK;
  const U32 W = bFixed ? std::min(PANEL_FIXED_WIDTH, maxWidth) : std::min(PANEL_u32NaturalWidth(pPanel), maxWidth);
  const U32 H = 2 + PANEL_u32Band(pPanel) + PANEL_u32BodyHeight(pPanel) + (PANEL_bFooter(pPanel) ? PANEL_FOOTER : 0);
  const PIXEL centred = o + (PANEL_SCREEN_WIDTH - o - (PIXEL)W) / 2;
  PIXEL x = centred, top = PANEL_TOP;
  switch (pPanel->eKind) {
    case MENU_PANEL_EXPRESS:
      x = pPanel->eSplit == SPLIT_RIGHT_WINDOW ? 790 - (PIXEL)W : o + 10;
      break;
    case MENU_PANEL_SINGLE:
      top = (PANEL_SCREEN_HEIGHT - (PIXEL)H) / 2 + (PIXEL)H;
      break;
    case MENU_PANEL_SUB:
      if (pParent == nullptr) break;
      x = std::min(std::max(pParent->at.x + 24, o + 4), 796 - (PIXEL)W);
      top = std::max(pParent->at.y + (PIXEL)pParent->u32Height - 24, 4 + (PIXEL)H);
      break;
    default:
      break;
  }
  x = std::min(x, PANEL_SCREEN_WIDTH - 4 - (PIXEL)W);
  pBox->at = POINT{x, top - (PIXEL)H};
  pBox->u32Width = W;
  pBox->u32Height = H;
}

POINT U_MENUPANEL_ptRow(const MENU_PANEL* pPanel, const MENU_PANEL_BOX* pBox, U32 u32Row) {
  const PIXEL top = pBox->at.y + (PIXEL)pBox->u32Height - 1 - (PIXEL)PANEL_u32Band(pPanel);
  const PIXEL height = pPanel->eKind == MENU_PANEL_SINGLE ? (PIXEL)PANEL_SINGLE_ROW : (PIXEL)MENU_ROW_HEIGHT;
  return POINT{pBox->at.x, top - height * (PIXEL)(u32Row + 1)};
}

// ---------------------------------------------------------------------------
// Rooms

constexpr U32 PANEL_VALUE_INSETS = 34;  // the selected value box's arrows and gaps
constexpr U32 PANEL_BAR_FIELD = 44;     // a progress bar's text field, at least
constexpr U32 PANEL_BAR_TRACK = 36;     // and its track, at least
constexpr PIXEL PANEL_FOOTER_TAB = 60;  // the quick set-up footer's scroll tab

// A progress bar's text field: as wide as its widest value, the track
// taking the rest.
static U32 PANEL_u32BarField(const MENU_PANEL_ROW* r, U32 cw) {
  const U32 value = r->u32ValueWidth != 0 ? r->u32ValueWidth : U_MENULOOK_u32Width(r->pcValue, U_MENULOOK_pValueFont());
  const U32 most = cw > PANEL_BAR_TRACK + 4 ? cw - PANEL_BAR_TRACK - 4 : 0;
  return std::max(PANEL_BAR_FIELD, std::min(value + 4, most));
}

static const MENU_PANEL_ROW* PANEL_pRow(const MENU_PANEL* p, U32 u32Row) {
  return p != nullptr && u32Row < PANEL_u32Rows(p) ? &p->aRows[u32Row] : nullptr;
}

static PIXEL PANEL_s32LabelRoom(const MENU_PANEL_ROW* r, PIXEL W) {
  const U32 cw = U_MENUPANEL_u32ControlWidth(r, (U32)W);
  const PIXEL labelEnd = cw > 0 ? W - PANEL_MARGIN - (PIXEL)cw - PANEL_GAP : W - PANEL_MARGIN;
  return labelEnd - PANEL_s32LabelStart(r);
}

U32 U_MENUPANEL_u32LabelRoom(const MENU_PANEL* pPanel, const MENU_PANEL_BOX* pBox, U32 u32Row) {
  const MENU_PANEL_ROW* r = PANEL_pRow(pPanel, u32Row);
  if (r == nullptr || pBox == nullptr) return 0;
  const PIXEL room = PANEL_s32LabelRoom(r, (PIXEL)pBox->u32Width);
  return room > 0 ? (U32)room : 0;
}

U32 U_MENUPANEL_u32ValueRoom(const MENU_PANEL* pPanel, const MENU_PANEL_BOX* pBox, U32 u32Row) {
  const MENU_PANEL_ROW* r = PANEL_pRow(pPanel, u32Row);
  if (r == nullptr || pBox == nullptr) return 0;
  if (pPanel->eKind == MENU_PANEL_SINGLE) {
    const PIXEL inset = PANEL_MARGIN + (PIXEL)(PANEL_SINGLE_ARROW + 1) / 2 + 8;
    const PIXEL room = (PIXEL)pBox->u32Width - 2 * inset;
    return room > 0 ? (U32)room : 0;
  }
  const U32 cw = U_MENUPANEL_u32ControlWidth(r, pBox->u32Width);
  switch (r->eControl) {
    case MENU_CONTROL_SELECTOR:
    case MENU_CONTROL_SLIDER:
      return cw > PANEL_VALUE_INSETS ? cw - PANEL_VALUE_INSETS : 0;
    case MENU_CONTROL_PROGRESS_BAR:
      return PANEL_u32BarField(r, cw);
    default:
      return 0;
  }
}

U32 U_MENUPANEL_u32TitleRoom(const MENU_PANEL*, const MENU_PANEL_BOX* pBox) {
  return pBox != nullptr && pBox->u32Width > 2 * PANEL_MARGIN ? pBox->u32Width - 2 * PANEL_MARGIN : 0;
}

U32 U_MENUPANEL_u32FooterRoom(const MENU_PANEL* pPanel, const MENU_PANEL_BOX* pBox) {
  const U32 title = U_MENUPANEL_u32TitleRoom(pPanel, pBox);
  return title > (U32)PANEL_FOOTER_TAB ? title - (U32)PANEL_FOOTER_TAB : 0;
}

U32 U_MENUPANEL_u32TabRoom(const MENU_PANEL_BOX* pBox) {
  // The strip less the scroll arrows' room on both sides and the tab's own padding.
  return pBox != nullptr && pBox->u32Width > 8 + 28 + 24 ? pBox->u32Width - 8 - 28 - 24 : 0;
}

// ---------------------------------------------------------------------------
// Drawing

static void PANEL_vFill(BITMAP* b, MENU_COLOR_INDEX e, PIXEL x, PIXEL y, PIXEL w, PIXEL h) {
  if (w <= 0 || h <= 0) return;
  const POINT at = {x, y};
  G_BOX_vDrawFilled(b, PANEL_color(e), &at, (U32)w, (U32)h);
}

static void PANEL_vOutline(BITMAP* b, MENU_COLOR_INDEX e, PIXEL x, PIXEL y, PIXEL w, PIXEL h) {
  if (w <= 0 || h <= 0) return;
  const POINT at = {x, y};
  G_BOX_vDraw(b, PANEL_color(e), &at, (U32)w, (U32)h);
}

static void PANEL_vRule(BITMAP* b, MENU_COLOR_INDEX e, PIXEL x0, PIXEL x1, PIXEL y) {
  POINT from = {x0, y}, to = {x1, y};
  G_LINE_vDraw(b, PANEL_color(e), &from, &to);
}

// Text cut to its room and drawn from x, or centred in the room.
static void PANEL_vText(BITMAP* b, MENU_COLOR_INDEX e, PIXEL x, PIXEL y, PIXEL room, const FONT_DEF* pFont,
                        const char* pText, BOOLEAN bCentre) {
  if (pText == nullptr || room <= 0) return;
  char acText[MENU_TEXT_BUFFER];
  const PIXEL width = (PIXEL)U_MENULOOK_u32Shorten(acText, sizeof acText, pText, pFont, (U32)room);
  U_MENULOOK_vPut(b, PANEL_color(e), bCentre ? x + (room - width) / 2 : x, y, pFont, acText);
}

static void PANEL_vTabs(BITMAP* b, const MENU_PANEL* p, PIXEL x, PIXEL W, PIXEL T) {
  if (p->ppcTabs == nullptr || p->u32Tabs == 0) return;
  const FONT_DEF* pFont = U_MENULOOK_pValueFont();
  const U32 n = p->u32Tabs;
  const U32 sel = std::min(p->u32SelectedTab, n - 1);
  const PIXEL arrowRoom = 14;
  PIXEL left = x + 4, right = x + W - 4;  // the strip: left .. right - 1
  PIXEL total = 0;
  for (U32 i = 0; i < n; i++) total += (PIXEL)U_MENULOOK_u32Width(p->ppcTabs[i], pFont) + 24;
  U32 first = 0;
  const BOOLEAN bScroll = total > right - left;
  if (bScroll) {
    left += arrowRoom;
    right -= arrowRoom;
    // The first tab shown is the lowest from which the selected one still fits.
    PIXEL span = 0;
    for (U32 i = sel + 1; i-- > 0;) {
      span += (PIXEL)U_MENULOOK_u32Width(p->ppcTabs[i], pFont) + 24;
      if (span > right - left && i < sel) break;
      first = i;
    }
  }
  const PIXEL tabY = T - 3 - (PIXEL)PANEL_TAB_HEIGHT + 1;
  PIXEL tx = left;
  U32 last = first;
  for (U32 i = first; i < n; i++) {
    // Only the selected tab is ever cut; the others show whole or not at all.
    const PIXEL room = right - tx - 24;
    if (room <= 0 || (i != sel && (PIXEL)U_MENULOOK_u32Width(p->ppcTabs[i], pFont) > room)) break;
    char acLabel[MENU_TEXT_BUFFER];
    const PIXEL lw = (PIXEL)U_MENULOOK_u32Shorten(acLabel, sizeof acLabel, p->ppcTabs[i], pFont, (U32)room);
    MENU_COLOR_INDEX ink = MENU_COLOR_WHITE;
    if (i == sel) {
      PANEL_vFill(b, p->bTabFocus ? MENU_COLOR_FOCUS : MENU_COLOR_RULE, tx, tabY, lw + 24, (PIXEL)PANEL_TAB_HEIGHT);
      if (p->bTabFocus) ink = MENU_COLOR_BLACK;
    }
    U_MENULOOK_vPut(b, PANEL_color(ink), tx + 12, U_MENULOOK_s32Baseline(tabY, PANEL_TAB_HEIGHT), pFont, acLabel);
    tx += lw + 24;
    last = i;
  }
  const PIXEL arrowY = tabY + ((PIXEL)PANEL_TAB_HEIGHT - (PIXEL)PANEL_TAB_ARROW) / 2;
  if (first > 0) U_MENU_vDrawArrowLeft(b, x + 7, arrowY, PANEL_TAB_ARROW, PANEL_color(MENU_COLOR_WHITE));
  if (last + 1 < n) U_MENU_vDrawArrowRight(b, x + W - 14, arrowY, PANEL_TAB_ARROW, PANEL_color(MENU_COLOR_WHITE));
}

static void PANEL_vBand(BITMAP* b, const MENU_PANEL* p, PIXEL x, PIXEL W, PIXEL T) {
  const PIXEL band = (PIXEL)PANEL_u32Band(p);
  if (band == 0) return;
  PANEL_vFill(b, MENU_COLOR_BAND, x + 1, T - band + 2, W - 2, band - 2);
  PANEL_vRule(b, MENU_COLOR_TRACK, x + 1, x + W - 2, T - band + 1);
  PANEL_vRule(b, MENU_COLOR_BLACK, x + 1, x + W - 2, T - band);
  if (p->eKind == MENU_PANEL_MAIN) {
    PANEL_vTabs(b, p, x, W, T);
    return;
  }
  const MENU_PANEL_BOX box = {{x, 0}, (U32)W, 0};
  const PIXEL room = (PIXEL)U_MENUPANEL_u32TitleRoom(p, &box);
  PANEL_vText(b, MENU_COLOR_WHITE, x + PANEL_MARGIN, T - 26, room, U_MENULOOK_pTitleFont(), p->pcTitle, FALSE);
  PANEL_vText(b, MENU_COLOR_WHITE, x + PANEL_MARGIN, T - 46, room, U_MENULOOK_pSmallFont(), p->pcSubtitle, FALSE);
}

static void PANEL_vControl(BITMAP* b, const MENU_PANEL_ROW* r, PIXEL x, PIXEL W, PIXEL rb, PIXEL slot, U32 cw) {
  const POINT box = {slot, rb + 4};
  switch (r->eControl) {
    case MENU_CONTROL_SELECTOR:
    case MENU_CONTROL_SLIDER:
      if (r->bSelected) {
        U_MENULOOK_vDrawValueBox(b, box, cw, 32, PANEL_color(MENU_COLOR_BODY), r->pcValue, nullptr,
                                 r->ePosition == MENU_CHOICE_MIDDLE || r->ePosition == MENU_CHOICE_LAST,
                                 r->ePosition == MENU_CHOICE_MIDDLE || r->ePosition == MENU_CHOICE_FIRST);
      } else {
        PANEL_vText(b, MENU_COLOR_WHITE, slot, rb + 13, (PIXEL)cw, U_MENULOOK_pValueFont(), r->pcValue, TRUE);
      }
      break;
    case MENU_CONTROL_PROGRESS_BAR:
      U_MENULOOK_vDrawBar(b, box, cw, 32, r->fFraction, r->pcValue, PANEL_u32BarField(r, cw));
      break;
    case MENU_CONTROL_ACTION:
      if (r->bArrow) U_MENU_vDrawControlAction(b, POINT{x, rb}, r->bSelected, (U32)W, MENU_ROW_HEIGHT);
      break;
    case MENU_CONTROL_CHECK_BOX:
      PANEL_vOutline(b, MENU_COLOR_RULE, slot, rb + 11, 18, 18);
      if (r->bChecked) PANEL_vFill(b, MENU_COLOR_FOCUS, slot + 4, rb + 15, 10, 10);
      break;
    default:
      break;
  }
}

static void PANEL_vRow(BITMAP* b, const MENU_PANEL_ROW* r, PIXEL x, PIXEL W, PIXEL rb, BOOLEAN bLast) {
  const ICON* pIcon = PANEL_pIcon(r);
  if (pIcon != nullptr) {
    const POINT at = {x + 8, rb + ((PIXEL)MENU_ROW_HEIGHT - (PIXEL)G_ICON_u32GetHeight(pIcon)) / 2};
    G_ICON_vPut(b, pIcon, &at);
  }
  const U32 cw = U_MENUPANEL_u32ControlWidth(r, (U32)W);
  const PIXEL slot = x + W - PANEL_MARGIN - (PIXEL)cw;
  PANEL_vText(b, MENU_COLOR_WHITE, x + PANEL_s32LabelStart(r), rb + 13, PANEL_s32LabelRoom(r, W),
              U_MENULOOK_pLabelFont(), r->pcLabel, FALSE);
  PANEL_vControl(b, r, x, W, rb, slot, cw);
  if (!bLast) PANEL_vRule(b, MENU_COLOR_RULE, x + PANEL_MARGIN, x + W - 12, rb);
  if (!r->bSelected) return;
  for (PIXEL in = 0; in < 3; in++) {
    PANEL_vOutline(b, MENU_COLOR_FOCUS, x + 1 + in, rb + in, W - 2 - 2 * in, (PIXEL)MENU_ROW_HEIGHT - 2 * in);
  }
}

// The single-centred menu's one value, large, between large arrows.
static void PANEL_vSingle(BITMAP* b, const MENU_PANEL_ROW* r, PIXEL x, PIXEL W, PIXEL rb) {
  const PIXEL arrowY = rb + ((PIXEL)PANEL_SINGLE_ROW - (PIXEL)PANEL_SINGLE_ARROW) / 2;
  const COLOR white = PANEL_color(MENU_COLOR_WHITE);
  const PIXEL arrowWidth = (PIXEL)(PANEL_SINGLE_ARROW + 1) / 2;
  if (r->ePosition == MENU_CHOICE_MIDDLE || r->ePosition == MENU_CHOICE_LAST) {
    U_MENU_vDrawArrowLeft(b, x + PANEL_MARGIN, arrowY, PANEL_SINGLE_ARROW, white);
  }
  if (r->ePosition == MENU_CHOICE_MIDDLE || r->ePosition == MENU_CHOICE_FIRST) {
    U_MENU_vDrawArrowRight(b, x + W - PANEL_MARGIN - arrowWidth, arrowY, PANEL_SINGLE_ARROW, white);
  }
  const PIXEL inset = PANEL_MARGIN + arrowWidth + 8;
  PANEL_vText(b, MENU_COLOR_WHITE, x + inset, rb + 20, W - 2 * inset, U_MENULOOK_pBigFont(), r->pcValue, TRUE);
}

static void PANEL_vFooter(BITMAP* b, const MENU_PANEL* p, PIXEL x, PIXEL y, PIXEL W) {
  if (!PANEL_bFooter(p)) return;
  if (p->eKind != MENU_PANEL_MAIN && p->eKind != MENU_PANEL_QUICK) {
    T_MENU_vDrawMoreDownTab(b, POINT{x + 1, y + 1}, (U32)(W - 2), p->bMoreUp, p->bMoreDown);
    return;
  }
  // The fixed panels keep their footer band even with nothing to scroll.
  PANEL_vFill(b, MENU_COLOR_BAND, x + 1, y + 1, W - 2, (PIXEL)PANEL_FOOTER);
  PANEL_vRule(b, MENU_COLOR_RULE, x + 1, x + W - 2, y + (PIXEL)PANEL_FOOTER);
  if (p->eKind == MENU_PANEL_MAIN) {
    T_MENU_vDrawMoreDownTab(b, POINT{x + 1, y + 1}, (U32)(W - 2), p->bMoreUp, p->bMoreDown);
    return;
  }
  const MENU_PANEL_BOX box = {{x, y}, (U32)W, 0};
  PANEL_vText(b, MENU_COLOR_WHITE, x + PANEL_MARGIN, y + 8, (PIXEL)U_MENUPANEL_u32FooterRoom(p, &box),
              U_MENULOOK_pSmallFont(), p->pcFooter, FALSE);
  T_MENU_vDrawMoreDownTab(b, POINT{x + W - 1 - PANEL_FOOTER_TAB, y + 1}, (U32)PANEL_FOOTER_TAB, p->bMoreUp,
                          p->bMoreDown);
}

// The rows a panel shows: the single-centred one has its own.
static U32 PANEL_u32DrawnRows(const MENU_PANEL* p, const MENU_PANEL_BOX* pBox) {
  if (p->eKind == MENU_PANEL_SINGLE) return 0;
  const PIXEL floor = pBox->at.y + 1 + (PANEL_bFooter(p) ? (PIXEL)PANEL_FOOTER : 0);
  U32 rows = 0;
  while (rows < PANEL_u32Rows(p) && U_MENUPANEL_ptRow(p, pBox, rows).y >= floor) rows++;
  return rows;
}

// Everything but the mask: the panel is one opaque rectangle, so what it
// shows depends on its description alone.
static void PANEL_vDrawBody(BITMAP* pBitmap, const MENU_PANEL* pPanel, const MENU_PANEL_BOX* pBox) {
  const PIXEL x = pBox->at.x, y = pBox->at.y, W = (PIXEL)pBox->u32Width, H = (PIXEL)pBox->u32Height;
  PANEL_vFill(pBitmap, MENU_COLOR_BODY, x + 1, y + 1, W - 2, H - 2);
  PANEL_vOutline(pBitmap, MENU_COLOR_BLACK, x, y, W, H);
  PANEL_vBand(pBitmap, pPanel, x, W, y + H - 1);
  if (pPanel->eKind == MENU_PANEL_SINGLE) {
    PANEL_vSingle(pBitmap, &pPanel->aRows[0], x, W, U_MENUPANEL_ptRow(pPanel, pBox, 0).y);
  }
  const U32 rows = PANEL_u32DrawnRows(pPanel, pBox);
  for (U32 i = 0; i < rows; i++) {
    PANEL_vRow(pBitmap, &pPanel->aRows[i], x, W, U_MENUPANEL_ptRow(pPanel, pBox, i).y, i + 1 == PANEL_u32Rows(pPanel));
  }
  PANEL_vFooter(pBitmap, pPanel, x, y, W);
}

// ---------------------------------------------------------------------------
// Finished panels kept as pixels
//
// An open menu stands unchanged over many frames, and its text costs several
// times more to draw than its pixels to copy. So each panel is drawn into a
// slot of its own and copied out. A slot remembers what decided its frame
// (size, title, tabs, footer, language, colours) and each row; a later
// drawing redraws only the rows that changed (a row never draws outside its
// 40-pixel strip), or the whole panel when the frame did. Slots are chosen by
// the panel's place, so the levels of a cascade keep one slot each.

constexpr U32 PANEL_SLOTS = 4;
constexpr U32 PANEL_SLOT_PIXELS = 800 * 404;  // the largest panel, rounded to even

typedef struct tag_PANEL_SLOT {
  U64 u64Frame;  // 0: empty
  U64 au64Rows[MENU_PANEL_ROWS];
  BITMAP bitmap;
} PANEL_SLOT;

static PANEL_SLOT s_aPanelSlots[PANEL_SLOTS];
alignas(8) static COLOR s_aSlotPixels[PANEL_SLOTS][PANEL_SLOT_PIXELS];
static std::mutex s_slotLock;

constexpr U64 PANEL_FNV_BASIS = 14695981039346656037ull;

static void PANEL_vMix(U64* pKey, const void* pData, size_t bytes) {
  const U8* p = (const U8*)pData;
  for (size_t i = 0; i < bytes; i++) *pKey = (*pKey ^ p[i]) * 1099511628211ull;
}

template <typename T>
static void PANEL_vMixValue(U64* pKey, const T& value) {
  PANEL_vMix(pKey, &value, sizeof value);
}

// A text by its content; null and empty differ.
static void PANEL_vMixText(U64* pKey, const char* pText) {
  const U32 bytes = pText != nullptr ? U_WSTRING_u32w_strlen(pText, FALSE) : 0xFFFFFFFF;
  PANEL_vMixValue(pKey, bytes);
  if (pText != nullptr) PANEL_vMix(pKey, pText, bytes);
}

static U64 PANEL_u64Row(const MENU_PANEL_ROW* r) {
  U64 k = PANEL_FNV_BASIS;
  PANEL_vMixValue(&k, r->pIcon);
  PANEL_vMixText(&k, r->pcLabel);
  PANEL_vMixValue(&k, r->eControl);
  PANEL_vMixText(&k, r->pcValue);
  PANEL_vMixValue(&k, r->u32ValueWidth);
  PANEL_vMixValue(&k, r->ePosition);
  PANEL_vMixValue(&k, r->fFraction);
  const U8 states[3] = {r->bChecked, r->bArrow, r->bSelected};
  PANEL_vMix(&k, states, sizeof states);
  return k;
}

static U64 PANEL_u64Frame(const MENU_PANEL* p, const MENU_PANEL_BOX* pBox) {
  U64 k = PANEL_FNV_BASIS;
  PANEL_vMixValue(&k, nCurrentLanguage());
  PANEL_vMixValue(&k, U_WSTRING_bIsUnicodeLanguage());
  PANEL_vMix(&k, gCOLOR_pcolColorTable, COLOR_TABLE_SIZE * sizeof(COLOR));
  PANEL_vMixValue(&k, pBox->u32Width);
  PANEL_vMixValue(&k, pBox->u32Height);
  PANEL_vMixValue(&k, p->eKind);
  PANEL_vMixText(&k, p->pcTitle);
  PANEL_vMixText(&k, p->pcSubtitle);
  PANEL_vMixText(&k, p->pcFooter);
  const U32 tabs = p->ppcTabs != nullptr ? p->u32Tabs : 0;
  PANEL_vMixValue(&k, tabs);
  for (U32 i = 0; i < tabs; i++) PANEL_vMixText(&k, p->ppcTabs[i]);
  PANEL_vMixValue(&k, p->u32SelectedTab);
  const U8 flags[3] = {p->bTabFocus, p->bMoreUp, p->bMoreDown};
  PANEL_vMix(&k, flags, sizeof flags);
  PANEL_vMixValue(&k, PANEL_u32Rows(p));
  if (p->eKind == MENU_PANEL_SINGLE) PANEL_vMixValue(&k, PANEL_u64Row(&p->aRows[0]));
  return k != 0 ? k : 1;
}

// Copies the part of the slot's panel that falls inside the target's clip.
static void PANEL_vPlace(BITMAP* pBitmap, const BITMAP* pSlot, const MENU_PANEL_BOX* pBox) {
  const PIXEL x0 = std::max(pBox->at.x, pBitmap->s32ClipLeft);
  const PIXEL y0 = std::max(pBox->at.y, pBitmap->s32ClipBottom);
  const PIXEL x1 = std::min(pBox->at.x + (PIXEL)pBox->u32Width - 1, pBitmap->s32ClipRight);
  const PIXEL y1 = std::min(pBox->at.y + (PIXEL)pBox->u32Height - 1, pBitmap->s32ClipTop);
  if (x1 < x0 || y1 < y0) return;
  const POINT to = {x0, y0}, from = {x0 - pBox->at.x, y0 - pBox->at.y};
  G_BMP_vPlaceLogicalOnLogical(pBitmap, &to, pSlot, &from, (U32)(x1 - x0 + 1), (U32)(y1 - y0 + 1));
}

// Brings the slot's picture up to the panel: the whole of it, or its changed rows.
static void PANEL_vRefresh(PANEL_SLOT* pSlot, U32 u32Slot, const MENU_PANEL* pPanel, const MENU_PANEL_BOX* pBox) {
  const MENU_PANEL_BOX at = {{0, 0}, pBox->u32Width, pBox->u32Height};
  const U64 frame = PANEL_u64Frame(pPanel, pBox);
  const U32 rows = PANEL_u32DrawnRows(pPanel, &at);
  if (pSlot->u64Frame != frame) {
    G_BUFFERS_pCreateBitmap(at.u32Width, at.u32Height, &pSlot->bitmap, (const U32*)s_aSlotPixels[u32Slot]);
    PANEL_vDrawBody(&pSlot->bitmap, pPanel, &at);
    pSlot->u64Frame = frame;
    for (U32 i = 0; i < rows; i++) pSlot->au64Rows[i] = PANEL_u64Row(&pPanel->aRows[i]);
    return;
  }
  const PIXEL W = (PIXEL)at.u32Width;
  for (U32 i = 0; i < rows; i++) {
    const U64 row = PANEL_u64Row(&pPanel->aRows[i]);
    if (pSlot->au64Rows[i] == row) continue;
    const PIXEL rb = U_MENUPANEL_ptRow(pPanel, &at, i).y;
    PANEL_vFill(&pSlot->bitmap, MENU_COLOR_BODY, 1, rb, W - 2, (PIXEL)MENU_ROW_HEIGHT);
    PANEL_vRow(&pSlot->bitmap, &pPanel->aRows[i], 0, W, rb, i + 1 == PANEL_u32Rows(pPanel));
    pSlot->au64Rows[i] = row;
  }
}

void U_MENUPANEL_vDraw(BITMAP* pBitmap, const MENU_PANEL* pPanel, const MENU_PANEL_BOX* pBox) {
  if (pBitmap == nullptr || pPanel == nullptr || pBox == nullptr) return;
  const U32 W = pBox->u32Width, H = pBox->u32Height;
  if (W < 2 * PANEL_MARGIN + 2 * PANEL_GAP || H < 2 || W > (U32)PANEL_SCREEN_WIDTH || H > (U32)PANEL_SCREEN_HEIGHT) {
    return;
  }
  U_MENULOOK_vFollowLanguage();
  if (pPanel->eKind == MENU_PANEL_MAIN || pPanel->eKind == MENU_PANEL_QUICK) T_MENU_vDrawMaskBackground(pBitmap);
  if ((U64)((W + 1) & ~1u) * ((H + 1) & ~1u) > PANEL_SLOT_PIXELS) {
    PANEL_vDrawBody(pBitmap, pPanel, pBox);
    return;
  }
  std::lock_guard<std::mutex> lock(s_slotLock);
  const U32 u32Slot = ((U32)pBox->at.x * 31u + (U32)pBox->at.y) % PANEL_SLOTS;
  PANEL_vRefresh(&s_aPanelSlots[u32Slot], u32Slot, pPanel, pBox);
  PANEL_vPlace(pBitmap, &s_aPanelSlots[u32Slot].bitmap, pBox);
}
