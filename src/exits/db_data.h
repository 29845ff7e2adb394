// The DB data model: a small in-memory result set for rows that do not come
// from SQL (a fetch exit's parsed output), and convertData, which places one
// value into a column in text or binary form.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct _anchorDBX;

// One column of a DB data set.
struct _columnData {
  int16_t kind = 1;         // 1 text, 2 numeric
  int16_t data_type = 1;    // eDATATYPE: 1 text
  char type_letter = 'C';   // C text, N numeric
  char name[47] = {};       // up to 46 characters
  int16_t display_len = 0;  // width of the value when shown
  int16_t max_len = 0;      // bytes the value may take
  int16_t offset = 0;       // in the row buffer: the sum of the max lengths before it
  int16_t ordinal = 0;      // 1-based
};

// One row: its buffer of maxRowSize bytes and per column where its value lies.
struct _rowData {
  std::unique_ptr<_rowData> next;
  std::vector<char> buffer;
  std::vector<int16_t> indicator;  // 1 set, -1 no value given
  // The value of column i (0-based), terminated.
  char* value(const struct _anchorDBdata& set, size_t i);
};

// One result set.
struct _anchorDBdata {
  _anchorDBdata* related_next = nullptr;  // chain of related sets
  bool has_rows = false;
  int16_t set_id = 0;
  int16_t maxRowSize = 1;  // sum of the column lengths plus 1
  int16_t column_count = 0;
  int32_t row_count = 0;     // current rows
  int32_t rows_created = 0;  // rows made since the set was made
  std::vector<_columnData> Acoldata;
  std::unique_ptr<_rowData> first_row;
  _rowData* last_row = nullptr;
  _anchorDBX* owner = nullptr;
};

// The anchor of a cursor's DB data sets.
struct _anchorDBX {
  std::string ident[3];                              // the database identification values
  std::vector<std::unique_ptr<_anchorDBdata>> sets;  // the anchor's chain, oldest first
  _anchorDBdata* current = nullptr;
};

// A new anchor with the three identification strings (null: empty).
std::unique_ptr<_anchorDBX> DBX_init(const char* a, const char* b, const char* c);

// The set with identifier `id` among `related` and the sets chained after it,
// or a new set owned by `anchor` (appended to its chain, made current).
_anchorDBdata* DB_DATA_init(_anchorDBX* anchor, _anchorDBdata* related, int16_t id);

// Makes `count` columns, ordinals 1..count, once; later calls return the
// existing array. Returns the first column.
_columnData* COLUMN_DATA_init(_anchorDBdata* set, int count);

// Lays the columns out (offsets, maxRowSize) after their lengths were set.
void COLUMN_DATA_layout(_anchorDBdata* set);

// A new last row of `set`, blank values, every indicator -1.
_rowData* ROW_DATA_init(_anchorDBdata* set);
_rowData* ROW_DATA_get_first(_anchorDBdata* set);
_rowData* ROW_DATA_get_next(_rowData* row);
// Frees the last row of `set` (one that received no values).
void ROW_DATA_drop_last(_anchorDBdata* set);
// Frees every row of `set`.
void ROW_DATA_free(_anchorDBdata* set);

// From the last related set of `set` backwards: mode 'r' frees the rows, 'c'
// also the column arrays, 'a' also the sets themselves (then `set` dangles).
void freeDBresults(_anchorDBdata* set, char mode);

// convertData option bits.
enum : int {
  CD_PAD = 1,           // blank-fill the text to the target length
  CD_RIGHT = 2,         // right-align in a blank-filled target
  CD_NO_RIGHT_BIN = 4,  // do not right-align a binary source
  CD_QUOTE = 8,         // quote a value that holds a blank
  CD_TRIM = 16,         // remove trailing white space from the source
  CD_NO_NUL = 32,       // no terminating zero byte
};

// Converts the value at `src` (`src_len` bytes, negative: up to its NUL; type
// 1 text, 2 binary integer of 2, 4 or 8 bytes) into `target` (`target_len`
// bytes of type 1 text, or 2 binary integer of 1, 2 or 4 bytes; a text target
// needs target_len + 1 bytes unless CD_NO_NUL). Returns the bytes placed; 0
// when text for a binary target is not a number (diu4030 warning).
int convertData(int target_len, char* target, int target_type, int src_len, const char* src,
                int src_type, int options);
