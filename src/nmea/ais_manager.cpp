// The sentence side of the AIS decoder: fields, fragments and armour. A
// fragment joins only the message it belongs to (same sequence id and
// channel, next in order), so two receivers' interleaved messages both come
// through and a lost fragment never splices two payloads into one report.

#include <string.h>

#include "ais_manager.h"

constexpr int AIS_FIELDS = 6;  // count, number, sequence id, channel, payload, fill bits

void ais_ResetManager(AIS_MANAGER* m) { memset(m, 0, sizeof *m); }

int ais_n8Bit_2_6Bit(char c) {
  if (c >= 48 && c <= 87) return c - 48;
  if (c >= 96 && c <= 119) return c - 56;
  return -1;
}

char ais_c6Bit_2_8Bit(int v) { return (char)(v < 40 ? v + 48 : v + 56); }

// The fields up to "*" or the end, after the address; FALSE for fewer than
// six. Each is a pointer and a length into the sentence.
static BOOLEAN AIS_bSplit(const char* s, const char* apc[AIS_FIELDS], int an[AIS_FIELDS]) {
  const char* p = strchr(s, ',');
  if (p == nullptr) return FALSE;
  p++;
  int n = 0;
  for (;;) {
    const char* end = p;
    while (*end != ',' && *end != '*' && *end != '\0' && *end != '\r' && *end != '\n') end++;
    if (n < AIS_FIELDS) {
      apc[n] = p;
      an[n] = (int)(end - p);
    }
    n++;
    if (*end != ',') break;
    p = end + 1;
  }
  return n >= AIS_FIELDS;
}

// A field of one digit from lo to hi; an empty field gives nEmpty (-1 when
// empty is not allowed).
static int AIS_nDigit(const char* pc, int n, int lo, int hi, int nEmpty) {
  if (n == 0) return nEmpty;
  if (n != 1 || pc[0] < '0' || pc[0] > '9') return -1;
  const int v = pc[0] - '0';
  return v >= lo && v <= hi ? v : -1;
}

// The slot column of a channel field, -1 for a bad one.
static int AIS_nChannel(const char* pc, int n, char* pcChannel) {
  static const char s_acChannels[AIS_CHANNELS] = {'\0', 'A', 'B', '1', '2'};
  if (n == 0) {
    *pcChannel = '\0';
    return 0;
  }
  for (int i = 1; n == 1 && i < AIS_CHANNELS; i++) {
    if (pc[0] == s_acChannels[i]) {
      *pcChannel = pc[0];
      return i;
    }
  }
  return -1;
}

// De-armours and reads a whole payload.
static BOOLEAN AIS_bReadPayload(const char* pc, int nChars, U32 u32Fill, aisDataVDM* d, aisTargetINFO* r) {
  U8 au8Six[AIS_PAYLOAD_MAX];
  for (int i = 0; i < nChars; i++) au8Six[i] = (U8)ais_n8Bit_2_6Bit(pc[i]);
  const int bits = nChars * 6 - (int)u32Fill;
  memset(r, 0, sizeof *r);
  d->bMessage = ais_bReadMessage(au8Six, bits, r, &d->messageId, &d->partNumber);
  return d->bMessage;
}

U32 ais_DecodeSentence(AIS_MANAGER* m, const char* s, aisDataVDM* d, aisTargetINFO* r) {
  if (s == nullptr) return AIS_RESULT_NO_SENTENCE;
  d->bMessage = FALSE;
  d->result = AIS_RESULT_SENTENCE;
  const char* apc[AIS_FIELDS];
  int an[AIS_FIELDS];
  if (!AIS_bSplit(s, apc, an)) return d->result;
  const int count = AIS_nDigit(apc[0], an[0], 1, 9, -1);
  const int number = AIS_nDigit(apc[1], an[1], 1, 9, -1);
  const int sequence = AIS_nDigit(apc[2], an[2], 0, 9, 0);
  const int channel = AIS_nChannel(apc[3], an[3], &d->channel);
  const int fill = AIS_nDigit(apc[5], an[5], 0, 5, -1);
  if (count < 0 || number < 0 || number > count || sequence < 0 || channel < 0 || fill < 0) return d->result;
  d->fragmentCount = (U32)count;
  d->fragmentNumber = (U32)number;
  d->sequenceId = (U32)sequence;
  d->fillBits = (U32)fill;
  for (int i = 0; i < an[4]; i++) {
    if (ais_n8Bit_2_6Bit(apc[4][i]) < 0) return d->result;
  }
  if (an[4] > AIS_PAYLOAD_MAX) return d->result;

  if (count == 1) {
    AIS_bReadPayload(apc[4], an[4], d->fillBits, d, r);
    d->result = AIS_RESULT_OK;
    return d->result;
  }
  AIS_ASSEMBLY* a = &m->aSlot[sequence][channel];
  if (number == 1) {
    a->u8Count = (U8)count;
    a->u8Next = 1;
    a->u16Length = 0;
  } else if (a->u8Count != count || a->u8Next != number) {
    // Out of order, or its start was never heard: the partial message is lost.
    a->u8Count = 0;
    return d->result;
  }
  if (a->u16Length + an[4] > AIS_PAYLOAD_MAX) {
    a->u8Count = 0;
    return d->result;
  }
  memcpy(a->acPayload + a->u16Length, apc[4], (size_t)an[4]);
  a->u16Length = (U16)(a->u16Length + an[4]);
  a->u8Next++;
  if (number == count) {
    a->u8Count = 0;
    AIS_bReadPayload(a->acPayload, a->u16Length, d->fillBits, d, r);
  }
  d->result = AIS_RESULT_OK;
  return d->result;
}
