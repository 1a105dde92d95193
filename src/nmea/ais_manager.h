// VDM sentences into target records: the fields of a sentence are checked,
// fragments are put together per sequence id and channel, the 6-bit payload
// is read by the field tables of the report types the unit follows, and the
// record's flags say which fields the report carried. The pool (t_nmea_ais)
// merges the records. Used by the NMEA task only, under mutex 68.
#pragma once

#include "basetypes.h"
#include "t_nmea_ais.h"

enum : U32 {
  AIS_RESULT_OK = 0x80000000u,
  // A bad field, a fragment out of order or a payload refused.
  AIS_RESULT_SENTENCE = 0x10000830u,
  AIS_RESULT_FORMAT = 0x10000804u,
  AIS_RESULT_NO_SENTENCE = 0x801u,
};

// Payload characters of one message, all fragments together: the longest
// message the standard allows (five slots) fits with room to spare.
constexpr int AIS_PAYLOAD_MAX = 256;
// Sequence ids 0-9 on each of the channels none, A, B, 1 and 2.
constexpr int AIS_SEQUENCE_IDS = 10;
constexpr int AIS_CHANNELS = 5;

// A message whose fragments are arriving.
typedef struct tag_AIS_ASSEMBLY {
  U8 u8Count;    // fragments the message has; 0: slot free
  U8 u8Next;     // the fragment number awaited
  U16 u16Length;
  char acPayload[AIS_PAYLOAD_MAX];
} AIS_ASSEMBLY;

typedef struct tag_AIS_MANAGER {
  AIS_ASSEMBLY aSlot[AIS_SEQUENCE_IDS][AIS_CHANNELS];
} AIS_MANAGER;

// What one sentence gave.
typedef struct tag_aisDataVDM {
  U32 fragmentCount;
  U32 fragmentNumber;
  U32 sequenceId;   // 0 when empty
  char channel;     // 'A', 'B', '1', '2', or NUL when empty
  U32 fillBits;
  BOOLEAN bMessage; // a message was completed and read into the record
  U32 messageId;
  U32 partNumber;   // message 24: 0 part A, 1 part B
  U32 result;
} aisDataVDM;

// Forgets every partial message.
void ais_ResetManager(AIS_MANAGER* pManager);
// Decodes one VDM sentence given from its address on ("AIVDM,1,1,,A,...",
// with or without "*hh"). When it completes a message of a followed type,
// pData->bMessage is set and pRecord holds the report (zeroed first). The
// result is AIS_RESULT_OK also for a fragment that completes nothing and
// for a message type the unit does not follow.
U32 ais_DecodeSentence(AIS_MANAGER* pManager, const char* pcSentence, aisDataVDM* pData, aisTargetINFO* pRecord);
// Reads a whole de-armoured payload of nBits bits (6-bit values, one a
// byte) into a record; FALSE for a type not followed or a payload shorter
// than its type needs.
BOOLEAN ais_bReadMessage(const U8* pu8Six, int nBits, aisTargetINFO* pRecord, U32* pMessageId, U32* pPartNumber);
// The flags of every field a message type carries, as bits by
// enValFlagIndex; 0 for a type not followed.
U32 ais_u32CarriedFlags(U32 u32MessageId, U32 u32PartNumber);
// The 6-bit value of a payload character, or -1 outside the armour.
int ais_n8Bit_2_6Bit(char c);
char ais_c6Bit_2_8Bit(int nValue);
