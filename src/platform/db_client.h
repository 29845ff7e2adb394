// The database client: logon, dynamic SELECTs described into a select
// descriptor and fetched one row at a time into character buffers, commit and
// rollback, SQLCODEs and message texts. The logon form picks the backend: a
// local logon opens an SQLite database file, a remote logon goes through ODBC.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// SQLCODEs this client reports. Where a condition has an Oracle error number the
// client uses it, negated, so a code reads the same whichever backend answered;
// an ODBC driver for Oracle passes the database's own numbers through.
constexpr int32_t sql_ok = 0;
constexpr int32_t sql_no_data = 100;              // no (more) rows; never 1403
constexpr int32_t sql_password_expiring = 28002;  // logged on, but the password expires soon
constexpr int32_t sql_invalid_statement = -900;   // syntax error or several statements
constexpr int32_t sql_invalid_identifier = -904;  // unknown column or function
constexpr int32_t sql_no_such_table = -942;       // unknown table or view
constexpr int32_t sql_invalid_cursor = -1001;     // step out of order (e.g. OPEN before PREPARE)
constexpr int32_t sql_fetch_out_of_sequence = -1002;  // FETCH or DESCRIBE without an open cursor
constexpr int32_t sql_not_logged_on = -1012;          // no session, or the session was released
constexpr int32_t sql_cancelled = -1013;              // the operation was interrupted
constexpr int32_t sql_invalid_logon = -1017;          // wrong user name or password
constexpr int32_t sql_insufficient_privileges = -1031;
constexpr int32_t sql_not_available = -1034;      // local database file missing or unusable
constexpr int32_t sql_numeric_overflow = -1426;   // a number out of the type's range
constexpr int32_t sql_divide_by_zero = -1476;     // division by zero
constexpr int32_t sql_invalid_number = -1722;     // a NUMBER item's value is not a number
constexpr int32_t sql_bad_date = -1861;           // a DATE item's value is not a date
constexpr int32_t sql_link_lost = -3113;          // the server went away during the session
constexpr int32_t sql_not_connected = -3114;      // operation after the link was lost
constexpr int32_t sql_account_locked = -28000;    // local logon refused: account locked
constexpr int32_t sql_password_expired = -28001;  // local logon refused: password expired
constexpr int32_t sql_unknown_service = -12154;   // connect string names no data source
constexpr int32_t sql_no_listener = -12541;       // the server refused or did not answer
constexpr int32_t sql_sqlite_other = -100000;     // minus SQLite's extended result code
constexpr int32_t sql_odbc_other = -200000;       // minus the driver's native error number

// Type codes of described items (the null-permitted bit is never set; see
// db_item::nullable).
constexpr int16_t db_varchar2 = 1;
constexpr int16_t db_number = 2;
constexpr int16_t db_long = 8;
constexpr int16_t db_rowid = 11;
constexpr int16_t db_date = 12;
constexpr int16_t db_raw = 23;
constexpr int16_t db_long_raw = 24;
constexpr int16_t db_char = 96;

// National-character flag values of a described item.
constexpr int16_t db_nls_none = 0;     // not a character item
constexpr int16_t db_nls_plain = 1;    // character item delivered in UTF-8
constexpr int16_t db_nls_unicode = 2;  // national-character item delivered in UTF-16BE

// The code page number of UTF-8, in which both backends deliver character items.
constexpr int32_t db_code_page_utf8 = 1208;

// The communication area: the outcome of the last operation of a session.
struct db_sqlca {
  int32_t sqlcode = 0;  // 0 success, 100 no data, 28002 warning, negative error
  std::string message;  // the backend's message text, at most 1,000 bytes; empty after success

  // The short form of the message: its first 70 bytes at most.
  std::string_view sqlerrm() const { return std::string_view(message).substr(0, 70); }
  // Records `code` and `text` (cut to 1,000 bytes); returns `code`.
  int32_t set(int32_t code, std::string_view text);
  // Records success.
  void clear() { set(sql_ok, {}); }
};

// One select item: what DESCRIBE found, where FETCH puts the value, and what
// the last FETCH returned.
struct db_item {
  // Filled by describe().
  std::string name;            // select-list name as the database reports it (not cut)
  int16_t type = 0;            // type code (db_varchar2, db_number, ... or another number)
  bool nullable = true;        // the item may be NULL
  int32_t length = 0;          // declared length in bytes (NUMBER 22, DATE 7, RAW its bytes)
  int16_t precision = 0;       // NUMBER: digits, 0 when not declared
  int16_t scale = 0;           // NUMBER: digits after the point, negative rounds left of it
  int32_t col_size_chars = 0;  // character items: declared characters; others 0
  int32_t col_size_bytes = 0;  // character items: declared bytes (UTF-16 for nls 2); else length
  int16_t nls_flag = 0;        // db_nls_none, db_nls_plain or db_nls_unicode
  // An item without a declared type (an expression of a SQLite select list)
  // takes the type of its first value: `from_value` says it did; `untyped`
  // says there was no value to take it from (NULL, or no row), so the type is
  // the default VARCHAR2(4000) unless the caller gives one with retype().
  bool from_value = false;
  bool untyped = false;

  // Set by the caller before fetch(): the item's character buffer (borrowed; it
  // must stay valid until the next describe() or the statement's end), its
  // length, and its indicator. An item with buf_len 0 is not fetched.
  char* buf = nullptr;
  int32_t buf_len = 0;
  int16_t* ind = nullptr;  // may be null; then a NULL value is delivered as empty

  // Set by fetch(): the bytes placed in buf and the characters they hold.
  int32_t returned_octets = 0;
  int32_t returned_chars = 0;
};

// The select descriptor: room for `max_items` items.
struct db_descriptor {
  explicit db_descriptor(int max_items) : max_items(max_items) {}
  int max_items;              // capacity, fixed by the caller
  int found = 0;              // items found; minus the count when the list has more than max_items
  std::vector<db_item> item;  // the first min(|found|, max_items) items, in select order
  // The code page character items of nls 1 arrive in, set by describe():
  // db_code_page_utf8, or 0 for the code page of the process locale.
  int32_t code_page = 0;
};

class db_backend_session;
class db_backend_statement;
class db_statement;

// One database session. Not logged on until a logon succeeds; a failed logon
// or a release leave it not logged on, and a new logon may follow (a logon
// while logged on first releases the session, rolling back). After a lost link
// (sql_link_lost) every step answers sql_not_connected until a release.
// Every operation records its outcome in sqlca() and returns its SQLCODE.
class db_session {
 public:
  db_session();
  ~db_session();
  db_session(const db_session&) = delete;
  db_session& operator=(const db_session&) = delete;

  // Local logon with a user name and password to the SQLite database file
  // db_local_path(). The file must exist (sql_not_available otherwise). When it
  // holds a table collector_logon(logon_id, password, account_status) the pair
  // must match a row (sql_invalid_logon otherwise; logon ids compare without
  // case); an account_status of "LOCKED" refuses with sql_account_locked,
  // "EXPIRED" with sql_password_expired, "EXPIRED(GRACE)" logs on with
  // sql_password_expiring. Without that table any pair is accepted.
  int32_t logon(std::string_view user, std::string_view password);
  // Local logon with operating-system authentication ("/"): as logon() but
  // never checked against collector_logon.
  int32_t logon_os();
  // Remote logon through ODBC. `user_password` is "user/password" (split at the
  // first "/"); `connect_string` is a data source name, or an ODBC connection
  // string when it holds "=". The session runs without autocommit.
  int32_t logon_remote(std::string_view user_password, std::string_view connect_string);

  // True while logged on.
  bool logged_on() const;
  // True when the logged-on backend is the ODBC one.
  bool remote() const;

  // COMMIT WORK, and with `release` also log off.
  int32_t commit(bool release);
  // ROLLBACK WORK, and with `release` also log off. Releasing always succeeds in
  // logging off, whatever the rollback returned.
  int32_t rollback(bool release);

  db_sqlca& sqlca() { return ca_; }
  const db_sqlca& sqlca() const { return ca_; }

 private:
  friend class db_statement;
  void release();
  int32_t after(int32_t code);  // notes a lost link; returns code

  db_sqlca ca_;
  std::unique_ptr<db_backend_session> backend_;
  std::vector<db_statement*> statements_;  // live statements, detached on release
  bool link_lost_ = false;                 // an operation lost the server link
};

// One dynamic statement of a session. It may outlive its session or a release:
// every operation then answers sql_not_logged_on. Steps in order: prepare,
// declare, open, describe, then fetch until it returns 100 or an error, close.
// A new prepare may follow close (or replace an open cursor).
class db_statement {
 public:
  // `session` is borrowed; the statement detaches itself when either ends.
  explicit db_statement(db_session& session);
  ~db_statement();
  db_statement(const db_statement&) = delete;
  db_statement& operator=(const db_statement&) = delete;

  // PREPARE the text of one statement.
  int32_t prepare(std::string_view sql);
  // DECLARE a cursor for the prepared statement.
  int32_t declare();
  // OPEN the cursor: runs the statement.
  int32_t open();
  // DESCRIBE the select list into `d` (count, names, types, sizes). Resets the
  // items' buffers and returned lengths.
  int32_t describe(db_descriptor& d);
  // Gives the untyped item `i` of `d` (see db_item::untyped) the type of
  // `like` for this run: its describe fields and the form its values are
  // fetched in. Returns false, changing nothing, when the item is not untyped.
  bool retype(db_descriptor& d, size_t i, const db_item& like);
  // FETCH one row into the buffers of `d`'s items as character text: NUMBER as
  // decimal text, DATE as DD-MON-RR, RAW as upper-case hexadecimal, character
  // items in UTF-8 (UTF-16BE for nls 2). Each value is cut to buf_len on a
  // character boundary, the rest of the buffer zero-filled (so a value that
  // fills its buffer is not terminated). Indicators: 0 whole value, -1 NULL,
  // positive the value was cut (its whole length in bytes, at most 32767).
  // Returns 0, 100 at the end, sql_invalid_number when the row holds a NUMBER
  // item that is not a number (the row is consumed; the next fetch goes on),
  // or an error.
  int32_t fetch(db_descriptor& d);
  // CLOSE the cursor (the prepared text is kept).
  int32_t close();

 private:
  friend class db_session;
  void detach();
  int32_t check(bool step_ok, int32_t code, std::string_view text);
  int32_t fail(int32_t code, std::string_view text);

  enum class step { none, prepared, declared, open };
  db_session* session_;
  std::unique_ptr<db_backend_statement> backend_;
  step step_ = step::none;
};

// The SQLite file a local logon opens: <db_home>/<serverid>.db, where db_home
// is the db_home setting or, when that is unset, the control-file directory.
// Empty when no server id is set.
std::string db_local_path();
