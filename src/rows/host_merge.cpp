// Host-variable merge, base rows, in-lists, qualified columns and dummy rows.
//
// Values substituted into SQL text: a character value is quoted with each
// quote inside it doubled, so no value can end the literal it sits in; a
// number column's value goes in bare only when it reads as a number (else it is
// quoted like text). Two forms go in bare by design and take whatever the value
// holds: a reference written right after '!' and a column whose name contains
// "DISABLE"; they are meant for values the operator controls.
#include "rows/host_merge.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/clause_records.h"
#include "ctl/curs.h"
#include "ctl/cursor_versions.h"
#include "rows/database.h"
#include "rows/row_chain.h"
#include "rows/row_dump.h"
#include "rows/row_format.h"
#include "rows/row_hooks.h"
#include "rows/select_desc.h"
#include "util/print.h"
#include "util/trace.h"
#include "util/value_text.h"

// One piece of a cursor's insert_select text: literal text, or a reference
// whose value (or in-list text) is written in its place at every run.
struct merge_piece {
  merge_piece* next = nullptr;
  int16_t kind = 0;         // 1 literal, 2 reference
  size_t at = 0, len = 0;   // literal: its bytes in raw_insert_select
  curs* src = nullptr;      // reference: the cursor whose last row holds the value
  columns* col = nullptr;   // reference: the column (a percent column when src is null)
  in_list* list = nullptr;  // reference: an in-list instead of a column
};

namespace {

constexpr int16_t NUMBER_TYPE = 2;
constexpr int16_t LITERAL = 1;
constexpr int16_t REFERENCE = 2;
constexpr size_t NAME_SIZE = sizeof(columns::name);  // column and in-list names compare over 50
constexpr int MATH_LENGTH = 21;

bool is_number(const columns* col) { return col->orig_type == NUMBER_TYPE; }

std::string_view trim_right(std::string_view v) {
  while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
  return v;
}

// A number as a database writes it: blanks, a sign, digits with at most one
// point, an optional exponent, blanks.
bool reads_as_number(std::string_view v) {
  size_t i = 0, n = v.size();
  while (i < n && v[i] == ' ') ++i;
  if (i < n && (v[i] == '-' || v[i] == '+')) ++i;
  size_t digits = 0, points = 0;
  for (; i < n && (isdigit(static_cast<unsigned char>(v[i])) || v[i] == '.'); ++i)
    (v[i] == '.' ? points : digits) += 1;
  if (digits == 0 || points > 1) return false;
  if (i < n && (v[i] == 'e' || v[i] == 'E')) {
    ++i;
    if (i < n && (v[i] == '-' || v[i] == '+')) ++i;
    size_t exp = 0;
    for (; i < n && isdigit(static_cast<unsigned char>(v[i])); ++i) ++exp;
    if (exp == 0) return false;
  }
  while (i < n && v[i] == ' ') ++i;
  return i == n;
}

// Appends `v` as a SQL character literal: quoted, each quote doubled.
void append_quoted(std::string& out, std::string_view v) {
  out += '\'';
  for (char c : v) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
}

// Appends the value of a column or in-list entry: a number column's number at
// its full length, anything else quoted without its trailing blanks.
void append_value(std::string& out, std::string_view v, bool number) {
  if (number && reads_as_number(v))
    out.append(v);
  else
    append_quoted(out, trim_right(v));
}

bool keeps_samples(const curs* c) { return c->samples > 0; }

// Whether `row` takes part as a row of `c`'s current sample.
bool in_current_sample(const curs* c, const text_row* row) {
  return !keeps_samples(c) || row->sample_no == static_cast<int16_t>(c->sample_no);
}

// The cursor `cur` hands its rows to, or null.
curs* aged_copy_of(const curs* cur) {
  return cur->age_to[0] ? find_cursor(cur->age_to, strnlen(cur->age_to, sizeof cur->age_to))
                        : nullptr;
}

// The column of `c` itself that `ref` names (position or 50-byte name).
columns* own_column(curs* c, const char* ref) {
  if (isdigit(static_cast<unsigned char>(ref[0]))) {
    int n = atoi(ref);
    if (n < 1) n = 1;
    for (columns* col = c->column_list; col; col = col->next)
      if (--n == 0) return col;
    return nullptr;
  }
  for (columns* col = c->column_list; col; col = col->next)
    if (strncmp(col->name, ref, NAME_SIZE) == 0) return col;
  return nullptr;
}

// The select item named `name` (`len` bytes), or -1; letter case aside, as the
// row placement matches names.
int item_named(const select_desc* lda, const char* name, size_t len) {
  for (int i = 0; i < lda->F; ++i)
    if (static_cast<size_t>(lda->C[i]) == len && strncasecmp(lda->S[i], name, len) == 0) return i;
  return -1;
}

// The value field of `col` in `row` of `c`, `width` bytes long, or null when
// the field lies outside the row's text.
const char* field_in(const curs* c, const text_row* row, const columns* col, int width) {
  if (!row || col->offset < 0 || width < 0 || col->offset + width > c->length) return nullptr;
  return row->text() + col->offset;
}

}  // namespace

curs* find_cursor(const char* name, size_t len) {
  if (len == 0 || len >= sizeof(curs::cur_name)) return nullptr;
  for (curs* c = anchors.cur_anchor; c; c = c->next)
    if (strncmp(c->cur_name, name, len) == 0 && c->cur_name[len] == '\0') return c;
  return nullptr;
}

int search_curs_vers_insert(curs* cur, const char* ref, columns** col, curs** holder) {
  if ((*col = own_column(cur, ref))) {
    *holder = cur;
    return 0;
  }
  if (!cur->vers_list || cur->vers_list == cur) return 1;
  if (cur->vers_time[0])
    PRINT('w', "pde5000",
          "Column %s not found in the active version of the cursor %s:going through inactive "
          "versions\n",
          ref, cur->cur_name);
  for_each_version(cur, [&](curs* v) {
    columns* found = v == cur ? nullptr : own_column(v, ref);
    if (found && (!*col || strncmp(v->vers_time, (*holder)->vers_time, sizeof v->vers_time) > 0)) {
      *col = found;
      *holder = v;
    }
  });
  if (!*col) return 1;
  PRINT('w', "pde5010",
        "Column %s found in alternative version of the cursor %s: incorrect data or abend "
        "possible.\n",
        ref, cur->cur_name);
  return 0;
}

int find_col(curs* cur, const char* text, columns** col, curs** holder) {
  *holder = nullptr;
  for (columns* c = cur->column_list; c; c = c->next)
    if (strncmp(c->name, text, NAME_SIZE) == 0) {
      *col = c;
      return 0;
    }
  if (text[0] == '%') {
    if ((*col = find_percent_column(text))) {
      *holder = anchors.percent_cursor;
      return 0;
    }
    PRINT('e', "pde3950", "Column %s not found\n", text);
    return 1;
  }
  const char* dot = strchr(text, '.');
  if (!dot) {
    PRINT('e', "pde3955", "Column %s not found\n", text);
    return 1;
  }
  size_t len = static_cast<size_t>(dot - text);
  if (len >= 20) {
    PRINT('e', "pde3960", "Cursor name too long in %s\n", text);
    return 1;
  }
  curs* other = find_cursor(text, len);
  if (!other) {
    PRINT('e', "pde3965", "Cursor %.*s not found in text %s\n", static_cast<int>(len), text, text);
    return 1;
  }
  char name[NAME_SIZE] = {};
  strncpy(name, dot + 1, NAME_SIZE - 1);
  if (search_curs_vers_insert(other, name, col, holder)) {
    PRINT('e', "pde3970", "Column (%s) not found in text '%s'\n", name, text);
    return 1;
  }
  return 0;
}

in_list* find_in_list(const char* ref) {
  const char* dot = strchr(ref, '.');
  if (!dot) {
    PRINT('e', "pin4500", "In_list reference in decode is invalid : %s\n", ref);
    return nullptr;
  }
  size_t len = static_cast<size_t>(dot - ref);
  curs* c = len <= 20 ? find_cursor(ref, len) : nullptr;
  if (!c) {
    PRINT('e', "pin4505", "In_list reference in decode is to non-existent cursor : %s\n", ref);
    return nullptr;
  }
  for (in_list* l = c->in_lists; l; l = l->next)
    if (strncmp(l->name, dot + 1, 79) == 0) return l;
  PRINT('e', "pin4510", "In_list reference in decode is to non-existent in_list : %s\n", ref);
  return nullptr;
}

// ---------------------------------------------------------------------------
// Qualified names

int set_qualifieds() {
  int failed = 0, resolved = 0;
  for (curs* cur = anchors.cur_anchor; cur; cur = cur->next) {
    for (columns* col = cur->column_list; col; col = col->next) {
      if (!col->qualified || col->name[0] == '%') continue;
      const char* dot = strchr(col->name, '.');
      if (!dot) {
        PRINT('e', "pmg3160", "Qualified name (%s) is invalid\n", col->name);
        failed = 1;
        continue;
      }
      size_t len = static_cast<size_t>(dot - col->name);
      curs* src = find_cursor(col->name, len);
      if (!src) {
        PRINT('e', "pmg3165", "Source cursor (%.*s) not found for %s\n", static_cast<int>(len),
              col->name, col->name);
        failed = 1;
        continue;
      }
      if (src == cur) {
        PRINT('e', "pmg3170", "Cant reference to the same cursor for %s\n", col->name);
        failed = 1;
        continue;
      }
      if (src == aged_copy_of(cur)) {
        PRINT('e', "pmg3175", "Column reference (%s) to own aged data not allowed\n", col->name);
        failed = 1;
        continue;
      }
      columns* found = nullptr;
      curs* holder = nullptr;
      if (search_curs_vers_insert(src, dot + 1, &found, &holder)) {
        PRINT('e', "pmg3180", "Source column (%s) not found for %s\n", dot + 1, col->name);
        failed = 1;
        continue;
      }
      col->src_cur = holder;
      col->src_col = found;
      ++resolved;
    }
  }
  if (failed)
    PRINT('e', "pmg3185", "Qualified name resolution failed\n");
  else
    PRINT('i', "pmg3190", "Qualified name resolution successful, %d resolved\n", resolved);
  return failed;
}

// ---------------------------------------------------------------------------
// Base rows

int edit_bases() {
  int failed = 0;
  for (curs* cur = anchors.cur_anchor; cur; cur = cur->next) {
    for (base* b = cur->bases; b; b = b->next) {
      curs* src = find_cursor(b->base_cursor, strnlen(b->base_cursor, sizeof b->base_cursor));
      if (!src) {
        PRINT('e', "pba3300", "Base cursor (%s) not found, cursor %s\n", b->base_cursor,
              cur->cur_name);
        failed = 1;
        continue;
      }
      if (src == cur) {
        PRINT('e', "pba3295", "Can't use yourself as base cursor(%s)\n", b->base_cursor);
        failed = 1;
        continue;
      }
      if (src->virtual_) {
        PRINT('e', "pba3305", "Base cursor (%s) cannot be a virtual table, cursor %s\n",
              b->base_cursor, cur->cur_name);
        failed = 1;
        continue;
      }
      if (trace_on(9))
        PRINT('t', "smf1140", "Base cursor (%s) col (%s)\n", b->base_cursor, b->to_column);
      columns* col = nullptr;
      curs* holder = nullptr;
      if (search_curs_vers_insert(src, b->to_column, &col, &holder)) {
        PRINT('e', "pba3310", "Referenced column(%s) not found for base %s, curs->cur_name\n",
              b->to_column, b->base_cursor);
        failed = 1;
        continue;
      }
      b->base_cur = holder;
      b->base_col = col;
    }
  }
  if (failed)
    PRINT('e', "pba3325", "Base references editing failed\n");
  else
    PRINT('i', "pba3320", "Base references editing successful\n");
  return failed;
}

namespace {

// The first row of `src` (current sample only, when it keeps samples) whose
// base column equals `key` over `len` bytes, or null.
text_row* matching_row(curs* src, const columns* col, const char* key, int len, bool trace) {
  for (text_row* r = src->first_row; r; r = r->next) {
    if (!in_current_sample(src, r)) continue;
    const char* field = field_in(src, r, col, len);
    if (!field) continue;
    if (trace) PRINT('t', "cba3360", "    Found (%.*s)\n", len, field);
    if (memcmp(field, key, static_cast<size_t>(len)) == 0) return r;
  }
  return nullptr;
}

}  // namespace

int set_bases(curs* cur, select_desc* lda) {
  curs* aged = aged_copy_of(cur);
  for (base* b = cur->bases; b; b = b->next) {
    b->row = nullptr;
    curs* src = b->base_cur;
    if (!src) continue;  // not bound (start-up refused it)
    int i = item_named(lda, b->on_column, strnlen(b->on_column, sizeof b->on_column));
    if (i < 0) {
      if (!b->reported)
        PRINT('w', "cba3330", "Failed to find SQLDA name %s. Using 'last_row'\n", b->on_column);
      b->reported = 1;
      b->row = src->last_row;
      continue;
    }
    int len = lda->L[i] < b->base_col->fmt_len ? lda->L[i] : b->base_col->fmt_len;
    const char* key = lda->V[i];
    if (key && len > 0) {
      bool trace = cur->trace && !b->reported;
      if (trace) PRINT('t', "cba3355", "Looking for (%d) - (%.*s)\n", len, len, key);
      b->row = matching_row(src, b->base_col, key, len, trace);
    }
    if (b->row) {
      b->reported = 0;
      continue;
    }
    if (src->row_count == 0 && src == aged) continue;
    b->row = src->last_row;
    if (src->dummy_last_row || src->conditional_dummy_last_row) {
      if (cur->trace)
        PRINT('t', "cba3345", "Using dummy last row in %s to match %s\n", src->cur_name,
              b->on_column);
    } else {
      if (!b->reported)
        PRINT('w', "cba3350", "Failed to find source row matching %s. Using 'last_row'\n",
              b->on_column);
      b->reported = 1;
    }
  }
  for (base* b = cur->bases; b; b = b->next)
    if (b->base_cur && !b->row && b->base_cur != aged) {
      PRINT('e', "cba3365", "Have no base row in cursor %s\n", cur->cur_name);
      return 1;
    }
  return 0;
}

const char* locate_base(curs* src, curs* cur, int offset) {
  if (offset < 0 || offset > src->length) return nullptr;
  for (base* b = cur->bases; b; b = b->next)
    if (b->base_cur == src && b->row) return b->row->text() + offset;
  return src->last_row ? src->last_row->text() + offset : nullptr;
}

// ---------------------------------------------------------------------------
// Column sources in the row placement

int bind_other_source(curs* cur, columns* col) {
  if (col->name[0] == '%') {
    columns* p = find_percent_column(col->name);
    if (!p) {
      if (rows_from_exit(cur))
        PRINT('e', "cmr1560", "Un-identified percent variable %s\n", col->name);
      else
        PRINT('e', "cat1560", "Un-identified percent variable %s\n", col->name);
      cur->hold = 'Y';
      return 1;
    }
    col->source = p->source;
    col->indicator = p->indicator;
    col->orig_type = p->orig_type;
    col->data_type = p->data_type;
    col->fmt_len = col->db_len = p->fmt_len;
    return 0;
  }
  curs* src = col->src_cur;
  columns* from = col->src_col;
  if (!src || !from) {
    PRINT('e', "cat1600", "Could not match %s - holding cursor %s\n", col->name, cur->cur_name);
    cur->hold = 'Y';
    return 1;
  }
  if (src->hold == 'Y') {
    if (rows_from_exit(cur))
      PRINT('e', "cmr1565", "Base cursor held, holding %s\n", cur->cur_name);
    else
      PRINT('e', "cat1565", "Source cursor %s held, holding %s\n", src->cur_name, cur->cur_name);
    cur->hold = 'Y';
    return 1;
  }
  if (!src->last_row) {
    if (rows_from_exit(cur))
      PRINT('e', "cmr1570", "Base cursor has no last row, holding %s\n", cur->cur_name);
    else
      PRINT('e', "cat1570", "Source cursor %s has no last row, holding %s\n", src->cur_name,
            cur->cur_name);
    cur->hold = 'Y';
    return 1;
  }
  col->orig_type = from->orig_type;
  col->data_type = from->data_type;
  col->fmt_len = col->db_len = from->fmt_len;
  // The stored source row already holds the NULL form of a missing value.
  col->indicator = nullptr;
  col->source = nullptr;
  return 0;
}

int refresh_row_sources(curs* cur, select_desc* lda) {
  if (cur->bases && lda && set_bases(cur, lda)) return 1;
  for (columns* col = cur->column_list; col; col = col->next) {
    if (!col->qualified || col->name[0] == '%' || !col->src_cur) continue;
    curs* src = col->src_cur;
    if (!src->last_row) {
      PRINT('e', "cat1595", "No last row for cur %s as used by %s\n", src->cur_name, cur->cur_name);
      return 1;
    }
    const char* at = locate_base(src, cur, col->src_col->offset);
    // The source's layout may have changed since this column took its length.
    if (!at || col->src_col->offset + col->fmt_len > src->length) {
      PRINT('e', "cat1600", "Could not match %s - holding cursor %s\n", col->name, cur->cur_name);
      cur->hold = 'Y';
      return 1;
    }
    col->source = at;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// In-lists

int edit_in_lists() {
  int failed = 0;
  for (curs* cur = anchors.cur_anchor; cur; cur = cur->next)
    for (in_list* l = cur->in_lists; l; l = l->next) {
      bool found = false;
      for (const columns* col = cur->column_list; col && !found; col = col->next)
        found = strncmp(col->name, l->column, NAME_SIZE) == 0;
      if (!found) {
        PRINT('e', "pin3260", "Referenced column(%s) not found for in_list %s, Cursor %s\n",
              l->column, l->name, cur->cur_name);
        failed = 1;
      }
    }
  if (failed)
    PRINT('e', "pin3270", "In_list editing failed\n");
  else
    PRINT('i', "pin3265", "In_list editing successful\n");
  return failed;
}

void build_in_list(curs* cur) {
  for (in_list* l = cur->in_lists; l; l = l->next) {
    l->text = default_in_list;
    l->text_len = default_in_list_len;
    columns* col = nullptr;
    for (columns* c = cur->column_list; c && !col; c = c->next)
      if (strncmp(c->name, l->column, NAME_SIZE) == 0) col = c;
    if (!col || cur->row_count == 0) continue;
    std::string& text = l->built;
    text.assign("( ");
    bool first = true;
    for (text_row* r = cur->first_row; r; r = r->next) {
      if (!in_current_sample(cur, r)) continue;
      char* field = const_cast<char*>(field_in(cur, r, col, col->fmt_len));
      if (!field) continue;
      // A value zero-filled past its end shows blanks there, in the row too.
      for (int j = col->fmt_len - 1; j >= 0 && field[j] == '\0'; --j) field[j] = ' ';
      if (!first) text += " , ";
      first = false;
      append_value(text, value_text(field, col->fmt_len), is_number(col));
    }
    if (first) continue;  // no row of the current sample
    text += " )";
    l->text = text.c_str();
    l->text_len = static_cast<int32_t>(text.size());
    if (cur->trace)
      PRINT('t', "cin3280", "In_list(%s(%d)) for %s = %.100s\n", l->name, l->text_len,
            cur->cur_name, l->text);
  }
}

// ---------------------------------------------------------------------------
// Host variables in the SELECT text

namespace {

// The end of a name in SQL text: a blank, quote, arithmetic sign, comma,
// parenthesis, ']' or the end.
size_t name_end(const std::string& s, size_t at) {
  while (at < s.size() && !isspace(static_cast<unsigned char>(s[at])) &&
         !strchr("'\"+-*/,()]", s[at]))
    ++at;
  return at;
}

void add_piece(merge_piece**& tail, merge_piece* p) {
  *tail = p;
  tail = &p->next;
}

void add_literal(merge_piece**& tail, size_t at, size_t len) {
  if (len == 0) return;
  auto* p = cursor_arena().make<merge_piece>();
  p->kind = LITERAL;
  p->at = at;
  p->len = len;
  add_piece(tail, p);
}

// Cuts `cur`'s insert_select text into pieces. Returns the chain, or null
// after the message naming a reference that cannot be resolved.
merge_piece* cut_pieces(curs* cur) {
  const std::string& raw = cur->raw_insert_select;
  merge_piece* head = nullptr;
  merge_piece** tail = &head;
  size_t lit = 0, i = 0;
  while (i < raw.size()) {
    if (raw[i] != '[') {
      ++i;
      continue;
    }
    add_literal(tail, lit, i - lit);
    size_t p = i + 1;
    while (p < raw.size() && raw[p] == ' ') ++p;
    size_t window = std::min(raw.size(), i + 1 + 50);
    size_t mark = p;
    while (mark < window && raw[mark] != '.' && raw[mark] != '%') ++mark;
    auto* piece = cursor_arena().make<merge_piece>();
    piece->kind = REFERENCE;
    size_t end;
    if (mark < window && raw[mark] == '%') {
      end = name_end(raw, mark);
      std::string name = raw.substr(mark, end - mark);
      piece->col = name.size() < NAME_SIZE ? find_percent_column(name.c_str()) : nullptr;
      if (!piece->col) {
        PRINT('e', "cmg3232", "Column %s not found, cursor %s \n", name.c_str(), cur->cur_name);
        return nullptr;
      }
    } else {
      size_t dot = mark < window && raw[mark] == '.' && mark - (i + 1) < 9 ? mark : raw.npos;
      size_t name_to = dot == raw.npos ? name_end(raw, p) : dot;
      size_t cut = name_to;
      while (cut > p && raw[cut - 1] == ' ') --cut;
      std::string cname = raw.substr(p, cut - p);
      size_t c = dot == raw.npos ? name_to : dot + 1;
      while (c < raw.size() && raw[c] == ' ') ++c;
      end = name_end(raw, c);
      std::string column = dot == raw.npos ? std::string() : raw.substr(c, end - c);
      curs* src = dot == raw.npos ? nullptr : find_cursor(cname.data(), cname.size());
      if (!src) {
        PRINT('e', "cmg3205", "Cursor %s not found for %s.%s in sql for %s\n", cname.c_str(),
              cname.c_str(), column.c_str(), cur->cur_name);
        return nullptr;
      }
      curs* holder = nullptr;
      if (column.size() < NAME_SIZE && !column.empty() &&
          search_curs_vers_insert(src, column.c_str(), &piece->col, &holder) == 0) {
        piece->src = holder;
      } else {
        for (in_list* l = src->in_lists; l && !piece->list; l = l->next)
          if (column.size() < NAME_SIZE && strncmp(l->name, column.c_str(), NAME_SIZE) == 0)
            piece->list = l;
        if (!piece->list) {
          PRINT('e', "cmg3230", "Column %s not found for %s.%s in sql for %s\n", column.c_str(),
                cname.c_str(), column.c_str(), cur->cur_name);
          return nullptr;
        }
        piece->src = src;
        if (src->trace) PRINT('t', "cmg3225", "matched to in_list %s\n", piece->list->name);
      }
    }
    if (end < raw.size() && raw[end] == ']') ++end;  // an optional closing bracket
    add_piece(tail, piece);
    lit = i = end;
  }
  add_literal(tail, lit, raw.size() - lit);
  return head;
}

// Writes the value of reference `p` at the end of `out`. False after the
// message when there is none.
bool put_reference(curs* cur, const merge_piece* p, std::string& out, bool first) {
  if (p->list) {
    if (first && p->list->text == default_in_list) {
      PRINT('w', "cmg3210", "Merging %s for sel in %s, in_list not initialized\n", p->list->name,
            cur->cur_name);
      PRINT('w', "cmg3215", "Cursor %s not yet executed\n", p->src->cur_name);
      PRINT('w', "cmg3220", "Holding cursor %s\n", cur->cur_name);
      cur->hold = 'Y';
    }
    out.append(p->list->text, static_cast<size_t>(p->list->text_len));
    return true;
  }
  const columns* col = p->col;
  const char* field = col->source;  // a percent variable's value place
  int width = col->fmt_len;
  const char* owner = anchors.percent_cursor ? anchors.percent_cursor->cur_name : "";
  if (p->src) {
    owner = p->src->cur_name;
    if (!p->src->last_row) {
      PRINT('e', first ? "cmg3235" : "cmg3245", "No last row for %s.%s, cursor %s\n", owner,
            col->name, cur->cur_name);
      return false;
    }
    field = field_in(p->src, p->src->last_row, col, width);
  }
  if (col->data_type != 1) {
    if (first)
      PRINT('e', "cmg3240", "Invalid data_type(%d) for %s.%s, cursor %s\n", col->data_type, owner,
            col->name, cur->cur_name);
    else
      PRINT('e', "cmg3250", "Invalid data_type(%d) for %s.%s\n", col->data_type, owner, col->name);
    return false;
  }
  std::string_view v = value_text(field, width);
  if (!out.empty() && out.back() == '!') {
    out.pop_back();
    out.append(trim_right(v));
  } else if (!is_number(col) && !strstr(col->name, "DISABLE")) {
    append_quoted(out, trim_right(v));
  } else if (is_number(col)) {
    append_value(out, v, true);
  } else {
    out.append(v);
  }
  return true;
}

}  // namespace

int set_hvs_in_sel(curs* cur, char* statement) {
  bool first = cur->merge_pieces == nullptr;
  if (first && !(cur->merge_pieces = cut_pieces(cur))) return 0;
  std::string out;
  for (const merge_piece* p = cur->merge_pieces; p; p = p->next) {
    if (p->kind == LITERAL) {
      out.append(cur->raw_insert_select, p->at, p->len);
    } else if (!put_reference(cur, p, out, first)) {
      if (first) cur->merge_pieces = nullptr;
      return 0;
    }
  }
  if (out.size() > MAX_STATEMENT) {
    PRINT('e', "cmg3260", "HV merge for cursor %s gives %d characters, more than %d\n",
          cur->cur_name, static_cast<int>(out.size()), static_cast<int>(MAX_STATEMENT));
    return 0;
  }
  memcpy(statement, out.data(), out.size());
  statement[out.size()] = '\0';
  if (cur->trace) PRINT('t', first ? "cmg3242" : "cmg3255", "HV merge produced: %s\n", statement);
  return static_cast<int>(out.size());
}

// ---------------------------------------------------------------------------
// Dummy last rows

void setup_dummy(curs* cur, select_desc* lda) {
  int32_t pos = 0;
  const derived_column_steps* derived = derived_steps();
  for (columns* col = cur->column_list; col; col = col->next) {
    if (col->name[0] == '%') {
      columns* p = find_percent_column(col->name);
      if (!p) {
        PRINT('e', "pdu4520", "Un-identified percent variable %s\n", col->name);
        cur->hold = 'Y';
        return;
      }
      col->orig_type = p->orig_type;
      col->fmt_len = p->fmt_len;
    } else if (col->qualified) {
      if (!col->src_col) return;
      col->orig_type = col->src_col->orig_type;
      col->fmt_len = col->src_col->fmt_len;
    } else if (derived && derived->is_math_column(cur, col)) {
      col->orig_type = NUMBER_TYPE;
      if (col->fmt_len <= 0) col->fmt_len = MATH_LENGTH;
    } else if (col->occurrence > 0) {
      if (!lda || col->occurrence > lda->F) {
        PRINT('e', "cdu4525", "Occurance (%d) exceeds sqlda limit (%d)\n", col->occurrence,
              lda ? lda->F : 0);
        return;
      }
      col->orig_type = lda->T[col->occurrence - 1];
      col->fmt_len = static_cast<int16_t>(lda->L[col->occurrence - 1]);
    } else {
      if (!lda) {
        PRINT('e', "cdu4530", "Name (%s) not resolved in non_sql cursor %s\n", col->name,
              cur->cur_name);
        cur->hold = 'Y';
        return;
      }
      int i = item_named(lda, col->name, strnlen(col->name, NAME_SIZE));
      if (i < 0) {
        PRINT('e', "cdu4535", "No sqlda entry found for %s.%s (%d)\n", cur->cur_name, col->name,
              col->col_ordinal);
        return;
      }
      col->orig_type = lda->T[i] == O_FIXCHAR || lda->T[i] == O_RAWD ? O_CHAR : lda->T[i];
      col->fmt_len = static_cast<int16_t>(lda->L[i]);
    }
    col->data_type = 1;
    col->db_len = col->fmt_len;
    col->offset = pos;
    pos += col->fmt_len + 1;
  }
  cur->length = pos;
}

void build_dummy_last_row(curs* cur) {
  if (cur->length <= 0) return;
  size_t len = static_cast<size_t>(cur->length);
  std::vector<char>& dummy = cur->dummy_text;
  if (dummy.size() != len + 1) {  // made once for each layout
    dummy.assign(len + 1, ' ');
    dummy[len] = '\0';
    for (const columns* col = cur->column_list; col; col = col->next) {
      if (col->fmt_len <= 0 || col->offset < 0 || col->offset + col->fmt_len > cur->length)
        continue;
      char* place = dummy.data() + col->offset;
      if (is_number(col))
        place[col->fmt_len - 1] = '0';
      else
        memcpy(place, "N/A", col->fmt_len < 3 ? static_cast<size_t>(col->fmt_len) : 3);
    }
  }
  text_row* row = alloc_sample_row(cur, cur->length);
  if (!row) return;
  memcpy(row->text(), dummy.data(), len + 1);
  row->sample_no = static_cast<int16_t>(cur->sample_no);
  row->row_no = static_cast<int16_t>(++cur->rows_this_run);
  row->dummy_len = cur->length;
  append_row(cur, row);
  if (cur->limit > 0 && cur->row_count > cur->limit) drop_first_row(cur);
  if (cur->trace) {
    PRINT('t', "cdu4515", "Added dummy last row\n");
    proded(row->row_no, row->text(), cur->length);
  }
}
