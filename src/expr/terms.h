// The pieces every expression is made of: the fixed operation table, the term
// records (constants, names, columns and the interpreter's work variables),
// the current term table with its free list, and the chain of registered
// memory that is released when the process ends.
#pragma once

#include <cstddef>
#include <cstdint>

struct curs;
struct columns;
struct TERM_TABLE;

// The first word of every entry a lexeme or RPN list points at.
constexpr int32_t ENTRY_OPERATION = 1;
constexpr int32_t ENTRY_TERM = 2;
constexpr int32_t ENTRY_TABLE_END = 3;

struct lex_entry {
  int32_t entry_kind = 0;  // ENTRY_OPERATION, ENTRY_TERM or ENTRY_TABLE_END
};

// A lexeme or RPN list: a zero-terminated array of entries it borrows.
using lexeme = lex_entry*;

// Operation classes and result kinds.
constexpr int16_t OP_OPERATOR = 1;
constexpr int16_t OP_FUNCTION = 2;
constexpr int16_t OP_SEPARATOR = 3;
constexpr int16_t RESULT_LOGICAL = 4;
constexpr int16_t RESULT_NUMERIC = 5;
constexpr int16_t RESULT_OTHER = 6;
// Argument count of ROW: as many as stand before it.
constexpr int16_t VARIABLE_ARGS = -1;
constexpr int MAX_ROW_ARGS = 99;

// Performs one operation on `nargs` bound arguments into `result` (a work
// variable). 0 success, 1 failure (reported).
using oper_proc = int (*)(TERM_TABLE** args, int nargs, TERM_TABLE* result);

struct OPER_ENTRY : lex_entry {
  const char* text;    // the operator or function word
  int16_t op_class;    // OP_OPERATOR, OP_FUNCTION or OP_SEPARATOR
  int16_t arg_count;   // fixed count, or VARIABLE_ARGS
  int16_t precedence;  // higher binds tighter; 0 and 1 are the parentheses
  oper_proc proc;      // null for parentheses and the separator
  int16_t result;      // RESULT_LOGICAL, RESULT_NUMERIC or RESULT_OTHER
};

// The operation table, in its fixed order, closed by an ENTRY_TABLE_END entry.
extern OPER_ENTRY OperationTable[];

// Indexes into OperationTable of the entries the lexer emits by position.
enum oper_index {
  OPX_LPAREN = 0,
  OPX_RPAREN = 1,
  OPX_NEG = 16,
  OPX_COMMA = 20,
  OPX_ROW = 21,
};

// Term types, data types and numeric kinds.
constexpr int16_t T_STRING = 1, T_NUMBER = 2, T_COLUMN = 3, T_NAME = 4, T_VECTOR = 5;
constexpr int16_t D_UNKNOWN = 0, D_STRING = 1, D_INTEGER = 2, D_DOUBLE = 3, D_MAX_VALID = 6;
constexpr int16_t N_NONE = 0, N_INTEGER = 2, N_DOUBLE = 3;
constexpr size_t TERM_TEXT_MAX = 50;
constexpr size_t TERM_CURSOR_MAX = 8;

struct TERM_TABLE : lex_entry {
  int16_t term_type = 0;                    // T_STRING ... T_VECTOR
  int16_t work = 0;                         // 1 for the interpreter's work variables
  char text[TERM_TEXT_MAX + 1]{};           // name or constant text
  char* value = nullptr;                    // current value as text; initially `text`
  int16_t value_owned = 0;                  // `value` is a separate block this term frees
  int16_t data_type = D_UNKNOWN;            // D_UNKNOWN, D_STRING, D_INTEGER or D_DOUBLE
  int32_t ival = 0;                         // numeric value when num_kind is N_INTEGER
  double dval = 0.0;                        // numeric value when num_kind is N_DOUBLE
  int16_t num_kind = N_NONE;                // N_NONE, N_INTEGER or N_DOUBLE
  int16_t bound = 0;                        // binding done (constants, names, columns)
  curs* bound_curs = nullptr;               // column: the cursor whose rows hold the value
  columns* bound_col = nullptr;             // column: the column record
  const columns* bound_list = nullptr;      // column: bound_curs's column list when bound
  int16_t value_len = 0;                    // column: length of the value
  char cursor_name[TERM_CURSOR_MAX + 1]{};  // column: its cursor
  TERM_TABLE* accumulator = nullptr;        // SUM result: the accumulator it came from
  TERM_TABLE* copy = nullptr;               // ROW state: the copies of the last row's values
  TERM_TABLE* vector = nullptr;             // vector result: its elements, chained by next
  TERM_TABLE* next = nullptr;               // next term of the table, chain or free list
  int16_t hidden = 0;                       // SUM or ROW state kept in the table, never named
};

// Term-table state of the process; one table is current at a time.
struct term_state {
  TERM_TABLE* term_tb_anchor = nullptr;    // first term of the current table
  TERM_TABLE* term_tb_end = nullptr;       // its last term
  TERM_TABLE* current_term = nullptr;      // the term being built
  curs* current_cursor = nullptr;          // where unqualified column names are found
  TERM_TABLE* reuse_term_store = nullptr;  // released terms, reused as work variables
  int16_t table_open = 0;                  // open_lexer was called, close_lexer not yet
};
extern term_state terms;

// Called after a fatal expression error has been reported (default: exit(4)).
// The driver registers its quitting path.
void set_expr_fatal(void (*fn)(int code));
[[noreturn]] void expr_fatal(int code);

// Makes the table starting at `anchor` (null: a new empty table) current.
// `anchor` must be a term table (or null); anything else is fatal.
void open_lexer(TERM_TABLE* anchor);
// Stores the current table's anchor into `*anchor_out` and clears the state.
void close_lexer(TERM_TABLE** anchor_out);
void set_term_tb_anchor(TERM_TABLE* anchor);
TERM_TABLE* get_lex_term_tb_anchor();
void set_current_cursor(curs* cur);

// Frees every term of the table starting at `anchor` and its registration.
void free_perm_term_tb(TERM_TABLE* anchor);

// Returns a new term appended to the current table; its value is its text.
TERM_TABLE* chain_to_perm_term_tb(int16_t term_type, int16_t data_type);
// Returns a new unchained term (from the free list when one is there).
TERM_TABLE* alloc_term(int16_t term_type, int16_t data_type);
// Releases a term's owned value; mode 0 frees the term, 1 puts it on the free
// list. free_term also releases the vector chain hanging from it.
void simple_free_term(TERM_TABLE* t, int mode);
void free_term(TERM_TABLE* t, int mode);
// Removes `t` from the current table and frees it. 0, or 1 after reporting.
int unchain_and_free_term(TERM_TABLE* t);
// Checks a term's fields (full tracing). 0 valid, 1 after reporting.
int verify_term(const TERM_TABLE* t);
// Empties the free list (tests and the end of the process).
void free_reuse_store();

// Sets the term's value to a copy of `len` bytes at `src` (zero-terminated),
// in its text field when it fits, else in an owned block.
void set_term_value(TERM_TABLE* t, const char* src, size_t len);

// The memory chain: blocks registered here are released by destroy_memory.
// 0 registered, 1 failed, 2 already registered.
int register_memory(void* block, size_t size);
void unregister_memory(void* block);
// Frees every registered term table (end of process).
void destroy_memory();

// Frees every term table, the free list, the parsed conditions, the select
// environment, the computed cursors' parts and the cache of parsed texts, and
// clears the state (tests, and the end of the process).
void reset_expr_state();

// True when trace level 8 (expressions) is on or full tracing is.
bool expr_tracing();
bool full_tracing();
