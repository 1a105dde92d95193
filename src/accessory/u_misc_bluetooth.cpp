// The identification values of the unit for a phone-accessory link, and the
// local adapter's address read through the kernel's HCI interface.

#include "u_misc_bluetooth.h"

#include <bluetooth/bluetooth.h>
#include <bluetooth/hci.h>
#include <bluetooth/hci_lib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "h_database.h"
#include "linuxsvc.h"
#include "model_current.h"
#include "u_wstring.h"
#include "version.h"

namespace {

constexpr const char* MISC_MANUFACTURER = "Velmora Marine";
// The protocol name: 20 characters of reverse-domain text.
constexpr const char MISC_PROTOCOL_NAME[] = "com.velmora.protocol";
static_assert(sizeof MISC_PROTOCOL_NAME == 21, "the protocol parameter carries 20 characters and a NUL");

constexpr int MISC_BLOCK_SIZE = 48;

// The address as the kernel's stack reports it for the last adapter listed;
// an adapter in raw mode without one is asked for it first.
BOOLEAN MISC_BLUETOOTH_bReadHci(U8 au8Address[6]) {
  const int sock = socket(AF_BLUETOOTH, SOCK_RAW | SOCK_CLOEXEC, BTPROTO_HCI);
  if (sock < 0) {
    log_me("[%d]%s: Can't open HCI socket.", __LINE__, __func__);
    return FALSE;
  }
  hci_dev_list_req* pList = (hci_dev_list_req*)calloc(1, sizeof(hci_dev_list_req) + HCI_MAX_DEV * sizeof(hci_dev_req));
  bdaddr_t tAddress = {};
  if (pList == nullptr) {
    log_me("[%d]%s: Can't allocate memory", __LINE__, __func__);
  } else {
    pList->dev_num = HCI_MAX_DEV;
    if (ioctl(sock, HCIGETDEVLIST, pList) < 0) {
      log_me("[%d]%s: Can't get device list", __LINE__, __func__);
    } else {
      for (int i = 0; i < pList->dev_num && i < HCI_MAX_DEV; i++) {
        hci_dev_info tInfo = {};
        tInfo.dev_id = pList->dev_req[i].dev_id;
        if (ioctl(sock, HCIGETDEVINFO, &tInfo) < 0) continue;
        const bdaddr_t tZero = {};
        if (hci_test_bit(HCI_RAW, &tInfo.flags) && bacmp(&tInfo.bdaddr, &tZero) == 0) {
          const int dd = hci_open_dev(tInfo.dev_id);
          if (dd >= 0) {
            hci_read_bd_addr(dd, &tInfo.bdaddr, 1000);
            hci_close_dev(dd);
          }
        }
        tAddress = tInfo.bdaddr;
      }
    }
    free(pList);
  }
  close(sock);
  // The kernel keeps the least significant byte first.
  for (int i = 0; i < 6; i++) au8Address[i] = tAddress.b[5 - i];
  static const U8 s_au8Zero[6] = {};
  return memcmp(au8Address, s_au8Zero, 6) != 0;
}

U_MISC_BLUETOOTH_ADDRESS_READER s_pfAddressReader = MISC_BLUETOOTH_bReadHci;

// Appends one parameter to a block: 4 header bytes and the data.
void MISC_vAddParameter(U8* pu8Block, int* pnLength, U16 u16Id, const void* pvData, int nData) {
  U8* pu8 = pu8Block + *pnLength;
  const int nTotal = nData + 4;
  pu8[0] = (U8)(nTotal >> 8);
  pu8[1] = (U8)nTotal;
  pu8[2] = (U8)(u16Id >> 8);
  pu8[3] = (U8)u16Id;
  if (nData > 0) memcpy(pu8 + 4, pvData, (size_t)nData);
  *pnLength += nTotal;
}

S32 MISC_s32Setting(FOURCHARID id) {
  U32 u32Value = 0;
  H_DATABASE_bFetchU32(id, &u32Value, nullptr, nullptr);
  return (S32)u32Value;
}

}  // namespace

MODEL_TYPE U_MISC_BLUETOOTH_eFetchModelNumber(void) { return MODEL_eCurrent(); }

const char* U_MISC_BLUETOOTH_pcFetchUnitName(void) { return MODEL_pcFetchModelText(MODEL_eCurrent()); }

const char* U_MISC_BLUETOOTH_pcFetchModelName(void) { return U_MISC_BLUETOOTH_pcFetchUnitName(); }

const char* U_MISC_BLUETOOTH_pcFetchManufacturerName(void) { return MISC_MANUFACTURER; }

const char* U_MISC_BLUETOOTH_pcFetchSerialNumber(void) {
  static char s_acSerial[15];
  snprintf(s_acSerial, sizeof s_acSerial, "%05d%02d%04d", (int)MISC_s32Setting(FCID("SEDU")),
           (int)MISC_s32Setting(FCID("SEIU")), (int)MISC_s32Setting(FCID("SENU")));
  return s_acSerial;
}

const char* U_MISC_BLUETOOTH_pcFetchFirmwareVersion(void) {
  static char s_acVersion[sizeof VERSION_INFO::version];
  U_WSTRING_vUnicode2Ascii(s_acVersion, VERSION_pversion_infoGetCurrentVersion()->version, sizeof s_acVersion, FALSE);
  return s_acVersion;
}

const char* U_MISC_BLUETOOTH_pcFetchHardwareVersion(void) {
  static char s_acHardware[10];
  U32 u32Rev = 0;
  if (!H_DATABASE_bFetchU32(FCID("CREV"), &u32Rev, nullptr, nullptr)) return "1.0";
  if (u32Rev == 0) return "1.0.";
  snprintf(s_acHardware, sizeof s_acHardware, "%d", (int)u32Rev);
  return s_acHardware;
}

const U8* U_MISC_BLUETOOTH_pu8FetchExternalAccessoryMessageIDs(int* pnLength) {
  static const U8 s_au8None[1] = {};
  *pnLength = 0;
  return s_au8None;
}

const U8* U_MISC_BLUETOOTH_pu8FetchDeviceMessageIDs(int* pnLength) {
  static const U8 s_au8Ids[] = {0xEA, 0x00, 0xEA, 0x01};
  *pnLength = sizeof s_au8Ids;
  return s_au8Ids;
}

const U8* U_MISC_BLUETOOTH_pu8FetchPowerProvidingCapability(int* pnLength) {
  static const U8 s_au8None[1] = {0};
  *pnLength = 1;
  return s_au8None;
}

const U8* U_MISC_BLUETOOTH_pu8MaximumCurrentDrawnFromDevice(int* pnLength) {
  static const U8 s_au8Zero[2] = {0, 0};
  *pnLength = 2;
  return s_au8Zero;
}

const U8* U_MISC_BLUETOOTH_pu8SupportedExternalAccessoryProtocol(int* pnLength) {
  static U8 s_au8Block[MISC_BLOCK_SIZE];
  const U8 u8Identifier = 1, u8MatchAction = 0;
  *pnLength = 0;
  MISC_vAddParameter(s_au8Block, pnLength, 0, &u8Identifier, 1);
  MISC_vAddParameter(s_au8Block, pnLength, 1, MISC_PROTOCOL_NAME, sizeof MISC_PROTOCOL_NAME);
  MISC_vAddParameter(s_au8Block, pnLength, 2, &u8MatchAction, 1);
  return s_au8Block;
}

const char* U_MISC_BLUETOOTH_pcFetchCurrentLanguage(void) { return "en"; }

const char* U_MISC_BLUETOOTH_pcFetchSupportedLanguages(void) { return U_MISC_BLUETOOTH_pcFetchCurrentLanguage(); }

const U8* U_MISC_BLUETOOTH_pu8BluetoothTransportComponent(int* pnLength) {
  static U8 s_au8Block[MISC_BLOCK_SIZE];
  static const U8 s_au8Identifier[2] = {0, 1};
  static const char s_acName[] = "Bluetooth";
  U8 au8Address[6];
  U_MISC_BLUETOOTH_bFetchMyBluetoothMACAddress(au8Address);
  *pnLength = 0;
  MISC_vAddParameter(s_au8Block, pnLength, 0, s_au8Identifier, sizeof s_au8Identifier);
  MISC_vAddParameter(s_au8Block, pnLength, 1, s_acName, sizeof s_acName);
  MISC_vAddParameter(s_au8Block, pnLength, 2, nullptr, 0);
  MISC_vAddParameter(s_au8Block, pnLength, 3, au8Address, sizeof au8Address);
  return s_au8Block;
}

BOOLEAN U_MISC_BLUETOOTH_bFetchMyBluetoothMACAddress(U8 au8Address[6]) {
  if (s_pfAddressReader(au8Address)) return TRUE;
  memset(au8Address, 0, 6);
  return FALSE;
}

void U_MISC_BLUETOOTH_vSetAddressReader(U_MISC_BLUETOOTH_ADDRESS_READER pfReader) {
  s_pfAddressReader = pfReader != nullptr ? pfReader : MISC_BLUETOOTH_bReadHci;
}
