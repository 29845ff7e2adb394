// Shared-memory channels on real segments and semaphores: exact layouts, the
// handshakes between two processes, lifetimes, a reader that dies, garbage
// left in the segments and the deadlock breaking.
#include "comm/share_comm.h"

#include "comm/share_init.h"
#include "comm/share_text.h"
#include "comm_fixture.h"
#include "fake_clock.h"

namespace {
constexpr time_t kNow = 1322987405;  // 2011/12/04 08:30:05 UTC

class ShareChannels : public CommTest {
 protected:
  void SetUp() override {
    CommTest::SetUp();
    setenv("TZ", "UTC", 1);
    tzset();
    clock_.install();
    ASSERT_EQ(CreateShareCommObject(), 0);
    req_ = share_state.request_obj.get();
    data_ = share_state.data_obj.get();
    rq_ = req_->request();
    d_ = data_->data();
    ids_ = {req_->shm_id(), req_->sem_id(), data_->shm_id(), data_->sem_id()};
    rq_->lifetime = 45;
    rq_->request_time = static_cast<int32_t>(kNow);
  }
  void TearDown() override {
    DestroyShareCommObject();
    EXPECT_EQ(live_ipc(ids_[0], ids_[1], ids_[2], ids_[3]), 0);
    unsetenv("TZ");
    CommTest::TearDown();
  }
  static std::string padded(const std::string& s, size_t len) {
    return s + std::string(len - s.size(), '\0');
  }
  // The values of the semaphores available and filled.
  static std::vector<int> sems(ShareCommObject* ch) {
    return {ch->semaphore().Value(kSemAvailable), ch->semaphore().Value(kSemFilled)};
  }

  FakeClock clock_{kNow};
  ShareCommObject *req_ = nullptr, *data_ = nullptr;
  request_area* rq_ = nullptr;
  data_area* d_ = nullptr;
  std::vector<int> ids_;
};

TEST_F(ShareChannels, RequestSegmentLayoutHandshakeAndLifetime) {
  comm_anchor collector;
  collector.side = 'C';
  EXPECT_EQ(comm_wait_request(&collector, 0), 1);  // nothing yet
  QVZRequest req;
  req.name = "CUR1";
  req.parms = {"a", "bc"};
  ASSERT_EQ(req_->SendRequest(&req, 0), 0);
  EXPECT_EQ(comm_wait_request(&collector, 0), 0);  // waits without taking it
  EXPECT_EQ(req.unique, "CUR1-001322987405-0001");
  EXPECT_EQ(rq_->attach_count, 1);
  EXPECT_EQ(std::string(rq_->name, 15), padded("CUR1", 15));
  EXPECT_EQ(std::string(rq_->unique, 50), padded("CUR1-001322987405-0001", 50));
  EXPECT_EQ(std::string(rq_->parms[0], 60), padded("a", 20) + padded("bc", 20) + padded("", 20));
  EXPECT_EQ(sems(req_), (std::vector<int>{0, 1}));

  QVZRequest second;
  second.name = "CUR2";
  EXPECT_EQ(req_->SendRequest(&second, 0), -10);  // the first is not read yet

  QVZRequest got;
  ASSERT_EQ(req_->GetRequest(&got, 0), 0);
  EXPECT_EQ(std::tie(got.unique, got.name, got.parms, got.text),
            std::tie(req.unique, req.name, req.parms, ""));
  EXPECT_EQ(sems(req_), (std::vector<int>{1, 0}));
  EXPECT_EQ(req_->GetRequest(&got, 0), -10);  // nothing waiting

  // Requests older than the channel's lifetime, counted from their writing,
  // are dropped.
  struct row {
    int age;
    int rc;
    std::string output;
  };
  const row rows[] = {
      {45, 0, ""},  // exactly the lifetime: still served
      {46, -1,      // one second more: dropped
       "USH0032I (hhmmss) It's 2011/12/04 08:32:31. Request 'CUR1-001322987505-0004' received too "
       "late to process(now:1322987551, finish write:1322987505, timeout:45)\n"},
  };
  for (const row& r : rows) {
    clock_.set(kNow + 100);
    ASSERT_EQ(req_->SendRequest(&req, 0), 0);
    clock_.advance(r.age);
    CapturedOutput out;
    EXPECT_EQ(req_->GetRequest(&got, 0), r.rc);
    EXPECT_EQ(out.text(), r.output);
    EXPECT_EQ(sems(req_), (std::vector<int>{1, 0}));  // the channel is free either way
  }
}

// A partner that died holding a channel leaves both semaphores taken.
TEST_F(ShareChannels, SemaphoresOfADeadPartnerAreReset) {
  unsigned short stuck[2] = {0, 0};
  ASSERT_EQ(semctl(req_->sem_id(), 0, SETALL, stuck), 0);
  QVZRequest req;
  req.name = "DEAD";
  CapturedOutput out;
  EXPECT_EQ(req_->SendRequest(&req, 0), -10);
  EXPECT_EQ(out.text(), "USH0130E (hhmmss) SendRequest: share memory inconsistency occurs\n");
  EXPECT_EQ(req_->SendRequest(&req, 0), 0);

  // A probe finding both channels stuck and the last request 181 s old
  // resets both; its request then goes out and times out unanswered.
  comm_anchor* probe = qvzcomm("init").anchor;
  ASSERT_NE(probe, nullptr);
  ASSERT_EQ(semctl(req_->sem_id(), 0, SETALL, stuck), 0);
  ASSERT_EQ(semctl(data_->sem_id(), 0, SETALL, stuck), 0);
  clock_.advance(181);
  rq_->request_time = static_cast<int32_t>(kNow + 181);
  CapturedOutput reset;
  EXPECT_EQ(qvzcomm("get", probe, "CUR1").status, kCommShareTimeout);
  EXPECT_EQ(reset.text(), "USH0430I (hhmmss) Reseting semaphores...\n");
  EXPECT_EQ(sems(req_), (std::vector<int>{0, 1}));
  EXPECT_EQ(bounded_text(rq_->name, 14), "CUR1");
  qvzcomm("term", probe);
}

TEST_F(ShareChannels, AnswerTravelsInPartsOfAtMost99000Bytes) {
  std::string rows(250000, '\0'), unique = "CUR1-000000000001-0001";
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<char>('a' + i % 26 + i / 99000);
  std::vector<std::string> parts;
  ChildResult writer = run_in_child(
      [&](int) { _exit(data_->SendData(unique, 1000, 250, rows.data(), 5) == 0 ? 0 : 1); },
      [&](int, int) {
        for (int i = 0; i < 3; ++i) {
          ASSERT_EQ(data_->semaphore().TimedTake(kSemFilled, 5), 0);
          EXPECT_EQ(std::string(d_->unique, 50), padded(unique, 50));
          EXPECT_EQ(std::tie(d_->rows, d_->row_len), std::make_tuple(1000, 250));
          parts.emplace_back(d_->data, kDataBlock);
          ASSERT_EQ(data_->semaphore().Give(kSemAvailable), 0);
        }
      });
  EXPECT_EQ(writer.exit_code, 0);
  EXPECT_EQ(parts, (std::vector<std::string>{rows.substr(0, 99000), rows.substr(99000, 99000),
                                             rows.substr(198000) + std::string(47000, '\0')}));

  // An empty answer: "NONE" in place of rows.
  d_->reader_done = 1;  // as GetData leaves it
  QVZDataRow got;
  writer = run_in_child([&](int) { _exit(data_->SendData("EMPTY-3", 0, 456, nullptr, 5)); },
                        [&](int, int) {
                          ASSERT_EQ(data_->semaphore().TimedWait(kSemFilled, 5), 0);
                          EXPECT_EQ(std::string(d_->data, 8), std::string("NONE\0\0\0\0", 8));
                          ASSERT_EQ(data_->GetData("EMPTY-3", "EMPTY", &got, 5), 0);
                        });
  EXPECT_EQ(writer.exit_code, 0);
  EXPECT_EQ(std::tie(got.rows, got.row_len, d_->reader_done), std::make_tuple(0, 456, 1));
  EXPECT_TRUE(got.data.empty());
}

// Rows of tests/data/comm/send_data_guards.txt.
TEST_F(ShareChannels, SendDataGuards) {
  for (const auto& r : data_rows("comm/send_data_guards.txt", 7)) {
    SCOPED_TRACE(r[5] + r[6]);
    const int data_age = std::stoi(r[1]);
    clock_.set(kNow + std::stoi(r[0]));
    memcpy(d_->unique, "OLD-000000000001-0001", 22);
    rq_->data_time = data_age < 0 ? 0 : static_cast<int32_t>(kNow - data_age);
    d_->reader_done = std::stoi(r[2]);
    data_->ResetSemaphore();
    unsigned before = clock_.slept();
    CapturedOutput out;
    EXPECT_EQ(data_->SendData(r[3], 0, 10, nullptr, 0), std::stoi(r[4]));
    EXPECT_EQ(out.text(), r[5]);
    EXPECT_EQ(clock_.slept() - before, std::stoul(r[6]));
  }
}

// Rows of tests/data/comm/get_data_guards.txt.
TEST_F(ShareChannels, GarbageInTheDataSegmentIsRefused) {
  for (const auto& r : data_rows("comm/get_data_guards.txt", 6)) {
    SCOPED_TRACE(r[5]);
    memcpy(d_->unique, r[0].data(), std::min<size_t>(r[0].size() + 1, 50));
    d_->rows = std::stoi(r[1]);
    d_->row_len = std::stoi(r[2]);
    rq_->data_time = static_cast<int32_t>(kNow - std::stoi(r[3]));
    unsigned short filled[2] = {0, 1};
    ASSERT_EQ(semctl(data_->sem_id(), 0, SETALL, filled), 0);
    QVZDataRow got;
    CapturedOutput out;
    EXPECT_EQ(data_->GetData("MINE", "CUR1", &got, 0), std::stoi(r[4]));
    EXPECT_EQ(out.text(), r[5]);
    EXPECT_EQ(sems(data_), (std::vector<int>{1, 0}));
  }
}
}  // namespace
