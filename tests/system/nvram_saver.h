// The settings and values of the NVR crash tests, shared by the process that
// saves or changes the store and the test that kills it.
#pragma once

#include <stdint.h>

constexpr uint32_t NVRSAVER_KEYS = 700;

// The version the format-change test gives the store: any other than the current.
constexpr uint32_t NVRSAVER_OLD_VERSION = 1;

// "S" and three base-36 digits, spread over the whole slot range; where one
// is a setting of the unit it is one that takes any whole number.
inline uint32_t NVRSAVER_fcidKey(uint32_t k) {
  const uint32_t slot = k * 66 + 6;
  auto digit = [](uint32_t d) { return d < 10 ? '0' + d : 'A' + d - 10; };
  return (uint32_t)'S' | digit(slot / 1296 % 36) << 8 | digit(slot / 36 % 36) << 16 | digit(slot % 36) << 24;
}

inline uint32_t NVRSAVER_u32Mix(uint32_t k) { return (k + 1) * 2654435761u; }

inline uint32_t NVRSAVER_u32Value(uint32_t k, uint32_t g) { return ((g & 0xFFFF) * 0x10001u) ^ NVRSAVER_u32Mix(k); }

// The generation of a value of setting k; -1 for a value no generation makes.
inline int64_t NVRSAVER_s64Generation(uint32_t k, uint32_t value) {
  const uint32_t x = value ^ NVRSAVER_u32Mix(k);
  if ((x >> 16) != (x & 0xFFFF)) return -1;
  return (int64_t)(x & 0xFFFF);
}
