// Tests of machinery that takes any key (layers, the shutdown, the store, the
// database itself) make keys of their own. While one of these lives, the key
// table's check lets such keys through; keys the table has are still held to
// their types.
#pragma once

#include "h_database.h"

struct TEST_OWN_KEYS {
  TEST_OWN_KEYS() { H_DATABASE_vAllowKeysOutsideTable(TRUE); }
  ~TEST_OWN_KEYS() { H_DATABASE_vAllowKeysOutsideTable(FALSE); }
  TEST_OWN_KEYS(const TEST_OWN_KEYS&) = delete;
  TEST_OWN_KEYS& operator=(const TEST_OWN_KEYS&) = delete;
};
