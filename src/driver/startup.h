// The collector's entry: start-up from the command line and environment to
// the scheduling loop. Each step runs only after the previous one succeeded;
// a failing step ends the process through quitting().
#pragma once

struct distributor;

// Runs the collector; returns only through exit().
int collector_main(int argc, char** argv);

// Bounds the database calls as the logontimeout and sqltimeout settings say.
void apply_database_timeouts();

// Makes running out of memory anywhere (operator new, or std::bad_alloc
// reaching collector_main) end the process with "utm5400" and status 4.
void install_memory_handler();

// While start-up runs with the log file open: writes one line naming the print
// file to the standard error the collector was started with. Later, nothing.
void report_startup_failure();

// Reads COLLECT.CTL and runs the start-up edits that bind names across
// cursors, stopping at the first that fails. Returns 0, or 1 after freeing
// all cursors.
int init_cursors();

// The settings steps between PROCESS.CTL and DICT.CTL: reconciles the logon
// with `collector` (may be null), builds machine_id, exports the disabled
// cursors, lists the settings (trace_all), checks the required settings and
// publishes the dictionary parameters. Returns 0, or -1003 after "cml1528"
// when a required setting is missing.
int settle_settings(distributor* collector);

// Logon reconciliation: a set logonid, password or serverid slot is copied
// into the process record's field (command line and environment win);
// an unset slot is pointed at the field (PROCESS.CTL supplies it).
void reconcile_logon(distributor* collector);

// Builds machine_id from the host name and server id slots.
void build_machine_id();

// Exports COLL_DISABLE_CURSOR_<name> for each cursor named in
// COLL_DISABLE_CURSORS and lists them.
void apply_disabled_cursors();
