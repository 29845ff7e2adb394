// Set-up of the shared-memory transport: the key and lock files, key files
// that cannot be used, and the exit when set-up fails. Stale objects of a
// killed collector and a second collector attaching are exercised by the
// end-to-end tests of the programs.
#include "comm/share_init.h"

#include <fstream>
#include <sstream>

#include "comm_fixture.h"
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
  static int live(const std::vector<int>& k) { return live_ipc(k[2], k[3], k[4], k[5]); }
  std::string key_;
};

TEST_F(ShareSetUp, CreatesObjectsAndRecordsThem) {
  setenv("TZ", "UTC", 1);
  tzset();
  FakeClock clock(1322987405);
  clock.install();
  CapturedOutput out;
  ASSERT_EQ(InitShare(server_.c_str()), 0);
  std::vector<int> k = key_numbers();
  ASSERT_EQ(k.size(), 6u);
  EXPECT_EQ(k[0], -1);
  EXPECT_EQ(k[1], getpid());
  std::ostringstream ids;
  ids << k[2] << " " << k[3] << " " << k[4] << " " << k[5];
  EXPECT_EQ(out.text(),
            "USH0034I (hhmmss) Created IPCID(2011/12/04 08:30:05): " + ids.str() + "\n");
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
  EXPECT_EQ(live(k), 0);
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
    std::string text = out.text();
    EXPECT_EQ(text.substr(0, r.first_lines.size()), r.first_lines);
    EXPECT_EQ(text.substr(r.first_lines.size(), 26), "USH0034I (hhmmss) Created ");
    std::vector<int> k = key_numbers();
    DestroyShareCommObject();
    EXPECT_EQ(live(k), 0);
  }
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
