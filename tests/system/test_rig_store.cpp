// A store written by the unit before its settings had a table of types,
// defaults and ranges: settings changed over the PC link, waypoints, a route
// and a track taken in over it, a current track recorded from a GPS feed.
// The same unit started on it today lists the same settings and sends the
// same navigation data as the unit that wrote it did (its answers are kept
// beside the store).

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>

#include "rig_pcline.h"

namespace {

using namespace rigunit;

std::string Text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// "#KEY0xHHHHHHHH,KEY0x...\r\n" as key and value text.
std::map<std::string, std::string> Items(const std::string& listing) {
  std::map<std::string, std::string> items;
  static const std::regex s_item("([A-Z0-9]{4})(0x[0-9A-F]{8})");
  for (std::sregex_iterator m(listing.begin(), listing.end(), s_item), end; m != end; ++m) items[(*m)[1]] = (*m)[2];
  return items;
}

TEST(RigStore, AStoreWrittenBeforeTheKeyTableLoadsToTheSameSettingsAndNavigationData) {
  PC_SESSION session;
  const TEST_TEMP_DIR fixture{TEST_MakeTempDir("velmora-fixture")};
  ASSERT_EQ(0, TEST_Run("/usr/bin/env", {"tar", "-xzf", RIG_FIXTURE_DIR "/store-before-table.tar.gz", "-C", fixture.dir},
                        {}, 30000).status);
  ASSERT_NO_FATAL_FAILURE(MakeRig(session.rig.dir));
  namespace fs = std::filesystem;
  fs::create_directories(session.rig.dir + "/usr");
  fs::copy(fixture.dir + "/nav", session.rig.dir + "/usr/velmora", fs::copy_options::recursive);
  fs::copy(fixture.dir + "/nvr", session.base.dir, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  session.unit =
      TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + session.rig.dir, "VELMORA_CWD=" + session.base.dir});
  ASSERT_TRUE(TEST_bWaitForOutput(session.unit.get(), "update CVEW to ", 20000)) << Out(session.unit.get());
  ASSERT_NO_FATAL_FAILURE(session.Connect());

  const std::map<std::string, std::string> before = Items(Text(fixture.dir + "/settings-main.txt"));
  const std::map<std::string, std::string> now = Items(session.pc.Ask("#s\r"));
  ASSERT_GT(before.size(), 150u);
  for (const auto& [key, value] : before) {
    const auto found = now.find(key);
    ASSERT_NE(now.end(), found) << key << " is no longer listed";
    EXPECT_EQ(value, found->second) << key;
  }
  EXPECT_EQ(Text(fixture.dir + "/space-main.txt"), session.pc.Ask("#I\r"));

  // The export as lrzsz's rx takes it, the transport's padding included.
  const TEST_RESULT rx = session.RunOnLine("printf '#e\\r' && dd bs=1 count=6 of=reply.bin 2>/dev/null && "
                                           "exec rx -X -c -b export.bin");
  EXPECT_EQ(0, rx.status) << rx.out << rx.err;
  EXPECT_TRUE(Text(fixture.dir + "/export.bin") == Text(session.base.dir + "/export.bin")) << "the transfer stream";

  TEST_Signal(session.unit.get(), SIGTERM);
  TEST_RESULT r = TEST_Finish(std::move(session.unit), 10000);
  EXPECT_EQ(std::string::npos, r.out.find("not restored")) << r.out;
}

}  // namespace
