// Age-to copies, history files and loads: rows handed from one cursor to
// another after a run, written to history files, or loaded into other
// cursors' columns.
#pragma once

#include <string_view>

struct curs;
struct columns;
struct decode;
struct text_row;

// Start-up edit run by init_cursors: binds every age_to name to its target,
// which becomes a copy of the source (one per version of a versioned source).
// 0 on success, 1 after reporting.
[[nodiscard]] int edit_age_to();

// Turns `target` into an age-to copy of `source`: the source's definition with
// the target's own name, chain link, age_to, aged_copy and rows, fresh column
// records, no clauses of its own; a demand cursor. Both get post_copy.
void make_age_to_copy(curs* target, curs* source);

// Gives the target of a versioned source the definition of the copy made for
// its default version, keeping the target's ring of copies.
void age_to_default_vers(curs* target, curs* default_version);

// Hands `cur`'s rows over to its age-to copy (nothing without one). After a
// post-copy both hold the same rows until the next hand-over; the row chain
// frees them once (row_chain.h).
void do_copy(curs* cur);

// Fills the load targets of `cur` from the run that fetched `rows` rows.
// Returns 0.
int process_loads(curs* cur, int rows);

// Writes `value` into the target place `place` of column `target`: blanks
// stripped at both ends, right-aligned (last characters kept) when `number`,
// else left-aligned (first characters kept). Traces with `cur`'s tracing, naming
// `source` (null for an aggregate). Returns 0.
int set_one_var(const columns* source, const columns* target, char* place, std::string_view value,
                curs* cur, bool number);

// The history writer ("historian") at pass time `time_text` (14 characters):
// appends the pending rows of every history cursor to <coll_home>/<name>.HST.
// 0, or 1 when a history file cannot be opened or written.
[[nodiscard]] int do_history(const char* time_text);

// What loads need from the derived-column layer: the load condition and the
// most frequent value. A step not registered makes the load skip that form.
struct load_steps {
  // True when `row` of `cur` meets the load condition `where`.
  bool (*where_holds)(curs* cur, const decode* where, const text_row* row);
  // The row of `cur` whose value of `col` occurs most often, or null.
  text_row* (*max_occurance)(curs* cur, const columns* col);
  // Column function `source` (its col_funct) over `cur`'s rows into `out`
  // (its fmt_len bytes): 0, or 1 when it cannot be computed.
  int (*col_function)(curs* cur, columns* source, char* out);
};

// Registered steps (borrowed; must outlive their use). Null clears.
void set_load_steps(const load_steps* steps);
const load_steps* registered_load_steps();
