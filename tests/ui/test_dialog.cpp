// The word wrap and the sizes of the dialog boxes, and hostile texts that
// must lay out within every buffer.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "canvas.h"
#include "color.h"
#include "g_fonts.h"
#include "g_truetype.h"
#include "text_util.h"
#include "u_language.h"
#include "u_dialog.h"
#include "ui_frame.h"

namespace {

const FONT_DEF* const& kFont = myriad_pro_size17_font_def_ptr;

class Dialog : public ::testing::Test {
 protected:
  void SetUp() override { UI_vStart(); }
  void TearDown() override { SetLanguage(LANGUAGE_ENGLISH); }
};

// The wrapped lines as texts (8-bit) or units (wide).
std::vector<std::string> Wrap(const std::string& text, U32 width, U16* pWidth0 = nullptr,
                              const FONT_DEF* pFont = kFont) {
  LINEOFTEXT lines[U_DIALOG_MAX_LINES];
  U16 n = U_DIALOG_u16ExtractTextIntoLines(text.c_str(), lines, pFont, (U16)width, FALSE);
  std::vector<std::string> out;
  for (U16 i = 0; i < n; i++) out.emplace_back(lines[i].pcStartOfText, lines[i].u8NumberOfCharsInLine);
  if (pWidth0 != nullptr && n > 0) *pWidth0 = lines[0].u16WidthOfLine;
  return out;
}

U32 CW(char c) { return G_FONTS_u32GetWidth(kFont, (BYTE)c); }

TEST_F(Dialog, WordsWrapAtTheWidthAndAWordWiderThanTheLineIsCut) {
  EXPECT_TRUE(Wrap("", 300).empty());
  EXPECT_EQ(std::vector<std::string>{"   "}, Wrap("   ", 300));
  EXPECT_EQ((std::vector<std::string>{"first", " second"}), Wrap("first\\n second", 300));
  const U32 limit = CW('a') + CW('b') + CW(' ') + CW('c') + 1;
  EXPECT_EQ((std::vector<std::string>{"ab c", "dd"}), Wrap("ab c dd", limit)) << "the spaces before a new line go";
  // " WWWWWWWWWW" does not fit five W wide: the characters before the one
  // that overflows, less one, stay on the line, which is then the limit wider.
  const U32 five = 5 * CW('W') + 1;
  U16 width0 = 0;
  EXPECT_EQ((std::vector<std::string>{"ab WWW", "WWWW", "WWW"}), Wrap("ab WWWWWWWWWW", five, &width0));
  EXPECT_EQ(CW('a') + CW('b') + five - 1, width0);
  EXPECT_EQ((std::vector<std::string>{"W", "W"}), Wrap("WW", 1)) << "a line takes at least one character";
}

TEST_F(Dialog, ThirtyLinesWrapIntoExactlyTwenty) {
  std::string text;
  for (int i = 0; i < 30; i++) text += "line\\n ";
  std::vector<std::string> lines = Wrap(text, 300);
  ASSERT_EQ(20u, lines.size());
  EXPECT_EQ("line", lines[0]);
  EXPECT_EQ(" line", lines[19]);
}

TEST_F(Dialog, JapaneseBreaksBetweenAnyTwoCharactersAndWideEnglishOnlyBetweenWords) {
  const FONT_DEF* pWide = arialuni_size17_font_def_ptr;
  SetLanguage(LANGUAGE_JAPANESE);
  const std::string kana = W(u"あいうえお");
  const U32 unit = G_TRUETYPE_M_u32GetWidth(W(u"あ").c_str(), pWide);
  ASSERT_GT(unit, 0u);
  std::vector<std::string> lines = Wrap(kana, 2 * unit + 1, nullptr, pWide);
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ(W(u"あい").substr(0, 4), lines[0]);
  EXPECT_EQ(W(u"お").substr(0, 2), lines[2]);

  SetLanguage(LANGUAGE_ENGLISH_UNICODE);
  const U32 ab = G_TRUETYPE_M_u32GetWidth(W(u"ab c").c_str(), pWide) + 1;
  lines = Wrap(W(u"ab cd"), ab, nullptr, pWide);
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ(W(u"ab").substr(0, 4), lines[0]);
  EXPECT_EQ(W(u"cd").substr(0, 4), lines[1]);
  EXPECT_EQ(2u, Wrap(W(u"ab\\n cd"), 300, nullptr, pWide).size());
}

// Rows of the canvas that the drawing changed: the lowest and the highest.
std::pair<PIXEL, PIXEL> RowsDrawn(const Canvas& canvas) {
  PIXEL low = 1 << 20, high = -1;
  for (const XY& xy : canvas.changed()) low = std::min(low, xy.second), high = std::max(high, xy.second);
  return {low, high};
}

TEST_F(Dialog, BarsAndBoxesHaveTheirHeights) {
  Canvas bar(800, 480);
  U_DIALOG_vDrawDialogGenericNotification(bar.get(), "Waypoint saved");
  EXPECT_EQ(30 + 4, RowsDrawn(bar).second) << "one line: a 30-row body under a 4-row rim";
  Canvas two(800, 480);
  U_DIALOG_vDrawDialogGenericNotification(two.get(), (std::string(25, 'W') + " " + std::string(25, 'W')).c_str());
  EXPECT_EQ(76 + 4, RowsDrawn(two).second);

  Canvas confirm(800, 480);
  U_DIALOG_vDrawDialogWithConfirm(confirm.get(), nullptr, "Erase it?", kFont, "No", "Yes", JUSTIFICATION_CENTER,
                                  JUSTIFICATION_CENTER, TRUE, TRUE, FALSE, 0);
  std::pair<PIXEL, PIXEL> rows = RowsDrawn(confirm);
  EXPECT_EQ(96, rows.second - rows.first + 1);
  // A title band sits above the text rather than over it.
  Canvas titled(800, 480);
  U_DIALOG_vDrawDialogWithConfirm(titled.get(), "Confirm", "Erase it?", kFont, "No", "Yes", JUSTIFICATION_CENTER,
                                  JUSTIFICATION_CENTER, TRUE, TRUE, FALSE, 0);
  rows = RowsDrawn(titled);
  EXPECT_EQ(96 + 39, rows.second - rows.first + 1);
}

// The notification bar and the alarm banner of a text on a page of the
// given width.
std::vector<COLOR> Banners(const char* pText, U32 width = 800) {
  Canvas canvas(width, 480);
  U_DIALOG_vDrawDialogGenericNotification(canvas.get(), pText);
  U_DIALOG_vDrawDialogAlarm(canvas.get(), pText);
  return std::vector<COLOR>(canvas.pixels(), canvas.pixels() + canvas.pixelCount());
}

// The same drawn once every banner kept before has given way to others.
std::vector<COLOR> FreshBanners(const char* pText, U32 width = 800) {
  for (int i = 0; i < 16; i++) Banners(("Passing text " + std::to_string(i)).c_str());
  return Banners(pText, width);
}

// Banners are kept as laid out and drawn while they stay up; what is kept
// never stands in for another text, another page width or other colours.
TEST_F(Dialog, KeptBannersFollowTheirTextWidthAndColours) {
  const char* const kTide = "Fuel dock opens at 6";
  const std::vector<COLOR> tide = Banners(kTide);
  const std::vector<COLOR> other = Banners("Fuel dock opens at 9");
  EXPECT_NE(tide, other);
  EXPECT_EQ(tide, Banners(kTide));
  EXPECT_EQ(other, Banners("Fuel dock opens at 9"));

  const std::string longText = std::string(20, 'W') + " " + std::string(20, 'W');
  Banners(longText.c_str());
  EXPECT_EQ(FreshBanners(longText.c_str(), 500), Banners(longText.c_str(), 500)) << "wrapped again for the narrower page";

  // The bar's body, the banner's text and rim.
  const COLOR kept[2] = {gCOLOR_pcolColorTable[237], gCOLOR_pcolColorTable[32]};
  const COLOR changed[2] = {(COLOR)(kept[0] ^ 0x7BEF), (COLOR)(kept[1] ^ 0x7BEF)};
  COLOR_vSetColorTableSection(237, 1, &changed[0]);
  COLOR_vSetColorTableSection(32, 1, &changed[1]);
  const std::vector<COLOR> recoloured = Banners(kTide);
  const std::vector<COLOR> fresh = FreshBanners(kTide);
  COLOR_vSetColorTableSection(237, 1, &kept[0]);
  COLOR_vSetColorTableSection(32, 1, &kept[1]);
  EXPECT_EQ(fresh, recoloured);
  EXPECT_NE(tide, recoloured);
}

TEST_F(Dialog, ABadJustificationOfAMessageBlockDrawsNothing) {
  Canvas canvas(200, 100);
  POINT at = {10, 50};
  EXPECT_EQ(0u, U_DIALOG_u32DrawMessageBlock(canvas.get(), "text", kFont, 2, JUSTIFICATION_LEFT, JUSTIFICATION_LEFT,
                                             &at, 100, 0x001F, 0xFFFF));
  EXPECT_TRUE(canvas.changed().empty());
  EXPECT_EQ(2 * (G_FONTS_u32GetHeight(kFont) + 2) + 2,
            U_DIALOG_u32DrawMessageBlock(canvas.get(), "two\\n lines", kFont, 2, JUSTIFICATION_LEFT,
                                         JUSTIFICATION_TOP, &at, 100, 0x001F, 0xFFFF));
}

// Hostile texts go through every layout; the sanitizer builds watch the
// buffers. Every text is in the language's form, the choices included.
void DrawEverything(const char* pTitle, const char* pText, const char* pNo = "No", const char* pYes = "Yes") {
  Canvas canvas(800, 480);
  BITMAP* b = canvas.get();
  POINT at = {100, 240};
  U_DIALOG_vDrawDialogWithConfirm(b, pTitle, pText, kFont, pNo, pYes, JUSTIFICATION_CENTER, JUSTIFICATION_CENTER,
                                  TRUE, TRUE, TRUE, 0);
  U_DIALOG_vDrawDialog(b, pText, kFont, nullptr, nullptr, JUSTIFICATION_RIGHT, JUSTIFICATION_TOP);
  U_DIALOG_vDrawLocalDialogWithConfirm(b, pTitle, pText, kFont, pNo, pYes, JUSTIFICATION_LEFT, JUSTIFICATION_BOTTOM,
                                       TRUE, TRUE, FALSE, 0, 403, 800, nullptr, nullptr, nullptr);
  U_DIALOG_vDrawMessageBlockOutlined(b, pText, kFont, 2, JUSTIFICATION_CENTER, JUSTIFICATION_CENTER, &at, 300,
                                     0x001F, 0xFFFF, 0xF800);
  U_DIALOG_vDrawDialogAlarm(b, pText);
  U_DIALOG_vDrawDialogGenericNotificationWithIcon(b, pText, ICON_MISSED_PHONE_CALL);
  const char* texts[2] = {pText, pText};
  U_DIALOG_vDrawDialogWithFixedImage(b, pTitle, texts, 2, kFont, nullptr, pYes, JUSTIFICATION_LEFT,
                                     JUSTIFICATION_SCREEN_CENTER, FALSE, TRUE, FALSE, 0, nullptr);
}

TEST_F(Dialog, HostileTextsLayOutWithinEveryBuffer) {
  std::string statement;
  for (int i = 0; statement.size() < 10000; i++) statement += (i % 7 == 0 ? "\\n " : "word ");
  std::string wide(300, 'W');
  for (const std::string& text : {statement, wide, std::string(10000, ' ')}) {
    DrawEverything("", text.c_str());
    DrawEverything(nullptr, text.c_str());
  }
  DrawEverything("", "");
  EXPECT_EQ(20u, Wrap(statement, 326).size());

  SetLanguage(LANGUAGE_JAPANESE);
  std::u16string kanji;
  for (int i = 0; i < 5000; i++) kanji += (char16_t)(0x4E00 + i % 200);
  const std::string no = W(u"いいえ"), yes = W(u"はい");
  DrawEverything(W(u"").c_str(), W(kanji).c_str(), no.c_str(), yes.c_str());
  DrawEverything(W(u"確認").c_str(), W(std::u16string(5000, u'W')).c_str(), no.c_str(), yes.c_str());
}

}  // namespace
