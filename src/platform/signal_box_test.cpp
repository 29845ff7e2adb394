// The signal mailbox: signals taken in the order they came, a repeat merged
// while its first note waits, sender information kept. Real signals reach it
// through the collector's handler in the stopping tests.
#include "platform/signal_box.h"

#include <gtest/gtest.h>

#include <string>

namespace {

siginfo_t from(int pid, int uid, int code) {
  siginfo_t info = {};
  info.si_pid = pid;
  info.si_uid = static_cast<uid_t>(uid);
  info.si_code = code;
  return info;
}

// "sig/pid/uid/code" for each note taken, blank separated.
std::string take_all() {
  std::string taken;
  siginfo_t info;
  while (int sig = signal_box_take(&info))
    taken += std::to_string(sig) + "/" + std::to_string(info.si_pid) + "/" +
             std::to_string(info.si_uid) + "/" + std::to_string(info.si_code) + " ";
  return taken;
}

TEST(SignalBox, TakesInArrivalOrderAndMergesRepeats) {
  signal_box_clear();
  EXPECT_FALSE(signal_box_waiting());
  siginfo_t first = from(100, 7, 0), second = from(200, 8, 1);
  signal_box_put(SIGUSR2, &first);
  signal_box_put(SIGUSR1, &second);
  signal_box_put(SIGUSR2, &second);  // merged: the first sender stays
  signal_box_put(SIGTERM, nullptr);  // no sender known
  signal_box_put(0, &first);         // out of range: ignored
  signal_box_put(99, &first);
  EXPECT_TRUE(signal_box_waiting());
  EXPECT_EQ(take_all(), "12/100/7/0 10/200/8/1 15/0/0/0 ");
  EXPECT_FALSE(signal_box_waiting());
  // Once taken, the same signal is noted anew.
  signal_box_put(SIGUSR2, &second);
  EXPECT_EQ(take_all(), "12/200/8/1 ");
}

}  // namespace
