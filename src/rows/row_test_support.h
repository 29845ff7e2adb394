// Test helpers of the row path: cursors and columns made in the cursor arena,
// and the capture of printed message lines without their time of day.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>

#include "ctl/arena.h"
#include "ctl/curs.h"

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

// Collects what the message writers print while it lives; lines() returns the
// text with each header's time of day "(HHMMSS) " removed.
class PrintCapture {
 public:
  PrintCapture() { testing::internal::CaptureStdout(); }
  ~PrintCapture() {
    if (!done_) testing::internal::GetCapturedStdout();
  }
  std::string lines() {
    done_ = true;
    std::string text = testing::internal::GetCapturedStdout();
    return std::regex_replace(text, std::regex(R"(\(\d{6}\) )"), "");
  }

 private:
  bool done_ = false;
};
