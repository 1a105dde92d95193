// The route picker (overlay state 7), the track picker (state 1) and the
// saved-track editor (state 3). All records are guarded by mutex 10
// (RES_NAV_EDIT); the setups take it, keys and drawing run with it held.
#pragma once

#include "t_nav_edit_int.h"

typedef void (*NAV_EDIT_ROUTE_CALLBACK)(U32 nIndex, BOOLEAN bReverse);

typedef struct tag_NAV_RTE_SEL {
  S32 nPosition;  // -1: the direction row
  S32 nTop;
  U16 au16SortedIndexes[NAV_MAX_ROUTES];
  U32 nCount;
  U32 nLang;
  BOOLEAN bAskDirection;
  BOOLEAN bReverse;
  NAV_EDIT_ROUTE_CALLBACK pSelect;
  NAV_EDIT_TEXT pConfirmation;
} NAV_RTE_SEL;

typedef struct tag_NAV_TRK_SEL {
  S32 nPosition;
  S32 nTop;
  U16 au16SortedIndexes[NAV_MAX_TRACKS];
  U32 nCount;
  U32 nLang;
  NAV_EDIT_INDEX_CALLBACK pSelect;
  NAV_EDIT_TEXT pConfirmation;
} NAV_TRK_SEL;

// What the track editor shows besides the appearance in s_TrkEdit.
typedef struct tag_NAV_TRK_NAME {
  char sName[TRACK_NAME_SIZE];  // 16-bit big-endian, nine characters and a zero
  char sShownName[TRACK_NAME_SIZE];  // as first shown: an unedited name is not rewritten
  U16 u16Count;
  U32 u32DateTime;
} NAV_TRK_NAME;

extern NAV_RTE_SEL s_RteSel;
extern NAV_TRK_SEL s_TrkSel;
extern NAV_TRK_NAME s_TrkName;

// What an editor's cursor key asks for: the refused click, the accepted
// click, the accepted click on the first event of a press only, or none.
typedef enum tag_NAV_EDIT_KEY_CLICK {
  NAV_EDIT_REFUSED = 0,
  NAV_EDIT_CLICK = 1,
  NAV_EDIT_FIRST_CLICK = 2,
  NAV_EDIT_SILENT = 3,
} NAV_EDIT_KEY_CLICK;
// An editor's keys: EXIT to pfExit, the pad to pfCursor and its click; FALSE
// for any other key.
BOOLEAN NAV_EDIT_bEditorKeys(const MSG_KEY_CHANGE* pMsg, void (*pfExit)(void),
                             NAV_EDIT_KEY_CLICK (*pfCursor)(CURSOR_POSITION));
// A save answer: pfSave under mutex 10 while screen eState is still open,
// then the accepted or (failed save) refused click.
void NAV_EDIT_vSaveAnswer(NAV_EDIT_STATE eState, BOOLEAN (*pfSave)(void));

// Moves a list cursor one row within [nFirst, u32Count) on a page of u32Rows,
// the top following; FALSE (nothing moved) at the ends.
BOOLEAN NAV_EDIT_bListStep(S32* pnPosition, S32* pnTop, S32 nFirst, U32 u32Count, U32 u32Rows, BOOLEAN bUp);

// Opens state 7 on the used routes (on the direction row when bAskDirection);
// FALSE, nothing opened, when there are none.
BOOLEAN T_NAV_EDIT_bSelectRouteSetup(BOOLEAN bAskDirection, NAV_EDIT_ROUTE_CALLBACK pSelect,
                                     NAV_EDIT_TEXT pConfirmation, NAV_EDIT_TEXT pTitle);
// Opens state 1 on the saved tracks; FALSE, nothing opened, when there are none.
BOOLEAN T_NAV_EDIT_bSelectTrackSetup(NAV_EDIT_INDEX_CALLBACK pSelect, NAV_EDIT_TEXT pConfirmation,
                                     NAV_EDIT_TEXT pTitle);
// Opens state 3 on the name row with a copy of saved track nIndex; FALSE,
// nothing opened, for an empty slot or an index beyond the table.
BOOLEAN T_NAV_EDIT_bEditTrackSetup(U32 nIndex, NAV_EDIT_INDEX_CALLBACK pSave, NAV_EDIT_INDEX_CALLBACK pCancel,
                                   NAV_EDIT_TEXT pTitle);

// Keys (mutex 10 held); FALSE for keys other than EXIT and the pad.
BOOLEAN T_NAV_bSelectRouteHandleKeys(const MSG_KEY_CHANGE* pMsg);
BOOLEAN T_NAV_bSelectTrackHandleKeys(const MSG_KEY_CHANGE* pMsg);
BOOLEAN T_NAV_bEditTrackHandleKeys(const MSG_KEY_CHANGE* pMsg);

// The confirmation answers; each acts only while its screen is open.
void T_NAV_vSRSelect(void);
void T_NAV_vSRCancel(void);
void T_NAV_vSTSelect(void);
void T_NAV_vSTCancel(void);
void T_NAV_vETSave(void);

void T_NAV_vSelectRouteRender(BITMAP* pBitmap);
void T_NAV_vSelectTrackRender(BITMAP* pBitmap);
void T_NAV_vEditTrackRender(BITMAP* pBitmap);
