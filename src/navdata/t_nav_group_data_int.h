// What the tree's operations and its collection share inside the store:
// slot access on the live table or a data space, and the walk guards.
#pragma once

#include "basetypes.h"
#include "t_nav_records.h"

// This unit's id is a multiple of 64 from 64 to 1984.
constexpr U16 TREE_UNIT_STEP = 64;
constexpr U16 TREE_UNIT_MAX = 1984;
// Searches and rewrites give up after this many steps.
constexpr U32 TREE_STEP_LIMIT = 99999;

void TREE_vLock(void);
void TREE_vUnlock(void);
// The slot a group id names (0xCFFF: 2999), else -1.
S32 TREE_nSlot(U16 u16Id);
// The slots of the table (null: the live one).
U32 TREE_u32Slots(const NAV_DATA_SPACE* pData);
// A copy of slot nSlot; FALSE beyond the table.
BOOLEAN TREE_bRead(const NAV_DATA_SPACE* pData, S32 nSlot, GROUP_SLOT* pSlot);
U8 TREE_u8Status(const GROUP_SLOT* pSlot);
// Whether two group ids name one slot (0xCFFF and 0xCBB7 both name 2999).
BOOLEAN TREE_bSameSlot(U16 u16A, U16 u16B);
// A copy of the slot the group id names when its status is u8Status.
BOOLEAN TREE_bReadAs(const NAV_DATA_SPACE* pData, U16 u16Id, U8 u8Status, GROUP_SLOT* pSlot);
// Writes a header or body (live: with its file).
BOOLEAN TREE_bWrite(NAV_DATA_SPACE* pData, U16 u16Id, const GROUP_SLOT* pSlot);
U16 TREE_u16Root(NAV_DATA_SPACE* pData);
// An empty body of that side ending with u16Next.
void TREE_vNewBody(GROUP_SLOT* pSlot, BOOLEAN bNotShared, U16 u16Next);
// Starts a walk's met-body list with u16Start alone.
void TREE_vMetReset(U16 u16Start);
// Gives the group (a data space's root) a shared body and the lock body.
BOOLEAN TREE_bAddShareLockBody(NAV_DATA_SPACE* pData, U16 indexGroup);
// The Home text of the language, as a 12-byte name.
void TREE_vHomeName(char* pcName);
// Whether a 12-byte name is the Home text of any language, in that
// language's form: a root keeps the name of the language it was made in.
BOOLEAN TREE_bIsHomeName(const char* pcName);
// Group slots a new root needs for so many shared and not-shared links: the
// header, the shared chain's bodies and the lock chain's (one each at least).
U32 TREE_u32FlatTreeSlots(U32 u32Shared, U32 u32Locked);
// Whether the next load of the tables builds a new tree whatever root they
// hold (the first start after an upgrade to grouped waypoints).
BOOLEAN TREE_bNextLoadRebuildsAnyway(void);
