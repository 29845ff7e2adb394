// Declared SQLite column types as the client's type codes. Oracle's type names
// come first; any other name follows SQLite's own affinity rules.
#include "platform/db_sqlite_types.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// Oracle's limits give undeclared lengths: VARCHAR2 and RAW at their largest.
constexpr int32_t default_varchar = 4000;
constexpr int32_t default_raw = 2000;

sqlite_type character(int16_t type, int32_t chars, bool national) {
  // SQLite keeps no lengths; a declared one beyond Oracle's largest is taken as that.
  if (chars > 32767) chars = 32767;
  sqlite_type t;
  t.type = type;
  t.chars = chars;
  t.nls = national ? 2 : 1;
  // National characters are delivered as UTF-16: two bytes per character.
  t.bytes = national ? 2 * chars : chars;
  t.length = t.bytes;
  return t;
}

sqlite_type number(int precision, int scale) {
  // Outside Oracle's ranges a declaration says nothing usable.
  if (precision < 1 || precision > 38) precision = 0;
  if (scale < -84 || scale > 127) scale = 0;
  sqlite_type t;
  t.type = 2;
  t.length = t.bytes = 22;
  t.precision = static_cast<int16_t>(precision);
  t.scale = static_cast<int16_t>(scale);
  return t;
}

sqlite_type fixed(int16_t type, int32_t length) {
  sqlite_type t;
  t.type = type;
  t.length = t.bytes = length;
  return t;
}

// SQLite stores 64-bit integers: 19 digits.
constexpr int16_t integer_digits = 19;

}  // namespace

sqlite_type sqlite_item_type(const char* decl, int storage) {
  std::string upper;
  for (const char* p = decl; p && *p; ++p) {
    char c = static_cast<char>(toupper(static_cast<unsigned char>(*p)));
    // Blanks collapse so that "LONG  RAW" reads as "LONG RAW".
    if (c == ' ' || c == '\t' || c == '\n') {
      if (!upper.empty() && upper.back() != ' ') upper += ' ';
    } else {
      upper += c;
    }
  }
  while (!upper.empty() && upper.back() == ' ') upper.pop_back();
  if (upper.empty()) {
    sqlite_type t;
    switch (storage) {
      case SQLITE_INTEGER:
      case SQLITE_FLOAT:
        t = number(0, 0);
        break;
      case SQLITE_BLOB:
        t = fixed(23, default_raw);
        break;
      default:
        t = character(1, default_varchar, false);
        break;
    }
    t.from_value = storage != SQLITE_NULL;
    t.untyped = !t.from_value;
    return t;
  }
  size_t paren = upper.find('(');
  std::string base = upper.substr(0, paren);
  while (!base.empty() && base.back() == ' ') base.pop_back();
  // Arguments: "(10)", "(8,2)", "( 8 , -2 )".
  int args[2] = {0, 0};
  int nargs = 0;
  if (paren != std::string::npos) {
    const char* p = upper.c_str() + paren + 1;
    while (nargs < 2) {
      while (*p == ' ') ++p;
      if (*p == '-' || isdigit(static_cast<unsigned char>(*p))) {
        char* end = nullptr;
        long v = strtol(p, &end, 10);
        p = end;
        args[nargs++] = static_cast<int>(v > 100000 ? 100000 : v < -100000 ? -100000 : v);
      } else {
        break;
      }
      while (*p && *p != ',' && *p != ')') ++p;
      if (*p != ',') break;
      ++p;
    }
  }
  auto len_or = [&](int32_t dflt) { return nargs > 0 && args[0] > 0 ? args[0] : dflt; };
  std::string_view b = base;
  if (b == "VARCHAR2" || b == "VARCHAR" || b == "CHARACTER VARYING" || b == "CHAR VARYING" ||
      b == "TEXT" || b == "STRING")
    return character(1, len_or(default_varchar), false);
  if (b == "NVARCHAR2" || b == "NVARCHAR" || b == "NATIONAL CHARACTER VARYING")
    return character(1, len_or(default_varchar), true);
  if (b == "CHAR" || b == "CHARACTER") return character(96, len_or(1), false);
  if (b == "NCHAR" || b == "NATIONAL CHARACTER") return character(96, len_or(1), true);
  if (b == "NUMBER" || b == "NUMERIC" || b == "DECIMAL" || b == "DEC")
    return number(nargs > 0 ? args[0] : 0, nargs > 1 ? args[1] : 0);
  if (b == "INTEGER" || b == "INT" || b == "SMALLINT" || b == "BIGINT" || b == "TINYINT")
    return number(integer_digits, 0);
  if (b == "REAL" || b == "FLOAT" || b == "DOUBLE" || b == "DOUBLE PRECISION" ||
      b == "BINARY_FLOAT" || b == "BINARY_DOUBLE")
    return number(0, 0);
  if (b == "DATE" || b == "DATETIME" || b == "TIMESTAMP") return fixed(12, 7);
  if (b == "RAW") return fixed(23, len_or(default_raw));
  if (b == "BLOB") return fixed(23, default_raw);
  if (b == "LONG" || b == "LONG VARCHAR") return fixed(8, 0);
  if (b == "LONG RAW") return fixed(24, 0);
  if (b == "ROWID" || b == "UROWID") return fixed(11, 18);
  // Any other name: SQLite's affinity rules, in SQLite's order.
  if (upper.find("INT") != std::string::npos) return number(integer_digits, 0);
  if (upper.find("CHAR") != std::string::npos || upper.find("CLOB") != std::string::npos ||
      upper.find("TEXT") != std::string::npos)
    return character(1, len_or(default_varchar), false);
  if (upper.find("BLOB") != std::string::npos) return fixed(23, default_raw);
  return number(0, 0);
}
