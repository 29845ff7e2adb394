// Conditional cursor versions: IF/ELSE/ENDIF in a cursor block become a tree
// of complete cursor records, its versions; before each collection cycle the
// conditions choose the version that is copied into the cursor's place on the
// cursor chain (the slot). Conditions are parsed and evaluated through steps
// that the expression layer registers.
#pragma once

#include "ctl/curs.h"

// One IF statement.
struct IF_NODE {
  IF_NODE* next = nullptr;       // next IF at the same level of the same record
  void* condition = nullptr;     // the parsed condition (expression layer's)
  curs* then_version = nullptr;  // settings while the condition holds
  curs* else_version = nullptr;  // settings otherwise; may be absent
  curs* parent = nullptr;        // the record the IF stands in
};

// Nesting and sequencing of IFs in one block together stay below this.
constexpr int IF_STACK_SIZE = 50;
// Records (IF nodes and cursor copies) the IF tree of one block may hold,
// from its parse through its multiplication: room for 1024 versions of any
// shape; a larger tree is refused with its out-of-memory message.
constexpr int MAX_TREE_RECORDS = 4096;

// What the expression layer provides (registered at start-up).
struct condition_steps {
  // The parsed condition of `text`, or null after reporting.
  void* (*parse)(const char* text);
  // Evaluates `condition` with `cur` as the current cursor: 0 with *value,
  // 1 no result (reported), 2 a result that is no number.
  int (*evaluate)(void* condition, curs* cur, double* value);
};
void set_condition_steps(const condition_steps* steps);

// The start-up edits redone after a version change (registered by the
// driver); 0, or 1 when one failed.
void set_version_redo(int (*redo)());

// Parsing, called for the keywords if, else and endif with the record that
// receives the statements, which each replaces. 0, or 1 after reporting.
int parse_if(curs** cur, const char* text);
int parse_else(curs** cur);
int parse_endif(curs** cur);
// Clears the parse state (a new file, or tests).
void reset_version_parse();

// At the end of `block`'s statements: builds its versions and copies the
// first into `block`. 0, or 1 after reporting.
int edit_curs_version_set(curs* block);

// Copies the parent's definition into the empty fields of `version`.
void merge_curs(const curs* parent, curs* version);

// Chooses the version of `slot` for `time_text`: 1 the slot now holds another
// version, 0 unchanged, -1 after reporting.
int select_cursor_version(curs* slot, const char* time_text);

// Start-up edit run by init_cursors: builds the version chains. 0 on success,
// 1 after reporting.
[[nodiscard]] int define_vers_chain();

// Selects every cursor's version for the time text; 0, or 1 on failure.
int tune_up_cursor_versions(const char* time_text);

// Calls `fn` for the cursor on the chain and for each other version on its
// circular vers_list (a cursor without versions lists itself or nothing).
template <class Fn>
void for_each_version(curs* c, Fn fn) {
  fn(c);
  curs* start = c->vers_list;
  if (!start || start == c) return;
  curs* v = start;
  // The bound guards against a ring that does not close on its start.
  for (int guard = 0; v && guard < 100000; ++guard) {
    if (v != c) fn(v);
    v = v->vers_list;
    if (v == start) break;
  }
}
