// The COLLECT.CTL parse loop: statements into cursor blocks, the closing of
// each block (checks, SELECT, linking), and the start-up entry points.
#include <cstring>
#include <string>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/collect.h"
#include "ctl/collect_parser.h"
#include "ctl/ctl_file.h"
#include "ctl/ctl_time.h"
#include "ctl/curs.h"
#include "ctl/cursor_versions.h"
#include "ctl/keywords.h"
#include "ctl/reader.h"
#include "ctl/windows.h"
#include "util/print.h"
#include "util/trace.h"

namespace {

constexpr const char* dashes = "--------------------------------------------------------------\n";

coll_outcome tokeniser_failed() {
  PRINT('e', "pcc0460", "Parsing failed : %s\n", reader.message);
  return coll_outcome::fatal;
}

// Closes the open block: builds its versions, checks every version, derives
// the SELECT texts and links the block's record (the slot, which holds a copy
// of the first version) at the end of the cursor chain.
coll_outcome close_block(coll_parser& p) {
  curs* block = p.block;
  p.open = p.block = nullptr;
  if (edit_curs_version_set(block) != 0) return coll_outcome::fatal;
  bool versioned = block->conditional != nullptr;
  for_each_version(block, [&](curs* v) {
    if (versioned && v == block) return;  // the slot is checked as its version
    (void)edit_cursor_block(v);           // a failure sets reader.failed, checked below
  });
  if (reader.failed) return coll_outcome::fatal;
  int failed = 0;
  for_each_version(block, [&](curs* v) {
    if (!failed && !(versioned && v == block)) failed = set_selects(v);
  });
  if (failed) return coll_outcome::fatal;
  if (versioned) {
    curs* selected = block->tree_place;
    *block = *selected;
  }
  curs** tail = &anchors.cur_anchor;
  while (*tail) tail = &(*tail)->next;
  block->next = nullptr;
  *tail = block;
  return coll_outcome::next;
}

// IF, ELSE and ENDIF: the record that receives the following statements
// changes to a version of the block (or back).
coll_outcome version_statement(coll_parser& p, int code) {
  int rc = 1;
  if (code == kw_if) {
    const char* from = reader.this_start;
    while (*from == ' ') ++from;
    const char* end = reader.statement_end;
    while (end > from && end[-1] == ' ') --end;
    std::string text(from, end > from ? static_cast<size_t>(end - from) : 0);
    rc = parse_if(&p.open, text.c_str());
  } else if (code == kw_else) {
    rc = parse_else(&p.open);
  } else {
    rc = parse_endif(&p.open);
  }
  reader.this_start = reader.statement_end;
  return rc == 0 ? coll_outcome::next : coll_outcome::statement;
}

coll_outcome open_block(coll_parser& p) {
  curs* c = cursor_arena().make<curs>();
  memcpy(c->last_time, "19900101010101", 15);
  p.open = p.block = c;
  int n = get_word(reader.this_start, reader.statement_end);
  if (n < 0) return tokeniser_failed();
  if (n == 0) {
    PRINT('e', "pcc0445", "No Cursor name supplied\n");
    return coll_outcome::statement;
  }
  reader.this_start += n;
  const word_info& w = reader.parse_word;
  if (w.len > 8) {
    PRINT('e', "pcc0450", "Cursor name exceeeds 8 characters\n");
    return coll_outcome::statement;
  }
  memcpy(c->cur_name, w.str, w.len);
  for (curs* o = anchors.cur_anchor; o; o = o->next) {
    if (strcmp(o->cur_name, c->cur_name) == 0) {
      PRINT('e', "pcc0455", "Duplicate cursor name %s\n", c->cur_name);
      return coll_outcome::abandon;
    }
  }
  return coll_outcome::next;
}

coll_outcome statement(coll_parser& p, int code, char* stmt) {
  if (code == kw_cursor || code == kw_end) {
    if (p.block) {
      coll_outcome o = close_block(p);
      if (o != coll_outcome::next) return o;
    }
    if (code == kw_end) {
      p.ended = true;
      return coll_outcome::next;
    }
    return open_block(p);
  }
  if (p.errors) return coll_outcome::next;
  if (code == kw_if || code == kw_else || code == kw_endif) return version_statement(p, code);
  char* rest = reader.this_start;
  while (*rest == ' ') ++rest;
  int n;
  for (int word_no = 2; (n = get_word(reader.this_start, reader.statement_end)) > 0; ++word_no) {
    reader.this_start += n;
    const word_info& w = reader.parse_word;
    if (w.flags & wf_host_var) {
      if (add_column(w.str, w.len, p.open) != 0) return coll_outcome::statement;
      ++p.open->hv_count;
    }
    coll_outcome o = p.word_action(code, word_no);
    if (o != coll_outcome::next) return o;
  }
  if (n < 0) return tokeniser_failed();
  if (reader.parens != 0 && !is_clause_keyword(code)) return coll_outcome::unbalanced;
  // The clause parsers read the text again; the statement's own depth is
  // what the loop checks afterwards.
  const int32_t parens = reader.parens;
  coll_outcome o = p.statement_action(code, stmt, rest);
  reader.parens = parens;
  return o;
}

const ctl_file_messages kCollectFile = {
    .line_size = 256,
    .start_banner = {{"pcc0275", dashes},
                     {"pcc0280", "-- Starting parse of COLLECT.CTL -- Time = %s\n"},
                     {"pcc0285", dashes}},
    .end_banner = {{"pcc0735", dashes},
                   {"pcc0740", "--  Collector Parsing ended at %s\n"},
                   {"pcc0745", dashes}},
    .first_word = "cursor",
    .first_length = {"pcc0320", "First word must be 'cursor'\n"},
    .first_other = {"pcc0325", "First word must be 'cursor'\n"},
    .read_failed = {"pcc0310", "Parsing failed : %s\n"},
    .unknown = {"pcc0315", "Unknown keyword (%s)\n"},
    .unbalanced = {"pcc0725", "Parentheses do not balance\n"},
    .missing_end = {"pcc0730", "Missing end statement\n"},
    .ended_with_errors = {"pcc0755", "Parsing ended with errors\n"},
};

}  // namespace

int coll_parser::keyword(const char* word, int len) { return test_word(word, len); }

coll_outcome coll_parser::statement(int code) {
  return ::statement(*this, code, reader.parse_word.str);
}

bool coll_parser::checks_parens(int code, coll_outcome o) {
  return o == coll_outcome::next || is_clause_keyword(code);
}

int coll_parser::finished() {
  int32_t t = ctl_now_secs();
  for (curs* c = anchors.cur_anchor; c; c = c->next) {
    set_window_c(c, t);
    if (tracing.trace_all) {
      c->trace = 1;
      for_each_version(c, [](curs* v) { v->trace = 1; });
    }
  }
  return 0;
}

namespace {

int parse(FILE* in) {
  coll_parser p;
  reset_version_parse();
  return run_parse_loop(in, kCollectFile, p);
}

}  // namespace

int parse_coll_stream(FILE* in) { return parse(in); }

int parse_curs() {
  if (!print_stream()) init_PRINT();
  if (anchors.cur_anchor) del_curs();
  unique_file in = u_openInputFile("coll");
  if (!in) return 1;
  int rc = parse_coll_stream(in.get());
  if (rc == 0 && tracing.trace_all) show_curs();
  return rc;
}

void del_curs() {
  // Records are released only under the memory-release switch (trace level 0);
  // otherwise they stay until the process ends.
  if (!trace_on(0)) return;
  for (curs* c = anchors.cur_anchor; c; c = c->next) {
    ctl_trace("cdc0305", "del_cur() Freeing storage for cursor:%s\n", c->cur_name);
  }
  anchors.cur_anchor = nullptr;
  anchors.percent_cursor = nullptr;
  cursor_arena().clear();
}
