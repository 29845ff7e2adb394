// Row placement from a select descriptor: the column layout fixed by the first
// row, NULL forms, water marks, the row limit, and unresolvable columns.
#include "rows/row_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/settings.h"
#include "rows/row_chain.h"
#include "rows/row_test_support.h"
#include "rows/select_desc.h"
#include "test_state.h"

namespace {

// A descriptor over items laid end to end in one buffer, as a fetch leaves them.
class FetchedItems {
 public:
  void add(const char* name, int16_t type, int32_t len) {
    int i = lda.F++;
    lda.C[i] = static_cast<int16_t>(strlen(name));
    memcpy(lda.S[i], name, static_cast<size_t>(lda.C[i]));
    lda.T[i] = type;
    lda.L[i] = len;
    types[i] = type;
    lens_.push_back(len);
  }
  // Sets the values of the next row; a null value is a NULL.
  void row(std::vector<const char*> values) {
    size_t total = 0;
    for (int32_t l : lens_) total += static_cast<size_t>(l);
    buffer_.assign(total + 1, '\0');
    size_t at = 0;
    for (int i = 0; i < lda.F; ++i) {
      lda.V[i] = buffer_.data() + at;
      lda.I[i] = &ind_[i];
      ind_[i] = values[i] ? 0 : -1;
      if (values[i]) memcpy(lda.V[i], values[i], strnlen(values[i], lens_[i]));
      at += static_cast<size_t>(lens_[i]);
    }
  }
  select_desc lda;
  int16_t types[MAX_SELECT_ITEMS] = {};

 private:
  std::vector<int32_t> lens_;
  std::vector<char> buffer_;
  int16_t ind_[MAX_SELECT_ITEMS] = {};
};

class RowFormatTest : public RowTest {
 protected:
  void SetUp() override {
    RowTest::SetUp();
    work_.assign(sizeof_work_buff, '\0');
  }
  int merge(curs* cur, FetchedItems* items) {
    return merge_text(work_.data(), items ? &items->lda : nullptr, items ? items->types : nullptr,
                      cur, "20240102030405");
  }
  static std::string text_of(const curs* cur, const text_row* row) {
    return std::string(row->text(), static_cast<size_t>(cur->length));
  }
  std::vector<char> work_;
};

TEST_F(RowFormatTest, PlacesValuesAndNulls) {
  curs* cur = test_cursor("PLACE");
  anchors.cur_anchor = cur;
  test_column(cur, "NAME");
  test_column(cur, "code");  // matched whatever the case
  test_column(cur, "CNT");
  test_column(cur, "FLAG");
  FetchedItems items;
  items.add("NAME", 1, 6);
  items.add("CODE", 1, 2);
  items.add("CNT", 2, 5);
  items.add("FLAG", 1, 3);
  cur->sample_no = 7;
  cur->rows_this_run = 1;
  items.row({"disk01", "ab", "   42", "yes"});
  EXPECT_EQ(merge(cur, &items), 20);
  cur->rows_this_run = 2;
  items.row({nullptr, nullptr, nullptr, nullptr});
  EXPECT_EQ(merge(cur, &items), 20);

  ASSERT_EQ(cur->row_count, 2);
  const text_row* first = cur->first_row;
  EXPECT_EQ(text_of(cur, first), std::string("disk01\0ab\0   42\0yes\0", 20));
  EXPECT_EQ(first->sample_no, 7);
  EXPECT_EQ(first->row_no, 1);
  EXPECT_EQ(first->age, 0);
  // NULL: "NULL" over text (cut to 2 and 3 bytes), '0' at the end of a number.
  EXPECT_EQ(text_of(cur, cur->last_row), std::string("NULL  \0NU\0    0\0NUL\0", 20));
  EXPECT_EQ(cur->last_row->row_no, 2);
  EXPECT_EQ(cur->current_row, cur->last_row);
  EXPECT_EQ(cur->last_row->text()[20], '\0');
  EXPECT_TRUE(cur->new_data && cur->new_data_eval && cur->history_pending && cur->cols_resolved);
  const int32_t offsets[] = {0, 7, 10, 16};
  int i = 0;
  for (columns* col = cur->column_list; col; col = col->next) {
    EXPECT_EQ(col->offset, offsets[i++]);
    EXPECT_EQ(col->data_type, 1);
  }
}

TEST_F(RowFormatTest, OccurrencesAndSetLengths) {
  curs* cur = test_cursor("OCC");
  anchors.cur_anchor = cur;
  columns* second = test_column(cur, "2!");
  second->occurrence = 2;
  second->set_length = 4;  // equal to the item length: cleared
  columns* first = test_column(cur, "1!");
  first->occurrence = 1;
  first->set_length = 9;
  FetchedItems items;
  items.add("A", 1, 3);
  items.add("B", 2, 4);
  items.row({"abc", "  12"});
  EXPECT_EQ(merge(cur, &items), 9);
  EXPECT_EQ(text_of(cur, cur->first_row), std::string("  12\0abc\0", 9));
  EXPECT_EQ(second->orig_type, 2);
  EXPECT_EQ(second->set_length, 0);
  EXPECT_EQ(first->set_length, 9);
}

TEST_F(RowFormatTest, WaterMarksKeepTheExtremes) {
  curs* cur = test_cursor("WATER");
  anchors.cur_anchor = cur;
  test_column(cur, "V")->col_funct = 7;   // HIGH_WATER
  test_column(cur, "V2")->col_funct = 8;  // LOW_WATER
  FetchedItems items;
  items.add("V", 2, 3);
  items.add("V2", 2, 3);
  const char* values[] = {" 50", " 70", " 20", " 60"};
  std::string shown;
  for (const char* v : values) {
    items.row({v, v});
    ASSERT_EQ(merge(cur, &items), 8);
    shown += std::string(cur->last_row->text(), 7) + "|";
  }
  EXPECT_EQ(shown, std::string(" 50\0 50|", 8) + std::string(" 70\0 50|", 8) +
                       std::string(" 70\0 20|", 8) + std::string(" 70\0 20|", 8));
}

TEST_F(RowFormatTest, RowLimitDropsTheOldest) {
  curs* cur = test_cursor("LIMIT");
  anchors.cur_anchor = cur;
  cur->limit = 2;
  test_column(cur, "N");
  FetchedItems items;
  items.add("N", 1, 1);
  for (const char* v : {"a", "b", "c"}) {
    items.row({v});
    ASSERT_EQ(merge(cur, &items), 2);
  }
  ASSERT_EQ(cur->row_count, 2);
  EXPECT_EQ(cur->first_row->text()[0], 'b');
  EXPECT_EQ(cur->first_row->next, cur->last_row);
  EXPECT_EQ(cur->last_row->text()[0], 'c');
}

TEST_F(RowFormatTest, UnresolvedColumnsFailTheRow) {
  struct unresolved_case {
    const char* column;
    int16_t occurrence;
    bool with_items;
    const char* message;
    char hold;
  };
  const unresolved_case cases[] = {
      // no select item of that name
      {"MISSING", 0, true, "CAT1590E No sqlda entry found for BAD.MISSING\n", 0},
      // occurrence beyond the items
      {"3!", 3, true, "CAT1580E Occurance (3) exceeds sqlda limit (1), BAD\n", 0},
      // n! without SQL
      {"1!", 1, false, "CAT1575E Cannot use n! addressing in NO_SQL cursor BAD\n", 'Y'},
      // a name without SQL
      {"NAME", 0, false, "CAT1585E Name (NAME) not resolved in non_sql cursor BAD\n", 'Y'},
      // a percent variable that does not exist
      {"%nothing", 0, true, "CAT1560E Un-identified percent variable %nothing\n", 'Y'},
  };
  for (const auto& c : cases) {
    curs* cur = test_cursor("BAD");
    columns* col = test_column(cur, c.column);
    col->occurrence = c.occurrence;
    FetchedItems items;
    items.add("A", 1, 2);
    items.row({"xy"});
    PrintCapture capture;
    EXPECT_EQ(merge(cur, c.with_items ? &items : nullptr), 0);
    EXPECT_EQ(capture.lines(), c.message);
    EXPECT_EQ(cur->hold, c.hold) << c.column;
    EXPECT_EQ(cur->row_count, 0);
    EXPECT_EQ(cur->cols_resolved, 0);
  }
}

TEST_F(RowFormatTest, ColumnTableAndLayoutHelpers) {
  curs* cur = test_cursor("SHOW");
  anchors.cur_anchor = cur;
  cur->table_name = "DISKS";
  cur->show_cursor = 1;
  host_col h1{nullptr, "DNAME"};
  host_col h0{&h1, "HCNT"};
  cur->host_cols = &h0;
  test_column(cur, "CNT");
  test_column(cur, "NAME", 1);
  test_column(cur, "ELSE", 4);
  FetchedItems items;
  items.add("CNT", 2, 5);
  items.add("NAME", 1, 4);
  items.add("ELSE", 12, 9);
  items.row({"    1", "abcd", "x"});
  PrintCapture capture;
  EXPECT_EQ(merge(cur, &items), 21);
  EXPECT_EQ(capture.lines(),
            "CSC1900I Curs= SHOW , host table= DISKS\n"
            "CSC1920I #1 Host=HCNT (0,5), Orig=CNT, Orig-t=Number, send_t=Right alligned, len=5\n"
            "CSC1920I #2 Host=DNAME (6,4), Orig=NAME, Orig-t=Char, send_t=Char, len=4\n"
            "CSC1920I #3 Host= (11,9), Orig=ELSE, Orig-t=Date, send_t=NO-SEND, len=0\n");
  EXPECT_EQ(cur->show_cursor, 0);

  char area[30];
  columns a{}, b{};
  a.next = &b;
  a.source = area + 4;
  a.fmt_len = 3;
  b.source = area + 20;
  b.fmt_len = 5;
  EXPECT_EQ(row_form(&a, area), 8);
  EXPECT_EQ(a.offset, 4);
  EXPECT_EQ(b.offset, 20);
}

}  // namespace
