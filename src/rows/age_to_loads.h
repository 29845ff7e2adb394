// Age-to copies, history files and loads: rows handed from one cursor to
// another after a run, written to history files, or loaded into other
// cursors' columns.
#pragma once

struct curs;

// Start-up edits run by init_cursors: 0 on success, 1 after reporting.
[[nodiscard]] int edit_age_to();
[[nodiscard]] int edit_loads();

// Hands `cur`'s rows over to its age-to copy.
void do_copy(curs* cur);

// Fills the load targets of `cur` from the run that fetched `rows` rows.
int process_loads(curs* cur, int rows);

// The history writer ("historian"): 0, or 1 when a history file cannot be
// opened.
[[nodiscard]] int do_history(const char* time_text);
