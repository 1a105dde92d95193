// The anchor protocol's receiving side over any byte stream: framing, then
// parsing and dispatch of each framed message, answers composed into a
// small buffer, and the time-out ticks. The pending table starts each input
// with one waiting request per callback type.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "linuxsvc.h"
#include "u_bluetooth_vardek.h"

namespace {

void Check(bool bHolds, const char* pcText) {
  if (bHolds) return;
  fprintf(stderr, "fuzz_json_framing: does not hold: %s\n", pcText);
  abort();
}

// The transport: composes into a buffer that many answers overflow.
int Compose(vardekMessage* pMsg, void*) {
  U8 buffer[256];
  const int n = U_BLUETOOTH_VARDEK_nComposeVardekMessage(pMsg, buffer, sizeof buffer);
  Check(n < (int)sizeof buffer, "the composer stays inside its buffer");
  return n < 0 ? -1 : 0;
}

int Result(vardekAddress* pAddress, U32, vardekMsgType, vardekMethod, vardekResultCode, void*) {
  Check(pAddress != nullptr, "a callback gets the peer");
  return 0;
}

int DeviceInfo(vardekAddress*, U32, vardekMsgType, vardekMethod, vardekResultCode, BD_ADDR_t*, vardekPeerType,
               char* pcName, char* pcSerial, int, int, BOOLEAN, vardekDesignationType, void*) {
  Check(strlen(pcName) < VARDEK_DEVICE_NAME_SIZE && strlen(pcSerial) < VARDEK_SERIAL_NUMBER_SIZE,
        "texts fit their fields");
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  opt_nolog = 1;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  U_BLUETOOTH_VARDEK_vReset();
  U_BLUETOOTH_VARDEK_nSetVardekControlMsgCallback(Compose, nullptr);
  // Ids 1001 to 1006, the values of the seeds.
  vardekAddress peer = {{1, 2, 3, 4, 5, 6}, 1};
  U_BLUETOOTH_VARDEK_nSetVardekMode(&peer, vardekModeStandard, Result, nullptr);
  U_BLUETOOTH_VARDEK_nNotifyVardekMode(&peer, TRUE, nullptr, nullptr);
  U_BLUETOOTH_VARDEK_nGetDeviceInfo(&peer, DeviceInfo, nullptr);
  U_BLUETOOTH_VARDEK_nQueryPort(&peer, 2, DeviceInfo, nullptr);
  U_BLUETOOTH_VARDEK_nCycleVardekLeds(&peer, Result, nullptr);
  U_BLUETOOTH_VARDEK_nStartSwUpdate(&peer, nullptr, 100, nullptr);

  const U8* pu8 = data;
  int left = (int)size;
  int start = 0, length = 0;
  while (U_BLUETOOTH_VARDEK_bCompleteVardekMessage(pu8, left, &start, &length)) {
    Check(start >= 0 && length > 0 && start + length <= left, "a frame lies inside the bytes");
    Check(pu8[start] == '{' && pu8[start + length - 1] == '}', "a frame runs from a brace to a brace");
    vardekMessage msg;
    if (U_BLUETOOTH_VARDEK_nParseVardekMessage(&peer, pu8 + start, length, &msg) == 0) {
      U_BLUETOOTH_VARDEK_nExecuteVardekMessage(&msg);
    }
    pu8 += start + length;
    left -= start + length;
  }
  for (int i = 0; i < 21; i++) U_BLUETOOTH_VARDEK_vTimerTick();
  return 0;
}
