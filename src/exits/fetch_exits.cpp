// Running a fetch exit: the work area, the command line with its
// substitutions, the child's logging environment, the program run, and the
// hand-over of the parsed rows to the cursor's row path.
#include "exits/fetch_exits.h"

#include <strings.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "ctl/anchors.h"
#include "ctl/clause_records.h"
#include "ctl/curs.h"
#include "ctl/fetch_exit.h"
#include "ctl/script_exit.h"
#include "derive/column_refs.h"
#include "exits/db_data.h"
#include "exits/script_run.h"
#include "rows/age_to_loads.h"
#include "rows/dyn_sql.h"
#include "rows/host_merge.h"
#include "rows/retention.h"
#include "rows/row_chain.h"
#include "rows/row_dump.h"
#include "rows/row_format.h"
#include "rows/row_hooks.h"
#include "rows/select_desc.h"
#include "util/outfile.h"
#include "util/print.h"
#include "util/settings.h"
#include "util/trace.h"

namespace {

// Output layouts 1 to 5 are told apart by parseCmdResults; 9 is internal.
constexpr int ST_INTERNAL = 9;
constexpr size_t kMaxParms = 16000;
constexpr size_t kMaxProgram = 100;

// The DB data of every cursor that ran an exit, kept with the cursor.
std::map<const curs*, std::unique_ptr<_anchorDBX>>& dbx_anchors() {
  static std::map<const curs*, std::unique_ptr<_anchorDBX>> m;
  return m;
}

bool exit_traced(const curs* cur) { return cur->trace || tracing.trace_all; }

// The fetch-exit work area of one run.
struct fetchExitGlobal {
  std::string parameters;
  std::string program;
  r_exec_chain* result_lines = nullptr;
  _anchorDBX* dbx = nullptr;
  curs* cursor = nullptr;
  int output_format = 0;
  int run_option = 0;
  int lines_to_skip = 0;
  int row_limit = 0;
  fetchExitGlobal() = default;
  fetchExitGlobal(const fetchExitGlobal&) = delete;
  fetchExitGlobal& operator=(const fetchExitGlobal&) = delete;
  ~fetchExitGlobal() { u_free_r_chain(result_lines); }
};

void set_sqlcode(curs* cur, int code) {
  cur->last_sqlcode = code;
  snprintf(cur->last_sqlcode_text, sizeof cur->last_sqlcode_text, "%16d", code);
}

void setCurs4exit(fetchExitGlobal& g, curs* cur, const char* run_time) {
  g.cursor = cur;
  g.output_format = cur->fetch_exit->output_format;
  g.run_option = cur->fetch_exit->run_option;
  auto& slot = dbx_anchors()[cur];
  if (!slot) slot = DBX_init(env_vars.serverid, env_vars.db_type, env_vars.db_version);
  g.dbx = slot.get();
  g.lines_to_skip = cur->start_after;
  g.row_limit = cur->stop_after;
  set_sqlcode(cur, 0);
  if (exit_traced(cur))
    PRINT('t', "fxr5505", "Calling Fetch Exit (%s) for cursor %s at time %s \n",
          cur->fetch_exit->name, cur->cur_name, run_time);
}

// The three-letter database type, lower case.
std::string db_type3() {
  std::string t = env_set(env_vars.db_type) ? env_vars.db_type : "";
  t.resize(t.size() < 3 ? t.size() : 3);
  for (char& c : t) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return t;
}

bool version_is(const char* prefix) {
  return env_set(env_vars.db_version) && strncmp(env_vars.db_version, prefix, strlen(prefix)) == 0;
}

void replace_first(std::string& s, const std::string& what, const std::string& with) {
  size_t at = s.find(what);
  if (at != std::string::npos) s.replace(at, what.size(), with);
}

std::string substitute_program(std::string prog) {
  std::string type = db_type3();
  if (type.rfind("zdy", 0) == 0)
    replace_first(prog, "zdy##sql",
                  version_is("11.") || version_is("12.") ? "zdy12sql" : "zdy15sql");
  if (prog.find("#####") != std::string::npos) {
    std::string five = type;
    if (type == "zdb")
      five = version_is("8")    ? "zdb08"
             : version_is("9")  ? "zdb09"
             : version_is("11") ? "zdb11"
                                : "zdb10";
    replace_first(prog, "#####", five);
  }
  replace_first(prog, "###", type);
  return prog;
}

// The in-list a host variable names, quietly: CURSOR.LIST, or LIST of any cursor.
const in_list* script_in_list(const char* name) {
  const char* dot = strchr(name, '.');
  for (const curs* c = anchors.cur_anchor; c; c = c->next) {
    if (dot && (strncmp(c->cur_name, name, static_cast<size_t>(dot - name)) != 0 ||
                c->cur_name[dot - name] != '\0'))
      continue;
    for (const in_list* l = c->in_lists; l; l = l->next)
      if (strcmp(l->name, dot ? dot + 1 : name) == 0) return l;
  }
  return nullptr;
}

// The column a host variable names, quietly: own column, percent variable or
// cursor.column. Sets `holder` to the cursor whose rows hold it.
columns* find_hv_column(curs* cur, const char* name, curs** holder) {
  char padded[50] = {};
  const char* dot = strchr(name, '.');
  if (name[0] == '%' && anchors.percent_cursor) {
    snprintf(padded, sizeof padded, "%s", name);
    *holder = anchors.percent_cursor;
    return own_column(anchors.percent_cursor, padded);
  }
  if (dot) {
    curs* other = cursor_named(name, static_cast<size_t>(dot - name));
    if (!other) return nullptr;
    snprintf(padded, sizeof padded, "%s", dot + 1);
    return column_in_versions(other, padded, holder);
  }
  snprintf(padded, sizeof padded, "%s", name);
  return column_in_versions(cur, padded, holder);
}

bool hv_char(char c) {
  return c && !isspace(static_cast<unsigned char>(c)) &&
         (!ispunct(static_cast<unsigned char>(c)) || strchr("._%$", c));
}

}  // namespace

int formatCommand(curs* cur, std::string& program, std::string& parms, const char* ids) {
  std::string id = ids;
  const char* p = cur->script.c_str();
  while (*p == ' ' || *p == '\t') ++p;
  const char* start = p;
  while (*p && !isspace(static_cast<unsigned char>(*p))) ++p;
  program = substitute_program(std::string(start, static_cast<size_t>(p - start)));
  while (isspace(static_cast<unsigned char>(*p))) ++p;
  parms.clear();
  while (*p) {
    if (*p != '[') {
      parms += *p++;
      continue;
    }
    ++p;
    while (*p == ' ') ++p;
    std::string name;
    while (hv_char(*p) && name.size() < 49) name += *p++;
    if (*p == ']') ++p;
    curs* holder = nullptr;
    if (columns* col = find_hv_column(cur, name.c_str(), &holder)) {
      curs* h = holder ? holder : cur;
      if (!h->last_row) {
        if (id == "fxr")
          PRINT('e', "fxr4020", "No data in cursor (%s) for hv (%s) in script (%s)\n", h->cur_name,
                name.c_str(), cur->script.c_str());
        else
          PRINT('e', (id + "4020").c_str(), "No data in cursor (%s) for hv (%s) in script (%s)\n",
                h->cur_name, name.c_str(), cur->script.c_str());
        return 1;
      }
      const char* v = h->last_row->text() + col->offset;
      // A character value ends at its first NUL; trailing blanks go, one character stays.
      int len = static_cast<int>(strnlen(v, static_cast<size_t>(col->fmt_len)));
      while (len > 1 && v[len - 1] == ' ') --len;
      if (exit_traced(cur)) {
        if (id == "fxr")
          PRINT('t', "fxr4022", "Host variable '%s' replaced with '%.*s'\n", name.c_str(), len, v);
        else
          PRINT('t', (id + "4022").c_str(), "Host variable '%s' replaced with '%.*s'\n",
                name.c_str(), len, v);
      }
      // Quoted: the value reaches the program as one argument, whatever it holds.
      parms += u_quote_word(std::string(v, static_cast<size_t>(len)));
    } else if (const in_list* l = script_in_list(name.c_str())) {
      if (exit_traced(cur)) {
        if (id == "fxr")
          PRINT('t', "fxr4014", "Host variable '%s' is an inlist\n", name.c_str());
        else
          PRINT('t', (id + "4014").c_str(), "Host variable '%s' is an inlist\n", name.c_str());
      }
      std::string text(l->text ? l->text : "", l->text ? static_cast<size_t>(l->text_len) : 0);
      if (text.size() >= 2) text = text.substr(1, text.size() - 2);
      for (char& c : text)
        if (c == ',') c = ' ';
      parms += text;
    } else {
      if (id == "fxr")
        PRINT('e', "fxr4015", "Script host variable (%s) not found in script %s\n", name.c_str(),
              cur->script.c_str());
      else
        PRINT('e', (id + "4015").c_str(), "Script host variable (%s) not found in script %s\n",
              name.c_str(), cur->script.c_str());
      return 1;
    }
  }
  if (program.size() >= kMaxProgram || parms.size() >= kMaxParms) {
    PRINT('e', (id + "4016").c_str(), "Script command too long for cursor %s\n", cur->cur_name);
    return 1;
  }
  return 0;
}

namespace {

// Prepares the children's logging environment, once per process.
void prepare_child_logging() {
  static bool done = false;
  if (done) return;
  done = true;
  const char* trc = getenv("ZLB_TRC1");
  if (!trc) setenv("ZLB_TRC1", "ERROR", 1);
  const char* pre = getenv("ZLB_VARPREFIX");
  std::string prefix = pre ? pre : "%";
  std::string log_name = prefix + "(taskname)_" + prefix + "(starttime)-.LOG";
  std::string inv_name = prefix + "(taskname).INV";
  std::string log = u_createOutputFileName(nullptr, log_name.c_str());
  bool traced = tracing.trace_all || trace_on(8);
  if (traced) PRINT('t', "fxr4050", "Fetch Exit trc1 log filename:\"%s\"\n", log.c_str());
  std::string inv = u_createOutputFileName(nullptr, inv_name.c_str());
  if (traced) PRINT('t', "fxr4051", "Fetch Exit trc1 inv filename:\"%s\"\n", inv.c_str());
  std::string setting = "/dev/null";
  if (getenv("QVZ_COLL_EXE_TRC1"))
    setting = "\"" + log + "\" INVENTORY=\"" + inv + "\" COUNT=03 PRESERVE=0 LIMIT=1 MAXFILES=3";
  if (traced) PRINT('t', "fxr4052", "Fetch Exit setting zlb_trc1_log:\"%s\"\n", setting.c_str());
  // Children inherit the environment: setting it here exports it.
  setenv("ZLB_TRC1_LOG", setting.c_str(), 1);
}

int run_external(fetchExitGlobal& g, curs* cur) {
  if (formatCommand(cur, g.program, g.parameters) != 0) return -1;
  if (exit_traced(cur))
    PRINT('t', "fxr4024", "Call Exit %s, Parms %.200s.\n", g.program.c_str(), g.parameters.c_str());
  prepare_child_logging();
  if (g.run_option == 1) {
    execopt opt;
    opt.options = EXEC_PARMS_BY_LENGTH | EXEC_PARMS_MARKER;
    int lines = cur->limit > 0 ? 2 * cur->limit : 300;
    opt.max_lines = lines > 300 ? 300 : lines;
    int limit = cur->fetch_exit->time_out > 0 ? cur->fetch_exit->time_out : 30;
    g.result_lines = u_exec_timed(g.program.c_str(), g.parameters.c_str(), limit, &opt);
  } else if (g.run_option == 2) {
    (void)u_AsynProcess(g.program.c_str(), g.parameters.c_str());
    return 0;
  } else {
    g.result_lines = u_exec(g.program.c_str(), g.parameters.c_str());
  }
  return parseCmdResults(cur, g.output_format, g.result_lines);
}

}  // namespace

namespace {

// Row-building view of the result descriptor for merge_text: one select
// item per result column, its value and indicator in the descriptor.
void describe_xda(const xda_ptr* x, select_desc* lda, int16_t* orig_type) {
  lda->F = x->count < MAX_SELECT_ITEMS ? x->count : MAX_SELECT_ITEMS;
  for (int i = 0; i < lda->F; ++i) {
    size_t k = static_cast<size_t>(i);
    int len = x->name_lens[k] < MAX_ITEM_NAME ? x->name_lens[k] : MAX_ITEM_NAME;
    memcpy(lda->S[i], x->names[k], static_cast<size_t>(len));
    lda->C[i] = static_cast<int16_t>(len);
    lda->T[i] = x->types[k] == 2 ? O_NUMBER : O_CHAR;
    orig_type[i] = lda->T[i];
    lda->L[i] = x->lengths[k];
    lda->V[i] = x->values[k];
    lda->I[i] = x->indicators[k];
  }
}

}  // namespace

void setup_exit_dummy(curs* cur) {
  if (cur->cols_resolved || !script_xda(cur)) return;
  select_desc lda;
  int16_t orig_type[MAX_SELECT_ITEMS];
  describe_xda(script_xda(cur), &lda, orig_type);
  setup_dummy(cur, &lda);
}

int run_cursor_fetch_exit(curs* cur, const char* run_time) {
  fetchExitGlobal g;
  setCurs4exit(g, cur, run_time);
  int rows = 0;
  if (g.output_format == ST_INTERNAL) {
    if (g.run_option == 1 || g.run_option == 2) return 0;
    if (g.run_option == 7) return parse_script_text(cur, run_time, ST_INTERNAL);
    PRINT('e', "fxr4025", "Invalid internal exit option %d\n", g.run_option);
    set_sqlcode(cur, -1);
    return 1;
  }
  rows = run_external(g, cur);
  if (rows < 0) {  // the command could not be formed: the program did not run
    set_sqlcode(cur, -1);
    return 1;
  }
  if (rows > 0) {
    if (exit_traced(cur)) PRINT('t', "fxr4053", "Calling merge_DB_DATA2curs()\n");
    if (merge_DB_DATA2curs(cur, run_time) != 0) {
      set_sqlcode(cur, -1);
      return 1;
    }
    set_sqlcode(cur, 100);
    return 0;
  }
  if (cur->dummy_last_row || cur->conditional_dummy_last_row) {
    setup_exit_dummy(cur);
    set_sqlcode(cur, 100);
    return 0;
  }
  set_sqlcode(cur, -1);
  return 1;
}

int edit_fetch_exits() {
  // Every exit's script must have given its result columns; the parse of the
  // cursor file already refused one that did not, so only a cursor without
  // any is left to report.
  int failed = 0;
  for (const curs* c = anchors.cur_anchor; c; c = c->next)
    if (c->fetch_exit && !c->xda) {
      PRINT('e', "pcc0440", "Fetch exit %s requires 'script' and 'select'\n", c->fetch_exit->name);
      failed = 1;
    }
  return failed;
}

void register_fetch_exits() {
  static const fetch_exit_steps steps = {run_cursor_fetch_exit};
  set_fetch_exit_steps(&steps);
}

_anchorDBdata* cursor_db_data(curs* cur) {
  xda_ptr* x = script_xda(cur);
  if (!x) return nullptr;
  auto& slot = dbx_anchors()[cur];
  if (!slot) slot = DBX_init(env_vars.serverid, env_vars.db_type, env_vars.db_version);
  _anchorDBX* a = slot.get();
  if (!a->sets.empty()) {
    // Reused, and relinked as the last set of the anchor.
    auto set = std::move(a->sets.front());
    a->sets.clear();
    a->sets.push_back(std::move(set));
    a->current = a->sets.back().get();
    return a->current;
  }
  // convert_2_column_data: the columns of the script's result descriptor,
  // each text (1) or numeric (2).
  for (int i = 0; i < x->count; ++i) {
    int16_t type = x->types[static_cast<size_t>(i)];
    if (type != 1 && type != 2) {
      PRINT('e', "fxr1205", "invalid column type");
      return nullptr;
    }
  }
  _anchorDBdata* set = DB_DATA_init(a, nullptr, 1);
  COLUMN_DATA_init(set, x->count);
  for (int i = 0; i < x->count; ++i) {
    _columnData& c = set->Acoldata[static_cast<size_t>(i)];
    c.kind = x->types[static_cast<size_t>(i)];
    c.data_type = 1;
    c.type_letter = c.kind == 2 ? 'N' : 'C';
    snprintf(c.name, sizeof c.name, "%.*s", x->name_lens[static_cast<size_t>(i)],
             x->names[static_cast<size_t>(i)]);
    c.max_len = c.display_len = static_cast<int16_t>(x->lengths[static_cast<size_t>(i)]);
  }
  COLUMN_DATA_layout(set);
  return set;
}

int merge_xda_row(curs* cur, const char* run_time) {
  xda_ptr* x = script_xda(cur);
  static std::unique_ptr<select_desc> lda;
  static int16_t orig_type[MAX_SELECT_ITEMS];
  if (!lda) lda = std::make_unique<select_desc>();
  describe_xda(x, lda.get(), orig_type);
  if (work_buff.size() < sizeof_work_buff) work_buff.assign(sizeof_work_buff, '\0');
  ++cur->rows_this_run;
  if (cur->rows_this_run == 1 && cur->pre_copy) {
    do_copy(cur);
    if (cur->empty) delete_all(cur);
  }
  return merge_text(work_buff.data(), lda.get(), orig_type, cur, run_time);
}

int merge_DB_DATA2curs(curs* cur, const char* run_time) {
  auto it = dbx_anchors().find(cur);
  xda_ptr* x = script_xda(cur);
  if (it == dbx_anchors().end() || it->second->sets.empty() || !x) return 0;
  _anchorDBdata* set = it->second->sets.front().get();
  int merged = 0, rc = 0;
  cur->exit_rows = 0;  // COUNT! of this run's merged rows
  const bool traced = exit_traced(cur);
  for (_rowData* r = ROW_DATA_get_first(set); r; r = ROW_DATA_get_next(r)) {
    if (traced) {
      PRINT('t', "cmr1534", "Enter ccmr_mergeResults() for cursor %s.\n", cur->cur_name);
      // The columns are bound on the first row that builds; until then the
      // DB columns they are bound to are worth seeing.
      if (!cur->cols_resolved) {
        PRINT('t', "cmr1540", "Database column information follows:\n");
        for (const _columnData& c : set->Acoldata)
          PRINT('t', "cmr1545", "Col #%2d= %32.32s, datatype= %d(%d) datalen= %d(%d)\n", c.ordinal,
                c.name, c.kind, c.data_type, c.display_len, c.max_len);
      }
    }
    for (int i = 0; i < x->count && i < set->column_count; ++i) {
      size_t k = static_cast<size_t>(i);
      char* place = x->values[k];
      memset(place, ' ', static_cast<size_t>(x->lengths[k]));
      const char* v = r->value(*set, k);
      size_t n = strnlen(v, static_cast<size_t>(x->lengths[k]));
      memcpy(place, v, n);
      *x->indicators[k] = r->indicator[k];
    }
    if (merge_xda_row(cur, run_time) == 0) {
      PRINT('w', "fxr4035", "Time = %s For cursor %s, merge failed after = %d rows\n", run_time,
            cur->cur_name, merged);
      PRINT('w', "fxr4040", "Holding cursor\n");
      cur->hold = 'Y';
      rc = -1;
      break;
    }
    ++merged;
    ++cur->exit_rows;
    if ((cur->trace && cur->show_row) || trace_on(7))
      proded(cur->last_row->row_no, cur->last_row->text(), cur->length);
  }
  freeDBresults(set, 'r');
  return rc;
}

void reset_fetch_exits() { dbx_anchors().clear(); }
