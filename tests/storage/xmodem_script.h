// A scripted XMODEM peer for the tests: what the peer sends is fixed, what
// the unit sends is kept, and time passes only in waits.
#pragma once

#include <algorithm>
#include <deque>
#include <vector>

#include "basetypes.h"
#include "u_xmodem.h"

namespace xmscript {

inline std::deque<U8> g_script;
inline std::vector<U8> g_sent;
inline U64 g_u64Now;
inline U32 g_u32ByteTicks;  // how long each scripted byte takes to arrive

inline BOOLEAN ScriptGet(U8, U8* pu8Byte, TICKS ticks) {
  if (g_script.empty()) {
    g_u64Now += ticks;
    return FALSE;
  }
  *pu8Byte = g_script.front();
  g_script.pop_front();
  g_u64Now += g_u32ByteTicks;
  return TRUE;
}
inline BOOLEAN ScriptPut(U8, U8 u8Byte, TICKS) {
  g_sent.push_back(u8Byte);
  return TRUE;
}
inline U64 ScriptNow(void) { return g_u64Now; }
inline void ScriptSleep(TICKS ticks) { g_u64Now += ticks; }
// The same line spoken to in blocks, a byte's time apart.
inline U32 ScriptGetBlock(U8 u8Port, U8* pu8Bytes, U32 u32Count, TICKS ticks) {
  U32 n = 0;
  while (n < u32Count && ScriptGet(u8Port, &pu8Bytes[n], ticks)) n++;
  return n;
}
inline BOOLEAN ScriptPutBlock(U8, const U8* pu8Bytes, U32 u32Count, TICKS) {
  g_sent.insert(g_sent.end(), pu8Bytes, pu8Bytes + u32Count);
  return TRUE;
}
inline const XMODEM_LINK kScripted = {ScriptGet, ScriptPut, ScriptNow, ScriptSleep, nullptr, nullptr};
inline const XMODEM_LINK kScriptedBlocks = {ScriptGet, ScriptPut, ScriptNow, ScriptSleep, ScriptGetBlock, ScriptPutBlock};

inline void Reset(void) {
  g_script.clear();
  g_sent.clear();
  g_u64Now = 0;
  g_u32ByteTicks = 0;
}

inline std::vector<U8> Packet(U8 u8Header, U8 u8Block, U8 u8Complement, const std::vector<U8>& data) {
  std::vector<U8> p(data.size() + 5);
  p[0] = u8Header;
  p[1] = u8Block;
  p[2] = u8Complement;
  std::copy(data.begin(), data.end(), p.begin() + 3);
  const U16 crc = U_XMODEM_u16Crc(data.data(), (U32)data.size());
  p[data.size() + 3] = (U8)(crc >> 8);
  p[data.size() + 4] = (U8)crc;
  return p;
}

// The bytes in 1,024-byte packets as a sender puts them (the last filled
// with 0x1A), then the end twice.
inline void AddFile(const std::vector<U8>& bytes) {
  for (size_t at = 0, block = 1; at < bytes.size(); at += 1024, block++) {
    std::vector<U8> data(bytes.begin() + (long)at, bytes.begin() + (long)std::min(bytes.size(), at + 1024));
    data.resize(1024, XMODEM_PAD);
    const std::vector<U8> p = Packet(XMODEM_STX, (U8)block, (U8)(255 - block), data);
    g_script.insert(g_script.end(), p.begin(), p.end());
  }
  g_script.insert(g_script.end(), {XMODEM_EOT, XMODEM_EOT});
}

}  // namespace xmscript
