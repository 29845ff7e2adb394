// The internal select: a select list and an optional where clause evaluated
// row by row over a cursor's collected rows, with runs of equal plain values
// grouped and SUM accumulating within each run, the last run's result stored
// into the caller's target. Also one-column reads and typed variables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "expr/terms.h"

struct curs;
struct r_exec_chain;

// Kinds of a prepared statement part.
constexpr int16_t LB_SELECT_LIST = 4;
constexpr int16_t LB_WHERE = 5;

// Target types of perform_select and select_column.
constexpr int TARGET_TEXT = 1;     // const char**: the first value's text
constexpr int TARGET_INTEGER = 2;  // int32_t*
constexpr int TARGET_FLOAT = 3;    // float*
constexpr int TARGET_ROW = 4;      // r_exec_chain**: a line per group (values blank-separated)
constexpr int TARGET_NONE = 5;     // accepted, stores nothing

// One prepared statement part, kept by the caller between selects so that its
// text is parsed once. Zero-initialised means empty; free_lex_block empties it.
struct lex_block {
  std::string text;             // the source text as given
  char cursor_name[9] = {};     // cursor the part was prepared for
  int16_t kind = 0;             // LB_SELECT_LIST or LB_WHERE
  lexeme* rpn = nullptr;        // the RPN list (owned)
  int32_t rpn_bytes = 0;        // its size in bytes, end marker included
  lexeme* work = nullptr;       // room for the copy each row consumes (owned)
  TERM_TABLE* table = nullptr;  // the term table its terms belong to
  bool complete = false;        // prepared and usable
};

// Empties `lb` (its term table stays with the select environment).
void free_lex_block(lex_block* lb);

// The text appended to every select list: its last argument to ROW.
const char* get_row_function_arg_part();

// True when `lb` already holds `text` prepared for `cursor_name` as `kind`;
// otherwise empties it.
bool check_lex_bl(lex_block* lb, const char* text, const char* cursor_name, int16_t kind);

// Prepares a select list (",rfa" appended, a ROW entry after the last
// lexeme) or a where clause into `lb`, from the block itself, the process-wide
// cache or a fresh parse. 0, or 1 when the text does not parse (reported).
int ed_parse_sel_list(lex_block* lb, const char* text, const char* cursor_name);
int parse_where(lex_block* lb, const char* text, const char* cursor_name);

// The process-wide cache of parsed statement parts, looked up by text,
// cursor name and kind. find_lex_block fills `lb` on a hit.
constexpr int LEX_FOUND = 0, LEX_NOT_FOUND = 1, LEX_ERROR = 2;
int find_lex_block(lex_block* lb, const char* text, const char* cursor_name, int16_t kind);
// Adds a copy of the prepared `lb`. 0, or 1 when memory is short.
int store_lex_block(const lex_block* lb);
// Empties the cache.
void free_w_list();

// The select environment. start_exec_sql makes the term table at `anchor`
// (null: a new one) current; end_exec_sql stores the table's anchor into
// `*anchor_out` (kept by the caller for the next start) and closes the
// environment. Texts handed to TARGET_TEXT targets stay valid until then.
void start_exec_sql(TERM_TABLE* anchor);
void end_exec_sql(TERM_TABLE** anchor_out);
bool exec_sql_open();
// Closes the environment without handing its table back (tests, the end of
// the process); the table goes with the memory chain.
void reset_select_env();
// Stops the process ("SEL1010") unless the select environment is open.
void require_exec_sql();
// The lexer's current table, else the select's.
TERM_TABLE* get_active_term_tb_anchor();

// Runs a select of `list_text` over the current sample of the cursor named
// `cursor_name` (exact), rows filtered by `where_text` when it is not null.
// The prepared parts are kept in `list` and `where` (required with
// `where_text`). Returns 0 (a result was
// stored into `target` by `target_type`), 100 (no row qualified, or the
// cursor has no rows: the target is untouched) or 1 (reported).
// The select environment must be open, else the process stops.
int perform_select(lex_block* list, const char* list_text, const char* cursor_name, void* target,
                   int target_type, lex_block* where = nullptr, const char* where_text = nullptr);

// The steps of a select, in order. open_select_cursor: 0 with the cursor
// before its first row, 100 when its current sample is empty (reported).
// fetch_next_row: 0 on the next row (the columns read it), 100 after the
// last, 1 when `cur` is not the open cursor. close_select_cursor: 0 with the
// columns on the last row again, or 1 (reported). evaluate_row: 1 the where
// clause holds for the current row, 0 it does not, 2 the row is ignored
// (reported). process_row: the select list's result for the current row, or
// null (row status 1, reported). dispose_result stores `result` into the
// target and releases it: 0, or 1 (reported).
int open_select_cursor(curs* cur);
int fetch_next_row(curs* cur);
int close_select_cursor(curs* cur);
int evaluate_row(lex_block* where, curs* cur);
TERM_TABLE* process_row(lex_block* list, curs* cur);
int dispose_result(TERM_TABLE* result, void* target, int target_type);

// Reads column `column_name` of the cursor's current row. `*term` is the
// caller's binding (null at first; made in the select's term table and
// re-bound when the cursor's columns change). With `var_name` the value is
// also given to that name in the term table (TARGET_TEXT requires one; the
// target then points at the variable's value). 0, or 1 after reporting.
int select_column(const char* column_name, const char* cursor_name, void* target, int target_type,
                  const char* var_name, TERM_TABLE** term);

// Gives the name `name` of the current term table (made when missing) the
// value at `value`: type 1 a zero-terminated text, 2 int32_t, 3 float.
// Expressions that name it read that value. 0, or 1 after reporting.
int declare_C_var(const char* name, int data_type, const void* value);

// Conversions of result and column texts, blanks at either end ignored:
// a base-10 integer, else a floating number truncated toward zero (clamped
// to 32 bits); a floating number. False when the text is neither.
std::string trim_blanks(const char* s);
int32_t truncated_int(double v);
bool text_to_int(const char* s, int32_t* out);
bool text_to_double(const char* s, double* out);

// Appends a copy of `text` as a line to `*chain`. The caller frees the chain
// (u_free_r_chain). Memory exhaustion stops the process.
void chain_internal_res(const char* text, r_exec_chain** chain);

// The built-in computed cursors: runs the procedure named `name` with
// `parms` and returns its lines, or null ("CMP010" for an unknown name).
r_exec_chain* comp_curs_driver(const char* name, const char* parms);

// Hands comp_curs_driver to the script exits (start-up, and tests).
void register_computed_cursors();

// Forgets every procedure's term table and prepared parts (the tables
// themselves are freed with the memory chain).
void reset_computed_cursors();
