#include <gtest/gtest.h>
#include <stdlib.h>

#include <sstream>
#include <string>
#include <vector>

#include "color.h"

namespace {

// The initial table written out again, as text of sixteen entries a row, so
// that a slip in the code's table is not simply repeated here.
std::vector<COLOR> DocumentedTable() {
  const char* rows[16] = {
      "FFFF A618 4518 0508 07E0 A500 07E0 E400 E200 F800 A100 8000 A510 4208 0000 FFFF",
      "2400 2408 2410 2418 2500 2508 2510 2518 2600 2608 2610 2618 0000 FFFF 2710 2718",
      "0000 528A A514 FFFF F800 FBE0 FFE0 07E0 001F F81F A500 0210 0000 4208 8410 A510",
      "FFFF F800 E400 E600 E708 0300 07E0 0008 2210 0318 6418 8618 0000 FFFF FFFF FFFF",
      "FDC4 3A08 2210 0008 0000 FFFF E018 8708 A518 4208 4210 4218 0000 0000 E600 4318",
      "0000 4208 8410 A510 FFFF F800 E400 E600 E708 0300 07E0 0008 2210 0318 6418 8618",
      "FFFF 4410 0000 4208 FFFF 0000 4208 0000 0000 4208 2600 0008 0000 0000 0000 0000",
      "0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000",
      "FFFF A510 4208 0000 F800 8108 8110 8118 E718 A510 E718 A510 0218 0000 0000 0218",
      "FFFF A510 2108 0000 0000 8000 A710 E710 0008 8008 6718 8410 4208 F800 07E0 FFE0",
      "001F A210 A718 FFFF 2308 2308 2308 C400 8100 A500 8000 8410 0000 FFFF E710 0000",
      "0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000",
      "0000 0000 0000 0000 FFFF A510 4208 0000 A600 A608 A610 A618 A700 A708 A710 A718",
      "C000 C008 C010 C018 C100 C108 C110 C118 C200 C208 C210 C218 C300 C308 C310 C318",
      "C400 C408 C410 C418 C500 C508 C510 C518 FFFF A514 528A 0000 8410 5ACB 3A08 2104",
      "FF12 FDC4 7B02 C618 E500 E508 E510 E518 E600 E608 E610 E618 FFE0 E708 E710 FFFF",
  };
  std::vector<COLOR> out;
  for (const char* row : rows) {
    std::istringstream in(row);
    std::string word;
    while (in >> word) out.push_back((COLOR)strtoul(word.c_str(), nullptr, 16));
  }
  return out;
}

TEST(ColorTable, StartsWithEveryDocumentedEntry) {
  const std::vector<COLOR> expected = DocumentedTable();
  ASSERT_EQ(256u, expected.size());
  for (U32 i = 0; i < 256; i++) {
    EXPECT_EQ(expected[i], gCOLOR_pcolColorTable[i]) << "entry " << i;
  }
  EXPECT_EQ(0xFFFF, gCOLOR_pcolColorTable[0]);
  EXPECT_EQ(0x0000, gCOLOR_pcolColorTable[14]);
  EXPECT_EQ(0x2308, gCOLOR_pcolColorTable[166]);
}

TEST(ColorTable, SectionsAreWrittenAndFetchedInPlace) {
  const COLOR night[4] = {0x0001, 0x0002, 0x0003, 0x0004};
  COLOR before[256];
  COLOR_vFetchColorTableSection(0, 256, before);
  COLOR_vSetColorTableSection(128, 4, night);
  COLOR_vSetColorTableSection(50, 0, night);
  COLOR fetched[6];
  COLOR_vFetchColorTableSection(127, 6, fetched);
  const COLOR expected[6] = {before[127], 1, 2, 3, 4, before[132]};
  for (int i = 0; i < 6; i++) EXPECT_EQ(expected[i], fetched[i]) << i;
  for (U32 i = 0; i < 256; i++) {
    if (i < 128 || i > 131) {
      EXPECT_EQ(before[i], gCOLOR_pcolColorTable[i]) << "entry " << i;
    }
  }
  COLOR_vSetColorTableSection(0, 256, before);
}

// The tests that change the table give it back, so that the documented
// entries hold for whichever test comes next.
class ColorTableChange : public ::testing::Test {
 protected:
  void SetUp() override { COLOR_vFetchColorTableSection(0, 256, m_before); }
  void TearDown() override { COLOR_vSetColorTableSection(0, 256, m_before); }
  COLOR m_before[256];
};

TEST_F(ColorTableChange, CopyInsideTheTableRunsInAscendingOrder) {
  const COLOR first = gCOLOR_pcolColorTable[0];
  const COLOR fifth = gCOLOR_pcolColorTable[4];
  COLOR_vCopyColorTableSection(0, 1, 3);
  for (U32 i = 0; i <= 3; i++) EXPECT_EQ(first, gCOLOR_pcolColorTable[i]) << i;
  EXPECT_EQ(fifth, gCOLOR_pcolColorTable[4]);
}

TEST_F(ColorTableChange, PaletteHooksSetThePointOfSaleEntry) {
  gCOLOR_pcolColorTable[166] = 0;
  COLOR_vSetPOSPalette();
  EXPECT_EQ(0x2308, gCOLOR_pcolColorTable[166]);
  gCOLOR_pcolColorTable[166] = 0;
  COLOR_vSetStandardPalette();
  EXPECT_EQ(0x2308, gCOLOR_pcolColorTable[166]);
}

}  // namespace
