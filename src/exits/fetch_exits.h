// Fetch exits: cursors whose rows come from an external program instead of
// SQL, merged through the same row steps.
#pragma once

struct curs;

// Runs `cur`'s fetch exit, merging the rows it delivers; `run_time` is the
// run's time text. 0 when rows were merged, 1 when the exit produced nothing.
int run_cursor_fetch_exit(curs* cur, const char* run_time);

// Hands the cursor run the step above (start-up calls this once).
void register_fetch_exits();
