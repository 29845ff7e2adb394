// The client layer over the backends: logon forms, the order of a
// statement's steps, releasing a session under its live statements, and the
// communication area.
#include "platform/db_client.h"

#include <algorithm>

#include "platform/db_backend.h"
#include "util/settings.h"

int32_t db_sqlca::set(int32_t code, std::string_view text) {
  sqlcode = code;
  message.assign(text.substr(0, 1000));
  return code;
}

std::string db_local_path() {
  if (!env_set(env_vars.serverid)) return {};
  const char* home = env_set(env_vars.db_home) ? env_vars.db_home : env_vars.ctl_home;
  std::string path = env_set(home) ? home : "";
  if (!path.empty() && path.back() != '/') path += '/';
  path += env_vars.serverid;
  path += ".db";
  return path;
}

db_session::db_session() = default;

db_session::~db_session() {
  release();
  for (db_statement* s : statements_) s->session_ = nullptr;
}

bool db_session::logged_on() const { return backend_ != nullptr; }

bool db_session::remote() const { return backend_ && backend_->remote(); }

void db_session::release() {
  // Statements go first: a backend statement must not outlive its connection.
  for (db_statement* s : statements_) s->detach();
  backend_.reset();
  link_lost_ = false;
}

int32_t db_session::after(int32_t code) {
  if (code == sql_link_lost) link_lost_ = true;
  return code;
}

int32_t db_session::logon(std::string_view user, std::string_view password) {
  release();
  std::string path = db_local_path();
  if (path.empty())
    return ca_.set(sql_not_available, "no server id is set: no local database file to open");
  return sqlite_logon(path, user, password, false, ca_, &backend_);
}

int32_t db_session::logon_os() {
  release();
  std::string path = db_local_path();
  if (path.empty())
    return ca_.set(sql_not_available, "no server id is set: no local database file to open");
  return sqlite_logon(path, {}, {}, true, ca_, &backend_);
}

int32_t db_session::logon_remote(std::string_view user_password, std::string_view connect_string) {
  release();
  size_t slash = user_password.find('/');
  std::string_view user = user_password.substr(0, slash);
  std::string_view password =
      slash == std::string_view::npos ? std::string_view() : user_password.substr(slash + 1);
  return odbc_logon(user, password, connect_string, ca_, &backend_);
}

int32_t db_session::commit(bool release_after) {
  if (!backend_) return ca_.set(sql_not_logged_on, "not logged on");
  int32_t rc = link_lost_ ? ca_.set(sql_not_connected, "not connected: the server link was lost")
                          : after(backend_->commit(ca_));
  if (release_after) release();
  return rc;
}

int32_t db_session::rollback(bool release_after) {
  if (!backend_) return ca_.set(sql_not_logged_on, "not logged on");
  int32_t rc = link_lost_ ? ca_.set(sql_not_connected, "not connected: the server link was lost")
                          : after(backend_->rollback(ca_));
  if (release_after) release();
  return rc;
}

db_statement::db_statement(db_session& session) : session_(&session) {
  session.statements_.push_back(this);
}

db_statement::~db_statement() {
  detach();
  if (session_) std::erase(session_->statements_, this);
}

void db_statement::detach() {
  backend_.reset();
  step_ = step::none;
}

int32_t db_statement::fail(int32_t code, std::string_view text) {
  if (session_) session_->ca_.set(code, text);
  return code;
}

// The common checks before a step: a session, a live link, the right step.
// Returns 0 when the step may run, else the recorded failure.
int32_t db_statement::check(bool step_ok, int32_t code, std::string_view text) {
  if (!session_ || !session_->backend_) return fail(sql_not_logged_on, "not logged on");
  if (session_->link_lost_)
    return fail(sql_not_connected, "not connected: the server link was lost");
  return step_ok ? sql_ok : fail(code, text);
}

int32_t db_statement::prepare(std::string_view sql) {
  if (int32_t rc = check(true, 0, "")) return rc;
  if (!backend_) {
    backend_ = session_->backend_->new_statement();
  } else if (step_ == step::open) {
    db_sqlca ignored;
    (void)backend_->close(ignored);
  }
  int32_t rc = session_->after(backend_->prepare(sql, session_->ca_));
  step_ = rc == sql_ok ? step::prepared : step::none;
  return rc;
}

int32_t db_statement::declare() {
  if (int32_t rc = check(step_ == step::prepared || step_ == step::declared, sql_invalid_cursor,
                         "invalid cursor: DECLARE without a prepared statement"))
    return rc;
  step_ = step::declared;
  session_->ca_.clear();
  return sql_ok;
}

int32_t db_statement::open() {
  if (int32_t rc = check(step_ == step::declared || step_ == step::open, sql_invalid_cursor,
                         "invalid cursor: OPEN of a cursor not declared"))
    return rc;
  if (step_ == step::open) {
    db_sqlca ignored;
    (void)backend_->close(ignored);
  }
  int32_t rc = session_->after(backend_->open(session_->ca_));
  step_ = rc == sql_ok ? step::open : step::declared;
  return rc;
}

int32_t db_statement::describe(db_descriptor& d) {
  if (int32_t rc = check(step_ == step::open, sql_invalid_cursor,
                         "invalid cursor: DESCRIBE of a cursor not open"))
    return rc;
  d.found = 0;
  d.item.clear();
  d.code_page = db_code_page_utf8;
  return session_->after(backend_->describe(d, session_->ca_));
}

bool db_statement::retype(db_descriptor& d, size_t i, const db_item& like) {
  if (!backend_ || step_ != step::open || i >= d.item.size() || !d.item[i].untyped) return false;
  db_item& it = d.item[i];
  it.type = like.type;
  it.length = like.length;
  it.precision = like.precision;
  it.scale = like.scale;
  it.col_size_chars = like.col_size_chars;
  it.col_size_bytes = like.col_size_bytes;
  it.nls_flag = like.nls_flag;
  it.untyped = false;
  backend_->retype(i, it);
  return true;
}

int32_t db_statement::fetch(db_descriptor& d) {
  if (int32_t rc = check(step_ == step::open, sql_fetch_out_of_sequence,
                         "fetch out of sequence: the cursor is not open"))
    return rc;
  for (db_item& it : d.item) it.returned_octets = it.returned_chars = 0;
  return session_->after(backend_->fetch(d, session_->ca_));
}

int32_t db_statement::close() {
  if (int32_t rc = check(step_ == step::open, sql_invalid_cursor,
                         "invalid cursor: CLOSE of a cursor not open"))
    return rc;
  step_ = step::declared;
  return session_->after(backend_->close(session_->ca_));
}
