// The ODBC backend of the database client (remote logons): connects to a data
// source, maps the driver's column types and SQLSTATEs onto the client's type
// codes and SQLCODEs, and fetches each value as the text its type calls for.
#include <locale.h>
#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/db_backend.h"
#include "platform/db_limits.h"
#include "platform/db_odbc_codes.h"
#include "platform/db_values.h"

namespace {

// Holder of one ODBC handle (copying deleted).
template <SQLSMALLINT Kind>
class odbc_handle {
 public:
  odbc_handle() = default;
  ~odbc_handle() { reset(); }
  odbc_handle(const odbc_handle&) = delete;
  odbc_handle& operator=(const odbc_handle&) = delete;
  // Allocates under `parent`; false when the driver manager refuses.
  bool alloc(SQLHANDLE parent) {
    reset();
    return SQL_SUCCEEDED(SQLAllocHandle(Kind, parent, &h_));
  }
  void reset() {
    if (h_ != SQL_NULL_HANDLE) SQLFreeHandle(Kind, h_);
    h_ = SQL_NULL_HANDLE;
  }
  SQLHANDLE get() const { return h_; }

 private:
  SQLHANDLE h_ = SQL_NULL_HANDLE;
};

// Records the outcome of a failed call on handle `h` of kind `kind`.
int32_t fail_with(SQLSMALLINT kind, SQLHANDLE h, bool oracle, db_sqlca& ca) {
  odbc_diag diag = odbc_read_diag(kind, h);
  return ca.set(odbc_map_code(diag, oracle), diag.message);
}

// A UTF-8 character-type locale, made once; null when the system has none.
locale_t utf8_ctype() {
  static const locale_t loc = [] {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
      if (locale_t l = newlocale(LC_CTYPE_MASK, name, locale_t{})) return l;
    return locale_t{};
  }();
  return loc;
}

// Drivers turn the server's text into UTF-16 with the C library's multibyte
// functions, which follow the calling thread's locale: under one that is not
// UTF-8 (C, Latin-1) they refuse or misread every character outside ASCII.
// While this lives, the thread's character type is UTF-8 whatever the
// process locale.
class utf8_ctype_scope {
 public:
  utf8_ctype_scope() : old_(utf8_ctype() ? uselocale(utf8_ctype()) : locale_t{}) {}
  ~utf8_ctype_scope() {
    if (old_) uselocale(old_);
  }
  utf8_ctype_scope(const utf8_ctype_scope&) = delete;
  utf8_ctype_scope& operator=(const utf8_ctype_scope&) = delete;

 private:
  locale_t old_;  // the locale to restore (LC_GLOBAL_LOCALE when none was set)
};

struct odbc_item {
  int16_t type = 0;  // client type code
  int16_t nls = 0;   // national-character flag
};

class odbc_statement final : public db_backend_statement {
 public:
  odbc_statement(SQLHDBC dbc, bool oracle) : dbc_(dbc), oracle_(oracle) {}

  int32_t prepare(std::string_view sql, db_sqlca& ca) override {
    if (!stmt_.get()) {
      if (!stmt_.alloc(dbc_)) return fail_with(SQL_HANDLE_DBC, dbc_, oracle_, ca);
      // ODBC counts whole seconds: a bound below one second becomes one.
      const int ms = db_current_timeouts().statement_ms;
      const SQLULEN seconds = ms > 0 ? static_cast<SQLULEN>((ms + 999) / 1000) : 0;
      SQLSetStmtAttr(stmt_.get(), SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(seconds), 0);
    }
    SQLFreeStmt(stmt_.get(), SQL_CLOSE);
    std::string text(sql);
    SQLRETURN rc = SQLPrepare(stmt_.get(), reinterpret_cast<SQLCHAR*>(text.data()),
                              static_cast<SQLINTEGER>(text.size()));
    if (!SQL_SUCCEEDED(rc)) return fail_with(SQL_HANDLE_STMT, stmt_.get(), oracle_, ca);
    ca.clear();
    return sql_ok;
  }

  int32_t open(db_sqlca& ca) override {
    SQLRETURN rc = SQLExecute(stmt_.get());
    // A statement that touches no row answers "no data": it ran all the same.
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
      return fail_with(SQL_HANDLE_STMT, stmt_.get(), oracle_, ca);
    SQLSMALLINT n = 0;
    SQLNumResultCols(stmt_.get(), &n);
    has_rows_ = n > 0;
    // A new result set is bound afresh at its first fetch.
    unbind();
    ca.clear();
    return sql_ok;
  }

  int32_t describe(db_descriptor& d, db_sqlca& ca) override {
    SQLSMALLINT n = 0;
    if (!SQL_SUCCEEDED(SQLNumResultCols(stmt_.get(), &n)))
      return fail_with(SQL_HANDLE_STMT, stmt_.get(), oracle_, ca);
    unbind();
    items_.assign(n, odbc_item{});
    d.found = n > d.max_items ? -n : n;
    for (SQLSMALLINT i = 0; i < n && i < d.max_items; ++i) {
      SQLCHAR name[256];
      SQLSMALLINT name_len = 0, sql_type = 0, digits = 0, nullable = 0;
      SQLULEN size = 0;
      if (!SQL_SUCCEEDED(SQLDescribeCol(stmt_.get(), static_cast<SQLUSMALLINT>(i + 1), name,
                                        sizeof name, &name_len, &sql_type, &size, &digits,
                                        &nullable)))
        return fail_with(SQL_HANDLE_STMT, stmt_.get(), oracle_, ca);
      char type_name[64] = "";
      SQLSMALLINT tn_len = 0;
      SQLColAttribute(stmt_.get(), static_cast<SQLUSMALLINT>(i + 1), SQL_DESC_TYPE_NAME, type_name,
                      sizeof type_name, &tn_len, nullptr);
      SQLLEN octets = 0;
      SQLColAttribute(stmt_.get(), static_cast<SQLUSMALLINT>(i + 1), SQL_DESC_OCTET_LENGTH, nullptr,
                      0, nullptr, &octets);
      db_item it;
      it.name.assign(
          reinterpret_cast<char*>(name),
          static_cast<size_t>(name_len < 0                                        ? 0
                              : name_len >= static_cast<SQLSMALLINT>(sizeof name) ? sizeof name - 1
                                                                                  : name_len));
      it.nullable = nullable != SQL_NO_NULLS;
      odbc_describe_item(sql_type, size, digits, octets, type_name, oracle_, &it);
      items_[i] = {it.type, it.nls_flag};
      d.item.push_back(std::move(it));
    }
    ca.clear();
    return sql_ok;
  }

  int32_t fetch(db_descriptor& d, db_sqlca& ca) override {
    // A statement without a result set has no rows, as with the SQLite backend.
    if (!has_rows_) return ca.set(sql_no_data, "no data found");
    size_t n = d.item.size() < items_.size() ? d.item.size() : items_.size();
    const bool bound = bind_items(d, n);
    SQLRETURN rc;
    if (bound) {
      // Bound character items are converted by SQLFetch itself.
      utf8_ctype_scope utf8;
      rc = SQLFetch(stmt_.get());
    } else {
      rc = SQLFetch(stmt_.get());
    }
    if (rc == SQL_NO_DATA) return ca.set(sql_no_data, "no data found");
    if (!SQL_SUCCEEDED(rc)) return fail_with(SQL_HANDLE_STMT, stmt_.get(), oracle_, ca);
    for (size_t i = 0; i < n; ++i) {
      if (!d.item[i].buf || d.item[i].buf_len <= 0) continue;
      int32_t code = get_item(d.item[i], i, bound, ca);
      if (code != sql_ok) return code;
    }
    ca.clear();
    return sql_ok;
  }

  int32_t close(db_sqlca& ca) override {
    if (stmt_.get()) SQLFreeStmt(stmt_.get(), SQL_CLOSE);
    ca.clear();
    return sql_ok;
  }

 private:
  // The C type an item is read as, and the bytes its buffer needs.
  static SQLSMALLINT c_type_of(int16_t type) {
    switch (type) {
      case db_number:
        return SQL_C_CHAR;
      case db_date:
        return SQL_C_TYPE_TIMESTAMP;
      case db_raw:
      case db_long_raw:
        return SQL_C_BINARY;
      default:
        return SQL_C_WCHAR;
    }
  }
  static size_t buffer_size(int16_t type, int32_t buf_len) {
    switch (type) {
      case db_number:
        return kNumberText;
      case db_date:
        return sizeof(SQL_TIMESTAMP_STRUCT);
      case db_raw:
      case db_long_raw:
        return static_cast<size_t>(buf_len) / 2 + 1;
      default:  // room for the driver's terminating zero unit
        return (static_cast<size_t>(buf_len) + 1) * sizeof(SQLWCHAR);
    }
  }

  // Binds the items to be fetched to buffers of their own, once per result
  // set and item length, so that one SQLFetch delivers the row. False when
  // the driver refuses a binding: the values are then read with SQLGetData,
  // for this statement from then on.
  bool bind_items(const db_descriptor& d, size_t n) {
    if (!binding_ok_) return false;
    bool same = bound_.size() == n;
    for (size_t i = 0; same && i < n; ++i)
      same = bound_[i].buf_len == (d.item[i].buf ? d.item[i].buf_len : 0);
    if (same) return true;
    unbind();
    bound_.resize(n);
    for (size_t i = 0; i < n; ++i) {
      bound_col& b = bound_[i];
      b.buf_len = d.item[i].buf ? d.item[i].buf_len : 0;
      if (b.buf_len <= 0) continue;
      b.data.assign(buffer_size(items_[i].type, b.buf_len), 0);
      if (!SQL_SUCCEEDED(SQLBindCol(stmt_.get(), static_cast<SQLUSMALLINT>(i + 1),
                                    c_type_of(items_[i].type), b.data.data(),
                                    static_cast<SQLLEN>(b.data.size()), &b.ind))) {
        unbind();
        binding_ok_ = false;
        return false;
      }
    }
    return true;
  }

  void unbind() {
    if (!bound_.empty() && stmt_.get()) SQLFreeStmt(stmt_.get(), SQL_UNBIND);
    bound_.clear();
  }

  // The bytes and indicator of column i of the fetched row: its bound buffer,
  // or `scratch_` filled by SQLGetData. Returns the call's result.
  SQLRETURN column_data(size_t i, int32_t buf_len, bool bound, const char** data, SQLLEN* ind) {
    if (bound) {
      *data = bound_[i].data.data();
      *ind = bound_[i].ind;
      return SQL_SUCCESS;
    }
    const int16_t type = items_[i].type;
    const size_t size = buffer_size(type, buf_len);
    if (scratch_.size() < size) scratch_.resize(size);
    *data = scratch_.data();
    if (c_type_of(type) != SQL_C_WCHAR)
      return SQLGetData(stmt_.get(), static_cast<SQLUSMALLINT>(i + 1), c_type_of(type),
                        scratch_.data(), static_cast<SQLLEN>(size), ind);
    utf8_ctype_scope utf8;
    return SQLGetData(stmt_.get(), static_cast<SQLUSMALLINT>(i + 1), SQL_C_WCHAR, scratch_.data(),
                      static_cast<SQLLEN>(size), ind);
  }

  // Reads column i of the fetched row into `it`; returns 0 or the recorded failure.
  int32_t get_item(db_item& it, size_t i, bool bound, db_sqlca& ca) {
    const odbc_item& t = items_[i];
    const char* data = nullptr;
    SQLLEN ind = 0;
    if (!SQL_SUCCEEDED(column_data(i, it.buf_len, bound, &data, &ind)))
      return fail_with(SQL_HANDLE_STMT, stmt_.get(), oracle_, ca);
    if (ind == SQL_NULL_DATA) return db_put_null(it), sql_ok;
    switch (t.type) {
      case db_number: {
        std::string out;
        size_t room = static_cast<size_t>(it.buf_len);
        if (ind == SQL_NO_TOTAL || ind >= static_cast<SQLLEN>(kNumberText))
          return ca.set(sql_numeric_overflow, "numeric overflow: column " + it.name);
        // The database stored the value at its scale already; some drivers give an
        // undeclared numeric an invented scale, so no rounding here.
        if (std::string_view text(data); text.size() <= room && db_normal_number(text)) {
          db_put_value(it, text, false);
          return sql_ok;
        }
        if (!db_declared_number_text(data, 0, 0, room, &out))
          return ca.set(sql_invalid_number,
                        "invalid number: column " + it.name + " holds '" + std::string(data) + "'");
        db_put_value(it, out, false);
        return sql_ok;
      }
      case db_date: {
        SQL_TIMESTAMP_STRUCT ts;
        memcpy(&ts, data, sizeof ts);
        db_put_value(it, db_date_text(ts.year, ts.month, ts.day), false);
        return sql_ok;
      }
      case db_raw:
      case db_long_raw: {
        const size_t size = buffer_size(t.type, it.buf_len);
        size_t got = ind == SQL_NO_TOTAL || ind > static_cast<SQLLEN>(size)
                         ? size
                         : static_cast<size_t>(ind);
        size_t whole = ind == SQL_NO_TOTAL ? 32767 : 2 * static_cast<size_t>(ind);
        db_put_value(it, db_hex_text(reinterpret_cast<const unsigned char*>(data), got), false,
                     whole);
        return sql_ok;
      }
      default:
        break;
    }
    // Character data comes as UTF-16, whatever the process locale.
    bool utf16 = t.nls == db_nls_unicode;
    size_t room = static_cast<size_t>(it.buf_len);  // the driver ends the text with a zero unit
    size_t got = ind == SQL_NO_TOTAL ||
                         ind / static_cast<SQLLEN>(sizeof(SQLWCHAR)) > static_cast<SQLLEN>(room)
                     ? room
                     : static_cast<size_t>(ind) / sizeof(SQLWCHAR);
    std::string utf8;
    if constexpr (sizeof(SQLWCHAR) == sizeof(uint16_t)) {
      // Most values are plain ASCII and whole: their units go straight into the buffer.
      const bool whole = ind != SQL_NO_TOTAL && static_cast<size_t>(ind) / sizeof(SQLWCHAR) <= got;
      if (!utf16 && whole && db_put_ascii_units(it, data, got)) return sql_ok;
      uint16_t units[kMaxUnitsOnStack];
      if (got <= kMaxUnitsOnStack) {
        memcpy(units, data, got * sizeof(uint16_t));
        utf8 = db_utf8_text(units, got);
      } else {
        std::vector<uint16_t> u16(got);
        memcpy(u16.data(), data, got * sizeof(uint16_t));
        utf8 = db_utf8_text(u16.data(), got);
      }
    } else {
      const auto* wide = reinterpret_cast<const SQLWCHAR*>(data);
      std::vector<uint16_t> u16(wide, wide + got);
      utf8 = db_utf8_text(u16.data(), u16.size());
    }
    std::string value = utf16 ? db_utf16be_text(utf8) : std::move(utf8);
    // A cut value's whole length is known in UTF-16 units only: count each unit
    // not read as one byte more.
    size_t whole = 0;
    if (ind == SQL_NO_TOTAL)
      whole = 32767;
    else if (static_cast<size_t>(ind) / sizeof(SQLWCHAR) > got)
      whole = value.size() + (static_cast<size_t>(ind) / sizeof(SQLWCHAR) - got) * (utf16 ? 2 : 1);
    db_put_value(it, value, utf16, whole);
    return sql_ok;
  }

  // A number's text: ODBC's longest numeric text with room to tell it was cut.
  static constexpr size_t kNumberText = 1100;
  // Units of a character value copied on the stack (the longest buffer's).
  static constexpr size_t kMaxUnitsOnStack = 1024;

  // One item's bound buffer.
  struct bound_col {
    int32_t buf_len = 0;     // the item length it was bound for; 0 when not bound
    std::vector<char> data;  // the driver's buffer
    SQLLEN ind = 0;          // the driver's length or NULL indicator
  };

  SQLHDBC dbc_;                        // borrowed from the session
  bool oracle_;                        // the data source is an Oracle database
  odbc_handle<SQL_HANDLE_STMT> stmt_;  // allocated at the first prepare
  std::vector<odbc_item> items_;       // per item, fixed at describe
  bool has_rows_ = false;              // the open statement has a result set
  std::vector<bound_col> bound_;       // per item of the open result set, once bound
  bool binding_ok_ = true;             // the driver accepted the bindings asked so far
  std::vector<char> scratch_;          // SQLGetData's buffer when not bound
};

class odbc_session final : public db_backend_session {
 public:
  odbc_session() = default;
  ~odbc_session() override {
    if (connected_) {
      // Without autocommit a disconnect refuses while a transaction is open.
      SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_ROLLBACK);
      SQLDisconnect(dbc_.get());
    }
  }

  int32_t connect(std::string_view user, std::string_view password, std::string_view connect_string,
                  db_sqlca& ca) {
    if (!env_.alloc(SQL_NULL_HANDLE))
      return ca.set(sql_odbc_other, "the ODBC driver manager cannot allocate an environment");
    SQLSetEnvAttr(env_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!dbc_.alloc(env_.get())) return fail_with(SQL_HANDLE_ENV, env_.get(), false, ca);
    const SQLULEN login = static_cast<SQLULEN>(db_current_timeouts().login_seconds);
    if (login > 0)
      SQLSetConnectAttr(dbc_.get(), SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(login), 0);
    std::string cs = odbc_connection_string(user, password, connect_string);
    SQLRETURN rc = SQLDriverConnect(dbc_.get(), nullptr, reinterpret_cast<SQLCHAR*>(cs.data()),
                                    static_cast<SQLSMALLINT>(cs.size()), nullptr, 0, nullptr,
                                    SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) return fail_with(SQL_HANDLE_DBC, dbc_.get(), false, ca);
    connected_ = true;
    // A warning at logon may be the database's "password will expire".
    int32_t code = sql_ok;
    std::string warning;
    if (rc == SQL_SUCCESS_WITH_INFO) {
      odbc_diag diag = odbc_read_diag(SQL_HANDLE_DBC, dbc_.get());
      if (diag.native == sql_password_expiring) {
        code = sql_password_expiring;
        warning = diag.message;
      }
    }
    char dbms[64] = "";
    SQLSMALLINT len = 0;
    SQLGetInfo(dbc_.get(), SQL_DBMS_NAME, dbms, sizeof dbms, &len);
    oracle_ = strncmp(dbms, "Oracle", 6) == 0;
    // The PostgreSQL driver asks the server for text in the process locale's
    // code page, which cannot hold every character (Latin-1 has no 日): the
    // session takes UTF-8, which the driver turns into UTF-16 losslessly.
    if (strcmp(dbms, "PostgreSQL") == 0) {
      odbc_handle<SQL_HANDLE_STMT> set;
      char sql[] = "SET client_encoding TO 'UTF8'";
      if (set.alloc(dbc_.get())) {
        utf8_ctype_scope utf8;
        SQLExecDirect(set.get(), reinterpret_cast<SQLCHAR*>(sql), SQL_NTS);
      }
    }
    if (!SQL_SUCCEEDED(SQLSetConnectAttr(dbc_.get(), SQL_ATTR_AUTOCOMMIT,
                                         reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0)))
      return fail_with(SQL_HANDLE_DBC, dbc_.get(), oracle_, ca);
    return ca.set(code, warning);
  }

  std::unique_ptr<db_backend_statement> new_statement() override {
    return std::make_unique<odbc_statement>(dbc_.get(), oracle_);
  }
  int32_t commit(db_sqlca& ca) override { return end(SQL_COMMIT, ca); }
  int32_t rollback(db_sqlca& ca) override { return end(SQL_ROLLBACK, ca); }
  bool remote() const override { return true; }

 private:
  int32_t end(SQLSMALLINT how, db_sqlca& ca) {
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), how)))
      return fail_with(SQL_HANDLE_DBC, dbc_.get(), oracle_, ca);
    ca.clear();
    return sql_ok;
  }

  odbc_handle<SQL_HANDLE_ENV> env_;  // freed last
  odbc_handle<SQL_HANDLE_DBC> dbc_;  // the connection
  bool connected_ = false;           // SQLDriverConnect succeeded
  bool oracle_ = false;              // the data source is an Oracle database
};

}  // namespace

int32_t odbc_logon(std::string_view user, std::string_view password,
                   std::string_view connect_string, db_sqlca& ca,
                   std::unique_ptr<db_backend_session>* out) {
  if (connect_string.empty())
    return ca.set(sql_unknown_service, "no data source: the connect string is empty");
  auto session = std::make_unique<odbc_session>();
  int32_t code = session->connect(user, password, connect_string, ca);
  if (code == sql_ok || code == sql_password_expiring) *out = std::move(session);
  return code;
}
