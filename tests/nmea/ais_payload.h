// AIS payloads made field by field at ITU-R M.1371's bit positions: the
// sentences the AIS tests and the rig's AIS feeds send.
#pragma once

#include <math.h>

#include <string>

#include "basetypes.h"

namespace aist {

// A payload as a string of '0' and '1', armoured six bits a character.
struct PAYLOAD {
  std::string bits;
  PAYLOAD& Put(long long value, int width) {
    for (int i = width - 1; i >= 0; i--) bits += (char)('0' + ((value >> i) & 1));
    return *this;
  }
  PAYLOAD& Text(const std::string& text, int chars) {
    for (int i = 0; i < chars; i++) {
      const int c = i < (int)text.size() ? (unsigned char)text[i] : '@';
      Put(c >= 64 ? c - 64 : c, 6);
    }
    return *this;
  }
  std::string Sentence(const std::string& channel = "A") const {
    std::string armour;
    std::string padded = bits + std::string((6 - bits.size() % 6) % 6, '0');
    for (size_t i = 0; i < padded.size(); i += 6) {
      const int v = std::stoi(padded.substr(i, 6), nullptr, 2);
      armour += (char)(v < 40 ? v + 48 : v + 56);
    }
    return "AIVDM,1,1,," + channel + "," + armour + "," + std::to_string(padded.size() - bits.size());
  }
};

// A class A position report; heading 511 and the rest "not available"
// where not given.
inline std::string Type1(U32 mmsi, double lat, double lon, double knots = 0, double cog = 0, int heading = 511) {
  return PAYLOAD()
      .Put(1, 6).Put(0, 2).Put(mmsi, 30).Put(0, 4).Put(-128, 8)
      .Put(llround(knots * 10), 10).Put(1, 1)
      .Put(llround(lon * 600000), 28).Put(llround(lat * 600000), 27)
      .Put(llround(cog * 10), 12).Put(heading, 9).Put(60, 6).Put(0, 25)
      .Sentence();
}

inline std::string Type24A(U32 mmsi, const std::string& name) {
  return PAYLOAD().Put(24, 6).Put(0, 2).Put(mmsi, 30).Put(0, 2).Text(name, 20).Sentence();
}

// Class B static data, part B: a sailing vessel's call sign.
inline std::string Type24B(U32 mmsi, const std::string& callSign) {
  return PAYLOAD()
      .Put(24, 6).Put(0, 2).Put(mmsi, 30).Put(1, 2).Put(36, 8).Put(0, 42).Text(callSign, 7).Put(0, 30).Put(0, 6)
      .Sentence();
}

// Class A static and voyage data (424 bits in one sentence): call sign and
// name of a cargo ship, the rest not available.
inline std::string Type5(U32 mmsi, const std::string& callSign, const std::string& name) {
  return PAYLOAD()
      .Put(5, 6).Put(0, 2).Put(mmsi, 30).Put(0, 2).Put(0, 30).Text(callSign, 7).Text(name, 20).Put(70, 8)
      .Put(0, 30).Put(0, 4).Put(0, 4).Put(0, 5).Put(24, 5).Put(60, 6).Put(0, 8).Text("", 20).Put(0, 1).Put(0, 1)
      .Sentence();
}

}  // namespace aist
