#include "h_testlinks.h"

#include <bluetooth/bluetooth.h>
#include <bluetooth/hci.h>
#include <bluetooth/hci_lib.h>
#include <bluetooth/rfcomm.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "dd_devpath.h"

// ---------------------------------------------------------------------------
// i2c-dev

class LINUX_I2C_BUS : public II2cBus {
 public:
  BOOLEAN bOpen(const char* pcDevice) override {
    m_fd = DD_DEVPATH_nOpen(pcDevice, O_RDWR);
    return m_fd >= 0;
  }
  BOOLEAN bSelect(U8 u8Address) override { return ioctl(m_fd, I2C_SLAVE, (long)u8Address) >= 0; }
  BOOLEAN bReadRegisters(U8 u8Address, U8 u8Register, U8* pu8Out, U32 u32Count) override {
    struct i2c_msg msg = {u8Address, 0, 1, &u8Register};
    struct i2c_rdwr_ioctl_data request = {&msg, 1};
    if (ioctl(m_fd, I2C_RDWR, &request) < 0) return FALSE;
    return read(m_fd, pu8Out, u32Count) == (ssize_t)u32Count;
  }
  void vClose(void) override {
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
  }

 private:
  int m_fd = -1;
};

// ---------------------------------------------------------------------------
// BlueZ

struct BT_FIND {
  bdaddr_t address;
  int nDevice;
};

// The HCI device that holds an ACL connection to the address.
static int H_TESTLINKS_nFindConnection(int nSocket, int nDevice, long lArgument) {
  constexpr int MAX_CONNECTIONS = 10;
  BT_FIND* pFind = (BT_FIND*)lArgument;
  struct hci_conn_list_req* pList =
      (struct hci_conn_list_req*)calloc(1, sizeof(*pList) + MAX_CONNECTIONS * sizeof(struct hci_conn_info));
  if (pList == nullptr) return 0;
  pList->dev_id = (uint16_t)nDevice;
  pList->conn_num = MAX_CONNECTIONS;
  int nFound = 0;
  if (ioctl(nSocket, HCIGETCONNLIST, (void*)pList) == 0) {
    for (int i = 0; i < pList->conn_num && nFound == 0; i++) {
      if (bacmp(&pList->conn_info[i].bdaddr, &pFind->address) == 0) nFound = 1;
    }
  }
  free(pList);
  if (nFound) pFind->nDevice = nDevice;
  return nFound;
}

class BLUEZ_LINK : public IBtLink {
 public:
  int nConnect(const char* pcAddress) override {
    const int fd = socket(AF_BLUETOOTH, SOCK_STREAM, BTPROTO_RFCOMM);
    if (fd < 0) return -1;
    struct sockaddr_rc peer = {};
    peer.rc_family = AF_BLUETOOTH;
    peer.rc_channel = 1;
    if (str2ba(pcAddress, &peer.rc_bdaddr) < 0 || connect(fd, (struct sockaddr*)&peer, sizeof peer) < 0) {
      const int saved = errno;
      close(fd);
      errno = saved;
      return -1;
    }
    return fd;
  }

  BOOLEAN bReadRssi(const char* pcAddress, S32* ps32Rssi) override {
    BT_FIND find = {};
    find.nDevice = -1;
    if (str2ba(pcAddress, &find.address) < 0) return FALSE;
    if (hci_for_each_dev(HCI_UP, H_TESTLINKS_nFindConnection, (long)&find) < 0 || find.nDevice < 0) return FALSE;
    const int dd = hci_open_dev(find.nDevice);
    if (dd < 0) return FALSE;
    struct hci_conn_info_req* pInfo =
        (struct hci_conn_info_req*)calloc(1, sizeof(*pInfo) + sizeof(struct hci_conn_info));
    BOOLEAN bOk = FALSE;
    if (pInfo != nullptr) {
      bacpy(&pInfo->bdaddr, &find.address);
      pInfo->type = ACL_LINK;
      int8_t rssi = 0;
      if (ioctl(dd, HCIGETCONNINFO, (unsigned long)pInfo) == 0 &&
          hci_read_rssi(dd, htobs(pInfo->conn_info->handle), &rssi, 1000) == 0) {
        *ps32Rssi = rssi;
        bOk = TRUE;
      }
      free(pInfo);
    }
    hci_close_dev(dd);
    return bOk;
  }
};

static LINUX_I2C_BUS s_linuxBus;
static BLUEZ_LINK s_bluezLink;
static II2cBus* s_pBus = &s_linuxBus;
static IBtLink* s_pLink = &s_bluezLink;

II2cBus* H_TESTLINKS_pI2cBus(void) { return s_pBus; }
IBtLink* H_TESTLINKS_pBtLink(void) { return s_pLink; }
void H_TESTLINKS_vUseI2cBus(II2cBus* pBus) { s_pBus = pBus != nullptr ? pBus : &s_linuxBus; }
void H_TESTLINKS_vUseBtLink(IBtLink* pLink) { s_pLink = pLink != nullptr ? pLink : &s_bluezLink; }
