// The values menu rows edit: which choice a key holds, the text a row shows
// for it, the next value east or west, and the write itself.
//
// Sliders work in the units the user chose for the key's data type: the
// limits entry of that unit is used (else the unit-less entry, else the
// first), values are converted to and from the database's internal unit, and
// stored in the key's own form.
#pragma once

#include "basetypes.h"
#include "g_fonts.h"
#include "h_database.h"
#include "t_menustore.h"
#include "u_menupanel.h"

// One write a step asks for.
typedef struct tag_MENU_WRITE {
  FOURCHARID key;
  DATA_FORMAT eForm;  // DF_FLOAT, DF_SIGNED32 or DF_UNSIGNED32
  DB_DATA_TYPE value;
} MENU_WRITE;

constexpr U32 MENU_VALUE_TEXT = 96;  // a value text's buffer, wide form included

// The index of the choice the key holds; MENU_NO_ROW when the key is
// missing, not valid or holds none of the values.
U32 T_MENUVALUE_u32Choice(const MENU_VALUE* pValue);

// The text a row shows (nLanguage's form), where it stands among its values
// (arrows), and a bar's fill. "--" for a value that is not known.
void T_MENUVALUE_vShow(const MENU_VALUE* pValue, BOOLEAN bLoop, unsigned nLanguage, char* pBuffer, U32 u32Size,
                       MENU_CHOICE_POSITION* pePosition, float* pfFraction);
// The widest text the value can show, in pixels of pFont.
U32 T_MENUVALUE_u32Widest(const MENU_VALUE* pValue, unsigned nLanguage, const FONT_DEF* pFont);

// The value u32Steps steps east (nDirection 1) or west (-1) of the stored
// one. FALSE, with nothing to write, when the key is refused: no choices, or
// an end reached without bLoop.
BOOLEAN T_MENUVALUE_bNext(const MENU_VALUE* pValue, int nDirection, U32 u32Steps, BOOLEAN bLoop, MENU_WRITE* pWrite);
// Writes at priority 2 and logs it; TRUE when the database took it.
BOOLEAN T_MENUVALUE_bWrite(const MENU_WRITE* pWrite);
