// The ODBC backend of the database client (remote logons).
#include "platform/db_backend.h"

int32_t odbc_logon(std::string_view, std::string_view, std::string_view, db_sqlca& ca,
                   std::unique_ptr<db_backend_session>*) {
  return ca.set(sql_unknown_service, "remote logons are not available yet");
}
