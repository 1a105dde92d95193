// The sonar co-processor and the analogue inputs as the rest of the unit sees
// them: five calls, whatever answers behind them. Every build answers with
// the stand-in of s_sim; a board back end goes behind the same calls.
#pragma once

#include "basetypes.h"

enum COPROC_DIRECTION : U32 { SEND_TO_COPROC = 1, RECEIVE_FROM_COPROC = 2 };

// The shared transfer buffer, 99,264 bytes, 64-byte aligned. One user at a
// time: the ping task and the transducer detection under RES_PING, the
// factory test once the sonar tasks are shut down.
extern U8* gpu8NonCachedDataBlock;
constexpr U32 H_COPROC_TRANSFER_BYTES = 99264;

// Opens the co-processor and (unless the no_adc option is given) the
// analogue inputs, once per process; later calls return at once. Every other
// call here initialises on first use.
void H_COPROC_vInitialize(void);
// TRUE while the co-processor answers.
BOOLEAN H_COPROC_bCoprocessorReady(void);
// SEND_TO_COPROC: a 247-byte transmit command; 247 when taken, 0 when the
// co-processor does not answer, -1 for a command it refuses (size, CRC,
// version, kind, receiver, sample count). RECEIVE_FROM_COPROC: the sample
// block of the last command taken, at most u32Size bytes, once its echo time
// has passed; the byte count, or 0 without a command taken. -1 for any other
// direction or a null buffer. One exchange at a time.
S32 H_COPROC_s32Transfer(U8* pu8Buffer, U32 u32Size, COPROC_DIRECTION eDirection);
// At most every 500 ms, and never with no_adc: reads supply, transducer
// thermistor and auxiliary input and writes AD05, AD02 and AD00 (the raw
// 12-bit value shifted left by 4, priority 2, time-out 4000).
void H_COPROC_vReadAdcInputs(void);
