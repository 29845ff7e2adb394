// Set-up of the shared-memory transport between real processes: the key and
// lock files, stale objects of a killed collector, attaching to a running
// one, the exit when set-up fails, and a whole request over "get" and "put".
#include "comm/share_init.h"

#include <csignal>
#include <fstream>
#include <sstream>

#include "comm/probe_request.h"
#include "comm_fixture.h"
#include "driver/steps.h"
#include "fake_clock.h"

namespace {
class ShareSetUp : public CommTest {
 protected:
  void SetUp() override {
    CommTest::SetUp();
    key_ = path("hst_db_" + server_ + "_" + server_ + "_zdb_hst");
  }
  // The six numbers of the key file.
  std::vector<int> key_numbers() const {
    std::ifstream in(key_);
    std::vector<int> v;
    for (int n; in >> n;) v.push_back(n);
    return v;
  }
  static bool gone(const std::vector<int>& k) {
    return !shm_exists(k[2]) && !sem_exists(k[3]) && !shm_exists(k[4]) && !sem_exists(k[5]);
  }
  static bool present(const std::vector<int>& k) {
    return shm_exists(k[2]) && sem_exists(k[3]) && shm_exists(k[4]) && sem_exists(k[5]);
  }
  std::string ids_line(const std::vector<int>& k) const {
    std::ostringstream s;
    s << k[2] << " " << k[3] << " " << k[4] << " " << k[5];
    return s.str();
  }
  std::string key_;
};

TEST_F(ShareSetUp, CreatesObjectsAndRecordsThem) {
  setenv("TZ", "UTC", 1);
  tzset();
  FakeClock clock(1322987405);
  clock.install();
  CapturedOutput out(path("out"));
  ASSERT_EQ(InitShare(server_.c_str()), 0);
  std::vector<int> k = key_numbers();
  ASSERT_EQ(k.size(), 6u);
  EXPECT_EQ(k[0], -1);
  EXPECT_EQ(k[1], getpid());
  EXPECT_EQ(out.text(),
            "USH0034I (hhmmss) Created IPCID(2011/12/04 08:30:05): " + ids_line(k) + "\n");
  std::ifstream lock(key_ + "-lk");
  std::string pid;
  std::getline(lock, pid);
  EXPECT_EQ(pid, std::to_string(getpid()));
  shmid_ds ds;
  ASSERT_EQ(shmctl(k[2], IPC_STAT, &ds), 0);
  EXPECT_EQ(ds.shm_segsz, 30892u);
  EXPECT_EQ(ds.shm_perm.mode & 0777, 0666u);
  ASSERT_EQ(shmctl(k[4], IPC_STAT, &ds), 0);
  EXPECT_EQ(ds.shm_segsz, 100000u);
  EXPECT_EQ(semctl(k[3], 0, GETVAL), 1);
  EXPECT_EQ(semctl(k[3], 1, GETVAL), 0);
  EXPECT_EQ(share_state.data_obj->data()->reader_done, 1);

  ASSERT_EQ(InitShare(server_.c_str()), 0);  // once per process: the same objects
  EXPECT_EQ(key_numbers(), k);
  DestroyShareCommObject();
  EXPECT_TRUE(gone(k));
  unsetenv("TZ");
}

TEST_F(ShareSetUp, StaleObjectsOfAKilledCollectorAreReplaced) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t collector = fork_child([&] {
    if (InitShare(server_.c_str()) != 0 || write(ready[1], "r", 1) != 1) return 1;
    pause();
    return 0;
  });
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  std::vector<int> old = key_numbers();
  EXPECT_EQ(old[1], collector);
  kill(collector, SIGKILL);
  EXPECT_EQ(wait_child(collector), 128 + SIGKILL);
  EXPECT_TRUE(present(old));

  ASSERT_EQ(InitShare(server_.c_str()), 0);
  std::vector<int> now = key_numbers();
  EXPECT_TRUE(gone(old));
  EXPECT_TRUE(present(now));
  EXPECT_EQ(now[0], -1);
  EXPECT_EQ(now[1], getpid());
  DestroyShareCommObject();
  EXPECT_TRUE(gone(now));
  close(ready[0]);
  close(ready[1]);
}

TEST_F(ShareSetUp, SecondCollectorAttachesToTheRunningOne) {
  int ready[2], go[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(go), 0);
  pid_t first = fork_child([&] {
    if (InitShare(server_.c_str()) != 0 || write(ready[1], "r", 1) != 1) return 1;
    char c;
    if (read(go[0], &c, 1) != 1) return 2;
    DestroyShareCommObject();
    return 0;
  });
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  std::vector<int> theirs = key_numbers();
  CapturedOutput out(path("out"));
  ASSERT_EQ(InitShare(server_.c_str()), 0);
  std::string text = out.text();
  std::vector<int> k = key_numbers();
  EXPECT_EQ(k, (std::vector<int>{first, getpid(), theirs[2], theirs[3], theirs[4], theirs[5]}));
  EXPECT_NE(text.find("Attached IPCID("), std::string::npos) << text;
  EXPECT_EQ(share_state.server_pid, first);

  DestroyShareCommObject();
  EXPECT_TRUE(present(k));  // the first collector still uses them
  ASSERT_EQ(write(go[1], "g", 1), 1);
  EXPECT_EQ(wait_child(first), 0);
  EXPECT_TRUE(gone(k));  // the last user removed them
  for (int fd : {ready[0], ready[1], go[0], go[1]}) close(fd);
}

TEST_F(ShareSetUp, UnusableKeyFilesLeadToNewObjects) {
  struct row {
    std::string key_text;
    std::string first_lines;  // messages before "Created"
  };
  int dead_shm = shmget(IPC_PRIVATE, 30892, IPC_CREAT | 0600);
  shmctl(dead_shm, IPC_RMID, nullptr);
  const row rows[] = {
      // not six numbers
      {"hello\n", ""},
      // a running process whose objects are gone
      {"-1 " + std::to_string(getpid()) + " " + std::to_string(dead_shm) + " 1 2 3\n",
       "USH0021E (hhmmss) Failed to attach share memory: Invalid argument\n"
       "USH0036E (hhmmss) Failed to attach Request object\n"},
  };
  for (const row& r : rows) {
    std::ofstream(key_) << r.key_text;
    CapturedOutput out(path("out"));
    ASSERT_EQ(InitShare(server_.c_str()), 0);
    std::string text = out.text();
    EXPECT_EQ(text.substr(0, r.first_lines.size()), r.first_lines);
    EXPECT_EQ(text.substr(r.first_lines.size(), 26), "USH0034I (hhmmss) Created ");
    std::vector<int> k = key_numbers();
    DestroyShareCommObject();
    EXPECT_TRUE(gone(k));
  }
}

TEST_F(ShareSetUp, FailedSetUpEndsTheProcessWithStatus8) {
  std::filesystem::create_directory(key_ + "-lk");  // the lock file cannot be opened
  CapturedOutput out(path("out"));
  pid_t child = fork_child([] {
    qvzcomm("initsm");
    return 0;
  });
  EXPECT_EQ(wait_child(child), 8);
  EXPECT_EQ(out.text(),
            "USH0560E (hhmmss) Cannot open lock file: " + key_ +
                "-lk\nCOM31400S (hhmmss) could not establish shared memory, quitting\n");
}

TEST_F(ShareSetUp, ServerRunningAsPsReportsIt) {
  EXPECT_TRUE(IsServerRunning(getpid()));
  pid_t child = fork_child([] { return 0; });
  wait_child(child);
  EXPECT_FALSE(IsServerRunning(child));
}

TEST_F(ShareSetUp, RequestsAndAnswersThroughTheEntryPoint) {
  qvzcomm("initsm");
  comm_state.ipc_ptr = qvzcomm("initc").anchor;
  comm_anchor* c = comm_state.ipc_ptr;
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->coll_pipe, "COL");
  std::vector<int> k = key_numbers();
  std::string rows(250000, 'x');
  pid_t probe = fork_child([&] {
    reset_comm_state();  // a process of its own: it attaches to the collector's objects
    std::vector<std::string> parms = {"p1", "p2"};
    probe_answer big = probe_request("CUR1", parms);
    probe_answer none = probe_request("EMPTY", {});
    bool ok = big.error_code == 0 && big.rows == 1000 && big.row_len == 250 &&
              std::string(big.data.begin(), big.data.end()) == rows;
    return ok && none.error_code == 0 && none.rows == 0 && none.data.empty() ? 0 : 1;
  });
  for (int served = 0; served < 2;) {
    std::list<curs_list>* list = qvzcomm("get", c).list;
    ASSERT_NE(list, nullptr);
    if (list->empty()) {
      ASSERT_EQ(c->error_code, kCommShareTimeout);  // no request within COLL_WAIT_TIMEOUT
      EXPECT_EQ(c->error_text, "Share memory time out");
      continue;
    }
    curs_list& e = list->front();
    EXPECT_EQ(e.name, std::string(served == 0 ? "CUR1" : "EMPTY"));
    EXPECT_EQ(c->parms[0] ? std::string(c->parms[0]) : "", served == 0 ? "p1" : "");
    if (served++ == 0) {
      EXPECT_STREQ(c->parms[1], "p2");
      e.rows = 1000;
      e.row_len = 250;
      e.data.assign(rows.begin(), rows.end());
    }
    EXPECT_EQ(qvzcomm("put", c).status, 0);
  }
  EXPECT_EQ(wait_child(probe), 0);
  EXPECT_EQ(transport_term(), 0);
  EXPECT_EQ(comm_state.ipc_ptr, nullptr);
  EXPECT_TRUE(present(k));
  EXPECT_EQ(transport_shut(), 0);
  EXPECT_TRUE(gone(k));
}
}  // namespace
