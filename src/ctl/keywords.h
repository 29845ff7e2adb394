// Keyword tables of the control files and their lookups. COLLECT.CTL keywords
// are case-insensitive; the other files accept a keyword exactly as listed or
// entirely in upper case.
#pragma once

// Statement codes of COLLECT.CTL (test_word). Code 26 is not assigned.
enum coll_keyword {
  kw_history = 1,
  kw_insert_where = 2,
  kw_insert = 3,
  kw_cursor = 4,
  kw_insert_select = 5,
  kw_saturday_start = 6,
  kw_saturday_end = 7,
  kw_sunday_start = 8,
  kw_sunday_end = 9,
  kw_mon_fri_start = 10,
  kw_mon_fri_end = 11,
  kw_interval = 12,
  kw_hold = 13,
  kw_limit = 14,
  kw_time = 15,
  kw_demand = 16,
  kw_class = 17,
  kw_stale = 18,
  kw_go_home = 19,
  kw_table_name = 20,
  kw_show_cursor = 21,
  kw_objid = 22,
  kw_set = 23,
  kw_uuidbase = 24,
  kw_uuidpavc = 25,
  kw_uuidpcvc = 27,
  kw_rpc_version = 28,
  kw_end = 29,
  kw_virtual = 30,
  kw_samples = 31,
  kw_load = 32,
  kw_empty = 33,
  kw_pre_cursor = 34,
  kw_iterate = 35,
  kw_in_list = 36,
  kw_base = 37,
  kw_math = 38,
  kw_age_to = 39,
  kw_decode = 40,
  kw_show_row = 41,
  kw_fetch_exit = 42,
  kw_script = 43,
  kw_column_exit = 44,
  kw_once = 45,
  kw_start_after = 46,
  kw_stop_after = 47,
  kw_no_sql = 48,
  kw_iterate_where = 49,
  kw_dummy_last_row = 50,
  kw_conditional_dummy_last_row = 51,
  kw_set_len = 52,
  kw_trace = 53,
  kw_traced = 54,
  kw_tracem = 55,
  kw_trace_all = 56,
  kw_if = 57,
  kw_else = 58,
  kw_endif = 59,
};

// Statement codes of PROCESS.CTL (distrib_key_word).
enum proc_keyword {
  pk_process = 1,
  pk_type = 2,
  pk_logon_id = 3,
  pk_password = 4,
  pk_saturday_start = 6,
  pk_saturday_end = 7,
  pk_sunday_start = 8,
  pk_sunday_end = 9,
  pk_mon_fri_start = 10,
  pk_mon_fri_end = 11,
  pk_interval = 12,
  pk_holiday = 13,
  pk_server_id = 14,
  pk_time_offset = 16,
  pk_sleep = 21,
  pk_hold = 22,
  pk_continuous = 23,
  pk_class = 24,
  pk_send_false = 25,
  pk_machine_id = 26,
  pk_end = 27,
};

// Returns the COLLECT.CTL statement code of the word (`len` characters), 0 when
// it is no keyword. The first 59 characters are compared, case-insensitively.
int test_word(const char* word, int len);

// Returns the PROCESS.CTL statement code, 0 when the word is no keyword.
int distrib_key_word(const char* word, int len);

// DICT.CTL: "name" 1, "type" 2, "initial" 3, "number" 4, "end" 5; else 0.
int test_dict_word(const char* word, int len);

// TRACE.CTL: "trace" 1, "tracem" 2, "traced" 3, "traceall"/"trace_all" 4,
// "show_row" 5, "show_cursor" 6, "end" 7; else 0.
int test_trace_word(const char* word, int len);

// Eval file: "eval" 1, "value" 2, "cursor" 3, "column" 4, "operator" 5,
// "name" 6, "end" 7; else 0.
int eval_key_word(const char* word, int len);

// True when the `len` characters at `word` are `keyword` or its upper-case form.
bool exact_or_upper(const char* word, int len, const char* keyword);
