// The eval-file parser: evaluation blocks with their cursor, column,
// operator and threshold, hung on the evaluated cursors.
#include "ctl/eval.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "ctl/anchors.h"
#include "ctl/arena.h"
#include "ctl/ctl_file.h"
#include "ctl/curs.h"
#include "ctl/keywords.h"
#include "ctl/parse_loop.h"
#include "ctl/reader.h"
#include "util/print.h"

namespace {

using outcome = ctl_outcome;

struct eval_parser final : ctl_statements {
  e_ptr* open = nullptr;
  bool has_operator = false;  // an operator statement was read for the open block
  bool has_value = false;     // a value statement was read
  int ordinal = 0;

  int keyword(const char* word, int len) override { return eval_key_word(word, len); }
  outcome statement(int code) override;
  // A block still open at the end of the file is kept like any other.
  outcome at_eof() override { return open ? close_block() : outcome::next; }

  outcome close_block();
  outcome open_block();
  outcome value_statement(int code);
  outcome operator_word();
};

outcome eval_parser::close_block() {
  e_ptr* e = open;
  open = nullptr;
  if (e->eval_name[0] == 0) {
    PRINT('e', "pev1275", "No Evaluation name\n");
    return outcome::fatal;
  }
  if (e->cursor_name[0] == 0) {
    PRINT('e', "pev1280", "No Cursor name\n");
    return outcome::fatal;
  }
  if (!has_operator) {
    PRINT('e', "pev1285", "No Operator\n");
    return outcome::fatal;
  }
  if (!has_value) {
    PRINT('e', "pev1290", "No Value specified\n");
    return outcome::fatal;
  }
  if (e->column[0] == 0) {
    PRINT('e', "pev1295", "No Column name\n");
    return outcome::fatal;
  }
  e->ordinal = ++ordinal;
  curs* c = anchors.cur_anchor;
  while (c && strcmp(c->cur_name, e->cursor_name) != 0) c = c->next;
  if (!c) {
    PRINT('e', "pev1230", "Cursor named %s not found\n", e->cursor_name);
    errors = true;
    return outcome::next;
  }
  e->next = c->evals;
  c->evals = e;
  return outcome::next;
}

outcome eval_parser::open_block() {
  open = cursor_arena().make<e_ptr>();
  has_operator = has_value = false;
  int n = get_word(reader.this_start, reader.statement_end);
  if (n <= 0) return n < 0 ? outcome::fatal : outcome::next;
  reader.this_start += n;
  const word_info& w = reader.parse_word;
  if (w.len > 35) {
    PRINT('e', "pev1300", "Evaluation name is exceeeds 8 characters\n");
    return outcome::fatal;
  }
  memcpy(open->eval_name, w.str, w.len);
  return outcome::next;
}

outcome eval_parser::operator_word() {
  const word_info& w = reader.parse_word;
  if (w.len < 1 || w.len > 2) {
    PRINT('e', "pev1335", "Invalid operator\n");
    return outcome::fatal;
  }
  for (int i = 0; i < w.len; ++i) {
    switch (w.str[i]) {
      case '<':
        open->op_lt = 1;
        break;
      case '=':
        open->op_eq = 1;
        break;
      case '>':
        open->op_gt = 1;
        break;
      default:
        // One message id per position: a lone operator, the first or the second of two.
        if (w.len == 1) {
          PRINT('e', "pev1320", "Invalid operator\n");
        } else if (i == 0) {
          PRINT('e', "pev1325", "Invalid operator\n");
        } else {
          PRINT('e', "pev1330", "Invalid operator\n");
        }
        return outcome::fatal;
    }
  }
  has_operator = true;
  return outcome::next;
}

outcome eval_parser::value_statement(int code) {
  int n = get_word(reader.this_start, reader.statement_end);
  if (n < 0) return outcome::fatal;
  if (n == 0) return outcome::next;
  reader.this_start += n;
  const word_info& w = reader.parse_word;
  e_ptr* e = open;
  switch (code) {
    case 6:  // name
      if (e->eval_name[0]) {
        PRINT('e', "pev1310", "Duplicate evaluation name\n");
        return outcome::fatal;
      }
      if (w.len >= 36) {
        PRINT('e', "pev1315", "Excessive length on evaluation name\n");
        return outcome::fatal;
      }
      memcpy(e->eval_name, w.str, w.len);
      return outcome::next;
    case 3:  // cursor
      if (e->cursor_name[0]) {
        PRINT('e', "pev1355", "Duplicate Cursor Name\n");
        return outcome::fatal;
      }
      if (w.len > 8) {
        PRINT('e', "pev1360", "Excessive length on Cursor Name\n");
        return outcome::fatal;
      }
      memcpy(e->cursor_name, w.str, w.len);
      return outcome::next;
    case 4: {  // column
      std::string text(w.str, w.len);
      if (e->column[0]) {
        PRINT('e', "pev1365", "Duplicate Column Name %s\n", text.c_str());
        return outcome::fatal;
      }
      static const struct {
        const char* upper;
        const char* lower;
        int code;
      } functions[] = {
          {"AVG!", "avg!", 3}, {"SUM!", "sum!", 6},   {"MIN!", "min!", 1},
          {"MAX!", "max!", 2}, {"WAVG!", "wavg!", 4}, {"TREND!", "trend!", 5},
          {"HW!", "hw!", 7},   {"LW!", "lw!", 8},     {"COUNT!", "count!", 9},
      };
      for (const auto& f : functions) {
        size_t k = strlen(f.upper);
        if (text.compare(0, k, f.upper) == 0 || text.compare(0, k, f.lower) == 0) {
          e->col_funct = f.code;
          text.erase(0, k);
          break;
        }
      }
      if (text.size() > 32) {
        PRINT('e', "pev1370", "Column Name too long\n");
        return outcome::fatal;
      }
      memcpy(e->column, text.data(), text.size());
      e->column_len = static_cast<int16_t>(text.size());
      return outcome::next;
    }
    case 5:  // operator
      return operator_word();
    default: {  // value
      std::string text(w.str, w.len);
      if (w.num_flags & nf_numeric) {
        e->value_type = 1;
        e->value = strtod(text.c_str(), nullptr);
      } else {
        e->value_type = 2;
      }
      if (text.size() >= 2 && (text[0] == '\'' || text[0] == '"') && text.back() == text[0]) {
        text = text.substr(1, text.size() - 2);
      }
      e->value_text = text;
      e->value_len = static_cast<int16_t>(text.size());
      has_value = true;
      return outcome::next;
    }
  }
}

outcome eval_parser::statement(int code) {
  if (code != 1 && code != 7) return value_statement(code);
  outcome o = open ? close_block() : outcome::next;
  if (o == outcome::next && code == 1) o = open_block();
  if (code == 7) ended = true;
  return o;
}

// The eval file has no banners, and its first error ends the parse.
const ctl_file_messages kEvalFile = {
    .line_size = 256,
    .first_word = "eval",
    .first_length = {"pev1265", "First word must be 'eval'\n"},
    .first_other = {"pev1270", "First word must be 'eval'\n"},
    .read_failed = {"pev1255", "Parsing failed : %s\n"},
    .unknown = {"pev1260", "Unknown keyword (%s)\n"},
    .statement_failed = {"pev1305", "Parsing failed : %s\n"},
    .unbalanced = {"pev1375", "Parentheses do not balance\n"},
    .first_error_ends = true,
};

int parse(FILE* in) {
  eval_parser p;
  return run_parse_loop(in, kEvalFile, p);
}

}  // namespace

int parse_eval_stream(FILE* in) { return parse(in); }

int parse_eval() {
  if (!print_stream()) init_PRINT();
  unique_file in = u_openInputFile("eval");
  if (!in) return 1;
  return parse_eval_stream(in.get());
}
