// The collector's one database session: logon with the collector's process
// definition (remembering a refused password for good), the classification of
// each SQL step's SQLCODE, commit and rollback, and the server-status text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct distributor;

// Longest SQL text of one statement.
constexpr size_t MAX_STATEMENT = 33000;
class db_session;

// The session state.
struct db_info {
  char db_kind[16] = {};       // "ORA", set at every logon
  char machine_id[70] = {};    // first 64 characters of the collector's machine id
  int32_t connected = 0;       // 1 while a session is logged on
  int32_t session_status = 1;  // 0 logged on; 1 released, failed or never connected; 2 restart
};

extern db_info database_info;

// The logon variables and the other module-wide state of the session. The
// logon texts are sized to hold what PROCESS.CTL accepts.
struct db_globals {
  int32_t bad_logon_code = 0;              // -1017 once a password was refused; never cleared
  int32_t pass_logon_code = 0;             // a logon refused for another reason in this pass
  char name[34] = {};                      // logon id of the collector's process
  char pword[101] = {};                    // the password, or "/" for operating-system logon
  char user[135] = {};                     // logon id "/" password, for a remote logon
  char server_id[34] = {};                 // connect string of a remote logon
  char statement[MAX_STATEMENT + 1] = {};  // SQL text of the cursor being run
  std::unique_ptr<db_session> session;     // the client session, made at the first logon
  char* servstatus = nullptr;              // server-status text (a row place), or null
  int servstatus_len = 0;                  // its length
};

extern db_globals db_state;

// COMMIT WORK; with `release` nonzero also releases the session (at the end of
// a pass that does not keep the session, and at the collector's end). Nothing
// is done while the session is released. A lost session is marked released; any
// other failure is reported and rolled back. Returns the SQLCODE left (0 after
// those cases).
int commit_collect(int release);

// True while a session is logged on.
bool database_connected();

// Marks the database as not connected (start of init_cursors).
void database_reset_state();

// Logs the collector on as `dist` (the collector's process definition) says: a
// local process (type 1) with its logon id and password, or "/" when it has
// none; any other with "logon_id/password" and its server id as connect string.
// After a refusal with -1017 no logon is tried again: the refusal is reported
// and returned at once. After any other refusal no logon is tried for the
// rest of the pass (database_new_pass): its code is returned at once, with no
// message, so a server that is down costs one wait and one report a pass. Returns the SQLCODE, 0 on
// success (also for a password that expires soon, 28002); on success the session is marked
// connected.
int connect_to_DB(distributor* dist);

// A new pass of the scheduling loop: a logon refused in the last one (server
// down, network) is tried again.
void database_new_pass();

// Classifies the outcome of SQL step `step` ("PREPARE", "DECLARE", "OPEN",
// "DESCRIBE", "FETCH", "CLOSE") of `stmt`: 0 success, 100 no data, otherwise
// the SQLCODE, reported. "Not logged on" and "password expires soon" count as
// success. With `report` set the code also goes to the server-status text and
// the statement is printed.
int check_sql_code(const char* stmt, const char* step, int report);

// ROLLBACK WORK RELEASE: the session is released and marked so (a restart
// already asked for stays asked for).
void rollback();

// Writes `code` left-aligned into the blank-filled server-status text, unless it
// is 0, 100 or 1403 (then the text is only blanked).
void set_status(int code);

// The client session, or null before the first logon.
db_session* database_session();

// Clears the session state and closes the client session (tests).
void reset_database_state();
