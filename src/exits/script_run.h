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

// The driver of the built-in computed cursors, which the expression layer
// registers: given a computed cursor's name and its parameters, it returns
// the cursor's lines (the caller frees them) or null. Null clears.
using internal_driver = r_exec_chain* (*)(const char* name, const char* parms);
void set_internal_driver(internal_driver driver);

// Runs the registered driver with the program (a computed cursor's name) and
// the parameters without their trailing blanks; no lines when none is
// registered.
r_exec_chain* exec_internal(const char* program, const char* parms);

// Builds one row of `cur` from the values now in its result descriptor,
// raising its row number. The merge_text result: 0 when the row could not be
// built.
int merge_xda_row(curs* cur, const char* run_time);
