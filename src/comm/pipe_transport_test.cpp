// The named-pipe transport over real FIFOs: exact request and stream bytes,
// refused records, failing and dying probes, pipe names and the timeout.
#include "comm/pipe_transport.h"

#include <poll.h>
#include <sys/stat.h>

#include <csignal>

#include "comm/request_record.h"
#include "comm_fixture.h"
#include "fake_clock.h"

namespace {
using namespace std::string_literals;

// Each test starts with a collector end open on a FIFO of its own.
class PipeTransport : public CommTest {
 protected:
  void SetUp() override {
    CommTest::SetUp();
    use_pipes_transport();
    c_ = qvzcomm("initc").anchor;
    ASSERT_NE(c_, nullptr);
  }
  void TearDown() override {
    qvzcomm("term", c_);
    CommTest::TearDown();
  }
  // A reply FIFO opened for reading, as a probe holds it.
  int reply_fifo(const std::string& name) {
    mkfifo(path(name).c_str(), 0600);
    return open(path(name).c_str(), O_RDONLY | O_NONBLOCK);
  }
  // Writes a request record for `name` answered on reply FIFO `reply`, or raw bytes.
  void ask(const std::string& name, const std::string& reply, std::vector<std::string> parms = {}) {
    std::vector<uint8_t> r = encode_request(name, path(reply), parms);
    write_raw(std::string(r.begin(), r.end()));
  }
  void write_raw(const std::string& bytes) {
    int fd = open(c_->coll_pipe.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
  }
  static std::string read_all(int fd) {
    std::string out;
    char buf[65536];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
    return out;
  }
  // Serves the waiting request (for cursor `name` when given) with `data` as
  // `rows` rows; returns put's status, -1 when nothing waits, -2 when "get" failed.
  static int serve(comm_anchor* c, int32_t rows, const std::string& data,
                   const char* name = nullptr) {
    std::list<curs_list>* list = qvzcomm("get", c).list;
    if (!list || list->empty()) return list ? -1 : -2;
    curs_list& e = list->front();
    if (name) {
      EXPECT_STREQ(e.name, name);
    }
    e.rows = rows;
    e.row_len = rows ? static_cast<int32_t>(data.size()) / rows : 456;
    e.data.assign(data.begin(), data.end());
    return qvzcomm("put", c).status;
  }

  comm_anchor* c_ = nullptr;
};

TEST_F(PipeTransport, CollectorReadsRequestAndWritesExactStream) {
  EXPECT_EQ(c_->coll_pipe, path("col_" + server_ + "_zdb_pipe"));
  int rfd = reply_fifo("reply");
  EXPECT_EQ(serve(c_, 0, ""), -1);
  EXPECT_EQ(comm_wait_request(c_, 0), 1);

  ask("CUR1", "reply", {"p1", "p2"});
  EXPECT_EQ(comm_wait_request(c_, 1), 0);
  std::list<curs_list>* list = qvzcomm("get", c_).list;
  ASSERT_EQ(list->size(), 1u);
  EXPECT_STREQ(list->front().name, "CUR1");
  EXPECT_EQ(list->front().pipe_list, std::vector<std::string>{path("reply")});
  EXPECT_STREQ(c_->parms[0], "p1");
  EXPECT_STREQ(c_->parms[1], "p2");
  EXPECT_EQ(c_->parms[2], nullptr);
  list->front().rows = 2;
  list->front().row_len = 3;
  list->front().data = {'a', 'b', 'c', 'd', 'e', 'f'};
  EXPECT_EQ(qvzcomm("put", c_).status, 0);
  EXPECT_EQ(read_all(rfd), "\0\0\0\2\0\0\0\3abcdef"s);
  EXPECT_TRUE(c_->entries.empty());

  // A vanished request pipe is made again at the next "get"; a cursor
  // without rows is answered with the header alone.
  unlink(c_->coll_pipe.c_str());
  EXPECT_EQ(serve(c_, 0, ""), -1);
  ask("EMPTY", "reply");
  EXPECT_EQ(serve(c_, 0, ""), 0);
  EXPECT_EQ(read_all(rfd), "\0\0\0\0\0\0\x01\xC8"s);
  close(rfd);
}

// A bad record costs only itself: the request queued behind it in the pipe
// is served by the next "get".
TEST_F(PipeTransport, DropsOnlyTheBadRecord) {
  int rfd = reply_fifo("reply");
  const std::string pipe = c_->coll_pipe;
  const std::string read_error = "Pipe read error. Pipe=" + pipe;
  const std::string format_error = "Pipe request format error. Pipe=" + pipe;
  struct row {
    std::string bytes;
    bool alone;  // nothing follows until the bad record has been taken
    int error;
    std::string text, output;
  };
  const row rows[] = {
      // total length shorter than its own header
      {"\0\3\0\0"s, false, 0, "", "COM0203E (hhmmss) request length error, size=3\n"},
      // total length 301, all of it written
      {"\1\55\0\1X"s + std::string(296, '\0'), false, 0, "",
       "COM0203E (hhmmss) request length error, size=301\n"},
      // text where a record belongs: "he" reads as 26725, beyond the longest record
      {"hello, not a record", false, 0, "", "COM0203E (hhmmss) request length error, size=26725\n"},
      // name length 9
      {"\0\20\0\11ABCDEFGHI\0\0\0"s, false, 4, "Pipe cursor length error. Pipe=" + pipe, ""},
      // reply path and closing zeros missing
      {"\0\12\0\1X/pxyz"s, false, 4, format_error, ""},
      // 40 bytes announced, 20 written: the next record's bytes do not complete it
      {"\0\50\0\1"s + std::string(16, 'x'), false, 4, format_error, ""},
      {"\0\50\0\1"s + std::string(16, 'x'), true, 4, read_error, ""},
      // a header cut after 2 bytes: the next record's length reads as a name length of 47
      {"\0\50"s, false, 4, "Pipe cursor length error. Pipe=" + pipe, ""},
      {"\0\50"s, true, 4, read_error, ""},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.output + r.text);
    write_raw(r.bytes);
    if (!r.alone) ask("NEXT", "reply");
    CapturedOutput out;
    EXPECT_EQ(serve(c_, 0, ""), -2);
    EXPECT_EQ(out.text(), r.output);
    EXPECT_EQ(c_->error_code, r.error);
    EXPECT_EQ(c_->error_text, r.text);
    if (r.alone) ask("NEXT", "reply");
    EXPECT_EQ(comm_wait_request(c_, 0), 0);
    EXPECT_EQ(serve(c_, 1, "ok", "NEXT"), 0);
    EXPECT_EQ(read_all(rfd), "\0\0\0\1\0\0\0\2ok"s);
    EXPECT_EQ(serve(c_, 0, ""), -1);  // nothing of the bad record is left
  }
  close(rfd);
}

// Only a FIFO receives an answer: a reply path naming anything else is
// refused untouched, and a failing reply pipe costs only its own answer.
TEST_F(PipeTransport, PutWritesOnlyToFifos) {
  int live = reply_fifo("live");
  mkfifo(path("noreader").c_str(), 0600);
  const std::string kept = "precious\n";
  write_file(scratch_, "file", kept);
  symlink(path("live").c_str(), path("link").c_str());
  mkdir(path("dir").c_str(), 0700);
  struct row {
    std::string reply;
    int err;       // errno in the error text
    bool refused;  // "com0117" reports a path that is no FIFO
  };
  const row rows[] = {
      {"noreader", ENXIO, false},  // a FIFO nobody reads
      {"file", EINVAL, true},      // a regular file is never written
      {"link", EINVAL, true},      // a symbolic link, even to a live FIFO, is not followed
      {"dir", EINVAL, true},       // a directory
      {"missing", ENOENT, false},  // nothing there: nothing is created
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.reply);
    for (const std::string& reply : {r.reply, std::string("live")}) {  // own parameters: own entry
      std::vector<uint8_t> bytes = encode_request("CUR1", path(reply), std::vector{reply});
      request_view view;
      ASSERT_EQ(decode_request(bytes, &view), record_status::ok);
      file_request(c_->entries, std::move(bytes), view);
    }
    CapturedOutput out;
    EXPECT_EQ(qvzcomm("put", c_).status, 3);
    EXPECT_EQ(c_->error_text, "Open Probe pipe errno= " + std::to_string(r.err) +
                                  ". Pipe=" + path(r.reply) + ". cursor=CUR1");
    EXPECT_EQ(out.text(), r.refused ? "COM0117E (hhmmss) Reply path is not a FIFO, refused. Pipe=" +
                                          path(r.reply) + " cursor=CUR1\n"
                                    : "");
    EXPECT_EQ(read_all(live), "\0\0\0\0\0\0\0\0"s);  // the next pipe is still answered
    EXPECT_TRUE(c_->entries.empty());
  }
  EXPECT_EQ(read_whole(path("file")), kept);
  EXPECT_FALSE(std::filesystem::exists(path("missing")));
  close(live);
}

// A probe that reads the header and dies: the broken pipe ends only this
// answer. (One that stops reading is in the end-to-end tests.)
TEST_F(PipeTransport, ProbeDyingMidAnswerDoesNotStopTheCollector) {
  mkfifo(path("dies").c_str(), 0600);
  ChildResult probe = run_in_child(
      [&](int ready) {
        pollfd in{open(path("dies").c_str(), O_RDONLY | O_NONBLOCK), POLLIN, 0};
        char header[8];
        bool ok =
            write(ready, "r", 1) == 1 && poll(&in, 1, 20000) == 1 && read(in.fd, header, 8) == 8;
        _exit(ok ? 0 : 1);
      },
      [&](int, int ready) {
        char r;
        ASSERT_EQ(read(ready, &r, 1), 1);
        ask("CUR2", "dies");
        CapturedOutput out;
        EXPECT_EQ(serve(c_, 1000, std::string(300000, 'r')), 0);
        EXPECT_NE(out.text().find(" handle_pipe_error sig_val=13\n Cursor=CUR2"),
                  std::string::npos);
      });
  EXPECT_EQ(probe.exit_code, 0);
  struct sigaction now;
  sigaction(SIGPIPE, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN);

  // The next probe is served in full.
  int next = reply_fifo("next");
  ask("CUR3", "next");
  EXPECT_EQ(serve(c_, 1, "abc"), 0);
  EXPECT_EQ(read_all(next), "\0\0\0\1\0\0\0\3abc"s);
  c_ = qvzcomm("term", c_).anchor;
  sigaction(SIGPIPE, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);  // as it was before the first "get"
  close(next);
}

TEST_F(PipeTransport, ProbeAsksForSeveralCursorsAtOnce) {
  ChildResult probe = run_in_child(
      [](int) {
        comm_anchor* p = qvzcomm("init").anchor;
        int status = qvzcomm("get", p, "CUR2, CUR3").status;
        bool two = p->entries.size() == 2 && p->entries.front().rows == 2 &&
                   p->entries.back().rows == 1 && p->entries.back().data.size() == 3;
        qvzcomm("term", p);
        _exit(status == 0 && two ? 0 : 1);
      },
      [&](int, int) {
        ASSERT_EQ(comm_wait_request(c_, 10), 0);  // one after the other, in the order named
        EXPECT_EQ(serve(c_, 2, "abcdef", "CUR2"), 0);
        ASSERT_EQ(comm_wait_request(c_, 10), 0);
        EXPECT_EQ(serve(c_, 1, "abc", "CUR3"), 0);
      });
  EXPECT_EQ(probe.exit_code, 0);
  c_ = qvzcomm("term", c_).anchor;
  EXPECT_TRUE(std::filesystem::is_empty(dir_));  // both ends removed their pipes
}

// Rows of tests/data/comm/probe_failures.txt, then no collector at all.
TEST_F(PipeTransport, ProbeReportsCollectorFailures) {
  for (const auto& r : data_rows("comm/probe_failures.txt", 3)) {
    const std::string& answer = r[0];
    ChildResult stand_in = run_in_child(
        [&](int) {
          std::list<curs_list>* list =
              comm_wait_request(c_, 10) ? nullptr : qvzcomm("get", c_).list;
          if (!list || list->empty()) _exit(1);
          int fd = open(list->front().pipe_list[0].c_str(), O_WRONLY | O_NONBLOCK);
          _exit(write(fd, answer.data(), answer.size()) == ssize_t(answer.size()) ? 0 : 2);
        },
        [&](int, int) {
          comm_anchor* p = qvzcomm("init").anchor;
          EXPECT_EQ(qvzcomm("get", p, "CUR1").status, std::stoi(r[1]));
          EXPECT_EQ(p->error_text, r[2]);
          qvzcomm("term", p);
        });
    EXPECT_EQ(stand_in.exit_code, 0) << r[2];
  }
  // No collector at all: ten attempts a second apart.
  c_ = qvzcomm("term", c_).anchor;
  FakeClock clock(1322987405);
  clock.install();
  comm_anchor* p = qvzcomm("init").anchor;
  EXPECT_EQ(qvzcomm("get", p, "CUR1").status, 3);
  EXPECT_EQ(p->error_text,
            "Open Pipe errorno 2. Pipe=" + path("col_" + server_ + "_zdb_pipe") + " Cursor=CUR1");
  EXPECT_EQ(clock.slept(), 9u);
  EXPECT_EQ(qvzcomm("get", p, "NINECHARS").status, 4);
  EXPECT_EQ(p->error_text, "Pipe cursor length error. Pipe=" + p->probe_pipe);
  qvzcomm("term", p);
}

TEST_F(PipeTransport, PipeNames) {
  struct row {
    const char *tmp, *server, *type;
    std::string expected;
  };
  const row rows[] = {
      {"/tmp/u1", "S1", "zdb", "/tmp/u1/col_S1_zdb_pipe"},  // every part
      {nullptr, "S1", nullptr, "col_S1_pipe"},              // no directory, no type
      {"/w", nullptr, "zdb", "/w/col_zdb_pipe"},            // no server
  };
  for (const row& r : rows) {
    reset_pipe_names();
    env_vars.localtmpdir = r.tmp ? env_store(r.tmp) : nullptr;
    env_vars.serverid = r.server ? env_store(r.server) : nullptr;
    env_vars.db_type = r.type ? env_store(r.type) : nullptr;
    EXPECT_EQ(collector_pipe_name(), r.expected);
    env_vars.serverid = env_store("other");
    EXPECT_EQ(collector_pipe_name(), r.expected);  // built once per process
  }
  setenv("TZ", "UTC", 1);
  tzset();
  FakeClock clock(1322987405);  // 2011-12-04 08:30:05
  clock.install();
  env_vars.localtmpdir = env_store(dir_);
  env_vars.serverid = env_store("S1");
  reset_pipe_names();
  std::string stem = path("prb_S1_zdb_hst_04083005_");
  EXPECT_EQ(probe_pipe_name(), stem + "0001_pipe");
  fclose(fopen((stem + "0003_pipe").c_str(), "w"));
  EXPECT_EQ(probe_pipe_name(), stem + "0002_pipe");
  EXPECT_EQ(probe_pipe_name(), stem + "0004_pipe");  // 0003 exists
  for (int i = 5; i < 9999; ++i) probe_pipe_name();
  EXPECT_EQ(probe_pipe_name(), stem + "9999_pipe");
  EXPECT_EQ(probe_pipe_name(), stem + "0000_pipe");
  unsetenv("TZ");
}

// Rows of tests/data/comm/wait_timeouts.txt.
TEST_F(PipeTransport, WaitTimeoutSetting) {
  for (const auto& r : data_rows("comm/wait_timeouts.txt", 3)) {
    SCOPED_TRACE(r[0]);
    reset_comm_state();
    for (const char* name : {"COLL_WAIT_TIMEOUT", "WAIT_TIMEOUT"})
      r[0] == "(unset)" ? unsetenv(name) : setenv(name, r[0].c_str(), 1);
    EXPECT_EQ(read_wait_timeout('C'), std::stoi(r[1]));
    EXPECT_EQ(read_wait_timeout('P'), std::stoi(r[2]));
    setenv("COLL_WAIT_TIMEOUT", "3", 1);
    EXPECT_EQ(read_wait_timeout('C'), std::stoi(r[1]));  // read once
  }
}
}  // namespace
