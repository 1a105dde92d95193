// The demonstration script language read without a player: line reading,
// command fields with their errors, balloon text with its annotation codes,
// and the searches that must end on scripts that lack their target.

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "u_demoscript.h"

namespace {

TUTORIAL_DATA DemoScript(const std::string& text) { return {text.data(), (U32)text.size()}; }

POS_LINE DemoParse(const char* pcLine) {
  POS_LINE parsed;
  U_DEMOSCRIPT_vParseLine(pcLine, &parsed);
  return parsed;
}

TEST(DemoScript, LinesSkipCommentsAndBlanksLoseTrailingSpaceAndWrapAfterTheLast) {
  const std::string text = "  // a comment\r\n\r\n\tWAIT 1 \t\r\nKEY EXIT";
  const TUTORIAL_DATA t = DemoScript(text);
  U32 offset = 0;
  char line[POS_LINE_SIZE];
  ASSERT_TRUE(U_DEMOSCRIPT_bNextValidLine(&t, &offset, line));
  EXPECT_STREQ("WAIT 1", line);
  ASSERT_TRUE(U_DEMOSCRIPT_bNextValidLine(&t, &offset, line));
  EXPECT_STREQ("KEY EXIT", line);
  EXPECT_EQ(0u, offset) << "the script starts again after its last line";
  ASSERT_TRUE(U_DEMOSCRIPT_bNextValidLine(&t, &offset, line));
  EXPECT_STREQ("WAIT 1", line);

  const std::string comments = "// only\n  // comments\n\n";
  const TUTORIAL_DATA c = DemoScript(comments);
  offset = 0;
  EXPECT_FALSE(U_DEMOSCRIPT_bNextValidLine(&c, &offset, line));
  const TUTORIAL_DATA empty = {nullptr, 0};
  EXPECT_FALSE(U_DEMOSCRIPT_bNextValidLine(&empty, &offset, line));
}

TEST(DemoScript, ALineLongerThanItsBufferIsCutAndTheNextLineIsWhole) {
  const std::string text = "BALLOON " + std::string(300, 'x') + "\nNOBALLOON\n";
  const TUTORIAL_DATA t = DemoScript(text);
  U32 offset = 0;
  char line[POS_LINE_SIZE];
  ASSERT_TRUE(U_DEMOSCRIPT_bNextValidLine(&t, &offset, line));
  EXPECT_EQ(POS_LINE_SIZE - 1, strlen(line));
  ASSERT_TRUE(U_DEMOSCRIPT_bNextValidLine(&t, &offset, line));
  EXPECT_STREQ("NOBALLOON", line);
}

TEST(DemoScript, CommandFieldsAndTheErrorsOfMissingOrBadOnes) {
  struct {
    const char* pcLine;
    POS_COMMAND eCommand;
    ERROR_CODE eError;
  } const rows[] = {
      {"wait 2.55", WAIT, NO_ERROR},          {"WAIT", WAIT, ERR_NO_WAIT},
      {"WAIT soon", WAIT, ERR_NO_WAIT},       {"VIEW", CHANGE_VIEW, ERR_NO_VIEW},
      {"VIEW // nothing", CHANGE_VIEW, ERR_NO_VIEW}, {"KEY", CHANGE_KEY, ERR_NO_KEY},
      {"KEY PLUS", CHANGE_KEY, ERR_BAD_KEY},  {"CHAPTER", CHAPTER, ERR_NO_CHAPTER},
      {"MOREINFO", MORE_INFO, ERR_NO_CHAPTER}, {"SET", SET_DB_ITEM, ERR_NO_FCID},
      {"SET SSP 1", SET_DB_ITEM, ERR_NO_FCID}, {"SET SSPL", SET_DB_ITEM, ERR_NO_FCID_DATA},
      {"SET SSPL 0xG1", SET_DB_ITEM, ERR_NO_FCID_DATA}, {"SET SSPL 0x100000000", SET_DB_ITEM, ERR_NO_FCID_DATA},
      {"PHOTO", PHOTO, ERR_NO_NAME},          {"BALLOON 1 2 3", BALLOON, ERR_BALLOON_PARAMETERS},
      {"BALLOON 1 2 300 2 Title", BALLOON, ERR_BALLOON_PARAMETERS},
      {"BALLOON 1 2 300 2 \"Title", BALLOON, ERR_BALLOON_PARAMETERS},
      {"BALLOON 100 100 300 2 \"T\" 150 120", BALLOON, ERR_POINTER_IN_BALLOON},
      {"ENDBALLOONS", BAD_COMMAND, NO_ERROR}, {"EXITMESSAGEBOXES", BAD_COMMAND, NO_ERROR},
  };
  for (const auto& row : rows) {
    const POS_LINE p = DemoParse(row.pcLine);
    EXPECT_EQ(row.eCommand, p.eCommand) << row.pcLine;
    EXPECT_EQ(row.eError, p.eError) << row.pcLine;
  }
}

TEST(DemoScript, ValuesAsTheLanguageDefinesThem) {
  // Whole tenths of a second, the rest dropped.
  for (const auto& row : {std::pair<const char*, U32>{"WAIT 2.55", 2500}, {"WAIT 8", 8000}, {"WAIT 0.09", 0},
                          {"WAIT 1.", 1000}, {"WAIT .5", 500}}) {
    EXPECT_EQ(row.second, DemoParse(row.first).u32WaitMs) << row.first;
  }
  POS_LINE p = DemoParse("SET sspl 0x12");
  EXPECT_EQ(FCID("SSPL"), p.fcid);
  EXPECT_EQ(18u, p.u32Value);
  EXPECT_EQ(18u, DemoParse("SET SSPL 18").u32Value);
  EXPECT_STREQ("SONAR ZOOM", DemoParse("VIEW Sonar Zoom   // the zoom").acName);
  p = DemoParse("KEY CURSOR_RIGHT");
  EXPECT_EQ(HKEY_CURSOR, p.eKey);
  EXPECT_EQ(CURSOR_EAST, p.eCursor);
  p = DemoParse("KEY EXIT");
  EXPECT_EQ(HKEY_EXIT, p.eKey);
  p = DemoParse("SELECTCHAPTER ICE 7 DEFAULT 3");
  EXPECT_EQ(3u, p.u32Default);
  EXPECT_EQ(7u, p.u32Ice);
  EXPECT_EQ(0u, DemoParse("SELECTCHAPTER DEFAULT 100").u32Default) << "numbers lie below 100";
  p = DemoParse("BALLOON 10 20 300 2 \"Chart view\" 500 400");
  EXPECT_EQ(NO_ERROR, p.eError);
  EXPECT_STREQ("Chart view", p.balloon.title);
  EXPECT_EQ(10, p.balloon.llAnchor.x);
  EXPECT_EQ(300u, p.balloon.widthPixels);
  EXPECT_EQ(2, p.balloon.heightLines);
  EXPECT_EQ(500, p.balloon.pointerAnchor.x);
  EXPECT_EQ(-1, DemoParse("BALLOON 10 20 300 2 \"T\"").balloon.pointerAnchor.y);
}

TEST(DemoScript, FieldsAreCutToTheirBuffers) {
  EXPECT_STREQ("ABCDEFGHIJKLMNOPQRS", DemoParse("CHAPTER abcdefghijklmnopqrstuvwxyz").acName);
  EXPECT_STREQ("A234567890123456789", DemoParse("PHOTO a2345678901234567890.png").acName);
  const POS_LINE p = DemoParse(("BALLOON 1 2 300 2 \"" + std::string(60, 't') + "\"").c_str());
  EXPECT_EQ(NO_ERROR, p.eError);
  EXPECT_EQ(POS_TITLE_SIZE - 1, strlen(p.balloon.title));

  std::string text = "BALLOON 1 2 300 2 \"T\"\n";
  for (int i = 0; i < 20; i++) text += std::string(60, 'a' + i) + "\n";
  text += "ENDBALLOON\nWAIT 1\n";
  const TUTORIAL_DATA t = DemoScript(text);
  U32 offset = (U32)text.find('\n');
  char body[POS_TEXT_SIZE];
  ASSERT_EQ(NO_ERROR, U_DEMOSCRIPT_eBalloonText(&t, &offset, body, sizeof body));
  EXPECT_EQ(POS_TEXT_SIZE - 1, strlen(body));
  EXPECT_EQ('\r', body[POS_TEXT_SIZE - 2]) << "the text still ends with its carriage return";
  char line[POS_LINE_SIZE];
  ASSERT_TRUE(U_DEMOSCRIPT_bNextValidLine(&t, &offset, line));
  EXPECT_STREQ("WAIT 1", line) << "the script goes on after ENDBALLOON";
}

TEST(DemoScript, SearchesForAMissingTargetEndAfterOnePass) {
  const std::string text = "CHAPTER A\nBALLOON 1 2 3 4 \"T\"\nline\nMOREINFO B\nWAIT 1\nSUBCHAPTER 12\nENDCHAPTER\n";
  const TUTORIAL_DATA t = DemoScript(text);
  U32 after = 0;
  EXPECT_FALSE(U_DEMOSCRIPT_bFindLine(&t, 30, END_MORE_INFO, nullptr, &after));
  EXPECT_FALSE(U_DEMOSCRIPT_bFindLine(&t, 0, CHAPTER, "B", &after));
  ASSERT_TRUE(U_DEMOSCRIPT_bFindLine(&t, 40, CHAPTER, "A", &after)) << "the search wraps round";
  EXPECT_EQ(text.find('\n'), after);
  ASSERT_TRUE(U_DEMOSCRIPT_bFindLine(&t, 0, SUB_CHAPTER, "12", &after));
  EXPECT_EQ(text.find("ENDCHAPTER") - 1, after);
  char body[POS_TEXT_SIZE];
  U32 offset = (U32)text.find("line");
  EXPECT_EQ(ERR_NO_BALLOON, U_DEMOSCRIPT_eBalloonText(&t, &offset, body, sizeof body));
}

struct DEMO_MARKS {
  std::string text;
  std::vector<POINT> bullets;
  std::vector<POINT> pens;
};

void DemoPut(void* p, char c, POINT* pPen) {
  DEMO_MARKS* m = (DEMO_MARKS*)p;
  m->text += c;
  m->pens.push_back(*pPen);
  pPen->x += 10;
}

void DemoBullet(void* p, const POINT* pCentre) { ((DEMO_MARKS*)p)->bullets.push_back(*pCentre); }

TEST(DemoScript, AnnotationsMoveThePenAndDrawBulletsWithoutBeingPrinted) {
  DEMO_MARKS m;
  const POS_TEXT_SINK sink = {&m, DemoPut, DemoBullet};
  POINT pen = {100, 300};
  ASSERT_EQ(NO_ERROR, U_DEMOSCRIPT_eWalkText("[BULLET]  ab[HSPACE 25]c\n[VSPACE 6]d[ICON 3][bitmap]e[vspace 4]f\r"
                                             "not drawn",
                                             &pen, &sink));
  EXPECT_EQ("abcdef", m.text);
  ASSERT_EQ(1u, m.bullets.size());
  EXPECT_EQ(110, m.bullets[0].x);
  EXPECT_EQ(309, m.bullets[0].y);
  EXPECT_EQ(125, m.pens[0].x) << "15 pixels right of the bullet, blanks after the code skipped";
  EXPECT_EQ(125 + 10 + 10 + 25, m.pens[2].x);
  // A new line is 34 lower; VSPACE at a line start moves only its amount.
  EXPECT_EQ(100, m.pens[3].x);
  EXPECT_EQ(300 - 34 - 6, m.pens[3].y);
  // VSPACE inside a line starts a new one first.
  EXPECT_EQ(100, m.pens[5].x);
  EXPECT_EQ(300 - 34 - 6 - 34 - 4, m.pens[5].y);

  for (const char* bad : {"a[XX 5]b\r", "a[BULLET b\r", "a[B]\r", "a[BU\nLLET]\r"}) {
    POINT at = {0, 0};
    EXPECT_EQ(ERR_BAD_ANNOTATION, U_DEMOSCRIPT_eWalkText(bad, &at, &sink)) << bad;
  }
}

}  // namespace
