// A fresh store for each test: its directories under a rig of their own
// (VELMORA_DEVROOT), an empty database in the normal-run state, every table
// loaded from the empty directories.
#pragma once

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "h_database.h"
#include "linux_fs.h"
#include "t_nav_group_data.h"
#include "t_nav_nvram_flash.h"
#include "t_nav_twr.h"
#include "test_process.h"

class NavStore : public ::testing::Test {
 protected:
  std::string m_root;

  void SetUp() override {
    m_root = TEST_MakeTempDir("velmora-navdata");
    setenv("VELMORA_DEVROOT", m_root.c_str(), 1);
    H_DATABASE_vInit();
    State(3);
    T_NAV_vInitTracksWaypointsRoutes();
    T_NAV_NVRAM_vEraseCurrentTrack();
  }
  void TearDown() override {
    FS_vSetFault(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
  }

  static void State(U32 u32State) { H_DATABASE_bUpdateValueU32(FCID("CCST"), u32State, P_HIGHEST); }
  std::string Dir(const char* pcName) const { return m_root + "/usr/velmora/" + pcName; }
  std::string File(const char* pcDir, U32 index) const { return Dir(pcDir) + "/" + std::to_string(index); }

 public:
  static std::vector<U8> Read(const std::string& path) {
    std::vector<U8> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) return bytes;
    U8 chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(f);
    return bytes;
  }
  static void Write(const std::string& path, const std::vector<U8>& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f) << path;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }
  static bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
  }
  // Removes the tree's files: the next start builds a new root and links
  // every record it reads into it.
  void DropTree() const {
    for (U32 i = 0; i < NAV_MAX_WAYPOINTS; i++) {
      if (T_NAV_pGetWaypoint(i)->u8Status >= WPT_STATUS_GROUP_HEADER) unlink(File("wpts", i).c_str());
    }
  }
};

// An item linked into the root, so that the collection at the next start
// keeps it.
inline void NAVTEST_vKeep(U16 u16Id) { ASSERT_TRUE(T_NAV_GROUP_DATA_bAddLink(T_NAV_GROUP_DATA_nGetRootGroup(), u16Id)); }
inline U16 NAVTEST_u16Track(U32 u32Slot) { return (U16)(0x8000 + T_NAV_GROUP_DATA_u16Getu7UnitID() + u32Slot); }

// A saved shared waypoint with every field set.
inline WAYPOINT NAVTEST_Waypoint(S32 x, S32 y, const char* pcName, U8 u8Status = WPT_STATUS_SAVED,
                                 BOOLEAN bNotShared = FALSE) {
  WAYPOINT w;
  memset(&w, 0, sizeof w);
  w.u8Status = u8Status;
  w.bWpNotShared = bNotShared;
  w.u8Icon = 3;
  w.u16Depth = 1250;
  w.u32DateTime = 0x5F5E1000;
  w.pt = {x, y};
  memcpy(w.sName, pcName, strnlen(pcName, sizeof w.sName));
  return w;
}

// The file's bytes as a record file head: magic, type, version, index.
inline std::vector<U8> NAVTEST_Head(U8 type, U16 index) {
  return {0x10, 0x42, 0x02, 0x00, type, 3, (U8)index, (U8)(index >> 8)};
}

template <typename T>
inline std::vector<U8> NAVTEST_File(U8 type, U16 index, const T& record) {
  std::vector<U8> bytes = NAVTEST_Head(type, index);
  const U8* p = (const U8*)&record;
  bytes.insert(bytes.end(), p, p + sizeof record);
  return bytes;
}
