#include <gtest/gtest.h>
#include <string.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "canvas.h"
#include "color.h"
#include "g_box.h"
#include "g_iconset.h"
#include "golden.h"

namespace {

S32 Width(const ICONSET_ENTRY& e) { return e.pIcon ? e.pIcon->nWidth : e.pImage32->s32Width; }
S32 Height(const ICONSET_ENTRY& e) { return e.pIcon ? e.pIcon->nHeight : e.pImage32->s32Height; }

void Draw(BITMAP* b, const ICONSET_ENTRY& e, const POINT* at) {
  if (e.pIcon) {
    G_ICON_vPut(b, e.pIcon, at);
  } else {
    G_IMAGE32_vPut(b, e.pImage32, at);
  }
}

TEST(IconSet, EveryIconDecodesFromExactlyItsOwnData) {
  G_ICON_vSetIconPalette(gCOLOR_pcolColorTable + 80);
  std::set<std::string> names;
  for (const ICONSET_ENTRY& e : g_aIconSet) {
    SCOPED_TRACE(e.pcName);
    EXPECT_TRUE(names.insert(e.pcName).second);
    const S32 w = Width(e), h = Height(e);
    ASSERT_GT(w, 0);
    ASSERT_GT(h, 0);
    // Copies of exactly the stated length: a read past them is caught by
    // AddressSanitizer.
    const U8* data = e.pIcon ? (const U8*)e.pIcon->pBitmap : e.pImage32->data;
    std::vector<U8> copy(data, data + e.u32DataBytes);
    Canvas c((U32)w + 2, (U32)h + 2);
    POINT at = {1, 1};
    if (e.pImage32) {
      EXPECT_EQ((U32)(w * h * 4), e.u32DataBytes);
      IMAGE32 image = *e.pImage32;
      image.data = copy.data();
      G_IMAGE32_vPut(c.get(), &image, &at);
      EXPECT_FALSE(c.changed().empty());
      continue;
    }
    ICON icon = *e.pIcon;
    icon.pBitmap = copy.data();
    std::vector<U8> mask;
    switch (icon.eCompression) {
      case ICON_PNG_IMAGE32:
        EXPECT_EQ((U32)(w * h * 4), e.u32DataBytes);
        EXPECT_EQ(0u, e.u32MaskBytes);
        break;
      case ICON_RLE_BUFFERS:
        EXPECT_EQ(0u, e.u32MaskBytes);
        EXPECT_EQ(nullptr, icon.pMask);
        break;
      case ICON_RLE_TRANSPARENT_COLOR:
        ASSERT_EQ(1u, e.u32MaskBytes);
        mask.assign((const U8*)icon.pMask, (const U8*)icon.pMask + 1);
        EXPECT_LT(mask[0], 16);
        icon.pMask = mask.data();
        break;
      default:
        ADD_FAILURE() << "kind " << icon.eCompression;
        continue;
    }
    G_ICON_vPut(c.get(), &icon, &at);
    const size_t drawn = c.changed().size();
    EXPECT_GT(drawn, 0u);
    if (icon.eCompression == ICON_RLE_BUFFERS) {
      EXPECT_EQ((size_t)(w * h), drawn);
    }
    if (icon.eCompression != ICON_PNG_IMAGE32) {
      // A quarter turn reads the same data in the same order.
      Canvas t((U32)h + 2, (U32)w + 2);
      POINT anchor = {1, w};
      G_ICON_vPutRotated(t.get(), &icon, &anchor, G_ICON_ROTATE_90);
      EXPECT_EQ(drawn, t.changed().size());
    }
  }
}

// An icon kept decoded draws what decoding it afresh draws, over any
// background, at anchors half off the bitmap and under clip rectangles that
// cut it, after the icon palette changed too; and so does one coloured once
// and drawn again, taken again whenever the icon or a colour of its palette
// changed.
TEST(IconSet, KeptIconsDrawWhatDecodingAfreshDraws) {
  std::mt19937 rng(12);
  G_ICON_COLOURED coloured = {};
  for (int pass = 0; pass < 2; pass++) {
    COLOR palette[16];
    for (COLOR& c : palette) c = (COLOR)rng();
    G_ICON_vSetIconPalette(pass == 0 ? gCOLOR_pcolColorTable + 80 : palette);
    for (const ICONSET_ENTRY& e : g_aIconSet) {
      if (e.pIcon == nullptr) continue;
      SCOPED_TRACE(e.pcName);
      const S32 w = Width(e), h = Height(e);
      Canvas fresh((U32)w + 8, (U32)h + 8), kept((U32)w + 8, (U32)h + 8), once((U32)w + 8, (U32)h + 8);
      for (int trial = 0; trial < 4; trial++) {
        if (pass == 1 && trial > 0) palette[rng() % 16] = (COLOR)rng();
        // The first anchor keeps the icon wholly inside the clip.
        const POINT at = trial == 0 ? POINT{4, 4}
                                    : POINT{(S32)(rng() % (U32)(w + 8)) - w / 2, (S32)(rng() % (U32)(h + 8)) - h / 2};
        for (Canvas* c : {&fresh, &kept}) {
          (*c)->s32ClipLeft = (PIXEL)(rng() % 4);
          (*c)->s32ClipBottom = (PIXEL)(rng() % 4);
          (*c)->s32ClipRight = (PIXEL)(w + 7 - (S32)(rng() % 4));
          (*c)->s32ClipTop = (PIXEL)(h + 7 - (S32)(rng() % 4));
        }
        for (Canvas* c : {&kept, &once}) {
          (*c)->s32ClipLeft = fresh->s32ClipLeft;
          (*c)->s32ClipBottom = fresh->s32ClipBottom;
          (*c)->s32ClipRight = fresh->s32ClipRight;
          (*c)->s32ClipTop = fresh->s32ClipTop;
        }
        for (size_t i = 0; i < fresh.pixelCount(); i++) {
          fresh.pixels()[i] = kept.pixels()[i] = once.pixels()[i] = (COLOR)rng();
        }
        G_ICON_vPut(fresh.get(), e.pIcon, &at);
        G_ICON_vPutKept(kept.get(), e.pIcon, &at);
        G_ICON_vTakeColours(&coloured, e.pIcon);
        G_ICON_vPutColoured(once.get(), &coloured, &at);
        ASSERT_EQ(0, memcmp(fresh.pixels(), kept.pixels(), fresh.pixelCount() * sizeof(COLOR))) << "trial " << trial;
        ASSERT_EQ(0, memcmp(fresh.pixels(), once.pixels(), fresh.pixelCount() * sizeof(COLOR))) << "trial " << trial;
      }
    }
  }
  G_ICON_vSetIconPalette(gCOLOR_pcolColorTable + 80);
}

// Every icon of the set on one sheet, for a person to look at; kept as a
// golden so that a change to the set or its drawing is seen.
TEST(IconSet, ContactSheetMatchesItsGolden) {
  G_ICON_vSetIconPalette(gCOLOR_pcolColorTable + 80);
  const S32 sheetWidth = 800, gap = 6;
  std::vector<POINT> places;
  S32 x = gap, rowBottom = gap, rowHeight = 0;
  for (const ICONSET_ENTRY& e : g_aIconSet) {
    if (x + Width(e) + gap > sheetWidth) {
      x = gap;
      rowBottom += rowHeight + gap;
      rowHeight = 0;
    }
    places.push_back({x, rowBottom});  // from the top for now
    x += Width(e) + gap;
    rowHeight = std::max(rowHeight, Height(e));
  }
  const S32 sheetHeight = rowBottom + rowHeight + gap;
  Canvas sheet((U32)sheetWidth, (U32)sheetHeight, 0x4A69);
  for (size_t i = 0; i < G_ICONSET_COUNT; i++) {
    const ICONSET_ENTRY& e = g_aIconSet[i];
    POINT at = {places[i].x, sheetHeight - places[i].y - Height(e)};
    // A light cell behind every other icon shows each against both kinds
    // of background.
    POINT cell = {at.x - 2, at.y - 2};
    G_BOX_vDrawFilled(sheet.get(), (i % 2) ? 0xCE79 : 0x2945, &cell, (U32)Width(e) + 4, (U32)Height(e) + 4);
    Draw(sheet.get(), e, &at);
  }
  EXPECT_TRUE(GOLDEN_MatchBitmap(std::string(GRAPHICS_GOLDEN_DIR) + "/iconset_contact_sheet.png", sheet.get()));
}

TEST(IconSet, IconsTheViewsNameAreThereWithTheirKinds) {
  EXPECT_EQ(ICON_PNG_IMAGE32, Bearing_needle_icon.eCompression);
  EXPECT_EQ(ICON_PNG_IMAGE32, active_pane_icon.eCompression);
  EXPECT_EQ(ICON_PNG_IMAGE32, NupArrow.eCompression);  // turned freely
  EXPECT_EQ(ICON_RLE_TRANSPARENT_COLOR, Wpt_Temp11.eCompression);
  EXPECT_EQ(ICON_RLE_BUFFERS, QX_Vorne_Track_Color_Tray.eCompression);
  EXPECT_EQ(birdseyearrow_0.s32Width, birdseyearrow_350.s32Width);
  EXPECT_EQ(boat_icon_0.s32Width, boat_icon_0.s32Height);  // turned about its centre
  EXPECT_EQ(Wpt_Temp1.nWidth + 10, Wpt_Temp11.nWidth);
  EXPECT_EQ(Wpt_Save1.nWidth + 10, Wpt_Save11.nWidth);
}

}  // namespace
