// The decode clause parser: COLUMN OPERATOR [OPERAND] [and ...] SEPARATOR
// REPLACEMENT, its and-conditions, and the condition form shared by
// iterate_where and the load WHERE directive.
#include "ctl/decode_clause.h"

#include <cstring>
#include <string>

#include "ctl/arena.h"
#include "ctl/clause_words.h"
#include "ctl/clauses.h"
#include "ctl/curs.h"
#include "ctl/reader.h"
#include "util/print.h"

namespace {

// Message ids for a bad operator, by the operator's length.
struct operator_ids {
  const char* one;    // one character
  const char* two;    // two characters
  const char* word;   // four (decode) or six characters
  const char* seven;  // seven characters (decode)
  const char* other;  // any other length
};
constexpr operator_ids decode_operator_ids{"pde3760", "pde3765", "pde3770`", "pde3750", "pde3775"};
constexpr operator_ids and_operator_ids{"pde3915", "pde3920", "pde3925", "pde3930", "pde3930"};

// Returns the test code of the operator word `w` (empty when missing), or 0
// after the message. An and-condition (`in_decode` false) has no null,
// default or in.
int16_t operator_code(const clause_word& w, bool in_decode, const std::string& text) {
  const operator_ids& ids = in_decode ? decode_operator_ids : and_operator_ids;
  const char* id = ids.other;
  switch (w.len) {
    case 1:
      if (w.is("=")) return op_equal;
      if (w.is(">")) return op_greater;
      if (w.is("<")) return op_less;
      if (w.is("&")) return op_and_bits;
      id = ids.one;
      break;
    case 2:
      if (w.is(">=")) return op_greater_equal;
      if (w.is("<=")) return op_less_equal;
      if (w.is("~=")) return op_not_equal;
      if (in_decode && w.is_either("in", "IN")) return op_in;
      id = ids.two;
      break;
    case 4:
      if (in_decode && w.is_either("null", "NULL")) return op_null;
      if (in_decode) id = ids.word;
      break;
    case 6:
      if (w.is_either("search", "SEARCH")) return op_search;
      id = ids.word;
      break;
    case 7:
      if (in_decode && w.is_either("default", "DEFAULT")) return op_default;
      id = ids.seven;
      break;
  }
  PRINT('e', id, "Invalid decode operator in %s\n", text.c_str());
  return 0;
}

enum class word_fit { ok, not_numeric, column_too_long, text_too_long };

// Fills the operand of test `t` from the word `w`; `area` is the test's
// operand area (OPERANDLL blank bytes).
word_fit fill_operand(decode_test& t, const clause_word& w, char* area) {
  if (t.operatr == op_and_bits) {
    if (!w.numeric()) return word_fit::not_numeric;
    t.operand_type = operand_numeric;
    t.bits = w.integer();
    return word_fit::ok;
  }
  if (w.numeric()) {
    if (w.len > OPERANDLL) return word_fit::text_too_long;
    t.operand_type = operand_numeric;
    t.op_num = w.value();
    memcpy(area + OPERANDLL - w.len, w.str, w.len);
    t.operand_ll = static_cast<int16_t>(w.len);
    t.operator_ = area;
    return word_fit::ok;
  }
  if (w.quoted()) {
    std::string_view s = w.unquoted();
    if (s.size() > OPERANDLL) return word_fit::text_too_long;
    t.operand_type = operand_string;
    memcpy(area, s.data(), s.size());
    t.operand_ll = static_cast<int16_t>(s.size());
    t.operator_ = area;
    return word_fit::ok;
  }
  if (!copy_name(t.operand_column, sizeof t.operand_column, w.str, w.len)) {
    return word_fit::column_too_long;
  }
  t.operand_type = t.operatr == op_in ? operand_in_list : operand_column;
  return word_fit::ok;
}

// Fills the replacement of `op` from the word `w`; `run` after the separator "run".
word_fit fill_replacement(decode_op& op, const clause_word& w, bool run) {
  char* area = op.text_block + OPERANDLL;
  if (w.numeric()) {
    if (w.len > OPERANDLL) return word_fit::text_too_long;
    op.replacement_type = replacement_numeric;
    memcpy(area + OPERANDLL - w.len, w.str, w.len);
    op.replacement_ll = static_cast<int16_t>(w.len);
    return word_fit::ok;
  }
  if (w.quoted()) {
    std::string_view s = w.unquoted();
    if (s.size() > OPERANDLL) return word_fit::text_too_long;
    op.replacement_type = replacement_string;
    memcpy(area, s.data(), s.size());
    op.replacement_ll = static_cast<int16_t>(s.size());
    return word_fit::ok;
  }
  if (!copy_name(op.replacement_column, sizeof op.replacement_column, w.str, w.len)) {
    return word_fit::column_too_long;
  }
  op.replacement_type = run ? replacement_run : replacement_column;
  return word_fit::ok;
}

// The stored text of an operand or replacement area: numbers end at the
// area's end, strings start at its beginning.
const char* area_text(const char* area, int16_t type, int16_t ll) {
  return type == operand_numeric ? area + OPERANDLL - ll : area;
}

void trace_op(const decode_op& op) {
  ctl_trace("pde3810", "Decode_op->operatr = %d\n", op.operatr);
  ctl_trace("pde3815", "Decode_op->operand_type = %d\n", op.operand_type);
  ctl_trace("pde3820", "Decode_op->op_num = %f\n", op.op_num);
  ctl_trace("pde3825", "Decode_op->bits = %lld\n", static_cast<long long>(op.bits));
  ctl_trace("pde3830", "Decode_op->operand_ll = %d\n", op.operand_ll);
  if (op.operator_ != nullptr) {
    ctl_trace("pde3835", "Decode_op->operator = %.*s\n", op.operand_ll,
              area_text(op.operator_, op.operand_type, op.operand_ll));
  } else {
    ctl_trace("pde3835", "No operand\n");
  }
  ctl_trace("pde3840", "Decode_op->operand_column = %s\n", op.operand_column);
  ctl_trace("pde3845", "Decode_op->replacement_type = %d\n", op.replacement_type);
  ctl_trace("pde3850", "Decode_op->replacement_ll = %d\n", op.replacement_ll);
  if (op.replacement_ll > 0) {
    ctl_trace("pde3855", "Decode_op->replacement = %.*s\n", op.replacement_ll,
              area_text(op.replacement, op.replacement_type, op.replacement_ll));
  } else {
    ctl_trace("pde3855", "No replacement\n");
  }
  ctl_trace("pde3860", "Decode_op->replacement_column = %s\n", op.replacement_column);
  if (op.and_parts != nullptr) {
    ctl_trace("pde3865", "Has and text\n");
  } else {
    ctl_trace("pde3865", "Has no and text\n");
  }
  ctl_trace("pde3875", "Decode_op->curslist = %d\n", op.curslist);
}

// Reads the and-conditions and the separator after an operand. Returns 0 with
// `run` set for the separator "run", or 1 after the message.
int and_parts_and_separator(clause_words& words, char* end, decode_op& op, bool& run,
                            const std::string& text) {
  for (;;) {
    clause_word w;
    if (words.next(w) != 1) {
      PRINT('e', "pde3795", "Bad decode syntax : %s\n", text.c_str());
      return 1;
    }
    if (w.is_either("and", "AND")) {
      char* after = parse_and(&op.and_parts, words.position(), end);
      if (after == nullptr) return 1;
      words.seek(after);
      continue;
    }
    if (w.is_char(',')) return 0;
    if (w.is_either("run", "RUN")) {
      run = true;
      return 0;
    }
    PRINT('e', "pde3800", "Bad decode syntax : %s\n", text.c_str());
    return 1;
  }
}

// Parses one decode statement `rest` and appends its operation to the chain
// at `chain` (the cursor's decodes, or a condition's own chain).
int decode_statement(curs* cur, char* rest, decode** chain) {
  std::string text = shown(skip_blanks(rest));
  char* end = rest + strlen(rest);
  clause_words words(rest, end);
  clause_word column;
  if (words.next(column) != 1 || !column.is_name()) {
    PRINT('e', "pde3740", "Bad decode syntax : %s\n", text.c_str());
    return 1;
  }
  if (column.len >= 50) {
    PRINT('e', "pde3745", "Column name too long (%d) in %s\n", column.len, text.c_str());
    return 1;
  }
  auto* op = cursor_arena().make<decode_op>();
  memset(op->text_block, ' ', sizeof op->text_block);
  op->replacement = op->text_block + OPERANDLL;

  clause_word w;
  words.next(w);
  op->operatr = operator_code(w, true, text);
  if (op->operatr == 0) return 1;
  if (words.next(w) != 1) {
    PRINT('e', "pde3780", "Invalid text after operator in %s\n", text.c_str());
    return 1;
  }
  bool run = false;
  // After null and default the word read is already the replacement.
  if (op->operatr != op_null && op->operatr != op_default) {
    switch (fill_operand(*op, w, op->text_block)) {
      case word_fit::ok:
        break;
      case word_fit::not_numeric:
        PRINT('e', "pde3785", "And operator (&) requires numeric constant\n");
        return 1;
      case word_fit::column_too_long:
        PRINT('e', "pde3790", "Column name length excessive in %s\n", text.c_str());
        return 1;
      case word_fit::text_too_long:
        PRINT('e', "pde3780", "Invalid text after operator in %s\n", text.c_str());
        return 1;
    }
    if (and_parts_and_separator(words, end, *op, run, text) != 0) return 1;
    if (words.next(w) != 1) {
      PRINT('e', "pde3802", "Bad decode syntax : %s\n", text.c_str());
      return 1;
    }
  }
  word_fit fit = fill_replacement(*op, w, run);
  if (fit == word_fit::column_too_long) {
    PRINT('e', "pde3805", "Replacement Column name length excessive in %s\n", text.c_str());
    return 1;
  }
  clause_word extra;
  if (fit != word_fit::ok || words.next(extra) != 0) {
    PRINT('e', "pde3800", "Bad decode syntax : %s\n", text.c_str());
    return 1;
  }
  if (cur->traced) trace_op(*op);

  decode* d = *chain;
  char name[50] = {};
  memcpy(name, column.str, column.len);
  while (d != nullptr && memcmp(d->column, name, sizeof name) != 0) d = d->next;
  if (d == nullptr) {
    d = cursor_arena().make<decode>();
    memcpy(d->column, name, sizeof name);
    append_chain(*chain, d);
  }
  append_chain(d->ops, op);
  return 0;
}

}  // namespace

char* parse_and(part** head, char* pos, char* end) {
  std::string text = shown(skip_blanks(pos), end);
  clause_words words(pos, end);
  clause_word w;
  words.next(w);
  auto* p = cursor_arena().make<part>();
  memset(p->area, ' ', sizeof p->area);
  p->operatr = operator_code(w, false, text);
  if (p->operatr == 0) return nullptr;
  if (words.next(w) != 1) {
    PRINT('e', "pde3940", "Invalid text after operator in %s\n", text.c_str());
    return nullptr;
  }
  switch (fill_operand(*p, w, p->area)) {
    case word_fit::ok:
      break;
    case word_fit::not_numeric:
      PRINT('e', "pde3945", "And operator (&) requires numeric constant\n");
      return nullptr;
    case word_fit::column_too_long:
      PRINT('e', "pde3950", "Column name length excessive in %s\n", text.c_str());
      return nullptr;
    case word_fit::text_too_long:
      PRINT('e', "pde3940", "Invalid text after operator in %s\n", text.c_str());
      return nullptr;
  }
  p->operator_ = p->area;
  append_chain(*head, p);
  return words.position();
}

int parse_decode(curs* cur, char* rest) { return decode_statement(cur, rest, &cur->decodes); }

int parse_condition(curs* cur, const char* condition, decode** chain) {
  std::string text = shown(skip_blanks(condition)) + LOAD_TEXT_TAIL;
  decode* own = nullptr;
  if (decode_statement(cur, text.data(), &own) != 0) return 1;
  *chain = own;
  return 0;
}
