// Script fetch exits at run time: the script's command run, its output lines
// read word by word into the cursor's result descriptor and merged as rows.
#pragma once

#include "exits/child_exec.h"

struct curs;

// Runs `cur`'s script (exit number 9: the built-in driver, else the program
// through u_exec) and merges a row per data line. 0 when rows were delivered
// or the program produced nothing (last_sqlcode -1 then); 1 after a merge
// failure (the cursor is held) or a host variable that cannot be filled.
int parse_script_text(curs* cur, const char* run_time, int exit_number);

// The built-in computed cursors' driver: given the program (a computed
// cursor's name) and its parameters; answers no lines for every name.
r_exec_chain* exec_internal(const char* program, const char* parms);

// Builds one row of `cur` from the values now in its result descriptor,
// raising its row number. The merge_text result: 0 when the row could not be
// built.
int merge_xda_row(curs* cur, const char* run_time);
