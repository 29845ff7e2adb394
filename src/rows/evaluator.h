// Column functions and the evaluator: function rows over a cursor's samples,
// and predicate rows built from the eval file's evaluations over the collected
// rows.
#pragma once

struct distributor;

// Start-up edit run by init_cursors: 0 when column functions and the
// evaluator can run, 1 after reporting what cannot.
[[nodiscard]] int edit_column_functions();

// Runs the evaluator process `d` ("evaluator") at `time_text`: 0, or the
// failure of its last predicate-row build.
[[nodiscard]] int do_evaluator(const char* time_text, distributor* d);
