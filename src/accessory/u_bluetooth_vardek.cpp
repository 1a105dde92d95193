// The anchor accessory's JSON protocol: its vocabulary as tables (methods
// with the parameter sets of each message type, parameter keys with their
// JSON types, value names), the pending-request table, and the reading and
// writing of messages through the JSON decoder and encoder.

#include "u_bluetooth_vardek.h"

#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string_view>

#include "linuxsvc.h"
#include "u_authentication.h"
#include "u_json_decoder.h"
#include "u_json_encoder.h"

namespace {

// ---------------------------------------------------------------------------
// Names on the wire: each enumerator travels as its own name.

// Names are compared as views, their lengths first: most candidates differ
// there, and the rest share long prefixes that strcmp would walk each time.
struct VARDEK_NAME {
  int value;
  std::string_view name;
};
#define VARDEK_ROW(x) {x, #x}

const VARDEK_NAME s_vardekMsgTable[] = {VARDEK_ROW(vardekMsgUnknown), VARDEK_ROW(vardekMsgCmd),
                                        VARDEK_ROW(vardekMsgRsp), VARDEK_ROW(vardekMsgNotify),
                                        VARDEK_ROW(vardekMsgNak)};
const VARDEK_NAME s_vardekResultCodeTable[] = {
    VARDEK_ROW(vardekResultUnknown),          VARDEK_ROW(vardekResultSuccess),
    VARDEK_ROW(vardekResultNoMoreDevices),    VARDEK_ROW(vardekResultUpdateComplete),
    VARDEK_ROW(vardekResultFailure),          VARDEK_ROW(vardekResultInvalidHeader),
    VARDEK_ROW(vardekResultInvalidMethod),    VARDEK_ROW(vardekResultInvalidParameter),
    VARDEK_ROW(vardekResultTimeout)};
const VARDEK_NAME s_vardekPowerTable[] = {VARDEK_ROW(vardekPowerUnknown), VARDEK_ROW(vardekPowerOff),
                                          VARDEK_ROW(vardekPowerOn)};
const VARDEK_NAME s_vardekModeTable[] = {VARDEK_ROW(vardekModeUnknown), VARDEK_ROW(vardekModeStandard),
                                         VARDEK_ROW(vardekModeRoughWater), VARDEK_ROW(vardekModeSoftBottom)};
const VARDEK_NAME s_vardekTargetTable[] = {VARDEK_ROW(vardekTargetUnknown), VARDEK_ROW(vardekTargetLeft),
                                           VARDEK_ROW(vardekTargetRight), VARDEK_ROW(vardekTargetAll)};
const VARDEK_NAME s_vardekDesignationTable[] = {VARDEK_ROW(vardekDesignationUnknown), VARDEK_ROW(vardekDesignationLeft),
                                                VARDEK_ROW(vardekDesignationRight),
                                                VARDEK_ROW(vardekDesignationPeripheral)};
const VARDEK_NAME s_vardekStateTable[] = {
    VARDEK_ROW(vardekStateUnknown),       VARDEK_ROW(vardekStateHome),           VARDEK_ROW(vardekStateDeploying),
    VARDEK_ROW(vardekStatePausedDeploying), VARDEK_ROW(vardekStateDeployed),     VARDEK_ROW(vardekStateRetracting),
    VARDEK_ROW(vardekStatePausedRetracting), VARDEK_ROW(vardekStateStop),        VARDEK_ROW(vardekStateManual),
    VARDEK_ROW(vardekStateNotAvailable)};
const VARDEK_NAME s_vardekLedTable[] = {VARDEK_ROW(vardekLedUnknown), VARDEK_ROW(vardekLedOff),
                                        VARDEK_ROW(vardekLedWork), VARDEK_ROW(vardekLedAccent),
                                        VARDEK_ROW(vardekLedPanel)};
const VARDEK_NAME s_vardekIntensityTable[] = {VARDEK_ROW(vardekIntensityUnknown), VARDEK_ROW(vardekIntensityOff),
                                              VARDEK_ROW(vardekIntensityLow), VARDEK_ROW(vardekIntensityMedium),
                                              VARDEK_ROW(vardekIntensityHigh)};
const VARDEK_NAME s_vardekPeerTable[] = {
    VARDEK_ROW(vardekPeerTypeUnknown),  VARDEK_ROW(vardekPeerTypeClassic),    VARDEK_ROW(vardekPeerTypeVorne),
    VARDEK_ROW(vardekPeerTypeKelvash),  VARDEK_ROW(vardekPeerTypeIphone),     VARDEK_ROW(vardekPeerTypeAndroid),
    VARDEK_ROW(vardekPeerTypeNavro),    VARDEK_ROW(vardekPeerTypeRemote),     VARDEK_ROW(vardekPeerTypeFootswitch),
    VARDEK_ROW(vardekPeerTypeHandheld), VARDEK_ROW(vardekPeerTypeVardek),     VARDEK_ROW(vardekPeerTypeFactoryTest)};
const VARDEK_NAME s_vardekPairingTable[] = {
    VARDEK_ROW(vardekPairingEventUnknown), VARDEK_ROW(vardekPairingEventEnter),
    VARDEK_ROW(vardekPairingEventPairedClassic), VARDEK_ROW(vardekPairingEventPairedLowEnergy),
    VARDEK_ROW(vardekPairingEventTimeout)};
#undef VARDEK_ROW

template <size_t N>
constexpr int VARDEK_nCount(const VARDEK_NAME (&)[N]) {
  return (int)N;
}

// The value of a name; -1 (every table's Unknown) when it is not there.
int VARDEK_nValueOf(const VARDEK_NAME* pTable, int nRows, std::string_view name) {
  for (int i = 0; i < nRows; i++) {
    if (pTable[i].name == name) return pTable[i].value;
  }
  return -1;
}

// The name of a value, Unknown excluded; null when it has none.
const char* VARDEK_pcNameOf(const VARDEK_NAME* pTable, int nRows, int value) {
  for (int i = 0; i < nRows; i++) {
    if (pTable[i].value == value && value != -1) return pTable[i].name.data();
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// Header keys, in the order of their mask bits.

constexpr std::string_view s_apcHeaderKeys[] = {"apiver", "id", "type", "method", "result", "input", "output", "notify"};

// The exact header set of each message type.
const U32 s_au32HeaderOfType[vardekMsgCount] = {vardekHeaderMaskCmd, vardekHeaderMaskRsp,
                                                vardekHeaderMaskNotification, vardekHeaderMaskNak};

// ---------------------------------------------------------------------------
// Parameters: key, JSON type and field, in the order of their mask bits.

enum VARDEK_KIND { K_BOOL, K_INT, K_U64, K_ENUM, K_MAC, K_TEXT };

struct VARDEK_PARAM {
  std::string_view key;
  VARDEK_KIND eKind;
  size_t offset;               // of the field in vardekParams
  const VARDEK_NAME* pNames;   // K_ENUM: the vocabulary
  int nNames;                  // K_ENUM: its rows; K_TEXT: the field's size
};

#define VARDEK_FIELD(f) offsetof(vardekParams, f)
#define VARDEK_ENUM(t) t, VARDEK_nCount(t)
const VARDEK_PARAM s_vardekParamTable[] = {
    {"enable", K_BOOL, VARDEK_FIELD(bEnable), nullptr, 0},
    {"leftDepth", K_INT, VARDEK_FIELD(nLeftDepth), nullptr, 0},
    {"rightDepth", K_INT, VARDEK_FIELD(nRightDepth), nullptr, 0},
    {"accessoryPower", K_ENUM, VARDEK_FIELD(eAccessoryPower), VARDEK_ENUM(s_vardekPowerTable)},
    {"leftAccessoryPower", K_ENUM, VARDEK_FIELD(eLeftAccessoryPower), VARDEK_ENUM(s_vardekPowerTable)},
    {"rightAccessoryPower", K_ENUM, VARDEK_FIELD(eRightAccessoryPower), VARDEK_ENUM(s_vardekPowerTable)},
    {"mode", K_ENUM, VARDEK_FIELD(eMode), VARDEK_ENUM(s_vardekModeTable)},
    {"target", K_ENUM, VARDEK_FIELD(eTarget), VARDEK_ENUM(s_vardekTargetTable)},
    {"designation", K_ENUM, VARDEK_FIELD(eDesignation), VARDEK_ENUM(s_vardekDesignationTable)},
    {"leftState", K_ENUM, VARDEK_FIELD(eLeftState), VARDEK_ENUM(s_vardekStateTable)},
    {"rightState", K_ENUM, VARDEK_FIELD(eRightState), VARDEK_ENUM(s_vardekStateTable)},
    {"ledType", K_ENUM, VARDEK_FIELD(eLedType), VARDEK_ENUM(s_vardekLedTable)},
    {"ledIntensity", K_ENUM, VARDEK_FIELD(eLedIntensity), VARDEK_ENUM(s_vardekIntensityTable)},
    {"panelIntensity", K_ENUM, VARDEK_FIELD(ePanelIntensity), VARDEK_ENUM(s_vardekIntensityTable)},
    {"macAddress", K_MAC, VARDEK_FIELD(tBdMacAddress), nullptr, 0},
    {"peerType", K_ENUM, VARDEK_FIELD(ePeerType), VARDEK_ENUM(s_vardekPeerTable)},
    {"deviceName", K_TEXT, VARDEK_FIELD(cDeviceName), nullptr, VARDEK_DEVICE_NAME_SIZE},
    {"version", K_INT, VARDEK_FIELD(nVersion), nullptr, 0},
    {"numBytes", K_INT, VARDEK_FIELD(nNumBytes), nullptr, 0},
    {"connected", K_BOOL, VARDEK_FIELD(bConnected), nullptr, 0},
    {"battery", K_INT, VARDEK_FIELD(nBattery), nullptr, 0},
    {"serialNumber", K_TEXT, VARDEK_FIELD(cSerialNumber), nullptr, VARDEK_SERIAL_NUMBER_SIZE},
    {"pairingEvent", K_ENUM, VARDEK_FIELD(ePairingEvent), VARDEK_ENUM(s_vardekPairingTable)},
    {"port", K_INT, VARDEK_FIELD(nPort), nullptr, 0},
    {"encryptionKey", K_INT, VARDEK_FIELD(nKey), nullptr, 0},
    {"data", K_U64, VARDEK_FIELD(u64AuthData), nullptr, 0},
};
#undef VARDEK_FIELD
#undef VARDEK_ENUM
constexpr int VARDEK_PARAMS = (int)(sizeof s_vardekParamTable / sizeof s_vardekParamTable[0]);

// The order in which a composed message lists its parameters (bit numbers).
const U8 s_au8ComposeOrder[VARDEK_PARAMS] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                             13, 14, 15, 16, 17, 18, 24, 25, 19, 20, 21, 22, 23};

// ---------------------------------------------------------------------------
// Methods: wire name, the exact parameter set of each message type
// (command, response, notification, nak; NO_MESSAGE where the method has no
// message of that type), the callback its answers go to, and whether the
// first answer ends the request.

constexpr U32 NO_MESSAGE = 0xFFFFFFFF;
constexpr U32 P_ENABLE = vardekParamMaskEnable;
constexpr U32 P_MODE = vardekParamMaskMode;
constexpr U32 P_TARGET = vardekParamMaskTarget;
constexpr U32 P_STATES = vardekParamMaskLeftState | vardekParamMaskRightState;
constexpr U32 P_DEPTHS = vardekParamMaskLeftDepth | vardekParamMaskRightDepth;
constexpr U32 P_LED = vardekParamMaskLedType | vardekParamMaskLedIntensity;
constexpr U32 P_LEDS = P_LED | vardekParamMaskPanelIntensity;
constexpr U32 P_POWERS = vardekParamMaskLeftAccessoryPower | vardekParamMaskRightAccessoryPower;
constexpr U32 P_PORT = vardekParamMaskPort;
constexpr U32 P_NUMBYTES = vardekParamMaskNumBytes;
constexpr U32 P_DEVICE = vardekParamMaskDesignation | vardekParamMaskMacAddress | vardekParamMaskPeerType |
                         vardekParamMaskDeviceName | vardekParamMaskVersion | vardekParamMaskConnected |
                         vardekParamMaskBattery | vardekParamMaskSerialNumber;

struct VARDEK_METHOD {
  std::string_view name;
  U32 au32Params[vardekMsgCount];
  vardekCallbackType eCallback;
  BOOLEAN bOneTime;
};

const VARDEK_METHOD s_vardekMethodTable[vardekMethodCount] = {
    {"setVardekMode", {P_MODE, 0, NO_MESSAGE, 0}, vardekCallbackTypeResult, TRUE},
    {"getVardekMode", {0, P_MODE, NO_MESSAGE, 0}, vardekCallbackTypeMode, TRUE},
    {"notifyVardekMode", {P_ENABLE, P_MODE, P_MODE, 0}, vardekCallbackTypeMode, FALSE},
    {"deployVardek", {P_TARGET, 0, NO_MESSAGE, 0}, vardekCallbackTypeResult, TRUE},
    {"retractVardek", {P_TARGET, 0, NO_MESSAGE, 0}, vardekCallbackTypeResult, TRUE},
    {"pauseVardek", {P_TARGET, 0, NO_MESSAGE, 0}, vardekCallbackTypeResult, TRUE},
    {"getVardekState", {0, P_STATES, NO_MESSAGE, 0}, vardekCallbackTypeState, TRUE},
    {"notifyVardekState", {P_ENABLE, P_STATES, P_STATES, 0}, vardekCallbackTypeState, FALSE},
    {"getVardekDepth", {0, P_DEPTHS, NO_MESSAGE, 0}, vardekCallbackTypeDepth, TRUE},
    {"notifyVardekDepth", {P_ENABLE, P_DEPTHS, P_DEPTHS, 0}, vardekCallbackTypeDepth, FALSE},
    {"setVardekLeds", {P_LED, 0, NO_MESSAGE, 0}, vardekCallbackTypeResult, TRUE},
    {"getVardekLeds", {0, P_LEDS, NO_MESSAGE, 0}, vardekCallbackTypeLeds, TRUE},
    {"notifyVardekLeds", {P_ENABLE, P_LEDS, P_LEDS, 0}, vardekCallbackTypeLeds, FALSE},
    {"cycleVardekLeds", {0, 0, NO_MESSAGE, 0}, vardekCallbackTypeResult, TRUE},
    {"setAccessoryPower", {vardekParamMaskAccessoryPower | P_TARGET, 0, NO_MESSAGE, 0}, vardekCallbackTypeResult,
     TRUE},
    {"getAccessoryPower", {0, P_POWERS, NO_MESSAGE, 0}, vardekCallbackTypeAccessoryPower, TRUE},
    {"notifyAccessoryPower", {P_ENABLE, P_POWERS, P_POWERS, 0}, vardekCallbackTypeAccessoryPower, FALSE},
    {"pairingEvent", {vardekParamMaskPairingEvent, 0, NO_MESSAGE, 0}, vardekCallbackTypeResult, TRUE},
    {"setVardekDesignation", {vardekParamMaskDesignation, 0, NO_MESSAGE, 0}, vardekCallbackTypeResult, TRUE},
    {"reverseVardekDesignation", {0, 0, NO_MESSAGE, 0}, vardekCallbackTypeResult, TRUE},
    {"setManualMode", {P_ENABLE | P_TARGET, 0, NO_MESSAGE, 0}, vardekCallbackTypeResult, TRUE},
    {"forgetDevice", {vardekParamMaskMacAddress, 0, NO_MESSAGE, 0}, vardekCallbackTypeResult, TRUE},
    {"getDeviceInfo", {0, P_DEVICE, NO_MESSAGE, 0}, vardekCallbackTypeDeviceInfo, FALSE},
    {"startSwUpdate", {P_NUMBYTES, P_NUMBYTES, NO_MESSAGE, 0}, vardekCallbackTypeSwUpdate, FALSE},
    {"queryPort", {P_PORT, P_DEVICE, NO_MESSAGE, 0}, vardekCallbackTypeDeviceInfo, TRUE},
    {"disconnectPort", {P_PORT, P_DEVICE, NO_MESSAGE, 0}, vardekCallbackTypeDeviceInfo, TRUE},
    {"authChallenge", {vardekParamMaskEncryptionKey | vardekParamMaskData, vardekParamMaskData, NO_MESSAGE, 0},
     vardekCallbackTypeAuthentication, FALSE},
};

// ---------------------------------------------------------------------------
// Module state, for the one driver task.

struct VARDEK_PENDING {
  BOOLEAN bUsed;
  vardekAddress sVardekAddress;
  U32 u32MsgId;
  vardekMethod eVardekMethod;
  vardekCallbackType eCallbackType;
  vardekAnyCallback pfCallback;
  void* pParam;
  BOOLEAN bOneTimeCallback;
  U32 u32TimeoutTicks;  // 0: not counting
};

struct VARDEK_DEVICE_INFO {
  BD_ADDR_t tBdMacAddress;
  vardekPeerType ePeerType;
  char cDeviceName[VARDEK_DEVICE_NAME_SIZE];
  char cSerialNumber[VARDEK_SERIAL_NUMBER_SIZE];
  int nSoftwareVersion;  // x 1000
  int nBattery;
  BOOLEAN bConnected;
  vardekDesignationType eDesignation;
};

constexpr U32 VARDEK_FIRST_ID = 1001;

VARDEK_PENDING s_vardekCallbackTable[VARDEK_PENDING_ROWS];
U32 s_u32NextMsgId = VARDEK_FIRST_ID;
vardekControlMsgCallback s_pfVardekControlMsgCallback;
void* s_pvVardekControlMsgParam;
VARDEK_DEVICE_INFO s_DeviceInfo = {{}, vardekPeerTypeVorne, "", "", 0, 0, TRUE, vardekDesignationPeripheral};

// ---------------------------------------------------------------------------
// Parsing

// Every parameter at its empty value: numbers, texts and flags zero,
// enumerations Unknown.
void VARDEK_vEmptyParams(vardekParams* pParams) {
  memset(pParams, 0, sizeof *pParams);
  for (const VARDEK_PARAM& row : s_vardekParamTable) {
    if (row.eKind == K_ENUM) {
      const int unknown = -1;
      memcpy((U8*)pParams + row.offset, &unknown, sizeof unknown);
    }
  }
}

int VARDEK_nHexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = (char)(c | 0x20);
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Six hexadecimal numbers, each taken modulo 256, most significant first,
// with one separator between them.
BOOLEAN VARDEK_bReadMac(const char* pc, BD_ADDR_t* pAddr) {
  U8 au8[6] = {};
  for (int k = 0; k < 6; k++) {
    if (k > 0 && *pc++ == '\0') return FALSE;
    if (VARDEK_nHexDigit(*pc) < 0) return FALSE;
    U32 value = 0;
    for (; VARDEK_nHexDigit(*pc) >= 0; pc++) value = (value << 4 | (U32)VARDEK_nHexDigit(*pc)) & 0xFF;
    au8[k] = (U8)value;
  }
  if (*pc != '\0') return FALSE;
  *pAddr = {au8[5], au8[4], au8[3], au8[2], au8[1], au8[0]};
  return TRUE;
}

BOOLEAN VARDEK_bReadParam(const VARDEK_PARAM& row, JSON_decoder jo, vardekParams* pParams) {
  U8* pField = (U8*)pParams + row.offset;
  const JSON_type_t type = JSON_util_get_type(jo);
  switch (row.eKind) {
    case K_BOOL:
      if (type != JSON_TYPE_BOOLEAN_TRUE && type != JSON_TYPE_BOOLEAN_FALSE) return FALSE;
      *(BOOLEAN*)pField = type == JSON_TYPE_BOOLEAN_TRUE;
      return TRUE;
    case K_INT: {
      if (type != JSON_TYPE_INT) return FALSE;
      const int value = JSON_util_get_int(jo);
      memcpy(pField, &value, sizeof value);
      return TRUE;
    }
    case K_U64: {
      if (type != JSON_TYPE_INT || JSON_util_bIsNegative(jo)) return FALSE;
      const U64 value = JSON_util_get_int64(jo);
      memcpy(pField, &value, sizeof value);
      return TRUE;
    }
    case K_ENUM: {
      if (type != JSON_TYPE_STRING) return FALSE;
      const std::string_view name(JSON_util_get_string(jo), (size_t)JSON_util_get_string_length(jo));
      const int value = VARDEK_nValueOf(row.pNames, row.nNames, name);
      memcpy(pField, &value, sizeof value);
      return value != -1;
    }
    case K_MAC: {
      BD_ADDR_t* pAddr = (BD_ADDR_t*)pField;
      *pAddr = {};
      return type == JSON_TYPE_STRING && VARDEK_bReadMac(JSON_util_get_string(jo), pAddr);
    }
    case K_TEXT: {
      const int nLength = JSON_util_get_string_length(jo);
      const char* pc = JSON_util_get_string(jo);
      // A text longer than its field, or with a NUL inside, is refused rather than cut.
      if (type != JSON_TYPE_STRING || nLength >= row.nNames || strlen(pc) != (size_t)nLength) return FALSE;
      memcpy(pField, pc, (size_t)nLength + 1);
      return TRUE;
    }
  }
  return FALSE;
}

int VARDEK_nReadParams(JSON_decoder pParamsNode, vardekMessage* pMsg) {
  vardekParams* pParams = &pMsg->sVardekParams;
  VARDEK_vEmptyParams(pParams);
  for (int i = 0; i < JSON_util_get_child_count(pParamsNode); i++) {
    JSON_decoder jo = JSON_util_get_child(pParamsNode, i);
    int bit = 0;
    const std::string_view key = JSON_util_get_key(jo);
    while (bit < VARDEK_PARAMS && s_vardekParamTable[bit].key != key) bit++;
    if (bit == VARDEK_PARAMS || !VARDEK_bReadParam(s_vardekParamTable[bit], jo, pParams)) return -1;
    pParams->eVardekParamMask |= 1u << bit;
  }
  const U32 u32Expected = s_vardekMethodTable[pMsg->eVardekMethod].au32Params[pMsg->eMsgType];
  return u32Expected != NO_MESSAGE && pParams->eVardekParamMask == u32Expected ? 0 : -1;
}

// One header member into the record; FALSE refuses the message.
BOOLEAN VARDEK_bReadHeader(int bit, JSON_decoder jo, vardekMessage* pMsg, JSON_decoder* ppParams) {
  const JSON_type_t type = JSON_util_get_type(jo);
  const std::string_view text(JSON_util_get_string(jo), (size_t)JSON_util_get_string_length(jo));
  switch (1u << bit) {
    case vardekHeaderMaskApiVer:
      pMsg->u32ApiVer = (U32)JSON_util_get_int64(jo);
      return type == JSON_TYPE_INT && JSON_util_get_int64(jo) == 1;
    case vardekHeaderMaskMsgId:
      pMsg->u32MsgId = (U32)JSON_util_get_int64(jo);
      return type == JSON_TYPE_INT;
    case vardekHeaderMaskMsgType:
      pMsg->eMsgType = (vardekMsgType)VARDEK_nValueOf(s_vardekMsgTable, VARDEK_nCount(s_vardekMsgTable), text);
      return type == JSON_TYPE_STRING && pMsg->eMsgType != vardekMsgUnknown;
    case vardekHeaderMaskMethod: {
      int method = 0;
      while (method < vardekMethodCount && s_vardekMethodTable[method].name != text) method++;
      pMsg->eVardekMethod = method < vardekMethodCount ? (vardekMethod)method : vardekMethodUnknown;
      return type == JSON_TYPE_STRING && pMsg->eVardekMethod != vardekMethodUnknown;
    }
    case vardekHeaderMaskResult:
      pMsg->eVardekResult =
          (vardekResultCode)VARDEK_nValueOf(s_vardekResultCodeTable, VARDEK_nCount(s_vardekResultCodeTable), text);
      return type == JSON_TYPE_STRING && pMsg->eVardekResult != vardekResultUnknown;
    default:  // input, output, notify
      *ppParams = type == JSON_TYPE_OBJECT ? jo : nullptr;
      return type == JSON_TYPE_OBJECT || type == JSON_TYPE_NULL;
  }
}

int VARDEK_nParseTree(JSON_decoder root, vardekMessage* pMsg) {
  if (JSON_util_get_type(root) != JSON_TYPE_OBJECT || JSON_util_get_child_count(root) < 4) return -1;
  pMsg->eMsgType = vardekMsgUnknown;
  pMsg->eVardekMethod = vardekMethodUnknown;
  pMsg->eVardekResult = vardekResultInvalidHeader;
  JSON_decoder pParams = nullptr;
  for (int i = 0; i < JSON_util_get_child_count(root); i++) {
    JSON_decoder jo = JSON_util_get_child(root, i);
    int bit = 0;
    const std::string_view key = JSON_util_get_key(jo);
    while (bit < 8 && s_apcHeaderKeys[bit] != key) bit++;
    if (bit == 8 || !VARDEK_bReadHeader(bit, jo, pMsg, &pParams)) return -1;
    pMsg->eVardekHeaderMask |= 1u << bit;
  }
  if (pMsg->eMsgType < 0 || pMsg->eMsgType >= vardekMsgCount ||
      pMsg->eVardekHeaderMask != s_au32HeaderOfType[pMsg->eMsgType]) {
    return -1;
  }
  return pParams == nullptr ? 0 : VARDEK_nReadParams(pParams, pMsg);
}

// ---------------------------------------------------------------------------
// Composing

BOOLEAN VARDEK_bWriteParam(JSON_encoder jc, const VARDEK_PARAM& row, const vardekParams* pParams) {
  const U8* pField = (const U8*)pParams + row.offset;
  switch (row.eKind) {
    case K_BOOL: {
      const JSON_type_t type = *(const BOOLEAN*)pField ? JSON_TYPE_BOOLEAN_TRUE : JSON_TYPE_BOOLEAN_FALSE;
      return JSON_encode(jc, type, row.key.data(), nullptr) == 0;
    }
    case K_INT: {
      int value;
      memcpy(&value, pField, sizeof value);
      const S64 s64 = value;
      return JSON_encode(jc, JSON_TYPE_INT, row.key.data(), &s64) == 0;
    }
    case K_U64: return JSON_encode(jc, JSON_TYPE_INT64, row.key.data(), pField) == 0;
    case K_ENUM: {
      int value;
      memcpy(&value, pField, sizeof value);
      const char* pcName = VARDEK_pcNameOf(row.pNames, row.nNames, value);
      return pcName != nullptr && JSON_encode(jc, JSON_TYPE_STRING, row.key.data(), pcName) == 0;
    }
    case K_MAC: {
      const BD_ADDR_t* p = (const BD_ADDR_t*)pField;
      char ac[18];
      snprintf(ac, sizeof ac, "%02X:%02X:%02X:%02X:%02X:%02X", p->BD_ADDR5, p->BD_ADDR4, p->BD_ADDR3, p->BD_ADDR2,
               p->BD_ADDR1, p->BD_ADDR0);
      return JSON_encode(jc, JSON_TYPE_STRING, row.key.data(), ac) == 0;
    }
    case K_TEXT:
      return JSON_encode_string(jc, row.key.data(), (const char*)pField, (int)strnlen((const char*)pField, (size_t)row.nNames - 1)) == 0;
  }
  return FALSE;
}

BOOLEAN VARDEK_bCompose(JSON_encoder jc, const vardekMessage* pMsg) {
  const char* pcType = VARDEK_pcNameOf(s_vardekMsgTable, VARDEK_nCount(s_vardekMsgTable), pMsg->eMsgType);
  if (pcType == nullptr || pMsg->eVardekMethod < 0 || pMsg->eVardekMethod >= vardekMethodCount) return FALSE;
  const S64 s64ApiVer = pMsg->u32ApiVer, s64Id = pMsg->u32MsgId;
  JSON_encode(jc, JSON_TYPE_INT, "apiver", &s64ApiVer);
  JSON_encode(jc, JSON_TYPE_INT, "id", &s64Id);
  JSON_encode(jc, JSON_TYPE_STRING, "type", pcType);
  JSON_encode(jc, JSON_TYPE_STRING, "method", s_vardekMethodTable[pMsg->eVardekMethod].name.data());
  const U32 u32Header = pMsg->eVardekHeaderMask;
  if (u32Header & vardekHeaderMaskResult) {
    const char* pcResult =
        VARDEK_pcNameOf(s_vardekResultCodeTable, VARDEK_nCount(s_vardekResultCodeTable), pMsg->eVardekResult);
    if (pcResult == nullptr) return FALSE;
    JSON_encode(jc, JSON_TYPE_STRING, "result", pcResult);
  }
  int bit = 5;  // input, output, notify: the first present names the parameters
  while (bit < 8 && !(u32Header & (1u << bit))) bit++;
  if (bit == 8) return TRUE;
  const vardekParams* pParams = &pMsg->sVardekParams;
  if (pParams->eVardekParamMask == 0) return JSON_encode(jc, JSON_TYPE_NULL, s_apcHeaderKeys[bit].data(), nullptr) == 0;
  JSON_encode(jc, JSON_TYPE_OBJECT, s_apcHeaderKeys[bit].data(), nullptr);
  for (U8 u8Bit : s_au8ComposeOrder) {
    if ((pParams->eVardekParamMask & (1u << u8Bit)) && !VARDEK_bWriteParam(jc, s_vardekParamTable[u8Bit], pParams)) {
      return FALSE;
    }
  }
  return JSON_encode(jc, JSON_TYPE_OBJECT_END, nullptr, nullptr) == 0;
}

// ---------------------------------------------------------------------------
// Pending requests

BOOLEAN VARDEK_bSameAddress(const vardekAddress* a, const vardekAddress* b) {
  return memcmp(&a->addr, &b->addr, sizeof a->addr) == 0 && a->nChannel == b->nChannel;
}

int VARDEK_nAddCallback(const vardekAddress* pAddress, U32 u32MsgId, vardekMethod eMethod, vardekCallbackType eType,
                        vardekAnyCallback pfCallback, void* pParam, BOOLEAN bOneTime) {
  VARDEK_PENDING* pFree = nullptr;
  for (VARDEK_PENDING& row : s_vardekCallbackTable) {
    if (row.bUsed && VARDEK_bSameAddress(&row.sVardekAddress, pAddress) && row.u32MsgId == u32MsgId &&
        row.eVardekMethod == eMethod && row.eCallbackType == eType) {
      pFree = &row;
      break;
    }
    if (!row.bUsed && pFree == nullptr) pFree = &row;
  }
  if (pFree == nullptr) return -1;
  *pFree = {TRUE, *pAddress, u32MsgId, eMethod, eType, pfCallback, pParam, bOneTime, VARDEK_TIMEOUT_TICKS};
  return 0;
}

// The row waiting for this answer, with its callback handed out and the row
// released, re-armed or stopped as its kind says; null when none waits.
VARDEK_PENDING* VARDEK_pLookupCallback(const vardekAddress* pAddress, U32 u32MsgId, vardekCallbackType eType) {
  for (VARDEK_PENDING& row : s_vardekCallbackTable) {
    if (!row.bUsed || !VARDEK_bSameAddress(&row.sVardekAddress, pAddress) || row.u32MsgId != u32MsgId ||
        row.eCallbackType != eType) {
      continue;
    }
    if (row.bOneTimeCallback) {
      row.bUsed = FALSE;
    } else if (eType == vardekCallbackTypeDeviceInfo || eType == vardekCallbackTypeSwUpdate) {
      row.u32TimeoutTicks = VARDEK_TIMEOUT_TICKS;  // more answers follow
    } else {
      row.u32TimeoutTicks = 0;  // a subscription: notifications keep coming under its id
    }
    return &row;
  }
  return nullptr;
}

// Calls a callback of type eType with the values of pParams; pAddress null
// gives the device callback no address.
int VARDEK_nInvoke(vardekCallbackType eType, vardekAnyCallback pf, vardekAddress* pFrom, U32 u32Id,
                   vardekMsgType eMsgType, vardekMethod eMethod, vardekResultCode eResult, vardekParams* p,
                   BD_ADDR_t* pAddress, void* pParam) {
  switch (eType) {
    case vardekCallbackTypeResult:
      return ((vardekResultCallback)pf)(pFrom, u32Id, eMsgType, eMethod, eResult, pParam);
    case vardekCallbackTypeMode:
      return ((vardekModeCallback)pf)(pFrom, u32Id, eMsgType, eMethod, eResult, p->eMode, pParam);
    case vardekCallbackTypeState:
      return ((vardekStateCallback)pf)(pFrom, u32Id, eMsgType, eMethod, eResult, p->eLeftState, p->eRightState,
                                       pParam);
    case vardekCallbackTypeDepth:
      return ((vardekDepthCallback)pf)(pFrom, u32Id, eMsgType, eMethod, eResult, p->nLeftDepth, p->nRightDepth,
                                       pParam);
    case vardekCallbackTypeLeds:
      return ((vardekLedsCallback)pf)(pFrom, u32Id, eMsgType, eMethod, eResult, p->eLedType, p->eLedIntensity,
                                      p->ePanelIntensity, pParam);
    case vardekCallbackTypeAccessoryPower:
      return ((vardekAccessoryPowerCallback)pf)(pFrom, u32Id, eMsgType, eMethod, eResult, p->eLeftAccessoryPower,
                                                p->eRightAccessoryPower, pParam);
    case vardekCallbackTypeDeviceInfo:
      return ((vardekDeviceInfoCallback)pf)(pFrom, u32Id, eMsgType, eMethod, eResult, pAddress, p->ePeerType,
                                            p->cDeviceName, p->cSerialNumber, p->nVersion, p->nBattery,
                                            p->bConnected, p->eDesignation, pParam);
    case vardekCallbackTypeSwUpdate:
      return ((vardekSwUpdateCallback)pf)(pFrom, u32Id, eMsgType, eMethod, eResult, p->nNumBytes, pParam);
    case vardekCallbackTypeAuthentication:
      return ((vardekAuthenticationCallback)pf)(pFrom, u32Id, eMsgType, eMethod, eResult, p->u64AuthData, pParam);
    default: return -1;
  }
}

// A response or a notification to the callback waiting under its id.
int VARDEK_nHandleAnswer(vardekMessage* pMsg, BOOLEAN bNotification) {
  const vardekCallbackType eType = s_vardekMethodTable[pMsg->eVardekMethod].eCallback;
  VARDEK_PENDING* pRow = VARDEK_pLookupCallback(&pMsg->sVardekAddress, pMsg->u32MsgId, eType);
  if (pRow == nullptr) return -1;
  if ((eType == vardekCallbackTypeDeviceInfo && pMsg->eVardekResult == vardekResultNoMoreDevices) ||
      (eType == vardekCallbackTypeSwUpdate && pMsg->eVardekResult == vardekResultUpdateComplete)) {
    pRow->bUsed = FALSE;  // the last of the series
  }
  if (pRow->pfCallback == nullptr) return 0;
  vardekParams* p = &pMsg->sVardekParams;
  return VARDEK_nInvoke(eType, pRow->pfCallback, &pMsg->sVardekAddress, pMsg->u32MsgId, pMsg->eMsgType,
                        pMsg->eVardekMethod, bNotification ? vardekResultSuccess : pMsg->eVardekResult, p,
                        &p->tBdMacAddress, pRow->pParam);
}

int VARDEK_nHandleNak(vardekMessage* pMsg) {
  if (pMsg->eVardekMethod == vardekMethodAuthChallenge) return 0;
  const vardekCallbackType eType = s_vardekMethodTable[pMsg->eVardekMethod].eCallback;
  VARDEK_PENDING* pRow = VARDEK_pLookupCallback(&pMsg->sVardekAddress, pMsg->u32MsgId, eType);
  if (pRow == nullptr || pRow->pfCallback == nullptr || eType > vardekCallbackTypeDeviceInfo) return 0;
  vardekParams* p = &pMsg->sVardekParams;
  return VARDEK_nInvoke(eType, pRow->pfCallback, &pMsg->sVardekAddress, pMsg->u32MsgId, vardekMsgNak,
                        pMsg->eVardekMethod, pMsg->eVardekResult, p, &p->tBdMacAddress, pRow->pParam);
}

int VARDEK_nHandleError(const vardekMessage* pMsg) {
  log_me("[%d]%s: msgid = %u, type = %d, method = %d, header = 0x%08x, param mask = 0x%08x", __LINE__, __func__,
         pMsg->u32MsgId, pMsg->eMsgType, pMsg->eVardekMethod, pMsg->eVardekHeaderMask,
         pMsg->sVardekParams.eVardekParamMask);
  return -1;
}

// ---------------------------------------------------------------------------
// Sending

int VARDEK_nSend(vardekMessage* pMsg) {
  if (s_pfVardekControlMsgCallback == nullptr) return -1;
  return s_pfVardekControlMsgCallback(pMsg, s_pvVardekControlMsgParam);
}

// A command of the method with the given parameters (mask set by the caller).
int VARDEK_nSendCommand(const vardekAddress* pDest, vardekMethod eMethod, vardekParams* pParams,
                        vardekAnyCallback pfCallback, void* pParam) {
  vardekMessage msg = {};
  msg.sVardekAddress = *pDest;
  msg.eVardekPeerType = vardekPeerTypeVardek;
  msg.eVardekHeaderMask = vardekHeaderMaskCmd;
  msg.u32ApiVer = 1;
  msg.u32MsgId = s_u32NextMsgId++;
  msg.eMsgType = vardekMsgCmd;
  msg.eVardekMethod = eMethod;
  msg.eVardekResult = vardekResultUnknown;
  msg.sVardekParams = *pParams;
  msg.sVardekParams.eVardekParamMask = s_vardekMethodTable[eMethod].au32Params[vardekMsgCmd];
  msg.pfCallback = pfCallback;
  msg.pParam = pParam;
  // Without a transport nothing goes out, so nothing is left waiting either.
  if (s_pfVardekControlMsgCallback == nullptr) return -1;
  const VARDEK_METHOD& method = s_vardekMethodTable[eMethod];
  if (VARDEK_nAddCallback(pDest, msg.u32MsgId, eMethod, method.eCallback, pfCallback, pParam, method.bOneTime) != 0) {
    log_me("[%d]%s: pending table full, answers to id %u will be lost", __LINE__, __func__, msg.u32MsgId);
  }
  return VARDEK_nSend(&msg);
}

// A response to a received command, under the same id.
void VARDEK_vStartResponse(const vardekMessage* pCommand, vardekResultCode eResult, vardekMessage* pResponse) {
  *pResponse = {};
  pResponse->sVardekAddress = pCommand->sVardekAddress;
  pResponse->eVardekPeerType = vardekPeerTypeVardek;
  pResponse->eVardekHeaderMask = vardekHeaderMaskRsp;
  pResponse->u32ApiVer = 1;
  pResponse->u32MsgId = pCommand->u32MsgId;
  pResponse->eMsgType = vardekMsgRsp;
  pResponse->eVardekMethod = pCommand->eVardekMethod;
  pResponse->eVardekResult = eResult;
  pResponse->sVardekParams.eVardekParamMask = s_vardekMethodTable[pCommand->eVardekMethod].au32Params[vardekMsgRsp];
}

// getDeviceInfo: the unit is the only, and so the last, device.
int VARDEK_nAnswerDeviceInfo(vardekMessage* pCommand) {
  vardekMessage rsp;
  VARDEK_vStartResponse(pCommand, vardekResultNoMoreDevices, &rsp);
  vardekParams* p = &rsp.sVardekParams;
  p->eDesignation = s_DeviceInfo.eDesignation;
  p->tBdMacAddress = s_DeviceInfo.tBdMacAddress;
  p->ePeerType = s_DeviceInfo.ePeerType;
  memcpy(p->cDeviceName, s_DeviceInfo.cDeviceName, sizeof p->cDeviceName);
  p->nVersion = s_DeviceInfo.nSoftwareVersion;
  p->bConnected = s_DeviceInfo.bConnected;
  p->nBattery = s_DeviceInfo.nBattery;
  memcpy(p->cSerialNumber, s_DeviceInfo.cSerialNumber, sizeof p->cSerialNumber);
  VARDEK_nSend(&rsp);
  return 0;
}

// authChallenge: the decryption under the named key. A key the key file
// does not hold is refused without an answer.
int VARDEK_nAnswerChallenge(vardekMessage* pCommand) {
  const vardekParams* pIn = &pCommand->sVardekParams;
  U64* pullPlain = U_AUTHENTICATION_ullConvertToPlaintext(pIn->nKey, 1, &pIn->u64AuthData);
  if (pullPlain == nullptr) {
    log_me("[%d]%s: challenge under key %d refused", __LINE__, __func__, pIn->nKey);
    return -1;
  }
  vardekMessage rsp;
  VARDEK_vStartResponse(pCommand, vardekResultSuccess, &rsp);
  rsp.sVardekParams.u64AuthData = pullPlain[0];
  free(pullPlain);
  return VARDEK_nSend(&rsp);
}

}  // namespace

// ---------------------------------------------------------------------------

BOOLEAN U_BLUETOOTH_VARDEK_bCompleteVardekMessage(const U8* pu8Data, int nDataSize, int* pnStartIndex,
                                                  int* pnMessageSize) {
  *pnStartIndex = 0;
  *pnMessageSize = 0;
  const U8* pu8Open = nDataSize > 0 ? (const U8*)memchr(pu8Data, '{', (size_t)nDataSize) : nullptr;
  if (pu8Open == nullptr) return FALSE;
  const int nStart = (int)(pu8Open - pu8Data);
  *pnStartIndex = nStart;
  int nDepth = 0;
  BOOLEAN bInString = FALSE, bEscaped = FALSE;
  for (int i = nStart; i < nDataSize; i++) {
    const U8 c = pu8Data[i];
    if (bInString) {
      if (bEscaped) {
        bEscaped = FALSE;
      } else if (c == '\\') {
        bEscaped = TRUE;
      } else if (c == '"') {
        bInString = FALSE;
      }
    } else if (c == '"') {
      bInString = TRUE;
    } else if (c == '{') {
      nDepth++;
    } else if (c == '}' && --nDepth == 0) {
      *pnMessageSize = i - nStart + 1;
      return TRUE;
    }
  }
  return FALSE;
}

int U_BLUETOOTH_VARDEK_nParseVardekMessage(vardekAddress* pSrcAddress, const U8* pu8Data, int nDataSize,
                                           vardekMessage* pVardekMsg) {
  memset(pVardekMsg, 0, sizeof *pVardekMsg);
  pVardekMsg->sVardekAddress = *pSrcAddress;
  pVardekMsg->eVardekPeerType = vardekPeerTypeVardek;
  JSON_decoder root = new_JSON_decoder((const char*)pu8Data, nDataSize);
  const int nResult = VARDEK_nParseTree(root, pVardekMsg);
  JSON_decoder_done(root);
  return nResult;
}

int U_BLUETOOTH_VARDEK_nExecuteVardekMessage(vardekMessage* pVardekMsg) {
  const int method = pVardekMsg->eVardekMethod;
  if (method < 0 || method >= vardekMethodCount) return -1;
  switch (pVardekMsg->eMsgType) {
    case vardekMsgCmd:
      if (method == vardekMethodGetDeviceInfo) return VARDEK_nAnswerDeviceInfo(pVardekMsg);
      if (method == vardekMethodAuthChallenge) return VARDEK_nAnswerChallenge(pVardekMsg);
      return -1;
    case vardekMsgRsp: return VARDEK_nHandleAnswer(pVardekMsg, FALSE);
    case vardekMsgNotify:
      if (s_vardekMethodTable[method].au32Params[vardekMsgNotify] == NO_MESSAGE) return VARDEK_nHandleError(pVardekMsg);
      return VARDEK_nHandleAnswer(pVardekMsg, TRUE);
    case vardekMsgNak: return VARDEK_nHandleNak(pVardekMsg);
    default: return -1;
  }
}

int U_BLUETOOTH_VARDEK_nComposeVardekMessage(const vardekMessage* pVardekMsg, U8* pu8Buffer, int nBufferSize) {
  JSON_encoder_struct encoder;
  new_JSON_encoder(&encoder, (char*)pu8Buffer, nBufferSize, JSON_TYPE_OBJECT);
  if (!VARDEK_bCompose(&encoder, pVardekMsg)) return -1;
  return JSON_encoder_done(&encoder);
}

void U_BLUETOOTH_VARDEK_vTimerTick(void) {
  for (VARDEK_PENDING& row : s_vardekCallbackTable) {
    if (!row.bUsed || row.u32TimeoutTicks == 0 || --row.u32TimeoutTicks != 0) continue;
    // Freed before the call, so that the callback may send again at once.
    VARDEK_PENDING expired = row;
    row.bUsed = FALSE;
    if (expired.pfCallback == nullptr || expired.eCallbackType > vardekCallbackTypeDeviceInfo) continue;
    vardekParams empty;
    VARDEK_vEmptyParams(&empty);
    VARDEK_nInvoke(expired.eCallbackType, expired.pfCallback, &expired.sVardekAddress, expired.u32MsgId, vardekMsgRsp,
                   expired.eVardekMethod, vardekResultTimeout, &empty, nullptr, expired.pParam);
  }
}

int U_BLUETOOTH_VARDEK_nSetVardekControlMsgCallback(vardekControlMsgCallback pfCallback, void* pParam) {
  s_pfVardekControlMsgCallback = pfCallback;
  s_pvVardekControlMsgParam = pParam;
  return 0;
}

int U_BLUETOOTH_VARDEK_nSetDeviceInfo(BD_ADDR_t* pBdMacAddress, vardekPeerType ePeerType, const char* pcDeviceName,
                                      const char* pcSerialNumber, int nSoftwareVersionX1000) {
  s_DeviceInfo.tBdMacAddress = *pBdMacAddress;
  s_DeviceInfo.ePeerType = ePeerType;
  snprintf(s_DeviceInfo.cDeviceName, sizeof s_DeviceInfo.cDeviceName, "%s", pcDeviceName);
  snprintf(s_DeviceInfo.cSerialNumber, sizeof s_DeviceInfo.cSerialNumber, "%s", pcSerialNumber);
  s_DeviceInfo.nSoftwareVersion = nSoftwareVersionX1000;
  s_DeviceInfo.nBattery = 0;
  s_DeviceInfo.bConnected = TRUE;
  s_DeviceInfo.eDesignation = vardekDesignationPeripheral;
  return 0;
}

int U_BLUETOOTH_VARDEK_nClearAllCallbacks(vardekAddress*) {
  for (VARDEK_PENDING& row : s_vardekCallbackTable) row = {};
  return 0;
}

void U_BLUETOOTH_VARDEK_vReset(void) {
  U_BLUETOOTH_VARDEK_nClearAllCallbacks(nullptr);
  s_u32NextMsgId = VARDEK_FIRST_ID;
  s_pfVardekControlMsgCallback = nullptr;
  s_pvVardekControlMsgParam = nullptr;
  s_DeviceInfo = {{}, vardekPeerTypeVorne, "", "", 0, 0, TRUE, vardekDesignationPeripheral};
}

// ---------------------------------------------------------------------------
// Client operations

#define VARDEK_SEND(method, params, callback) \
  VARDEK_nSendCommand(pDestAddress, method, params, (vardekAnyCallback)(callback), pParam)

int U_BLUETOOTH_VARDEK_nSetVardekMode(vardekAddress* pDestAddress, vardekModeType eMode, vardekResultCallback pfCallback,
                                      void* pParam) {
  vardekParams p = {};
  p.eMode = eMode;
  return VARDEK_SEND(vardekMethodSetVardekMode, &p, pfCallback);
}

int U_BLUETOOTH_VARDEK_nGetVardekMode(vardekAddress* pDestAddress, vardekModeCallback pfCallback, void* pParam) {
  vardekParams p = {};
  return VARDEK_SEND(vardekMethodGetVardekMode, &p, pfCallback);
}

int U_BLUETOOTH_VARDEK_nNotifyVardekMode(vardekAddress* pDestAddress, BOOLEAN bEnable, vardekModeCallback pfCallback,
                                         void* pParam) {
  vardekParams p = {};
  p.bEnable = bEnable;
  return VARDEK_SEND(vardekMethodNotifyVardekMode, &p, pfCallback);
}

static int VARDEK_nTargetCommand(vardekAddress* pDestAddress, vardekMethod eMethod, vardekTargetType eTarget,
                                 vardekResultCallback pfCallback, void* pParam) {
  vardekParams p = {};
  p.eTarget = eTarget;
  return VARDEK_SEND(eMethod, &p, pfCallback);
}

int U_BLUETOOTH_VARDEK_nDeployVardek(vardekAddress* pDestAddress, vardekTargetType eTarget,
                                     vardekResultCallback pfCallback, void* pParam) {
  return VARDEK_nTargetCommand(pDestAddress, vardekMethodDeployVardek, eTarget, pfCallback, pParam);
}

int U_BLUETOOTH_VARDEK_nRetractVardek(vardekAddress* pDestAddress, vardekTargetType eTarget,
                                      vardekResultCallback pfCallback, void* pParam) {
  return VARDEK_nTargetCommand(pDestAddress, vardekMethodRetractVardek, eTarget, pfCallback, pParam);
}

int U_BLUETOOTH_VARDEK_nPauseVardek(vardekAddress* pDestAddress, vardekTargetType eTarget,
                                    vardekResultCallback pfCallback, void* pParam) {
  return VARDEK_nTargetCommand(pDestAddress, vardekMethodPauseVardek, eTarget, pfCallback, pParam);
}

// A command without parameters, or with only "enable".
static int VARDEK_nPlainCommand(vardekAddress* pDestAddress, vardekMethod eMethod, BOOLEAN bEnable,
                                vardekAnyCallback pfCallback, void* pParam) {
  vardekParams p = {};
  p.bEnable = bEnable;
  return VARDEK_SEND(eMethod, &p, pfCallback);
}

int U_BLUETOOTH_VARDEK_nGetVardekState(vardekAddress* pDestAddress, vardekStateCallback pfCallback, void* pParam) {
  return VARDEK_nPlainCommand(pDestAddress, vardekMethodGetVardekState, FALSE, (vardekAnyCallback)pfCallback, pParam);
}

int U_BLUETOOTH_VARDEK_nNotifyVardekState(vardekAddress* pDestAddress, BOOLEAN bEnable,
                                          vardekStateCallback pfCallback, void* pParam) {
  return VARDEK_nPlainCommand(pDestAddress, vardekMethodNotifyVardekState, bEnable, (vardekAnyCallback)pfCallback,
                              pParam);
}

int U_BLUETOOTH_VARDEK_nGetVardekDepth(vardekAddress* pDestAddress, vardekDepthCallback pfCallback, void* pParam) {
  return VARDEK_nPlainCommand(pDestAddress, vardekMethodGetVardekDepth, FALSE, (vardekAnyCallback)pfCallback, pParam);
}

int U_BLUETOOTH_VARDEK_nNotifyVardekDepth(vardekAddress* pDestAddress, BOOLEAN bEnable,
                                          vardekDepthCallback pfCallback, void* pParam) {
  return VARDEK_nPlainCommand(pDestAddress, vardekMethodNotifyVardekDepth, bEnable, (vardekAnyCallback)pfCallback,
                              pParam);
}

int U_BLUETOOTH_VARDEK_nSetVardekLeds(vardekAddress* pDestAddress, vardekLedType eLedType,
                                      vardekIntensityType eLedIntensity, vardekResultCallback pfCallback, void* pParam) {
  vardekParams p = {};
  p.eLedType = eLedType;
  p.eLedIntensity = eLedIntensity;
  return VARDEK_SEND(vardekMethodSetVardekLeds, &p, pfCallback);
}

int U_BLUETOOTH_VARDEK_nGetVardekLeds(vardekAddress* pDestAddress, vardekLedsCallback pfCallback, void* pParam) {
  return VARDEK_nPlainCommand(pDestAddress, vardekMethodGetVardekLeds, FALSE, (vardekAnyCallback)pfCallback, pParam);
}

int U_BLUETOOTH_VARDEK_nNotifyVardekLeds(vardekAddress* pDestAddress, BOOLEAN bEnable, vardekLedsCallback pfCallback,
                                         void* pParam) {
  return VARDEK_nPlainCommand(pDestAddress, vardekMethodNotifyVardekLeds, bEnable, (vardekAnyCallback)pfCallback,
                              pParam);
}

int U_BLUETOOTH_VARDEK_nCycleVardekLeds(vardekAddress* pDestAddress, vardekResultCallback pfCallback, void* pParam) {
  return VARDEK_nPlainCommand(pDestAddress, vardekMethodCycleVardekLeds, FALSE, (vardekAnyCallback)pfCallback, pParam);
}

int U_BLUETOOTH_VARDEK_nSetAccessoryPower(vardekAddress* pDestAddress, vardekTargetType eTarget,
                                          vardekPowerType eAccessoryPower, vardekResultCallback pfCallback,
                                          void* pParam) {
  vardekParams p = {};
  p.eTarget = eTarget;
  p.eAccessoryPower = eAccessoryPower;
  return VARDEK_SEND(vardekMethodSetAccessoryPower, &p, pfCallback);
}

int U_BLUETOOTH_VARDEK_nGetAccessoryPower(vardekAddress* pDestAddress, vardekAccessoryPowerCallback pfCallback,
                                          void* pParam) {
  return VARDEK_nPlainCommand(pDestAddress, vardekMethodGetAccessoryPower, FALSE, (vardekAnyCallback)pfCallback,
                              pParam);
}

int U_BLUETOOTH_VARDEK_nNotifyAccessoryPower(vardekAddress* pDestAddress, BOOLEAN bEnable,
                                             vardekAccessoryPowerCallback pfCallback, void* pParam) {
  return VARDEK_nPlainCommand(pDestAddress, vardekMethodNotifyAccessoryPower, bEnable, (vardekAnyCallback)pfCallback,
                              pParam);
}

int U_BLUETOOTH_VARDEK_nPairingEvent(vardekAddress* pDestAddress, vardekPairingEvent ePairingEvent,
                                     vardekResultCallback pfCallback, void* pParam) {
  vardekParams p = {};
  p.ePairingEvent = ePairingEvent;
  return VARDEK_SEND(vardekMethodPairingEvent, &p, pfCallback);
}

int U_BLUETOOTH_VARDEK_nSetVardekDesignation(vardekAddress* pDestAddress, vardekDesignationType eVardekDesignation,
                                             vardekResultCallback pfCallback, void* pParam) {
  vardekParams p = {};
  p.eDesignation = eVardekDesignation;
  return VARDEK_SEND(vardekMethodSetVardekDesignation, &p, pfCallback);
}

int U_BLUETOOTH_VARDEK_nReverseVardekDesignation(vardekAddress* pDestAddress, vardekResultCallback pfCallback,
                                                 void* pParam) {
  return VARDEK_nPlainCommand(pDestAddress, vardekMethodReverseVardekDesignation, FALSE, (vardekAnyCallback)pfCallback,
                              pParam);
}

int U_BLUETOOTH_VARDEK_nSetManualMode(vardekAddress* pDestAddress, vardekTargetType eTarget, BOOLEAN bEnable,
                                      vardekResultCallback pfCallback, void* pParam) {
  vardekParams p = {};
  p.eTarget = eTarget;
  p.bEnable = bEnable;
  return VARDEK_SEND(vardekMethodSetManualMode, &p, pfCallback);
}

int U_BLUETOOTH_VARDEK_nForgetDevice(vardekAddress* pDestAddress, BD_ADDR_t* pBdMacAddress,
                                     vardekResultCallback pfCallback, void* pParam) {
  vardekParams p = {};
  p.tBdMacAddress = *pBdMacAddress;
  return VARDEK_SEND(vardekMethodForgetDevice, &p, pfCallback);
}

int U_BLUETOOTH_VARDEK_nGetDeviceInfo(vardekAddress* pDestAddress, vardekDeviceInfoCallback pfCallback, void* pParam) {
  return VARDEK_nPlainCommand(pDestAddress, vardekMethodGetDeviceInfo, FALSE, (vardekAnyCallback)pfCallback, pParam);
}

int U_BLUETOOTH_VARDEK_nStartSwUpdate(vardekAddress* pDestAddress, vardekSwUpdateCallback pfCallback, int numBytes,
                                      void* pParam) {
  vardekParams p = {};
  p.nNumBytes = numBytes;
  return VARDEK_SEND(vardekMethodStartSwUpdate, &p, pfCallback);
}

static int VARDEK_nPortCommand(vardekAddress* pDestAddress, vardekMethod eMethod, int nPort,
                               vardekDeviceInfoCallback pfCallback, void* pParam) {
  vardekParams p = {};
  p.nPort = nPort;
  return VARDEK_SEND(eMethod, &p, pfCallback);
}

int U_BLUETOOTH_VARDEK_nQueryPort(vardekAddress* pDestAddress, int nPort, vardekDeviceInfoCallback pfCallback,
                                  void* pParam) {
  return VARDEK_nPortCommand(pDestAddress, vardekMethodQueryPort, nPort, pfCallback, pParam);
}

int U_BLUETOOTH_VARDEK_nDisconnectPort(vardekAddress* pDestAddress, int nPort, vardekDeviceInfoCallback pfCallback,
                                       void* pParam) {
  return VARDEK_nPortCommand(pDestAddress, vardekMethodDisconnectPort, nPort, pfCallback, pParam);
}

int U_BLUETOOTH_VARDEK_nSendAuthenticationCommand(vardekAddress* pDestAddress,
                                                  vardekAuthenticationCallback pfCallback, int key, U64 challenge,
                                                  void* pParam) {
  vardekParams p = {};
  p.nKey = key;
  p.u64AuthData = challenge;
  return VARDEK_SEND(vardekMethodAuthChallenge, &p, pfCallback);
}
