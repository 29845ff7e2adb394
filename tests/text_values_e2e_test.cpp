// Character values end to end: text columns of SQLite and PostgreSQL fetched
// by the real collector under different locales and read back with the probe,
// as agent timestamps and as text of 1- to 4-byte characters.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "child_run.h"
#include "db_test_util.h"

namespace {
using namespace std::chrono_literals;

// Values of a VARCHAR(5) column: at most 15 bytes reach the collector (three a
// character), whatever the characters take.
struct text_case {
  int n;              // the row's key
  const char* value;  // SQL expression of the stored value
  const char* shown;  // what the probe shows
  bool sqlite_only;   // PostgreSQL stores no such value
};
const text_case kTexts[] = {
    {1, "'abcde'", "abcde", false},                    // 1-byte characters
    {2, "'\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9'",  // five 2-byte characters: 10 bytes
     "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", false},
    {3, "'\xe6\x97\xa5\xe6\x9c\xac'", "\xe6\x97\xa5\xe6\x9c\xac", false},  // 3-byte characters
    {4, "'a\xc3\xa9\xe6\x97\xa5\xf0\x9d\x84\x9e'",                         // 1 to 4 bytes mixed
     "a\xc3\xa9\xe6\x97\xa5\xf0\x9d\x84\x9e", false},
    {5, "'\xf0\x9d\x84\x9e\xf0\x9d\x84\x9e\xf0\x9d\x84\x9e\xf0\x9d\x84\x9e'",  // 16 bytes: the
     "\xf0\x9d\x84\x9e\xf0\x9d\x84\x9e\xf0\x9d\x84\x9e", false},  // fourth is cut off whole
    {6, "CAST(X'41FF42' AS TEXT)", "A?B", true},                  // a byte that is no UTF-8
};

// The locales the collector runs under; the Latin-1 one is made in a scratch
// directory (LOCPATH) when localedef can make it.
const char* const kLocales[] = {"C", "C.UTF-8", "en_US.ISO-8859-1"};

class TextValuesEndToEnd : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (postgres()) {
      for (const char* v : {"COLLECTOR_TEST_DSN", "COLLECTOR_TEST_USER", "COLLECTOR_TEST_PASSWORD"})
        if (!getenv(v) || !*getenv(v)) GTEST_SKIP() << v << " not set";
    }
    std::string latin1 = dir_.file("locales");
    std::filesystem::create_directory(latin1);
    ChildResult made =
        run_program("/usr/bin/localedef",
                    {"localedef", "-i", "en_US", "-f", "ISO-8859-1", latin1 + "/en_US.ISO-8859-1"},
                    {"PATH=/usr/bin:/bin"}, dir_.path());
    latin1_ = made.exit_code == 0;
    if (!latin1_) std::cerr << "no Latin-1 locale (localedef failed): " << made.output << "\n";
    make_tables();
  }

  bool postgres() const { return std::string(GetParam()) == "postgresql"; }

  // The tables, in the SQLite file of server S1 or in the test database.
  void make_tables() {
    std::vector<std::string> sql = {
        "DROP TABLE IF EXISTS ts_texts", "CREATE TABLE ts_texts(n INTEGER, t VARCHAR(100))",
        "INSERT INTO ts_texts VALUES(0, '')",  // an empty value
        "DROP TABLE IF EXISTS utf_texts", "CREATE TABLE utf_texts(n INTEGER, v VARCHAR(5))"};
    int n = 0;
    for (const auto& row : data_rows("util/datetime.txt", 2)) {
      std::string quoted;
      for (char c : row[0]) quoted += c == '\'' ? "''" : std::string(1, c);
      sql.push_back("INSERT INTO ts_texts VALUES(" + std::to_string(++n) + ", '" + quoted + "')");
      stamps_[n] = row[1].substr(0, row[1].find_last_not_of(' ') + 1);
    }
    stamps_[0] = "";  // 16 blanks, shown without trailing blanks
    for (const text_case& t : kTexts)
      if (!t.sqlite_only || !postgres())
        sql.push_back("INSERT INTO utf_texts VALUES(" + std::to_string(t.n) + ", " + t.value + ")");
    if (!postgres()) {
      std::string all;
      for (const std::string& s : sql) all += s + ";";
      make_sqlite_file(dir_.file("S1.db"), all.c_str());
      return;
    }
    db_session session;
    ASSERT_EQ(session.logon_remote(std::string(getenv("COLLECTOR_TEST_USER")) + "/" +
                                       getenv("COLLECTOR_TEST_PASSWORD"),
                                   getenv("COLLECTOR_TEST_DSN")),
              0)
        << session.sqlca().message;
    for (const std::string& s : sql) ASSERT_EQ(exec_sql(session, s), 0) << s;
    ASSERT_EQ(session.commit(true), 0);
  }

  // The environment of both programs under `locale`: the control files of
  // tests/data/text/<backend>, the PostgreSQL logon the test database's, and
  // for sanitizer builds the leak checker's suppressions (glibc keeps the
  // locale path LOCPATH makes).
  std::vector<std::string> env(const std::string& locale) const {
    std::istringstream words(
        "PATH=/usr/bin:/bin USER=tester TZ=UTC COLL_HOSTNAME=alpha COLL_VERSION=zdb COLL_USESHM=0 "
        "COLL_WAIT_TIMEOUT=3 LOCPATH=@/locales HOME=@ PWD=@ COLL_DBHOME=@ "
        "COLL_PREFIX=@ COLL_PREFIX_LOCAL=@ COLL_OUT=@ LSAN_OPTIONS=suppressions=" TEST_DATA_DIR
        "/lsan.supp");
    std::vector<std::string> env = {
        "LC_ALL=" + locale, "COLL_CTL_HOME=" TEST_DATA_DIR "/text/" + std::string(GetParam())};
    for (std::string w; words >> w;)
      env.push_back(w.find('@') == std::string::npos ? w : w.replace(w.find('@'), 1, dir_.path()));
    if (!postgres()) {
      env.push_back("COLL_SERVERID=S1");
      return env;
    }
    const std::pair<const char*, const char*> from_test[] = {
        {"ODBCSYSINI", "ODBCSYSINI"},
        {"ODBCINI", "ODBCINI"},
        {"COLL_SERVERID", "COLLECTOR_TEST_DSN"},
        {"COLL_LOGON", "COLLECTOR_TEST_USER"},
        {"COLL_PASSWORD", "COLLECTOR_TEST_PASSWORD"}};
    for (auto [name, test_name] : from_test)
      if (const char* value = getenv(test_name)) env.push_back(std::string(name) + "=" + value);
    return env;
  }

  // The csv answer of `cursor` as key → rest of the line, asked until it has rows.
  std::map<int, std::string> answer(const std::string& locale, const char* cursor) {
    ChildResult r;
    poll_until(30s, [&] {
      r = run_program(PROBE_BIN, {PROBE_BIN, "-f", "csv", cursor}, env(locale), dir_.path());
      return r.exit_code == 0 || collector_->wait(0s) >= 0;
    });
    EXPECT_EQ(r.exit_code, 0) << r.output << read_whole(dir_.file("collector.log"));
    std::map<int, std::string> rows;
    std::istringstream in(r.output);
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
      size_t comma = line.find(',');
      rows[std::stoi(line.substr(0, comma))] = line.substr(comma + 1);
    }
    return rows;
  }

  ScratchDir dir_;
  bool latin1_ = false;
  std::map<int, std::string> stamps_;  // the timestamp each ts_texts row shows
  std::optional<CollectorRun> collector_;
};

// Every shape and error number of the date-time normalisation through a
// VARCHAR column, and the texts of kTexts, under each locale: the value's
// text ends where its buffer's zero fill starts, and text arrives in UTF-8
// as the client delivered it, bounded by its buffer, not its character count.
TEST_P(TextValuesEndToEnd, TimestampsAndTextsUnderEveryLocale) {
  for (const char* locale : kLocales) {
    if (std::string(locale).find("8859") != std::string::npos && !latin1_) continue;
    SCOPED_TRACE(locale);
    collector_.emplace(env(locale), dir_.path());
    EXPECT_EQ(answer(locale, "STAMPS"), stamps_);
    std::map<int, std::string> texts;
    for (const text_case& t : kTexts)
      if (!t.sqlite_only || !postgres()) texts[t.n] = t.shown;
    EXPECT_EQ(answer(locale, "TEXTS"), texts);
    ChildResult stop = run_program(PROBE_BIN, {PROBE_BIN, "SHUTDOWN"}, env(locale), dir_.path());
    EXPECT_EQ(stop.exit_code, 0) << stop.output;
    ASSERT_EQ(collector_->wait(30s), 0) << "the collector did not stop";
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, TextValuesEndToEnd, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return std::string(info.param); });
}  // namespace
