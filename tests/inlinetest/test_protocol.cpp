// The command receiver and its handlers, answers caught from the output:
// reads and writes of settings, line framing, lines too long to hold, the
// commands held back outside factory mode, and "t" numbers without a test.

#include "inline_sink.h"

namespace {

using namespace inltest;
using Lines = std::vector<std::string>;

using Protocol = InlineTest;

TEST_F(Protocol, ReadsAndWritesSettingsAndRefusesShortOrOutranWrites) {
  H_DATABASE_bUpdateValueS32(FCID("SLTZ"), -5, P_NORMAL);
  EXPECT_EQ(Lines({"Command received--processing", "-5"}), Send("junk#rSLTZ\r"));
  EXPECT_EQ("#NAK", Reply("rSZZZ"));
  EXPECT_EQ("#NAK", Reply("rSA")) << "a key too short to be one";

  EXPECT_EQ("#ACK", Reply("wSLNG,12"));
  EXPECT_EQ("12", Reply("rSLNG"));
  EXPECT_EQ("#ACK", Reply("wSLTZ, -300"));
  EXPECT_EQ("-300", Reply("rSLTZ"));
  EXPECT_EQ("#NAK", Reply("wSLNG,27")) << "27 languages, numbered from 0";
  EXPECT_EQ("#NAK", Reply("wSZZZ,1")) << "no such key";
  EXPECT_EQ("12", Reply("rSLNG"));
  EXPECT_EQ("#ACK", Reply("wSNAA,150"));
  EXPECT_EQ("150", Reply("rSNAA")) << "a float key takes and answers a whole number";
  H_DATABASE_bUpdateValueU32(FCID("SSS2"), 7, P_HIGHEST);
  EXPECT_EQ("#NAK", Reply("wSSS2,12")) << "held with a better priority";
  EXPECT_EQ("7", Reply("rSSS2"));
  EXPECT_EQ("#NAK", Reply("wSLN"));
  EXPECT_EQ("#NAK", Reply("wSLNG"));
}

TEST_F(Protocol, LettersAndLineEndsFrameCommandsAndUnknownLettersGetNoAnswer) {
  EXPECT_EQ(Lines({"Command received--processing", "GPS Reset"}), Send("#g\r"));
  EXPECT_EQ(Lines({"Command received--processing", "GPS Reset"}), Send("#gabc\n"));
  EXPECT_EQ(Lines(), Send("#Z\r"));
  EXPECT_EQ(Lines({"Command received--processing", "GPS Reset"}), Send("#g\r"));
  EXPECT_EQ("No GPU", Reply("p"));
  EXPECT_EQ("anything", Reply("ianything"));
  EXPECT_EQ("", Reply("S"));

  const std::string app = Reply("v");
  EXPECT_EQ(0u, app.rfind("app version ", 0)) << app;
  EXPECT_EQ(app, Reply("v,app"));
  EXPECT_EQ(",xyz", Reply("v,xyz"));
  EXPECT_EQ(",appx", Reply("v,appx")) << "the selector ends the data";
}

TEST_F(Protocol, ALineTooLongIsDroppedWholeWithNothingInsideItRun) {
  H_DATABASE_bUpdateValueU32(FCID("SLNG"), 1, P_NORMAL);
  const std::string line = "#d" + std::string(520, 'a') + "#wSLNG,5" + std::string(60, 'b') + "\r";
  EXPECT_EQ(Lines({"#NAK"}), Send(line));
  EXPECT_EQ("1", Reply("rSLNG"));
  EXPECT_STREQ("Waiting for Test Command", INLINETEST_psState()->strStartingTest);

  const std::string text(300, 'x');
  EXPECT_EQ(text, Reply("d" + text));
  EXPECT_EQ(std::string(199, 'x'), INLINETEST_psState()->strStartingTest);
  EXPECT_EQ("", Reply("d"));
  EXPECT_STREQ("Waiting for Test Command", INLINETEST_psState()->strStartingTest);
}

TEST_F(Protocol, ShellFlashAndMapCommandsNeedFactoryModeAndEraseNeedsAConnect) {
  EXPECT_EQ("#NAK", Reply("ltouch /tmp/velmora-should-not-exist"));
  EXPECT_EQ("#NAK", Reply("v,spi"));
  EXPECT_EQ("#NAK", Reply("v,fs"));
  EXPECT_EQ("#NAK", Reply("m"));
  T_INLINETEST_vSetFactoryMode(TRUE);
  EXPECT_EQ("Command Completed Successfully!", Reply("ltrue"));
  EXPECT_EQ("Error in system command!", Reply("lfalse"));
  EXPECT_EQ(0u, Reply("v,fs").rfind("root_fs version ", 0));

  H_DATABASE_bUpdateValueU32(FCID("SLNG"), 4, P_NORMAL);
  EXPECT_EQ("", Reply("e"));
  EXPECT_EQ("4", Reply("rSLNG")) << "nothing erased before a PC connected";
  EXPECT_STREQ("Waiting for Test Command", INLINETEST_psState()->strStartingTest);
}

TEST_F(Protocol, TestNumbersWithoutATestEchoTheDataAndTheDisplayTestMixesItsColour) {
  for (const char* data : {"0", "4", "11", "48", "4,1,2"}) EXPECT_EQ(data, Reply(std::string("t") + data));
  EXPECT_EQ(WAITING_FOR_TEST, INLINETEST_psState()->eCurrentTest);

  EXPECT_EQ("", Reply("t2,2,255,255,255"));
  EXPECT_EQ(0xFFFF, INLINETEST_psState()->s32DisplayColor);
  EXPECT_EQ("", Reply("t2,2,8,4,8"));
  EXPECT_EQ(0x0821, INLINETEST_psState()->s32DisplayColor);
  EXPECT_EQ(TESTING_DISPLAY, INLINETEST_psState()->eCurrentTest);

  // The closing record is written only for a PC-driven test.
  EXPECT_EQ("", Reply("t31"));
  EXPECT_EQ(TESTING_FINISHED_PASS, INLINETEST_psState()->eCurrentTest);
  EXPECT_FALSE(H_DATABASE_bFetch(FCID("STTP"), nullptr, nullptr, nullptr) &&
               (INLINETEST_psState()->u32PassedTests & 0x40000000) != 0);
}

}  // namespace
