// The process file PROCESS.CTL: one `distributor` record per process block,
// chained in file order on anchors.distrib_anchor; the process named
// "collector" becomes anchors.collector_at.
#pragma once

#include <cstdio>

// Parses the process file. Returns 0 on success (the chain, collector_at,
// have_evaluator, sleep_time and the machine id's host part set, every
// process's current window computed) and 1 after reporting the errors. Earlier
// records are deleted first.
[[nodiscard]] int parse_distributor();

// The same on an open stream (borrowed), without deleting earlier records.
[[nodiscard]] int parse_process_stream(FILE* in);

// Finds and parses PROCESS.CTL at start-up. Returns 0 on success, 1 on
// failure.
[[nodiscard]] int init_dist();

// Deletes every process record.
void del_distributor();

// Lists every process (class i); the password is never shown.
void show_processes();
