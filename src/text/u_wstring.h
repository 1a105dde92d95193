// Text in two forms through one set of calls. In an 8-bit language a text is
// bytes ending in a zero byte; in a wide language (22-26) it is 16-bit
// big-endian units ending in a zero unit, kept in char buffers. Lengths are
// always in bytes. "Wide mode" below means the current language is wide or
// the call forces it.
#pragma once

#include "basetypes.h"

// Follows the language setting (SLNG); call whenever it changes. Wide mode
// is the current language's form (nCurrentLanguage), never kept apart.
void U_WSTRING_vUpdateCurrentLanguage(void);
BOOLEAN U_WSTRING_bIsUnicodeLanguage(void);

// Bytes before the terminator.
U32 U_WSTRING_u32w_strlen(const char* pUniStr, BOOLEAN bForceUnicode);
// u32MaxLen is the destination size in bytes (0: unbounded). Like strncpy,
// no terminator is written when the text does not leave room for it.
void U_WSTRING_vw_strncpy(char* pDest, const char* pSource, U32 u32MaxLen, BOOLEAN bForceUnicode);
// Appends at most u32MaxLen bytes of pSource (all when 0) after the end of
// pDest, then the terminator, as strncat does: the destination must hold its
// text, u32MaxLen bytes and the terminator. Nothing past the limit is read.
void U_WSTRING_vw_strncat(char* pDest, const char* pSource, U32 u32MaxLen, BOOLEAN bForceUnicode);
// Wide mode: the difference of the first differing units (the shorter
// text's terminator takes part) over at most u32MaxLen bytes (0: all).
S32 U_WSTRING_s32w_strncmp(const char* pSource1, const char* pSource2, U32 u32MaxLen);
// The same for texts of a language known to the caller, wide or not: texts
// taken from a table by a language index must be compared as that language
// writes them, whatever the language setting says meanwhile.
S32 U_WSTRING_s32w_strncmpAs(const char* pSource1, const char* pSource2, U32 u32MaxLen, BOOLEAN bWideTexts);
// The first character equal to sChar (its low 16 bits in wide mode); 0 finds
// the terminator. NULL when absent.
char* U_WSTRING_pw_strchr(const char* pSource, S32 sChar);
// The first place where the whole of pS2 stands in pS1; an empty pS2 gives pS1.
char* U_WSTRING_pw_strstr(const char* pS1, const char* pS2);
// TRUE for NULL or an empty text.
BOOLEAN U_WSTRING_bIsStringNull(const char* pString);
// TRUE when u16Unicode is u16Char or its full-width form.
BOOLEAN U_WSTRING_bIsCharEqual(U16 u16Unicode, U16 u16Char);

// Wide mode: an 8-bit source becomes wide unit by unit (at most u32MaxLen / 2
// characters, all when 0) and is always terminated, so the destination needs
// u32MaxLen + 2 bytes; a source that already looks wide is copied as
// U_WSTRING_vw_strncpy does. With a limit of 2 or 3 the source is taken as
// 8-bit, since telling a wide one needs a second byte that the limit does
// not cover. 8-bit mode: U_WSTRING_vw_strncpy.
void U_WSTRING_vAscii2Unicode(char* pUnicode, const char* pASCII, U32 u32MaxLen, BOOLEAN bForceUnicode);
// The same, appended after the destination's end and always terminated (the
// destination must hold its text, u32MaxLen bytes and the terminator). An
// already wide source is appended as U_WSTRING_vw_strncat appends it.
void U_WSTRING_vAscii2UnicodeCat(char* pUnicode, const char* pASCII, U32 u32MaxLen);
// Wide mode: narrows a wide text into pASCII, u32MaxLen bytes at most
// including the terminator (0: unbounded): private marks vanish, units below
// 255 stay, U+3000 is a space, full-width forms become ASCII, anything else
// '_'. A source that does not look wide is copied as 8-bit text, terminated
// within the same size. 8-bit mode: strncpy (strcpy for 0).
void U_WSTRING_vUnicode2Ascii(char* pASCII, const char* pUnicode, U32 u32MaxLen, BOOLEAN bForceUnicode);
// In a wide language only: widens an 8-bit text in place in a buffer of
// u32BufferSize bytes; a text that already looks wide is left as it is. What
// does not fit (with its terminator) is cut.
void U_WSTRING_vReplaceNarrowWithWide(char* pString, U32 u32BufferSize);

// Fills a wide template into pUnicodeOut (u32OutSize bytes, always
// terminated when at least 2): each '#' (or full-width '#'; with
// bBraceBracketed also '{' or its full-width form) takes the next argument.
// With bFixedWidth the placeholder and as many following units as the
// argument has are replaced; with bBraceBracketed the template then skips up
// to and including the next '}'. Once the arguments are used up the rest is
// copied unchanged.
void U_WSTRING_vReplaceCrossHatchWithWString(const char* pUnicodeIn, char* pUnicodeOut, U32 u32OutSize,
                                             char** pArgStrings, int nArgCount, BOOLEAN bFixedWidth,
                                             BOOLEAN bBraceBracketed);
// Fills a template of the current language's form into pOut (u32OutSize
// bytes, always terminated when a terminator fits): each {...} (in wide text
// also with full-width braces, or '#') takes the next argument, a text of
// the same form; what does not fit is cut, and places beyond the arguments
// stay as they are.
void U_WSTRING_vFillTemplate(const char* pTemplate, char* pOut, U32 u32OutSize, const char* const* ppArgs,
                             int nArgCount);
// The same with 8-bit arguments, widened first: at most
// U_WSTRING_MAX_NARROW_ARGS of them, each cut at U_WSTRING_MAX_NARROW_ARG_CHARS.
constexpr int U_WSTRING_MAX_NARROW_ARGS = 10;
constexpr U32 U_WSTRING_MAX_NARROW_ARG_CHARS = 15;
void U_WSTRING_vReplaceCrossHatchWithNString(const char* pUnicodeIn, char* pUnicodeOut, U32 u32OutSize,
                                             char** pArgStrings, int nArgCount, BOOLEAN bFixedWidth,
                                             BOOLEAN bBraceBracketed);

