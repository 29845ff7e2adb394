// The .PXA reader: identifiers, table name and columns of an agent table
// definition, and the model INSERT deduced from them.
#include "ctl/pxa.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ctl/collect.h"
#include "ctl/ctl_file.h"
#include "ctl/curs.h"
#include "ctl/reader.h"
#include "util/print.h"

namespace {

struct pxa_column {
  int16_t col_type;  // 1 integer, 2 character, 3 float
  std::string col_name;
};

// True when `line` starts with `upper` or its lower-case form.
bool starts(const char* line, const char* upper) {
  size_t n = strlen(upper);
  if (strncmp(line, upper, n) == 0) return true;
  for (size_t i = 0; i < n; ++i) {
    if (line[i] != tolower(static_cast<unsigned char>(upper[i]))) return false;
  }
  return true;
}

std::string upper_case(std::string s) {
  for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return s;
}

// The value name of a column: the collector fills four of them itself.
std::string value_name(const std::string& column) {
  if (column == "SYSTEMNAME") return "%machine";
  if (column == "TIMESTAMP") return "%now_time";
  if (column == "SAMPLENO") return "%sampleno";
  if (column == "ROWNO") return "%rowno";
  return column;
}

const char* type_prefix(int16_t type) { return type == 1 ? "INT!" : type == 3 ? "FLOAT!" : ""; }

// Sections of the file, looked for in this order.
enum section { uuidbase = 1, uuidpavc, uuidpcvc, interface, objid, set, column, done };

struct pxa_reader {
  curs* cur;
  int at = uuidbase;
  std::string table;
  std::vector<pxa_column> columns;

  // Moves past the sections whose cursor field the cursor file already set.
  void skip_set() {
    for (;;) {
      if (at == uuidbase && !cur->uuidbase.empty())
        ++at;
      else if (at == uuidpavc && !cur->uuidpavc.empty())
        ++at;
      else if (at == uuidpcvc && !cur->uuidpcvc.empty())
        ++at;
      else if (at == objid && cur->objid != 0)
        ++at;
      else if (at == set && cur->set != 0)
        ++at;
      else
        return;
    }
  }

  // Applies one line; returns 1 after reporting a failure.
  int line(const char* p) {
    skip_set();
    switch (at) {
      case uuidbase: {
        if (*p != '[') return 0;
        const char* q = p + 1;
        while (*q == ' ') ++q;
        if (!starts(q, "UUIDBASE")) return 0;
        if (w_o_parens(q) == 0) return 1;
        cur->uuidbase = reader.text_in_parens;
        ++at;
        return 0;
      }
      case uuidpavc:
        if (!starts(p, "UUIDPAVC")) return 0;
        if (w_o_parens(p) == 0) return 1;
        cur->uuidpavc = reader.text_in_parens;
        ++at;
        return 0;
      case uuidpcvc: {
        if (!starts(p, "UUIDPCVC")) return 0;
        if (w_o_parens(p) == 0) return 1;
        cur->uuidpcvc = reader.text_in_parens;
        const char* first_close = strchr(strchr(p, '('), ')');
        const char* second = strchr(first_close + 1, '(');
        if (!second) {
          PRINT('e', "cat1940", "No rpc_version\n");
          return 1;
        }
        if (!strchr(second, ')')) {
          PRINT('e', "cat1945", "No rpc_version\n");
          return 1;
        }
        cur->rpc_version = atoi(second + 1);
        ++at;
        return 0;
      }
      case interface: {
        if (!starts(p, "INTERFACE ")) return 0;
        const char* q = p + 10;
        while (*q == ' ') ++q;
        size_t n = strcspn(q, " \r\n");
        table.assign(q, n);
        ++at;
        return 0;
      }
      case objid:
        if (!starts(p, "OBJID")) return 0;
        if (w_o_parens(p) == 0) return 1;
        cur->objid = atoi(reader.text_in_parens);
        ++at;
        return 0;
      case set:
        if (!starts(p, "SET")) return 0;
        if (w_o_parens(p) == 0) return 1;
        cur->set = atoi(reader.text_in_parens);
        ++at;
        return 0;
      case column: {
        if (!starts(p, "COLUMN ")) return 0;
        const char* q = p + 7;
        while (*q == ' ' || *q == '(') ++q;
        size_t n = strcspn(q, " ,\r\n");
        std::string name(q, n);
        q += n;
        while (*q == ' ' || *q == ',') ++q;
        int16_t type = 0;
        switch (toupper(static_cast<unsigned char>(*q))) {
          case 'I':
          case 'U':
          case 'L':
            type = 1;
            break;
          case 'F':
            type = 3;
            break;
          case 'C':
            type = 2;
            break;
          default:
            PRINT('e', "cat1950", "Unknown column type for %s\n", name.c_str());
            return 1;
        }
        columns.push_back({type, upper_case(name)});
        return 0;
      }
      default:
        return 0;
    }
  }
};

}  // namespace

int parse_pxa(const char* at, char* buffer, curs* cur) {
  std::string file;
  for (const char* p = at; *p && *p != ' '; ++p) {
    if (*p != '!') file += *p;
  }
  file += ".PXA";
  unique_file in(fopen(file.c_str(), "r"));
  if (!in) {
    PRINT('e', "cat1935", "Can NOT open %s\n", file.c_str());
    return 1;
  }
  pxa_reader r{cur};
  char line[300];
  while (fgets(line, sizeof line, in.get())) {
    const char* p = line;
    while (*p == ' ') ++p;
    size_t n = strlen(line);
    PRINT('i', "cat1940", n && line[n - 1] == '\n' ? "%s" : "%s\n", line);
    if (r.line(p) != 0) return 1;
  }
  if (r.table.empty()) {
    PRINT('e', "cat1955", "Did not find DS table name\n");
    return 1;
  }
  if (r.columns.empty()) {
    PRINT('e', "cat1960", "Did not find DS column(s)\n");
    return 1;
  }
  std::string table = upper_case(r.table);
  std::string names, values;
  for (const pxa_column& c : r.columns) {
    names += c.col_name + " , ";
    values += ":" + std::string(type_prefix(c.col_type)) + value_name(c.col_name) + " , ";
  }
  names.replace(names.size() - 2, 2, ") VALUES (");
  values.replace(values.size() - 2, 2, ") ");
  std::string insert = "INSERT INTO " + table + " (" + names + values;
  if (insert.size() > static_cast<size_t>(statement_max_text)) {
    PRINT('e', "cat1965", "Deduced insert exceeds %d characters\n", statement_max_text);
    return 1;
  }
  memcpy(buffer, insert.c_str(), insert.size() + 1);
  for (const pxa_column& c : r.columns) {
    std::string hv = type_prefix(c.col_type) + value_name(c.col_name);
    add_column(hv.c_str(), static_cast<int>(hv.size()), cur);
  }
  cur->hv_count = static_cast<int16_t>(r.columns.size());
  PRINT('i', "cat1970", "Deduced insert: %s\n", buffer);
  cur->insert_table = table;
  if (cur->table_name.empty()) cur->table_name = table;
  if (cur->trace) {
    ctl_trace("cat1975", "Objid = %d, set = %d, rpc_version = %d\n", cur->objid, cur->set,
              cur->rpc_version);
    if (!cur->uuidbase.empty()) ctl_trace("cat1980", "Uuidbase = %s\n", cur->uuidbase.c_str());
    if (!cur->uuidpavc.empty()) ctl_trace("cat1985", "Uuidpavc = %s\n", cur->uuidpavc.c_str());
    if (!cur->uuidpcvc.empty()) ctl_trace("cat1990", "Uuidpcvc = %s\n", cur->uuidpcvc.c_str());
  }
  return 0;
}
