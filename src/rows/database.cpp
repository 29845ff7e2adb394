// The database session of the collector: logon and its refusal memory, step
// classification, commit, rollback and the server-status text.
#include "rows/database.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "ctl/distributor.h"
#include "platform/db_client.h"
#include "rows/dyn_sql.h"
#include "util/print.h"
#include "util/settings.h"
#include "util/trace.h"

db_info database_info;
db_globals db_state;

namespace {

constexpr int16_t LOCAL_PROCESS = 1;

// Restores a password stored in scrambled form. No scrambled form is defined
// for the process file yet, so every password arrives as it stands.
void descramble_password(const char* stored, char* out, size_t size) {
  snprintf(out, size, "%s", stored);
}

void mark_released() {
  if (database_info.session_status != 2) database_info.session_status = 1;
  database_info.connected = 0;
}

void copy_text(char* dst, size_t size, const char* src) { snprintf(dst, size, "%s", src); }

}  // namespace

void set_status(int code) {
  if (!db_state.servstatus || db_state.servstatus_len <= 0) return;
  size_t len = static_cast<size_t>(db_state.servstatus_len);
  memset(db_state.servstatus, ' ', len);
  if (code == 0 || code == 100 || code == 1403) return;
  char text[16];
  int n = snprintf(text, sizeof text, "%d", code);
  memcpy(db_state.servstatus, text, static_cast<size_t>(n) < len ? static_cast<size_t>(n) : len);
}

int connect_to_DB(distributor* dist) {
  if (db_state.bad_logon_code) {
    PRINT(
        'e', "rcd0110",
        "Invalid Oracle logon id (%s) or password given\n Please contact DBA to correct userid or "
        "password\n",
        dist->logon_id);
    set_status(db_state.bad_logon_code);
    return db_state.bad_logon_code;
  }
  if (db_state.pass_logon_code) {
    set_status(db_state.pass_logon_code);
    return db_state.pass_logon_code;
  }
  char password[sizeof dist->password];
  descramble_password(dist->password, password, sizeof password);
  copy_text(db_state.name, sizeof db_state.name, dist->logon_id);
  copy_text(db_state.pword, sizeof db_state.pword, password);

  copy_text(database_info.db_kind, sizeof database_info.db_kind, "ORA");
  memset(database_info.machine_id, 0, sizeof database_info.machine_id);
  memcpy(database_info.machine_id, machine_id, 64);
  // The child-termination signal keeps its default disposition: these clients
  // start no server processes that would need reaping, and fetch exits must be
  // able to wait for their own children.

  if (!db_state.session) db_state.session = std::make_unique<db_session>();
  db_session& session = *db_state.session;
  int code;
  if (dist->type == LOCAL_PROCESS) {
    if (tracing.trace_all) PRINT('t', "oin0105", "Connecting to Oracle, user:%s\n", db_state.name);
    if (db_state.pword[0]) {
      code = session.logon(db_state.name, db_state.pword);
    } else {
      copy_text(db_state.pword, sizeof db_state.pword, "/");
      code = session.logon_os();
    }
  } else {
    snprintf(db_state.user, sizeof db_state.user, "%s/%s", dist->logon_id, password);
    copy_text(db_state.server_id, sizeof db_state.server_id, dist->server_id);
    if (tracing.trace_all)
      PRINT('t', "oin0110", "Connecting to:%s, user:%s\n", db_state.server_id, dist->logon_id);
    code = session.logon_remote(db_state.user, db_state.server_id);
  }
  memset(password, 0, sizeof password);

  if (code == sql_password_expiring) {
    PRINT('w', "rcd0105", "Connect sql code = %d\n", code);
    PRINT('w', "rcd0105", "Connect sql code msg detail = %s\n", session.sqlca().message.c_str());
    code = 0;
  } else if (code != 0) {
    PRINT('e', "rcd0100", "Unable to connect to ORACLE at %s\n", dist->distrib_name);
    PRINT('e', "rcd0105", "Connect sql code = %d\n", code);
    PRINT('e', "rcd0105", "Connect sql code msg detail = %s\n", session.sqlca().message.c_str());
    set_status(code);
    if (code == sql_invalid_logon)
      db_state.bad_logon_code = code;
    else
      db_state.pass_logon_code = code;
    mark_released();
    return code;
  }
  database_info.session_status = 0;
  database_info.connected = 1;
  return code;
}

int check_sql_code(const char* stmt, const char* step, int report) {
  set_status(0);
  if (!db_state.session) return 0;
  db_sqlca& ca = db_state.session->sqlca();
  int code = ca.sqlcode;
  if (trace_on(6)) PRINT('t', "oru0006", "SQLCODE for %s = %d\n", step, code);
  if (code == 0) return 0;
  if (code == 100 || code == 1403) return 100;
  if (code == sql_not_logged_on || code == sql_password_expiring) {
    ca.sqlcode = 0;
    return 0;
  }
  PRINT('e', "oru0006", "SQLCODE for %s = %d\n", step, code);
  if (report) {
    set_status(code);
    PRINT('e', "oru0007", "Stmt = %s\n", stmt);
  }
  std::string message(ca.sqlerrm());
  PRINT('e', "oru0008", "ORACLE Message %.70s for %s\n", message.c_str(), step);
  return code;
}

int commit_collect(int release) {
  if (database_info.session_status == 1 || !db_state.session) return 0;
  db_session& session = *db_state.session;
  int code;
  if (release) {
    code = session.commit(true);
    mark_released();
  } else {
    code = session.commit(false);
  }
  if (code == sql_cancelled || code == sql_not_logged_on) {
    mark_released();
    code = 0;
  }
  if (code != 0 && database_info.connected) {
    PRINT('e', "rcc0360", "Sql code on commit = %d\n", code);
    code = 0;
    session.rollback(release != 0);
  }
  return code;
}

void rollback() {
  if (db_state.session) db_state.session->rollback(true);
  // A restart already asked for stays asked for.
  if (database_info.session_status != 2) database_info.session_status = 1;
  database_info.connected = 0;
}

void database_new_pass() { db_state.pass_logon_code = 0; }

bool database_connected() {
  return database_info.connected && db_state.session && db_state.session->logged_on();
}

void database_reset_state() {
  database_info.connected = 0;
  database_info.session_status = 1;
}

db_session* database_session() { return db_state.session.get(); }

void reset_database_state() {
  database_info = db_info{};
  db_state.session.reset();
  db_state.bad_logon_code = 0;
  db_state.pass_logon_code = 0;
  db_state.name[0] = db_state.pword[0] = db_state.user[0] = db_state.server_id[0] = '\0';
  db_state.statement[0] = '\0';
  db_state.servstatus = nullptr;
  db_state.servstatus_len = 0;
  work_buff = {};
}
