// Helpers of the accessory tests: hex, test data files, NIST response
// files as records, and the test key file.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "basetypes.h"
#include "u_acckeys.h"

typedef std::vector<U8> BYTES;

inline BYTES Unhex(const std::string& hex) {
  BYTES out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back((U8)strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
  return out;
}

inline std::string Hex(const U8* p, size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < n; i++) out += {digits[p[i] >> 4], digits[p[i] & 15]};
  return out;
}

inline std::string TestData(const std::string& relative) {
  std::ifstream in(std::string(VELMORA_TESTDATA_DIR) + "/" + relative, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A record of a NIST response file: its fields, and the [section] it is in.
struct RSP_RECORD {
  std::string section;
  std::map<std::string, std::string> fields;
};

inline std::vector<RSP_RECORD> RspRecords(const std::string& relative) {
  std::vector<RSP_RECORD> records;
  std::istringstream in(TestData(relative));
  std::string line, section;
  RSP_RECORD current;
  auto flush = [&] {
    if (!current.fields.empty()) records.push_back(current);
    current = RSP_RECORD{section, {}};
  };
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) {
      flush();
    } else if (line[0] == '[') {
      flush();
      current.section = section = line;
    } else if (line[0] != '#' && line.find(" = ") != std::string::npos) {
      current.fields[line.substr(0, line.find(" = "))] = line.substr(line.find(" = ") + 3);
    }
  }
  flush();
  return records;
}

// Points the key store at the committed test keys (or at no file at all).
inline void UseTestKeys(bool bPresent = true) {
  setenv("VELMORA_ACCESSORY_KEYS", bPresent ? VELMORA_TEST_KEYS : "/nonexistent/accessory.keys", 1);
  U_ACCKEYS_vReload();
}
