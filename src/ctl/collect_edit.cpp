// What a cursor block becomes: columns from host variables, the rewritten
// model INSERT, the checks and defaults at the end of the block, and the
// derived SELECT.
#include <cstdlib>
#include <cstring>
#include <string>

#include "ctl/arena.h"
#include "ctl/collect.h"
#include "ctl/curs.h"
#include "ctl/fetch_exit.h"
#include "ctl/reader.h"
#include "ctl/script_exit.h"
#include "util/print.h"
#include "util/settings.h"

namespace {

struct prefix {
  const char* upper;
  const char* lower;
  int16_t code;
};

// Value types; "INT64!" before "INT!" so the longer one wins.
constexpr prefix type_prefixes[] = {
    {"INT64!", "int64!", 5}, {"INT!", "int!", 1}, {"FLOAT!", "float!", 2},
    {"TS!", "ts!", 3},       {"NS!", "ns!", 4},
};

// Column functions.
constexpr prefix function_prefixes[] = {
    {"AVG!", "avg!", 3}, {"SUM!", "sum!", 6},   {"MIN!", "min!", 1},
    {"MAX!", "max!", 2}, {"WAVG!", "wavg!", 4}, {"TREND!", "trend!", 5},
    {"HW!", "hw!", 7},   {"LW!", "lw!", 8},     {"COUNT!", "count!", 9},
};

template <size_t N>
int16_t take_prefix(const prefix (&table)[N], const char** p, const char* end) {
  for (const prefix& x : table) {
    size_t n = strlen(x.upper);
    if (static_cast<size_t>(end - *p) >= n &&
        (memcmp(*p, x.upper, n) == 0 || memcmp(*p, x.lower, n) == 0)) {
      *p += n;
      return x.code;
    }
  }
  return 0;
}

// A leading number names the select-list position (n! addressing); the digits
// stay part of the name.
void take_occurrence(columns* col, const char* p, const char* end) {
  if (p >= end || *p < '0' || *p > '9') return;
  int v = 0;
  for (; p < end && *p >= '0' && *p <= '9' && v < 10000; ++p) v = v * 10 + (*p - '0');
  col->occurrence = static_cast<int16_t>(v == 0 ? 1 : v);
}

bool is_pseudo_column(const std::string& name) {
  static const char* const pseudo[] = {
      "%me",       "%rowno",      "%machine",        "%now_time",         "%now_secs",
      "%sampleno", "%machine_me", "%execution_time", "%current_interval",
  };
  if (name.empty() || name[0] != '%') return false;
  if (name.compare(0, 9, "%sqlcode_") == 0 || name.compare(0, 9, "%SQLCODE_") == 0) return true;
  for (const char* p : pseudo) {
    if (name == p) return true;
    std::string upper = p;
    for (char& ch : upper) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
    if (name == upper) return true;
  }
  return false;
}

// The record bytes the columns are known to take before the first run: the
// binary and timestamp fields and every length given after ^ (a text column
// without one takes what its first row brings, unknown here). Laid out as the
// record is, binary fields aligned.
int64_t known_record_width(const curs* c) {
  int64_t size = 0;
  for (const columns* col = c->column_list; col; col = col->next) {
    switch (col->num_type) {
      case 1:  // INT!
        size = (size + 3) / 4 * 4 + 4;
        break;
      case 5:  // INT64!
        size = (size + 3) / 4 * 4 + 8;
        break;
      case 2:  // FLOAT!
        size = (size + 7) / 8 * 8 + 8;
        break;
      case 4:  // NS!
        break;
      case 3:  // TS!
        size += col->set_length ? col->set_length : 16;
        break;
      default:
        size += col->set_length ? col->set_length : col->fmt_len;
        break;
    }
  }
  return size;
}

}  // namespace

int add_column(const char* text, int len, curs* cur) {
  columns* col = cursor_arena().make<columns>();
  const char* p = text;
  const char* end = text + (len > 0 ? len : 0);
  if (memchr(text, '.', end - text)) col->qualified = 1;
  take_occurrence(col, p, end);
  if (int16_t t = take_prefix(type_prefixes, &p, end)) {
    col->num_type = t;
    take_occurrence(col, p, end);
  }
  if (int16_t f = take_prefix(function_prefixes, &p, end)) {
    col->col_funct = f;
    if (f != 7 && f != 8) cur->has_col_funct = 1;
    if (f == 1 || f == 2) cur->has_min_max = 1;
  }
  if (int16_t t = take_prefix(type_prefixes, &p, end)) {
    col->num_type = t;
    take_occurrence(col, p, end);
  }
  const char* caret = static_cast<const char*>(memchr(p, '^', end - p));
  const char* name_end = caret ? caret : end;
  if (caret) {
    // Every digit counts; past the widest record the value stops growing.
    int32_t v = 0;
    for (const char* q = caret + 1; q < end && *q >= '0' && *q <= '9'; ++q)
      if (v <= MAX_ROW_RECORD) v = v * 10 + (*q - '0');
    if (v > MAX_ROW_RECORD) {
      PRINT('e', "pcc0026", "Cursor (%s). Length after ^ of column %.*s exceeds %d bytes\n",
            cur->cur_name, static_cast<int>(name_end - p), p, static_cast<int>(MAX_ROW_RECORD));
      return 1;
    }
    col->set_length = static_cast<int16_t>(v);
  }
  long n = name_end - p;
  if (n > 49) {
    std::string full(p, n);
    PRINT('w', "pcc0025", "Warning, truncating col_name %s\n", full.c_str());
    n = 49;
  }
  memcpy(col->name, p, n);
  col->name_len = static_cast<int16_t>(n);
  columns** tail = &cur->column_list;
  while (*tail) tail = &(*tail)->next;
  *tail = col;
  return 0;
}

int compact_insert(curs* cur) {
  if (!cur->column_list) {
    PRINT('e', "cev1820", "No host variables in INSERT\n");
    return 1;
  }
  std::string& text = cur->insert;
  // The last parenthesised group is the VALUES list.
  long close = static_cast<long>(text.size()) - 1;
  while (close >= 0 && text[close] != ')') --close;
  long open = close;
  int depth = 0;
  if (close >= 0) {
    for (; open >= 0; --open) {
      if (text[open] == ')') ++depth;
      if (text[open] == '(' && --depth == 0) break;
    }
  }
  if (close < 0 || open <= 0) {
    PRINT('e', "cev1825", "Insert parentheses dont match-up\n");
    return 1;
  }
  std::string marks;
  for (columns* c = cur->column_list; c; c = c->next) marks += "?,";
  marks.back() = ')';
  text.replace(open + 1, std::string::npos, marks);

  size_t first = text.find('(');
  if (first == std::string::npos) return 1;
  host_col** tail = &cur->host_cols;
  while (*tail) tail = &(*tail)->next;
  size_t i = first + 1;
  while (i < text.size() && text[i] != ')') {
    if (text[i] == ' ' || text[i] == ',') {
      ++i;
      continue;
    }
    size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != ',' && text[i] != ')') ++i;
    if (i - start >= 50) return 1;
    host_col* h = cursor_arena().make<host_col>();
    memcpy(h->name, text.data() + start, i - start);
    *tail = h;
    tail = &h->next;
    ++cur->ins_col_count;
  }
  return 0;
}

int edit_cursor_block(curs* c) {
  // Column ordinals are known from here on, before the cursor first runs
  // (the probe's layout of a cursor that has not run yet carries them).
  int16_t ordinal = 0;
  for (columns* col = c->column_list; col; col = col->next) col->col_ordinal = ++ordinal;
  bool bad = false;
  auto fail = [&] { bad = true; };
  if (c->cur_name[0] == 0) {
    PRINT('e', "pcc0327", "No cursor name\n");
    fail();
  }
  if (c->stale && !c->demand) {
    PRINT('e', "pcc0340", "Error - Stale only valid with demand cursor\n");
    fail();
  }
  if (!c->demand && !c->virtual_ && c->interval == 0) {
    c->interval = 10;
    PRINT('w', "pcc0345", "Using default interval of 10 seconds for cursor %s\n", c->cur_name);
  }
  if (c->dummy_last_row && c->conditional_dummy_last_row) {
    PRINT('e', "pcc0350", "Conditional_dummy_last_row and dummy_last_row are exclusive\n");
    fail();
  }
  if (!c->column_list) {
    PRINT('e', "pcc0355", "No local columns to fetch for insert\n");
    fail();
  }
  if (c->insert.empty()) {
    if (c->cur_name[0]) {
      PRINT('e', "pcc0360", "Cursor (%s). No model INSERT statement\n", c->cur_name);
    } else {
      PRINT('e', "pcc0360", "No model INSERT statement\n");
    }
    fail();
  }
  if (c->table_name.empty()) {
    if (c->cur_name[0]) {
      PRINT('e', "pcc0365", "Cursor (%s). No table name found\n", c->cur_name);
    } else {
      PRINT('e', "pcc0365", "No table name found\n");
    }
    fail();
  }
  if (!c->demand && !c->virtual_ && c->limit == 0 && c->time_limit == 0) {
    if (const char* env = getenv("COLL_ZDB_LIMIT")) {
      int v = atoi(env);
      c->limit = v < 1 ? 1024 : v;
      PRINT('w', "pcc0371", "Warning, Cursor (%s) No cursor row limit, using (%d) rows\n",
            c->cur_name, c->limit);
    } else {
      c->limit = 1024;
      if (c->cur_name[0]) {
        PRINT('w', "pcc0370", "Warning, Cursor (%s) No cursor row limit, using default 1024 rows\n",
              c->cur_name);
      } else {
        PRINT('w', "pcc0370", "Warning, No cursor row limit, using default 1024 rows\n");
      }
    }
  }
  if (!c->saturday) c->saturday = &full_day;
  if (!c->sunday) c->sunday = &full_day;
  if (!c->mon_fri) c->mon_fri = &full_day;
  if (c->empty && c->once) {
    PRINT('e', "pcc0390", "Empty and Once are incompatable\n");
    fail();
  }
  if (c->no_sql) {
    if (!c->raw_insert_select.empty()) {
      PRINT('e', "pcc0400", "NO_SQL and INSERT_SELECT are incompatable\n");
      fail();
    }
    if (c->virtual_) {
      PRINT('e', "pcc0405", "NO_SQL and VIRTUAL are incompatable\n");
      fail();
    }
    if (c->bases) {
      PRINT('e', "pcc0410", "NO_SQL and BASE are incompatable\n");
      fail();
    }
  }
  if (c->iterate_where && !c->iterate) {
    PRINT('e', "pcc0415", "ITERATE_WHERE requires ITERATE\n");
    fail();
  }
  if (c->fetch_exit) {
    if (c->script.empty() || c->raw_insert_select.empty()) {
      PRINT('e', "pcc0440", "Fetch exit %s requires 'script' and 'select'\n", c->fetch_exit->name);
      fail();
    } else if (parse_script_exit(c) != 0) {
      fail();
    }
  }
  if (c->virtual_ && c->conditional) {
    PRINT('e', "pcc0443", "A virtual cursor (%s) can't be conditional\n", c->cur_name);
    fail();
  }
  if (int64_t width = known_record_width(c); width > MAX_ROW_RECORD) {
    PRINT('e', "pcc0367", "Cursor (%s). Record length %lld exceeds %d bytes\n", c->cur_name,
          static_cast<long long>(width), static_cast<int>(MAX_ROW_RECORD));
    fail();
  }
  memset(c->last_sqlcode_text, ' ', 16);
  c->last_sqlcode_text[16] = 0;
  if (bad) reader.failed = 1;
  return bad ? 1 : 0;
}

int set_selects(curs* c) {
  std::string sql;
  bool selected = false;
  if (!c->raw_insert_select.empty()) {
    sql = c->raw_insert_select;
  } else {
    sql = "SELECT ";
    for (columns* col = c->column_list; col; col = col->next) {
      std::string name(col->name, col->name_len);
      if (is_pseudo_column(name)) continue;
      bool seen = false;
      for (columns* e = c->column_list; e != col && !seen; e = e->next) {
        seen = e->name_len == col->name_len && memcmp(e->name, col->name, col->name_len) == 0;
      }
      if (seen) continue;
      sql += name;
      sql += ',';
      selected = true;
    }
    if (selected) {
      sql.pop_back();
      sql += " FROM ";
      sql += c->table_name;
    }
  }
  if (!selected && c->raw_insert_select.empty()) {
    PRINT('e', "PCC0020", "Error - No columns to fetch\n");
    return 1;
  }
  if (!c->insert_where.empty()) {
    sql += " WHERE ";
    sql += c->insert_where;
  }
  c->select = sql;
  return 0;
}
