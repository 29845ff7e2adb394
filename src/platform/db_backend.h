// What a database backend provides to the client layer (db_client.h): a
// session made by a logon, and statements that prepare, open, describe and
// fetch. The client layer keeps the step order and the session's lifetime.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/db_client.h"

// One prepared statement of a backend session. It is destroyed before its
// session. Every operation records its outcome in `ca` and returns the SQLCODE.
class db_backend_statement {
 public:
  virtual ~db_backend_statement() = default;
  virtual int32_t prepare(std::string_view sql, db_sqlca& ca) = 0;
  // Runs the prepared statement; for a query, positions before its first row.
  virtual int32_t open(db_sqlca& ca) = 0;
  // Fills d.found and d.item's describe fields (after open).
  virtual int32_t describe(db_descriptor& d, db_sqlca& ca) = 0;
  // Fetches item `i`, an untyped one (db_item::untyped), as an item of
  // `like`'s type from now on. Backends whose items are always typed ignore it.
  virtual void retype(size_t /*i*/, const db_item& /*like*/) {}
  // Fetches one row into the items' buffers (db_put_* of db_values.h).
  virtual int32_t fetch(db_descriptor& d, db_sqlca& ca) = 0;
  virtual int32_t close(db_sqlca& ca) = 0;
};

// One logged-on backend session; destroying it logs off.
class db_backend_session {
 public:
  virtual ~db_backend_session() = default;
  virtual std::unique_ptr<db_backend_statement> new_statement() = 0;
  virtual int32_t commit(db_sqlca& ca) = 0;
  virtual int32_t rollback(db_sqlca& ca) = 0;
  virtual bool remote() const = 0;
};

// Opens the SQLite database file `path`. `os_auth`: logon "/" (user and
// password unused). On success (0 or sql_password_expiring) *out holds the session.
int32_t sqlite_logon(const std::string& path, std::string_view user, std::string_view password,
                     bool os_auth, db_sqlca& ca, std::unique_ptr<db_backend_session>* out);

// Connects through ODBC to `connect_string` (a data source name, or a
// connection string when it holds "="). On success *out holds the session.
int32_t odbc_logon(std::string_view user, std::string_view password,
                   std::string_view connect_string, db_sqlca& ca,
                   std::unique_ptr<db_backend_session>* out);
