// Loads from the parsed load texts to a virtual cursor's last row: plain
// values, WHERE aggregates, FROM choices, the dictionary's default for a run
// without rows, and the alignment and cutting of the value in its place.
#include "ctl/clauses.h"
#include "ctl/dict.h"
#include "derive/load_conditions.h"
#include "rows/age_to_loads.h"
#include "sched_fixture.h"

namespace {

class LoadTest : public SchedTest {
 protected:
  void SetUp() override {
    SchedTest::SetUp();
    // S: host (8), cpu (4, a number), big (20, a number), laid out end to end.
    s_ = cursor("S", "", {"host", "cpu", "big"});
    place(s_, {{8, 1}, {4, 2}, {20, 2}});
    add_row(s_, "alpha   |  10|9223372036854775807 |", 1, 1);
    add_row(s_, "alpha   |  20|1                   |", 2, 2);
    add_row(s_, "charlie |  30|-5                  |", 2, 3);
    s_->sample_no = 2;
    // V: c (6, text), n (6, a number), w (20, a number).
    v_ = cursor("V", "", {"c", "n", "w"});
    v_->virtual_ = 1;
    place(v_, {{6, 1}, {6, 2}, {20, 2}});
    add_row(v_, std::string(v_->length, 'x'), 1, 1);
  }
  // Lays out the columns of `c` as {fmt_len, orig_type} in order.
  static void place(curs* c, std::initializer_list<std::pair<int16_t, int16_t>> layout) {
    int32_t at = 0;
    columns* col = c->column_list;
    for (auto [len, type] : layout) {
      col->offset = at;
      col->fmt_len = len;
      col->orig_type = type;
      at += len + 1;
      col = col->next;
    }
    c->length = at;
  }
  // The value of V's column `name` in its last row.
  std::string target(const char* name) {
    for (columns* col = v_->column_list; col; col = col->next)
      if (strcmp(col->name, name) == 0)
        return std::string(v_->last_row->text() + col->offset, static_cast<size_t>(col->fmt_len));
    return "?";
  }
  curs* s_ = nullptr;
  curs* v_ = nullptr;
};

// Rows of tests/data/rows/loads.txt.
TEST_F(LoadTest, ValuesAggregatesAndChoices) {
  for (const auto& tc : data_rows("rows/loads.txt", 3)) {
    SCOPED_TRACE(tc[0]);
    s_->loads = nullptr;
    s_->parsed_loads = nullptr;
    s_->samples = static_cast<int16_t>(tc[2].empty() ? 0 : std::stoi(tc[2]));
    memset(v_->last_row->text(), 'x', static_cast<size_t>(v_->length));
    ASSERT_EQ(add_load_text(s_, tc[0].c_str()), 0);
    ASSERT_EQ(parse_loads(), 0);
    ASSERT_EQ(edit_loads(), 0);
    EXPECT_EQ(process_loads(s_, s_->row_count), 0);
    EXPECT_EQ(target(tc[0].substr(tc[0].find("V.") + 2, 1).c_str()), tc[1]);
  }
}

TEST_F(LoadTest, RunWithoutRowsTakesTheDictionaryDefault) {
  d_ptr entry;
  strcpy(entry.name, "c");
  entry.type_set = 1;
  entry.length = 4;
  entry.has_initial = true;
  entry.initial = "initial";
  dictionary.dict_anchor = &entry;
  ASSERT_EQ(add_load_text(s_, "host -> V.c"), 0);
  ASSERT_EQ(add_load_text(s_, "cpu -> V.n"), 0);
  ASSERT_EQ(parse_loads(), 0);
  s_->trace = 1;
  mark();
  EXPECT_EQ(process_loads(s_, 0), 0);
  dictionary.dict_anchor = nullptr;
  EXPECT_EQ(target("c"), "initxx");  // the entry's length, cut to it
  EXPECT_EQ(target("n"), "xxxxxx");  // no entry: unchanged
  EXPECT_EQ(lines("PLO"),
            std::vector<std::string>(2, "PLO3100T Setting defaults at loads for cur = S"));
}

TEST_F(LoadTest, ConditionColumnsMustResolve) {
  ASSERT_EQ(add_load_text(s_, "host -> V.c where cpu = other"), 0);
  ASSERT_EQ(parse_loads(), 0);
  mark();
  EXPECT_EQ(edit_loads(), 1);
  EXPECT_EQ(lines("PDE"),
            (std::vector<std::string>{"PDE3955E Column other not found",
                                      "PDE4205E Operand column(other) not in cursor S",
                                      "PDE4220E Load predicate editing failed"}));
}

}  // namespace
