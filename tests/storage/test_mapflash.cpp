// The map flash's signature state and the card's update list.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "h_memory.h"
#include "linuxsvc.h"
#include "test_process.h"
#include "u_mapflash.h"

namespace {

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(MapFlash, WithoutASignatureFileItIsBlankUntilTheUnitRestarts) {
  const std::string signature = std::string(L_UTILS_cpGetPathnamePtr()) + "/mapflash.sig";
  ASSERT_NE(0, access(signature.c_str(), F_OK));
  EXPECT_EQ(MAPFLASH_STATE_BLANK, U_MAPFLASH_eGetMapFlashState(0));
  EXPECT_STREQ("Map Flash Blank", U_MAPFLASH_pcGetMapFlashStateText(U_MAPFLASH_eGetMapFlashState(0)));
  Write(signature, "MAPFLASH_SIGNATURE_QRBMAP");
  EXPECT_EQ(MAPFLASH_STATE_BLANK, U_MAPFLASH_eGetMapFlashState(0));
  EXPECT_EQ(MAPFLASH_STATE_QRB, U_MAPFLASH_eReadMapFlashState(0)) << "a fresh reading sees it";
  remove(signature.c_str());
}

TEST(MapFlash, TheFirstTwentyFiveBytesNameTheChartSet) {
  const std::string store = std::string(L_UTILS_cpGetPathnamePtr()) + "/data4";
  mkdir(store.c_str(), 0755);
  const struct {
    const char* text;
    MAPFLASH_STATE state;
  } rows[] = {
      {"MAPFLASH_SIGNATURE_KORDALE", MAPFLASH_STATE_KORDALE},
      {"MAPFLASH_SIGNATURE_KORDALX and more", MAPFLASH_STATE_KORDALE},  // the 26th byte does not count
      {"MAPFLASH_SIGNATURE_VTXMAP", MAPFLASH_STATE_VINTREL},
      {"MAPFLASH_SIGNATURE_VTXMA", MAPFLASH_STATE_INCOMPLETE},
      {"", MAPFLASH_STATE_INCOMPLETE},
  };
  for (const auto& row : rows) {
    Write(store + "/mapflash.sig", row.text);
    EXPECT_EQ(row.state, U_MAPFLASH_eReadMapFlashState(4)) << row.text;
  }
  EXPECT_STREQ("Vintrel Complete", U_MAPFLASH_pcGetMapFlashStateText(MAPFLASH_STATE_VINTREL));
  EXPECT_STREQ("Map Flash Blank", U_MAPFLASH_pcGetMapFlashStateText((MAPFLASH_STATE)9));
}

class UpdateList : public ::testing::Test {
 protected:
  void SetUp() override { path = TEST_MakeTempDir("velmora-inf") + "/mapflash.inf"; }
  BOOLEAN Parse(const std::string& text) {
    Write(path, text);
    const BOOLEAN b = U_MAPFLASH_bParseMapFlashInf(path.c_str(), &data);
    file = data.pFileName != nullptr ? data.pFileName : "";
    signature = data.pSignature != nullptr ? data.pSignature : "";
    H_MEMORY_vFree(data.pFileName);
    H_MEMORY_vFree(data.pSignature);
    return b;
  }
  std::string path, file, signature;
  MAPFLASH_INF_DATA data = {};
};

TEST_F(UpdateList, KeysMayHaveBlanksAndAnyLineEndsAndTheFirstOneWins) {
  EXPECT_TRUE(Parse("\r\nFILE = maps/q.img\r\r\n  METHOD = compare \nSIGNATURE=MAPFLASH_SIGNATURE_QRBMAP\nFILE=other\n"));
  EXPECT_EQ(MAPFLASH_METHOD_COMPARE, data.eMethod);
  EXPECT_EQ("maps/q.img", file);
  EXPECT_EQ("MAPFLASH_SIGNATURE_QRBMAP", signature);
  EXPECT_TRUE(Parse("METHOD=Copy\rFILE=a\rSIGNATURE=s"));
  EXPECT_EQ(MAPFLASH_METHOD_COPY, data.eMethod);
}

TEST_F(UpdateList, AnythingMissingUnknownOrPastTheTenthLineIsRefused) {
  EXPECT_FALSE(Parse("FILE=a\nMETHOD=move\nSIGNATURE=s\n"));
  EXPECT_EQ(nullptr, data.pFileName);
  EXPECT_FALSE(Parse("FILE=\nMETHOD=image\nSIGNATURE=s\n"));
  EXPECT_FALSE(Parse("file=a\nMETHOD=image\nSIGNATURE=s\n")) << "keys keep their case";
  std::string eleven = "METHOD=image\nSIGNATURE=s\n";
  for (int i = 0; i < 8; i++) eleven += "X=1\n";
  EXPECT_FALSE(Parse(eleven + "FILE=a\n")) << "FILE on line 11";
  EXPECT_TRUE(Parse(eleven.substr(0, eleven.size() - 4) + "FILE=a\n")) << "FILE on line 10";
  // 512 bytes with no terminator and no line end: read as one line, no further.
  EXPECT_FALSE(Parse("FILE=" + std::string(507, 'a') + "METHOD=image"));
  char* value = U_MAPFLASH_psParseMapFlashInfLine(" SIGNATURE =  x y ", "SIGNATURE");
  EXPECT_STREQ("x y", value);
  H_MEMORY_vFree(value);
  EXPECT_EQ(nullptr, U_MAPFLASH_psParseMapFlashInfLine("SIGNATURE x", "SIGNATURE"));
  EXPECT_FALSE(U_MAPFLASH_bUpdateMapFlash(1));
}

}  // namespace
