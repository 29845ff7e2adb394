// Shared pieces of the clause-parser tests: a clean process state per test, a
// cursor to parse into, and a runner that hands a clause text to its parser
// the way the statement reader does and collects the message lines printed.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctl/arena.h"
#include "ctl/curs.h"
#include "ctl/reader.h"
#include "ctl_fixture.h"
#include "test_state.h"

struct clause_result {
  int rc = -1;
  std::vector<std::string> lines;
};

// Runs `parser` on `text` padded with the four blanks the reader appends to
// every statement.
inline clause_result run_clause(int (*parser)(curs*, char*), curs* cur, const std::string& text) {
  std::string buffer = text + "    ";
  clause_result r;
  r.lines = captured([&] { r.rc = parser(cur, buffer.data()); });
  return r;
}

class clause_test : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_process_state();
    cur = cursor_arena().make<curs>();
    memcpy(cur->cur_name, "SRC", 3);
  }
  void TearDown() override { reset_process_state(); }

  curs* cur = nullptr;
};
