// The navigation store at its limits in the whole unit on a host rig: a
// store whose records and tree fill all 3,000 waypoint slots, made as the
// unit's record files, through restarts and kills, and a New Waypoint on it;
// imports from a PC (lrzsz's sx) of more waypoints than it can hold, of a
// byte and of nothing; and the unit's own export taken back in.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>

#include "rig_pcline.h"
#include "rig_unit.h"
#include "test_timing.h"

namespace {

using namespace rigunit;
namespace fs = std::filesystem;

// The store's bytes as its record files hold them: little-endian, a head of
// the magic 0x00024210, the type, version 3 and the slot, then the record.
typedef std::map<std::string, std::string> FILES;

void Put(std::string& s, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; i++) s += (char)(value >> (8 * i));
}

std::string Head(int type, int slot) {
  std::string s;
  Put(s, 0x00024210, 4);
  Put(s, (uint64_t)type, 1);
  Put(s, 3, 1);
  Put(s, (uint64_t)slot, 2);
  return s;
}

std::string Padded(std::string s, size_t size) {
  s.resize(size, '\0');
  return s;
}

// Waypoint "<prefix><i>": status 1, icon 3, depth 12.50 m, its own date and
// place.
std::string WaypointRecord(int i, const std::string& prefix = "F") {
  std::string s;
  Put(s, 1, 1);
  Put(s, 3, 1);
  Put(s, 1250, 2);
  Put(s, 1000 + (uint64_t)i, 4);
  Put(s, (uint64_t)(i * 977 % 2000000), 4);
  Put(s, (uint64_t)(i * 331 % 1000000), 4);
  return s + Padded(prefix + std::to_string(i), 12);
}

// The same waypoint as a record of the transfer stream: a head of type 2,
// version 3, size 36 and the slot, big-endian like the fields after it.
std::string StreamWaypoint(int i) {
  const std::string le = WaypointRecord(i, "W");
  std::string s = {2, 3, 0, 36, (char)(i >> 8), (char)i, 0, 0};
  s += le.substr(0, 2);
  s += {le[3], le[2]};
  for (size_t at = 4; at < 16; at += 4) s += {le[at + 3], le[at + 2], le[at + 1], le[at]};
  return s + le.substr(16);
}

// A route of 50 points over the given waypoints.
std::string RouteRecord(int r, const std::function<int(int)>& point) {
  std::string s;
  Put(s, 50, 4);
  Put(s, 500 + (uint64_t)r, 4);
  s += Padded("ROUTE " + std::to_string(r), 20);
  for (int k = 0; k < 50; k++) Put(s, (uint64_t)point(k), 2);
  return s;
}

// A track of ten points, one metre apart each way.
std::string TrackRecord(int t) {
  std::string s;
  Put(s, 10, 2);
  Put(s, 0, 2);
  Put(s, 2000 + (uint64_t)t, 4);
  for (int corner : {0, 9, 0, 9}) {  // first, last, lower left, upper right
    Put(s, (uint64_t)(t * 1000 + corner), 4);
    Put(s, (uint64_t)corner, 4);
  }
  s += Padded("T" + std::to_string(t), 20);
  for (int i = 0; i < 9; i++) Put(s, 0x000000010001, 6);
  return Padded(s, 131072);
}

// A group body: status 17 (0x91 on the not-shared side), the next body,
// twelve places.
std::string BodyRecord(int first, int next, const std::vector<int>& items) {
  std::string s;
  Put(s, (uint64_t)first, 1);
  Put(s, 0, 1);
  Put(s, (uint64_t)next, 2);
  for (size_t k = 0; k < 12; k++) Put(s, k < items.size() ? (uint64_t)items[k] : 0xFFFF, 2);
  return s;
}

constexpr int kWaypoints = 2767;
constexpr int kRoutes = 2;
constexpr int kTracks = 3;
constexpr int kUnitBits = 64;

// 2,767 waypoints, 2 routes and 3 tracks, and the tree that links them: the root in slot 2767, 231 bodies of
// 12 links after it, the lock body in slot 2999. Every slot is in use.
FILES FullStore(void) {
  FILES files;
  std::vector<int> items;
  for (int i = 0; i < kWaypoints; i++) {
    files["wpts/" + std::to_string(i)] = Head(2, i) + WaypointRecord(i);
    items.push_back(i);
  }
  for (int r = 0; r < kRoutes; r++) {
    files["routes/" + std::to_string(r)] = Head(3, r) + RouteRecord(r, [r](int k) { return 100 * r + k; });
    items.push_back(0x8800 + r);
  }
  for (int t = 0; t < kTracks; t++) {
    files["tracks/" + std::to_string(t)] = Head(1, t) + TrackRecord(t);
    items.push_back(0x8000 + kUnitBits + t);
  }
  const int root = kWaypoints, bodies = ((int)items.size() + 11) / 12;
  std::string header;
  Put(header, 16, 1);
  Put(header, 1, 1);
  Put(header, 0, 6);
  Put(header, 0xFFFF, 2);
  Put(header, 0, 2);
  Put(header, (uint64_t)(0xC000 | (root + 1)), 2);
  Put(header, 0, 2);
  files["wpts/" + std::to_string(root)] = Head(2, root) + header + Padded("Home", 12);
  for (int b = 0; b < bodies; b++) {
    const int slot = root + 1 + b;
    const std::vector<int> chunk(items.begin() + 12 * b, items.begin() + std::min<int>(12 * (b + 1), (int)items.size()));
    files["wpts/" + std::to_string(slot)] = Head(2, slot) + BodyRecord(17, b + 1 < bodies ? 0xC000 | (slot + 1) : 0xCFFF, chunk);
  }
  files["wpts/2999"] = Head(2, 2999) + BodyRecord(0x91, 0xFFFF, {});
  EXPECT_EQ(3000u, files.size() - kRoutes - kTracks) << "every waypoint slot in use";
  return files;
}

void WriteStore(const std::string& rig, const FILES& files) {
  for (const char* dir : {"wpts", "routes", "tracks", "cr_track"}) fs::create_directories(rig + "/usr/velmora/" + dir);
  for (const auto& [name, bytes] : files) std::ofstream(rig + "/usr/velmora/" + name, std::ios::binary) << bytes;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The waypoint, route and track files of the store (group slots aside).
FILES Records(const std::string& rig) {
  FILES files;
  for (const char* dir : {"wpts", "routes", "tracks"}) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(rig + "/usr/velmora/" + dir, ec)) {
      const std::string name = e.path().filename().string();
      const std::string bytes = Read(e.path());
      const int status = bytes.size() > 8 ? (uint8_t)bytes[8] & 0x3F : 0;
      if (name.find('.') == std::string::npos && (std::string(dir) != "wpts" || (status >= 1 && status <= 3))) {
        files[std::string(dir) + "/" + name] = bytes;
      }
    }
  }
  return files;
}

uint16_t U16At(const std::string& s, size_t at) { return (uint16_t)((uint8_t)s[at] | (uint8_t)s[at + 1] << 8); }

// What the group files link, the points of linked routes included.
std::set<std::string> Linked(const std::string& rig) {
  std::set<std::string> linked;
  std::set<int> routes;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(rig + "/usr/velmora/wpts", ec)) {
    const std::string bytes = Read(e.path());
    if (bytes.size() != 36 || ((uint8_t)bytes[8] & 0x3F) != 17) continue;
    for (int k = 0; k < 12; k++) {
      const int id = U16At(bytes, 12 + 2 * k);
      if (id < 3000) linked.insert("wpts/" + std::to_string(id));
      if ((id & 0xC800) == 0x8800) routes.insert(id & 0x7FF);
      if ((id & 0xC800) == 0x8000 && (id & 0x17C0) == kUnitBits) linked.insert("tracks/" + std::to_string(id & 0x3F));
    }
  }
  for (int r : routes) {
    const std::string bytes = Read(rig + "/usr/velmora/routes/" + std::to_string(r));
    if (bytes.size() != 136) continue;
    linked.insert("routes/" + std::to_string(r));
    for (int k = 0; k < 50; k++) linked.insert("wpts/" + std::to_string(U16At(bytes, 36 + 2 * k)));
  }
  return linked;
}

// Each record file as it was, and every record linked.
::testing::AssertionResult WholeAndLinked(const std::string& rig, const FILES& records) {
  if (Records(rig) != records) return ::testing::AssertionFailure() << "the record files changed";
  const std::set<std::string> linked = Linked(rig);
  for (const auto& [name, bytes] : records) {
    if (!linked.count(name)) return ::testing::AssertionFailure() << name << " is linked by no group";
  }
  return ::testing::AssertionSuccess();
}

// POWER held: the unit saves and ends with status 10.
void SwitchOff(const std::string& rig, std::unique_ptr<TEST_PROCESS> unit) {
  EXPECT_EQ(0, Tool(rig, "key press POWER"));
  EXPECT_TRUE(TEST_bWaitForOutput(unit.get(), "shutdown (power down)", 10000)) << Out(unit.get());
  Tool(rig, "key release POWER");  // refused when the unit has already ended
  EXPECT_EQ(10, TEST_Finish(std::move(unit), 20000).status);
}

TEST(RigNavStore, AStoreFillingEverySlotOutlivesRestartsAndKillsWholeAndRefusesANewWaypoint) {
  RIG_GUARD rig{TEST_MakeTempDir("velmora-rig")};
  const TEST_TEMP_DIR base{TEST_MakeTempDir("velmora-base")};
  ASSERT_NO_FATAL_FAILURE(MakeRig(rig.dir));
  SeedUnit(base.dir, {{"SQCD", 1}, {"SUID", kUnitBits}});
  const FILES store = FullStore();
  WriteStore(rig.dir, store);
  const FILES records = Records(rig.dir);
  ASSERT_EQ((size_t)(kWaypoints + kRoutes + kTracks), records.size());

  for (int i = 0; i < 10; i++) {
    SwitchOff(rig.dir, Start(rig.dir, base.dir));
    ASSERT_TRUE(WholeAndLinked(rig.dir, records)) << "after orderly run " << i;
  }
  // Killed at moments spread over the start, where the store is read and
  // its tree collected, and after it.
  std::mt19937 random(65);
  for (int i = 0; i < 5; i++) {
    auto unit = TEST_Spawn(kVelmora, {}, {"VELMORA_DEVROOT=" + rig.dir, "VELMORA_CWD=" + base.dir});
    ASSERT_TRUE(TEST_bWaitForOutput(unit.get(), "NAV_vStartUp", 20000)) << Out(unit.get());
    usleep(random() % 3000000);
    TEST_Signal(unit.get(), SIGKILL);
    TEST_Finish(std::move(unit), 10000);
    ASSERT_EQ(records, Records(rig.dir)) << "after kill " << i;
  }

  // New Waypoint from the manager's options, on the full store: the note
  // says the memory is full.
  auto feed = FixFeed(rig.dir);
  auto unit = Start(rig.dir, base.dir);
  ASSERT_TRUE(OpenManager(rig.dir, unit.get())) << Out(unit.get());
  ClickedKeys(rig.dir, {"EXIT", "RIGHT", "RIGHT", "DOWN", "RIGHT"});
  EXPECT_TRUE(ShowsGoldenBox(rig.dir, "navstore_memory_full", 0, 0, 800, 80));
  SwitchOff(rig.dir, std::move(unit));
  TEST_Signal(feed.get(), SIGTERM);
  TEST_Finish(std::move(feed), 5000);
  EXPECT_TRUE(WholeAndLinked(rig.dir, records));
}

// What the unit said over the line after the transfer's last ACK, up to its
// answer to a line test sent after it. It is read from a copy of all the
// line carried: the unit may speak before sx has read that ACK, and sx then
// takes the words with it.
std::string AfterTransfer(PC_SESSION& session, const std::string& script) {
  const std::string dump = session.base.dir + "/said.bin";
  const TEST_RESULT r =
      session.RunOnLine(script + "; printf '#T\\r'; timeout 90 sed -n '/1234567890/q' > /dev/null", dump);
  EXPECT_EQ(0, r.status) << r.out << r.err;
  const std::string said = Read(dump);
  const size_t answer = said.rfind("#1234567890");
  EXPECT_NE(std::string::npos, answer) << "no answer to the line test";
  if (answer == std::string::npos) return said;
  const size_t ack = said.rfind('\x06', answer);
  const size_t from = ack == std::string::npos ? 0 : ack + 1;
  return said.substr(from, answer - from);
}

// An import from lrzsz's sx: the unit's first answer, and what it said after.
std::string Import(PC_SESSION& session, const std::string& file, std::string* pFirst) {
  const std::string after = AfterTransfer(
      session, "printf '#E\\r' && dd bs=1 count=6 of=reply.bin 2>/dev/null && sx -X -k -b " + file);
  *pFirst = Read(session.base.dir + "/reply.bin");
  return after;
}

TEST(RigNavStore, ImportsTakeWhatTheStoreCanHoldAndTellThePcTheRestAndTheOwnExportComesBackWhole) {
  PC_SESSION session;
  // 40 waypoints and a 50-point route whose last point is slot 26 (0x001A
  // in the stream, where it ends the last record).
  ASSERT_NO_FATAL_FAILURE(session.Start({{"SQCD", 1}, {"SUID", kUnitBits}}, [](const std::string& rigDir) {
    FILES files;
    for (int i = 3; i < 43; i++) files["wpts/" + std::to_string(i)] = Head(2, i) + WaypointRecord(i);
    files["routes/0"] = Head(3, 0) + RouteRecord(0, [](int k) { return k == 49 ? 26 : 3 + k % 40; });
    WriteStore(rigDir, files);
  }));
  ASSERT_NO_FATAL_FAILURE(session.Connect());
  const std::string& base = session.base.dir;
  const FILES before = Records(session.rig.dir);
  ASSERT_EQ(41u, before.size());

  // The unit's own export, the transport's fill after it.
  const TEST_RESULT rx = session.RunOnLine("printf '#e\\r' && dd bs=1 count=6 of=reply.bin 2>/dev/null && "
                                           "exec rx -X -c -b export.bin");
  ASSERT_EQ(0, rx.status) << rx.out << rx.err;

  // A byte, then nothing: the store stays; the cut record is not taken.
  std::string first;
  std::ofstream(base + "/one.bin", std::ios::binary) << std::string(1, '\x02');
  EXPECT_EQ("#Not taken:1\r\n", Import(session, "one.bin", &first));
  EXPECT_EQ("#ACK\n\r", first);
  std::ofstream(base + "/none.bin", std::ios::binary) << "";
  EXPECT_EQ("", Import(session, "none.bin", &first));
  EXPECT_EQ(before, Records(session.rig.dir));

  // The export taken back: the same records, byte for byte, nothing left.
  EXPECT_EQ("", Import(session, "export.bin", &first));
  EXPECT_EQ("#ACK\n\r", first);
  EXPECT_EQ(before, Records(session.rig.dir));

  // More waypoints than its tree leaves slots for: with W waypoints the tree
  // needs the root, the lock body and ceil(W / 12) bodies, so 2,767 fill
  // the 3,000 slots. The unit keeps those of the lowest slots and says how
  // many of the rest it did not take.
  for (int sent : {2900, 3000, 3100}) {
    std::string stream;
    for (int i = 0; i < sent; i++) stream += StreamWaypoint(i);
    std::ofstream(base + "/many.bin", std::ios::binary) << stream;
    EXPECT_EQ("#Not taken:" + std::to_string(sent - 2767) + "\r\n", Import(session, "many.bin", &first)) << sent;
    const FILES kept = Records(session.rig.dir);
    EXPECT_EQ(2767u, kept.size()) << sent;
    for (int i = 0; i < 2767; i++) {
      const std::string name = "wpts/" + std::to_string(i);
      EXPECT_TRUE(kept.count(name) && kept.at(name) == Head(2, i) + WaypointRecord(i, "W")) << sent << " " << name;
    }
    const std::set<std::string> linked = Linked(session.rig.dir);
    for (const auto& [name, bytes] : kept) EXPECT_TRUE(linked.count(name)) << sent << " " << name;
  }
  EXPECT_TRUE(ShowsGoldenBox(session.rig.dir, "navstore_records_not_taken", 0, 440, 800, 40));

  TEST_Signal(session.unit.get(), SIGTERM);
  EXPECT_EQ(2, TEST_Finish(std::move(session.unit), 10000).status);
}

}  // namespace
