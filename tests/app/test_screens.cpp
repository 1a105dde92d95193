// The whole unit's screens: every view and split that its tasks register,
// with the notes and bars that show over them, composed as the view task
// composes a frame; no layer may cover a readout another layer drew.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "dd_lcd.h"
#include "g_bmp.h"
#include "g_buffers.h"
#include "g_truetype.h"
#include "golden.h"
#include "h_database.h"
#include "h_display.h"
#include "h_memory.h"
#include "linuxsvc.h"
#include "screen_unit.h"
#include "t_demo.h"
#include "t_info.h"
#include "t_startup.h"
#include "test_timing.h"
#include "u_language.h"
#include "u_wstring.h"

namespace {

using namespace screens;

// The text drawn into the page being composed, by the piece drawing it.
struct TEXT_SEEN {
  size_t piece;
  std::string text;
  G_TEXT_BOX box;
};
std::atomic<const BITMAP*> s_pWatched{nullptr};
size_t s_piece;
std::vector<TEXT_SEEN> s_seen;

// A text as the messages print it: wide text as UTF-8.
std::string Printable(const char* pText) {
  if (!U_WSTRING_bIsUnicodeLanguage()) return std::string(pText).substr(0, 80);
  std::string out;
  for (U32 i = 0; (pText[i] != 0 || pText[i + 1] != 0) && out.size() < 80; i += 2) {
    const U32 u = (U32)(U8)pText[i] << 8 | (U8)pText[i + 1];
    if (u < 0x80) {
      out += (char)u;
    } else if (u < 0x800) {
      out += (char)(0xC0 | u >> 6), out += (char)(0x80 | (u & 0x3F));
    } else {
      out += (char)(0xE0 | u >> 12), out += (char)(0x80 | (u >> 6 & 0x3F)), out += (char)(0x80 | (u & 0x3F));
    }
  }
  return out;
}

void Seen(const BITMAP* pBmp, const char* pText, const FONT_DEF*, const G_TEXT_BOX* pBox) {
  if (pBmp == s_pWatched.load()) s_seen.push_back({s_piece, Printable(pText), *pBox});
}

// Three full-screen pictures: the frame, and each piece alone over black
// and over white, whose pixels that come out the same are the piece's opaque
// ones.
struct PAGES {
  BITMAP* frame = G_BUFFERS_pCreateFullScreenBitmap();
  BITMAP* black = G_BUFFERS_pCreateFullScreenBitmap();
  BITMAP* white = G_BUFFERS_pCreateFullScreenBitmap();
  ~PAGES() {
    for (BITMAP* p : {frame, black, white}) G_BUFFERS_vFreeFullScreenBitmap(p);
  }
};

// The pixels of logical row y (the buffer's first row is the top one).
const COLOR* Row(const BITMAP* p, PIXEL y) {
  return (const COLOR*)p->pBuffer + (size_t)(p->pixels_high_full_screen - 1 - y) * p->__u32PixelWidthOfBuffer;
}

// The opaque pixels of the piece drawn alone, a byte each. Plain pointers and
// bytes: the sanitizer build runs the test's own code unoptimised, where a
// vector<bool> walked pixel by pixel took nearly all of the test's time.
std::vector<U8> Opaque(PAGES& pages, const PIECE& piece) {
  G_BMP_vSet(pages.black, 0x0000);
  G_BMP_vSet(pages.white, 0xFFFF);
  Draw(pages.black, piece);
  Draw(pages.white, piece);
  std::vector<U8> opaque((size_t)G_SCREEN_WIDTH * G_SCREEN_HEIGHT);
  for (PIXEL y = 0; y < (PIXEL)G_SCREEN_HEIGHT; y++) {
    const COLOR* black = Row(pages.black, y);
    const COLOR* white = Row(pages.white, y);
    U8* out = opaque.data() + (size_t)y * G_SCREEN_WIDTH;
    for (PIXEL x = 0; x < (PIXEL)G_SCREEN_WIDTH; x++) out[x] = black[x] == white[x];
  }
  return opaque;
}

// Every readout of the view's frame covered by a later piece, as a line;
// nothing when the view has left the view task's list.
std::optional<std::vector<std::string>> Covered(LAYER_ID view, SPLIT_WINDOW_TYPE active, const std::string& where) {
  PAGES pages;
  const std::vector<PIECE> pieces = Frame(view, active);
  if (pieces.empty()) return std::nullopt;
  s_seen.clear();
  G_BMP_vSet(pages.frame, 0x0000);
  s_pWatched = pages.frame;
  for (s_piece = 0; s_piece < pieces.size(); s_piece++) Draw(pages.frame, pieces[s_piece]);
  s_pWatched = nullptr;
  // SCREENS_DUMP=dir keeps each frame composed as a PNG there, to look at.
  if (const char* dir = getenv("SCREENS_DUMP")) {
    std::string file = std::string(dir) + "/" + where + ".png";
    for (char& c : file) c = c == ' ' || c == ',' ? '_' : c;
    GOLDEN_bWritePng(file, G_SCREEN_WIDTH, G_SCREEN_HEIGHT,
                     GOLDEN_rgbFromPicture({(const COLOR*)pages.frame->pBuffer, G_SCREEN_WIDTH, G_SCREEN_HEIGHT,
                                            pages.frame->__u32PixelWidthOfBuffer}),
                     nullptr);
  }
  std::vector<std::vector<U8>> opaque;
  for (const PIECE& piece : pieces) opaque.push_back(Opaque(pages, piece));
  std::vector<std::string> covered;
  for (const TEXT_SEEN& t : s_seen) {
    for (size_t j = t.piece + 1; j < pieces.size(); j++) {
      const U8* later = opaque[j].data();
      U32 n = 0;
      for (PIXEL y = std::max(t.box.bottom, 0); y <= std::min(t.box.top, (PIXEL)G_SCREEN_HEIGHT - 1); y++) {
        for (PIXEL x = std::max(t.box.left, 0); x <= std::min(t.box.right, (PIXEL)G_SCREEN_WIDTH - 1); x++) {
          n += later[(size_t)y * G_SCREEN_WIDTH + x];
        }
      }
      if (n > 0) {
        covered.push_back(where + ": \"" + t.text + "\" of " + pieces[t.piece].name + " under " + pieces[j].name +
                          " (" + std::to_string(n) + " pixels)");
      }
    }
  }
  return covered;
}

// The notice over simulated views blinks; a frame that shows it waits for it.
bool NoticeShows(void) {
  for (const std::vector<NODE>& layer : Layers()) {
    if (layer[0].layer != SIMULATION_MESSAGE_LAYER) continue;
    PAGES pages;
    PIECE piece = {layer[0], {}, false, "notice"};
    piece.window.drawWindow = {0, G_SCREEN_HEIGHT - 1, G_SCREEN_WIDTH - 1, 0};
    const std::vector<U8> opaque = Opaque(pages, piece);
    return memchr(opaque.data(), 1, opaque.size()) != nullptr;
  }
  return true;
}

// The sonar task registers the whole set of sonar views for ice fishing, or
// the usual set, before it takes the other set away: the views are listed
// only once both have happened, so that none is missed or gone when asked for.
bool SonarViewsFor(U32 ice) {
  const LAYER_ID ice_views[] = {SONAR_2D_PLUS_FLASHER_ICE_PRIORITY, SONAR_2D_ZOOM_PLUS_FLASHER_ICE_PRIORITY,
                                SONAR_FLASHER_ICE_PRIORITY,         SONAR_ICE_VIEW_PRIORITY,
                                SONAR_ZOOM_ICE_VIEW_PRIORITY,       ZOLT_DIGIT_ICE_VIEW_PRIORITY,
                                SONAR_DUAL_BEAM_ICE_VIEW_PRIORITY};
  const LAYER_ID views[] = {SONAR_VIEW_PRIORITY, ZOLT_DIGIT_VIEW_PRIORITY, SONAR_ZOOM_VIEW_PRIORITY,
                            SONAR_DUAL_BEAM_VIEW_PRIORITY};
  for (LAYER_ID view : ice_views) {
    if (T_VIEW_bIsLayerActive(view) != (ice != 0)) return false;
  }
  for (LAYER_ID view : views) {
    if (T_VIEW_bIsLayerActive(view) == (ice != 0)) return false;
  }
  return true;
}

// The data-box task places its boxes by the view, data-box option and ice
// mode it was last told of, and lags behind the view task on a busy
// machine: a frame is looked at once it has handled every mail before a
// marker.
bool InfoTookTheView(void) {
  GENERIC_MESSAGE* pMarker = (GENERIC_MESSAGE*)H_MEMORY_pvCalloc(1, sizeof *pMarker);
  pMarker->Cmd = CMD_ID_INVALID_ID;
  // A semaphore no task of the unit waits on (the in-line test task waits
  // on SEMA_USER_TEST).
  if (L_MBOX_SendWaitTicks(M_INFO, pMarker, 3, SEMA_TEST_EXT_NMEA, (TICKS)TEST_u64SlackMs(5000)) != 0 ||
      !L_MBOX_bIsAcknowledged(pMarker)) {
    return false;  // the marker stays the task's, never freed under it
  }
  H_MEMORY_vFree(pMarker);
  return true;
}

bool Shown(LAYER_ID view) {
  for (const std::vector<NODE>& layer : Layers()) {
    if (layer[0].layer == view) return layer[0].bShown;
  }
  return false;
}

class Screens : public ::testing::Test {
 protected:
  // The view task draws no frame while the test holds every page but the
  // one on display. A frame it was drawing when the test began still goes
  // on display and frees the page shown before it: the test takes that one
  // too, and only then composes, or the task would draw beside it with the
  // same state (the chart's kept list and pictures are the task's own).
  void SetUp() override {
    ASSERT_TRUE(WaitFor(
        [&] {
          while (U32* p = H_DISPLAY_pu32GetDisplayBuffer()) m_pages.push_back(p);
          return (int)m_pages.size() >= DD_LCD_nPages() - 1;
        },
        5000))
        << "the view task still holds a page";
  }
  void TearDown() override {
    for (U32* p : m_pages) H_DISPLAY_vFreeDisplayBuffer(p);
  }
  std::vector<U32*> m_pages;

  // Every shown view, in each of its panes as the active one.
  std::vector<std::string> EveryView(const std::string& state, const char* const* NODE::*pNotice, bool bHidden) {
    std::vector<std::string> covered;
    for (const std::vector<NODE>& layer : Layers()) {
      const NODE& view = layer[0];
      if (view.whereUsed != USED_BY_NONE || view.layer < NORMAL_VIEW_PRIORITIES) continue;
      // A view the user has hidden is shown for its picture.
      if (!view.bShown && (view.display == 0 || !bHidden)) continue;
      const bool bSplit = layer.size() > 1;
      bool bWritten = false;
      for (SPLIT_WINDOW_TYPE active : {SPLIT_LEFT_WINDOW, SPLIT_RIGHT_WINDOW}) {
        if (!bSplit && active == SPLIT_LEFT_WINDOW) continue;
        Write(FCID("CVAS"), (U32)active);
        const std::string where = state + ", view " + std::to_string(view.layer) +
                                  (bSplit ? active == SPLIT_LEFT_WINDOW ? " left active" : " right active" : "");
        // The demonstration's start, or the switch into or out of the ice
        // views, may still be hiding views or registering them anew: the
        // view is asked for until it stays for its picture.
        std::optional<std::vector<std::string>> more;
        for (int attempt = 0; attempt < 10 && !more; attempt++) {
          if (view.display != 0 && !Shown(view.layer)) {
            Write(view.display, TRUE);
            bWritten = true;
          }
          Write(FCID("CVEW"), (U32)view.layer);
          if (!WaitFor([&] { return T_VIEW_eCurrentLayer() == view.layer && Shown(view.layer); }, 500)) continue;
          EXPECT_TRUE(InfoTookTheView()) << where;
          if (pNotice != nullptr && view.*pNotice != nullptr) {
            EXPECT_TRUE(WaitFor(NoticeShows, 12000)) << where;
          }
          more = Covered(view.layer, bSplit ? active : SPLIT_FULL_WINDOW, where);
          // On a busy machine a task can still be between two layouts of
          // the view when its frame is composed, and under a sanitizer on a
          // loaded machine it can stay so for more than one marker: a
          // readout counts as covered when every frame composed again, each
          // after another marker, covers it too.
          for (int again = 0; again < 3 && more && !more->empty(); again++) {
            EXPECT_TRUE(InfoTookTheView()) << where;
            more = Covered(view.layer, bSplit ? active : SPLIT_FULL_WINDOW, where);
          }
        }
        EXPECT_TRUE(more) << where << " is not shown: the view is " << T_VIEW_eCurrentLayer();
        if (more) covered.insert(covered.end(), more->begin(), more->end());
      }
      if (bWritten) Write(view.display, FALSE);
    }
    return covered;
  }
};

// The shop demonstration's exit box, and then a long wait.
const char kExitBoxScript[] = "CHAPTER MAIN\nEXITMESSAGEBOX\nWAIT 99999\nENDCHAPTER\n";

// A position fix, and the news of a GPS that the NMEA task gives with the
// first one: the navigation task then registers the chart views.
void GpsFix(void) {
  H_DATABASE_bUpdateEverythingS32(FCID("ILAT"), 5796519, P_NORMAL, D_POSITION_LAT_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingS32(FCID("ILON"), 1288247, P_NORMAL, D_POSITION_LON_MM, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingU32(FCID("IPFI"), 2, P_NORMAL, D_UNKNOWN, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("IHDG"), 45.0f, P_NORMAL, D_HEADING, nullptr, DB_NEVER_STALE);
  H_DATABASE_bUpdateEverythingFloat(FCID("ISOG"), 2.5f, P_NORMAL, D_SPEED, nullptr, DB_NEVER_STALE);
  L_SEMA_Signal(SEMA_GPS_DETECTED);
}

TEST_F(Screens, NoLayerCoversAReadoutOfAnyViewInEnglishJapaneseOrTheLongestTexts) {
  GpsFix();
  EXPECT_TRUE(WaitFor([] { return T_VIEW_bIsLayerActive(CHART_VIEW_PRIORITY); }, 5000)) << "the chart views";
  G_TRUETYPE_vSetTextObserver(Seen);
  std::vector<std::string> covered;
  // Lithuanian has the longest notes, Hungarian and Bulgarian the longest
  // list texts. Under a sanitizer the layout is the native run's; the wide
  // language's longer texts alone still walk every drawing path.
  std::vector<U32> languages = {(U32)LANGUAGE_JAPANESE};
  if (!TEST_bSanitized()) {
    const U32 more[] = {LANGUAGE_ENGLISH, LANGUAGE_LITHUANIAN, LANGUAGE_HUNGARIAN, LANGUAGE_BULGARIAN};
    languages.insert(languages.begin(), std::begin(more), std::end(more));
  }
  for (U32 language : languages) {
    const std::string name = "language " + std::to_string(language);
    Write(FCID("SLNG"), language);
    U_WSTRING_vUpdateCurrentLanguage();
    Write(FCID("CCST"), STATE_SIMULATION);
    for (U32 ice : {0u, 1u}) {
      Write(FCID("SICE"), ice);
      EXPECT_TRUE(WaitFor([&] { return SonarViewsFor(ice); }, 5000)) << "ice " << ice;
      for (U32 boxes : {1u, 2u}) {
        Write(FCID("SDBO"), boxes);
        const std::string state = name + (ice ? ", ice" : "") + (boxes == 2 ? ", data boxes" : ", overlay");
        const std::vector<std::string> more = EveryView(state + ", simulation", &NODE::pSimString, true);
        covered.insert(covered.end(), more.begin(), more.end());
      }
    }
    Write(FCID("SICE"), 0);
    EXPECT_TRUE(WaitFor([] { return SonarViewsFor(0); }, 5000));
    Write(FCID("SDBO"), 1);
    // The shop demonstration with its exit box up, once its start has
    // stepped through the views and reset the settings.
    T_DEMO_vSetTimeBase(10);
    T_DEMO_vSetScript(language, kExitBoxScript, sizeof kExitBoxScript - 1);
    U32 delays[64];
    T_DEMO_u32Delays(delays, 64);
    Write(FCID("CCST"), STATE_POINT_OF_SALE);
    EXPECT_TRUE(WaitFor(
        [&] {
          const U32 n = T_DEMO_u32Delays(delays, 64);
          return n > 0 && delays[n - 1] == 99999000u;
        },
        20000));
    Write(FCID("SDBO"), 1);
    EXPECT_TRUE(WaitFor([] { return T_INFO_eDataBoxOption() == DATA_BOXES_OVERLAY; }, 2000));
    // Over the views the demonstration steps through; the notice of the
    // simulation gives way to the demonstration's own texts.
    const std::vector<std::string> more = EveryView(name + ", demonstration", nullptr, false);
    covered.insert(covered.end(), more.begin(), more.end());
    Write(FCID("CCST"), STATE_NORMAL_RUN);
    T_DEMO_vSetScript(language, nullptr, 0);
    T_DEMO_vSetTimeBase(1000);
  }
  G_TRUETYPE_vSetTextObserver(nullptr);
  Write(FCID("SLNG"), LANGUAGE_ENGLISH);
  U_WSTRING_vUpdateCurrentLanguage();
  std::string all;
  for (const std::string& c : covered) all += c + "\n";
  EXPECT_TRUE(covered.empty()) << covered.size() << " readouts covered:\n" << all;
}

}  // namespace
