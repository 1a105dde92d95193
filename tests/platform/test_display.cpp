// The framebuffer pages over a rig's framebuffer file, which the wrapper
// plays as the device: rows granted by the file's size, the page on display
// in a side file, a 60 Hz vertical blank.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>

#include <atomic>
#include <map>
#include <set>
#include <thread>
#include <string>
#include <vector>

#include "dd_lcd.h"
#include "golden.h"
#include "h_display.h"
#include "platform_rig.h"

namespace {

constexpr U32 kPagePixels = 800 * 480;

class Framebuffer : public ::testing::Test {
 protected:
  void SetUp() override {
    RIG_vMakeFramebuffer(1920);
    H_DISPLAY_vInitScreen(4);
  }
};

int PageOnDisplay() { return atoi(RIG_ReadFile("/dev/fb0.page").c_str()); }

// A bitmap over pixels of the test's own: the display reads only its buffer
// and the buffer's size.
struct OwnBitmap {
  std::vector<COLOR> pixels;
  BITMAP bitmap = {};
  OwnBitmap(U32 u32Width, U32 u32Height) : pixels((size_t)u32Width * u32Height) {
    bitmap.pBuffer = (U32*)pixels.data();
    bitmap.pixels_wide = bitmap.pixels_wide_full_screen = (S32)u32Width;
    bitmap.pixels_high = bitmap.pixels_high_full_screen = (S32)u32Height;
    bitmap.__u32PixelWidthOfBuffer = u32Width;
    bitmap.__u32PixelHeightOfBuffer = u32Height;
  }
};

TEST_F(Framebuffer, FourPagesAreHandedOutAndThenNone) {
  ASSERT_EQ(4, DD_LCD_nPages());
  std::set<U32*> pages;
  for (int i = 0; i < 4; i++) pages.insert(H_DISPLAY_pu32GetDisplayBuffer());
  EXPECT_EQ(4u, pages.size());
  EXPECT_EQ(0u, pages.count(nullptr));
  EXPECT_EQ(nullptr, H_DISPLAY_pu32GetDisplayBuffer());

  U32 stranger[4];
  H_DISPLAY_vFreeDisplayBuffer(stranger);
  EXPECT_EQ(nullptr, H_DISPLAY_pu32GetDisplayBuffer());
  U32* freed = *pages.rbegin();
  H_DISPLAY_vFreeDisplayBuffer(freed);
  EXPECT_EQ(freed, H_DISPLAY_pu32GetDisplayBuffer());
}

TEST_F(Framebuffer, TwoTasksTakingAndGivingBackPagesAtOnceNeverHoldTheSamePage) {
  // Every page is taken before any goes back, so all four are known.
  std::map<U32*, std::atomic<int>> holders;
  U32* pages[4];
  for (U32*& page : pages) {
    page = H_DISPLAY_pu32GetDisplayBuffer();
    ASSERT_NE(nullptr, page);
    holders[page] = 0;
  }
  for (U32* page : pages) H_DISPLAY_vFreeDisplayBuffer(page);
  std::atomic<int> shared{0};
  auto take = [&] {
    for (int i = 0; i < 20000; i++) {
      U32* page = H_DISPLAY_pu32GetDisplayBuffer();
      if (page == nullptr) continue;
      if (holders.at(page).fetch_add(1) != 0) shared++;
      holders.at(page).fetch_sub(1);
      H_DISPLAY_vFreeDisplayBuffer(page);
    }
  };
  std::thread other(take);
  take();
  other.join();
  EXPECT_EQ(0, shared.load());
}

TEST_F(Framebuffer, ShowingAPageGoesOnDisplayAndFreesTheOneBefore) {
  EXPECT_EQ(nullptr, H_DISPLAY_psbGetFrameBufferPointer());
  OwnBitmap header(G_SCREEN_WIDTH, G_SCREEN_HEIGHT);
  BITMAP* bitmap = &header.bitmap;
  U32* first = H_DISPLAY_pu32GetDisplayBuffer();
  U32* second = H_DISPLAY_pu32GetDisplayBuffer();
  bitmap->pBuffer = second;
  H_DISPLAY_vDisplayBitmap(bitmap);
  EXPECT_EQ(second, H_DISPLAY_psbGetFrameBufferPointer());
  EXPECT_EQ(1, PageOnDisplay());
  bitmap->pBuffer = first;
  H_DISPLAY_vDisplayBitmap(bitmap);
  EXPECT_EQ(0, PageOnDisplay());
  // The second page is free again; the first is on display.
  std::set<U32*> free;
  for (U32* p; (p = H_DISPLAY_pu32GetDisplayBuffer()) != nullptr;) free.insert(p);
  EXPECT_EQ(3u, free.size());
  EXPECT_EQ(1u, free.count(second));
}

TEST_F(Framebuffer, ShowingThePageOnDisplayAgainDoesNotWaitForTheVerticalBlank) {
  U32* page = H_DISPLAY_pu32GetDisplayBuffer();
  DD_LCD_vDisplayScreen(page);
  double start = RIG_dNowMs();
  for (int i = 0; i < 30; i++) DD_LCD_vDisplayScreen(page);
  // Thirty waits would take half a second, longer than any busy machine
  // makes thirty calls that do not wait.
  EXPECT_LT(RIG_dNowMs() - start, 400);
}

TEST_F(Framebuffer, SixtyShownPagesTakeAboutOneSecond) {
  DD_LCD_vDisplayScreen(H_DISPLAY_pu32GetDisplayBuffer());
  double start = RIG_dNowMs();
  for (int i = 0; i < 60; i++) {
    U32* page = H_DISPLAY_pu32GetDisplayBuffer();
    ASSERT_NE(nullptr, page);
    DD_LCD_vDisplayScreen(page);
  }
  double took = RIG_dNowMs() - start;
  EXPECT_GT(took, 900);
}

TEST_F(Framebuffer, APrivateBitmapIsCopiedIntoThePageOnDisplayButNoMoreThanItHolds) {
  OwnBitmap full(G_SCREEN_WIDTH, G_SCREEN_HEIGHT);
  BITMAP* own = &full.bitmap;
  COLOR* pixels = full.pixels.data();
  for (U32 i = 0; i < kPagePixels; i++) pixels[i] = (COLOR)(i * 7);
  // Nothing on display yet: dropped.
  H_DISPLAY_vDisplayBitmap(own);
  std::vector<COLOR> dump(kPagePixels, 0x1234);
  H_DISPLAY_vScreenDump((SCREEN_BUFFER*)dump.data());
  EXPECT_EQ(0x1234, dump[0]);

  U32* page = H_DISPLAY_pu32GetDisplayBuffer();
  DD_LCD_vDisplayScreen(page);
  H_DISPLAY_vDisplayBitmap(own);
  EXPECT_EQ(0, memcmp(page, pixels, kPagePixels * 2));
  H_DISPLAY_vScreenDump((SCREEN_BUFFER*)dump.data());
  EXPECT_EQ(0, memcmp(dump.data(), pixels, kPagePixels * 2));

  // A small bitmap covers only its own bytes of the page.
  OwnBitmap small(100, 10);
  memset(small.pixels.data(), 0xAB, 100 * 10 * 2);
  H_DISPLAY_vDisplayBitmap(&small.bitmap);
  const COLOR* shown = (const COLOR*)page;
  EXPECT_EQ(0xABAB, shown[999]);
  EXPECT_EQ(pixels[1000], shown[1000]);
}

TEST_F(Framebuffer, PowerDownBlanksEveryPageAndShowsTheFirst) {
  U32* a = H_DISPLAY_pu32GetDisplayBuffer();
  U32* b = H_DISPLAY_pu32GetDisplayBuffer();
  memset(a, 0x55, kPagePixels * 2);
  memset(b, 0x55, kPagePixels * 2);
  DD_LCD_vDisplayScreen(b);
  H_DISPLAY_vPowerDown();
  EXPECT_EQ(a, H_DISPLAY_psbGetFrameBufferPointer());
  EXPECT_EQ(0, PageOnDisplay());
  std::vector<U8> zeros(kPagePixels * 2, 0);
  EXPECT_EQ(0, memcmp(a, zeros.data(), zeros.size()));
  EXPECT_EQ(0, memcmp(b, zeros.data(), zeros.size()));
}

TEST(FramebufferDevice, FewerRowsThanFourPagesGiveFewerPagesAndLessThanOneGivesNoScreen) {
  RIG_vMakeFramebuffer(960);
  H_DISPLAY_vInitScreen(4);
  EXPECT_EQ(2, DD_LCD_nPages());
  EXPECT_NE(nullptr, H_DISPLAY_pu32GetDisplayBuffer());
  U32* last = H_DISPLAY_pu32GetDisplayBuffer();
  ASSERT_NE(nullptr, last);
  EXPECT_EQ(nullptr, H_DISPLAY_pu32GetDisplayBuffer());
  // The last page lies wholly inside the file: writing it must not fault.
  memset(last, 0xFF, kPagePixels * 2);
  DD_LCD_vDisplayScreen(last);
  EXPECT_EQ(1, PageOnDisplay());

  RIG_vMakeFramebuffer(400);
  H_DISPLAY_vInitScreen(4);
  EXPECT_EQ(0, DD_LCD_nPages());
  EXPECT_EQ(nullptr, H_DISPLAY_pu32GetDisplayBuffer());
  DD_LCD_vCLS();
  EXPECT_EQ(nullptr, H_DISPLAY_psbGetFrameBufferPointer());
}

TEST_F(Framebuffer, TheScreenToolWritesExactlyThePageOnDisplay) {
  std::vector<U32*> pages;
  for (int n = 0; n < 4; n++) {
    U32* page = H_DISPLAY_pu32GetDisplayBuffer();
    COLOR* pixels = (COLOR*)page;
    for (U32 i = 0; i < kPagePixels; i++) pixels[i] = (COLOR)((i % 800) * 41 + (i / 800) * 3 + (U32)n * 0x2000);
    pages.push_back(page);
  }
  DD_LCD_vDisplayScreen(pages[2]);
  std::string png = RIG_Dir() + "/screen.png";
  std::string command = "python3 " VELMORA_TOOLS_DIR "/rig --rig " + RIG_Dir() + " screen " + png + " > /dev/null";
  ASSERT_EQ(0, system(command.c_str()));

  U32 width = 0, height = 0;
  std::vector<U8> rgb;
  std::string error;
  ASSERT_TRUE(GOLDEN_bReadPng(png, &width, &height, &rgb, &error)) << error;
  EXPECT_EQ(800u, width);
  EXPECT_EQ(480u, height);
  GOLDEN_PICTURE picture = {(const COLOR*)pages[2], 800, 480, 800};
  EXPECT_TRUE(rgb == GOLDEN_rgbFromPicture(picture));
}

}  // namespace
