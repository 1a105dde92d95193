// The payload side of the AIS decoder: a de-armoured payload read by the
// field table of its message type. A value the standard marks "not
// available" leaves its flag cleared; a payload too short for its type is
// refused whole, so no field is ever taken from beyond the payload.

#include <string.h>

#include "ais_manager.h"

enum AIS_FIELD_KIND : U8 {
  AIS_F_NAVSTATUS,
  AIS_F_ROT,
  AIS_F_SOG_TENTHS,
  AIS_F_SOG_KNOTS,
  AIS_F_POSACC,
  AIS_F_POSITION,  // longitude (28 bits), then latitude (27)
  AIS_F_COG,
  AIS_F_HEADING,
  AIS_F_SECOND,
  AIS_F_ALTITUDE,
  AIS_F_IMO,
  AIS_F_CALLSIGN,
  AIS_F_NAME,
  AIS_F_SHIPTYPE,
  AIS_F_DIMENSIONS,
  AIS_F_ETA,
  AIS_F_DRAUGHT,
  AIS_F_DESTINATION,
  AIS_F_END,
};

typedef struct tag_AIS_FIELD {
  U16 u16Start;  // first bit
  AIS_FIELD_KIND eKind;
} AIS_FIELD;

// Bit positions of ITU-R M.1371; the message id (0-5), repeat indicator
// (6-7) and MMSI (8-37) lead every type.
static const AIS_FIELD s_aClassAPosition[] = {
    {38, AIS_F_NAVSTATUS}, {42, AIS_F_ROT},  {50, AIS_F_SOG_TENTHS}, {60, AIS_F_POSACC}, {61, AIS_F_POSITION},
    {116, AIS_F_COG},      {128, AIS_F_HEADING}, {137, AIS_F_SECOND},   {0, AIS_F_END}};
static const AIS_FIELD s_aClassAStatic[] = {
    {40, AIS_F_IMO},        {70, AIS_F_CALLSIGN}, {112, AIS_F_NAME},    {232, AIS_F_SHIPTYPE},
    {240, AIS_F_DIMENSIONS}, {274, AIS_F_ETA},     {294, AIS_F_DRAUGHT}, {302, AIS_F_DESTINATION},
    {0, AIS_F_END}};
static const AIS_FIELD s_aAircraft[] = {{38, AIS_F_ALTITUDE}, {50, AIS_F_SOG_KNOTS}, {60, AIS_F_POSACC},
                                        {61, AIS_F_POSITION}, {116, AIS_F_COG},      {128, AIS_F_SECOND},
                                        {0, AIS_F_END}};
static const AIS_FIELD s_aClassBPosition[] = {{46, AIS_F_SOG_TENTHS}, {56, AIS_F_POSACC}, {57, AIS_F_POSITION},
                                              {112, AIS_F_COG},       {124, AIS_F_HEADING}, {133, AIS_F_SECOND},
                                              {0, AIS_F_END}};
static const AIS_FIELD s_aClassBExtended[] = {{46, AIS_F_SOG_TENTHS}, {56, AIS_F_POSACC},     {57, AIS_F_POSITION},
                                              {112, AIS_F_COG},       {124, AIS_F_HEADING},   {133, AIS_F_SECOND},
                                              {143, AIS_F_NAME},      {263, AIS_F_SHIPTYPE},  {271, AIS_F_DIMENSIONS},
                                              {0, AIS_F_END}};
static const AIS_FIELD s_aStaticPartA[] = {{40, AIS_F_NAME}, {0, AIS_F_END}};
static const AIS_FIELD s_aStaticPartB[] = {
    {40, AIS_F_SHIPTYPE}, {90, AIS_F_CALLSIGN}, {132, AIS_F_DIMENSIONS}, {0, AIS_F_END}};

typedef struct tag_AIS_MESSAGE_TYPE {
  U8 u8Id;
  S8 s8Part;      // message 24's part, -1 for the other types
  U16 u16MinBits;
  const AIS_FIELD* pFields;
} AIS_MESSAGE_TYPE;

static const AIS_MESSAGE_TYPE s_aTypes[] = {
    {1, -1, 168, s_aClassAPosition}, {2, -1, 168, s_aClassAPosition}, {3, -1, 168, s_aClassAPosition},
    {5, -1, 420, s_aClassAStatic},   {9, -1, 168, s_aAircraft},       {18, -1, 168, s_aClassBPosition},
    {19, -1, 312, s_aClassBExtended}, {24, 0, 160, s_aStaticPartA},   {24, 1, 168, s_aStaticPartB},
};

// The payload as a bit string, zero past its last bit (and for 8 bytes
// more, so a field read never needs a bound of its own).
typedef struct tag_AIS_BITS {
  U8 au8[AIS_PAYLOAD_MAX * 6 / 8 + 8];
  int nBits;
} AIS_BITS;

static void AIS_vPack(const U8* pu8Six, int nBits, AIS_BITS* b) {
  const int chars = (nBits + 5) / 6;
  const int bytes = (chars * 6 + 7) / 8;
  memset(b->au8, 0, (size_t)bytes + 8);
  U32 acc = 0;
  int held = 0, out = 0;
  for (int i = 0; i < chars; i++) {
    acc = acc << 6 | pu8Six[i];
    held += 6;
    if (held >= 8) {
      held -= 8;
      b->au8[out++] = (U8)(acc >> held);
    }
  }
  if (held > 0) b->au8[out] = (U8)(acc << (8 - held));
  // The fill bits are not payload.
  if (nBits % 8 != 0) b->au8[nBits / 8] &= (U8)(0xFF00 >> (nBits % 8));
  for (int i = nBits / 8 + (nBits % 8 != 0); i < bytes; i++) b->au8[i] = 0;
  b->nBits = nBits;
}

// width 1 to 32 bits from bit start.
static U32 AIS_u32Bits(const AIS_BITS* b, int start, int width) {
  const U8* p = b->au8 + start / 8;
  U64 window = 0;
  for (int i = 0; i < 8; i++) window = window << 8 | p[i];
  return (U32)((window << (start % 8)) >> (64 - width));
}

static S32 AIS_s32Bits(const AIS_BITS* b, int start, int width) {
  const U32 raw = AIS_u32Bits(b, start, width);
  const U32 sign = 1u << (width - 1);
  return (S32)((raw ^ sign) - sign);
}

// Six-bit text: '@' (0) ends it, trailing spaces are padding. FALSE when
// nothing is left.
static BOOLEAN AIS_bText(const AIS_BITS* b, int start, int nChars, char* pcOut) {
  int n = 0;
  for (; n < nChars; n++) {
    const U32 v = AIS_u32Bits(b, start + 6 * n, 6);
    if (v == 0) break;
    pcOut[n] = (char)(v < 32 ? v + 64 : v);
  }
  while (n > 0 && pcOut[n - 1] == ' ') n--;
  pcOut[n] = '\0';
  return n > 0;
}

static void AIS_vField(const AIS_BITS* b, const AIS_FIELD* f, aisTargetINFO* r) {
  BOOLEAN* flag = r->validityFlag;
  const int at = f->u16Start;
  switch (f->eKind) {
    case AIS_F_NAVSTATUS:
      r->NavStatus = (enNavStatus)AIS_u32Bits(b, at, 4);
      flag[NAVSTATUS_FLAG_INDEX] = TRUE;
      break;
    case AIS_F_ROT: {
      // Signed, (rate / 4.733) squared in degrees a minute; -128: none.
      const S32 raw = AIS_s32Bits(b, at, 8);
      const double rate = raw / 4.733;
      r->Rot.Value = raw < 0 ? -rate * rate : rate * rate;
      r->Rot.Right = raw > 0;
      flag[ROT_FLAG_INDEX] = raw != -128;
      break;
    }
    case AIS_F_SOG_TENTHS:
    case AIS_F_SOG_KNOTS: {
      const U32 raw = AIS_u32Bits(b, at, 10);
      r->Sog = f->eKind == AIS_F_SOG_TENTHS ? raw / 10.0 : raw;
      flag[SOG_FLAG_INDEX] = raw != 1023;
      break;
    }
    case AIS_F_POSACC:
      r->PosAccuracy = (enPosAccuracy)AIS_u32Bits(b, at, 1);
      flag[POSACC_FLAG_INDEX] = TRUE;
      break;
    case AIS_F_POSITION: {
      // 1/10000 minute; 181 and 91 degrees say "not available".
      const S32 lon = AIS_s32Bits(b, at, 28);
      const S32 lat = AIS_s32Bits(b, at + 28, 27);
      r->Longitude = lon / 600000.0;
      r->Latitude = lat / 600000.0;
      flag[SHIPPOS_FLAG_INDEX] = lon != 108600000 && lat != 54600000 && lon >= -108000000 && lon <= 108000000 &&
                                 lat >= -54000000 && lat <= 54000000;
      break;
    }
    case AIS_F_COG: {
      const U32 raw = AIS_u32Bits(b, at, 12);
      r->Cog = raw / 10.0;
      flag[COG_FLAG_INDEX] = raw < 3600;
      break;
    }
    case AIS_F_HEADING: {
      const U32 raw = AIS_u32Bits(b, at, 9);
      flag[TRUEHEAD_FLAG_INDEX] = raw < 360;
      if (raw < 360) r->TrueHeading = raw;
      break;
    }
    case AIS_F_SECOND: {
      const U32 raw = AIS_u32Bits(b, at, 6);
      flag[UTCSEC_FLAG_INDEX] = raw < 60;
      if (raw < 60) r->TimeStamp_UTCsec = (U8)raw;
      break;
    }
    case AIS_F_ALTITUDE:
      r->Altitude = AIS_u32Bits(b, at, 12);
      flag[ALTITUDE_FLAG_INDEX] = r->Altitude != 4095;
      break;
    case AIS_F_IMO:
      r->IMO = AIS_u32Bits(b, at, 30);
      flag[IMO_FLAG_INDEX] = r->IMO >= 1 && r->IMO <= 999999999;
      break;
    case AIS_F_CALLSIGN:
      flag[CALLSIGN_FLAG_INDEX] = AIS_bText(b, at, 7, r->CallSign);
      break;
    case AIS_F_NAME:
      flag[NAME_FLAG_INDEX] = AIS_bText(b, at, 20, r->Name);
      break;
    case AIS_F_DESTINATION:
      flag[DEST_FLAG_INDEX] = AIS_bText(b, at, 20, r->Destination);
      break;
    case AIS_F_SHIPTYPE: {
      const U32 raw = AIS_u32Bits(b, at, 8);
      flag[SHIPTYPE_FLAG_INDEX] = raw >= 1 && raw <= 99;
      if (raw >= 1 && raw <= 99) r->ShipType = (U8)raw;
      break;
    }
    case AIS_F_DIMENSIONS: {
      strDimRefPos* d = &r->ShipDimension;
      d->DimBow_A = AIS_u32Bits(b, at, 9);
      d->DimStern_B = AIS_u32Bits(b, at + 9, 9);
      d->DimPort_C = AIS_u32Bits(b, at + 18, 6);
      d->DimStarboard_D = AIS_u32Bits(b, at + 24, 6);
      flag[SHIPDIM_FLAG_INDEX] = (d->DimBow_A != 0 || d->DimStern_B != 0) && (d->DimPort_C != 0 || d->DimStarboard_D != 0);
      break;
    }
    case AIS_F_ETA: {
      const U32 month = AIS_u32Bits(b, at, 4), day = AIS_u32Bits(b, at + 4, 5);
      const U32 hour = AIS_u32Bits(b, at + 9, 5), minute = AIS_u32Bits(b, at + 14, 6);
      const BOOLEAN bDate = month >= 1 && month <= 12 && day >= 1;
      const BOOLEAN bTime = hour < 24 && minute < 60;
      flag[ETA_FLAG_INDEX] = bDate || bTime;
      r->Eta.Date = flag[ETA_FLAG_INDEX] ? day * 10000 + month * 100 : 0;
      r->Eta.Time = flag[ETA_FLAG_INDEX] ? hour * 10000 + minute * 100 : 0;
      break;
    }
    case AIS_F_DRAUGHT: {
      const U32 raw = AIS_u32Bits(b, at, 8);
      r->Draught = raw / 10.0;
      flag[DRAUGHT_FLAG_INDEX] = raw != 0;
      break;
    }
    case AIS_F_END:
      break;
  }
}

static const AIS_MESSAGE_TYPE* AIS_pType(U32 id, U32 part) {
  for (const AIS_MESSAGE_TYPE& t : s_aTypes) {
    if (t.u8Id == id && (t.s8Part < 0 || (U32)t.s8Part == part)) return &t;
  }
  return nullptr;
}

BOOLEAN ais_bReadMessage(const U8* pu8Six, int nBits, aisTargetINFO* r, U32* pMessageId, U32* pPartNumber) {
  if (nBits < 40 || nBits > AIS_PAYLOAD_MAX * 6) return FALSE;
  AIS_BITS b;
  AIS_vPack(pu8Six, nBits, &b);
  *pMessageId = AIS_u32Bits(&b, 0, 6);
  *pPartNumber = *pMessageId == 24 ? AIS_u32Bits(&b, 38, 2) : 0;
  const AIS_MESSAGE_TYPE* type = AIS_pType(*pMessageId, *pPartNumber);
  if (type == nullptr || nBits < type->u16MinBits) return FALSE;
  r->validTarget = TRUE;
  r->MMSI = AIS_u32Bits(&b, 8, 30);
  r->LastMsg = (U8)*pMessageId;
  r->validityFlag[MMSI_FLAG_INDEX] = TRUE;
  r->validityFlag[LASTMSG_FLAG_INDEX] = TRUE;
  for (const AIS_FIELD* f = type->pFields; f->eKind != AIS_F_END; f++) AIS_vField(&b, f, r);
  return TRUE;
}

U32 ais_u32CarriedFlags(U32 u32MessageId, U32 u32PartNumber) {
  static const U8 s_au8FlagOf[AIS_F_END] = {
      NAVSTATUS_FLAG_INDEX, ROT_FLAG_INDEX,      SOG_FLAG_INDEX,      SOG_FLAG_INDEX,  POSACC_FLAG_INDEX,
      SHIPPOS_FLAG_INDEX,   COG_FLAG_INDEX,      TRUEHEAD_FLAG_INDEX, UTCSEC_FLAG_INDEX, ALTITUDE_FLAG_INDEX,
      IMO_FLAG_INDEX,       CALLSIGN_FLAG_INDEX, NAME_FLAG_INDEX,     SHIPTYPE_FLAG_INDEX, SHIPDIM_FLAG_INDEX,
      ETA_FLAG_INDEX,       DRAUGHT_FLAG_INDEX,  DEST_FLAG_INDEX};
  const AIS_MESSAGE_TYPE* type = AIS_pType(u32MessageId, u32PartNumber);
  if (type == nullptr) return 0;
  U32 mask = 1u << MMSI_FLAG_INDEX | 1u << LASTMSG_FLAG_INDEX;
  for (const AIS_FIELD* f = type->pFields; f->eKind != AIS_F_END; f++) mask |= 1u << s_au8FlagOf[f->eKind];
  return mask;
}
