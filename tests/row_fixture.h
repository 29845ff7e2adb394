// Test helpers of the row path: a fixture with an open print file, cursors and
// columns made in the cursor arena, and the capture of printed message lines.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>

#include "ctl/arena.h"
#include "ctl/curs.h"
#include "std_capture.h"
#include "test_state.h"
#include "util/print.h"
#include "util/print_state.h"
#include "util/settings.h"

// A new cursor named `name` in the cursor arena (not on the cursor chain).
inline curs* test_cursor(const char* name) {
  curs* cur = cursor_arena().make<curs>();
  strncpy(cur->cur_name, name, sizeof cur->cur_name - 1);
  return cur;
}

// Appends a column named `name` to `cur`'s list and returns it.
inline columns* test_column(curs* cur, const char* name, int16_t num_type = 0) {
  columns* col = cursor_arena().make<columns>();
  strncpy(col->name, name, sizeof col->name - 1);
  col->name_len = static_cast<int16_t>(strlen(col->name));
  col->num_type = num_type;
  columns** tail = &cur->column_list;
  while (*tail) tail = &(*tail)->next;
  *tail = col;
  int16_t n = 0;
  for (columns* c = cur->column_list; c; c = c->next) c->col_ordinal = ++n;
  return col;
}

// Collects the message lines written to the open print file while it lives;
// lines() returns them joined, each with its newline, with the header's time of
// day "(HHMMSS) " removed.
class PrintCapture {
 public:
  PrintCapture() {
    fflush(print_stream());
    start_ = ftell(print_stream());
  }
  std::string lines() {
    fflush(print_stream());
    std::string text = read_whole(print_globals.stder_filename).substr(static_cast<size_t>(start_));
    static const std::regex stamp(R"(^(\S+) \(\d{6}\) )", std::regex::multiline);
    return std::regex_replace(text, stamp, "$1 ");
  }

 private:
  long start_ = 0;
};

// Common ground of the row-path tests: clean process state and an open print
// file in a scratch directory, so that every message is written once.
class RowTest : public testing::Test {
 protected:
  void SetUp() override {
    reset_process_state();
    env_vars.coll_out = env_store(dir_.path());
    init_PRINT();
  }
  void TearDown() override { reset_process_state(); }

  ScratchDir dir_;
};
