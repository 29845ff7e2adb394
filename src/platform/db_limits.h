// Bounds on database calls, so that a server that does not answer cannot hold
// the single-threaded collector: the time a logon may take and the time one
// step of a statement (its execution, one fetch) may run. A step that runs
// out of time fails with sql_cancelled (-1013).
#pragma once

struct db_timeouts {
  int login_seconds = 10;    // logon (ODBC login timeout); 0: the driver's own
  int statement_ms = 60000;  // one statement step; 0: unbounded
};

// Sets the bounds for the logons and statements that follow.
void db_set_timeouts(const db_timeouts& t);

// The bounds in force.
const db_timeouts& db_current_timeouts();
