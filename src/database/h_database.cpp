// The settings database: a hash table of 512 chains of items, one resource
// mutex over all of it. Items are never freed while the process runs, so a
// walk of the table stays safe between the calls that make it.

#include "h_database.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>

#include "error.h"
#include "h_dbtable.h"
#include "h_memory.h"
#include "model.h"
#include "ui_texts.h"

// ---------------------------------------------------------------------------
// Items and subscribers

struct DB_CONDITION_FLAGS {
  BOOLEAN bChanged;
  BOOLEAN bUpdated;
  BOOLEAN bInvalid;
};

struct REGISTERED_MBOX {
  DB_CONDITION_FLAGS Condition;  // the events the mailbox wants
  MBOX Mailbox;
};

struct tagLlistMbox {
  REGISTERED_MBOX RegisteredMbox;
  tagLlistMbox* pNext;
};
typedef tagLlistMbox MAILBOX_LIST_NODE;

struct DATABASE_ELEMENT {
  FOURCHARID Id;
  DB_DATA_TYPE dbValue;
  DB_ATTRIBUTES ExtraData;
  U64 TimeStamp;  // database clock (ms) of the last taken write or of creation
  U32 u32Priority;
  MBOX mboxOwner;
  MAILBOX_LIST_NODE* pMboxList;  // newest subscriber first
  DB_CONDITION_FLAGS Condition;  // what the operation in progress did
  BOOLEAN bCreated;              // holds a written value
};

struct tagLlistDatabase {
  DATABASE_ELEMENT Element;
  tagLlistDatabase* pNext;
};
typedef tagLlistDatabase LlistDatabase;
typedef tagLlistDatabase DATABASE_LIST_NODE;

static const DATABASE_ELEMENT DefaultDatabaseElement = {
    0, {0xFFFFFFFFu}, {D_UNKNOWN, nullptr, DB_NEVER_STALE}, 0, P_UNOWNED, 0, nullptr, {FALSE, FALSE, TRUE}, FALSE};

constexpr U32 DB_BUCKETS = 512;
static DATABASE_LIST_NODE* s_pDataBase[DB_BUCKETS];

// Notices go out ahead of ordinary mail.
constexpr PRIORITY DB_NOTICE_PRIORITY = 3;

static std::atomic<H_DATABASE_CLOCK> s_pfClock{nullptr};

static std::atomic<BOOLEAN> s_bKeysOutsideTable{FALSE};

// This thread's run: its depth, and the time its calls read.
static thread_local U32 t_u32RunDepth;
static thread_local U64 t_u64RunNow;

// ---------------------------------------------------------------------------
// Helpers

namespace {

// Holds the database mutex for a scope. The mutex nests for its owner, so a
// subscriber's code may call back in while it holds it; inside a run the
// thread holds it already.
struct DB_LOCK {
  DB_LOCK() {
    if (t_u32RunDepth == 0) L_MUTEX_LockWait(RES_DATABASE);
  }
  ~DB_LOCK() {
    if (t_u32RunDepth == 0) L_MUTEX_Unlock(RES_DATABASE);
  }
  DB_LOCK(const DB_LOCK&) = delete;
  DB_LOCK& operator=(const DB_LOCK&) = delete;
};

// A key as printable text for the log.
struct KEY_TEXT {
  char ac[5];
};

}  // namespace

static KEY_TEXT DB_KeyText(FOURCHARID id) {
  KEY_TEXT text;
  for (int i = 0; i < 4; i++) {
    char c = (char)((id >> (8 * i)) & 0xFF);
    text.ac[i] = (c >= 0x20 && c < 0x7F) ? c : '?';
  }
  text.ac[4] = 0;
  return text;
}

// A key used with another type than its row's, or a key without a row,
// ends a debug or test build at once: a value read as the wrong type is a
// silent wrong number on the screen or in the store.
#ifdef VELMORA_CHECK_DB_TYPES
static const char* DB_pcTypeName(DB_VALUE_TYPE eType) {
  static const char* const s_apcNames[] = {"U32", "S32", "float", "BOOLEAN", "pointer", "binding", "word"};
  return (U32)eType < sizeof s_apcNames / sizeof s_apcNames[0] ? s_apcNames[eType] : "?";
}

static BOOLEAN DB_bTypeFits(DB_VALUE_TYPE eRow, DB_VALUE_TYPE eUsed) {
  if (eUsed == DBT_WORD || eRow == eUsed) return TRUE;
  return eRow == DBT_BINDING && (eUsed == DBT_U32 || eUsed == DBT_POINTER);
}

static void DB_vCheck(FOURCHARID id, DB_VALUE_TYPE eUsed, const char* pcFunction) {
  const DB_TABLE_ROW* pRow = H_DBTABLE_pRow(id);
  if (pRow == nullptr) {
    if (s_bKeysOutsideTable.load(std::memory_order_relaxed)) return;
    fprintf(stderr, "database: key %s (0x%08X) used by %s has no row in the key table\n", DB_KeyText(id).ac,
            (unsigned)id, pcFunction);
    fflush(stderr);
    abort();
  }
  if (DB_bTypeFits(pRow->eType, eUsed)) return;
  fprintf(stderr, "database: key %s is a %s key, used as %s by %s\n", DB_KeyText(id).ac,
          DB_pcTypeName(pRow->eType), DB_pcTypeName(eUsed), pcFunction);
  fflush(stderr);
  abort();
}

// An owner's start-up default that is not the key table's would be undone
// by the next Restore Defaults, or the other way round: the two must agree.
static void DB_vCheckDefault(FOURCHARID id, DB_DATA_TYPE value, const char* pcFunction) {
  DB_DATA_TYPE dflt = {};
  if (!H_DBTABLE_bDefaultOf(id, &dflt) || dflt.u32Val == value.u32Val) return;
  fprintf(stderr, "database: key %s gets the default 0x%08X from %s, the key table says 0x%08X\n", DB_KeyText(id).ac,
          (unsigned)value.u32Val, pcFunction, (unsigned)dflt.u32Val);
  fflush(stderr);
  abort();
}
#define DB_CHECK(id, eType) DB_vCheck(id, eType, __func__)
#define DB_CHECK_DEFAULT(id, value) DB_vCheckDefault(id, value, __func__)
#else
#define DB_CHECK(id, eType) ((void)0)
#define DB_CHECK_DEFAULT(id, value) ((void)0)
#endif

void H_DATABASE_vAllowKeysOutsideTable(BOOLEAN bAllow) { s_bKeysOutsideTable.store(bAllow); }
BOOLEAN H_DATABASE_bKeysOutsideTableAllowed(void) { return s_bKeysOutsideTable.load(); }

static U64 DB_u64Now(void) {
  if (t_u32RunDepth != 0) return t_u64RunNow;
  H_DATABASE_CLOCK pfClock = s_pfClock.load(std::memory_order_acquire);
  return pfClock != nullptr ? pfClock() : L_CLOCK_qwGetTimeInMillis();
}

static U32 DB_u32Bucket(FOURCHARID id) { return ((id >> 10) ^ (id >> 5) ^ id) & (DB_BUCKETS - 1); }

// Values of pointer items compare as pointers (8 bytes here); every other
// value as its 32-bit word, whatever a caller left in the bytes beyond it.
static BOOLEAN DB_bSameValue(const DATABASE_ELEMENT* e, const DB_DATA_TYPE& a, const DB_DATA_TYPE& b) {
  if (e->ExtraData.DataType == D_POINTER) return a.vpPointer == b.vpPointer;
  return a.RawData == b.RawData;
}

static BOOLEAN bIsDataValid(const DATABASE_ELEMENT* e, U64 now) {
  if (e->ExtraData.u32TimeOut == DB_NEVER_STALE) return TRUE;
  return now - e->TimeStamp < (U64)e->ExtraData.u32TimeOut * 1000u;
}

static void DB_vCopyAttributes(DATABASE_ELEMENT* e, const DB_ATTRIBUTES* pExtra) {
  e->ExtraData.DataType = pExtra->DataType;
  e->ExtraData.ppcText = pExtra->ppcText;
  if (pExtra->u32TimeOut != 0) e->ExtraData.u32TimeOut = pExtra->u32TimeOut;
}

static DATABASE_LIST_NODE* pdbFindEntry(FOURCHARID id) {
  for (DATABASE_LIST_NODE* p = s_pDataBase[DB_u32Bucket(id)]; p != nullptr; p = p->pNext) {
    if (p->Element.Id == id) return p;
  }
  return nullptr;
}

// Null only when the heap has no block to spare: with the database mutex held
// nothing may wait for memory, or one stalled task would stall them all.
static DATABASE_LIST_NODE* pdbFindOrCreateEntry(FOURCHARID id, const DB_ATTRIBUTES* pExtra) {
  DATABASE_LIST_NODE** ppLink = &s_pDataBase[DB_u32Bucket(id)];
  for (; *ppLink != nullptr; ppLink = &(*ppLink)->pNext) {
    if ((*ppLink)->Element.Id == id) return *ppLink;
  }
  DATABASE_LIST_NODE* p = (DATABASE_LIST_NODE*)H_MEMORY_pvMallocNoWait(sizeof(DATABASE_LIST_NODE));
  if (p == nullptr) {
    log_me("database: no memory for item %s", DB_KeyText(id).ac);
    return nullptr;
  }
  p->Element = DefaultDatabaseElement;
  p->Element.Id = id;
  p->Element.dbValue.vpPointer = nullptr;
  p->Element.TimeStamp = DB_u64Now();
  if (pExtra != nullptr) DB_vCopyAttributes(&p->Element, pExtra);
  p->pNext = nullptr;
  *ppLink = p;
  return p;
}

static void vSendContentsToMailbox(const DATABASE_ELEMENT* e, MBOX mbox) {
  MESSAGE_NEW_DATA* msg = (MESSAGE_NEW_DATA*)H_MEMORY_pvMallocNoWait(sizeof(MESSAGE_NEW_DATA));
  if (msg == nullptr) {
    log_me("database: notice of %s to mailbox %d dropped, no memory", DB_KeyText(e->Id).ac, (int)mbox);
    return;
  }
  memset(msg, 0, sizeof *msg);
  msg->Header.Cmd = CMD_ID_NEW_DATA;
  msg->FourCharId = e->Id;
  msg->dbValue = e->dbValue;
  msg->bValid = e->Condition.bInvalid ? FALSE : TRUE;
  if (L_MBOX_Send(mbox, msg, DB_NOTICE_PRIORITY, 0) != 0) {
    log_me("database: notice of %s to mailbox %d refused", DB_KeyText(e->Id).ac, (int)mbox);
    H_MEMORY_vFree(msg);
  }
}

static void vNotifyRegisteredMailboxes(const DATABASE_ELEMENT* e, MBOX exceptThisOne) {
  for (const MAILBOX_LIST_NODE* p = e->pMboxList; p != nullptr; p = p->pNext) {
    const REGISTERED_MBOX* r = &p->RegisteredMbox;
    if (r->Mailbox == 0 || r->Mailbox == exceptThisOne) continue;
    if ((r->Condition.bChanged && e->Condition.bChanged) || (r->Condition.bUpdated && e->Condition.bUpdated) ||
        (r->Condition.bInvalid && e->Condition.bInvalid)) {
      vSendContentsToMailbox(e, r->Mailbox);
    }
  }
}

// The write rule. TRUE when the write was taken.
static BOOLEAN bUpdateEntryInDatabase(DATABASE_ELEMENT* e, const DB_DATA_TYPE& value, U32 u32Priority,
                                      const DB_ATTRIBUTES* pExtra) {
  U64 now = DB_u64Now();
  if (e->u32Priority < u32Priority && bIsDataValid(e, now) && e->bCreated) {
    // An item registered without attributes takes the first ones offered.
    if (pExtra != nullptr && e->ExtraData.DataType == D_UNKNOWN && e->ExtraData.ppcText == nullptr &&
        e->ExtraData.u32TimeOut == DB_NEVER_STALE) {
      DB_vCopyAttributes(e, pExtra);
    }
    return FALSE;
  }
  e->u32Priority = u32Priority;
  e->TimeStamp = now;
  e->Condition.bUpdated = TRUE;
  if (e->Condition.bInvalid) {
    e->Condition.bChanged = TRUE;
    e->Condition.bInvalid = FALSE;
  } else {
    e->Condition.bChanged = DB_bSameValue(e, e->dbValue, value) ? FALSE : TRUE;
  }
  e->dbValue = value;
  e->bCreated = TRUE;
  if (pExtra != nullptr) DB_vCopyAttributes(e, pExtra);
  return TRUE;
}

static void DB_vClearEvents(DATABASE_ELEMENT* e) {
  e->Condition.bChanged = FALSE;
  e->Condition.bUpdated = FALSE;
}

static BOOLEAN H_DATABASE_bUpdateValueExcept(FOURCHARID id, const DB_DATA_TYPE& value, U32 u32Priority,
                                             const DB_ATTRIBUTES* pExtra, MBOX exceptThisOne) {
  DB_LOCK lock;
  DATABASE_LIST_NODE* p = pdbFindOrCreateEntry(id, pExtra);
  if (p == nullptr) return TRUE;
  DATABASE_ELEMENT* e = &p->Element;
  // A refused write changed nothing, so nobody hears of it.
  if (bUpdateEntryInDatabase(e, value, u32Priority, pExtra)) vNotifyRegisteredMailboxes(e, exceptThisOne);
  DB_vClearEvents(e);
  return DB_bSameValue(e, e->dbValue, value) ? FALSE : TRUE;
}

static DB_DATA_TYPE DB_U32(U32 value) {
  DB_DATA_TYPE v;
  v.vpPointer = nullptr;
  v.u32Val = value;
  return v;
}

static DB_DATA_TYPE DB_S32(S32 value) {
  DB_DATA_TYPE v;
  v.vpPointer = nullptr;
  v.s32Val = value;
  return v;
}

static DB_DATA_TYPE DB_Float(float value) {
  DB_DATA_TYPE v;
  v.vpPointer = nullptr;
  v.fVal = value;
  return v;
}

static DB_DATA_TYPE DB_Pointer(void* value) {
  DB_DATA_TYPE v;
  v.vpPointer = value;
  return v;
}

// ---------------------------------------------------------------------------
// Set-up

void H_DATABASE_vInit(void) {
  DB_LOCK lock;
  for (DATABASE_LIST_NODE*& head : s_pDataBase) {
    while (head != nullptr) {
      DATABASE_LIST_NODE* item = head;
      head = item->pNext;
      while (MAILBOX_LIST_NODE* sub = item->Element.pMboxList) {
        item->Element.pMboxList = sub->pNext;
        H_MEMORY_vFree(sub);
      }
      H_MEMORY_vFree(item);
    }
  }
}

void H_DATABASE_vSetClock(H_DATABASE_CLOCK pfClock) { s_pfClock.store(pfClock, std::memory_order_release); }

void H_DATABASE_vBeginRun(void) {
  if (t_u32RunDepth != 0) {
    t_u32RunDepth++;
    return;
  }
  L_MUTEX_LockWait(RES_DATABASE);
  t_u64RunNow = DB_u64Now();
  t_u32RunDepth = 1;
}

void H_DATABASE_vEndRun(void) {
  if (t_u32RunDepth == 0 || --t_u32RunDepth != 0) return;
  L_MUTEX_Unlock(RES_DATABASE);
}

// ---------------------------------------------------------------------------
// Writes

BOOLEAN H_DATABASE_bUpdateValue(FOURCHARID id, DB_DATA_TYPE value, U32 u32Priority) {
  DB_CHECK(id, DBT_WORD);
  return H_DATABASE_bUpdateValueExcept(id, value, u32Priority, nullptr, 0);
}

BOOLEAN H_DATABASE_bUpdateValueU32(FOURCHARID id, U32 value, U32 u32Priority) {
  DB_CHECK(id, DBT_U32);
  return H_DATABASE_bUpdateValueExcept(id, DB_U32(value), u32Priority, nullptr, 0);
}

BOOLEAN H_DATABASE_bUpdateValueS32(FOURCHARID id, S32 value, U32 u32Priority) {
  DB_CHECK(id, DBT_S32);
  return H_DATABASE_bUpdateValueExcept(id, DB_S32(value), u32Priority, nullptr, 0);
}

BOOLEAN H_DATABASE_bUpdateValueFloat(FOURCHARID id, float value, U32 u32Priority) {
  DB_CHECK(id, DBT_FLOAT);
  return H_DATABASE_bUpdateValueExcept(id, DB_Float(value), u32Priority, nullptr, 0);
}

BOOLEAN H_DATABASE_bUpdateValueVoidPointer(FOURCHARID id, void* value, U32 u32Priority) {
  DB_CHECK(id, DBT_POINTER);
  return H_DATABASE_bUpdateValueExcept(id, DB_Pointer(value), u32Priority, nullptr, 0);
}

BOOLEAN H_DATABASE_bUpdateValueBoolean(FOURCHARID id, BOOLEAN value, U32 u32Priority) {
  DB_CHECK(id, DBT_BOOL);
  return H_DATABASE_bUpdateValueExcept(id, DB_U32(value ? 1u : 0u), u32Priority, nullptr, 0);
}

BOOLEAN H_DATABASE_bUpdateValueU32Except(FOURCHARID id, U32 value, U32 u32Priority, MBOX exceptThisOne) {
  DB_CHECK(id, DBT_U32);
  return H_DATABASE_bUpdateValueExcept(id, DB_U32(value), u32Priority, nullptr, exceptThisOne);
}

BOOLEAN H_DATABASE_bUpdateEverything(FOURCHARID id, DB_DATA_TYPE value, U32 u32Priority, DATA_TYPE DataType,
                                     const char* const* ppcText, U32 u32TimeOut) {
  DB_CHECK(id, DBT_WORD);
  if (u32Priority == P_DEFAULT_SETTING) DB_CHECK_DEFAULT(id, value);
  const DB_ATTRIBUTES extra = {DataType, ppcText, u32TimeOut};
  return H_DATABASE_bUpdateValueExcept(id, value, u32Priority, &extra, 0);
}

BOOLEAN H_DATABASE_bUpdateEverythingU32(FOURCHARID id, U32 value, U32 u32Priority, DATA_TYPE DataType,
                                        const char* const* ppcText, U32 u32TimeOut) {
  DB_CHECK(id, DBT_U32);
  return H_DATABASE_bUpdateEverything(id, DB_U32(value), u32Priority, DataType, ppcText, u32TimeOut);
}

BOOLEAN H_DATABASE_bUpdateEverythingS32(FOURCHARID id, S32 value, U32 u32Priority, DATA_TYPE DataType,
                                        const char* const* ppcText, U32 u32TimeOut) {
  DB_CHECK(id, DBT_S32);
  return H_DATABASE_bUpdateEverything(id, DB_S32(value), u32Priority, DataType, ppcText, u32TimeOut);
}

BOOLEAN H_DATABASE_bUpdateEverythingFloat(FOURCHARID id, float value, U32 u32Priority, DATA_TYPE DataType,
                                          const char* const* ppcText, U32 u32TimeOut) {
  DB_CHECK(id, DBT_FLOAT);
  return H_DATABASE_bUpdateEverything(id, DB_Float(value), u32Priority, DataType, ppcText, u32TimeOut);
}

BOOLEAN H_DATABASE_bUpdateEverythingVoidPointer(FOURCHARID id, void* value, U32 u32Priority, DATA_TYPE DataType,
                                                const char* const* ppcText, U32 u32TimeOut) {
  DB_CHECK(id, DBT_POINTER);
  return H_DATABASE_bUpdateEverything(id, DB_Pointer(value), u32Priority, DataType, ppcText, u32TimeOut);
}

BOOLEAN H_DATABASE_bUpdateEverythingBoolean(FOURCHARID id, BOOLEAN value, U32 u32Priority, DATA_TYPE DataType,
                                            const char* const* ppcText, U32 u32TimeOut) {
  DB_CHECK(id, DBT_BOOL);
  return H_DATABASE_bUpdateEverything(id, DB_U32(value ? 1u : 0u), u32Priority, DataType, ppcText, u32TimeOut);
}

// ---------------------------------------------------------------------------
// Reads

BOOLEAN H_DATABASE_bFetch(FOURCHARID id, DB_DATA_TYPE* pValue, BOOLEAN* pbValid, DB_ATTRIBUTES* pExtra) {
  DB_CHECK(id, DBT_WORD);
  DB_LOCK lock;
  const DATABASE_LIST_NODE* p = pdbFindEntry(id);
  if (p == nullptr || !p->Element.bCreated) {
    if (pbValid != nullptr) *pbValid = FALSE;
    return FALSE;
  }
  if (pValue != nullptr) *pValue = p->Element.dbValue;
  if (pbValid != nullptr) *pbValid = bIsDataValid(&p->Element, DB_u64Now());
  if (pExtra != nullptr) *pExtra = p->Element.ExtraData;
  return TRUE;
}

BOOLEAN H_DATABASE_bFetchU32(FOURCHARID id, U32* pValue, BOOLEAN* pbValid, DB_ATTRIBUTES* pExtra) {
  DB_CHECK(id, DBT_U32);
  DB_DATA_TYPE v;
  if (!H_DATABASE_bFetch(id, &v, pbValid, pExtra)) return FALSE;
  if (pValue != nullptr) *pValue = v.u32Val;
  return TRUE;
}

BOOLEAN H_DATABASE_bFetchS32(FOURCHARID id, S32* pValue, BOOLEAN* pbValid, DB_ATTRIBUTES* pExtra) {
  DB_CHECK(id, DBT_S32);
  DB_DATA_TYPE v;
  if (!H_DATABASE_bFetch(id, &v, pbValid, pExtra)) return FALSE;
  if (pValue != nullptr) *pValue = v.s32Val;
  return TRUE;
}

BOOLEAN H_DATABASE_bFetchFloat(FOURCHARID id, float* pValue, BOOLEAN* pbValid, DB_ATTRIBUTES* pExtra) {
  DB_CHECK(id, DBT_FLOAT);
  DB_DATA_TYPE v;
  if (!H_DATABASE_bFetch(id, &v, pbValid, pExtra)) return FALSE;
  if (pValue != nullptr) *pValue = v.fVal;
  return TRUE;
}

BOOLEAN H_DATABASE_bFetchVoidPointer(FOURCHARID id, void** pValue, BOOLEAN* pbValid, DB_ATTRIBUTES* pExtra) {
  DB_CHECK(id, DBT_POINTER);
  DB_DATA_TYPE v;
  if (!H_DATABASE_bFetch(id, &v, pbValid, pExtra)) return FALSE;
  if (pValue != nullptr) *pValue = v.vpPointer;
  return TRUE;
}

BOOLEAN H_DATABASE_bFetchBoolean(FOURCHARID id, BOOLEAN* pValue, BOOLEAN* pbValid, DB_ATTRIBUTES* pExtra) {
  DB_CHECK(id, DBT_BOOL);
  DB_DATA_TYPE v;
  if (!H_DATABASE_bFetch(id, &v, pbValid, pExtra)) return FALSE;
  if (pValue != nullptr) *pValue = (BOOLEAN)(v.u32Val & 0xFF);
  return TRUE;
}

BOOLEAN H_DATABASE_bFetchPair(FOURCHARID idA, FOURCHARID idB, DB_DATA_TYPE* pA, DB_DATA_TYPE* pB, BOOLEAN* pbValid) {
  DB_LOCK lock;
  BOOLEAN bValidA = FALSE, bValidB = FALSE;
  const BOOLEAN bFound = H_DATABASE_bFetch(idA, pA, &bValidA, nullptr) && H_DATABASE_bFetch(idB, pB, &bValidB, nullptr);
  if (pbValid != nullptr) *pbValid = bFound && bValidA && bValidB;
  return bFound;
}

BOOLEAN H_DATABASE_bFetchNextBeginningWith(MULTI_FETCH_CONTROL_STRUCTURE* pControl) {
  if (pControl == nullptr) return FALSE;
  if (!pControl->__bNotFirst) {
    if (pControl->cMatch < 'A' || pControl->cMatch > 'Z') return FALSE;
    pControl->__pItem = nullptr;
    pControl->__index = 0;
    pControl->__bNotFirst = TRUE;
    pControl->__cMatch = pControl->cMatch;
  }
  DB_LOCK lock;
  U32 bucket = pControl->__index;
  const DATABASE_LIST_NODE* p;
  if (pControl->__pItem != nullptr) {
    p = pControl->__pItem->pNext;
  } else {
    // The first call starts with bucket 0 itself; a finished walk stays finished.
    p = bucket < DB_BUCKETS ? s_pDataBase[bucket] : nullptr;
  }
  for (;;) {
    for (; p != nullptr; p = p->pNext) {
      const DATABASE_ELEMENT* e = &p->Element;
      if (!e->bCreated || FCID_cClass(e->Id) != (char)pControl->__cMatch) continue;
      pControl->id = e->Id;
      pControl->data = e->dbValue;
      pControl->extras = e->ExtraData;
      pControl->bValid = bIsDataValid(e, DB_u64Now());
      pControl->__pItem = const_cast<DATABASE_LIST_NODE*>(p);
      pControl->__index = bucket;
      return TRUE;
    }
    if (++bucket >= DB_BUCKETS) break;
    p = s_pDataBase[bucket];
  }
  pControl->__pItem = nullptr;
  pControl->__index = DB_BUCKETS;
  return FALSE;
}

// ---------------------------------------------------------------------------
// Subscriptions and notices

// FALSE only when the heap has no node to spare.
static BOOLEAN bRegisterMailbox(DATABASE_ELEMENT* e, MBOX mbox, const DB_CONDITION_FLAGS& wanted) {
  for (MAILBOX_LIST_NODE* s = e->pMboxList; s != nullptr; s = s->pNext) {
    if (s->RegisteredMbox.Mailbox == mbox) {
      s->RegisteredMbox.Condition = wanted;
      return TRUE;
    }
  }
  MAILBOX_LIST_NODE* s = (MAILBOX_LIST_NODE*)H_MEMORY_pvMallocNoWait(sizeof(MAILBOX_LIST_NODE));
  if (s == nullptr) {
    log_me("database: no memory to subscribe mailbox %d to %s", (int)mbox, DB_KeyText(e->Id).ac);
    return FALSE;
  }
  s->RegisteredMbox.Condition = wanted;
  s->RegisteredMbox.Mailbox = mbox;
  s->pNext = e->pMboxList;
  e->pMboxList = s;
  return TRUE;
}

BOOLEAN H_DATABASE_bRegisterForDataWithConditions(FOURCHARID id, MBOX mbox, BOOLEAN bChanged, BOOLEAN bInvalid,
                                                  BOOLEAN bUpdated) {
  DB_CHECK(id, DBT_WORD);
  DB_LOCK lock;
  DATABASE_LIST_NODE* p = pdbFindOrCreateEntry(id, nullptr);
  return p != nullptr && bRegisterMailbox(&p->Element, mbox, {bChanged, bUpdated, bInvalid});
}

static void vFindAndRemoveMailboxes(DATABASE_ELEMENT* e, MBOX mbox) {
  MAILBOX_LIST_NODE** ppLink = &e->pMboxList;
  while (*ppLink != nullptr) {
    MAILBOX_LIST_NODE* s = *ppLink;
    if (s->RegisteredMbox.Mailbox == mbox) {
      *ppLink = s->pNext;
      H_MEMORY_vFree(s);
    } else {
      ppLink = &s->pNext;
    }
  }
}

// Also before the item's first write: a task that ends unsubscribes, and its
// mailbox must not receive the notices of a later first write.
void H_DATABASE_vUnregisterMailbox(FOURCHARID id, MBOX mbox) {
  DB_CHECK(id, DBT_WORD);
  DB_LOCK lock;
  DATABASE_LIST_NODE* p = pdbFindEntry(id);
  if (p != nullptr) vFindAndRemoveMailboxes(&p->Element, mbox);
}

static BOOLEAN DB_bIsSubscribed(const DATABASE_ELEMENT* e, MBOX mbox) {
  for (const MAILBOX_LIST_NODE* s = e->pMboxList; s != nullptr; s = s->pNext) {
    if (s->RegisteredMbox.Mailbox == mbox) return TRUE;
  }
  return FALSE;
}

void H_DATABASE_vSendMailboxAllRegisteredItems(MBOX mbox) {
  DB_LOCK lock;
  for (const DATABASE_LIST_NODE* head : s_pDataBase) {
    for (const DATABASE_LIST_NODE* p = head; p != nullptr; p = p->pNext) {
      if (p->Element.bCreated && DB_bIsSubscribed(&p->Element, mbox)) vSendContentsToMailbox(&p->Element, mbox);
    }
  }
}

void H_DATABASE_vSendMailboxAllItemsBeginningWith(char cMatch, MBOX mbox) {
  DB_LOCK lock;
  for (const DATABASE_LIST_NODE* head : s_pDataBase) {
    for (const DATABASE_LIST_NODE* p = head; p != nullptr; p = p->pNext) {
      if (!p->Element.bCreated) continue;
      if (cMatch == 0 || FCID_cClass(p->Element.Id) == cMatch) vSendContentsToMailbox(&p->Element, mbox);
    }
  }
}

void H_DATABASE_vSendAllInvalidData(void) {
  DB_LOCK lock;
  U64 now = DB_u64Now();
  for (DATABASE_LIST_NODE* head : s_pDataBase) {
    for (DATABASE_LIST_NODE* p = head; p != nullptr; p = p->pNext) {
      DATABASE_ELEMENT* e = &p->Element;
      if (!e->bCreated || e->Condition.bInvalid || bIsDataValid(e, now)) continue;
      // Every subscriber hears of it, whatever it asked for.
      e->Condition = {TRUE, TRUE, TRUE};
      vNotifyRegisteredMailboxes(e, 0);
      DB_vClearEvents(e);
    }
  }
}

void H_DATABASE_vRelinquishOwnership(FOURCHARID id) {
  DB_CHECK(id, DBT_WORD);
  DB_LOCK lock;
  DATABASE_LIST_NODE* p = pdbFindEntry(id);
  if (p == nullptr || !p->Element.bCreated) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Requested ID not found");
  }
  DATABASE_ELEMENT* e = &p->Element;
  e->u32Priority = P_UNOWNED;
  e->Condition = {TRUE, TRUE, TRUE};
  vNotifyRegisteredMailboxes(e, 0);
  DB_vClearEvents(e);
}

void H_DATABASE_vReadOrSetDefault(FOURCHARID id, DB_DATA_TYPE* pValue, U32 u32Priority, DB_ATTRIBUTES* pExtra) {
  DB_CHECK(id, DBT_WORD);
  if (pValue == nullptr) {
    log_me("database: default of %s without a value", DB_KeyText(id).ac);
    return;
  }
  if (u32Priority == P_DEFAULT_SETTING) DB_CHECK_DEFAULT(id, *pValue);
  DB_LOCK lock;
  DATABASE_LIST_NODE* p = pdbFindEntry(id);
  if (p != nullptr && p->Element.bCreated) {
    if (pExtra != nullptr) DB_vCopyAttributes(&p->Element, pExtra);
    *pValue = p->Element.dbValue;
    return;
  }
  p = pdbFindOrCreateEntry(id, pExtra);
  if (p == nullptr) return;
  bUpdateEntryInDatabase(&p->Element, *pValue, u32Priority, pExtra);
  DB_vClearEvents(&p->Element);
}

void H_DATABASE_vDeleteEntry(FOURCHARID id) {
  DB_CHECK(id, DBT_WORD);
  DB_LOCK lock;
  DATABASE_LIST_NODE* p = pdbFindEntry(id);
  if (p != nullptr) p->Element.bCreated = FALSE;
}

// ---------------------------------------------------------------------------
// Data types and units

static constexpr DATA_FORMAT s_aDataFormats[NUMBER_OF_DATA_TYPES] = {
    DF_UNSIGNED32,    // D_UNKNOWN
    DF_ENUMERATED,    // D_UNITS
    DF_VOID_POINTER,  // D_POINTER
    DF_FLOAT,         // D_TEMPERATURE
    DF_FLOAT,         // D_SPEED
    DF_FLOAT,         // D_DISTANCE
    DF_FLOAT,         // D_HEADING
    DF_FLOAT,         // D_DEPTH
    DF_UNSIGNED32,    // D_DATETIME
    DF_UNSIGNED32,    // D_TIME
    DF_UNSIGNED32,    // D_LONG_TIME
    DF_FLOAT,         // D_PRESSURE
    DF_FLOAT,         // D_VOLUME
    DF_FLOAT,         // D_PH
    DF_FLOAT,         // D_CONCENTRATION
    DF_FLOAT,         // D_VOLTAGE
    DF_FLOAT,         // D_CURRENT
    DF_UNSIGNED32,    // D_MAILBOX
    DF_ERROR,         // D_POSITION
    DF_FLOAT,         // D_POSITION_LAT
    DF_FLOAT,         // D_POSITION_LON
    DF_SIGNED32,      // D_POSITION_LAT_MM
    DF_SIGNED32,      // D_POSITION_LON_MM
    DF_UNSIGNED32,    // D_FCID
    DF_SIGNED32,      // D_PERCENT
    DF_UNSIGNED32,    // D_SAT_DATA
    DF_ERROR,         // D_WAYPOINT
    DF_FLOAT,         // D_ALTITUDE
    DF_FLOAT,         // D_FLOAT
    DF_SIGNED32,      // D_SIGNED32
    DF_UNSIGNED32,    // D_UNSIGNED32
    DF_ERROR,         // D_FIXED_POINT
    DF_SIGNED32,      // D_ELEVATION_ANGLE
    DF_FLOAT,         // D_TEMPERATURE_OFFSET
    DF_UNSIGNED32,    // D_FREQUENCY
    DF_FLOAT,         // D_FREQUENCY_MHZ
    DF_FLOAT,         // D_FUEL_RATE
    DF_FLOAT,         // D_FUEL_ECON
};

DATA_FORMAT H_DATABASE_DataType(DATA_TYPE DataType) {
  DATA_FORMAT format = (U32)DataType < NUMBER_OF_DATA_TYPES ? s_aDataFormats[DataType] : DF_ERROR;
  if (format == DF_ERROR) log_me("database: data type %u has no storage form", (unsigned)DataType);
  return format;
}

// The setting that holds the user's unit choice, per data type (0: none).
static constexpr FOURCHARID s_aUnitSettings[NUMBER_OF_DATA_TYPES] = {
    0, 0, 0,
    FCID("SUTE"),  // D_TEMPERATURE
    FCID("SUSP"),  // D_SPEED
    FCID("SUDS"),  // D_DISTANCE
    FCID("SUHD"),  // D_HEADING
    FCID("SUDP"),  // D_DEPTH
    0, 0, 0,
    FCID("SUPR"),  // D_PRESSURE
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    FCID("SUAT"),  // D_ALTITUDE
    0, 0, 0, 0, 0,
    FCID("SUTE"),  // D_TEMPERATURE_OFFSET
    0, 0, 0, 0,
};

UNIT_TYPE H_DATABASE_CurrentUnits(DATA_TYPE DataType) {
  if ((U32)DataType >= NUMBER_OF_DATA_TYPES || s_aUnitSettings[DataType] == 0) return U_NONE;
  U32 units;
  if (!H_DATABASE_bFetchU32(s_aUnitSettings[DataType], &units, nullptr, nullptr)) return U_NONE;
  // Every caller indexes unit tables with the result.
  if (units >= NUMBER_OF_UNIT_TYPES) {
    log_me("database: %s holds unknown units %u", DB_KeyText(s_aUnitSettings[DataType]).ac, (unsigned)units);
    return U_NONE;
  }
  return (UNIT_TYPE)units;
}

// Unit texts; null for units shown without one.
static const char* const* const s_appcUnitTexts[NUMBER_OF_UNIT_TYPES] = {
    nullptr,         // U_NONE
    nullptr,         // U_MPS
    sm,              // U_STAT_MILES
    nullptr,         // U_NAUT_MILES
    km,              // U_KM
    kts_LC,          // U_KNOTS
    mph_LC,          // U_MPH
    kph_LC,          // U_KPH
    nullptr,         // U_LATLON
    nullptr,         // U_INCH
    m,               // U_METRES
    ft,              // U_FEET
    fthm,            // U_FATHOMS
    seconds,         // U_SECONDS
    min_LC,          // U_MINUTES
    InHg,            // U_INCHESHG
    mmHg,            // U_MMHG
    mb,              // U_MILLIBAR
    hPa,             // U_HECTOPASCALS
    Volume_Gallons,  // U_USGALLONS
    UK_Gallons,      // U_UKGALLONS
    Volume_Liters,   // U_LITRES
    nullptr,         // U_M3
    nullptr,         // U_PPMO2
    nullptr,         // U_MOLPERM3
    V,               // U_VOLTS
    nullptr,         // U_AMPERES
    nullptr,         // U_MILLIAMPERES
    Degrees_C,       // U_CELSIUS
    Degrees_F,       // U_FAHRENHEIT
    Degrees_T,       // U_DEG_TRUE
    Degrees_M,       // U_DEG_MAGNETIC
    nm,              // U_NAUT_MILES_FT
    nm,              // U_NAUT_MILES_M
    Degrees,         // U_DEG_GEOMETRIC
    PSI,             // U_PSI
    Mid_kpa,         // U_KPA
    gal_h,           // U_USGAL_PER_HR
    UK_gal_h,        // U_UKGAL_PER_HR
    L_h,             // U_LITERS_PER_HR
    mpg,             // U_US_MPG
    UK_mpg,          // U_UK_MPG
    km_L,            // U_KM_PER_LITER
};

// Empty in both text forms: a zero byte, and a zero unit.
static const char s_acEmptyText[2] = {0, 0};

const char* H_DATABASE_pcUnitsString(UNIT_TYPE Units, U32 u32Language) {
  if ((U32)Units >= NUMBER_OF_UNIT_TYPES) {
    log_me("database: no text for unknown units %u", (unsigned)Units);
    return s_acEmptyText;
  }
  const char* const* ppcText = s_appcUnitTexts[Units];
  if (ppcText == nullptr) return s_acEmptyText;
  if (u32Language >= UI_TEXT_LANGUAGES) {
    log_me("database: unit text in unknown language %u", (unsigned)u32Language);
    u32Language = 0;
  }
  return ppcText[u32Language];
}

void H_DATABASE_vCheckForValidUnits(FOURCHARID id, const U32* pValidUnits, U8 count, UNIT_TYPE DefaultUnits) {
  // Only home-market models restrict their units; the model is read here
  // rather than through the current-model tests, which sit above the database.
  U32 model = MODEL_DEFAULT;
  if (!H_DATABASE_bFetchU32(FCID("SMDL"), &model, nullptr, nullptr)) model = MODEL_DEFAULT;
  if (!MODEL_bDomesticModelNumber((MODEL_TYPE)model)) return;
  U32 stored;
  if (pValidUnits != nullptr && H_DATABASE_bFetchU32(id, &stored, nullptr, nullptr)) {
    for (U8 i = 0; i < count; i++) {
      if (pValidUnits[i] == stored) return;
    }
  }
  H_DATABASE_bUpdateValueU32(id, DefaultUnits, P_NORMAL);
}
