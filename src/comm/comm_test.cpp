// The entry point: function words, the transport choice and the re-entry
// guard.
#include "comm/comm.h"

#include "comm_fixture.h"
#include "fake_clock.h"

namespace {
class EntryPoint : public CommTest {};

TEST_F(EntryPoint, UseshmChoosesTheTransportAndBothRefuseTheSame) {
  struct row {
    const char* useshm;
    bool pipes;
    const char* word;  // not a function word
  };
  const row rows[] = {
      {nullptr, false, "GET"},  // unset: shared memory; words are lower case
      {"1x", false, nullptr},   // begins with "1": shared memory; no word at all
      {"0", true, "bogus"},     // anything else: pipes
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.useshm ? r.useshm : "unset");
    env_vars.useshm = r.useshm ? env_store(r.useshm) : nullptr;
    CapturedOutput out;
    comm_reply reply = qvzcomm(r.word);
    EXPECT_EQ(out.text(), "COM0100E (hhmmss) Invalid function code to QVZCOMM: " +
                              std::string(r.word ? r.word : "") + "\n");
    EXPECT_EQ(reply.anchor, nullptr);
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(qvzcomm("get").status, kCommNoMemory);  // no anchor
    EXPECT_EQ(qvzcomm("put").status, kCommNoMemory);

    comm_anchor* c = qvzcomm("initc").anchor;
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->side, 'C');
    EXPECT_EQ(c->pipe_transport, r.pipes);
    EXPECT_EQ(c->coll_pipe, r.pipes ? path("col_" + server_ + "_zdb_pipe") : "COL");
    EXPECT_EQ(Access(path("col_" + server_ + "_zdb_pipe")), r.pipes);
    comm_anchor* p = qvzcomm("init").anchor;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->probe_pipe.substr(0, r.pipes ? dir_.size() : 3), r.pipes ? dir_ : "AGT");
    EXPECT_EQ(qvzcomm("put", p).status, kCommPipe);  // a probe end never answers
    EXPECT_EQ(p->error_text, "Invalid anchor side P for put");
    EXPECT_EQ(qvzcomm("term", p).anchor, nullptr);
    EXPECT_EQ(qvzcomm("term", c).anchor, nullptr);
    EXPECT_TRUE(std::filesystem::is_empty(dir_));
  }
  CapturedOutput out;
  qvzcomm2("bogus");
  EXPECT_EQ(out.text(), "COM2100E (hhmmss) Invalid function code to QVZCOMM2: bogus\n");
}

TEST_F(EntryPoint, CallFromASignalHandlerWaitsThirtySecondsAtMost) {
  use_pipes_transport();
  FakeClock clock(1000);
  clock.install();
  comm_state.qvzcomm_locked = 3;  // a "get" was interrupted
  CapturedOutput out;
  qvzcomm("shut");  // "shut" never waits
  EXPECT_EQ(clock.slept(), 0u);
  EXPECT_EQ(qvzcomm("initsm").status, 0);
  std::string expected = "COM0010W (hhmmss) qvzcomm locked... entering wait (3,7)\n";
  for (int i = 1; i <= 30; ++i)
    expected += "COM0012W (hhmmss) qvzcomm locked... still waiting (" + std::to_string(i) + ")\n";
  EXPECT_EQ(out.text(), expected);
  EXPECT_EQ(clock.slept(), 30u);
  EXPECT_EQ(comm_state.qvzcomm_locked, 0);
}
}  // namespace
