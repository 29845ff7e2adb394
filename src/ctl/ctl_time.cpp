// The parsers' time values, taken from the scheduler's time arithmetic.
#include "ctl/ctl_time.h"

#include "util/reltime.h"

int32_t ctl_now_secs() {
  char now[15];
  return static_cast<int32_t>(relative_sec(get_time(now)));
}

int32_t ctl_day_of(const char* yyyymmdd) { return relative_date(yyyymmdd); }

void ctl_banner_time(char* buf) { form_time(buf); }

void ctl_secs_text(char* buf, int32_t secs) { secs_to_date(buf, secs); }

void ctl_day_text(char* buf, int32_t day) { real_date(buf, day); }

int ctl_secs_to_hour(int32_t secs) { return secs_to_hour(secs); }
