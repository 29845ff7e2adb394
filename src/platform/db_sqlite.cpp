// The SQLite backend of the database client: a local logon opens an existing
// database file; declared column types are mapped onto the client's type codes
// and each value is fetched as the text its type calls for.
#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/db_backend.h"
#include "platform/db_limits.h"
#include "platform/db_sqlite_types.h"
#include "platform/db_values.h"

namespace {

struct sqlite_db_closer {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct sqlite_stmt_finalizer {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
// Holders of the connection and of a prepared statement (copying deleted).
using sqlite_db = std::unique_ptr<sqlite3, sqlite_db_closer>;
using sqlite_stmt = std::unique_ptr<sqlite3_stmt, sqlite_stmt_finalizer>;

// Waiting this long for another process's write lock keeps a busy database from
// failing every run while never stalling the collector for long.
constexpr int busy_timeout_ms = 2000;

// The end of the statement step under way; tv_sec 0 while none is bounded.
timespec step_deadline = {};

// SQLite's progress handler: interrupts a step that has run out of time.
int past_deadline(void*) {
  if (step_deadline.tv_sec == 0) return 0;
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec > step_deadline.tv_sec ||
         (now.tv_sec == step_deadline.tv_sec && now.tv_nsec >= step_deadline.tv_nsec);
}

// Virtual machine instructions between looks at the clock.
constexpr int progress_period = 4000;

// Runs one sqlite3_step bounded by the statement timeout.
int timed_step(sqlite3_stmt* stmt) {
  const int ms = db_current_timeouts().statement_ms;
  if (ms > 0) {
    clock_gettime(CLOCK_MONOTONIC, &step_deadline);
    step_deadline.tv_sec += ms / 1000;
    step_deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (step_deadline.tv_nsec >= 1000000000L) {
      step_deadline.tv_nsec -= 1000000000L;
      ++step_deadline.tv_sec;
    }
  }
  const int rc = sqlite3_step(stmt);
  step_deadline = {};
  return rc;
}

bool starts_with(const char* s, const char* prefix) {
  return s && strncmp(s, prefix, strlen(prefix)) == 0;
}

// The SQLCODE of an SQLite result code; `msg` is the connection's message.
int32_t map_code(int rc, const char* msg) {
  switch (rc & 0xFF) {
    case SQLITE_INTERRUPT:
      return sql_cancelled;
    case SQLITE_AUTH:
    case SQLITE_PERM:
      return sql_insufficient_privileges;
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
      return sql_not_available;
    case SQLITE_ERROR:
      if (starts_with(msg, "no such table") || starts_with(msg, "no such view"))
        return sql_no_such_table;
      if (starts_with(msg, "no such column") || starts_with(msg, "no such function"))
        return sql_invalid_identifier;
      if (starts_with(msg, "near \"") || starts_with(msg, "incomplete input") ||
          (msg && strstr(msg, "syntax error")))
        return sql_invalid_statement;
      break;
    default:
      break;
  }
  return sql_sqlite_other - rc;
}

int32_t fail_with(sqlite3* db, int rc, db_sqlca& ca) {
  const char* msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  return ca.set(map_code(rc, msg), msg ? msg : "");
}

class sqlite_statement final : public db_backend_statement {
 public:
  explicit sqlite_statement(sqlite3* db) : db_(db) {}

  int32_t prepare(std::string_view sql, db_sqlca& ca) override {
    stmt_.reset();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &raw, &tail);
    sqlite_stmt stmt(raw);
    if (rc != SQLITE_OK) return fail_with(db_, rc, ca);
    for (const char* t = tail; t && t < sql.data() + sql.size(); ++t) {
      if (*t != ' ' && *t != '\t' && *t != '\n' && *t != '\r' && *t != ';')
        return ca.set(sql_invalid_statement, "more than one statement in the text");
    }
    if (!stmt) return ca.set(sql_invalid_statement, "the text holds no statement");
    stmt_ = std::move(stmt);
    ca.clear();
    return sql_ok;
  }

  int32_t open(db_sqlca& ca) override {
    sqlite3_reset(stmt_.get());
    types_.clear();
    int rc = step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return fail_with(db_, rc, ca);
    int n = sqlite3_column_count(stmt_.get());
    for (int i = 0; i < n; ++i) {
      const char* decl = sqlite3_column_decltype(stmt_.get(), i);
      int storage = has_row_ ? sqlite3_column_type(stmt_.get(), i) : SQLITE_NULL;
      types_.push_back(sqlite_item_type(decl, storage));
    }
    ca.clear();
    return sql_ok;
  }

  int32_t describe(db_descriptor& d, db_sqlca& ca) override {
    int n = static_cast<int>(types_.size());
    d.found = n > d.max_items ? -n : n;
    for (int i = 0; i < n && i < d.max_items; ++i) {
      db_item it;
      const char* name = sqlite3_column_name(stmt_.get(), i);
      it.name = name ? name : "";
      const sqlite_type& t = types_[i];
      it.type = t.type;
      it.length = t.length;
      it.precision = t.precision;
      it.scale = t.scale;
      it.col_size_chars = t.chars;
      it.col_size_bytes = t.bytes;
      it.nls_flag = t.nls;
      it.from_value = t.from_value;
      it.untyped = t.untyped;
      d.item.push_back(std::move(it));
    }
    ca.clear();
    return sql_ok;
  }

  void retype(size_t i, const db_item& like) override {
    if (i >= types_.size()) return;
    sqlite_type& t = types_[i];
    t.type = like.type;
    t.length = like.length;
    t.precision = like.precision;
    t.scale = like.scale;
    t.chars = like.col_size_chars;
    t.bytes = like.col_size_bytes;
    t.nls = like.nls_flag;
    t.untyped = false;
  }

  int32_t fetch(db_descriptor& d, db_sqlca& ca) override {
    if (pending_rc_ != SQLITE_OK) {
      int rc = pending_rc_;
      pending_rc_ = SQLITE_OK;
      return ca.set(map_code(rc, pending_msg_.c_str()), pending_msg_);
    }
    if (!has_row_) return ca.set(sql_no_data, "no data found");
    int32_t code = sql_ok;
    std::string problem;
    size_t n = d.item.size() < types_.size() ? d.item.size() : types_.size();
    for (size_t i = 0; i < n && code == sql_ok; ++i) code = put_column(d.item[i], i, &problem);
    // Step past the row now: a step error belongs to the next fetch.
    int rc = step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      pending_rc_ = rc;
      pending_msg_ = sqlite3_errmsg(db_);
    }
    return code == sql_ok ? (ca.clear(), sql_ok) : ca.set(code, problem);
  }

  int32_t close(db_sqlca& ca) override {
    if (stmt_) sqlite3_reset(stmt_.get());
    has_row_ = false;
    pending_rc_ = SQLITE_OK;
    ca.clear();
    return sql_ok;
  }

 private:
  int step() {
    int rc = timed_step(stmt_.get());
    has_row_ = rc == SQLITE_ROW;
    return rc;
  }

  // Places column i of the current row into `it`; returns 0 or the SQLCODE of
  // a value its type cannot show, with the reason in *problem.
  int32_t put_column(db_item& it, size_t i, std::string* problem) {
    sqlite3_stmt* s = stmt_.get();
    int col = static_cast<int>(i);
    int storage = sqlite3_column_type(s, col);
    if (storage == SQLITE_NULL) {
      db_put_null(it);
      return sql_ok;
    }
    const sqlite_type& t = types_[i];
    std::string out;
    if (t.type == db_number && (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)) {
      // Stored numbers are formatted from their binary value: SQLite's own text
      // form of them would only be thrown away.
      if (!number_text(col, storage, {}, t, it.buf_len, &out)) {
        const char* shown = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
        *problem = "invalid number: column " + it.name + " holds '" + (shown ? shown : "") + "'";
        return sql_invalid_number;
      }
      db_put_value(it, out, false);
      return sql_ok;
    }
    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
    std::string_view value(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(s, col)));
    switch (t.type) {
      case db_number:
        if (!number_text(col, storage, value, t, it.buf_len, &out)) {
          *problem = "invalid number: column " + it.name + " holds '" + std::string(value) + "'";
          return sql_invalid_number;
        }
        db_put_value(it, out, false);
        return sql_ok;
      case db_date: {
        int y, m, dd;
        if (storage != SQLITE_TEXT || !db_parse_iso_day(value, &y, &m, &dd)) {
          *problem = "literal does not match format string: column " + it.name + " holds '" +
                     std::string(value) + "', not a date YYYY-MM-DD";
          return sql_bad_date;
        }
        db_put_value(it, db_date_text(y, m, dd), false);
        return sql_ok;
      }
      case db_raw:
      case db_long_raw:
        if (storage == SQLITE_BLOB) {
          const void* blob = sqlite3_column_blob(s, col);
          db_put_value(it, db_hex_text(blob, static_cast<size_t>(sqlite3_column_bytes(s, col))),
                       false);
        } else {
          db_put_value(it, db_hex_text(value.data(), value.size()), false);
        }
        return sql_ok;
      default:
        break;
    }
    if (t.type == db_char) {
      // CHAR values come blank-padded to their declared length.
      size_t chars = 0;
      for (char c : value)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++chars;
      if (chars < static_cast<size_t>(t.chars)) {
        out.assign(value);
        out.append(static_cast<size_t>(t.chars) - chars, ' ');
        value = out;
      }
    }
    if (t.nls == db_nls_unicode)
      db_put_value(it, db_utf16be_text(value), true);
    else
      db_put_value(it, value, false);
    return sql_ok;
  }

  // The text of a NUMBER item's value; false when the value is not a number.
  bool number_text(int col, int storage, std::string_view value, const sqlite_type& t, int32_t room,
                   std::string* out) {
    sqlite3_stmt* s = stmt_.get();
    size_t fit = room > 0 ? static_cast<size_t>(room) : 0;
    if (storage == SQLITE_INTEGER) {
      *out = db_integer_text(sqlite3_column_int64(s, col), t.scale);
      return true;
    }
    if (storage == SQLITE_FLOAT)
      return db_double_text(sqlite3_column_double(s, col), t.precision, t.scale, fit, out);
    return storage == SQLITE_TEXT && db_declared_number_text(value, t.precision, t.scale, fit, out);
  }

  sqlite3* db_;                     // borrowed from the session
  sqlite_stmt stmt_;                // the prepared statement
  std::vector<sqlite_type> types_;  // per item, fixed at open
  bool has_row_ = false;            // a row is stepped to and not yet fetched
  int pending_rc_ = SQLITE_OK;      // a step error to report at the next fetch
  std::string pending_msg_;         // its message
};

class sqlite_session final : public db_backend_session {
 public:
  explicit sqlite_session(sqlite_db db) : db_(std::move(db)) {}

  std::unique_ptr<db_backend_statement> new_statement() override {
    return std::make_unique<sqlite_statement>(db_.get());
  }
  // Statements run in autocommit; COMMIT and ROLLBACK act on a transaction that
  // a statement began explicitly.
  int32_t commit(db_sqlca& ca) override { return end_transaction("COMMIT", ca); }
  int32_t rollback(db_sqlca& ca) override { return end_transaction("ROLLBACK", ca); }
  bool remote() const override { return false; }

 private:
  int32_t end_transaction(const char* sql, db_sqlca& ca) {
    if (sqlite3_get_autocommit(db_.get())) {
      ca.clear();
      return sql_ok;
    }
    int rc = sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return fail_with(db_.get(), rc, ca);
    ca.clear();
    return sql_ok;
  }

  sqlite_db db_;
};

// Checks user and password against the database's collector_logon table, when
// it has one. Returns 0, 28002, or the refusal's SQLCODE, recorded in `ca`.
int32_t check_logon(sqlite3* db, std::string_view user, std::string_view password, db_sqlca& ca) {
  sqlite3_stmt* raw = nullptr;
  int rc = sqlite3_prepare_v2(
      db, "SELECT password, account_status FROM collector_logon WHERE upper(logon_id) = upper(?1)",
      -1, &raw, nullptr);
  sqlite_stmt stmt(raw);
  if (rc != SQLITE_OK) {
    // Without the table (or with one of another shape) nobody is checked.
    ca.clear();
    return sql_ok;
  }
  sqlite3_bind_text(raw, 1, user.data(), static_cast<int>(user.size()), SQLITE_TRANSIENT);
  rc = sqlite3_step(raw);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return fail_with(db, rc, ca);
  const char* stored =
      rc == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)) : nullptr;
  if (rc != SQLITE_ROW || password != std::string_view(stored ? stored : ""))
    return ca.set(sql_invalid_logon, "invalid username/password; logon denied");
  const char* st = reinterpret_cast<const char*>(sqlite3_column_text(raw, 1));
  std::string status = st ? st : "";
  for (char& c : status) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  if (status.find("LOCKED") != std::string::npos)
    return ca.set(sql_account_locked, "the account is locked");
  if (status == "EXPIRED(GRACE)")
    return ca.set(sql_password_expiring, "the password will expire soon");
  if (status.rfind("EXPIRED", 0) == 0)
    return ca.set(sql_password_expired, "the password has expired");
  ca.clear();
  return sql_ok;
}

}  // namespace

int32_t sqlite_logon(const std::string& path, std::string_view user, std::string_view password,
                     bool os_auth, db_sqlca& ca, std::unique_ptr<db_backend_session>* out) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0)
    return ca.set(sql_not_available,
                  "database file " + path + " cannot be opened: " + strerror(errno));
  sqlite3* raw = nullptr;
  // The collector is single-threaded: the connection needs no locking of its own.
  int rc =
      sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  sqlite_db db(raw);
  if (rc != SQLITE_OK)
    return ca.set(sql_not_available, "database file " + path + " cannot be opened: " +
                                         (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
  sqlite3_busy_timeout(raw, busy_timeout_ms);
  sqlite3_progress_handler(raw, progress_period, past_deadline, nullptr);
  // Opening is lazy: reading the schema proves the file is a database.
  rc = sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK)
    return ca.set(sql_not_available,
                  "database file " + path + " cannot be used: " + sqlite3_errmsg(raw));
  int32_t code = os_auth ? (ca.clear(), sql_ok) : check_logon(raw, user, password, ca);
  if (code != sql_ok && code != sql_password_expiring) return code;
  *out = std::make_unique<sqlite_session>(std::move(db));
  return code;
}
