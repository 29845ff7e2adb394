// The select descriptor `lda` of one cursor run: what the describe step found
// about each select item and where the fetch places its value and indicator.
// Made at the start of a run's SQL path and freed by `cleanup` at its end.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/db_client.h"

// Select items one statement may have.
constexpr int MAX_SELECT_ITEMS = 60;
// Longest item name kept.
constexpr int MAX_ITEM_NAME = 30;
// Largest fetch buffer of a character item, and the cap of returned lengths.
constexpr int MAX_COL_LEN = 384;

// Database type codes the collector knows.
constexpr int16_t O_CHAR = 1;      // VARCHAR2
constexpr int16_t O_NUMBER = 2;    // NUMBER
constexpr int16_t O_LONG = 8;      // LONG
constexpr int16_t O_ROWID = 11;    // ROWID
constexpr int16_t O_DATE = 12;     // DATE
constexpr int16_t O_RAWD = 23;     // RAW
constexpr int16_t O_LONGRAW = 24;  // LONG RAW
constexpr int16_t O_FIXCHAR = 96;  // CHAR

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

  db_descriptor client{MAX_SELECT_ITEMS};  // the client's descriptor: buffers, returned lengths
  std::unique_ptr<db_statement> cursor;    // the database-side cursor of the run
};
