// What the in-line test sends to the PC, caught line by line.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "h_database.h"
#include "t_inlinetest.h"
#include "t_inlinetest_priv.h"

namespace inltest {

inline std::string& Caught(void) {
  static std::string caught;
  return caught;
}

inline void Catch(const U8* pu8Bytes, U32 u32Count) { Caught().append((const char*)pu8Bytes, u32Count); }

// A fresh database and task state, lines caught.
class InlineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    H_DATABASE_vInit();
    T_INLINETEST_vInitState();
    T_INLINETEST_vSetOutputSink(Catch);
    T_INLINETEST_vSetFactoryMode(FALSE);
    Caught().clear();
  }
  void TearDown() override {
    L_TIMER_Stop(INLINETEST_psState()->pUpdateTimer);
    T_INLINETEST_vSetOutputSink(nullptr);
  }

  // The lines the PC gets for the bytes, each without its CR LF.
  static std::vector<std::string> Send(const std::string& bytes) {
    Caught().clear();
    for (char c : bytes) T_INLINETEST_bReceiveByte((U8)c);
    std::vector<std::string> lines;
    const std::string& all = Caught();
    for (size_t at = 0; at < all.size();) {
      const size_t end = all.find("\r\n", at);
      if (end == std::string::npos) {
        lines.push_back(all.substr(at) + "<unterminated>");
        break;
      }
      lines.push_back(all.substr(at, end - at));
      at = end + 2;
    }
    return lines;
  }
  // The reply line of one command.
  static std::string Reply(const std::string& command) {
    const std::vector<std::string> lines = Send("#" + command + "\r");
    if (lines.size() != 2 || lines[0] != "Command received--processing") return "<" + Caught() + ">";
    return lines[1];
  }
};

}  // namespace inltest
