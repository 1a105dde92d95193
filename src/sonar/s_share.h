// What the sonar's tasks share besides their mail: the ping descriptor, the
// display range and last bottom of each beam, the ping counter, and whether
// the history task has been told of new columns.
#pragma once

#include "basetypes.h"
#include "s_coproc.h"

// One ping as the ping task hands it to the process task. The first eight
// fields are the ones the factory test sets for its own pings.
struct tag_PING_DESCRIPTOR {
  BEAM Beam;
  U8 u8TransmitCycles;
  U8 u8TransmitPower;
  U32 u32NumberOfSamples;              // echo samples
  U8* pu8RawSonarData;                 // the echo samples of the beam's receiver
  U32 u32SamplePeriodMicroSeconds;
  U16 u16MilliSecondsBetweenPings;
  U16 u16MilliSecondsBeforeNextPing;
  U8* pu8RawNoiseData;                 // the samples before the transmit
  U32 u32NumberOfNoiseSamples;
  U16 u16FrequencyKHz;
  U8 u8Receiver;
  U32 u32Sequence;
  TICKS tTransmitTime;
  float fRangeMetres;                  // the display range the ping was made for
  BOOLEAN bSimulated;
  U8 u8NoiseMean;
};
typedef tag_PING_DESCRIPTOR PING_DESCRIPTOR;

// The display range of a 2D beam, in metres (30 until the first bottom).
float S_SHARE_fGetRangeMetres(BEAM eBeam);
void S_SHARE_vSetRangeMetres(BEAM eBeam, float fMetres);
// The beam's last bottom below the transducer in metres; -1 when none is known.
float S_SHARE_fGetLastBottomMetres(BEAM eBeam);
void S_SHARE_vSetLastBottomMetres(BEAM eBeam, float fMetres);
// Pings made since the process started.
U32 S_SHARE_u32PingCount(void);
void S_SHARE_vCountPing(void);
// TRUE when no update was pending, which makes the caller the one to tell the
// history task; the history task clears it when told.
BOOLEAN S_SHARE_bRaiseHistoryUpdate(void);
void S_SHARE_vClearHistoryUpdate(void);
