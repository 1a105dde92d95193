// The PC-connect task. A '#' at the start of a line on channel 2 hands the
// channel to this task and puts the unit into connect mode; every request is
// then one letter after '#', with a data text for some, ended by CR or LF.
// Writes from the PC are held to the keys a service PC may change, and a line
// too long for the buffer is dropped whole, so nothing inside it can run.

#include "t_pcc.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "color.h"
#include "error.h"
#include "g_box.h"
#include "h_backlight.h"
#include "h_database.h"
#include "h_dbtable.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "t_keyboard.h"
#include "t_mmc.h"
#include "t_nav_data.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "t_nvram.h"
#include "t_startup.h"
#include "u_dialog.h"
#include "u_hex.h"
#include "u_keyboard.h"
#include "u_language.h"
#include "u_shutdown.h"
#include "u_uart.h"
#include "u_view.h"
#include "u_wstring.h"
#include "u_xmodem.h"
#include "ui_texts.h"
#include "version.h"

typedef BOOLEAN PC_FUNCTION(U8* pu8Data);

typedef struct tag_PC_COMMAND {
  PC_FUNCTION* pfnHandler;
  U8 u8Letter;
  U8 u8HasData;
} PC_COMMAND;

typedef struct tag_FOURCHARID_XREF {
  FOURCHARID id;
  const char* pName;
  BOOLEAN bFound;
} FOURCHARID_XREF;

typedef enum tag_WHAT_2_KILL { KILL_NVR = 1, KILL_NAV = 2, KILL_ALL = 3 } WHAT_2_KILL;

constexpr U8 PCC_CHANNEL = 2;
constexpr U32 PCC_DATA_MAX = PCC_DATA_SIZE - 1;
constexpr U32 PCC_KEY_MASK = 0xFFFE;  // every key but POWER
constexpr TICKS PCC_REQUEST_TICKS = 2000;
constexpr U32 PCC_FAST_BAUD = 115200;
constexpr U32 PCC_NORMAL_BAUD = 38400;
constexpr U32 PCC_NAV_NVRAM_VERSION = 2;
constexpr U32 PCC_ITEM_CHARS = 14;
constexpr PRIORITY PCC_MAIL_PRIORITY = 3;
constexpr U32 PCC_PERSONAL_TEXT_MAX = 252;

static const char s_acAck[] = "#ACK\n\r";
static const char s_acNak[] = "#NAK\n\r";
static const char s_acEnd[] = "\r\n";

// ---------------------------------------------------------------------------
// State

static RX_STATE s_eRxState = RX_WAIT_PREFIX;
static U32 s_u32Command;
static U8 s_au8Data[PCC_DATA_SIZE];
static U32 s_u32DataLength;
static BOOLEAN s_bStay = TRUE;

static U32 s_u32PreviousSystemState;
static BOOLEAN s_bFirstOn = TRUE;
static BOOLEAN s_bShowWarningWindow;
static PCC_UPDATE s_eUpdateState = PCC_UPDATE_NONE;
static U32 s_u32NewVersion;
static int s_nLightIndex = DISPLAY_BACKLIGHT_LOW;
static int s_nBacklight = DISPLAY_BACKLIGHT_LOW;
static BOOLEAN s_bConnected;
// Records of the last import that the store did not take, shown until the
// next transfer or the end of connect mode.
static U32 s_u32NotTaken;

static FOURCHARID_XREF xref[30] = {
    {FCID("XX01"), "01", FALSE}, {FCID("XX02"), "02", FALSE}, {FCID("XX03"), "03", FALSE}, {FCID("XX04"), "04", FALSE},
    {FCID("XX05"), "05", FALSE}, {FCID("XX06"), "06", FALSE}, {FCID("XX07"), "07", FALSE}, {FCID("XX08"), "08", FALSE},
    {FCID("XX09"), "09", FALSE}, {FCID("XX10"), "10", FALSE}, {FCID("XX11"), "11", FALSE}, {FCID("XX12"), "12", FALSE},
    {FCID("XX13"), "13", FALSE}, {FCID("XX14"), "14", FALSE}, {FCID("XX15"), "15", FALSE}, {FCID("XX16"), "16", FALSE},
    {FCID("XX17"), "17", FALSE}, {FCID("XX18"), "18", FALSE}, {FCID("XX19"), "19", FALSE}, {FCID("XX20"), "20", FALSE},
    {FCID("XX21"), "21", FALSE}, {FCID("XX22"), "22", FALSE}, {FCID("XX23"), "23", FALSE}, {FCID("XX24"), "24", FALSE},
    {FCID("XX25"), "25", FALSE}, {FCID("XX26"), "26", FALSE}, {FCID("XX27"), "27", FALSE}, {FCID("XX28"), "28", FALSE},
    {FCID("XX29"), "29", FALSE}, {FCID("XX30"), "30", FALSE},
};

static void PCC_vChannelReply(const U8* pu8Bytes, U32 u32Count) {
  U_UART_bTransmitData(PCC_CHANNEL, pu8Bytes, (int)u32Count);
}
static PCC_REPLY_FUNCTION* s_pfnReply = PCC_vChannelReply;

void T_PCC_vSetReplySink(PCC_REPLY_FUNCTION* pfnReply) {
  s_pfnReply = pfnReply != nullptr ? pfnReply : PCC_vChannelReply;
}

static void PCC_vSend(const char* pcText) { s_pfnReply((const U8*)pcText, (U32)strlen(pcText)); }

// "#", the body and the line end. Appended in place: GCC 12 at -O3 takes
// a text + string for an overlapping copy.
static void PCC_vSendLine(std::string_view body) {
  std::string text = "#";
  text.append(body).append(s_acEnd);
  PCC_vSend(text.c_str());
}
static void PCC_vAck(void) { PCC_vSend(s_acAck); }
static void PCC_vNak(void) { PCC_vSend(s_acNak); }

// ---------------------------------------------------------------------------
// Value items

// "KEY0x0000001E": the key's characters up to a zero byte, then the value.
static std::string PCC_sValueItem(FOURCHARID id, U32 u32Value) {
  std::string item;
  for (int i = 0; i < 4 && ((id >> (8 * i)) & 0xFF) != 0; i++) item += (char)((id >> (8 * i)) & 0xFF);
  const U8 bigEndian[4] = {(U8)(u32Value >> 24), (U8)(u32Value >> 16), (U8)(u32Value >> 8), (U8)u32Value};
  U8 hex[8];
  U_HEX_v2ASCII(bigEndian, hex, 4);
  return item + "0x" + std::string((const char*)hex, 8);
}

// Sends '#' and the items joined by ',' then CR LF, or NAK when there is none.
static void PCC_vSendListing(const std::string& sItems, BOOLEAN bAny) {
  if (!bAny) {
    PCC_vNak();
    return;
  }
  PCC_vSendLine(sItems);
}

static void PCC_vAppend(std::string* psList, const std::string& sItem, BOOLEAN* pbAny) {
  if (*pbAny) *psList += ",";
  *psList += sItem;
  *pbAny = TRUE;
}

static void PCC_vListItems(BYTE cLetter, BOOLEAN bNonZeroLowByteOnly) {
  MULTI_FETCH_CONTROL_STRUCTURE control = {};
  control.cMatch = cLetter;
  std::string list;
  BOOLEAN bAny = FALSE;
  while (H_DATABASE_bFetchNextBeginningWith(&control)) {
    if (bNonZeroLowByteOnly && (control.data.u32Val & 0xFF) == 0) continue;
    PCC_vAppend(&list, PCC_sValueItem(control.id, control.data.u32Val), &bAny);
  }
  PCC_vSendListing(list, bAny);
}

static FOURCHARID PCC_fcidKey(const U8* pu8Text) {
  return (FOURCHARID)pu8Text[0] | (FOURCHARID)pu8Text[1] << 8 | (FOURCHARID)pu8Text[2] << 16 |
         (FOURCHARID)pu8Text[3] << 24;
}

// One key's value item, or NAK when it holds none.
static void PCC_vSendOneItem(const U8* pu8Data) {
  DB_DATA_TYPE value = {};
  const FOURCHARID id = PCC_fcidKey(pu8Data);
  if (H_DBTABLE_pRow(id) == nullptr || !H_DATABASE_bFetch(id, &value, nullptr, nullptr)) {
    PCC_vNak();
    return;
  }
  PCC_vSendLine(PCC_sValueItem(id, value.u32Val));
}

// Items "KEYxxHHHHHHHH" with an optional ',' between them, each written and
// acknowledged in turn. Only existing keys of the class letter are written,
// only with eight hexadecimal digits, and only with a value the key table
// allows; the first item that fails is refused and ends the request.
static void PCC_vWriteItems(const U8* pu8Data, BYTE cClass) {
  for (U32 p = 0; pu8Data[p] != 0;) {
    const U8* pItem = pu8Data + p;
    if (strnlen((const char*)pItem, PCC_ITEM_CHARS) < PCC_ITEM_CHARS) {
      PCC_vNak();
      break;
    }
    const FOURCHARID id = PCC_fcidKey(pItem);
    U8 bytes[4];
    if (pItem[0] != cClass || !U_HEX_b2Hex(pItem + 6, bytes, 4)) {
      PCC_vNak();
      break;
    }
    DB_DATA_TYPE value = {};
    value.u32Val = (U32)bytes[0] << 24 | (U32)bytes[1] << 16 | (U32)bytes[2] << 8 | bytes[3];
    const DB_CHECK eCheck = H_DBTABLE_eCheck(id, value.u32Val);
    if (eCheck != DBC_TAKEN || !H_DATABASE_bFetch(id, nullptr, nullptr, nullptr)) {
      log_me("[%d]%s: %.4s = 0x%08X refused: %s", __LINE__, __func__, (const char*)&id, (unsigned)value.u32Val,
             eCheck != DBC_TAKEN ? H_DBTABLE_pcCheckText(eCheck) : "the unit holds no such item");
      PCC_vNak();
      break;
    }
    H_DATABASE_bUpdateValue(id, value, P_NORMAL);
    PCC_vAck();
    p += PCC_ITEM_CHARS;
    if (pu8Data[p] == ',') p++;
  }
  L_SEMA_Signal(SEMA_NVRAM_UPDATE);
}

// ---------------------------------------------------------------------------
// Requests to other tasks

static MBOX PCC_mboxOf(FOURCHARID id) {
  U32 u32Mbox = 0;
  BOOLEAN bValid = FALSE;
  if (!H_DATABASE_bFetchU32(id, &u32Mbox, &bValid, nullptr) || !bValid) return 0;
  return (MBOX)u32Mbox;
}

// Mails the message and waits, bounded, for its acknowledgement. A message
// still unanswered stays with its receiver and is not freed here.
static BOOLEAN PCC_bRequest(MBOX mbox, GENERIC_MESSAGE* pMsg) {
  if (L_MBOX_SendWaitTicks(mbox, pMsg, PCC_MAIL_PRIORITY, SEMA_PC_CONNECT, PCC_REQUEST_TICKS) == 0 ||
      L_MBOX_bIsAcknowledged(pMsg)) {
    return TRUE;
  }
  log_me("[%d]%s: command %d to mailbox %d not answered", __LINE__, __func__, (int)pMsg->Cmd, (int)mbox);
  return FALSE;
}

static void PCC_vSetBaudRate(U32 u32Baud) {
  const MBOX mbox = PCC_mboxOf(FCID("TURT"));
  if (mbox == 0) return;
  MSG_CHANGE_BAUD_RATE* pMsg = (MSG_CHANGE_BAUD_RATE*)H_MEMORY_pvCalloc(1, sizeof *pMsg);
  pMsg->Header.Cmd = CMD_ID_CHANGE_BAUD_RATE;
  pMsg->baud_rate = u32Baud;
  pMsg->uart = PCC_CHANNEL;
  if (PCC_bRequest(mbox, &pMsg->Header)) H_MEMORY_vFree(pMsg);
  L_CLOCK_Sleep(2);
}

// ---------------------------------------------------------------------------
// Navigation store by XMODEM

// The export starts only once the PC has asked for data, so the store is not
// held while the PC makes up its mind.
typedef struct tag_PCC_EXPORT {
  U32 (*pfnSegment)(U8* pu8Buffer, void* pParam);
  BOOLEAN bStarted;
} PCC_EXPORT;

static U32 PCC_u32ExportBlock(U8* pu8Buffer, void* pParam) {
  PCC_EXPORT* pExport = (PCC_EXPORT*)pParam;
  if (!pExport->bStarted) {
    T_NAV_DATA_vFillBufferInit();
    pExport->bStarted = TRUE;
  }
  return pExport->pfnSegment(pu8Buffer, nullptr);
}

// A byte of the PC's next request that the transfer read; the receiver
// takes it before anything still queued.
static BOOLEAN s_bHeldByte;
static U8 s_u8HeldByte;

static void PCC_vExport(U32 (*pfnSegment)(U8*, void*)) {
  s_u32NotTaken = 0;
  PCC_vAck();
  PCC_EXPORT sExport = {pfnSegment, FALSE};
  U8 buffer[XMODEM_BLOCK_SIZE];
  U_XMODEM_bTransmit(PCC_CHANNEL, buffer, XMODEM_BLOCK_SIZE, PCC_u32ExportBlock, &sExport);
  T_NAV_DATA_vFillBufferEnd();
  s_bHeldByte = U_XMODEM_bTakeStrayByte(&s_u8HeldByte);
}

static void PCC_vImportBlock(U32 u32Count, U8* pu8Buffer, void* pParam) {
  if (u32Count != 0) T_NAV_DATA_vSaveBufferSegment(u32Count, pu8Buffer, pParam);
}

// ---------------------------------------------------------------------------
// Command handlers

static BOOLEAN T_PCC_bSendAccessories(U8*) {
  for (FOURCHARID_XREF& row : xref) row.bFound = FALSE;
  MULTI_FETCH_CONTROL_STRUCTURE control = {};
  control.cMatch = 'X';
  while (H_DATABASE_bFetchNextBeginningWith(&control)) {
    for (FOURCHARID_XREF& row : xref) row.bFound |= row.id == control.id;
  }
  std::string list;
  BOOLEAN bAny = FALSE;
  for (const FOURCHARID_XREF& row : xref) {
    if (row.bFound) PCC_vAppend(&list, row.pName, &bAny);
  }
  PCC_vSendListing(list, bAny);
  return TRUE;
}

static BOOLEAN T_PCC_bFetchNavNVRAMVer(U8*) {
  PCC_vSendLine(std::to_string(PCC_NAV_NVRAM_VERSION));
  return TRUE;
}

static BOOLEAN T_PCC_bReadFeatures(U8*) {
  PCC_vListItems('F', FALSE);
  return TRUE;
}

static BOOLEAN T_PCC_bGetGPSData(U8*) {
  PCC_vNak();
  s_bShowWarningWindow = TRUE;
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  return TRUE;
}

static BOOLEAN T_PCC_bGetNavDataSpace(U8*) {
  U32 u32Routes = 0, u32Tracks = 0;
  U16 au16Indexes[NAV_MAX_ROUTES > NAV_MAX_TRACKS ? NAV_MAX_ROUTES : NAV_MAX_TRACKS];
  T_NAV_vGetRoutes(&u32Routes, au16Indexes);
  T_NAV_vGetTracks(&u32Tracks, au16Indexes);
  char text[96];
  snprintf(text, sizeof text, "#W:%d/%d,G:%d/%d,R:%u/%d,T:%u/%d\r\n", T_NAV_TWR_nGetWaypointCount(),
           (int)NAV_MAX_WAYPOINTS, T_NAV_TWR_nGetGroupVisibleCount(), T_NAV_TWR_nGetGroupTotalCount(), u32Routes,
           (int)NAV_MAX_ROUTES, u32Tracks, (int)NAV_MAX_TRACKS);
  PCC_vSend(text);
  return TRUE;
}

static BOOLEAN T_PCC_bSendModel(U8*) {
  U32 u32Model = 0;
  if (!H_DATABASE_bFetchU32(FCID("SMDL"), &u32Model, nullptr, nullptr)) {
    PCC_vNak();
    return TRUE;
  }
  char text[16];
  snprintf(text, sizeof text, "#%08X\r\n", u32Model);
  PCC_vSend(text);
  return TRUE;
}

// The owner text: written when given, read back when empty.
static BOOLEAN T_PCC_bPersonalize(U8* pu8Data) {
  const MBOX mbox = PCC_mboxOf(FCID("TNVR"));
  if (mbox == 0) {
    PCC_vNak();
    return TRUE;
  }
  const BOOLEAN bWrite = pu8Data[0] != 0;
  MSG_WRITE_PERSONALIZED* pMsg = (MSG_WRITE_PERSONALIZED*)H_MEMORY_pvCalloc(1, sizeof *pMsg);
  pMsg->Header.Cmd = bWrite ? CMD_ID_WRITE_PERSONALIZED : CMD_ID_READ_PERSONALIZED;
  // The NVR task may answer after the wait has ended: it then still has a
  // block of its own to use.
  static PERSONALIZATION_DATA_BLOCK s_sPerson;
  memset(&s_sPerson, 0, sizeof s_sPerson);
  if (bWrite) memcpy(&s_sPerson, pu8Data, strnlen((const char*)pu8Data, sizeof s_sPerson));
  pMsg->pPersonData = &s_sPerson;
  if (!PCC_bRequest(mbox, &pMsg->Header)) {
    PCC_vNak();
    return TRUE;
  }
  const BOOLEAN bSuccess = pMsg->bSuccess;
  H_MEMORY_vFree(pMsg);
  if (!bSuccess) {
    PCC_vNak();
  } else if (bWrite) {
    PCC_vAck();
  } else {
    const char* pcText = (const char*)&s_sPerson;
    PCC_vSendLine(std::string_view(pcText, strnlen(pcText, PCC_PERSONAL_TEXT_MAX)));
  }
  return TRUE;
}

static BOOLEAN T_PCC_bQuit(U8*) {
  PCC_vAck();
  return FALSE;
}

static BOOLEAN T_PCC_bSendSItems(U8* pu8Data) {
  if (pu8Data[0] == 0) {
    PCC_vListItems('S', FALSE);
  } else {
    PCC_vSendOneItem(pu8Data);
  }
  return TRUE;
}

static BOOLEAN T_PCC_bSendSerialNum(U8*) {
  static const char* const s_apcKeys[] = {"SEDB", "SEDU", "SEIB", "SEIU", "SENB", "SENU", "SETB", "SMDL", "SIMT"};
  std::string list;
  BOOLEAN bAny = FALSE;
  for (const char* pcKey : s_apcKeys) {
    U32 u32Value = 0;
    const FOURCHARID id = PCC_fcidKey((const U8*)pcKey);
    if (H_DATABASE_bFetchU32(id, &u32Value, nullptr, nullptr)) PCC_vAppend(&list, PCC_sValueItem(id, u32Value), &bAny);
  }
  // The '#' goes first even when nothing follows but the refusal.
  std::string text = "#";
  text.append(bAny ? list + s_acEnd : std::string(s_acNak));
  PCC_vSend(text.c_str());
  return TRUE;
}

static BOOLEAN T_PCC_bSendTest(U8*) {
  PCC_vSend("#1234567890\r\n");
  return TRUE;
}

// Each field of the version record up to its first zero byte.
static BOOLEAN T_PCC_bSendVersion(U8*) {
  const VERSION_INFO* pInfo = VERSION_pversion_infoGetCurrentVersion();
  // Appended in place: GCC 12 at -O3 takes a text + string for an
  // overlapping copy.
  std::string text;
  auto field = [&text](const char* pcLabel, const char* pcField, size_t size) {
    text.append(pcLabel).append(pcField, strnlen(pcField, size));
  };
  field("#Ver.", pInfo->version, sizeof pInfo->version);
  field(";Dat.", pInfo->date, sizeof pInfo->date);
  field(";Rev.", pInfo->rev, sizeof pInfo->rev);
  field(";Spd.", pInfo->speed, sizeof pInfo->speed);
  text.append(s_acEnd);
  PCC_vSend(text.c_str());
  return TRUE;
}

// A service port: the wipe asks for no confirmation.
static BOOLEAN T_PCC_bWipeFlash(U8* pu8Data) {
  static const char* const s_apcTargets[] = {"NVR", "NAV", "ALL"};
  int nKill = 0;
  for (int i = 0; i < 3; i++) {
    if (strcmp((const char*)pu8Data, s_apcTargets[i]) == 0) nKill = i + 1;
  }
  if (nKill == 0) return TRUE;
  static const FOURCHARID s_aSpared[] = {FCID("TPCC"), FCID("TVUE"), FCID("TDSP"), 0};
  U_SHUTDOWN_vShutdown(s_aSpared);
  if (nKill == KILL_NVR || nKill == KILL_ALL) H_NVRAM_bScratchNVR(NVRAM_SCRATCH_CODE1, NVRAM_SCRATCH_CODE2);
  if (nKill == KILL_NAV || nKill == KILL_ALL) {
    T_NAV_NVRAM_vErase();
    T_NAV_NVRAM_vInit();
  }
  U_RESET_vReset();
}

static BOOLEAN T_PCC_bSetFastBaudRate(U8*) {
  PCC_vSetBaudRate(PCC_FAST_BAUD);
  PCC_vAck();
  return TRUE;
}

static BOOLEAN T_PCC_bFetchNavVersions(U8*) {
  PCC_vSend("#3,3,3\r\n");
  return TRUE;
}

static BOOLEAN T_PCC_bWriteFeatures(U8* pu8Data) {
  if (pu8Data[0] == 0) {
    PCC_vListItems('F', TRUE);
  } else {
    PCC_vWriteItems(pu8Data, 'F');
  }
  return TRUE;
}

static BOOLEAN T_PCC_bSendGPSData(U8*) {
  PCC_vExport(T_NAV_DATA_u32FillNoGroupBufferSegment);
  return TRUE;
}

static BOOLEAN T_PCC_bSetNormalBaudRate(U8*) {
  PCC_vAck();
  L_CLOCK_Sleep(100);
  PCC_vSetBaudRate(PCC_NORMAL_BAUD);
  return TRUE;
}

static BOOLEAN T_PCC_bWriteSettings(U8* pu8Data) {
  const size_t length = strlen((const char*)pu8Data);
  if (length == 0) {
    PCC_vListItems('S', FALSE);
  } else if (length == 4) {
    PCC_vSendOneItem(pu8Data);
  } else {
    PCC_vWriteItems(pu8Data, 'S');
  }
  return TRUE;
}

// A PC program that ends on the transfer's last ACK takes whatever came
// with it: the count of records not taken follows the ACK by this much at
// least, so that it finds the line after the program is gone.
constexpr U64 PCC_REPORT_PAUSE_MS = 500;

// The store is replaced only by a complete transfer.
static BOOLEAN T_PCC_bGetExGPSData(U8*) {
  PCC_vAck();
  T_NAV_DATA_vSaveBufferInit();
  U8 buffer[XMODEM_BLOCK_SIZE];
  S32 s32Size = XMODEM_BLOCK_SIZE;
  const BOOLEAN bComplete = U_XMODEM_bReceive(PCC_CHANNEL, buffer, &s32Size, PCC_vImportBlock, nullptr);
  const U64 u64Ended = L_CLOCK_qwGetTimeInMillis();
  const BOOLEAN bTaken = T_NAV_DATA_bSaveBufferEnd(bComplete);
  if (!bTaken) {
    log_me("[%d]%s: navigation import %s; the store is as it was", __LINE__, __func__,
           bComplete ? "refused" : "broken off");
  }
  // The PC and the user learn that the store holds less than was sent; a
  // whole stream refused holds none of it.
  s_u32NotTaken = bComplete ? T_NAV_DATA_u32RecordsNotTaken() : 0;
  if (s_u32NotTaken > 0) {
    const U64 u64Since = L_CLOCK_qwGetTimeInMillis() - u64Ended;
    if (u64Since < PCC_REPORT_PAUSE_MS) L_CLOCK_Sleep((U32)(PCC_REPORT_PAUSE_MS - u64Since));
    PCC_vSendLine("Not taken:" + std::to_string(s_u32NotTaken));
  }
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  return TRUE;
}

static BOOLEAN T_PCC_bSendExGPSData(U8*) {
  PCC_vExport(T_NAV_DATA_u32FillBufferSegment);
  return TRUE;
}

static BOOLEAN T_PCC_bStartReFlash(U8* pu8Data);

static const PC_COMMAND s_tLookupCommand[] = {
    {T_PCC_bSendAccessories, 'A', 0},  {T_PCC_bStartReFlash, 'B', 0},     {T_PCC_bFetchNavNVRAMVer, 'C', 0},
    {T_PCC_bReadFeatures, 'F', 0},     {T_PCC_bGetGPSData, 'G', 0},       {T_PCC_bGetNavDataSpace, 'I', 0},
    {T_PCC_bSendModel, 'M', 0},        {T_PCC_bPersonalize, 'P', 1},      {T_PCC_bQuit, 'Q', 0},
    {T_PCC_bSendSItems, 'R', 1},       {T_PCC_bSendSerialNum, 'S', 0},    {T_PCC_bSendTest, 'T', 0},
    {T_PCC_bSendVersion, 'V', 0},      {T_PCC_bWipeFlash, 'W', 1},        {T_PCC_bSetFastBaudRate, 'b', 0},
    {T_PCC_bFetchNavVersions, 'c', 0}, {T_PCC_bStartReFlash, 'd', 0},     {T_PCC_bWriteFeatures, 'f', 1},
    {T_PCC_bSendGPSData, 'g', 1},      {T_PCC_bSetNormalBaudRate, 'n', 0}, {T_PCC_bWriteSettings, 's', 1},
    {T_PCC_bGetExGPSData, 'E', 0},     {T_PCC_bSendExGPSData, 'e', 1},
};
constexpr U32 PCC_COMMANDS = sizeof s_tLookupCommand / sizeof s_tLookupCommand[0];
static_assert(PCC_COMMANDS == 23);

// ---------------------------------------------------------------------------
// Software update

const char* T_PCC_pcUpdateDirectory(void) {
  static std::string s_sDir;
  s_sDir = std::string(L_UTILS_cpGetPathnamePtr()) + "/update";
  return s_sDir.c_str();
}

// The private directory: made for this user alone, never a link.
static BOOLEAN PCC_bPrepareUpdateDirectory(const std::string& sDir) {
  if (mkdir(sDir.c_str(), 0700) != 0 && errno != EEXIST) return FALSE;
  struct stat st;
  if (lstat(sDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return FALSE;
  return (st.st_mode & 077) == 0 || chmod(sDir.c_str(), 0700) == 0;
}

// A new file of its own, never one planted under the name.
static FILE* PCC_pfCreate(const std::string& sPath, const char* pcMode) {
  unlink(sPath.c_str());
  const int fd = open(sPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  FILE* pFile = fdopen(fd, pcMode);
  if (pFile == nullptr) close(fd);
  return pFile;
}

void T_PCC_vSaveXmodemBlock(U32 u32Count, U8* pu8Buffer, void* pParam) {
  FILE* pFile = (FILE*)pParam;
  if (u32Count != 0) {
    fwrite(pu8Buffer, 1, u32Count, pFile);
    return;
  }
  if (fflush(pFile) != 0 || fseek(pFile, 0, SEEK_END) != 0) return;
  const long size = ftell(pFile);
  if (size < (long)XMODEM_BLOCK_SIZE) return;
  U8 tail[XMODEM_BLOCK_SIZE];
  if (fseek(pFile, size - (long)XMODEM_BLOCK_SIZE, SEEK_SET) != 0 || fread(tail, 1, sizeof tail, pFile) != sizeof tail) {
    return;
  }
  const U8 pad = tail[XMODEM_BLOCK_SIZE - 1];
  if (pad != XMODEM_PAD && pad != 0xFF) return;
  U32 u32Cut = 0;
  while (u32Cut < XMODEM_BLOCK_SIZE && tail[XMODEM_BLOCK_SIZE - 1 - u32Cut] == pad) u32Cut++;
  fflush(pFile);
  if (ftruncate(fileno(pFile), size - (long)u32Cut) != 0) {
    log_me("[%d]%s: the image's padding stays: %s", __LINE__, __func__, strerror(errno));
  }
}

// The trailer of an image of at least 1,024 bytes, terminated.
static BOOLEAN PCC_bReadTrailer(const std::string& sImage, char* pcTrailer) {
  FILE* pFile = fopen(sImage.c_str(), "rb");
  if (pFile == nullptr) return FALSE;
  BOOLEAN bRead = fseek(pFile, 0, SEEK_END) == 0 && ftell(pFile) >= (long)XMODEM_BLOCK_SIZE &&
                  fseek(pFile, -(long)T_MMC_TRAILER_SIZE, SEEK_END) == 0 &&
                  fread(pcTrailer, 1, T_MMC_TRAILER_SIZE, pFile) == T_MMC_TRAILER_SIZE;
  fclose(pFile);
  pcTrailer[T_MMC_TRAILER_SIZE] = 0;
  return bRead;
}

static U32 PCC_u32RunningVersion(void) {
  char text[sizeof(VERSION_INFO::version)];
  U_WSTRING_vUnicode2Ascii(text, VERSION_pversion_infoGetCurrentVersion()->version, sizeof text, FALSE);
  return T_MMC_u32VersionNumber(text);
}

// The image's name for the installer, complete or not at all.
static BOOLEAN PCC_bWriteHandOver(const std::string& sDir, const std::string& sImage) {
  const std::string sFinal = sDir + "/up_fname.txt", sNew = sFinal + ".new";
  FILE* pFile = PCC_pfCreate(sNew, "w");
  if (pFile == nullptr) {
    perror("fopen failed:");
    return FALSE;
  }
  BOOLEAN bDone = TRUE;
  if (fprintf(pFile, "%s", sImage.c_str()) != (int)sImage.size()) {
    perror("fprintf failed:");
    bDone = FALSE;
  }
  if (fflush(pFile) != 0 || fsync(fileno(pFile)) != 0) {
    perror("fflush failed:");
    bDone = FALSE;
  }
  if (fclose(pFile) != 0) {
    perror("fclose failed:");
    bDone = FALSE;
  }
  if (bDone && rename(sNew.c_str(), sFinal.c_str()) != 0) bDone = FALSE;
  if (!bDone) unlink(sNew.c_str());
  return bDone;
}

// Receives an image; one that fits this unit and differs from the running
// version ends the process with status 30 for the installer. Any failure
// ends the update without a reply and with the settings untouched.
static BOOLEAN T_PCC_bStartReFlash(U8* pu8Data) {
  if (pu8Data != nullptr) return TRUE;
  const std::string sDir = T_PCC_pcUpdateDirectory(), sImage = sDir + "/velmora_update.bin";
  FILE* pFile = PCC_bPrepareUpdateDirectory(sDir) ? PCC_pfCreate(sImage, "w+b") : nullptr;
  if (pFile == nullptr) {
    log_me("[%d]%s: no image file in %s", __LINE__, __func__, sDir.c_str());
    return TRUE;
  }
  PCC_vSetBaudRate(PCC_FAST_BAUD);
  PCC_vAck();
  s_eUpdateState = PCC_UPDATE_DOWNLOAD;
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  U8 buffer[XMODEM_BLOCK_SIZE];
  S32 s32Size = XMODEM_BLOCK_SIZE;
  const BOOLEAN bReceived = U_XMODEM_bReceive(PCC_CHANNEL, buffer, &s32Size, T_PCC_vSaveXmodemBlock, pFile);
  const BOOLEAN bWritten = fclose(pFile) == 0;
  char trailer[T_MMC_TRAILER_SIZE + 1];
  if (!bReceived || !bWritten || !PCC_bReadTrailer(sImage, trailer)) {
    log_me("[%d]%s: no whole image received", __LINE__, __func__);
    return TRUE;
  }
  const U32 u32Running = PCC_u32RunningVersion();
  s_u32NewVersion = T_MMC_u32FetchNewCodeVersion(trailer);
  if (!T_MMC_bVerifyNewCodeModel(trailer) || s_u32NewVersion == 0 || s_u32NewVersion == u32Running) {
    log_me("[%d]%s: image refused (version %u, running %u)", __LINE__, __func__, s_u32NewVersion, u32Running);
    return TRUE;
  }
  if (!PCC_bWriteHandOver(sDir, sImage)) return TRUE;
  s_eUpdateState = PCC_UPDATE_REFLASH;
  H_DATABASE_bUpdateValueBoolean(FCID("SSRD"), TRUE, P_NORMAL);
  T_KEYBOARD_vRestoreFactoryDefaults();
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
  H_BACKLIGHT_vChangeIntensity(DISPLAY_BACKLIGHT_MAX);
  L_CLOCK_Sleep(1000);
  static const FOURCHARID s_aSpared[] = {FCID("TMMC"), FCID("TVUE"), FCID("TDSP"), 0};
  U_SHUTDOWN_vShutdown(s_aSpared);
  lm_exit(__FILE_NAME__, __LINE__, 30);
}

// ---------------------------------------------------------------------------
// Receiver

static void PCC_vEndLine(void) {
  s_eRxState = RX_WAIT_PREFIX;
  s_u32DataLength = 0;
  s_au8Data[0] = 0;
}

void T_PCC_vResetReceiver(void) {
  s_bHeldByte = FALSE;
  PCC_vEndLine();
}

static BOOLEAN PCC_bIsLineEnd(U8 u8Byte) { return u8Byte == '\r' || u8Byte == '\n'; }

BOOLEAN T_PCC_bReceiveByte(U8 u8Byte) {
  switch (s_eRxState) {
    case RX_WAIT_PREFIX:
      if (u8Byte == '#') s_eRxState = RX_WAIT_COMMAND;
      break;
    case RX_WAIT_COMMAND:
      s_u32Command = 0;
      while (s_u32Command < PCC_COMMANDS && s_tLookupCommand[s_u32Command].u8Letter != u8Byte) s_u32Command++;
      if (s_u32Command == PCC_COMMANDS) {
        PCC_vNak();
        s_eRxState = RX_WAIT_PREFIX;
      } else if (s_tLookupCommand[s_u32Command].u8HasData) {
        s_u32DataLength = 0;
        s_au8Data[0] = 0;
        s_eRxState = RX_WAIT_DATA;
      } else {
        s_eRxState = RX_WAIT_CR;
      }
      break;
    case RX_WAIT_DATA:
      if (PCC_bIsLineEnd(u8Byte)) {
        s_tLookupCommand[s_u32Command].pfnHandler(s_au8Data);
        s_bStay = TRUE;
        PCC_vEndLine();
      } else if (s_u32DataLength == PCC_DATA_MAX) {
        s_eRxState = RX_DISCARD_LINE;
      } else {
        s_au8Data[s_u32DataLength++] = u8Byte;
        s_au8Data[s_u32DataLength] = 0;
      }
      break;
    case RX_DISCARD_LINE:
      if (PCC_bIsLineEnd(u8Byte)) {
        PCC_vNak();
        PCC_vEndLine();
      }
      break;
    case RX_WAIT_CR:
      if (PCC_bIsLineEnd(u8Byte)) s_bStay = s_tLookupCommand[s_u32Command].pfnHandler(nullptr);
      s_eRxState = RX_WAIT_PREFIX;
      break;
  }
  // Only after the handler's line is done: the held byte begins the next.
  if (s_bHeldByte) {
    s_bHeldByte = FALSE;
    T_PCC_bReceiveByte(s_u8HeldByte);
  }
  return s_bStay;
}

// ---------------------------------------------------------------------------
// Connect mode

static SEMA s_aEvents[] = {SEMA_MBOX_PCC, SEMA_PC_CONNECT, 0, 0};

static void T_PCC_vSetPCConnectMode(void) {
  if (s_bFirstOn) {
    s_u32PreviousSystemState = STATE_NORMAL_RUN;
    H_DATABASE_bFetchU32(FCID("CCST"), &s_u32PreviousSystemState, nullptr, nullptr);
    s_bFirstOn = FALSE;
  }
  H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_PC_CONNECT, P_NORMAL);
  U_KEYBOARD_bRegisterKeys(M_PCCOM, PCC_KEY_MASK, KEY_DOWN, FALSE, FALSE, NOT_CURSOR_KEY, REGISTER_PC_CONNECT);
  H_DATABASE_bUpdateEverythingBoolean(FCID("SVPC"), TRUE, P_NORMAL, D_UNKNOWN, PC_Connect, DB_NEVER_STALE);
  H_BACKLIGHT_vChangeIntensity(DISPLAY_BACKLIGHT_LOW);
  U_VIEW_bRegisterLayer(T_PCC_vDrawScreen, PC_CONNECT_VIEW, USED_BY_ALL, 0, FCID("SVPC"), TRUE, nullptr, nullptr,
                        nullptr);
  H_DATABASE_bUpdateValueS32(FCID("CVEW"), PC_CONNECT_VIEW,
                             s_u32PreviousSystemState == STATE_PC_CONNECT ? P_TESTMODE : P_NORMAL);
  if (!H_DATABASE_bFetch(FCID("CGRP"), nullptr, nullptr, nullptr)) H_DATABASE_bUpdateValueU32(FCID("CGRP"), 0, P_NORMAL);
  s_bShowWarningWindow = FALSE;
  s_bConnected = TRUE;
  log_me("[%d]%s: PC connect mode, after state %u", __LINE__, __func__, s_u32PreviousSystemState);
  s_aEvents[2] = SEMA_QUEUE_RX2;
  L_SEMA_Signal(SEMA_CLEAR_ALARMS);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

static void T_PCC_vLeavePCConnectMode(void) {
  H_DATABASE_bUpdateValueU32(FCID("CCST"), s_u32PreviousSystemState, P_NORMAL);
  s_bFirstOn = TRUE;
  H_DATABASE_bUpdateValueBoolean(FCID("SVPC"), FALSE, P_NORMAL);
  U_VIEW_bUnRegisterLayer(PC_CONNECT_VIEW);
  U_KEYBOARD_bUnregisterKeys(M_PCCOM, PCC_KEY_MASK);
  U_UART_bReleaseChannel(PCC_CHANNEL, TRUE);
  s_bConnected = FALSE;
  s_u32NotTaken = 0;
  s_aEvents[2] = 0;
  T_PCC_vResetReceiver();
  log_me("[%d]%s: PC connect mode left, state %u again", __LINE__, __func__, s_u32PreviousSystemState);
  L_SEMA_Signal(SEMA_CLEAR_ALARMS);
  L_SEMA_Signal(SEMA_VIEW_UPDATE);
}

static void T_PCC_vReadChannel(void) {
  s_bStay = TRUE;
  U16 entry;
  while (L_QUEUE_Get(Q_RECEIVE_UART2, &entry) == 0) T_PCC_bReceiveByte((U8)entry);
  if (!s_bStay && s_bConnected && s_u32PreviousSystemState != STATE_PC_CONNECT) T_PCC_vLeavePCConnectMode();
  s_bStay = TRUE;
}

static void T_PCC_vHandleMailbox(void) {
  while (GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)L_MBOX_Receive(M_PCCOM)) {
    if (pMsg->Cmd == CMD_ID_KEY_CHANGE) {
      L_SEMA_Signal(SEMA_KEYCLICK_BAD);
    } else if (pMsg->Cmd == CMD_ID_RUN_SYSTEM) {
      U32 u32State = 0;
      if (H_DATABASE_bFetchU32(FCID("CCST"), &u32State, nullptr, nullptr) && u32State == STATE_PC_CONNECT) {
        T_PCC_vSetPCConnectMode();
      }
    }
    H_MEMORY_vDumpMail(pMsg);
  }
}

void T_PCC_vRestoreFactoryDefaults(void) {
  H_DATABASE_bUpdateEverythingBoolean(FCID("SDBV"), TRUE, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  MULTI_FETCH_CONTROL_STRUCTURE control = {};
  control.cMatch = 'T';
  while (H_DATABASE_bFetchNextBeginningWith(&control)) {
    const MBOX mbox = (MBOX)control.data.u32Val;
    if (!control.bValid || mbox <= 0 || mbox == M_KEYB) continue;
    GENERIC_MESSAGE* pMsg = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof *pMsg);
    pMsg->Cmd = CMD_ID_RESET_POS;
    if (L_MBOX_Send(mbox, pMsg, PCC_MAIL_PRIORITY, 0) != 0) H_MEMORY_vFree(pMsg);
  }
  L_SEMA_Signal(SEMA_KEYCLICK_GOOD);
}

// ---------------------------------------------------------------------------
// Screen

static void PCC_vStepBacklight(int* pnLevel) {
  if (++*pnLevel > DISPLAY_BACKLIGHT_MAX) *pnLevel = DISPLAY_BACKLIGHT_LOW;
  H_BACKLIGHT_vChangeIntensity((DISPLAY_BACKLIGHT)*pnLevel);
}

// A notification whose text ends in '#', the number put in its place.
static void PCC_vDrawWithNumber(BITMAP* pBitmap, const char* pcText, const char* pcNumber) {
  char message[256];
  if (U_WSTRING_bIsUnicodeLanguage()) {
    char* apArgs[1] = {(char*)pcNumber};
    U_WSTRING_vReplaceCrossHatchWithNString(pcText, message, sizeof message, apArgs, 1, FALSE, FALSE);
  } else {
    const size_t cut = strcspn(pcText, "#");
    snprintf(message, sizeof message, "%.*s%s", (int)cut, pcText, pcNumber);
  }
  U_DIALOG_vDrawDialogGenericNotification(pBitmap, message);
}

void T_PCC_vDrawScreen(BITMAP* pBitmap, WINDOW_SPECIFICATION_POINTER) {
  const unsigned language = nCurrentLanguage();
  const POINT origin = {0, 0};
  G_BOX_vDrawFilled(pBitmap, gCOLOR_pcolColorTable[35], &origin, (U32)pBitmap->pixels_wide, (U32)pBitmap->pixels_high);
  U_DIALOG_vDrawDialogGenericNotification(pBitmap, PC_Connect[language]);
  if (s_bShowWarningWindow) {
    H_BACKLIGHT_vChangeIntensity((DISPLAY_BACKLIGHT)s_nLightIndex);
    if (++s_nLightIndex >= DISPLAY_BACKLIGHT_MAX) s_nLightIndex = DISPLAY_BACKLIGHT_LOW;
    U_DIALOG_vDrawDialogGenericNotification(pBitmap, Must_Upgrade_PC_Software[language]);
  }
  if (s_u32NotTaken > 0) {
    PCC_vDrawWithNumber(pBitmap, Records_Not_Taken[language], std::to_string(s_u32NotTaken).c_str());
  }
  if (s_eUpdateState == PCC_UPDATE_DOWNLOAD) {
    PCC_vStepBacklight(&s_nBacklight);
    U_DIALOG_vDrawDialogGenericNotification(pBitmap, Software_Downloading[language]);
  } else if (s_eUpdateState == PCC_UPDATE_REFLASH) {
    char version[16];
    snprintf(version, sizeof version, "%1d.%03d", (int)(s_u32NewVersion / 1000), (int)(s_u32NewVersion % 1000));
    PCC_vStepBacklight(&s_nBacklight);
    PCC_vDrawWithNumber(pBitmap, Updating_Flash[language], version);
  } else if (s_nBacklight != DISPLAY_BACKLIGHT_LOW) {
    s_nBacklight = DISPLAY_BACKLIGHT_LOW;
    H_BACKLIGHT_vChangeIntensity(DISPLAY_BACKLIGHT_LOW);
  }
}

// ---------------------------------------------------------------------------
// Entry

void T_PCC_vMain(void) {
  log_me("[%d]%s: LWP ID %ld", __LINE__, __func__, (long)gettid());
  if (H_DATABASE_bUpdateEverythingU32(FCID("TPCC"), (U32)M_PCCOM, P_NORMAL, D_MAILBOX, nullptr, DB_NEVER_STALE)) {
    ERROR_vFatal(__FILE_NAME__, __LINE__, "Somebody else registered the PC Connect Task Maibox");
  }
  s_bFirstOn = TRUE;
  s_bConnected = FALSE;
  s_aEvents[2] = 0;
  T_PCC_vResetReceiver();
  log_me("[%d]%s: PC connect mode left, state %u again", __LINE__, __func__, s_u32PreviousSystemState);
  U_UART_bRegisterForChannel(PCC_CHANNEL, '#', SEMA_PC_CONNECT);
  for (;;) {
    const S32 event = L_SEMA_WaitMultiple(s_aEvents);
    if (event == SEMA_PC_CONNECT) T_PCC_vSetPCConnectMode();
    if (event == SEMA_MBOX_PCC) T_PCC_vHandleMailbox();
    if (event == SEMA_QUEUE_RX2) T_PCC_vReadChannel();
  }
}
