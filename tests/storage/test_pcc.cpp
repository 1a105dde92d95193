// The PC-connect task on a line with lrzsz as the PC: the navigation store
// out and back in, a PC that gives up half-way, and the receiver's handling
// of writes and of lines too long to hold.

#include "linux_fs.h"
#include "navstore_rig.h"
#include "pclink_line.h"
#include "t_nav_data.h"
#include "t_nav_group_data.h"
#include "model.h"
#include "t_mmc.h"
#include "t_pcc.h"
#include "xmodem_script.h"

namespace {

using namespace pclink;

std::vector<U8> StoreStream(void) {
  T_NAV_DATA_vFillBufferInit();
  std::vector<U8> stream;
  U8 segment[NAV_DATA_SEGMENT_SIZE];
  for (U32 n; (n = T_NAV_DATA_u32FillBufferSegment(segment, nullptr)) != 0;) stream.insert(stream.end(), segment, segment + n);
  T_NAV_DATA_vFillBufferEnd();
  return stream;
}

void AddWaypoints(U32 from, U32 to) {
  for (U32 i = from; i < to; i++) {
    WAYPOINT w = NAVTEST_Waypoint((S32)(i * 977), (S32)(i * 331), ("P" + std::to_string(i)).c_str());
    const U16 slot = T_NAV_nAddWaypoint(&w, TRUE);
    ASSERT_NE(65535, slot);
    ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(T_NAV_GROUP_DATA_nGetRootGroup(), slot));
  }
}

bool NavDataFree(void) { return L_MUTEX_GetOwnerTaskID(RES_NAV_DATA) == 0; }

class PcConnect : public PcLine {
 protected:
  void SetUp() override {
    PcLine::SetUp();
    H_DATABASE_bUpdateValueU32(FCID("CCST"), STATE_NORMAL_RUN, P_HIGHEST);
    T_NAV_vInitTracksWaypointsRoutes();
    T_NAV_NVRAM_vEraseCurrentTrack();
  }

  // The line with the task waiting for a '#' line.
  void StartTask(void) {
    ASSERT_NO_FATAL_FAILURE(OpenSocatLine(FALSE));
    ASSERT_EQ(0, TEST_StartTask(PCCTASK, T_PCC_vMain));
    ASSERT_TRUE(WaitFor([] { return H_DATABASE_bFetch(FCID("TPCC"), nullptr, nullptr, nullptr); }, 5000));
  }

  // A request line from the PC and, once the unit's six-byte answer is in
  // reply.bin, the command (lrzsz) that follows it.
  std::unique_ptr<TEST_PROCESS> Request(const std::string& request, const std::string& then) {
    return Peer("printf '\\r\\n#" + request + "\\r' && dd bs=1 count=6 of=reply.bin 2>/dev/null && " + then);
  }
  std::string Reply(void) {
    const std::vector<U8> bytes = ReadFile(m_dir + "/reply.bin");
    return std::string(bytes.begin(), bytes.end());
  }

  std::vector<U8> StoreFiles(void) {
    std::vector<U8> all;
    for (const char* dir : {"wpts", "routes", "tracks"}) {
      const std::string path = m_dir + "/usr/velmora/" + dir;
      if (!std::filesystem::exists(path)) continue;
      std::vector<std::string> names;
      for (const auto& e : std::filesystem::directory_iterator(path)) names.push_back(e.path().string());
      std::sort(names.begin(), names.end());
      for (const std::string& name : names) {
        const std::vector<U8> bytes = ReadFile(name);
        all.insert(all.end(), name.begin(), name.end());
        all.insert(all.end(), bytes.begin(), bytes.end());
      }
    }
    return all;
  }
};

TEST_F(PcConnect, ExportToRxIsTheStoresStreamAndItsImportReproducesTheStore) {
  ASSERT_NO_FATAL_FAILURE(AddWaypoints(0, 60));
  const std::vector<U8> stream = StoreStream();
  const std::vector<U8> files = StoreFiles();
  ASSERT_GT(stream.size(), 2000u);
  ASSERT_NO_FATAL_FAILURE(StartTask());

  EXPECT_EQ(0, TEST_Finish(Request("e", "exec rx -X -c -b out.bin"), 30000).status);
  EXPECT_EQ("#ACK\n\r", Reply());
  EXPECT_TRUE(Padded(stream, 1024) == ReadFile(m_dir + "/out.bin"));
  EXPECT_TRUE(WaitFor(NavDataFree, 2000));

  ASSERT_NO_FATAL_FAILURE(AddWaypoints(60, 70));
  ASSERT_NE(files, StoreFiles());
  EXPECT_EQ(0, TEST_Finish(Request("E", "exec sx -X -k -b out.bin"), 30000).status);
  EXPECT_EQ("#ACK\n\r", Reply());
  EXPECT_TRUE(WaitFor([&] { return StoreFiles() == files; }, 5000)) << "the store as exported";
  EXPECT_TRUE(StoreStream() == stream);
}

TEST_F(PcConnect, AnImportThePcCancelsLeavesTheStoreAsItWas) {
  ASSERT_NO_FATAL_FAILURE(AddWaypoints(0, 20));
  const std::vector<U8> files = StoreFiles();
  ASSERT_NO_FATAL_FAILURE(StartTask());
  // The PC cancels at the first 'C'; the import's end wakes the view.
  while (L_SEMA_WaitTicks(SEMA_VIEW_UPDATE, 0) == 0) {
  }
  TEST_Finish(Request("E", "sleep 0.5 && printf '\\030\\030'"), 10000);
  ASSERT_TRUE(WaitFor([] { return L_SEMA_WaitTicks(SEMA_VIEW_UPDATE, 0) == 0; }, 5000)) << "the import ended";
  EXPECT_TRUE(StoreFiles() == files);
  EXPECT_EQ(20, T_NAV_TWR_nGetWaypointCount());
}

TEST_F(PcConnect, AnExportHoldsTheStoreOnlyWhileDataFlowsAndReleasesItWhenThePcCancels) {
  ASSERT_NO_FATAL_FAILURE(AddWaypoints(0, 20));
  ASSERT_NO_FATAL_FAILURE(StartTask());
  // Asked, but no 'C' until the test has looked: the store stays free meanwhile.
  auto pc = Request("e", "until [ -e go ]; do sleep 0.01; done && printf C && sleep 0.5 && printf '\\030\\030\\030'");
  ASSERT_TRUE(WaitFor([&] { return Reply() == "#ACK\n\r"; }, 5000)) << "the request taken";
  EXPECT_TRUE(NavDataFree()) << "held before the PC asked for data";
  WriteFile(m_dir + "/go", {});
  TEST_Finish(std::move(pc), 10000);
  EXPECT_TRUE(WaitFor(NavDataFree, 3000)) << "held after the PC cancelled";
}

// rx straight on the terminal, as a PC runs it: as it exits it flushes the
// terminal, which may take its last ACK with it. Whether the ACK came or
// not, a request a second later is answered.
TEST_F(PcConnect, ARequestASecondAfterRxExitsIsAnsweredEveryTime) {
  ASSERT_NO_FATAL_FAILURE(AddWaypoints(0, 3));
  ASSERT_NO_FATAL_FAILURE(StartTask());
  const std::string tty = m_peerTty;
  const std::string script = "cd " + m_dir + " && printf '\\r\\n#e\\r' > " + tty +
                             " && dd bs=1 count=6 of=reply.bin < " + tty + " 2>/dev/null && rx -X -c -b out.bin < " +
                             tty + " > " + tty + " 2>/dev/null; sleep 1 && printf '#T\\r' > " + tty +
                             " && timeout 20 dd bs=1 count=13 of=test.bin < " + tty + " 2>/dev/null";
  for (int run = 0; run < 20; run++) {
    unlink((m_dir + "/test.bin").c_str());
    TEST_Finish(TEST_Spawn("/bin/sh", {"-c", script}), 60000);
    const std::vector<U8> reply = ReadFile(m_dir + "/test.bin");
    ASSERT_EQ("#1234567890\r\n", std::string(reply.begin(), reply.end())) << "run " << run;
    ASSERT_TRUE(WaitFor(NavDataFree, 5000)) << "run " << run;
  }
}

// ---------------------------------------------------------------------------
// The receiver alone, its replies taken by the test.

std::string g_replies;
void Take(const U8* pu8Bytes, U32 u32Count) { g_replies.append((const char*)pu8Bytes, u32Count); }

class Receiver : public ::testing::Test {
 protected:
  void SetUp() override {
    TEST_vInitServiceLayer();
    H_DATABASE_vInit();
    T_PCC_vSetReplySink(Take);
    T_PCC_vResetReceiver();
    g_replies.clear();
    H_DATABASE_bUpdateValueU32(FCID("SMDL"), 30, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("SSS2"), 5, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("FFST"), 0x100, P_NORMAL);
    H_DATABASE_bUpdateValueU32(FCID("TNAV"), 12, P_NORMAL);
  }
  void TearDown() override { T_PCC_vSetReplySink(nullptr); }

  static std::string Feed(const std::string& bytes) {
    g_replies.clear();
    for (char c : bytes) T_PCC_bReceiveByte((U8)c);
    return g_replies;
  }
  static U32 Value(const char* pcKey) {
    DB_DATA_TYPE v = {};
    H_DATABASE_bFetch((U32)(U8)pcKey[0] | (U32)(U8)pcKey[1] << 8 | (U32)(U8)pcKey[2] << 16 | (U32)(U8)pcKey[3] << 24,
                      &v, nullptr, nullptr);
    return v.u32Val;
  }
};

TEST_F(Receiver, WritesReachOnlyExistingKeysOfTheirClassWithHexValues) {
  EXPECT_EQ("#ACK\n\r", Feed("#sSMDL0x00000248\r"));
  EXPECT_EQ(0x248u, Value("SMDL"));
  EXPECT_EQ("#NAK\n\r", Feed("#sSMDL0x0000001f\r")) << "no model of the table";
  EXPECT_EQ("#NAK\n\r", Feed("#sSLTZ0xFFFFFFF9\r")) << "-7 minutes is no zone of the unit";
  EXPECT_EQ("#NAK\n\r", Feed("#sTNAV0x00000001\r"));
  EXPECT_EQ(12u, Value("TNAV"));
  EXPECT_EQ("#NAK\n\r", Feed("#sSNEW0x00000001\r")) << "a key that does not exist";
  EXPECT_EQ("#NAK\n\r", Feed("#sSSS20x00000015\r")) << "sensitivity is 1 to 20";
  EXPECT_EQ("#NAK\n\r", Feed("#sSSEN0x00000002\r")) << "a flag is 0 or 1";
  EXPECT_EQ("#NAK\n\r", Feed("#sSCPA0x7FC00000\r")) << "a float that is not a number";
  EXPECT_EQ("#ACK\n\r#NAK\n\r", Feed("#sSSS20x00000007,SMDL0x0000g001,SMDL0x00000002\r"));
  EXPECT_EQ(7u, Value("SSS2"));
  EXPECT_EQ(0x248u, Value("SMDL"));
  EXPECT_EQ("#NAK\n\r", Feed("#fSMDL0x00000001\r")) << "f writes only F keys";
  EXPECT_EQ("#ACK\n\r", Feed("#fFFST0x00000201\r"));
  EXPECT_EQ("#FFST0x00000201\r\n", Feed("#f\r"));
}

TEST_F(Receiver, ALineTooLongIsDroppedWholeAndRefused) {
  const std::string line = "#s" + std::string(300, 'x') + "#sSMDL0x00000009" + std::string(300, 'y') + "\r";
  EXPECT_EQ("#NAK\n\r", Feed(line));
  EXPECT_EQ(30u, Value("SMDL"));
  EXPECT_EQ("#1234567890\r\n", Feed("#T\r\n"));
}

// An import from a PC whose file was cut inside its last record: the rest
// is taken, and the PC hears how many records were not.
class PcImport : public NavStore {
 protected:
  void SetUp() override {
    TEST_vInitServiceLayer();
    NavStore::SetUp();
    T_PCC_vSetReplySink(Take);
    T_PCC_vResetReceiver();
    U_XMODEM_vSetLink(&xmscript::kScripted);
    xmscript::Reset();
  }
  void TearDown() override {
    U_XMODEM_vSetLink(nullptr);
    T_PCC_vSetReplySink(nullptr);
    NavStore::TearDown();
  }
};

TEST_F(PcImport, ARecordCutByTheEndOfTheFileIsLeftOutAndThePcIsToldSo) {
  ASSERT_NO_FATAL_FAILURE(AddWaypoints(0, 30));
  T_NAV_DATA_vFillBufferInit();
  std::vector<U8> stream(2048);
  const U32 n = T_NAV_DATA_u32FillNoGroupBufferSegment(stream.data(), nullptr);
  ASSERT_EQ(1024u, n);
  ASSERT_EQ(30 * 36u - 1024, T_NAV_DATA_u32FillNoGroupBufferSegment(stream.data() + n, nullptr));
  T_NAV_DATA_vFillBufferEnd();
  // 1,023 bytes: 28 records of 36 and 15 bytes of the 29th.
  stream.resize(1023);
  xmscript::AddFile(stream);
  g_replies.clear();
  for (char c : std::string("#E\r")) T_PCC_bReceiveByte((U8)c);
  EXPECT_EQ("#ACK\n\r#Not taken:1\r\n", g_replies);
  EXPECT_EQ(28, T_NAV_TWR_nGetWaypointCount());

  // A file of one byte is one record cut: the PC hears so and the store
  // stays. An empty file sends nothing to take or to tell.
  for (const std::vector<U8>& file : {std::vector<U8>{2}, std::vector<U8>{}}) {
    xmscript::Reset();
    xmscript::AddFile(file);
    g_replies.clear();
    for (char c : std::string("#E\r")) T_PCC_bReceiveByte((U8)c);
    EXPECT_EQ(file.empty() ? "#ACK\n\r" : "#ACK\n\r#Not taken:1\r\n", g_replies);
    EXPECT_EQ(28, T_NAV_TWR_nGetWaypointCount());
  }
}

}  // namespace

namespace {

// 512 bytes of entries, each ended by NUL, zeros after.
std::string Trailer(const std::vector<std::string>& entries) {
  std::string t;
  for (const std::string& e : entries) t += e + '\0';
  t.resize(T_MMC_TRAILER_SIZE + 1, '\0');
  return t;
}

TEST_F(Receiver, TheTrailerNamesThisUnitsModelOrAllAndAVersion) {
  H_DATABASE_bUpdateValueU32(FCID("SMDL"), MODEL_DOMESTIC, P_NORMAL);
  const std::string name = MODEL_pcFetchModelText(MODEL_DOMESTIC);
  EXPECT_TRUE(T_MMC_bVerifyNewCodeModel(Trailer({"x=1", "model=all"}).c_str()));
  EXPECT_TRUE(T_MMC_bVerifyNewCodeModel(Trailer({"model= " + name}).c_str())) << "a blank before the name";
  EXPECT_FALSE(T_MMC_bVerifyNewCodeModel(Trailer({"model=" + name + "X"}).c_str()));
  EXPECT_FALSE(T_MMC_bVerifyNewCodeModel(Trailer({"x=1", "", "model=all"}).c_str())) << "after the empty entry";
  EXPECT_EQ(2150u, T_MMC_u32FetchNewCodeVersion(Trailer({"model=all", "version=2150", "version=7"}).c_str()));
  EXPECT_EQ(0u, T_MMC_u32FetchNewCodeVersion(Trailer({"model=all"}).c_str()));
  EXPECT_EQ(0u, T_MMC_u32FetchNewCodeVersion(Trailer({"version=abc"}).c_str()));
  // A unit whose model is not in the table takes no image.
  H_DATABASE_bUpdateValueU32(FCID("SMDL"), 30, P_NORMAL);
  EXPECT_FALSE(T_MMC_bVerifyNewCodeModel(Trailer({"model=all"}).c_str()));
  // No NUL in the 512 bytes: the terminator after them ends the search.
  std::string full = "model=all" + std::string(T_MMC_TRAILER_SIZE - 9, 'z') + '\0';
  EXPECT_FALSE(T_MMC_bVerifyNewCodeModel(full.c_str()));
  EXPECT_EQ(0u, T_MMC_u32FetchNewCodeVersion(full.c_str()));
}

TEST(VersionText, IsReadAsTwoIntegers) {
  EXPECT_EQ(2002u, T_MMC_u32VersionNumber("2.002"));
  EXPECT_EQ(1001u, T_MMC_u32VersionNumber("1.001"));
  EXPECT_EQ(2000u, T_MMC_u32VersionNumber("2.000"));
  EXPECT_EQ(0u, T_MMC_u32VersionNumber("x"));
}

TEST_F(Receiver, ModelAccessoriesAndAMissingFeatureKeyAnswerExactly) {
  EXPECT_EQ("#0000001E\r\n", Feed("#M\r"));
  H_DATABASE_vDeleteEntry(FCID("SMDL"));
  EXPECT_EQ("#NAK\n\r", Feed("#M\r"));
  EXPECT_EQ("#NAK\n\r", Feed("#A\r"));
  H_DATABASE_bUpdateValueU32(FCID("XX05"), 1, P_NORMAL);
  H_DATABASE_bUpdateValueU32(FCID("XX01"), 1, P_NORMAL);
  H_DATABASE_vAllowKeysOutsideTable(TRUE);  // an accessory this unit has no row for
  H_DATABASE_bUpdateValueU32(FCID("XX99"), 1, P_NORMAL);
  H_DATABASE_vAllowKeysOutsideTable(FALSE);
  EXPECT_EQ("#01,05\r\n", Feed("#A\r"));
  EXPECT_EQ("#ACK\n\r#NAK\n\r", Feed("#fFFST0x00000002,FZZZ0x00000003,FFST0x00000004\r"));
  EXPECT_EQ(2u, Value("FFST"));
}

}  // namespace
