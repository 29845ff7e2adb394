// The script of a script fetch exit: its insert_select names the result
// columns, whose lengths and types come from the dictionary; the descriptor
// built here holds one row of results at a time for the cursor's merge.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ctl/curs.h"

// The result descriptor of a script fetch exit (cur->xda, owned by the cursor
// arena). The values lie back to back in `buffer`, in column order, and keep
// their addresses for the life of the cursor: the merge binds to them once.
struct xda_ptr {
  int32_t count = 0;                 // result columns N
  std::vector<char*> values;         // each column's place in buffer
  std::vector<int32_t> lengths;      // byte length of each column, from the dictionary
  std::vector<int16_t> types;        // 2 numeric, 1 character
  std::vector<int16_t> ind_store;    // the indicators themselves
  std::vector<int16_t*> indicators;  // 1 present, -1 null
  int32_t max_count = 0;             // N
  std::vector<const char*> names;    // column names inside `text`
  std::vector<int16_t> name_lens, name_lens2;
  std::string text;          // the SELECT text, cut at FROM, names terminated in place
  std::vector<char> buffer;  // the values (sum of the lengths, plus a terminator)
};

// Parses cur->raw_insert_select into the cursor's result descriptor. Returns
// 0 on success, 1 after reporting (pcc3990, pcc4000, pcc4005 with pcc4010).
int parse_script_exit(curs* cur);

// The cursor's result descriptor, or null when it has none.
inline xda_ptr* script_xda(const curs* cur) { return static_cast<xda_ptr*>(cur->xda); }
