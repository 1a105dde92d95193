// The two links the production tests reach through the kernel: the I2C bus
// of the accessory-authentication chip, and a Bluetooth RFCOMM link with its
// RSSI. Each is a seam so that the tests can run against a fake chip or peer.
#pragma once

#include "basetypes.h"

class II2cBus {
 public:
  virtual ~II2cBus() = default;
  virtual BOOLEAN bOpen(const char* pcDevice) = 0;
  virtual BOOLEAN bSelect(U8 u8Address) = 0;
  // Writes the register address, then reads u32Count bytes.
  virtual BOOLEAN bReadRegisters(U8 u8Address, U8 u8Register, U8* pu8Out, U32 u32Count) = 0;
  virtual void vClose(void) = 0;
};

class IBtLink {
 public:
  virtual ~IBtLink() = default;
  // A connected stream to the peer's channel 1, or -1 (errno set).
  virtual int nConnect(const char* pcAddress) = 0;
  // The link's RSSI; FALSE when the link or the adapter cannot say.
  virtual BOOLEAN bReadRssi(const char* pcAddress, S32* ps32Rssi) = 0;
};

// Linux i2c-dev and BlueZ. A null argument puts them back.
II2cBus* H_TESTLINKS_pI2cBus(void);
IBtLink* H_TESTLINKS_pBtLink(void);
void H_TESTLINKS_vUseI2cBus(II2cBus* pBus);
void H_TESTLINKS_vUseBtLink(IBtLink* pLink);
