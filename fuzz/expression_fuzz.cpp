// Feeds arbitrary bytes as one expression text through the lexer, the RPN
// conversion and the interpreter (constants and working variables only; no
// cursor is current), with a fresh term table per input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "expr/expression.h"
#include "expr/interpreter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 20000) size = 20000;
  std::string text(reinterpret_cast<const char*>(data), size);
  open_lexer(nullptr);
  if (lexeme* rpn = parse_expression(text.c_str())) {
    // Twice: the second run reuses the bound terms and the recycled work variables.
    for (int16_t mode : {PM_PREPARE, PM_EXECUTE}) {
      set_proc_mode(mode);
      release_result(evaluate_copy(rpn));
    }
    free_lex_list(rpn);
  }
  TERM_TABLE* table = nullptr;
  close_lexer(&table);
  free_perm_term_tb(table);
  return 0;
}
