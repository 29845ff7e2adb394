// ODBC diagnostics and column types as the client's SQLCODEs and type codes.
// SQLSTATEs of the PostgreSQL family are mapped to the Oracle numbers of the
// same conditions; an Oracle driver's native numbers pass through.
#include "platform/db_odbc_codes.h"

#include <sqlext.h>
#include <strings.h>

#include <cstring>

namespace {

bool contains_nocase(std::string_view text, const char* word) {
  size_t n = strlen(word);
  for (size_t i = 0; i + n <= text.size(); ++i)
    if (strncasecmp(text.data() + i, word, n) == 0) return true;
  return false;
}

struct state_code {
  const char* state;
  int32_t code;
};

// SQLSTATEs with an Oracle counterpart.
constexpr state_code state_codes[] = {
    {"28000", sql_invalid_logon},            // invalid authorization
    {"28P01", sql_invalid_logon},            // invalid password
    {"IM002", sql_unknown_service},          // data source not found
    {"08S01", sql_link_lost},                // communication link failure
    {"57P01", sql_link_lost},                // administrator shut the server down
    {"57P02", sql_link_lost},                // crash shutdown
    {"08003", sql_not_connected},            // connection does not exist
    {"08006", sql_link_lost},                // connection failure
    {"42601", sql_invalid_statement},        // syntax error
    {"42000", sql_invalid_statement},        // syntax error or access violation
    {"42P01", sql_no_such_table},            // undefined table
    {"42S02", sql_no_such_table},            // base table not found
    {"42703", sql_invalid_identifier},       // undefined column
    {"42S22", sql_invalid_identifier},       // column not found
    {"42883", sql_invalid_identifier},       // undefined function
    {"42501", sql_insufficient_privileges},  // insufficient privilege
    {"22012", sql_divide_by_zero},           // division by zero
    {"22P02", sql_invalid_number},           // invalid text representation
    {"22018", sql_invalid_number},           // invalid character value for cast
    {"22003", sql_numeric_overflow},         // numeric value out of range
    {"22007", sql_bad_date},                 // invalid datetime format
    {"22008", sql_bad_date},                 // datetime field overflow
    {"57014", sql_cancelled},                // query canceled
    {"HY008", sql_cancelled},                // operation canceled
};

}  // namespace

odbc_diag odbc_read_diag(SQLSMALLINT kind, SQLHANDLE h) {
  odbc_diag d;
  SQLCHAR state[6] = "";
  SQLINTEGER native = 0;
  SQLCHAR msg[1024] = "";
  SQLSMALLINT len = 0;
  if (!SQL_SUCCEEDED(SQLGetDiagRec(kind, h, 1, state, &native, msg, sizeof msg, &len))) {
    d.message = "the ODBC driver reported a failure without a diagnostic";
    return d;
  }
  d.state = reinterpret_cast<char*>(state);
  d.native = native;
  std::string text(reinterpret_cast<char*>(msg));
  // Drivers write several lines; messages are printed on one.
  for (char& c : text)
    if (static_cast<unsigned char>(c) < ' ') c = ' ';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  d.message = text.substr(0, 1000);
  return d;
}

int32_t odbc_map_code(const odbc_diag& diag, bool oracle) {
  if (oracle && diag.native > 0) return -diag.native;
  if (diag.state == "08001") {
    // A wrong password and an unreachable server share the state; only the
    // text tells them apart.
    if (contains_nocase(diag.message, "password") ||
        contains_nocase(diag.message, "authentication failed"))
      return sql_invalid_logon;
    return sql_no_listener;
  }
  for (const state_code& s : state_codes)
    if (diag.state == s.state) return s.code;
  // A link that broke under a generic state still reads as one.
  if (contains_nocase(diag.message, "connection") &&
      (contains_nocase(diag.message, "dead") || contains_nocase(diag.message, "closed") ||
       contains_nocase(diag.message, "lost") || contains_nocase(diag.message, "terminat")))
    return sql_link_lost;
  int32_t native = diag.native > 0 && diag.native < 100000 ? diag.native : 0;
  return sql_odbc_other - native;
}

void odbc_describe_item(SQLSMALLINT sql_type, SQLULEN size, SQLSMALLINT digits, SQLLEN octets,
                        std::string_view type_name, bool oracle, db_item* it) {
  auto chars = static_cast<int32_t>(size == 0 || size > 32767 ? 4000 : size);
  auto character = [&](int16_t type, bool national) {
    it->type = type;
    it->col_size_chars = chars;
    it->nls_flag = national ? db_nls_unicode : db_nls_plain;
    // National items come as UTF-16; others as UTF-8, up to what the driver says.
    int32_t bytes = national ? 2 * chars : chars;
    if (!national && octets > bytes && octets <= 4 * static_cast<SQLLEN>(chars))
      bytes = static_cast<int32_t>(octets);
    it->col_size_bytes = it->length = bytes;
  };
  auto number = [&](int precision, int scale) {
    it->type = db_number;
    it->length = it->col_size_bytes = 22;
    it->precision = static_cast<int16_t>(precision >= 1 && precision <= 38 ? precision : 0);
    it->scale =
        static_cast<int16_t>(it->precision != 0 && scale >= -84 && scale <= 127 ? scale : 0);
  };
  auto fixed = [&](int16_t type, int32_t length) {
    it->type = type;
    it->length = it->col_size_bytes = length;
  };
  std::string upper;
  for (char c : type_name) upper += static_cast<char>(toupper(static_cast<unsigned char>(c)));
  if (upper == "ROWID" || upper == "UROWID") return fixed(db_rowid, 18);
  if (upper == "LONG") return fixed(db_long, 0);
  if (upper == "LONG RAW") return fixed(db_long_raw, 0);
  switch (sql_type) {
    case SQL_CHAR:
      return character(db_char, false);
    case SQL_WCHAR:
      // Unicode drivers describe every text as wide; only Oracle's marks national ones so.
      return character(db_char, oracle);
    case SQL_VARCHAR:
    case SQL_GUID:
    case SQL_TYPE_TIME:
      return character(db_varchar2, false);
    case SQL_WVARCHAR:
      return character(db_varchar2, oracle);
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
      return fixed(db_long, 0);
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return number(static_cast<int>(size), digits);
    case SQL_TINYINT:
      return number(3, 0);
    case SQL_SMALLINT:
      return number(5, 0);
    case SQL_INTEGER:
      return number(10, 0);
    case SQL_BIGINT:
      return number(19, 0);
    case SQL_BIT:
      return number(1, 0);
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return number(0, 0);
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIMESTAMP:
      return fixed(db_date, 7);
    case SQL_BINARY:
    case SQL_VARBINARY:
      return fixed(db_raw, size == 0 || size > 2000 ? 2000 : static_cast<int32_t>(size));
    case SQL_LONGVARBINARY:
      return fixed(db_long_raw, 0);
    default:
      // Intervals and driver-specific types: the driver's own number, which the
      // collector refuses as an unknown type.
      return fixed(sql_type, static_cast<int32_t>(size > 32767 ? 32767 : size));
  }
}

std::string odbc_connection_string(std::string_view user, std::string_view password,
                                   std::string_view connect_string) {
  auto value = [](std::string_view v) {
    if (v.find_first_of(";{}=") == std::string_view::npos && (v.empty() || v.front() != ' '))
      return std::string(v);
    std::string braced = "{";
    for (char c : v) {
      braced += c;
      if (c == '}') braced += '}';
    }
    return braced + "}";
  };
  std::string cs;
  if (connect_string.find('=') == std::string_view::npos) {
    cs = "DSN=" + value(connect_string) + ";";
  } else {
    cs = connect_string;
    if (cs.back() != ';') cs += ';';
  }
  if (!user.empty()) cs += "UID=" + value(user) + ";PWD=" + value(password) + ";";
  return cs;
}
