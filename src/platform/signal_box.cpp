// The signal mailbox: one slot a signal number, filled by handlers with
// lock-free atomics only, so that a handler interrupting the main loop in
// the middle of a take leaves the slot consistent.
#include "platform/signal_box.h"

#include <atomic>
#include <cstring>

namespace {
constexpr int kSlots = 65;  // signal numbers 1 to 64

struct slot {
  std::atomic<int> order{0};  // arrival number; 0 while the slot is empty
  std::atomic<int> pid{0};    // sender's process id, 0 when unknown
  std::atomic<int> uid{0};    // sender's user id
  std::atomic<int> code{0};   // the signal's si_code
};

slot slots[kSlots];
std::atomic<int> arrivals{0};
static_assert(std::atomic<int>::is_always_lock_free, "handlers may only use lock-free atomics");
}  // namespace

void signal_box_put(int sig, const siginfo_t* info) {
  if (sig <= 0 || sig >= kSlots) return;
  slot& s = slots[sig];
  if (s.order.load() != 0) return;
  s.pid = info ? static_cast<int>(info->si_pid) : 0;
  s.uid = info ? static_cast<int>(info->si_uid) : 0;
  s.code = info ? info->si_code : 0;
  s.order = ++arrivals;
}

bool signal_box_waiting() {
  for (const slot& s : slots)
    if (s.order.load() != 0) return true;
  return false;
}

int signal_box_take(siginfo_t* info) {
  int first = 0;
  for (int sig = 1; sig < kSlots; ++sig) {
    const int order = slots[sig].order.load();
    if (order != 0 && (first == 0 || order < slots[first].order.load())) first = sig;
  }
  if (first == 0) return 0;
  slot& s = slots[first];
  memset(info, 0, sizeof *info);
  info->si_signo = first;
  info->si_pid = s.pid;
  info->si_uid = static_cast<uid_t>(s.uid.load());
  info->si_code = s.code;
  // Emptied last: a handler finding the slot full leaves it alone meanwhile.
  s.order = 0;
  return first;
}

void signal_box_clear() {
  for (slot& s : slots) s.order = 0;
  arrivals = 0;
}
