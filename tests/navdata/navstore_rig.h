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
#include <thread>
#include <vector>

#include "h_database.h"
#include "linux_fs.h"
#include "linuxsvc.h"
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
    T_NAV_NVRAM_bFlush();
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

// Watches record files (waypoints, groups, routes) being forced to the medium
// while it lives: how many, how many by a thread holding the navigation data
// lock, how many while the test marks an operation as running, and whether,
// during the first, another thread could take that lock within a bound that
// only a lock held across the force would run out.
class NAVTEST_LOCK_WATCH {
 public:
  U32 u32Forced = 0;
  U32 u32ForcedUnderLock = 0;
  U32 u32ForcedDuring = 0;   // while the test had bDuring set
  BOOLEAN bDuring = FALSE;
  int nTakenMeanwhile = -1;  // -1 not tried, 0 not taken, 1 taken

  NAVTEST_LOCK_WATCH() {
    s_pWatch = this;
    FS_vSetTrace(Trace);
  }
  ~NAVTEST_LOCK_WATCH() {
    FS_vSetTrace(nullptr);
    s_pWatch = nullptr;
  }

 private:
  static inline NAVTEST_LOCK_WATCH* s_pWatch = nullptr;

  static bool HeldHere(void) {
    const ERC rc = L_MUTEX_Lock(RES_NAV_DATA);
    if (rc == 0 || rc == -lsMUTEX_NESTED) L_MUTEX_Unlock(RES_NAV_DATA);
    return rc == -lsMUTEX_NESTED;
  }
  static void Trace(const FS_TRACE_RECORD* p) {
    NAVTEST_LOCK_WATCH* w = s_pWatch;
    if (w == nullptr || p->u32Call != FS_CALL_SYNC || p->pcPath == nullptr ||
        (strstr(p->pcPath, "/usr/velmora/wpts/") == nullptr && strstr(p->pcPath, "/usr/velmora/routes/") == nullptr)) {
      return;
    }
    w->u32Forced++;
    w->u32ForcedDuring += w->bDuring;
    if (HeldHere()) w->u32ForcedUnderLock++;
    if (w->nTakenMeanwhile >= 0) return;
    std::thread other([w] {
      const bool bTaken = L_MUTEX_LockTime(RES_NAV_DATA, 10000) == 0;
      if (bTaken) L_MUTEX_Unlock(RES_NAV_DATA);
      w->nTakenMeanwhile = bTaken ? 1 : 0;
    });
    other.join();
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
