// The values the unit identifies itself with to a phone, and the local
// Bluetooth address behind its seam.

#include <gtest/gtest.h>

#include "acc_test_util.h"
#include "h_database.h"
#include "u_misc_bluetooth.h"

namespace {

BOOLEAN FakeAdapter(U8 au8Address[6]) {
  const U8 address[6] = {0x00, 0x1A, 0x7D, 0xDA, 0x71, 0x13};
  memcpy(au8Address, address, 6);
  return TRUE;
}

class Identification : public ::testing::Test {
 protected:
  void SetUp() override { H_DATABASE_vInit(); }
  void TearDown() override { U_MISC_BLUETOOTH_vSetAddressReader(nullptr); }
  static void Store(const char (&key)[5], U32 value) { H_DATABASE_bUpdateValueU32(FCID(key), value, P_NVR); }
};

TEST_F(Identification, ProtocolAndTransportBlocksCarryTheirParametersAndTheAddress) {
  int length = 0;
  const U8* protocol = U_MISC_BLUETOOTH_pu8SupportedExternalAccessoryProtocol(&length);
  ASSERT_EQ(35, length);
  EXPECT_EQ(BYTES({0x00, 0x05, 0x00, 0x00, 0x01, 0x00, 0x19, 0x00, 0x01}), BYTES(protocol, protocol + 9));
  EXPECT_EQ(20u, strlen((const char*)protocol + 9));
  EXPECT_EQ(BYTES({0x00, 0x05, 0x00, 0x02, 0x00}), BYTES(protocol + 30, protocol + 35));

  U_MISC_BLUETOOTH_vSetAddressReader(FakeAdapter);
  const U8* transport = U_MISC_BLUETOOTH_pu8BluetoothTransportComponent(&length);
  ASSERT_EQ(34, length);
  const BYTES expected = {0x00, 0x06, 0x00, 0x00, 0x00, 0x01,                                   // identifier 1
                          0x00, 0x0E, 0x00, 0x01, 'B', 'l', 'u', 'e', 't', 'o', 'o', 't', 'h', 0,  // name
                          0x00, 0x04, 0x00, 0x02,                                               // flag
                          0x00, 0x0A, 0x00, 0x03, 0x00, 0x1A, 0x7D, 0xDA, 0x71, 0x13};          // address
  EXPECT_EQ(expected, BYTES(transport, transport + 34));
}

TEST_F(Identification, SerialNumberAndHardwareVersionFollowTheSettings) {
  Store("SEDU", 123);
  Store("SEIU", 4);
  Store("SENU", 56);
  EXPECT_STREQ("00123040056", U_MISC_BLUETOOTH_pcFetchSerialNumber());
  Store("SEDU", 4000000000u);
  EXPECT_EQ(14u, strlen(U_MISC_BLUETOOTH_pcFetchSerialNumber())) << "cut to its buffer";
  EXPECT_STREQ("1.0", U_MISC_BLUETOOTH_pcFetchHardwareVersion()) << "CREV absent";
  Store("CREV", 0);
  EXPECT_STREQ("1.0.", U_MISC_BLUETOOTH_pcFetchHardwareVersion());
  Store("CREV", 3);
  EXPECT_STREQ("3", U_MISC_BLUETOOTH_pcFetchHardwareVersion());
  EXPECT_STREQ("2.000", U_MISC_BLUETOOTH_pcFetchFirmwareVersion());
  EXPECT_EQ(MODEL_DEFAULT, U_MISC_BLUETOOTH_eFetchModelNumber()) << "SMDL absent";
}

TEST_F(Identification, AnAddressThatCannotBeReadIsFalseAndZeros) {
  U8 address[6];
  memset(address, 0xEE, sizeof address);
  // The kernel's stack: on a machine without an adapter (the build hosts)
  // only the failure path runs.
  const BOOLEAN bRead = U_MISC_BLUETOOTH_bFetchMyBluetoothMACAddress(address);
  EXPECT_EQ(!bRead, BYTES(6, 0) == BYTES(address, address + 6));
  U_MISC_BLUETOOTH_vSetAddressReader([](U8*) -> BOOLEAN { return FALSE; });
  memset(address, 0xEE, sizeof address);
  EXPECT_FALSE(U_MISC_BLUETOOTH_bFetchMyBluetoothMACAddress(address));
  EXPECT_EQ(BYTES(6, 0), BYTES(address, address + 6));
}

}  // namespace
