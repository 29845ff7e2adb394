// Set-up of the shared-memory transport: the key and lock files, key files
// that cannot be used, and the exit when set-up fails. Stale objects of a
// killed collector and a second collector attaching are exercised by the
// end-to-end tests of the programs.
#include "comm/share_init.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <fstream>

#include "comm_fixture.h"
#include "fake_clock.h"

namespace {
class ShareSetUp : public CommTest {
 protected:
  void SetUp() override {
    CommTest::SetUp();
    key_ = path("hst_db_" + server_ + "_" + server_ + "_zdb_hst");
  }
  // How many of the objects the key file records still exist.
  int live() const {
    std::ifstream in(key_);
    std::vector<int> k(6, -1);
    for (int& n : k) in >> n;
    return live_ipc(k[2], k[3], k[4], k[5]);
  }
  std::string key_;
};

TEST_F(ShareSetUp, CreatesObjectsAndRecordsThem) {
  setenv("TZ", "UTC", 1);
  tzset();
  FakeClock clock(1322987405);
  clock.install();
  CapturedOutput out;
  ASSERT_EQ(InitShare(server_.c_str()), 0);
  ShareCommObject *req = share_state.request_obj.get(), *data = share_state.data_obj.get();
  char ids[64];
  snprintf(ids, sizeof ids, "%d %d %d %d", req->shm_id(), req->sem_id(), data->shm_id(),
           data->sem_id());
  const std::string pid = std::to_string(getpid()), key = "-1 " + pid + " " + ids + "\n";
  EXPECT_EQ(read_whole(key_), key);
  EXPECT_EQ(read_whole(key_ + "-lk"), pid + "\n");
  EXPECT_EQ(out.text(),
            "USH0034I (hhmmss) Created IPCID(2011/12/04 08:30:05): " + std::string(ids) + "\n");
  shmid_ds ds;
  ASSERT_EQ(shmctl(req->shm_id(), IPC_STAT, &ds), 0);
  EXPECT_EQ(ds.shm_segsz, 30892u);
  EXPECT_EQ(ds.shm_perm.mode & 0777, 0666u);
  ASSERT_EQ(shmctl(data->shm_id(), IPC_STAT, &ds), 0);
  EXPECT_EQ(ds.shm_segsz, 100000u);
  EXPECT_EQ(semctl(req->sem_id(), 0, GETVAL), 1);
  EXPECT_EQ(semctl(req->sem_id(), 1, GETVAL), 0);
  EXPECT_EQ(data->data()->reader_done, 1);

  ASSERT_EQ(InitShare(server_.c_str()), 0);  // once per process: the same objects
  EXPECT_EQ(read_whole(key_), key);
  DestroyShareCommObject();
  EXPECT_EQ(live(), 0);
  unsetenv("TZ");
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
    SCOPED_TRACE(r.key_text);
    std::ofstream(key_) << r.key_text;
    CapturedOutput out;
    ASSERT_EQ(InitShare(server_.c_str()), 0);
    EXPECT_EQ(out.text().substr(0, r.first_lines.size() + 26),
              r.first_lines + "USH0034I (hhmmss) Created ");
    EXPECT_EQ(live(), 4);
    DestroyShareCommObject();
    EXPECT_EQ(live(), 0);
  }
}

// COLL_IPC_MODE gives the objects and the key file their modes exactly,
// whatever the umask; a value that is no mode leaves the defaults.
TEST_F(ShareSetUp, ModesFollowTheSetting) {
  struct row {
    const char* setting;  // COLL_IPC_MODE, or null
    unsigned objects;     // segments and semaphore sets
    unsigned key;         // key file
    std::string output;   // messages before "Created"
  };
  const row rows[] = {
      {nullptr, 0666, 0644, ""},  // unset: anyone may ask and read
      {"0600", 0600, 0600, ""},   // owner only
      {"640", 0640, 0640, ""},    // the group may read, not ask
      {"0999", 0666, 0644,        // not octal: the defaults, said once
       "COM0105W (hhmmss) COLL_IPC_MODE 0999 is not an octal mode of at most 0777, ignored\n"},
  };
  mode_t umask_was = umask(077);
  for (const row& r : rows) {
    SCOPED_TRACE(r.setting ? r.setting : "unset");
    env_vars.ipc_mode = r.setting ? env_store(r.setting) : nullptr;
    CapturedOutput out;
    ASSERT_EQ(InitShare(server_.c_str()), 0);
    EXPECT_EQ(out.text().substr(0, r.output.size()), r.output);
    shmid_ds ds;
    semid_ds sds;
    ASSERT_EQ(shmctl(share_state.data_obj->shm_id(), IPC_STAT, &ds), 0);
    ASSERT_EQ(semctl(share_state.request_obj->sem_id(), 0, IPC_STAT, &sds), 0);
    EXPECT_EQ(ds.shm_perm.mode & 0777, r.objects);
    EXPECT_EQ(sds.sem_perm.mode & 0777, r.objects);
    EXPECT_EQ(std::filesystem::status(key_).permissions(),
              static_cast<std::filesystem::perms>(r.key));
    reset_process_state();
    CommTest::SetUp();
    unlink(key_.c_str());
  }
  umask(umask_was);
}

// A key or lock file path that is a symbolic link is refused, and what it
// points to is left as it was.
TEST_F(ShareSetUp, LinkedKeyFilesAreNotFollowed) {
  write_file(scratch_, "target", "keep\n");
  for (const std::string& linked : {key_, key_ + "-lk"}) {
    SCOPED_TRACE(linked);
    unlink(key_.c_str());
    unlink((key_ + "-lk").c_str());
    symlink(path("target").c_str(), linked.c_str());
    CapturedOutput out;
    EXPECT_EQ(InitShare(server_.c_str()), -1);
    EXPECT_EQ(out.text().substr(0, 8), linked == key_ ? "USH0034I" : "USH0560E");
    EXPECT_EQ(read_whole(path("target")), "keep\n");
    reset_share_state();
  }
}

// A probe only reads the key file: it attaches to the recorded objects,
// writes no file, and at its end leaves the objects to a collector that
// still runs but removes them when the collector is gone.
TEST_F(ShareSetUp, ProbeAttachesWithoutWriting) {
  {
    CapturedOutput out;
    EXPECT_EQ(AttachShare(server_.c_str()), -1);  // no key file: nothing is created
    EXPECT_EQ(out.text(), "USH0032E (hhmmss) Cannot open file: " + key_ + "\n");
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
  ChildResult collector = run_in_child(
      [&](int ready) {
        if (InitShare(server_.c_str()) != 0 || write(ready, "r", 1) != 1) _exit(1);
        pause();
      },
      [&](int pid, int ready) {
        char r;
        ASSERT_EQ(read(ready, &r, 1), 1);
        chmod(key_.c_str(), 0444);
        unlink((key_ + "-lk").c_str());
        const std::string key = read_whole(key_);
        ASSERT_EQ(AttachShare(server_.c_str()), 0);
        DetachShare();
        EXPECT_EQ(read_whole(key_), key);
        EXPECT_FALSE(std::filesystem::exists(key_ + "-lk"));
        EXPECT_EQ(live(), 4);  // the collector still uses them
        kill(pid, SIGKILL);
      });
  EXPECT_EQ(collector.signal, SIGKILL);
  ASSERT_EQ(AttachShare(server_.c_str()), 0);
  DetachShare();
  EXPECT_EQ(live(), 0);  // the last user of a dead collector's objects removes them
}

// Whether a partner named in a key file still runs decides between attaching
// and removing its objects.
TEST_F(ShareSetUp, PartnerLivenessFollowsTheProcessTable) {
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  ASSERT_GT(ended, 0);
  siginfo_t info;
  ASSERT_EQ(waitid(P_PID, static_cast<id_t>(ended), &info, WEXITED | WNOWAIT), 0);
  struct row {
    int pid;
    bool running;
  };
  const row unreaped[] = {
      {getpid(), true},  // this process
      {1, true},         // another user's process may not be signalled, but runs
      {ended, true},     // ended, not yet waited for: still listed
      {-1, false},       // the key file's "no process"
      {0, false},
  };
  for (const row& r : unreaped) EXPECT_EQ(IsServerRunning(r.pid), r.running) << r.pid;
  ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
  EXPECT_FALSE(IsServerRunning(ended));  // waited for: gone
}

TEST_F(ShareSetUp, FailedSetUpEndsTheProcessWithStatus8) {
  std::filesystem::create_directory(key_ + "-lk");  // the lock file cannot be opened
  ChildResult r = run_in_child([] { qvzcomm("initsm"); });
  EXPECT_EQ(r.exit_code, 8);
  EXPECT_EQ(blank_times(r.output),
            "USH0560E (hhmmss) Cannot open lock file: " + key_ +
                "-lk\nCOM31400S (hhmmss) could not establish shared memory, quitting\n");
}
}  // namespace
