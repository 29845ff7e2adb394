// The select descriptor `lda` of one cursor run: what the describe step found
// about each select item and where the fetch places its value and indicator.
// Made at the start of a run's SQL path and freed by `cleanup` at its end.
#pragma once

#include <cstdint>

// Select items one statement may have.
constexpr int MAX_SELECT_ITEMS = 60;
// Longest item name kept.
constexpr int MAX_ITEM_NAME = 30;
// Largest fetch buffer of a character item, and the cap of returned lengths.
constexpr int MAX_COL_LEN = 384;

// Database type codes the collector knows.
enum : int16_t {
  O_CHAR = 1,      // VARCHAR2
  O_NUMBER = 2,    // NUMBER
  O_LONG = 8,      // LONG
  O_ROWID = 11,    // ROWID
  O_DATE = 12,     // DATE
  O_RAWD = 23,     // RAW
  O_LONGRAW = 24,  // LONG RAW
  O_FIXCHAR = 96,  // CHAR
};

struct select_desc {
  int F = 0;                                      // items found; negative when over the maximum
  char S[MAX_SELECT_ITEMS][MAX_ITEM_NAME + 1]{};  // item names, not necessarily terminated
  int16_t C[MAX_SELECT_ITEMS]{};                  // item name lengths
  int16_t T[MAX_SELECT_ITEMS]{};                  // item type codes
  int32_t L[MAX_SELECT_ITEMS]{};                  // fetch buffer lengths in bytes
  char* V[MAX_SELECT_ITEMS]{};                    // value places in the cursor's row area
  int16_t* I[MAX_SELECT_ITEMS]{};                 // indicator places (negative: NULL)
  int32_t col_size_chars[MAX_SELECT_ITEMS]{};     // declared size in characters
  int32_t col_size_bytes[MAX_SELECT_ITEMS]{};     // declared size in bytes
  int16_t nls_flag[MAX_SELECT_ITEMS]{};           // 1 non-Unicode, 2 Unicode, else non-character
  int16_t precision[MAX_SELECT_ITEMS]{};          // NUMBER precision (0: none declared)
  int16_t scale[MAX_SELECT_ITEMS]{};              // NUMBER scale
};
