// The run list of a cursor: follow-up cursors that decodes queue while the
// cursor's rows are built, worked off by the cursor run after the cursor.
#pragma once

#include <cstdint>

struct curs;

// A follow-up cursor queued on a cursor's run_list by a decode action.
struct run_list_entry {
  run_list_entry* next = nullptr;  // next entry, in queuing order
  curs* cursor = nullptr;          // the cursor to run
  int32_t row_no = 0;              // row of the queuing cursor that is current while it runs
};

// Appends a follow-up run of `target` to `owner`'s run_list; row `row_no` of
// `owner` is made current while it runs. An entry for the same cursor and row
// is not queued twice. The list owns the entry until the run that works it off.
void queue_run(curs* owner, curs* target, int32_t row_no);

// Frees the entries from `e` on.
void release_entries(run_list_entry* e);

// Frees every entry of `q`'s run_list.
void release_run_list(curs* q);
