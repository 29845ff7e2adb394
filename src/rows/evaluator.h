// The evaluator: predicate rows built from the eval file's evaluations over
// the collected rows.
#pragma once

struct distributor;

// Runs the evaluator process `d` ("evaluator") at `time_text`: 0, or the
// failure of its last predicate-row build.
int do_evaluator(const char* time_text, distributor* d);
