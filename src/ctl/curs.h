// The cursor record `curs` and the column record `columns`: one cursor
// definition of COLLECT.CTL with its run-time state, samples and clause chains.
// Records live in cursor_arena() and link with plain pointers, so a version is
// a struct copy that shares its parent's column list and clause chains.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ctl/operate.h"
#include "platform/db_client.h"

// Clause records hanging from a cursor (defined with their parsers).
struct pre_cursor;
struct iterate;
struct in_list;
struct base;
struct m_anch;
struct decode;
struct cxl_ptr;
struct set_len;
struct load_ptr;
struct lp_ptr;
struct i_ptr;
struct fetch_ex;
struct e_ptr;
struct run_list_entry;
struct text_row;
struct curs;
struct merge_piece;
struct IF_NODE;

// The widest record a cursor may send: record offsets and lengths are 16-bit.
constexpr int32_t MAX_ROW_RECORD = 32767;

// One host variable of the model INSERT: a selected column.
struct columns {
  columns* next = nullptr;
  int16_t name_len = 0;    // length of name, at most 49
  char name[50] = {};      // select expression or column name
  int16_t orig_type = 0;   // database data type
  int16_t data_type = 0;   // data class of the value: 1 character data
  int16_t fmt_len = 0;     // formatted length
  int16_t db_len = 0;      // database data length
  int16_t col_funct = 0;   // 1 MIN 2 MAX 3 AVG 4 WAVG 5 TREND 6 SUM 7 HW 8 LW 9 COUNT
  int16_t occurrence = 0;  // select-list position for n! addressing, 0 by name
  int32_t offset = 0;      // offset in the row buffer
  int16_t num_type = 0;    // forced type: 1 INT! 2 FLOAT! 3 TS! 4 NS! 5 INT64!
  int16_t qualified = 0;   // the name contains a period
  int16_t set_length = 0;  // length after ^, overrides fmt_len

  // --- row formatting and merge (rows/) ---
  int16_t record_offset = 0;     // offset of the value in the row_record
  int16_t col_ordinal = 0;       // position in the column list, from 1
  const char* source = nullptr;  // where the value is read from; null for math columns
  const int16_t* indicator =
      nullptr;                    // null indicator of the source (negative: NULL); null: present
  int16_t water_set = 0;          // a high or low water mark is kept
  std::vector<char> water_value;  // the kept water mark, fmt_len bytes

  curs* src_cur = nullptr;     // qualified column: the cursor (or version) it reads
  columns* src_col = nullptr;  // qualified column: the column it reads there

  // --- derived columns (derive/) ---
  m_anch* math = nullptr;       // the math definition computing this column
  cxl_ptr* col_exit = nullptr;  // first exit of this column's chain
};

// One INSERT column name.
struct host_col {
  host_col* next = nullptr;
  char name[50] = {};
};

struct curs {
  curs* next = nullptr;     // next cursor on cur_anchor, file order
  char cur_name[9] = {};    // cursor name, at most 8 characters
  char last_time[15] = {};  // YYYYMMDDHHMMSS of the last run
  int32_t window_open = 0;  // current operating window, relative seconds
  int32_t window_close = 0;
  int32_t stale = 0;                            // stale time of a demand cursor's rows
  int16_t virtual_ = 0;                         // "virtual": no database work of its own
  int16_t empty = 0;                            // rows are deleted before each run
  int16_t demand = 0;                           // runs only on probe demand
  int16_t once = 0;                             // not run again once it holds rows
  int16_t no_sql = 0;                           // runs no SQL
  int32_t interval = 0;                         // seconds between runs
  std::string select;                           // the executable SELECT
  std::string table_name;                       // probe table name
  std::string insert_table;                     // table named in the model INSERT
  int16_t raw_has_brackets = 0;                 // raw_insert_select contains '['
  std::string raw_insert_select;                // insert_select text
  std::string insert;                           // model INSERT, rewritten by compact_insert
  std::string sel_piece;                        // SELECT piece kept for host-variable merging
  int16_t hv_count = 0;                         // host variables seen
  std::string insert_where;                     // insert_where condition
  columns* column_list = nullptr;               // select columns in order of appearance
  int16_t ins_col_count = 0;                    // INSERT column names
  host_col* host_cols = nullptr;                // INSERT column names, in order
  char hold = 0;                                // 'Y' when held
  int16_t has_col_funct = 0;                    // some column has a function other than HW!/LW!
  int16_t has_min_max = 0;                      // some column has MIN! or MAX!
  int32_t limit = 0;                            // maximum rows kept
  int32_t time_limit = 0;                       // row retention, seconds
  int32_t row_size = 0;                         // formatted row length
  int16_t history = 0;                          // history applies
  int32_t class_ = 0;                           // cursor class 0..50
  int16_t samples = 0;                          // samples kept
  std::string uuidbase, uuidpavc, uuidpcvc;     // probe table identifiers, at most 36 characters
  int32_t rpc_version = 0, objid = 0, set = 0;  // probe table attributes
  int16_t show_cursor = 0, show_row = 0;        // diagnostics
  load_ptr* loads = nullptr;                    // load texts
  lp_ptr* parsed_loads = nullptr;               // parsed loads
  pre_cursor* pre_cursors = nullptr;            // cursors run first
  struct iterate* iterate = nullptr;            // cursor whose rows drive the iteration
  in_list* in_lists = nullptr;                  // in-list clauses
  base* bases = nullptr;                        // base clauses
  m_anch* math = nullptr;                       // math clauses
  decode* decodes = nullptr;                    // decode clauses, one per column
  cxl_ptr* col_exits = nullptr;                 // column exits
  set_len* set_lens = nullptr;                  // set_len clauses
  char age_to[9] = {};                          // target cursor of aged copies
  fetch_ex* fetch_exit = nullptr;               // selected fetch exit (owned copy in the arena)
  int16_t start_after = 0, stop_after = 0;      // script line counts
  std::string script;                           // script text of a script fetch exit
  void* xda = nullptr;                          // result descriptor of a script fetch exit
  int32_t last_sqlcode = 0;                     // status of the last SQL step or fetch-exit run
  char last_sqlcode_text[17] = {};              // the same, right-aligned in 16 characters
  i_ptr* iterate_where = nullptr;               // iterate_where clause
  int16_t dummy_last_row = 0;                   // always append a dummy last row
  int16_t conditional_dummy_last_row = 0;       // append one conditionally
  int16_t trace = 0, traced = 0, tracem = 0;    // per-cursor trace flags
  IF_NODE* if_chain = nullptr;                  // IF statements written in this record, in order
  IF_NODE* parent_if = nullptr;                 // for a then- or else-version: its IF
  curs* conditional = nullptr;                  // every version of a block with IFs: its root
  curs* tree_place = nullptr;                   // version: itself; slot: the version copied in
  curs* vers_list = nullptr;                    // circular chain of the block's versions
  char vers_time[15] = {};                      // time text of the last version selection
  int16_t held_by_definition = 0;               // this version's definition says hold
  e_ptr* evals = nullptr;                       // evaluation records
  operate* saturday = nullptr;                  // operating windows per day class
  operate* sunday = nullptr;
  operate* mon_fri = nullptr;

  // --- scheduling and runs (driver/) ---
  text_row* first_row = nullptr;    // first row of the row chain
  text_row* current_row = nullptr;  // row that other cursors' host variables read
  int32_t row_count = 0;            // rows in the chain
  int32_t sample_no = 0;            // number of the newest sample
  int16_t rows_changed = 0;         // set whenever rows are deleted
  int32_t next_time = 0;            // next interval run, relative seconds
  int32_t stale_at = 0;             // when a demand cursor's rows expire
  int32_t previous_start = 0, run_start = 0, run_end = 0;  // run timing, relative seconds
  int32_t execution_time = 0;                              // run_end - run_start
  int32_t current_interval = 0;                            // run_start - previous_start
  run_list_entry* run_list = nullptr;  // follow-up cursors queued by decode actions
  int16_t held_below = 0;              // hold source: held by a decode's "below" action
  int16_t held_by_decode = 0;          // hold source: held by a decode's hold action
  int16_t held_other = 0;              // hold source: held otherwise

  // --- database session and row formatting (rows/) ---
  text_row* last_row = nullptr;    // newest row, the tail of the row chain
  int32_t length = 0;              // text length of a stored row
  int32_t rows_this_run = 0;       // rows fetched by the current run; numbers the rows
  int32_t last_run_time = 0;       // start of the last run, relative seconds
  int16_t cols_resolved = 0;       // column sources and offsets fixed by the first row
  int16_t new_data = 0;            // rows arrived since the column-function row was built
  int16_t new_data_eval = 0;       // rows arrived since the evaluator last looked
  int16_t history_pending = 0;     // rows arrived since history was last written
  int16_t fmt_trace = 0;           // show the next formatted record, then clear
  int16_t lengths_set = 0;         // set_len names matched; their lengths apply at every run
  int16_t pre_copy = 0;            // age-to: hand the old rows over before the first new row
  int16_t post_copy = 0;           // age-to: hand the rows over after the run
  curs* aged_copy = nullptr;       // age-to: the cursor that receives this one's previous sample
  int16_t copy_marker = 0;         // age-to: this cursor is a copy receiving another's rows
  std::vector<char> row_area;      // fetch buffer of the select items, end to end
  std::vector<int16_t> ind_area;   // one null indicator per select item
  std::vector<int32_t> item_lens;  // buffer lengths of the select items row_area is laid out for
  // By select-list position: the type an item without a declared type last
  // took from a value (type 0: none yet).
  std::vector<db_item> value_types;
  merge_piece* merge_pieces = nullptr;  // the insert_select text cut at its host variables
  std::vector<char> dummy_text;         // text of the dummy last row, made once per layout

  // --- column functions (rows/) ---
  text_row* function_row = nullptr;  // summary row, made at the first need and kept
  int32_t function_len = 0;          // text length function_row was made for
  text_row* min_max_row = nullptr;   // row MIN!/MAX! chose, only while function_row is built
  int32_t exit_rows = 0;             // rows merged from fetch-exit data (COUNT! prefers it)
};
