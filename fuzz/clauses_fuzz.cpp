// Feeds arbitrary bytes to the cursor clause parsers: the first byte picks the
// clause, the rest is the statement text after the keyword (NUL bytes end it,
// as in the statement buffer). Load texts are parsed against a small chain of
// cursors. Every run starts from empty definitions.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "../tests/test_state.h"
#include "ctl/arena.h"
#include "ctl/clauses.h"
#include "ctl/curs.h"
#include "ctl/reader.h"

namespace {

curs* make_cursor(const char* name, bool is_virtual, curs** link) {
  curs* c = cursor_arena().make<curs>();
  strcpy(c->cur_name, name);
  c->virtual_ = is_virtual;
  for (const char* col : {"cpu", "host", "3!"}) {
    auto* rec = cursor_arena().make<columns>();
    strcpy(rec->name, col);
    rec->next = c->column_list;
    c->column_list = rec;
  }
  *link = c;
  return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  reset_process_state();
  reset_reader_state();
  static int (*const parsers[])(curs*, char*) = {parse_pre_cursor,    parse_iterate, parse_in_list,
                                                 parse_base,          parse_math,    parse_decode,
                                                 parse_iterate_where, parse_set_len, parse_col_ex};
  constexpr size_t count = sizeof parsers / sizeof parsers[0];
  curs* src = make_cursor("SRC", false, &anchors.cur_anchor);
  make_cursor("TOTALS", true, &src->next);
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  text.resize(strlen(text.c_str()));
  text += "    ";
  size_t pick = data[0] % (count + 1);
  if (pick < count) {
    // Twice, so that second-statement checks (duplicates, one per cursor) run too.
    std::string again = text;
    parsers[pick](src, text.data());
    parsers[pick](src, again.data());
  } else {
    (void)add_load_text(src, text.c_str());
    (void)parse_loads();
  }
  reset_process_state();
  return 0;
}
