// PROCESS.CTL: the records built from good files, the message lines of every
// refused statement and block, the listing, and start-up's entry point.
#include "ctl/process.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ctl/anchors.h"
#include "ctl/ctl_time.h"
#include "ctl/distributor.h"
#include "ctl_fixture.h"
#include "driver/steps.h"
#include "test_state.h"
#include "util/trace.h"

namespace {

std::vector<std::string> parse_lines(const std::vector<std::string>& lines) {
  return without(lines, {"PPC0740", "PPC0745", "PPC0750", "PPC1190", "PPC1205", "PPC1200"});
}

struct window {
  int32_t start, end;
  bool operator==(const window&) const = default;
};

std::vector<window> windows_of(const operate* list) {
  std::vector<window> out;
  for (; list; list = list->next) out.push_back({list->start, list->end});
  return out;
}

const std::vector<window> whole_day = {{0, 86400}};
const char* errors_line = "PPC1210E Parsing ended with errors";

class ProcessFile : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_process_state();
    files_ = std::make_unique<ctl_files>();
  }
  void TearDown() override {
    files_.reset();
    reset_process_state();
  }
  std::unique_ptr<ctl_files> files_;
};

TEST_F(ProcessFile, BuildsTheProcessChain) {
  files_->use("proc", "proc/good.ctl");
  int rc = 0;
  auto lines = captured([&] { rc = init_dist(); });
  ASSERT_EQ(rc, 0);
  EXPECT_EQ(parse_lines(lines), std::vector<std::string>{});

  distributor* c = anchors.distrib_anchor;
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(anchors.collector_at, c);
  EXPECT_STREQ(c->distrib_name, "collector");
  EXPECT_EQ(c->type, 1);
  EXPECT_STREQ(c->logon_id, "scott");
  EXPECT_STREQ(c->password, "tiger");
  EXPECT_EQ(c->interval, 60);
  EXPECT_EQ(c->continuous, 'Y');
  EXPECT_EQ(c->hold, 'N');
  EXPECT_EQ(c->state, 1);
  EXPECT_EQ(c->classes[0] + c->classes[1] + c->classes[2] + c->classes[3], 3);
  EXPECT_EQ(c->saturday, &full_day);
  EXPECT_EQ(c->sunday, &full_day);
  // 0800-1700, and 1800-0200 which wraps past midnight.
  EXPECT_EQ(windows_of(c->mon_fri), (std::vector<window>{{28800, 61200}, {64800, 93600}}));
  int32_t monday = ctl_day_of("20240115");
  EXPECT_EQ(monday % 7, 2);
  EXPECT_EQ(c->window_start, monday * 86400 + 28800);
  EXPECT_EQ(c->window_end, monday * 86400 + 61200);

  distributor* pxa = c->next;
  ASSERT_NE(pxa, nullptr);
  EXPECT_STREQ(pxa->distrib_name, "pxa");
  EXPECT_EQ(anchors.sleep_time, 30);
  EXPECT_EQ(windows_of(pxa->sunday), (std::vector<window>{{0, 0}}));
  EXPECT_EQ(windows_of(pxa->saturday), whole_day);

  distributor* ev = pxa->next;
  ASSERT_NE(ev, nullptr);
  EXPECT_STREQ(ev->distrib_name, "evaluator");
  EXPECT_EQ(ev->interval, 300);
  EXPECT_EQ(ev->send_false, 1);
  EXPECT_EQ(ev->holidays[0], ctl_day_of("20301225"));
  EXPECT_EQ(ev->holidays[1], ctl_day_of("20310101"));
  EXPECT_EQ(ev->holidays[2], 0);
  EXPECT_EQ(anchors.have_evaluator, 1);
  EXPECT_EQ(ev->next, nullptr);
}

TEST_F(ProcessFile, ShiftsWindowsByTheOffsetKnownAtTheirEnd) {
  files_->use("proc", "proc/offset.ctl");
  ASSERT_EQ(init_dist(), 0);
  distributor* c = anchors.distrib_anchor;
  EXPECT_EQ(c->time_offset, 9000);
  // Completed before the time_offset statement: unshifted.
  EXPECT_EQ(windows_of(c->saturday), (std::vector<window>{{3600, 7200}}));
  EXPECT_EQ(windows_of(c->mon_fri), (std::vector<window>{{19800, 52200}}));
  distributor* west = c->next;
  EXPECT_EQ(west->time_offset, -5400);
  // 2300-0100 moved 1:30 later; the end falls below the start and wraps.
  EXPECT_EQ(windows_of(west->sunday), (std::vector<window>{{88200, 95400}}));
}

TEST_F(ProcessFile, HoldsAWindowStartAcrossBlocks) {
  files_->use("proc", "proc/held_start.ctl");
  ASSERT_EQ(init_dist(), 0);
  distributor* other = anchors.distrib_anchor->next;
  EXPECT_EQ(windows_of(anchors.distrib_anchor->saturday), whole_day);
  EXPECT_EQ(windows_of(other->saturday), (std::vector<window>{{21600, 25200}}));
  EXPECT_EQ(windows_of(other->sunday), (std::vector<window>{{0, 10800}}));  // no start: 0
}

TEST_F(ProcessFile, TakesSqlNetServerAndMachineId) {
  files_->use("proc", "proc/sqlnet.ctl");
  memset(globals.machine_id, 'x', sizeof globals.machine_id);
  ASSERT_EQ(init_dist(), 0);
  distributor* c = anchors.distrib_anchor;
  EXPECT_EQ(c->type, 2);
  // A short server name lands on eight blanks.
  EXPECT_EQ(std::string(c->server_id, 9), std::string("ORCL\0   \0", 9));
  EXPECT_EQ(std::string(globals.machine_id, 66), "host1" + std::string(59, ' ') + "xx");
}

TEST_F(ProcessFile, ListsProcessesWithoutThePassword) {
  files_->use("proc", "proc/sqlnet.ctl");
  tracing.trace_all = 1;
  int rc = 0;
  auto lines = captured([&] { rc = init_dist(); });
  ASSERT_EQ(rc, 0);
  EXPECT_EQ(without(lines, {"PPC"}), (std::vector<std::string>{
                                         "PSP1380I Process name:collector",
                                         "PSP1390I Type = remote",
                                         "PSP1435I Logon id = a",
                                         "PSP1440I Password = ***",
                                         "PSP1445I Server id = ORCL",
                                         "PSP1450I Time offset = 0",
                                         "PSP1455I Saturday start = 0",
                                         "PSP1460I Saturday end = 2400",
                                         "PSP1465I Sunday start = 0",
                                         "PSP1470I Sunday end = 2400",
                                         "PSP1475I Mon_Fri start = 0",
                                         "PSP1480I Mon_Fri end = 2400",
                                         "PSP1485I Interval = 60",
                                         "PSP1495I Window open at 20240115000000",
                                         "PSP1500I Window closes at 20240116000000",
                                     }));
}

TEST_F(ProcessFile, ListsEachTypeAndTheHolidays) {
  files_->write(
      "proc",
      "process collector;\ntype dial;\ninterval 5;\nprocess b;\ntype ctlib;\ninterval 5;\n"
      "process c;\ntype LOCAL;\ninterval 5;\nholiday 2030/12/25;\nend;\n");
  tracing.trace_all = 1;
  int rc = 0;
  auto lines = captured([&] { rc = init_dist(); });
  ASSERT_EQ(rc, 0);
  std::vector<std::string> listed;
  for (const std::string& l : lines) {
    for (const char* id : {"PSP1380", "PSP1385", "PSP1395", "PSP1430", "PSP1490"}) {
      if (l.compare(0, 7, id) == 0) listed.push_back(l);
    }
  }
  EXPECT_EQ(listed, (std::vector<std::string>{
                        "PSP1380I Process name:collector",
                        "PSP1395I Type = dial",
                        "PSP1380I Process name:b",
                        "PSP1430I Type = ctlib",
                        "PSP1380I Process name:c",
                        "PSP1385I Type = local",
                        "PSP1490I Holiday = 20301225",
                    }));
}

TEST_F(ProcessFile, PrintsBannersAroundTheParse) {
  files_->use("proc", "proc/missing_end.ctl");
  int rc = 0;
  auto lines = captured([&] { rc = init_dist(); });
  EXPECT_EQ(rc, 1);
  std::string dashes = "--------------------------------------------------------------";
  EXPECT_EQ(without(lines, {}),
            (std::vector<std::string>{
                "PPC0740I " + dashes,
                "PPC0745I -- Starting parse of PROCESS.CTL -- Time = 2024/01/15 10:00:00",
                "PPC0750I " + dashes,
                "PPC1185E Missing end statement",
                "PPC1190I " + dashes,
                "PPC1205I --  Process Parsing ended at 2024/01/15 10:00:00",
                "PPC1200I " + dashes,
                errors_line,
                "",
            }));
  // A failed parse leaves no records behind.
  EXPECT_EQ(anchors.distrib_anchor, nullptr);
  EXPECT_EQ(anchors.collector_at, nullptr);
}

TEST_F(ProcessFile, MissingFileFails) {
  int rc = 0;
  auto lines = captured([&] { rc = init_dist(); });
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(lines, (std::vector<std::string>{"UOI0055W Could not find a zdbproc.ctl file"}));
}

TEST_F(ProcessFile, RefusesMoreThanOneHundredHolidays) {
  std::string text =
      "process collector;\ntype local;\nlogon_id a;\npassword b;\ninterval 60;\nholiday";
  for (int i = 0; i < 101; ++i)
    text += "\n2030/01/" + std::string(i % 28 < 9 ? "0" : "") + std::to_string(i % 28 + 1);
  files_->write("proc", text + ";\nend;\n");
  int rc = 0;
  auto lines = captured([&] { rc = init_dist(); });
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(parse_lines(lines),
            (std::vector<std::string>{"PPC0985E Exceeded 50 holidays", errors_line, ""}));
}

struct bad_file {
  const char* file;
  int rc;
  std::vector<std::string> lines;
};

const std::string unterminated = "Syntax error - Missing an ending \" or ' within max word length";
const char* no_type = "PPC0900E No Process type specified";
const char* no_logon = "PPC0905W No Process logon id specified";
const char* no_password = "PPC0910W No Process password specified";
const char* no_interval = "PPC0915E No Process interval specified";

// clang-format off
const bad_file bad_files[] = {
    {"first_word.ctl", 1, {"PPC0890E First word must be 'process'", errors_line, ""}},  // another file's keyword
    {"first_word_case.ctl", 1, {"PPC0890E First word must be 'process'", errors_line, ""}},  // mixed case
    {"unknown_keyword.ctl", 1, {"PPC0780E Unknown keyword (saturday_start)", errors_line, ""}},  // listed spelling only
    {"tokeniser_first.ctl", 1, {"PPC0775E Parsing failed : " + unterminated + ", Text = 'process collector    ", errors_line, ""}},  // bad first word
    {"tokeniser_later.ctl", 1, {"PPC0955E Parsing failed : Syntax error - Position = 10 Missing an ending \" or ' within max word length, Text = 'abc    ", errors_line, ""}},  // bad value word
    {"no_name.ctl", 1, {"PPC0940E No Process name supplied", "PPC0895E No Process name", no_interval, errors_line, ""}},  // process without a name
    {"long_name.ctl", 1, {"PPC0945E Process name exceeeds 24 characters", "PPC0895E No Process name", no_interval, errors_line, ""}},  // 25 characters
    {"duplicate_name.ctl", 1, {"PPC0950E Duplicate process name: collector"}},  // returns at once
    {"no_type.ctl", 1, {no_type, errors_line, ""}},  // the collector needs a type
    {"no_interval.ctl", 1, {no_interval, errors_line, ""}},  // every process needs an interval
    {"no_logon.ctl", 0, {no_logon, no_password}},  // only warnings; "localhost" is type local
    {"sqlnet_no_server.ctl", 1, {"PPC0920E Server_id required for sql*net", errors_line, ""}},  // remote needs a server
    {"no_collector.ctl", 1, {"PPC1230E Must have a process named 'collector'"}},  // required process
    {"type_unknown.ctl", 1, {"PPC1000E Unrecognized type:odbc", no_type, no_logon, no_password, no_interval, errors_line, ""}},  // unknown type
    {"type_duplicate.ctl", 1, {"PPC0995E Duplicate type specification", no_logon, no_password, no_interval, errors_line, ""}},  // a second value
    {"logon_long.ctl", 1, {"PPC1120E Excessive length for logon_id", no_type, no_logon, no_password, no_interval, errors_line, ""}},  // 34 characters
    {"logon_duplicate.ctl", 1, {"PPC1115E Duplicate logon_id specification", no_type, no_password, no_interval, errors_line, ""}},  // two values
    {"password_long.ctl", 1, {"PPC1110E Excessive length for password", no_type, no_logon, no_password, no_interval, errors_line, ""}},  // 101 characters
    {"password_duplicate.ctl", 1, {"PPC1105E Duplicate password specification", no_type, no_logon, no_interval, errors_line, ""}},  // two statements
    {"server_long.ctl", 1, {"PPC1100E Excessive length for server_id", no_type, no_logon, no_password, no_interval, errors_line, ""}},  // 34 characters
    {"server_duplicate.ctl", 1, {"PPC1095E Duplicate server_id specification", no_type, no_logon, no_password, no_interval, errors_line, ""}},  // two values
    {"window_sat_start_len.ctl", 1, {"PPC1065E Incorrect length for saturday_start (4)", errors_line, ""}},  // HHMM needs 4 characters
    {"window_sat_end_len.ctl", 1, {"PPC1075E Incorrect length for saturday_end (4)", errors_line, ""}},
    {"window_sun_start_len.ctl", 1, {"PPC1045E Incorrect length for sunday_start (4)", errors_line, ""}},
    {"window_sun_end_len.ctl", 1, {"PPC1055E Incorrect length for sunday_end (4)", errors_line, ""}},
    {"window_mf_start_len.ctl", 1, {"PPC1025E Incorrect length for mon_fri_start (4)", errors_line, ""}},
    {"window_mf_end_len.ctl", 1, {"PPC1035E Incorrect length for mon_fri_end (4)", errors_line, ""}},
    {"window_sat_start_dup.ctl", 1, {"PPC1060E Duplicate saturday_start specification", errors_line, ""}},  // start before end
    {"window_sun_start_dup.ctl", 1, {"PPC1040E Duplicate sunday_start specification", errors_line, ""}},
    {"window_mf_start_dup.ctl", 1, {"PPC1020E Duplicate mon_fri_start specification", errors_line, ""}},
    {"interval_long.ctl", 1, {"PPC1085E Invalid interval length (5)", no_type, no_logon, no_password, no_interval, errors_line, ""}},  // 5 digits
    {"interval_duplicate.ctl", 1, {"PPC1080E Duplicate interval", no_type, no_logon, no_password, errors_line, ""}},  // interval 30 60
    {"holiday_format.ctl", 1, {"PPC0970E Invalid holiday date format (YYYY/MM/DD) ", errors_line, ""}},  // no slashes
    {"holiday_length.ctl", 1, {"PPC0975E Invalid holiday date length (10)", errors_line, ""}},  // short year
    {"holiday_past.ctl", 0, {"PPC0980W Comment: Holiday is in the past"}},  // ignored, not an error
    {"offset_range.ctl", 1, {"PPC0991E Invalid time_offset -2401 (at most 2400 either way)", errors_line, ""}},  // more than a day
    {"offset_duplicate.ctl", 1, {"PPC0990E Duplicate time_offset", errors_line, ""}},  // two values
    {"sleep_long.ctl", 1, {"PPC1090E Invalid sleep length (5)", errors_line, ""}},  // 5 digits
    {"hold_value.ctl", 1, {"PPC1155E Hold is not YES/NO", errors_line, ""}},  // lower-case y
    {"continuous_other.ctl", 1, {"PPC1160E Continuous is valid only at the collector", errors_line, ""}},  // wrong process
    {"continuous_value.ctl", 1, {"PPC1165E Continuous is not YES/NO", errors_line, ""}},  // not Y or N
    {"class_range.ctl", 1, {"PPC1010E Class exceeds range", errors_line, ""}},  // 51
    {"class_negative.ctl", 1, {"PPC1010E Class exceeds range", errors_line, ""}},  // -1 cannot be recorded
    {"class_repeated.ctl", 0, {"PPC1015W Warning - Class repeditively specified"}},  // only a warning
    {"send_false_other.ctl", 1, {"PPC1170E Send_false is valid only for the evaluator", errors_line, ""}},  // wrong process
    {"send_false_value.ctl", 1, {"PPC1175E Send_false is not YES/NO", errors_line, ""}},  // not Y or N
    {"machine_id_long.ctl", 1, {"PPC1125E Excessive length for Machine_id", errors_line, ""}},  // 65 characters
    {"parens.ctl", 1, {"PPC1180E Parentheses do not balance", errors_line, ""}},  // unclosed '('
    {"missing_end.ctl", 1, {"PPC1185E Missing end statement", errors_line, ""}},  // end of file
    {"caution_offset.ctl", 0, {"PPC1210W Caution! - collector has a time offset"}},  // a warning only
    {"skip_after_error.ctl", 1, {"PPC1155E Hold is not YES/NO", no_interval, errors_line, ""}},  // later statements skipped
};
// clang-format on

TEST_F(ProcessFile, RefusesBadFilesWithTheirMessages) {
  for (const bad_file& b : bad_files) {
    SCOPED_TRACE(b.file);
    reset_process_state();
    ctl_files files;
    files.use("proc", std::string("proc/") + b.file);
    int rc = 0;
    auto lines = captured([&] { rc = init_dist(); });
    EXPECT_EQ(rc, b.rc);
    EXPECT_EQ(parse_lines(lines), b.lines);
    if (b.rc != 0) {
      EXPECT_EQ(anchors.distrib_anchor, nullptr);
    }
  }
}

}  // namespace
