// The COLLECT.CTL keyword actions: the value of each word after a keyword,
// and the statement-level actions (texts, flags, clauses, the model INSERT).
#include <cstring>
#include <string>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/clauses.h"
#include "ctl/collect.h"
#include "ctl/collect_parser.h"
#include "ctl/ctl_time.h"
#include "ctl/curs.h"
#include "ctl/fetch_exit.h"
#include "ctl/keywords.h"
#include "ctl/pxa.h"
#include "ctl/reader.h"
#include "util/print.h"
#include "util/trace.h"

namespace {

using outcome = coll_outcome;

// The statement text from `from` to the end of the statement, without the
// blanks appended to it.
std::string text_from(const char* from) {
  const char* end = reader.statement_end;
  while (end > from && end[-1] == ' ') --end;
  return std::string(from, end > from ? end - from : 0);
}

// A numeric value of at most `max_len` characters into `*field`; `length_id`
// and `length_text` report a longer word, `dup_id`/`dup_text` a second value
// (a field that holds 0 counts as not given).
template <class T>
outcome number(T* field, int max_len, const char* length_id, const char* length_text,
               const char* dup_id, const char* dup_text) {
  if (dup_id && *field != 0) {
    PRINT('e', dup_id, "%s", dup_text);
    return outcome::statement;
  }
  if (reader.parse_word.len > max_len) {
    PRINT('e', length_id, "%s", length_text);
    return outcome::statement;
  }
  *field = static_cast<T>(word_value());
  return outcome::next;
}

// A text of at most 36 characters, taken up to the next blank so that the
// hyphens of an identifier belong to it.
outcome uuid(std::string* field, const char* length_id, const char* length_text, const char* dup_id,
             const char* dup_text) {
  char* s = reader.parse_word.str;
  char* e = s;
  while (e < reader.statement_end && *e != ' ') ++e;
  reader.this_start = e;
  if (!field->empty()) {
    PRINT('e', dup_id, "%s", dup_text);
    return outcome::statement;
  }
  if (e - s > 36) {
    PRINT('e', length_id, "%s", length_text);
    return outcome::statement;
  }
  field->assign(s, e - s);
  return outcome::next;
}

}  // namespace

outcome coll_parser::window(int code) {
  static constexpr window_ids kIds = {
      {"pcc0555", "pcc0565", "pcc0535", "pcc0545", "pcc0515", "pcc0525"},
      {"pcc0550", "pcc0530", "pcc0510"}};
  int day = 0;
  int32_t start = 0, end = 0;
  switch (take_window(windows, code - kw_saturday_start, reader.parse_word.len, word_value(), kIds,
                      &day, &start, &end)) {
    case window_step::refused:
      return outcome::statement;
    case window_step::held:
      return outcome::next;
    case window_step::closed:
      break;
  }
  operate** list = day == 0 ? &open->saturday : day == 1 ? &open->sunday : &open->mon_fri;
  set_operate(list, start, end, cursor_arena());
  return outcome::next;
}

outcome coll_parser::word_action(int code, int word_no) {
  curs* c = open;
  const word_info& w = reader.parse_word;
  switch (code) {
    case kw_table_name:
      c->table_name.assign(w.str, w.len);
      return outcome::next;
    case kw_interval:
      return number(&c->interval, 6, "pcc0565", "Invalid interval length (5)\n", "pcc0560",
                    "Duplicate interval\n");
    case kw_limit:
      return number(&c->limit, 5, "pcc0625", "Invalid Limit length (6)\n", "pcc0620",
                    "Duplicate Limit\n");
    case kw_time:
      return number(&c->time_limit, 4, "pcc0685", "Invalid Time Limit length (5)\n", "pcc0680",
                    "Duplicate Time Limit\n");
    case kw_samples:
      return number(&c->samples, 4, "pcc0635", "Invalid Sample (5)\n", nullptr, nullptr);
    case kw_class: {
      outcome o = number(&c->class_, 4, "pcc0695", "Invalid Class length (5)\n", "pcc0690",
                         "Duplicate Class Specified\n");
      if (o == outcome::next && c->class_ > 50) {
        PRINT('e', "pcc0700", "Excessive Class value\n");
        c->class_ = 0;
        return outcome::statement;
      }
      return o;
    }
    case kw_stale:
      return number(&c->stale, 6, "pcc0645", "Invalid interval length (5)\n", "pcc0640",
                    "Duplicate Stale time\n");
    case kw_go_home: {
      int32_t seconds = 0;
      outcome o = number(&seconds, 4, "pcc0630", "Invalid Go_home length (5)\n", nullptr, nullptr);
      if (o == outcome::next) anchors.go_home_time = ctl_now_secs() + seconds;
      return o;
    }
    case kw_objid:
      return number(&c->objid, 6, "pcc0615", "Invalid set length (7)\n", "pcc0610",
                    "Duplicate objid\n");
    case kw_set:
      return number(&c->set, 4, "pcc0595", "Invalid Set length (5)\n", "pcc0590",
                    "Duplicate set\n");
    case kw_rpc_version:
      return number(&c->rpc_version, 4, "pcc0605", "Invalid Rpc_version length (5)\n", "pcc0600",
                    "Duplicate rpc_version\n");
    case kw_start_after:
      return number(&c->start_after, 3, "pcc0575", "Invalid start_after (4)\n", "pcc0570",
                    "Duplicate start_after\n");
    case kw_stop_after:
      return number(&c->stop_after, 3, "pcc0585", "Invalid stop_after (4)\n", "pcc0580",
                    "Duplicate stop_after\n");
    case kw_uuidbase:
      return uuid(&c->uuidbase, "pcc0655", "Invalid Uuidbase length (36)\n", "pcc0650",
                  "Duplicate Uuidbase\n");
    case kw_uuidpavc:
      return uuid(&c->uuidpavc, "pcc0665", "Invalid Uuidpavc length (36)\n", "pcc0660",
                  "Duplicate Uuidpavc\n");
    case kw_uuidpcvc:
      return uuid(&c->uuidpcvc, "pcc0675", "Invalid Uuidpcvc length (36)\n", "pcc0670",
                  "Duplicate Uuidpcvc\n");
    case kw_age_to:
      if (c->age_to[0]) {
        PRINT('e', "pcc0705", "Duplicate age_to entry");
        return outcome::statement;
      }
      if (w.len > 8) {
        PRINT('e', "pcc0710", "Excessive length on age_to name\n");
        return outcome::statement;
      }
      memcpy(c->age_to, w.str, w.len);
      return outcome::next;
    case kw_saturday_start:
    case kw_saturday_end:
    case kw_sunday_start:
    case kw_sunday_end:
    case kw_mon_fri_start:
    case kw_mon_fri_end:
      return window(code);
    case kw_insert:
      // The word after INTO, and every later qualified word, names the table.
      if (word_no == 3 || (word_no > 3 && (w.flags & wf_period))) {
        if (w.flags & wf_period) {
          if (w.len < 3) {
            PRINT('e', "pcc0715", "Invalid table name format\n");
            return outcome::statement;
          }
          if (w.str[0] == '.' || w.str[w.len - 1] == '.') {
            PRINT('e', "pcc0720", "Invalid table name format\n");
            return outcome::statement;
          }
        }
        c->insert_table.assign(w.str, w.len);
        if (c->table_name.empty()) c->table_name = c->insert_table;
      }
      return outcome::next;
    default:
      return outcome::next;
  }
}

// Keywords whose statement is a clause, parsed by its own parser.
struct clause_keyword {
  int code;
  int (*parse)(curs* cur, char* rest);
};
constexpr clause_keyword kClauseKeywords[] = {
    {kw_pre_cursor, parse_pre_cursor},
    {kw_iterate, parse_iterate},
    {kw_in_list, parse_in_list},
    {kw_base, parse_base},
    {kw_math, parse_math},
    {kw_decode, parse_decode},
    {kw_column_exit, parse_col_ex},
    {kw_iterate_where, parse_iterate_where},
    {kw_set_len, parse_set_len},
};

// Keywords that switch one flag of the cursor on.
struct flag_keyword {
  int code;
  int16_t curs::*flag;
  bool traces;  // also turns per-cursor tracing on
};
constexpr flag_keyword kFlagKeywords[] = {
    {kw_history, &curs::history, false},
    {kw_demand, &curs::demand, false},
    {kw_virtual, &curs::virtual_, false},
    {kw_empty, &curs::empty, false},
    {kw_once, &curs::once, false},
    {kw_no_sql, &curs::no_sql, false},
    {kw_show_cursor, &curs::show_cursor, false},
    {kw_show_row, &curs::show_row, false},
    {kw_dummy_last_row, &curs::dummy_last_row, false},
    {kw_conditional_dummy_last_row, &curs::conditional_dummy_last_row, false},
    {kw_trace, &curs::trace, true},
    {kw_traced, &curs::traced, true},
    {kw_tracem, &curs::tracem, true},
};

outcome coll_parser::insert(char* stmt) {
  curs* c = open;
  if (!c->insert.empty()) {
    PRINT('e', "pcc0465", "Duplicate INSERT entry\n");
    return outcome::statement;
  }
  // "INSERT !NAME" takes the model INSERT from the agent's table definition.
  if (strncmp(stmt, "INSERT ", 7) == 0) {
    char* p = stmt + 7;
    while (*p == ' ') ++p;
    if (*p == '!') {
      if (parse_pxa(p, reader.buffer, c) != 0) return outcome::statement;
      c->insert = reader.buffer;
    }
  }
  if (c->insert.empty()) c->insert = text_from(stmt);
  if (compact_insert(c) != 0) return outcome::statement;
  if (c->ins_col_count != c->hv_count) {
    PRINT('e', "pcc0470", "On INSERT, num of cols (%d) is not num HVs (%d)\n", c->ins_col_count,
          c->hv_count);
    int k = 0;
    for (columns* col = c->column_list; col; col = col->next) {
      PRINT('e', "pcc0475", "Col #%d = %s\n", k++, col->name);
    }
    return outcome::statement;
  }
  return outcome::next;
}

bool is_clause_keyword(int code) {
  if (code == kw_load) return true;
  for (const clause_keyword& k : kClauseKeywords)
    if (k.code == code) return true;
  return false;
}

outcome coll_parser::statement_action(int code, char* stmt, char* rest) {
  curs* c = open;
  // Clause parsers see the rest as a fresh statement.
  reader.parens = 0;
  for (const clause_keyword& k : kClauseKeywords)
    if (k.code == code) return k.parse(c, rest) == 0 ? outcome::next : outcome::statement;
  for (const flag_keyword& k : kFlagKeywords) {
    if (k.code != code) continue;
    c->*k.flag = 1;
    if (k.traces) tracing.trace_something = 1;
    return outcome::next;
  }
  switch (code) {
    case kw_insert:
      return insert(stmt);
    case kw_insert_where:
      if (!c->insert_where.empty()) {
        PRINT('e', "pcc0495", "Duplicate insert_where entry\n");
        return outcome::statement;
      }
      c->insert_where = text_from(rest);
      return outcome::next;
    case kw_insert_select:
      if (!c->raw_insert_select.empty()) {
        PRINT('e', "pcc0500", "Duplicate insert_select entry\n");
        return outcome::statement;
      }
      c->raw_insert_select = text_from(rest);
      c->raw_has_brackets = c->raw_insert_select.find('[') != std::string::npos;
      return outcome::next;
    case kw_script:
      if (!c->script.empty()) {
        PRINT('e', "pcc0490", "Duplicate script entry\n");
        return outcome::statement;
      }
      c->script = text_from(rest);
      return outcome::next;
    case kw_fetch_exit:
      if (c->fetch_exit) {
        PRINT('e', "pcc0480", "Duplicate fetch_exit entry\n");
        return outcome::statement;
      }
      if (select_fetch_exit(c, rest) != 0) {
        PRINT('e', "pcc0485", "Fetch exit routine not known\n");
        return outcome::statement;
      }
      return outcome::next;
    case kw_load:
      return add_load_text(c, text_from(rest).c_str()) == 0 ? outcome::next : outcome::statement;
    case kw_hold:
      c->hold = 'Y';
      return outcome::next;
    case kw_trace_all:
      tracing.trace_all = 1;
      tracing.trace_something = 1;
      return outcome::next;
    case kw_table_name:
    case kw_interval:
    case kw_limit:
    case kw_time:
    case kw_samples:
    case kw_class:
    case kw_stale:
    case kw_go_home:
    case kw_objid:
    case kw_set:
    case kw_rpc_version:
    case kw_start_after:
    case kw_stop_after:
    case kw_uuidbase:
    case kw_uuidpavc:
    case kw_uuidpcvc:
    case kw_age_to:
    case kw_saturday_start:
    case kw_saturday_end:
    case kw_sunday_start:
    case kw_sunday_end:
    case kw_mon_fri_start:
    case kw_mon_fri_end:
      return outcome::next;
    default:
      PRINT('e', "pcc0505", "Collector Parsing error\n");
      return outcome::statement;
  }
}
