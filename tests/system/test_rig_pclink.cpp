// A service PC on ttyO3 of a host rig: the exact bytes of the link's
// requests and replies, a long line that hides a wipe, a key pressed while
// connected, and leaving connect mode.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <string>

#include "nvram_files.h"
#include "rig_pcline.h"
#include "rig_unit.h"
#include "test_timing.h"

namespace {

using namespace rigunit;

std::vector<int32_t> Tones(const std::string& rig) {
  const std::vector<uint8_t> bytes = nvfiles::Read(rig + "/dev/buzzer0");
  std::vector<int32_t> tones(bytes.size() / 4);
  memcpy(tones.data(), bytes.data(), tones.size() * 4);
  return tones;
}

TEST(Rig, AServicePcOnTtyO3GetsExactRepliesAndCannotSlipAWipeIntoALongLine) {
  PC_SESSION session;
  ASSERT_NO_FATAL_FAILURE(session.Start({{"SQCD", 1}, {"SMDL", 584}}));
  const std::string& base = session.base.dir;
  const std::string& rigDir = session.rig.dir;
  const std::vector<COLOR> normal = WaitForScreen(rigDir, [](const std::vector<COLOR>& s) { return !s.empty(); }, 5000);
  ASSERT_NO_FATAL_FAILURE(session.ConnectWithOneRequest());
  const PC_LINE& pc = session.pc;

  const std::string version = pc.Ask("#V\r\n");
  EXPECT_TRUE(std::regex_match(version, std::regex("#Ver\\.2\\.000;Dat\\.Mar 13 2019;Rev\\.[^;]*;Spd\\.800Mhz\r\n")))
      << version;
  EXPECT_EQ("#1234567890\r\n", pc.Ask("#T\r"));
  EXPECT_EQ("#2\r\n", pc.Ask("#C\r"));
  EXPECT_EQ("#3,3,3\r\n", pc.Ask("#c\r"));
  const std::string space = pc.Ask("#I\r");
  EXPECT_TRUE(std::regex_match(space, std::regex("#W:0/3000,G:[0-9]+/[0-9]+,R:0/50,T:0/50\r\n"))) << space;
  EXPECT_EQ("#00000248\r\n", pc.Ask("#M\r"));
  EXPECT_EQ("#NAK\n\r", pc.Ask("#A\r")) << "no accessory";
  EXPECT_EQ("#NAK\n\r", pc.Ask("#X\r"));
  EXPECT_EQ("#NAK\n\r", pc.Ask("##V\r"));
  EXPECT_EQ("", pc.Unanswered("#VX", "#T\r", "#1234567890\r\n"));

  const std::string settings = pc.Ask("#s\r");
  EXPECT_TRUE(std::regex_match(settings, std::regex("#S[A-Z0-9]{3}0x[0-9A-F]{8}(,S[A-Z0-9]{3}0x[0-9A-F]{8})*\r\n")))
      << settings;
  EXPECT_NE(std::string::npos, settings.find("SMDL0x00000248"));
  EXPECT_EQ("#SMDL0x00000248\r\n", pc.Ask("#sSMDL\r"));
  EXPECT_EQ("#ACK\n\r", pc.Ask("#sSMDL0x00000249\r"));
  EXPECT_EQ("#SMDL0x00000249\r\n", pc.Ask("#RSMDL\r"));
  EXPECT_EQ("#NAK\n\r", pc.Ask("#sTNAV0x00000001\r"));

  const std::string line = "#s" + std::string(300, 'x') + "#WALL" + std::string(295, 'y') + "\r";
  EXPECT_EQ("#NAK\n\r", pc.Ask(line));
  EXPECT_EQ("#1234567890\r\n", pc.Ask("#T\r")) << "still running, nothing wiped";
  EXPECT_EQ(12345u, nvfiles::Stored(base, "SENU").value_or(0));

  // Connect mode takes every key but POWER and refuses it with the refused
  // click alone: its two tones at the normal pitch.
  WaitForScreen(rigDir, [&](const std::vector<COLOR>& s) { return !s.empty() && s != normal; }, 10000);
  const std::vector<COLOR> connected = StableScreen(rigDir);
  ASSERT_TRUE(connected != normal) << "no connect page\n" << Out(session.unit.get());
  const size_t before = Tones(rigDir).size();
  EXPECT_EQ(0, Tool(rigDir, "key hold MENU --ms 100"));
  EXPECT_TRUE(TEST_bWaitUntil([&] { return Tones(rigDir).size() >= before + 2; }, 2000));
  const std::vector<int32_t> tones = Tones(rigDir);
  EXPECT_EQ(std::vector<int32_t>({1010, 990}), std::vector<int32_t>(tones.begin() + (long)before, tones.end()));
  EXPECT_TRUE(StableScreen(rigDir) == connected);

  // The NMEA task's own sentences may follow on the line it has again.
  const std::string quit = pc.Ask("#Q\r");
  EXPECT_EQ(0u, quit.rfind("#ACK\n\r", 0)) << quit;
  EXPECT_TRUE(WaitForScreen(rigDir, [&](const std::vector<COLOR>& s) { return s != connected; }, 5000) != connected)
      << "connect mode left";

  TEST_Signal(session.unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(session.unit), 10000);
  EXPECT_EQ(2, r.status) << r.out << r.err;
}

// The image: a payload, then the trailer's entries in 512 bytes.
std::string Image(const std::string& entries) {
  std::string image;
  for (int i = 0; i < 5000; i++) image += (char)(i * 7 + i / 300);
  std::string trailer = entries;
  trailer.resize(512, '\0');
  return image + trailer;
}

TEST(Rig, AnUpdateImageIsHandedOverWithStatus30OnlyWhenItFitsAndTheSettingsStayUntilThen) {
  PC_SESSION session;
  ASSERT_NO_FATAL_FAILURE(session.Start({{"SQCD", 1}, {"SMDL", 584}}));
  ASSERT_NO_FATAL_FAILURE(session.Connect());
  const std::string settings = session.pc.Ask("#s\r");
  // What a stalled transfer left on the line goes first, as a PC tool
  // would drop it before asking again.
  const std::string send =
      "timeout 1 cat >/dev/null; printf '\\r\\n#B\\r' && dd bs=1 count=6 of=reply.bin 2>/dev/null && "
      "exec sx -X -k -b image.bin";
  // A transfer a busy machine stalls is sent again, as a PC tool would.
  auto sendImage = [&](size_t refusedBefore) {
    for (int attempt = 0; attempt < 3; attempt++) {
      const size_t failedBefore = Count(Out(session.unit.get()), "no whole image received");
      session.RunOnLine(send);
      bool bDone = false;
      TEST_bWaitUntil(
          [&] {
            const std::string out = Out(session.unit.get());
            bDone = Count(out, "image refused") > refusedBefore || out.find("status 30") != std::string::npos;
            return bDone || Count(out, "no whole image received") > failedBefore;
          },
          5000);
      if (bDone) return true;
    }
    return false;
  };

  // The running version (2.000), then none.
  size_t refused = 0;
  for (const char* entry : {"version=2000", "version=0"}) {
    std::ofstream(session.base.dir + "/image.bin", std::ios::binary) << Image(std::string("model=all") + '\0' + entry);
    EXPECT_TRUE(sendImage(refused++)) << entry;
    EXPECT_EQ("#ACK\n\r", std::string(std::istreambuf_iterator<char>(std::ifstream(session.base.dir + "/reply.bin").rdbuf()), {}));
  }
  EXPECT_EQ(settings, session.pc.Ask("#s\r")) << "a refused image leaves the settings";
  // The unit stores a change within seconds: whatever it has stored since is
  // what it listed before the images.
  static const std::regex s_item("(S[A-Z0-9]{3})0x([0-9A-F]{8})");
  for (std::sregex_iterator m(settings.begin(), settings.end(), s_item), end; m != end; ++m) {
    const std::optional<uint32_t> stored = nvfiles::Stored(session.base.dir, (*m)[1]);
    if (stored) {
      EXPECT_EQ(std::stoul((*m)[2], nullptr, 16), *stored) << (*m)[1];
    }
  }

  const std::string image = Image(std::string("version=2150") + '\0' + "model=all");
  std::ofstream(session.base.dir + "/image.bin", std::ios::binary) << image;
  EXPECT_TRUE(sendImage(refused));
  TEST_RESULT r = TEST_Finish(std::move(session.unit), 20000);
  EXPECT_EQ(30, r.status) << r.out;
  const std::string dir = session.base.dir + "/update";
  EXPECT_EQ(dir + "/velmora_update.bin",
            std::string(std::istreambuf_iterator<char>(std::ifstream(dir + "/up_fname.txt").rdbuf()), {}));
  EXPECT_EQ(image, std::string(std::istreambuf_iterator<char>(std::ifstream(dir + "/velmora_update.bin").rdbuf()), {}))
      << "the padding gone";
}

}  // namespace
