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

class PipeTransport : public CommTest {
 protected:
  void SetUp() override {
    CommTest::SetUp();
    use_pipes_transport();
  }
  // A reply FIFO opened for reading, as a probe holds it.
  int reply_fifo(const std::string& name) {
    mkfifo(path(name).c_str(), 0600);
    return open(path(name).c_str(), O_RDONLY | O_NONBLOCK);
  }
  static void write_raw(const std::string& fifo, const std::string& bytes) {
    int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
  }
  static std::string record(const std::string& name, const std::string& reply,
                            std::vector<std::string> parms = {}) {
    std::vector<uint8_t> r = encode_request(name, reply, parms);
    return std::string(r.begin(), r.end());
  }
  static std::string read_all(int fd) {
    std::string out;
    char buf[65536];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
    return out;
  }
  // Serves one waiting request (for cursor `name` when given) with `data` as
  // `rows` rows; returns put's status.
  static int serve(comm_anchor* c, int32_t rows, const std::string& data,
                   const char* name = nullptr) {
    std::list<curs_list>* list = qvzcomm("get", c).list;
    if (!list || list->empty()) return -1;
    curs_list& e = list->front();
    if (name) {
      EXPECT_STREQ(e.name, name);
    }
    e.rows = rows;
    e.row_len = rows ? static_cast<int32_t>(data.size()) / rows : 456;
    e.data.assign(data.begin(), data.end());
    return qvzcomm("put", c).status;
  }
};

TEST_F(PipeTransport, CollectorReadsRequestAndWritesExactStream) {
  comm_anchor* c = qvzcomm("initc").anchor;
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->coll_pipe, path("col_" + server_ + "_zdb_pipe"));
  int rfd = reply_fifo("reply");
  std::list<curs_list>* list = qvzcomm("get", c).list;  // nothing waiting
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->empty());
  EXPECT_EQ(comm_wait_request(c, 0), 1);

  write_raw(c->coll_pipe, record("CUR1", path("reply"), {"p1", "p2"}));
  EXPECT_EQ(comm_wait_request(c, 1), 0);
  list = qvzcomm("get", c).list;
  ASSERT_EQ(list->size(), 1u);
  EXPECT_STREQ(list->front().name, "CUR1");
  EXPECT_EQ(list->front().pipe_list, std::vector<std::string>{path("reply")});
  EXPECT_STREQ(c->parms[0], "p1");
  EXPECT_STREQ(c->parms[1], "p2");
  EXPECT_EQ(c->parms[2], nullptr);
  list->front().rows = 2;
  list->front().row_len = 3;
  list->front().data = {'a', 'b', 'c', 'd', 'e', 'f'};
  EXPECT_EQ(qvzcomm("put", c).status, 0);
  EXPECT_EQ(read_all(rfd), "\0\0\0\2\0\0\0\3abcdef"s);
  EXPECT_TRUE(c->entries.empty());

  // A vanished request pipe is made again at the next "get"; a cursor
  // without rows is answered with the header alone.
  unlink(c->coll_pipe.c_str());
  list = qvzcomm("get", c).list;
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->empty());
  write_raw(c->coll_pipe, record("EMPTY", path("reply")));
  EXPECT_EQ(serve(c, 0, ""), 0);
  EXPECT_EQ(read_all(rfd), "\0\0\0\0\0\0\x01\xC8"s);

  std::string fifo = c->coll_pipe;
  EXPECT_EQ(qvzcomm("term", c).anchor, nullptr);
  EXPECT_FALSE(Access(fifo));
  close(rfd);
}

TEST_F(PipeTransport, RefusesBadRecordsAndServesTheNext) {
  comm_anchor* c = qvzcomm("initc").anchor;
  ASSERT_NE(c, nullptr);
  int rfd = reply_fifo("reply");
  std::string pipe = c->coll_pipe;
  struct row {
    std::string bytes;
    int error;
    std::string text, output;
  };
  const row rows[] = {
      // total length 301
      {"\1\55\0\1"s + std::string(297, 'x'), 0, "",
       "COM0203E (hhmmss) request length error, size=301\n"},
      // total length shorter than its own header
      {"\0\3\0\0"s, 0, "", "COM0203E (hhmmss) request length error, size=3\n"},
      // text where a record belongs: "he" reads as 26725
      {"hello, not a record", 0, "", "COM0203E (hhmmss) request length error, size=26725\n"},
      // name length 9
      {"\0\20\0\11ABCDEFGHI\0\0\0"s, 4, "Pipe cursor length error. Pipe=" + pipe, ""},
      // reply path and closing zeros missing
      {"\0\12\0\1X/pxyz"s, 4, "Pipe request format error. Pipe=" + pipe, ""},
      // 40 bytes announced, 20 written
      {"\0\50\0\1"s + std::string(16, 'x'), 4, "Pipe read error. Pipe=" + pipe, ""},
      // a header cut after 2 bytes
      {"\0\50"s, 4, "Pipe read error. Pipe=" + pipe, ""},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.output + r.text);
    write_raw(pipe, r.bytes);
    CapturedOutput out;
    comm_reply reply = qvzcomm("get", c);
    EXPECT_EQ(out.text(), r.output);
    EXPECT_EQ(reply.list, nullptr);
    EXPECT_EQ(c->error_code, r.error);
    EXPECT_EQ(c->error_text, r.text);
    // Nothing of the bad record is left to spoil the next request.
    write_raw(pipe, record("NEXT", path("reply")));
    EXPECT_EQ(serve(c, 1, "ok"), 0);
    EXPECT_EQ(read_all(rfd), "\0\0\0\1\0\0\0\2ok"s);
  }
  qvzcomm("term", c);
  close(rfd);
}

// A reply pipe without a reader ends "put" before the next entry (a removed
// one is in the request service's tests).
TEST_F(PipeTransport, PutEndsAtAReplyPipeNoLongerRead) {
  comm_anchor* c = qvzcomm("initc").anchor;
  ASSERT_NE(c, nullptr);
  int live = reply_fifo("live");
  mkfifo(path("noreader").c_str(), 0600);
  for (const std::string& reply : {path("noreader"), path("live")}) {
    std::string rec = record("CUR1", reply, {reply});  // own parameters: own entry
    std::vector<uint8_t> bytes(rec.begin(), rec.end());
    request_view view;
    ASSERT_EQ(decode_request(bytes, &view), record_status::ok);
    file_request(c->entries, std::move(bytes), view);
  }
  EXPECT_EQ(qvzcomm("put", c).status, 3);
  EXPECT_EQ(c->error_text, "Open Probe pipe errno= 6. Pipe=" + path("noreader") + ". cursor=CUR1");
  EXPECT_EQ(read_all(live), "");
  EXPECT_TRUE(c->entries.empty());
  qvzcomm("term", c);
  close(live);
}

// A probe that reads the header and dies: the broken pipe ends only this
// answer. (One that stops reading is in the end-to-end tests.)
TEST_F(PipeTransport, ProbeDyingMidAnswerDoesNotStopTheCollector) {
  comm_anchor* c = qvzcomm("initc").anchor;
  ASSERT_NE(c, nullptr);
  std::string big(300000, 'r');
  mkfifo(path("dies").c_str(), 0600);
  int sync[2];
  ASSERT_EQ(pipe(sync), 0);
  pid_t child = fork_child([&] {
    int fd = open(path("dies").c_str(), O_RDONLY | O_NONBLOCK);
    if (write(sync[1], "r", 1) != 1) return 2;
    pollfd in{fd, POLLIN, 0};
    char header[8];
    poll(&in, 1, -1);
    return read(fd, header, sizeof header) == 8 ? 0 : 1;
  });
  char ready;
  ASSERT_EQ(read(sync[0], &ready, 1), 1);
  write_raw(c->coll_pipe, record("CUR2", path("dies")));
  CapturedOutput out;
  EXPECT_EQ(serve(c, 1000, big), 0);
  EXPECT_NE(out.text().find(" handle_pipe_error sig_val=13\n Cursor=CUR2"), std::string::npos);
  EXPECT_EQ(wait_child(child), 0);
  struct sigaction now;
  sigaction(SIGPIPE, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN);

  // The next probe is served in full.
  int next = reply_fifo("next");
  write_raw(c->coll_pipe, record("CUR3", path("next")));
  EXPECT_EQ(serve(c, 1, "abc"), 0);
  EXPECT_EQ(read_all(next), "\0\0\0\1\0\0\0\3abc"s);
  qvzcomm("term", c);
  sigaction(SIGPIPE, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);  // as it was before the first "get"
  for (int fd : {next, sync[0], sync[1]}) close(fd);
}

TEST_F(PipeTransport, ProbeAsksForSeveralCursorsAtOnce) {
  comm_anchor* c = qvzcomm("initc").anchor;
  ASSERT_NE(c, nullptr);
  pid_t child = fork_child([] {
    comm_anchor* p = qvzcomm("init").anchor;
    int status = qvzcomm("get", p, "CUR2, CUR3").status;
    bool two = p->entries.size() == 2 && p->entries.front().rows == 2 &&
               p->entries.back().rows == 1 && p->entries.back().data.size() == 3;
    qvzcomm("term", p);
    return status == 0 && two ? 0 : 1;
  });
  for (const char* name : {"CUR2", "CUR3"}) {  // one after the other, in the order named
    ASSERT_EQ(comm_wait_request(c, 10), 0);
    EXPECT_EQ(serve(c, name[3] == '2' ? 2 : 1, name[3] == '2' ? "abcdef" : "abc", name), 0);
  }
  EXPECT_EQ(wait_child(child), 0);
  qvzcomm("term", c);
  EXPECT_TRUE(std::filesystem::is_empty(dir_));  // both ends removed their pipes
}

TEST_F(PipeTransport, ProbeReportsCollectorFailures) {
  struct row {
    std::string answer;  // what a stand-in collector writes back
    int status;
    std::string text;
  };
  const row rows[] = {
      // no answer within WAIT_TIMEOUT
      {"", 1, "Data Collector Wait Timeout. Wait Time=1 Cursor=CUR1"},
      // a header with a negative row count
      {"\xFF\xFF\xFF\xFF\0\0\0\5"s, 4, "Pipe stream header error. rows=-1 len=5 Cursor=CUR1"},
      // fewer rows than the header announces
      {"\0\0\0\2\0\0\0\3abc"s, 1, "Data Collector Wait Timeout. Is collector still there?"},
  };
  for (const row& r : rows) {
    comm_anchor* c = qvzcomm("initc").anchor;
    ASSERT_NE(c, nullptr);
    pid_t child = fork_child([&] {
      if (comm_wait_request(c, 10) != 0) return 1;
      std::list<curs_list>* list = qvzcomm("get", c).list;
      if (!list || list->empty()) return 2;
      int fd = open(list->front().pipe_list[0].c_str(), O_WRONLY | O_NONBLOCK);
      return write(fd, r.answer.data(), r.answer.size()) == ssize_t(r.answer.size()) ? 0 : 3;
    });
    comm_anchor* p = qvzcomm("init").anchor;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(qvzcomm("get", p, "CUR1").status, r.status);
    EXPECT_EQ(p->error_text, r.text);
    EXPECT_EQ(wait_child(child), 0);
    qvzcomm("term", p);
    qvzcomm("term", c);
  }
  // No collector at all: ten attempts a second apart.
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

TEST_F(PipeTransport, WaitTimeoutSetting) {
  struct row {
    const char* value;
    int collector, probe;
  };
  const row rows[] = {
      {nullptr, 5, 45},    // unset: the defaults
      {"0", 5, 45},        // zero: the defaults
      {"-3", 5, 45},       // negative: the defaults
      {"7", 7, 7},         // as given
      {"9999", 600, 600},  // cut to 600
  };
  for (const row& r : rows) {
    reset_comm_state();
    for (const char* name : {"COLL_WAIT_TIMEOUT", "WAIT_TIMEOUT"})
      r.value ? setenv(name, r.value, 1) : unsetenv(name);
    EXPECT_EQ(read_wait_timeout('C'), r.collector);
    EXPECT_EQ(read_wait_timeout('P'), r.probe);
    setenv("COLL_WAIT_TIMEOUT", "3", 1);
    EXPECT_EQ(read_wait_timeout('C'), r.collector);  // read once
  }
}
}  // namespace
