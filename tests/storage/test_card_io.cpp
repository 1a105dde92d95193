// Buffered card files against an instrumented stream, device and file names
// against hand-written paths, and hexadecimal text.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "h_memory.h"
#include "linuxsvc.h"
#include "test_process.h"
#include "u_file.h"
#include "u_hex.h"
#include "u_mmc.h"

namespace {

std::vector<U32> g_calls;
void Record(U32 u32Call, S64) { g_calls.push_back(u32Call); }

size_t Count(U32 u32Call) {
  size_t n = 0;
  for (U32 c : g_calls) n += c == u32Call;
  return n;
}

class CardFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = TEST_MakeTempDir("velmora-card");
    path = dir + "/data.bin";
    for (int i = 0; i < 1000; i++) content.push_back((char)(i * 7 + i / 256));
    std::ofstream(path, std::ios::binary) << content;
    g_calls.clear();
    U_MMC_vSetStreamTrace(Record);
  }
  void TearDown() override { U_MMC_vSetStreamTrace(nullptr); }
  std::string dir, path, content;
};

TEST_F(CardFile, AThousandBytesReadThreeAtATimeCostThreeStreamReads) {
  BUFFERED_IO_CONTROL* file = U_MMC_psBufferedOpen(path.c_str(), "rb", nullptr, 0);
  ASSERT_NE(nullptr, file);
  std::string got;
  std::vector<int> sizes;
  char piece[3];
  for (int n; (n = U_MMC_nBufferedRead(piece, 3, file)) > 0;) {
    got.append(piece, (size_t)n);
    sizes.push_back(n);
  }
  EXPECT_EQ(content, got);
  ASSERT_EQ(334u, sizes.size());
  EXPECT_EQ(1, sizes.back());
  EXPECT_EQ(0, U_MMC_nBufferedRead(piece, 3, file)) << "the end stays the end";
  EXPECT_EQ(3u, Count(U_MMC_STREAM_READ)) << "512, 488, then the end";
  EXPECT_EQ(0, U_MMC_nBufferedClose(file));
}

TEST_F(CardFile, SeeksInsideTheHeldBlockCostNothingAndNoneReadsPastTheEnd) {
  BUFFERED_IO_CONTROL* file = U_MMC_psBufferedOpen(path.c_str(), "rb", nullptr, 0);
  ASSERT_NE(nullptr, file);
  char buffer[32];
  ASSERT_EQ(30, U_MMC_nBufferedRead(buffer, 30, file));
  g_calls.clear();
  ASSERT_EQ(0, U_MMC_nBufferedSeek(file, -10, 1));
  EXPECT_EQ(20, U_MMC_nBufferedTell(file));
  ASSERT_EQ(10, U_MMC_nBufferedRead(buffer, 10, file));
  EXPECT_EQ(content.substr(20, 10), std::string(buffer, 10));
  EXPECT_TRUE(g_calls.empty());

  // Into the short last block, from the start and from the end.
  ASSERT_EQ(0, U_MMC_nBufferedSeek(file, 995, 0));
  EXPECT_EQ(5, U_MMC_nBufferedRead(buffer, 20, file));
  EXPECT_EQ(content.substr(995), std::string(buffer, 5));
  ASSERT_EQ(0, U_MMC_nBufferedSeek(file, -3, 2));
  EXPECT_EQ(3, U_MMC_nBufferedRead(buffer, 20, file));
  EXPECT_EQ(content.substr(997), std::string(buffer, 3));
  EXPECT_EQ(-1, U_MMC_nBufferedSeek(file, 1001, 0));

  // A block just brought in by a seek is the one held, not the one before.
  ASSERT_EQ(0, U_MMC_nBufferedSeek(file, 512, 0));
  ASSERT_EQ(0, U_MMC_nBufferedSeek(file, 100, 0));
  ASSERT_EQ(4, U_MMC_nBufferedRead(buffer, 4, file));
  EXPECT_EQ(content.substr(100, 4), std::string(buffer, 4));
  EXPECT_EQ(0, U_MMC_nBufferedClose(file));
}

TEST_F(CardFile, UnknownModesAreRefusedAndAppendAddsOnlyWhatIsWritten) {
  EXPECT_EQ(nullptr, U_MMC_psBufferedOpen(path.c_str(), "rw", nullptr, 0));
  EXPECT_EQ(nullptr, U_MMC_psBufferedOpen((dir + "/missing").c_str(), "rb", nullptr, 0));
  BUFFERED_IO_CONTROL* file = U_MMC_psBufferedOpen(path.c_str(), "ab", nullptr, 0);
  ASSERT_NE(nullptr, file);
  EXPECT_EQ(1000, U_MMC_nBufferedTell(file));
  const std::string tail(700, 'x');
  EXPECT_EQ(700, U_MMC_nBufferedWrite(tail.data(), 700, file));
  EXPECT_EQ(-1, U_MMC_nBufferedSeek(file, 0, 0)) << "writers do not seek";
  EXPECT_EQ(0, U_MMC_nBufferedClose(file));
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(content + tail, std::string(std::istreambuf_iterator<char>(in), {}));
}

// Paths made by the file-name routines, freed after the check.
std::string Take(char* p) {
  std::string s = p != nullptr ? p : "(none)";
  H_MEMORY_vFree(p);
  return s;
}

TEST(CardNames, DevicesLieUnderTheCardRootAndTheBaseDirectory) {
  const std::string devroot = getenv("VELMORA_DEVROOT") ? getenv("VELMORA_DEVROOT") : "";
  std::string base = L_UTILS_cpGetPathnamePtr();
  if (base.back() != '/') base += '/';
  EXPECT_EQ(devroot + "/mnt/mmc1/", Take(U_FILE_psCreateDeviceName("mmc", 1)));
  EXPECT_EQ(devroot + "/mnt/mmc12/", Take(U_FILE_psCreateDeviceName("mmc", 12)));
  EXPECT_EQ(base, Take(U_FILE_psCreateDeviceName("mvn", 0)));
  EXPECT_EQ(base + "data2/", Take(U_FILE_psCreateDeviceName("mvn", 2)));
  EXPECT_EQ("(none)", Take(U_FILE_psCreateDeviceName("mmc", -1)));
  EXPECT_EQ("(none)", Take(U_FILE_psCreateDeviceName(std::string(130, 'd').c_str(), 0)));
  EXPECT_EQ("(none)", Take(U_FILE_psComposeFileName("/mnt/mmc1/", std::string(117, 'n').c_str())))
      << "one byte more than the 127 of a path";

  char name[16] = "/a.b/PIC.PNG";
  U_FILE_vCutExtension(name);
  EXPECT_STREQ("/a.b/PIC", name);
  EXPECT_TRUE(U_FILE_bAddExtension(name, sizeof name, "BMP"));
  EXPECT_STREQ("/a.b/PIC.BMP", name);
  EXPECT_FALSE(U_FILE_bAddExtension(name, sizeof name, "BMP"));
  EXPECT_STREQ("/a.b/PIC.BMP", name);
  std::string card = devroot + "/mnt/mmc12/DIR/F.PNG";
  U_FILE_vMarkDeviceName(card.data());
  EXPECT_STREQ((devroot + "/mnt/mmc12").c_str(), card.c_str());
  char other[] = "/usr/velmora/x";
  U_FILE_vMarkDeviceName(other);
  EXPECT_STREQ("/", other);
}

TEST(CardHex, PairsOfEitherCaseBecomeBytesAndNonHexIsRefused) {
  U8 out[2] = {};
  EXPECT_TRUE(U_HEX_b2Hex((const U8*)"1e", out, 1));
  EXPECT_EQ(0x1E, out[0]);
  EXPECT_TRUE(U_HEX_b2Hex((const U8*)"1EfF", out, 2));
  EXPECT_EQ(0x1E, out[0]);
  EXPECT_EQ(0xFF, out[1]);
  EXPECT_FALSE(U_HEX_b2Hex((const U8*)"1G", out, 1));
  EXPECT_FALSE(U_HEX_b2Hex((const U8*)":0", out, 1)) << "the character after '9'";
  U8 text[5] = {};
  const U8 bytes[2] = {0x1E, 0xA0};
  U_HEX_v2ASCII(bytes, text, 2);
  EXPECT_STREQ("1EA0", (const char*)text);
}

}  // namespace
