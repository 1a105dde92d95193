// The JSON request/response protocol between the unit and the shallow-water
// anchor accessory: framing of a byte stream, parsing and dispatch of one
// message, composing, a table of pending requests with time-outs, one client
// operation per method and the two commands the unit answers itself.
//
// The transport is the driver's: it registers a send hook that gets every
// outgoing message (to compose and write), feeds received bytes to framing,
// parsing and dispatch, and calls the tick at a fixed period. All operations,
// the tick included, run on that one driver task.
#pragma once

#include "basetypes.h"

struct BD_ADDR_t {
  U8 BD_ADDR0;  // least significant
  U8 BD_ADDR1;
  U8 BD_ADDR2;
  U8 BD_ADDR3;
  U8 BD_ADDR4;
  U8 BD_ADDR5;  // most significant, first in the text form
};

struct vardekAddress {
  BD_ADDR_t addr;
  int nChannel;
};

enum vardekMsgType : int {
  vardekMsgUnknown = -1,
  vardekMsgCmd = 0,
  vardekMsgRsp = 1,
  vardekMsgNotify = 2,
  vardekMsgNak = 3,
  vardekMsgCount = 4,
};

enum vardekMethod : int {
  vardekMethodUnknown = -1,
  vardekMethodSetVardekMode = 0,
  vardekMethodGetVardekMode,
  vardekMethodNotifyVardekMode,
  vardekMethodDeployVardek,
  vardekMethodRetractVardek,
  vardekMethodPauseVardek,
  vardekMethodGetVardekState,
  vardekMethodNotifyVardekState,
  vardekMethodGetVardekDepth,
  vardekMethodNotifyVardekDepth,
  vardekMethodSetVardekLeds,
  vardekMethodGetVardekLeds,
  vardekMethodNotifyVardekLeds,
  vardekMethodCycleVardekLeds,
  vardekMethodSetAccessoryPower,
  vardekMethodGetAccessoryPower,
  vardekMethodNotifyAccessoryPower,
  vardekMethodPairingEvent,
  vardekMethodSetVardekDesignation,
  vardekMethodReverseVardekDesignation,
  vardekMethodSetManualMode,
  vardekMethodForgetDevice,
  vardekMethodGetDeviceInfo,
  vardekMethodStartSwUpdate,
  vardekMethodQueryPort,
  vardekMethodDisconnectPort,
  vardekMethodAuthChallenge,
  vardekMethodCount = 27,
};

enum vardekResultCode : int {
  vardekResultUnknown = -1,
  vardekResultSuccess = 0,
  vardekResultNoMoreDevices = 1,    // the last of a series of device descriptions
  vardekResultUpdateComplete = 2,   // the last of a series of update responses
  vardekResultFailure = 3,
  vardekResultInvalidHeader = 4,
  vardekResultInvalidMethod = 5,
  vardekResultInvalidParameter = 6,
  vardekResultTimeout = 7,          // made here when no answer came
};

enum vardekHeaderMask : U32 {
  vardekHeaderMaskApiVer = 1,
  vardekHeaderMaskMsgId = 2,
  vardekHeaderMaskMsgType = 4,
  vardekHeaderMaskMethod = 8,
  vardekHeaderMaskResult = 16,
  vardekHeaderMaskInput = 32,
  vardekHeaderMaskOutput = 64,
  vardekHeaderMaskNotify = 128,
  vardekHeaderMaskCmd = 47,
  vardekHeaderMaskRsp = 95,
  vardekHeaderMaskNotification = 143,
  vardekHeaderMaskNak = 15,
};

enum vardekParamMask : U32 {
  vardekParamMaskEnable = 0x1,
  vardekParamMaskLeftDepth = 0x2,
  vardekParamMaskRightDepth = 0x4,
  vardekParamMaskAccessoryPower = 0x8,
  vardekParamMaskLeftAccessoryPower = 0x10,
  vardekParamMaskRightAccessoryPower = 0x20,
  vardekParamMaskMode = 0x40,
  vardekParamMaskTarget = 0x80,
  vardekParamMaskDesignation = 0x100,
  vardekParamMaskLeftState = 0x200,
  vardekParamMaskRightState = 0x400,
  vardekParamMaskLedType = 0x800,
  vardekParamMaskLedIntensity = 0x1000,
  vardekParamMaskPanelIntensity = 0x2000,
  vardekParamMaskMacAddress = 0x4000,
  vardekParamMaskPeerType = 0x8000,
  vardekParamMaskDeviceName = 0x10000,
  vardekParamMaskVersion = 0x20000,
  vardekParamMaskNumBytes = 0x40000,
  vardekParamMaskConnected = 0x80000,
  vardekParamMaskBattery = 0x100000,
  vardekParamMaskSerialNumber = 0x200000,
  vardekParamMaskPairingEvent = 0x400000,
  vardekParamMaskPort = 0x800000,
  vardekParamMaskEncryptionKey = 0x1000000,
  vardekParamMaskData = 0x2000000,
};

enum vardekPowerType : int { vardekPowerUnknown = -1, vardekPowerOff = 0, vardekPowerOn = 1 };
enum vardekModeType : int {
  vardekModeUnknown = -1,
  vardekModeStandard = 0,
  vardekModeRoughWater = 1,
  vardekModeSoftBottom = 2,
};
enum vardekTargetType : int { vardekTargetUnknown = -1, vardekTargetLeft = 0, vardekTargetRight = 1, vardekTargetAll = 2 };
enum vardekDesignationType : int {
  vardekDesignationUnknown = -1,
  vardekDesignationLeft = 0,
  vardekDesignationRight = 1,
  vardekDesignationPeripheral = 2,
};
enum vardekStateType : int {
  vardekStateUnknown = -1,
  vardekStateHome = 0,
  vardekStateDeploying = 1,
  vardekStatePausedDeploying = 2,
  vardekStateDeployed = 3,
  vardekStateRetracting = 4,
  vardekStatePausedRetracting = 5,
  vardekStateStop = 6,
  vardekStateManual = 7,
  vardekStateNotAvailable = 8,
};
enum vardekLedType : int { vardekLedUnknown = -1, vardekLedOff = 0, vardekLedWork = 1, vardekLedAccent = 2, vardekLedPanel = 3 };
enum vardekIntensityType : int {
  vardekIntensityUnknown = -1,
  vardekIntensityOff = 0,
  vardekIntensityLow = 1,
  vardekIntensityMedium = 2,
  vardekIntensityHigh = 3,
};
enum vardekPeerType : int {
  vardekPeerTypeUnknown = -1,
  vardekPeerTypeClassic = 0,
  vardekPeerTypeVorne = 1,    // a display unit of this family
  vardekPeerTypeKelvash = 2,  // a display unit of the sibling line
  vardekPeerTypeIphone = 3,
  vardekPeerTypeAndroid = 4,
  vardekPeerTypeNavro = 5,    // the trolling-motor control
  vardekPeerTypeRemote = 6,
  vardekPeerTypeFootswitch = 7,
  vardekPeerTypeHandheld = 8,
  vardekPeerTypeVardek = 9,
  vardekPeerTypeFactoryTest = 10,
};
enum vardekPairingEvent : int {
  vardekPairingEventUnknown = -1,
  vardekPairingEventEnter = 0,
  vardekPairingEventPairedClassic = 1,
  vardekPairingEventPairedLowEnergy = 2,
  vardekPairingEventTimeout = 3,
};

constexpr int VARDEK_DEVICE_NAME_SIZE = 33;    // 32 characters and a NUL
constexpr int VARDEK_SERIAL_NUMBER_SIZE = 17;  // 16 characters and a NUL

struct vardekParams {
  U32 eVardekParamMask;  // vardekParamMask bits of the parameters present
  int nLeftDepth;
  int nRightDepth;
  int nNumBytes;
  int nVersion;  // software version x 1000
  int nBattery;
  int nPort;
  int nKey;
  U64 u64AuthData;
  vardekPowerType eAccessoryPower;
  vardekPowerType eLeftAccessoryPower;
  vardekPowerType eRightAccessoryPower;
  vardekModeType eMode;
  vardekTargetType eTarget;
  vardekDesignationType eDesignation;
  vardekStateType eLeftState;
  vardekStateType eRightState;
  vardekLedType eLedType;
  vardekIntensityType eLedIntensity;
  vardekIntensityType ePanelIntensity;
  BD_ADDR_t tBdMacAddress;
  vardekPeerType ePeerType;
  vardekPairingEvent ePairingEvent;
  char cDeviceName[VARDEK_DEVICE_NAME_SIZE];
  char cSerialNumber[VARDEK_SERIAL_NUMBER_SIZE];
  BOOLEAN bEnable;
  BOOLEAN bConnected;
};

typedef void (*vardekAnyCallback)(void);  // one of the callback types below, by the row's type

struct vardekMessage {
  vardekAddress sVardekAddress;  // source of a received message, destination of a sent one
  vardekPeerType eVardekPeerType;
  U32 eVardekHeaderMask;         // vardekHeaderMask bits
  U32 u32ApiVer;                 // 1
  U32 u32MsgId;
  vardekMsgType eMsgType;
  vardekMethod eVardekMethod;
  vardekResultCode eVardekResult;
  vardekParams sVardekParams;
  vardekAnyCallback pfCallback;  // the requester's, carried with a sent command
  void* pParam;
};

enum vardekCallbackType : int {
  vardekCallbackTypeUnknown = -1,
  vardekCallbackTypeResult = 0,
  vardekCallbackTypeMode = 1,
  vardekCallbackTypeState = 2,
  vardekCallbackTypeDepth = 3,
  vardekCallbackTypeLeds = 4,
  vardekCallbackTypeAccessoryPower = 5,
  vardekCallbackTypeDeviceInfo = 6,
  vardekCallbackTypeSwUpdate = 7,
  vardekCallbackTypeAuthentication = 8,
};

// Answers reach the requester through these. Pointers handed to a callback
// are valid during the call only.
#define VARDEK_CALLBACK_HEAD vardekAddress *pAddress, U32 u32MsgId, vardekMsgType eMsgType, vardekMethod eMethod, \
                             vardekResultCode eResult
typedef int (*vardekResultCallback)(VARDEK_CALLBACK_HEAD, void* pParam);
typedef int (*vardekModeCallback)(VARDEK_CALLBACK_HEAD, vardekModeType eMode, void* pParam);
typedef int (*vardekStateCallback)(VARDEK_CALLBACK_HEAD, vardekStateType eLeft, vardekStateType eRight, void* pParam);
typedef int (*vardekDepthCallback)(VARDEK_CALLBACK_HEAD, int nLeftDepth, int nRightDepth, void* pParam);
typedef int (*vardekLedsCallback)(VARDEK_CALLBACK_HEAD, vardekLedType eLedType, vardekIntensityType eLedIntensity,
                                  vardekIntensityType ePanelIntensity, void* pParam);
typedef int (*vardekAccessoryPowerCallback)(VARDEK_CALLBACK_HEAD, vardekPowerType eLeft, vardekPowerType eRight,
                                            void* pParam);
// pBdMacAddress is null after a time-out.
typedef int (*vardekDeviceInfoCallback)(VARDEK_CALLBACK_HEAD, BD_ADDR_t* pBdMacAddress, vardekPeerType ePeerType,
                                        char* pcDeviceName, char* pcSerialNumber, int nVersion, int nBattery,
                                        BOOLEAN bConnected, vardekDesignationType eDesignation, void* pParam);
typedef int (*vardekSwUpdateCallback)(VARDEK_CALLBACK_HEAD, int nNumBytes, void* pParam);
typedef int (*vardekAuthenticationCallback)(VARDEK_CALLBACK_HEAD, U64 u64Data, void* pParam);
#undef VARDEK_CALLBACK_HEAD

// The transport's send hook: gets each outgoing message; its result is the
// client operation's.
typedef int (*vardekControlMsgCallback)(vardekMessage* pVardekMsg, void* pParam);

// Rows of the pending table and ticks until an unanswered request times out.
constexpr int VARDEK_PENDING_ROWS = 32;
constexpr U32 VARDEK_TIMEOUT_TICKS = 20;

// Finds the first complete message: from the first '{' to the '}' that
// brings the depth back to 0, braces inside strings not counted. TRUE with
// its start and size; FALSE with start 0 (no '{') or at the '{' (incomplete,
// keep the bytes), size 0.
BOOLEAN U_BLUETOOTH_VARDEK_bCompleteVardekMessage(const U8* pu8Data, int nDataSize, int* pnStartIndex,
                                                  int* pnMessageSize);
// Parses the nDataSize bytes of one framed message from pSrcAddress into
// pVardekMsg: 0 when well formed, -1 otherwise (the record then holds what
// was read before the fault).
int U_BLUETOOTH_VARDEK_nParseVardekMessage(vardekAddress* pSrcAddress, const U8* pu8Data, int nDataSize,
                                           vardekMessage* pVardekMsg);
// Hands a parsed message to its handler: a response or notification to the
// waiting callback, a nak to the waiting callback, the two commands the unit
// answers to their answer. Returns the handler's result; -1 for a command
// the unit refuses or a method or type out of range.
int U_BLUETOOTH_VARDEK_nExecuteVardekMessage(vardekMessage* pVardekMsg);
// Composes the message into pu8Buffer, at most nBufferSize - 1 bytes of text
// and a terminator. Returns the text's length, or -1 when it does not fit or
// a field has no name on the wire.
int U_BLUETOOTH_VARDEK_nComposeVardekMessage(const vardekMessage* pVardekMsg, U8* pu8Buffer, int nBufferSize);
// One time-out tick: a request unanswered for VARDEK_TIMEOUT_TICKS gets its
// callback once with vardekResultTimeout, and its row is freed.
void U_BLUETOOTH_VARDEK_vTimerTick(void);
int U_BLUETOOTH_VARDEK_nSetVardekControlMsgCallback(vardekControlMsgCallback pfCallback, void* pParam);
// The unit's own description for getDeviceInfo; name and serial number are
// cut to 32 and 16 characters.
int U_BLUETOOTH_VARDEK_nSetDeviceInfo(BD_ADDR_t* pBdMacAddress, vardekPeerType ePeerType, const char* pcDeviceName,
                                      const char* pcSerialNumber, int nSoftwareVersionX1000);
// Empties the whole pending table (whatever the address).
int U_BLUETOOTH_VARDEK_nClearAllCallbacks(vardekAddress* pVardekAddress);
// Back to the start: ids from 1001, empty table, no hook, default description.
void U_BLUETOOTH_VARDEK_vReset(void);

// Client operations: each sends one command to pDestAddress with the next
// id, registers the callback for its answers, and returns the send hook's
// result (-1 without a hook).
int U_BLUETOOTH_VARDEK_nSetVardekMode(vardekAddress* pDestAddress, vardekModeType eMode, vardekResultCallback pfCallback,
                                      void* pParam);
int U_BLUETOOTH_VARDEK_nGetVardekMode(vardekAddress* pDestAddress, vardekModeCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nNotifyVardekMode(vardekAddress* pDestAddress, BOOLEAN bEnable, vardekModeCallback pfCallback,
                                         void* pParam);
int U_BLUETOOTH_VARDEK_nDeployVardek(vardekAddress* pDestAddress, vardekTargetType eTarget,
                                     vardekResultCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nRetractVardek(vardekAddress* pDestAddress, vardekTargetType eTarget,
                                      vardekResultCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nPauseVardek(vardekAddress* pDestAddress, vardekTargetType eTarget,
                                    vardekResultCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nGetVardekState(vardekAddress* pDestAddress, vardekStateCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nNotifyVardekState(vardekAddress* pDestAddress, BOOLEAN bEnable,
                                          vardekStateCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nGetVardekDepth(vardekAddress* pDestAddress, vardekDepthCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nNotifyVardekDepth(vardekAddress* pDestAddress, BOOLEAN bEnable,
                                          vardekDepthCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nSetVardekLeds(vardekAddress* pDestAddress, vardekLedType eLedType,
                                      vardekIntensityType eLedIntensity, vardekResultCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nGetVardekLeds(vardekAddress* pDestAddress, vardekLedsCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nNotifyVardekLeds(vardekAddress* pDestAddress, BOOLEAN bEnable, vardekLedsCallback pfCallback,
                                         void* pParam);
int U_BLUETOOTH_VARDEK_nCycleVardekLeds(vardekAddress* pDestAddress, vardekResultCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nSetAccessoryPower(vardekAddress* pDestAddress, vardekTargetType eTarget,
                                          vardekPowerType eAccessoryPower, vardekResultCallback pfCallback,
                                          void* pParam);
int U_BLUETOOTH_VARDEK_nGetAccessoryPower(vardekAddress* pDestAddress, vardekAccessoryPowerCallback pfCallback,
                                          void* pParam);
int U_BLUETOOTH_VARDEK_nNotifyAccessoryPower(vardekAddress* pDestAddress, BOOLEAN bEnable,
                                             vardekAccessoryPowerCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nPairingEvent(vardekAddress* pDestAddress, vardekPairingEvent ePairingEvent,
                                     vardekResultCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nSetVardekDesignation(vardekAddress* pDestAddress, vardekDesignationType eVardekDesignation,
                                             vardekResultCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nReverseVardekDesignation(vardekAddress* pDestAddress, vardekResultCallback pfCallback,
                                                 void* pParam);
int U_BLUETOOTH_VARDEK_nSetManualMode(vardekAddress* pDestAddress, vardekTargetType eTarget, BOOLEAN bEnable,
                                      vardekResultCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nForgetDevice(vardekAddress* pDestAddress, BD_ADDR_t* pBdMacAddress,
                                     vardekResultCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nGetDeviceInfo(vardekAddress* pDestAddress, vardekDeviceInfoCallback pfCallback, void* pParam);
int U_BLUETOOTH_VARDEK_nStartSwUpdate(vardekAddress* pDestAddress, vardekSwUpdateCallback pfCallback, int numBytes,
                                      void* pParam);
int U_BLUETOOTH_VARDEK_nQueryPort(vardekAddress* pDestAddress, int nPort, vardekDeviceInfoCallback pfCallback,
                                  void* pParam);
int U_BLUETOOTH_VARDEK_nDisconnectPort(vardekAddress* pDestAddress, int nPort, vardekDeviceInfoCallback pfCallback,
                                       void* pParam);
int U_BLUETOOTH_VARDEK_nSendAuthenticationCommand(vardekAddress* pDestAddress,
                                                  vardekAuthenticationCallback pfCallback, int key, U64 challenge,
                                                  void* pParam);
