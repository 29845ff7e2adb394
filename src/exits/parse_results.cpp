// Reading a fetch exit's output lines: messages of the program re-issued,
// leading lines skipped, each data line parsed into one DB data row in the
// exit's layout (columnar, simple words, tab-separated or formatted).
#include <cstring>
#include <string>

#include "ctl/curs.h"
#include "exits/db_data.h"
#include "exits/fetch_exits.h"
#include "util/print.h"
#include "util/trace.h"

namespace {

constexpr int kLayoutOptions = CD_PAD | CD_NO_RIGHT_BIN;

bool traced(const curs* cur) { return cur->trace || tracing.trace_all; }

void set_value(_anchorDBdata* set, _rowData* row, size_t i, const char* text, int len,
               int options) {
  const _columnData& c = set->Acoldata[i];
  convertData(c.max_len, row->value(*set, i), 1, len, text, 1, options);
  row->indicator[i] = 1;
}

int simpleParsing(curs*, _anchorDBdata* set, _rowData* row, const char* line) {
  int n = 0;
  std::string word;
  for (size_t i = 0; i < set->Acoldata.size(); ++i) {
    if (u_getWord(&line, word) < 0) break;
    set_value(set, row, i, word.data(), static_cast<int>(word.size()), kLayoutOptions);
    if (trace_on(8))
      PRINT('t', "smp1000", "rowdata->col[%d].value =%s len=%d\n", static_cast<int>(i),
            row->value(*set, i), static_cast<int>(word.size()));
    ++n;
  }
  return n;
}

int syntaxParsing(curs* cur, _anchorDBdata* set, _rowData* row, const char* line) {
  int n = 0;
  size_t avail = strlen(line);
  size_t pos = 0;
  for (size_t i = 0; i < set->Acoldata.size() && pos < avail; ++i) {
    const _columnData& c = set->Acoldata[i];
    size_t width = static_cast<size_t>(c.kind == 2 ? c.display_len : c.max_len);
    size_t len = avail - pos < width ? avail - pos : width;
    if (c.kind == 2 && strspn(line + pos, "+-.0123456789") < len)
      PRINT('w', "fxr4030", "Placing non-number into number for %s.%s. Value:%.20s.\n",
            cur->cur_name, c.name, std::string(line + pos, len).c_str());
    set_value(set, row, i, line + pos, static_cast<int>(len), kLayoutOptions);
    pos += len;
    ++n;
  }
  return n;
}

int tabbedParsing(curs*, _anchorDBdata* set, _rowData* row, const char* line) {
  int n = 0;
  const char* p = line;
  for (size_t i = 0; i < set->Acoldata.size(); ++i) {
    const char* tab = p ? strchr(p, '\t') : nullptr;
    int len = p ? static_cast<int>(tab ? tab - p : static_cast<long>(strlen(p))) : 0;
    if (len > set->Acoldata[i].max_len) len = set->Acoldata[i].max_len;
    set_value(set, row, i, p ? p : "", len, kLayoutOptions);
    if (p) ++n;
    p = tab ? tab + 1 : nullptr;
  }
  return n;
}

int cformatParsing(curs*, _anchorDBdata* set, _rowData* row, const char* line) {
  int len = static_cast<int>(strlen(line));
  for (size_t i = 0; i < set->Acoldata.size(); ++i) {
    int n = len < set->Acoldata[i].max_len ? len : set->Acoldata[i].max_len;
    set_value(set, row, i, line, n, CD_NO_RIGHT_BIN | CD_TRIM);
  }
  return static_cast<int>(set->Acoldata.size());
}

// Re-issues a program's message line at the level it carries.
void reissue(const char* line) {
  size_t letters = line[3] >= 'A' && line[3] <= 'Z' ? 4 : 3;
  std::string id(line, letters + 4);
  char level = static_cast<char>(line[letters + 4] - 'A' + 'a');
  PRINT(level, id.c_str(), "%s\n", line + letters + 6);
}

}  // namespace

int u_getWord(const char** p, std::string& word) {
  const char* s = *p;
  word.clear();
  while (*s == ' ' || *s == '\t') ++s;
  if (*s == ',') {
    ++s;
    while (*s == ' ' || *s == '\t') ++s;
  }
  if (!*s) {
    *p = s;
    return -1;
  }
  if (*s == '\'' || *s == '"') {
    char q = *s++;
    for (; *s && !(*s == q && s[-1] != '\\'); ++s) word += *s == '\\' && s[1] == '"' ? ' ' : *s;
    if (*s) ++s;
  } else {
    while (*s && *s != ' ' && *s != '\t' && *s != ',') word += *s++;
  }
  *p = s;
  return static_cast<int>(word.size());
}

int parseCmdResults(curs* cur, int format, const r_exec_chain* lines) {
  _anchorDBdata* set = cursor_db_data(cur);
  if (!set) return 0;
  static const char* const kinds[] = {"",
                                      "get a ST_COLUMNAR type.\n",
                                      "get a ST_SIMPLE type.\n",
                                      "get a ST_TABBED type.\n",
                                      "get a ST_COLUMNAR type.\n",
                                      "get a ST_FORMATTED type.\n"};
  int skip = cur->start_after;
  int limit = cur->stop_after;
  int rows = 0;
  for (const r_exec_chain* e = lines; e; e = e->next) {
    const char* line = e->line.c_str();
    if (traced(cur)) PRINT('t', "fxr4026", "Exit returned:\"%.200s\"\n", line);
    if (strncmp(line, "->", 2) == 0) {
      line += 2;
    } else if (u_ismessage(line)) {
      reissue(line);
      continue;
    }
    if (skip > 0) {
      --skip;
      continue;
    }
    if (format < 1 || format > 5) continue;
    if (traced(cur)) PRINT('t', "fxr4026", "%s", kinds[format]);
    _rowData* row = ROW_DATA_init(set);
    int got = format == 2   ? simpleParsing(cur, set, row, line)
              : format == 3 ? tabbedParsing(cur, set, row, line)
              : format == 5 ? cformatParsing(cur, set, row, line)
                            : syntaxParsing(cur, set, row, line);
    if (got == 0) {
      ROW_DATA_drop_last(set);
      continue;
    }
    ++rows;
    if (limit > 0 && rows >= limit) break;
  }
  if (traced(cur)) PRINT('t', "fxr4028", "Exit returned %d rows\n", rows);
  return rows;
}
