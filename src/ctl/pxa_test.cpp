// Agent table definitions: the INSERT, columns and identifiers deduced from a
// .PXA file for "INSERT !NAME", the values the cursor file keeps, and the
// message lines of broken definitions.
#include "ctl/pxa.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl_fixture.h"
#include "driver/steps.h"
#include "test_state.h"

namespace {

// Runs in the directory of the definition files, as the collector reads them
// relative to its working directory.
class PxaFile : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_process_state();
    files_ = std::make_unique<ctl_files>();
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    saved_cwd_ = cwd;
    ASSERT_EQ(chdir((std::string(TEST_DATA_DIR) + "/ctl/pxa").c_str()), 0);
  }
  void TearDown() override {
    EXPECT_EQ(chdir(saved_cwd_.c_str()), 0);
    files_.reset();
    reset_process_state();
  }
  // Parses a cursor file whose block holds `statements`; returns the CAT and
  // CEV lines, and the PCC lines other than banners.
  std::vector<std::string> parse(const std::string& statements, int* rc) {
    files_->write("coll", "cursor X;\ninterval 5;\nlimit 1;\n" + statements + "end;\n");
    std::vector<std::string> out;
    for (const std::string& l : captured([&] { *rc = parse_curs(); })) {
      if (l.compare(0, 3, "CAT") == 0 || l.compare(0, 3, "CEV") == 0 ||
          l.compare(0, 7, "PCC0755") == 0)
        out.push_back(l);
    }
    return out;
  }
  std::unique_ptr<ctl_files> files_;
  std::string saved_cwd_;
};

std::vector<std::string> names_of(const columns* c) {
  std::vector<std::string> out;
  for (; c; c = c->next) out.emplace_back(c->name, c->name_len);
  return out;
}

TEST_F(PxaFile, DeducesTheInsertAndIdentifiers) {
  int rc = -1;
  auto lines = parse("trace;\nINSERT !DBSTAT;\n", &rc);
  ASSERT_EQ(rc, 0);
  const char* deduced =
      "INSERT INTO DBSTAT (HOST , CNT , SYSTEMNAME ) VALUES (:HOST , :INT!CNT , :%machine ) ";
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "CAT1940I [ uuidbase(0001)",
                       "CAT1940I uuidpavc(0002)",
                       "CAT1940I   uuidpcvc(0003) (1)",
                       "CAT1940I some other line",
                       "CAT1940I interface dbstat",
                       "CAT1940I objid(17)",
                       "CAT1940I set(2)",
                       "CAT1940I column host C",
                       "CAT1940I column cnt I",
                       "CAT1940I column systemname C",
                       std::string("CAT1970I Deduced insert: ") + deduced,
                       "CAT1975T Objid = 17, set = 2, rpc_version = 1",
                       "CAT1980T Uuidbase = 0001",
                       "CAT1985T Uuidpavc = 0002",
                       "CAT1990T Uuidpcvc = 0003",
                   }));
  curs* c = anchors.cur_anchor;
  EXPECT_EQ(c->insert, "INSERT INTO DBSTAT (HOST , CNT , SYSTEMNAME ) VALUES (?,?,?)");
  EXPECT_EQ(names_of(c->column_list), (std::vector<std::string>{"HOST", "CNT", "%machine"}));
  EXPECT_EQ(c->column_list->next->num_type, 1);
  EXPECT_EQ(c->hv_count, 3);
  EXPECT_EQ(c->ins_col_count, 3);
  EXPECT_EQ(c->table_name, "DBSTAT");
  EXPECT_EQ(c->insert_table, "DBSTAT");
  EXPECT_EQ(c->select, "SELECT HOST,CNT FROM DBSTAT");
  EXPECT_EQ(c->uuidbase, "0001");
  EXPECT_EQ(c->uuidpavc, "0002");
  EXPECT_EQ(c->uuidpcvc, "0003");
  EXPECT_EQ(c->rpc_version, 1);
  EXPECT_EQ(c->objid, 17);
  EXPECT_EQ(c->set, 2);
}

TEST_F(PxaFile, KeepsWhatTheCursorFileSet) {
  int rc = -1;
  parse("uuidbase KEEP;\nobjid 99;\ntable_name MINE;\nINSERT  !DBSTAT;\n", &rc);
  ASSERT_EQ(rc, 0);
  curs* c = anchors.cur_anchor;
  EXPECT_EQ(c->uuidbase, "KEEP");
  EXPECT_EQ(c->uuidpavc, "0002");
  EXPECT_EQ(c->objid, 99);
  EXPECT_EQ(c->set, 2);
  EXPECT_EQ(c->table_name, "MINE");
  EXPECT_EQ(c->insert_table, "DBSTAT");
}

TEST_F(PxaFile, CollectsColumnsOnlyAfterObjidAndSet) {
  int rc = -1;
  parse("INSERT !EARLYCOL;\n", &rc);
  ASSERT_EQ(rc, 0);
  curs* c = anchors.cur_anchor;
  EXPECT_EQ(c->insert, "INSERT INTO T1 (LATE , TIMESTAMP ) VALUES (?,?)");
  EXPECT_EQ(names_of(c->column_list), (std::vector<std::string>{"LATE", "%now_time"}));
  EXPECT_EQ(c->column_list->num_type, 2);        // FLOAT!
  EXPECT_EQ(c->column_list->next->num_type, 1);  // a 'u' column is an integer
  EXPECT_EQ(c->rpc_version, 4);
  EXPECT_EQ(c->select, "SELECT LATE FROM T1");
}

TEST_F(PxaFile, RefusesAnInsertLongerThanTheStatementBuffer) {
  std::string text =
      "[ uuidbase(1)\nuuidpavc(2)\nuuidpcvc(3) (1)\ninterface big\nobjid(1)\nset(1)\n";
  for (int i = 0; i < 40; ++i)
    text += "column " + std::string(200, 'c') + std::to_string(i) + " C\n";
  std::string path = files_->dir().write("BIG.PXA", text);
  int rc = -1;
  auto lines = parse("INSERT !" + path.substr(0, path.size() - 4) + ";\n", &rc);
  EXPECT_EQ(rc, 1);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "CAT1965E Deduced insert exceeds 15995 characters");
}

TEST_F(PxaFile, RefusesBrokenDefinitions) {
  struct row {
    const char* statement;
    std::string last_line;  // the message before the parse's own verdict
  };
  const row rows[] = {
      {"INSERT !BADTYPE;\n", "CAT1950E Unknown column type for x"},   // D is no type
      {"INSERT !NOCOLS;\n", "CAT1960E Did not find DS column(s)"},    // interface only
      {"INSERT !NOTABLE;\n", "CAT1955E Did not find DS table name"},  // no interface line
      {"INSERT !NORPC;\n", "CAT1940E No rpc_version"},                // no second value
      {"INSERT !NORPCEND;\n", "CAT1945E No rpc_version"},             // second value unclosed
      {"INSERT !NOPAREN;\n", "CAT1925E No opening parenthesis"},      // value without parentheses
      {"INSERT !NOEND;\n", "CAT1930E No ending parenthesis"},         // value unclosed
      {"INSERT !MISSING;\n", "CAT1935E Can NOT open MISSING.PXA"},    // no such file
      {"INSERT !!NO!PE;\n", "CAT1935E Can NOT open NOPE.PXA"},        // every '!' is removed
      {"insert !DBSTAT;\n", "CEV1820E No host variables in INSERT"},  // lower case: a plain INSERT
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.statement);
    files_.reset();
    reset_process_state();
    files_ = std::make_unique<ctl_files>();
    int rc = -1;
    auto lines = parse(r.statement, &rc);
    EXPECT_EQ(rc, 1);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], r.last_line);
    EXPECT_EQ(lines.back(), "PCC0755E Parsing ended with errors");
  }
}

}  // namespace
