// The keyword tables of COLLECT.CTL, PROCESS.CTL, DICT.CTL, TRACE.CTL and the
// eval file, with their lookup functions.
#include "ctl/keywords.h"

#include <cctype>
#include <cstring>

#include "ctl/reader.h"

namespace {

struct keyword_entry {
  const char* text;
  int code;
};

// COLLECT.CTL: 58 keywords; order does not matter, the search is linear.
constexpr keyword_entry coll_table[] = {
    {"history", 1},
    {"insert_where", 2},
    {"insert", 3},
    {"cursor", 4},
    {"insert_select", 5},
    {"saturday_start", 6},
    {"saturday_end", 7},
    {"sunday_start", 8},
    {"sunday_end", 9},
    {"mon_fri_start", 10},
    {"mon_fri_end", 11},
    {"interval", 12},
    {"hold", 13},
    {"limit", 14},
    {"time", 15},
    {"demand", 16},
    {"class", 17},
    {"stale", 18},
    {"go_home", 19},
    {"table_name", 20},
    {"show_cursor", 21},
    {"objid", 22},
    {"set", 23},
    {"uuidbase", 24},
    {"uuidpavc", 25},
    {"uuidpcvc", 27},
    {"rpc_version", 28},
    {"end", 29},
    {"virtual", 30},
    {"samples", 31},
    {"load", 32},
    {"empty", 33},
    {"pre_cursor", 34},
    {"iterate", 35},
    {"in_list", 36},
    {"base", 37},
    {"math", 38},
    {"age_to", 39},
    {"decode", 40},
    {"show_row", 41},
    {"fetch_exit", 42},
    {"script", 43},
    {"column_exit", 44},
    {"once", 45},
    {"start_after", 46},
    {"stop_after", 47},
    {"no_sql", 48},
    {"iterate_where", 49},
    {"dummy_last_row", 50},
    {"conditional_dummy_last_row", 51},
    {"set_len", 52},
    {"trace", 53},
    {"traced", 54},
    {"tracem", 55},
    {"trace_all", 56},
    {"if", 57},
    {"else", 58},
    {"endif", 59},
};

constexpr keyword_entry proc_table[] = {
    {"process", 1},        {"type", 2},         {"logon_id", 3},     {"password", 4},
    {"Saturday_start", 6}, {"Saturday_end", 7}, {"Sunday_start", 8}, {"Sunday_end", 9},
    {"Mon_Fri_start", 10}, {"Mon_Fri_end", 11}, {"interval", 12},    {"holiday", 13},
    {"server_id", 14},     {"time_offset", 16}, {"sleep", 21},       {"hold", 22},
    {"continuous", 23},    {"class", 24},       {"send_false", 25},  {"machine_id", 26},
    {"end", 27},
};

constexpr keyword_entry dict_table[] = {
    {"name", 1}, {"type", 2}, {"initial", 3}, {"number", 4}, {"end", 5},
};

constexpr keyword_entry trace_table[] = {
    {"trace", 1},     {"tracem", 2},   {"traced", 3},      {"traceall", 4},
    {"trace_all", 4}, {"show_row", 5}, {"show_cursor", 6}, {"end", 7},
};

constexpr keyword_entry eval_table[] = {
    {"eval", 1},     {"value", 2}, {"cursor", 3}, {"column", 4},
    {"operator", 5}, {"name", 6},  {"end", 7},
};

template <size_t N>
int exact_lookup(const keyword_entry (&table)[N], const char* word, int len) {
  for (const keyword_entry& e : table) {
    if (exact_or_upper(word, len, e.text)) return e.code;
  }
  return 0;
}

}  // namespace

bool exact_or_upper(const char* word, int len, const char* keyword) {
  if (len < 0 || strlen(keyword) != static_cast<size_t>(len)) return false;
  if (memcmp(word, keyword, len) == 0) return true;
  for (int i = 0; i < len; ++i) {
    if (word[i] != toupper(static_cast<unsigned char>(keyword[i]))) return false;
  }
  return true;
}

int test_word(const char* word, int len) {
  char lower[60];
  int n = len < 0 ? 0 : (len > 59 ? 59 : len);
  for (int i = 0; i < n; ++i)
    lower[i] = static_cast<char>(tolower(static_cast<unsigned char>(word[i])));
  for (const keyword_entry& e : coll_table) {
    if (strlen(e.text) == static_cast<size_t>(n) && memcmp(e.text, lower, n) == 0) return e.code;
  }
  return 0;
}

int distrib_key_word(const char* word, int len) { return exact_lookup(proc_table, word, len); }
int test_dict_word(const char* word, int len) { return exact_lookup(dict_table, word, len); }
int test_trace_word(const char* word, int len) { return exact_lookup(trace_table, word, len); }
int eval_key_word(const char* word, int len) { return exact_lookup(eval_table, word, len); }
