// The cursor file COLLECT.CTL: one `curs` record per cursor block, with its
// columns from the host variables, chained in file order on
// anchors.cur_anchor. Clause statements go to the clause parsers.
#pragma once

#include <cstdio>

struct curs;

// Finds and parses COLLECT.CTL. Returns 0 on success, 1 after reporting.
[[nodiscard]] int parse_curs();

// Frees every cursor.
void del_curs();

// Parses the cursor file from an open stream (borrowed); parse_curs finds the
// file and calls this. Returns 0 on success, 1 after reporting.
[[nodiscard]] int parse_coll_stream(FILE* in);

// Checks and defaults of one cursor version at the end of its block; reports
// each problem and sets reader.failed. Returns 0 when nothing failed.
[[nodiscard]] int edit_cursor_block(curs* cur);

// Adds the column of a host variable (`len` characters after its ':') to the
// cursor's column list, reading the type and function prefixes, n! and ^n.
// Returns 0.
int add_column(const char* text, int len, curs* cur);

// Rewrites cur->insert: the VALUES list becomes one '?' per column, and the
// INSERT's column names go to cur->host_cols. Returns 0, or 1 on failure
// (cev1820 and cev1825 are reported, other failures are silent).
[[nodiscard]] int compact_insert(curs* cur);

// Derives the executable SELECT of the cursor into cur->select. Returns 0, or
// 1 after PCC0020 when there is nothing to select.
[[nodiscard]] int set_selects(curs* cur);

// Lists every cursor (trace output, level 116).
void show_curs();
