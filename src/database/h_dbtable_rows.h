// The rows of the key table and the order they are kept in; read only by
// the table's own code (h_dbtable.cpp) and its test.
#pragma once

#include "h_dbtable.h"

// Keys in the order of their text, first character first.
constexpr U32 DB_TABLE_u32Order(FOURCHARID id) {
  return (id & 0xFF) << 24 | (id >> 8 & 0xFF) << 16 | (id >> 16 & 0xFF) << 8 | id >> 24;
}

// Whole keys, in that order.
extern const DB_TABLE_ROW* const g_asDbTable;
extern const U32 g_u32DbTableRows;
// Families of keys a task numbers itself ('#' for a digit).
extern const DB_TABLE_ROW* const g_asDbTablePatterns;
extern const U32 g_u32DbTablePatterns;
