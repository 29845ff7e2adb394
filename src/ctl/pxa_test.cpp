// Agent table definitions: the INSERT, columns and identifiers deduced from a
// .PXA file for "INSERT !NAME", the values the cursor file keeps, and the
// message lines of broken definitions.
#include "ctl/pxa.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/collect.h"
#include "ctl/curs.h"
#include "ctl_fixture.h"

namespace {

// Runs in the directory of the definition files, as the collector reads them
// relative to its working directory.
class PxaFile : public ctl_test {
 protected:
  void SetUp() override {
    ctl_test::SetUp();
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    saved_cwd_ = cwd;
    ASSERT_EQ(chdir(TEST_DATA_DIR "/ctl/pxa"), 0);
  }
  void TearDown() override {
    EXPECT_EQ(chdir(saved_cwd_.c_str()), 0);
    ctl_test::TearDown();
  }
  // Parses a cursor file whose block holds `statements`; returns the cursor,
  // or null when the parse failed.
  curs* parse(const std::string& statements) {
    write("coll", "cursor X;\ninterval 5;\nlimit 1;\n" + statements + "end;\n");
    int rc = -1;
    run(parse_curs, &rc);
    return rc == 0 ? anchors.cur_anchor : nullptr;
  }
  std::string saved_cwd_;
};

std::vector<std::string> names_of(const columns* c) {
  std::vector<std::string> out;
  for (; c; c = c->next) out.emplace_back(c->name, c->name_len);
  return out;
}

TEST_F(PxaFile, DeducesTheInsertAndIdentifiers) {
  // The lines printed are those of tests/data/ctl/pxa/dbstat.ctl.
  curs* c;
  ASSERT_NE(c = parse("INSERT !DBSTAT;\n"), nullptr);
  EXPECT_EQ(c->insert, "INSERT INTO DBSTAT (HOST , CNT , SYSTEMNAME ) VALUES (?,?,?)");
  EXPECT_EQ(names_of(c->column_list), (lines{"HOST", "CNT", "%machine"}));
  EXPECT_EQ(c->column_list->next->num_type, 1);
  EXPECT_EQ(c->select, "SELECT HOST,CNT FROM DBSTAT");

  // What the cursor file set is kept; the rest comes from the definition.
  restart();
  ASSERT_NE(c = parse("uuidbase KEEP;\nobjid 99;\ntable_name MINE;\nINSERT  !DBSTAT;\n"), nullptr);
  EXPECT_EQ((lines{c->uuidbase, c->uuidpavc, c->table_name, c->insert_table}),
            (lines{"KEEP", "0002", "MINE", "DBSTAT"}));
  EXPECT_EQ((std::vector<int>{c->objid, c->set}), (std::vector<int>{99, 2}));
}

TEST_F(PxaFile, CollectsColumnsOnlyAfterObjidAndSet) {
  curs* c;
  ASSERT_NE(c = parse("INSERT !EARLYCOL;\n"), nullptr);
  EXPECT_EQ(c->insert, "INSERT INTO T1 (LATE , TIMESTAMP ) VALUES (?,?)");
  EXPECT_EQ(names_of(c->column_list), (lines{"LATE", "%now_time"}));
  EXPECT_EQ(c->column_list->num_type, 2);        // FLOAT!
  EXPECT_EQ(c->column_list->next->num_type, 1);  // a 'u' column is an integer
  EXPECT_EQ(c->rpc_version, 4);
}

// Every cursor file under tests/data/ctl/pxa that states what its parse prints.
TEST_F(PxaFile, RefusesBrokenDefinitions) {
  check_file_cases("pxa", "coll", parse_curs, -1, [] {});
}

}  // namespace
