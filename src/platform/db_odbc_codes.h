// The ODBC backend's tables: the driver's diagnostics as SQLCODEs, its column
// types as the client's type codes, and the connection string of a logon.
#pragma once

#include <sql.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/db_client.h"

// The first diagnostic record of a handle.
struct odbc_diag {
  std::string state;    // SQLSTATE, five characters ("" when none was recorded)
  int32_t native = 0;   // the driver's native error number
  std::string message;  // its text, control characters turned to blanks, at most 1,000 bytes
};

// Reads the first diagnostic record of handle `h` of kind `kind`.
odbc_diag odbc_read_diag(SQLSMALLINT kind, SQLHANDLE h);

// The SQLCODE of a failure. `oracle`: the data source is an Oracle database,
// whose driver reports the database's own error number as the native error.
int32_t odbc_map_code(const odbc_diag& diag, bool oracle);

// Fills `it`'s type code, lengths, precision, scale and national-character flag
// from what SQLDescribeCol and SQLColAttribute told of a column.
void odbc_describe_item(SQLSMALLINT sql_type, SQLULEN size, SQLSMALLINT digits, SQLLEN octets,
                        std::string_view type_name, bool oracle, db_item* it);

// The connection string for SQLDriverConnect: "DSN=<name>;" for a data source
// name, else `connect_string` as given, then the user and password (braced
// where they hold separators).
std::string odbc_connection_string(std::string_view user, std::string_view password,
                                   std::string_view connect_string);
