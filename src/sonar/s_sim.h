// The sonar co-processor's stand-in and the water it listens to. On a host
// the unit has no co-processor: this module answers its transmit commands
// with echo blocks from a seeded model (noise, the transmit pulse, a bottom
// at a slowly changing depth with its double echo, fish arches) and reads
// the analogue inputs from the same configuration, the rig's
// /dev/sonar.cfg. It can also misbehave on purpose: not answer at all, or
// stop answering after a number of exchanges.
#pragma once

#include "basetypes.h"
#include "s_coproc.h"

// The rig's configuration, one field per key of the file.
struct S_SIM_CONFIG {
  U32 u32Coproc;       // coproc: the co-processor answers
  U32 u32Present;      // present: a transducer is connected
  float fDepthM;       // depth_m: mean depth below the transducer
  float fDepthSwingM;  // depth_swing_m: amplitude of the slow change
  float fDepthPeriodS; // depth_period_s: its period
  U32 u32BottomLevel;  // bottom_level: bottom echo at full power, shallow
  U32 u32Noise;        // noise: noise mean
  U32 u32NoiseSwing;   // noise_swing: half-width of the noise
  U32 u32Fish;         // fish: number of fish
  U32 u32SecondEcho;   // second_echo: the double-depth echo is there
  U32 u32Seed;         // seed: noise generator seed
  U32 u32Realtime;     // realtime: a receive waits out the echo time
  U32 u32FailAfter;    // fail_after: every exchange after this many fails (0 never)
  U32 u32AdcSupply;    // adc_supply, adc_xdcr, adc_aux: 12-bit raw readings
  U32 u32AdcXdcr;
  U32 u32AdcAux;
};

// The board path of the configuration (under the rig's root on a host).
constexpr const char* S_SIM_CONFIG_PATH = "/dev/sonar.cfg";

void S_SIM_vDefaults(S_SIM_CONFIG* pCfg);
// One line of the file into *pCfg. Blank and comment lines are TRUE and
// change nothing; a line that is not "known_key = good value" is FALSE and
// changes nothing.
BOOLEAN S_SIM_bParseLine(const char* pcLine, S_SIM_CONFIG* pCfg);

// Reads the configuration now and starts the model's clock; called once by
// the co-processor interface, and by tests that change the file.
void S_SIM_vLoadConfig(void);
// Re-reads the file when it changed (or vanished). The file is looked at no
// more than twice a second, so callers may poll at will.
void S_SIM_vPollConfig(void);
// The configuration in force.
void S_SIM_vGetConfig(S_SIM_CONFIG* pCfg);

// Depth below the transducer at service-layer time tNow (ms).
float S_SIM_fDepthAt(TICKS tNow);
// The model's answer to a command sent at tSend: the sample block, of which
// the first u32Size bytes are written. Returns the bytes written. With
// bForcePresent the transducer counts as connected whatever the file says.
U32 S_SIM_u32FillBlock(const S_SIM_CONFIG* pCfg, const MULTI_TX* pTx, TICKS tSend, U32 u32Block,
                       BOOLEAN bForcePresent, U8* pu8Out, U32 u32Size);

// The device: a valid command in (247, or 0 when the co-processor does not
// answer); the block out (its length, or 0 without a command sent).
BOOLEAN S_SIM_bReady(void);
S32 S_SIM_s32Send(const MULTI_TX* pTx);
S32 S_SIM_s32Receive(U8* pu8Buffer, U32 u32Size);
// Sends accepted or refused by the device since the process started.
U32 S_SIM_u32Exchanges(void);
// The three raw analogue readings: supply, transducer thermistor, auxiliary.
void S_SIM_vReadAdc(U16 au16Raw[3]);

// The simulation states' pings: the model answers now, without the device
// and with the transducer present. Returns the bytes written.
U32 S_SIM_u32SimulatePing(const MULTI_TX* pTx, U8* pu8Out, U32 u32Size);
