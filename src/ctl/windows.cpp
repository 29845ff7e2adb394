// Next-window search over the day classes of a process or cursor.
#include "ctl/windows.h"

#include "ctl/curs.h"
#include "ctl/distributor.h"
#include "ctl/operate.h"

namespace {

// Days looked ahead before giving up; more than any year of holidays and
// window-less weekends can hide.
constexpr int32_t max_days_ahead = 800;

bool is_holiday(const int32_t* holidays, int32_t day) {
  for (int i = 0; holidays && i < 100 && holidays[i] != 0; ++i) {
    if (holidays[i] == day) return true;
  }
  return false;
}

// Finds the window; returns false when none lies within max_days_ahead.
bool next_window(operate* sat, operate* sun, operate* mon_fri, const int32_t* holidays, int32_t now,
                 int32_t* start, int32_t* end) {
  int32_t first = now / 86400;
  for (int32_t day = first; day < first + max_days_ahead; ++day) {
    if (is_holiday(holidays, day)) continue;
    int weekday = day % 7;
    operate* list = weekday == 0 ? sat : weekday == 1 ? sun : mon_fri;
    // A weekend day whose first window is empty (0000-0000) has no window.
    if (list == nullptr || (weekday <= 1 && list->start == list->end)) continue;
    for (operate* w = list; w; w = w->next) {
      int32_t base = day * 86400;
      if (base + w->end > now) {
        *start = base + w->start;
        *end = base + w->end;
        return true;
      }
    }
  }
  return false;
}

}  // namespace

int set_window(distributor* d, int32_t now) {
  if (!next_window(d->saturday, d->sunday, d->mon_fri, d->holidays, now, &d->window_start,
                   &d->window_end)) {
    // No window at all: keep the process closed until the search horizon.
    d->window_start = d->window_end = now + max_days_ahead * 86400;
  }
  return 0;
}

int set_window_c(curs* c, int32_t now) {
  if (c->demand || c->hold == 'Y' || (c->once && c->row_count > 0)) return 0;
  if (!next_window(c->saturday, c->sunday, c->mon_fri, nullptr, now, &c->window_open,
                   &c->window_close)) {
    c->window_open = c->window_close = now + max_days_ahead * 86400;
  }
  return 0;
}
