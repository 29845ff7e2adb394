// The answers to the status control words: "C-STATUS" (one record per
// cursor), "D-STATUS" (one per process definition) and "C-LAYOUT" (one per
// column of a named cursor). The record layouts are in comm/status_record.h.
#pragma once

#include "comm/status_record.h"

struct curs;
struct curs_list;
struct distributor;

// The status images of one cursor and one process record.
cursor_status cursor_status_of(const curs& c);
process_status process_status_of(const distributor& d);

// The column layout of `c`, in column order. Lays out c's record first
// (get_row_size), so offsets and the record size are those of the records
// the next answer carries. Known from start-up on; while a text column's
// length waits for the cursor's first row, the record size is 0.
std::vector<column_layout> column_layouts_of(curs* c);

// Fills `entry` with one cursor status record per cursor on the cursor chain,
// in chain order. Returns 0.
int answer_c_status(curs_list* entry);

// Fills `entry` with one process status record per process, in file order.
// Returns 0.
int answer_d_status(curs_list* entry);

// Fills `entry` with the column layout records of the cursor named `name`
// (may be null). Returns 0, or 1 (no rows) when no cursor has that name.
int answer_c_layout(curs_list* entry, const char* name);

// The cursor named exactly `name` on the cursor chain, or null.
curs* find_request_cursor(const char* name);
