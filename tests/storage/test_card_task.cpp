// The card task as the view task meets it: requests by mail, the newest one
// drawn, every one acknowledged; the BMP fallback; and a picture put on the
// card of a rig made by the rig tool, shown on the rig's screen.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <string>
#include <vector>

#include "color.h"
#include "g_bmp.h"
#include "g_buffers.h"
#include "golden.h"
#include "h_database.h"
#include "h_display.h"
#include "h_memory.h"
#include "linux_fs.h"
#include "png_peers.h"
#include "t_mmc.h"
#include "test_process.h"
#include "t_view.h"
#include "test_tasks.h"
#include "u_file.h"

namespace {

std::atomic<U32> g_latest{0};

char* HeapText(const std::string& text) {
  char* copy = (char*)H_MEMORY_pvMalloc((U32)text.size() + 1);
  memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

// The request as the view task makes it: the counter first, then the mail.
MSG_LOAD_BITMAP* Request(BITMAP* pBitmap, char* pName) {
  MSG_LOAD_BITMAP* m = (MSG_LOAD_BITMAP*)H_MEMORY_pvCalloc(1, sizeof(MSG_LOAD_BITMAP));
  m->header.Cmd = CMD_ID_LOAD_BMP;
  m->pBitmap = pBitmap;
  m->pFileName = pName;
  m->u32RequestID = ++g_latest;
  m->pu32LatestRequestID = &g_latest;
  EXPECT_EQ(0, L_MBOX_Send(M_MMC, m, 3, SEMA_USER_TEST));
  return m;
}

bool Acknowledged(MSG_LOAD_BITMAP* m) {
  for (int ms = 0; ms < 5000 && !L_MBOX_bIsAcknowledged(m); ms++) L_CLOCK_Sleep(1);
  return L_MBOX_bIsAcknowledged(m);
}

class CardTask : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool s_bOnce = (H_DATABASE_vInit(), L_MBOX_DefineSema(M_MMC, SEMA_MBOX_MMC), true);
    (void)s_bOnce;
    L_TASK_Terminate(MMCTASK);
    ASSERT_TRUE(TEST_bJoinTask(MMCTASK));
    dir = TEST_MakeTempDir("velmora-cardtask");
  }
  void TearDown() override { L_TASK_Terminate(MMCTASK); }
  static void Start() { ASSERT_EQ(0, TEST_StartTask(MMCTASK, T_MMC_vMain)); }
  std::string dir;
};

TEST_F(CardTask, OfTwoRequestsBackToBackOnlyTheSecondDrawsAndBothAreAcknowledged) {
  const std::vector<U8> rgb = PNGT_Flat(800, 480);
  PNGT_vWriteFile(dir + "/A.PNG", PNGT_Encode(800, 480, rgb, PNGT_OPTIONS()));
  BITMAP* first = G_BUFFERS_pCreateFullScreenBitmap();
  BITMAP* second = G_BUFFERS_pCreateFullScreenBitmap();
  G_BMP_vSet(first, 0x1234);
  L_SEMA_SetPending(SEMA_VIEW_UPDATE);
  // Both are queued before the task looks, as when the view task asks twice
  // while the card task is busy.
  MSG_LOAD_BITMAP* older = Request(first, HeapText(dir + "/A.PNG"));
  MSG_LOAD_BITMAP* newer = Request(second, HeapText(dir + "/A.PNG"));
  Start();
  EXPECT_TRUE(Acknowledged(older));
  EXPECT_TRUE(Acknowledged(newer));
  EXPECT_EQ(0, L_SEMA_WaitTicks(SEMA_VIEW_UPDATE, 1000)) << "a redraw is asked for";
  EXPECT_EQ(std::vector<COLOR>(800 * 480, 0x1234), PNGT_Pixels(first)) << "the replaced request leaves its bitmap";
  EXPECT_EQ(PNGT_Rgb565(rgb), PNGT_Pixels(second));
  H_MEMORY_vFree(older);
  H_MEMORY_vFree(newer);
  G_BUFFERS_vFreeFullScreenBitmap(first);
  G_BUFFERS_vFreeFullScreenBitmap(second);
}

// A 24-bit BMP of the screen: rows bottom first, B G R, each row's first
// pixel red in the bottom row and blue elsewhere.
std::vector<U8> Bmp(U32 u32Width, U32 u32Height, U16 u16Bits) {
  const U32 stride = (u32Width * 3 + 3) & ~3u;
  const U32 size = 54 + stride * u32Height;
  std::vector<U8> file(size, 0);
  auto put32 = [&](size_t at, U32 v) {
    for (int i = 0; i < 4; i++) file[at + i] = (U8)(v >> (8 * i));
  };
  file[0] = 'B', file[1] = 'M';
  put32(2, size), put32(10, 54), put32(14, 40), put32(18, u32Width), put32(22, u32Height);
  file[26] = 1, file[28] = (U8)u16Bits;
  for (U32 row = 0; row < u32Height; row++) {
    U8* p = &file[54 + (size_t)row * stride];
    p[0] = row == 0 ? 0 : 255;
    p[2] = row == 0 ? 255 : 0;
    p[3] = p[4] = p[5] = (U8)row;
  }
  return file;
}

TEST_F(CardTask, ABmpOfTheScreensSizeIsDrawnBottomRowFirstAndOthersAreRefused) {
  const std::string name = dir + "/SHOT.PNG";  // no such PNG: the BMP stands in
  const std::vector<U8> good = Bmp(800, 480, 24);
  std::vector<U8> longer = good, magic = good, deep = Bmp(800, 480, 32);
  longer.push_back(0);
  magic[1] = 'A';
  deep.resize(good.size());

  BITMAP* screen = G_BUFFERS_pCreateFullScreenBitmap();
  auto load = [&](const std::vector<U8>& bmp) {
    PNGT_vWriteFile(dir + "/SHOT.BMP", bmp);
    g_latest = 1;
    T_MMC_vReadBMP16(HeapText(name), screen, 1, &g_latest);
    return PNGT_Pixels(screen);
  };
  std::vector<COLOR> pixels = load(good);
  EXPECT_EQ(0xF800, pixels[479 * 800]) << "the first row stored is the bottom one";
  EXPECT_EQ(0x001F, pixels[0]);
  EXPECT_EQ((COLOR)(((100 & 0xF8) << 8) | ((100 & 0xFC) << 3) | (100 >> 3)), pixels[(479 - 100) * 800 + 1]);
  const COLOR fill = gCOLOR_pcolColorTable[T_MMC_FILL_COLOUR];
  for (const auto* bad : {&longer, &magic, &deep}) {
    EXPECT_EQ(std::vector<COLOR>(800 * 480, fill), load(*bad));
  }
  G_BUFFERS_vFreeFullScreenBitmap(screen);
}

TEST_F(CardTask, APngOnTheRigsCardIsShownOnTheRigsScreen) {
  const std::string rig = dir + "/rig";
  const std::string tool = "python3 " VELMORA_TOOLS_DIR "/rig --rig " + rig;
  ASSERT_EQ(0, system(("python3 " VELMORA_TOOLS_DIR "/rig create " + rig + " > /dev/null").c_str()));
  struct STOP {
    std::string command;
    ~STOP() { (void)!system(command.c_str()); }
  } stop{tool + " stop"};
  setenv("VELMORA_DEVROOT", rig.c_str(), 1);
  EXPECT_EQ(FS_ATTR_DIRECTORY, FS_GetFileAttributes((rig + "/mnt/mmc1").c_str())) << "a new rig holds a card";
  const std::vector<U8> rgb = PNGT_Photo(800, 480, 11);
  PNGT_vWriteFile(rig + "/mnt/mmc1/PHOTO.PNG", PNGT_Encode(800, 480, rgb, PNGT_OPTIONS()));

  H_DISPLAY_vInitScreen(M_DISPLAY);
  Start();
  for (int ms = 0; ms < 5000 && !H_DATABASE_bFetchU32(FCID("TMMC"), nullptr, nullptr, nullptr); ms++) L_CLOCK_Sleep(1);
  // The view task's request, as a snapshot or the demonstration makes it: a
  // free page, the card's name, and the answer on our semaphore.
  BITMAP* bitmap = nullptr;
  char* card = U_FILE_psCreateDeviceName("mmc", 1);
  char* name = U_FILE_psComposeFileName(card, "PHOTO.PNG");
  H_MEMORY_vFree(card);
  ASSERT_TRUE(T_VIEW_bRequestSnapshotImage(&bitmap, name, SEMA_USER_TEST));
  H_MEMORY_vFree(name);
  ASSERT_EQ(0, L_SEMA_WaitTicks(SEMA_USER_TEST, 5000));
  H_DISPLAY_vDisplayBitmap(bitmap);

  ASSERT_EQ(0, system((tool + " screen " + rig + "/screen.png > /dev/null").c_str()));
  U32 width = 0, height = 0;
  std::vector<U8> shown;
  std::string error;
  ASSERT_TRUE(GOLDEN_bReadPng(rig + "/screen.png", &width, &height, &shown, &error)) << error;
  // The tool widens RGB565 by repeating the high bits; the high bits give it back.
  std::vector<COLOR> screen(shown.size() / 3);
  for (size_t i = 0; i < screen.size(); i++) {
    screen[i] = (COLOR)((shown[3 * i] >> 3) << 11 | (shown[3 * i + 1] >> 2) << 5 | shown[3 * i + 2] >> 3);
  }
  EXPECT_EQ(PNGT_Rgb565(rgb), screen);
  G_BUFFERS_vFreeFullScreenBitmapHeader(bitmap);
}

}  // namespace
