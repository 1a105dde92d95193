// All text is TrueType: the embedded faces, a font for every face and size,
// and 8-bit and wide text drawn and measured through FreeType, whose rendered
// glyphs are kept in a fixed cache of the module's own.
#pragma once

#include "g_types.h"

// A bitmap-font glyph; no bitmap font exists, the type serves FONT_DEF.
typedef struct tag_CHAR_DESC {
  const BYTE* pBuffer;
  U32 u32Width;
} CHAR_DESC;

// One font at one size, passed to every text operation. For the fonts of
// myriad_pro_fonts and arialuni_fonts pu8TTFdata points at the renderer's
// private record of that face and size; for the three file descriptors it
// points at the font file and u32MaxWidth holds the file's length.
typedef struct tag_FONT_DEF {
  union {
    const U8* pu8TTFdata;
    const CHAR_DESC* const* ppCharDesc;
  };
  U32 u32Height;            // size index 0..161
  U32 u32Ascender;          // line height in pixels
  U32 u32Descender;         // depth below the baseline in pixels
  U32 u32MaxWidth;          // widest advance in pixels
  U32 u32InterCharSpacing;  // always 0
} FONT_DEF;

typedef enum tag_TTF_SIZE_TYPE {
  TTF_SIZE_0 = 0, TTF_SIZE_1, TTF_SIZE_2, TTF_SIZE_3, TTF_SIZE_4, TTF_SIZE_5, TTF_SIZE_6, TTF_SIZE_7,
  TTF_SIZE_8, TTF_SIZE_9, TTF_SIZE_10, TTF_SIZE_11, TTF_SIZE_12, TTF_SIZE_13, TTF_SIZE_14, TTF_SIZE_15,
  TTF_SIZE_16, TTF_SIZE_17, TTF_SIZE_18, TTF_SIZE_19, TTF_SIZE_20, TTF_SIZE_21, TTF_SIZE_22, TTF_SIZE_23,
  TTF_SIZE_24, TTF_SIZE_25, TTF_SIZE_26, TTF_SIZE_27, TTF_SIZE_28, TTF_SIZE_29, TTF_SIZE_30, TTF_SIZE_31,
  TTF_SIZE_32, TTF_SIZE_33, TTF_SIZE_34, TTF_SIZE_35, TTF_SIZE_36, TTF_SIZE_37, TTF_SIZE_38, TTF_SIZE_39,
  TTF_SIZE_40, TTF_SIZE_41, TTF_SIZE_42, TTF_SIZE_43, TTF_SIZE_44, TTF_SIZE_45, TTF_SIZE_46, TTF_SIZE_47,
  TTF_SIZE_48, TTF_SIZE_49, TTF_SIZE_50, TTF_SIZE_51, TTF_SIZE_52, TTF_SIZE_53, TTF_SIZE_54, TTF_SIZE_55,
  TTF_SIZE_56, TTF_SIZE_57, TTF_SIZE_58, TTF_SIZE_59, TTF_SIZE_60, TTF_SIZE_61, TTF_SIZE_62, TTF_SIZE_63,
  TTF_SIZE_64, TTF_SIZE_65, TTF_SIZE_66, TTF_SIZE_67, TTF_SIZE_68, TTF_SIZE_69, TTF_SIZE_70, TTF_SIZE_71,
  TTF_SIZE_72, TTF_SIZE_73, TTF_SIZE_74, TTF_SIZE_75, TTF_SIZE_76, TTF_SIZE_77, TTF_SIZE_78, TTF_SIZE_79,
  TTF_SIZE_80, TTF_SIZE_81, TTF_SIZE_82, TTF_SIZE_83, TTF_SIZE_84, TTF_SIZE_85, TTF_SIZE_86, TTF_SIZE_87,
  TTF_SIZE_88, TTF_SIZE_89, TTF_SIZE_90, TTF_SIZE_91, TTF_SIZE_92, TTF_SIZE_93, TTF_SIZE_94, TTF_SIZE_95,
  TTF_SIZE_96, TTF_SIZE_97, TTF_SIZE_98, TTF_SIZE_99, TTF_SIZE_100, TTF_SIZE_101, TTF_SIZE_102, TTF_SIZE_103,
  TTF_SIZE_104, TTF_SIZE_105, TTF_SIZE_106, TTF_SIZE_107, TTF_SIZE_108, TTF_SIZE_109, TTF_SIZE_110, TTF_SIZE_111,
  TTF_SIZE_112, TTF_SIZE_113, TTF_SIZE_114, TTF_SIZE_115, TTF_SIZE_116, TTF_SIZE_117, TTF_SIZE_118, TTF_SIZE_119,
  TTF_SIZE_120, TTF_SIZE_121, TTF_SIZE_122, TTF_SIZE_123, TTF_SIZE_124, TTF_SIZE_125, TTF_SIZE_126, TTF_SIZE_127,
  TTF_SIZE_128, TTF_SIZE_129, TTF_SIZE_130, TTF_SIZE_131, TTF_SIZE_132, TTF_SIZE_133, TTF_SIZE_134, TTF_SIZE_135,
  TTF_SIZE_136, TTF_SIZE_137, TTF_SIZE_138, TTF_SIZE_139, TTF_SIZE_140, TTF_SIZE_141, TTF_SIZE_142, TTF_SIZE_143,
  TTF_SIZE_144, TTF_SIZE_145, TTF_SIZE_146, TTF_SIZE_147, TTF_SIZE_148, TTF_SIZE_149, TTF_SIZE_150, TTF_SIZE_151,
  TTF_SIZE_152, TTF_SIZE_153, TTF_SIZE_154, TTF_SIZE_155, TTF_SIZE_156, TTF_SIZE_157, TTF_SIZE_158, TTF_SIZE_159,
  TTF_SIZE_160, TTF_SIZE_161,
  TTF_SIZE_COUNT
} TTF_SIZE_TYPE;

// The embedded font files.
extern const FONT_DEF MyriadPro_Bold_QXcoding;
extern const FONT_DEF MyriadPro_Regular_QXcoding;
extern const FONT_DEF ARIALUNI;

// Filled by G_TRUETYPE_bInit: row 0 the bold face, row 1 the regular face;
// the Unicode face (on a domestic model the regular face stands in for it).
extern FONT_DEF myriad_pro_fonts[2][TTF_SIZE_COUNT];
extern FONT_DEF arialuni_fonts[1][TTF_SIZE_COUNT];

// Sets up FreeType, its caches and every font's metrics; FALSE when FreeType
// cannot be set up. Nothing is drawn or measured before it succeeds.
BOOLEAN G_TRUETYPE_bInit(void);
// The character map of 8-bit text: 1 or 2 as given, 0 for anything else.
void G_TRUETYPE_vSelectFontSet(int nSelectSet);
// ASCII mode: 8-bit text is read as Latin-1 through the face's Unicode map.
void G_TRUETYPE_vSetASCIIMode(BOOLEAN bASCII);

// Draws pText (8-bit, or wide in a wide language) with the left end of its
// baseline at the anchor and moves the anchor's x to the pen position after
// the last glyph drawn. Drawing stops at a glyph that would cross the top or
// bottom of the bitmap or that starts at its right edge.
void G_TRUETYPE_M_vPut(BITMAP* pBmp, const char* pText, POINT* pAnchor, COLOR colorText, const FONT_DEF* pFontPtr);
// The distance G_TRUETYPE_M_vPut moves the pen over the whole text.
U32 G_TRUETYPE_M_u32GetWidth(const char* pText, const FONT_DEF* pFontPtr);
// By size index and style (1 regular, anything else bold, the Unicode face
// in a wide language; there sizes above 130 draw at 130). The anchor is not
// moved; an invalid size draws nothing and measures 0.
void G_TRUETYPE_vPut(BITMAP* pBmp, const char* pText, const POINT* pAnchor, COLOR colorText, U32 u32Height,
                     U32 u32FontStyle);
U32 G_TRUETYPE_u32GetWidth(const char* pText, U32 u32Size, U32 u32FontStyle);
// Numbers with digits, '/' and '-' all as wide as "0", and a smaller decimal
// point; pText is 8-bit text in every language.
void G_TRUETYPE_vPutNumWidthFixed(BITMAP* pBmp, const char* pText, const POINT* pAnchor, COLOR colorText,
                                  U32 u32Height, U32 u32FontStyle);
U32 G_TRUETYPE_u32GetWidthNumWidthFixed(const char* pText, U32 u32Height, U32 u32FontStyle);
// 8-bit text turned by dRotateAngle radians about pptRotateCenter (from the
// text's left end, 32 rows below its baseline), landing on pptAnchor. Text
// whose picture would not fit one heap block is not drawn.
void G_TRUETYPE_M_vPutRotated(BITMAP* pBmp, const char* pText, const POINT* pptAnchor, COLOR colorText,
                              const FONT_DEF* pFontPtr, const POINT* pptRotateCenter, double dRotateAngle);
void G_TRUETYPE_vPutRotated(BITMAP* pBmp, const char* pText, const POINT* pptAnchor, const POINT* pptRotateCenter,
                            double dRotateAngle, COLOR colorText, U32 u32Height, U32 u32FontStyle);
// Where text was drawn, for tests that check what a screen shows: the box
// its glyphs covered, inclusive, x to the right and y up as in the bitmap.
typedef struct tag_G_TEXT_BOX {
  PIXEL left;
  PIXEL bottom;
  PIXEL right;
  PIXEL top;
} G_TEXT_BOX;
typedef void G_TEXT_OBSERVER(const BITMAP* pBmp, const char* pText, const FONT_DEF* pFont, const G_TEXT_BOX* pBox);
// The box the text's glyphs would cover drawn with its anchor at (0, 0),
// without drawing it; FALSE when no glyph would be drawn.
BOOLEAN G_TRUETYPE_M_bInkBox(const char* pText, const FONT_DEF* pFontPtr, G_TEXT_BOX* pBox);
// The observer hears every string drawn into a bitmap from then on (null
// stops it); it runs on the drawing task, after the font lock is released.
void G_TRUETYPE_vSetTextObserver(G_TEXT_OBSERVER* pfnObserver);
// Tells the observer of text drawn without the renderer (a kept picture of
// it); an empty box tells nothing.
void G_TRUETYPE_vTextDrawn(const BITMAP* pBmp, const char* pText, const FONT_DEF* pFont, const G_TEXT_BOX* pBox);

// The glyph cache above FreeType: the glyphs it holds and the bytes of
// coverage they take, of at most G_TRUETYPE_GLYPH_POOL_BYTES.
constexpr U32 G_TRUETYPE_GLYPH_POOL_BYTES = 384 * 1024;
void G_TRUETYPE_vGlyphCacheUse(U32* pu32Glyphs, U32* pu32Bytes);
// Texts kept whole for drawing again: how many are known, the bytes their
// covers take (at most G_TRUETYPE_TEXT_POOL_BYTES), and how often all of
// them were let go for room. A full store's highway labels, about a
// kilobyte of cover each, take more than half a megabyte.
constexpr U32 G_TRUETYPE_TEXT_POOL_BYTES = 1024 * 1024;
void G_TRUETYPE_vTextCacheUse(U32* pu32Texts, U32* pu32Bytes, U32* pu32LetGo);
