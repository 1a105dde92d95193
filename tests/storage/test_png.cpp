// The card task's PNG decoding against PngSuite's reference decodes, and
// against libpng and libspng on full-screen files that libpng wrote with
// every row filter.

#include <gtest/gtest.h>
#include <png.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "color.h"
#include "g_buffers.h"
#include "h_memory.h"
#include "png_peers.h"
#include "t_mmc.h"
#include "test_process.h"

namespace {

struct SUITE_ROW {
  std::string name;
  U32 width = 32, height = 32;  // 32 x 32 where the header is unreadable
  bool bRgb8 = false;           // valid, non-interlaced 8-bit RGB
};

// PngSuite's index: name, class, width, height, depth, colour type,
// interlace, decode or reject.
std::vector<SUITE_ROW> SuiteIndex() {
  std::ifstream in(STORAGE_PNG_DIR "/expected/index.tsv");
  std::vector<SUITE_ROW> rows;
  std::string line, f[8];
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    for (std::string& field : f) fields >> field;
    SUITE_ROW row;
    row.name = f[0].substr(0, f[0].size() - 4);
    if (f[2] != "-") row.width = (U32)std::stoul(f[2]), row.height = (U32)std::stoul(f[3]);
    row.bRgb8 = f[4] == "8" && f[5] == "2" && f[6] == "0" && f[7] == "decode";
    rows.push_back(row);
  }
  return rows;
}

// The RGB samples of a P7 RGB_ALPHA reference.
std::vector<U8> ReadPamRgb(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line) && line != "ENDHDR") {
  }
  std::vector<U8> rgba((std::istreambuf_iterator<char>(in)), {});
  std::vector<U8> rgb;
  for (size_t i = 0; i + 3 < rgba.size(); i += 4) rgb.insert(rgb.end(), &rgba[i], &rgba[i] + 3);
  return rgb;
}

T_MMC_PNG_RESULT Decode(const std::string& path, BITMAP* pBitmap, U32 u32Width, U32 u32Height) {
  BUFFERED_IO_CONTROL* file = U_MMC_psBufferedOpen(path.c_str(), "rb", nullptr, 0);
  if (file == nullptr) return T_MMC_PNG_SHORT;
  const T_MMC_PNG_RESULT e = T_MMC_ePngDecode(file, pBitmap, u32Width, u32Height);
  U_MMC_nBufferedClose(file);
  return e;
}

// The whole load of a file into a screen bitmap, as the card task makes it.
std::vector<COLOR> Load(const std::string& path) {
  BITMAP* screen = G_BUFFERS_pCreateFullScreenBitmap();
  char* name = (char*)H_MEMORY_pvMalloc((U32)path.size() + 1);
  memcpy(name, path.c_str(), path.size() + 1);
  std::atomic<U32> latest{7};
  T_MMC_vReadBMP16(name, screen, 7, &latest);
  std::vector<COLOR> pixels = PNGT_Pixels(screen);
  G_BUFFERS_vFreeFullScreenBitmap(screen);
  return pixels;
}

bool AllFill(const std::vector<COLOR>& pixels) {
  for (COLOR c : pixels) {
    if (c != gCOLOR_pcolColorTable[T_MMC_FILL_COLOUR]) return false;
  }
  return !pixels.empty();
}

TEST(PngSuite, EveryNonInterlacedEightBitRgbImageMatchesItsReference) {
  int checked = 0;
  for (const SUITE_ROW& row : SuiteIndex()) {
    if (!row.bRgb8) continue;
    BITMAP* bitmap = G_BUFFERS_pCreateBitmap(row.width, row.height, nullptr, nullptr);
    EXPECT_EQ(T_MMC_PNG_DECODED, Decode(STORAGE_PNG_DIR "/images/" + row.name + ".png", bitmap, row.width, row.height))
        << row.name;
    EXPECT_EQ(PNGT_Rgb565(ReadPamRgb(STORAGE_PNG_DIR "/expected/" + row.name + ".rgba8.pam")), PNGT_Pixels(bitmap))
        << row.name;
    G_BUFFERS_vFreeBitmap(bitmap);
    checked++;
  }
  EXPECT_GE(checked, 17);
}

TEST(PngSuite, TheLoaderRefusesEveryImageAndTheDecoderAllButRgb8) {
  ASSERT_EQ(114u, SuiteIndex().size());
  for (const SUITE_ROW& row : SuiteIndex()) {
    const std::string path = STORAGE_PNG_DIR "/images/" + row.name + ".png";
    EXPECT_TRUE(AllFill(Load(path))) << row.name << " is not 800 x 480";
    BITMAP* bitmap = G_BUFFERS_pCreateBitmap(row.width, row.height, nullptr, nullptr);
    const T_MMC_PNG_RESULT e = Decode(path, bitmap, row.width, row.height);
    EXPECT_EQ(row.bRgb8, e == T_MMC_PNG_DECODED) << row.name << ": " << T_MMC_pcPngResultText(e);
    if (row.name == "basi2c08") {
      EXPECT_EQ(T_MMC_PNG_INTERLACED, e);
    }
    G_BUFFERS_vFreeBitmap(bitmap);
  }
}

class ScreenPng : public ::testing::Test {
 protected:
  void SetUp() override { dir = TEST_MakeTempDir("velmora-png"); }
  std::vector<COLOR> LoadBytes(const std::vector<U8>& file) {
    PNGT_vWriteFile(dir + "/IMAGE.PNG", file);
    return Load(dir + "/IMAGE.PNG");
  }
  std::string dir;
};

TEST_F(ScreenPng, EveryFilterAndContentDecodesAsLibpngAndLibspngDo) {
  const int filters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH, -1};
  for (int content = 0; content < 2; content++) {
    const std::vector<U8> rgb = content == 0 ? PNGT_Photo(800, 480, 3) : PNGT_Flat(800, 480);
    for (int filter : filters) {
      PNGT_OPTIONS options;
      options.nFilters = filter;
      const std::vector<U8> file = PNGT_Encode(800, 480, rgb, options);
      const std::vector<COLOR> ours = LoadBytes(file);
      EXPECT_EQ(PNGT_Rgb565(PNGT_DecodeLibpng(file)), ours) << "content " << content << ", filters " << filter;
      if (PNGT_bHaveSpng()) {
        EXPECT_EQ(PNGT_Rgb565(PNGT_DecodeSpng(file)), ours) << "content " << content;
      }
      if (content == 1) {
        EXPECT_EQ(0xFFFF, ours[0]) << "(255, 255, 255)";
        EXPECT_EQ(0x0821, ours[10 * 800 + 250]) << "(8, 4, 8)";
      }
    }
  }
}

TEST_F(ScreenPng, SmallIdatsWithAForeignChunkAndAnEmptyIdatBetweenThemDecode) {
  PNGT_OPTIONS options;
  options.nIdatBytes = 1000;
  const std::vector<U8> plain = PNGT_Encode(800, 480, PNGT_Photo(800, 480, 5), options);
  std::vector<U8> file = plain;
  const int first = PNGT_nFindChunk(file, "IDAT");
  ASSERT_GT(first, 0);
  PNGT_vInsertChunk(&file, first + 1, "vlMa", std::vector<U8>(300, 0xAB));
  PNGT_vInsertChunk(&file, first + 3, "IDAT", {});
  // The peers take IDATs only in one run, so they read the plain file.
  EXPECT_EQ(PNGT_Rgb565(PNGT_DecodeLibpng(plain)), LoadBytes(file));
}

TEST_F(ScreenPng, OtherFormatsKeepTheFillAndATruncatedFileKeepsItsWholeRows) {
  const std::vector<U8> rgb = PNGT_Photo(800, 480, 9);
  PNGT_OPTIONS rgba, deep, interlaced;
  rgba.nColourType = 6;
  deep.nBitDepth = 16;
  interlaced.bInterlaced = true;
  EXPECT_TRUE(AllFill(LoadBytes(PNGT_Encode(800, 480, rgb, rgba)))) << "RGBA";
  EXPECT_TRUE(AllFill(LoadBytes(PNGT_Encode(800, 480, rgb, deep)))) << "16-bit";
  EXPECT_TRUE(AllFill(LoadBytes(PNGT_Encode(800, 480, rgb, interlaced)))) << "interlaced";
  EXPECT_TRUE(AllFill(LoadBytes(PNGT_Encode(799, 480, PNGT_Photo(799, 480, 9), PNGT_OPTIONS())))) << "799 wide";

  std::vector<U8> file = PNGT_Encode(800, 480, rgb, PNGT_OPTIONS());
  file.resize(file.size() * 6 / 10);
  const std::vector<COLOR> ours = LoadBytes(file);
  const std::vector<COLOR> whole = PNGT_Rgb565(rgb);
  U32 rows = 0;
  while (rows < 480 && std::equal(&ours[rows * 800], &ours[rows * 800 + 800], &whole[rows * 800])) rows++;
  EXPECT_GT(rows, 200u);
  EXPECT_LT(rows, 480u);
  EXPECT_TRUE(AllFill(std::vector<COLOR>(ours.begin() + rows * 800, ours.end()))) << "from row " << rows;
}

}  // namespace
