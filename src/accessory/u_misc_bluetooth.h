// What a phone-accessory link over Bluetooth needs to identify the unit to a
// phone: names, serial number, versions, message ids, power figures, the
// external-accessory protocol, the Bluetooth transport with the local
// adapter's address, and the language. Parameter blocks are runs of
// {length (16 bits, big-endian, with its 4-byte header), id (16 bits,
// big-endian), data}. Every result lives in a static buffer of this module
// that the next call of the same function overwrites.
#pragma once

#include "basetypes.h"
#include "model.h"

// SMDL, or 585 when it is not set.
MODEL_TYPE U_MISC_BLUETOOTH_eFetchModelNumber(void);
const char* U_MISC_BLUETOOTH_pcFetchUnitName(void);
const char* U_MISC_BLUETOOTH_pcFetchModelName(void);
const char* U_MISC_BLUETOOTH_pcFetchManufacturerName(void);
// "%05d%02d%04d" of SEDU, SEIU and SENU, cut to 14 characters.
const char* U_MISC_BLUETOOTH_pcFetchSerialNumber(void);
// The running version's text, in 8-bit characters whatever the language.
const char* U_MISC_BLUETOOTH_pcFetchFirmwareVersion(void);
// From CREV: "1.0" when absent, "1.0." when 0, else its decimal value.
const char* U_MISC_BLUETOOTH_pcFetchHardwareVersion(void);
const U8* U_MISC_BLUETOOTH_pu8FetchExternalAccessoryMessageIDs(int* pnLength);
const U8* U_MISC_BLUETOOTH_pu8FetchDeviceMessageIDs(int* pnLength);
const U8* U_MISC_BLUETOOTH_pu8FetchPowerProvidingCapability(int* pnLength);
const U8* U_MISC_BLUETOOTH_pu8MaximumCurrentDrawnFromDevice(int* pnLength);
// The external-accessory protocol block (35 bytes).
const U8* U_MISC_BLUETOOTH_pu8SupportedExternalAccessoryProtocol(int* pnLength);
const char* U_MISC_BLUETOOTH_pcFetchCurrentLanguage(void);
const char* U_MISC_BLUETOOTH_pcFetchSupportedLanguages(void);
// The Bluetooth transport block (34 bytes), with the local address (zeros
// when it cannot be read).
const U8* U_MISC_BLUETOOTH_pu8BluetoothTransportComponent(int* pnLength);
// The local adapter's address, most significant byte first. FALSE, with all
// six bytes zero, when no adapter's address can be read.
BOOLEAN U_MISC_BLUETOOTH_bFetchMyBluetoothMACAddress(U8 au8Address[6]);

// Where the local address comes from: the kernel's Bluetooth stack unless
// a reader is set (null sets the kernel's back). A reader fills six bytes,
// most significant first, and returns FALSE when it has no address.
typedef BOOLEAN (*U_MISC_BLUETOOTH_ADDRESS_READER)(U8 au8Address[6]);
void U_MISC_BLUETOOTH_vSetAddressReader(U_MISC_BLUETOOTH_ADDRESS_READER pfReader);
