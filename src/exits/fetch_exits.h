// Fetch exits: cursors whose rows come from an external program instead of
// SQL, merged through the same row steps.
#pragma once

struct curs;

// Start-up edit run by init_cursors: 0 when every fetch exit can run, 1
// after reporting what cannot.
[[nodiscard]] int edit_fetch_exits();

// Runs `cur`'s fetch exit, merging the rows it delivers; `run_time` is the
// run's time text. 0 when rows were merged, 1 when the exit produced nothing.
[[nodiscard]] int run_cursor_fetch_exit(curs* cur, const char* run_time);

// Hands the cursor run the step above (start-up calls this once).
void register_fetch_exits();
