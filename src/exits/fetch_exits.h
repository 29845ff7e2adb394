// Fetch exits: cursors whose rows come from an external program instead of
// SQL. The command line is formed from the cursor's script text, the program
// runs through the process layer, its output lines are parsed into a DB data
// set in one of four layouts and merged into cursor rows like fetched rows.
#pragma once

#include <string>

#include "exits/child_exec.h"

struct curs;
struct _anchorDBdata;

// Start-up edit run by init_cursors: 0 when every fetch exit can run, 1
// after reporting what cannot.
[[nodiscard]] int edit_fetch_exits();

// Runs `cur`'s fetch exit, merging the rows it delivers; `run_time` is the
// run's time text. 0 when rows were merged or a dummy row was set up, 1 when
// the exit produced nothing. last_sqlcode becomes 100 on success, -1 on failure.
[[nodiscard]] int run_cursor_fetch_exit(curs* cur, const char* run_time);

// Lays out the dummy row of `cur` from its result descriptor, unless its
// columns were already laid out by a row.
void setup_exit_dummy(curs* cur);

// Hands the cursor run the step above (start-up calls this once).
void register_fetch_exits();

// Forms the command of `cur`'s script text: the program name with its
// database-type substitutions into `program`, the rest with its host
// variables into `parms` (values quoted so each reaches the program as one
// argument). `what` names the script in messages and `ids` selects the message
// prefix ("fxr" or "ccc"). 0, or 1 after reporting why the command cannot run.
[[nodiscard]] int formatCommand(curs* cur, std::string& program, std::string& parms,
                                const char* ids = "fxr");

// Parses the output `lines` (not freed) of `cur`'s exit in output format
// `format` into `cur`'s DB data set. Returns the number of rows.
int parseCmdResults(curs* cur, int format, const r_exec_chain* lines);

// The DB data set of `cur` (made with its columns on first use), or null when
// the cursor has no result descriptor.
_anchorDBdata* cursor_db_data(curs* cur);

// Merges every row of the cursor's DB data set into cursor rows and frees
// them. 0, or -1 when a row could not be built (the cursor is held).
int merge_DB_DATA2curs(curs* cur, const char* run_time);

// The next word of `*p` as the simple layout reads it, unquoted, into `word`;
// advances `*p`. The word's length, or -1 at the end of the text.
int u_getWord(const char** p, std::string& word);

// Forgets every cursor's DB data (tests start from here).
void reset_fetch_exits();
