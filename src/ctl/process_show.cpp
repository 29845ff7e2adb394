// Listing of the process definitions.
#include <cstdint>

#include "ctl/anchors.h"
#include "ctl/ctl_time.h"
#include "ctl/distributor.h"
#include "ctl/process.h"
#include "util/print.h"

namespace {

// Prints a window list with the process's offset added back, in hours.
void show_windows(const operate* list, int32_t offset, const char* start_id, const char* start_fmt,
                  const char* end_id, const char* end_fmt) {
  for (const operate* w = list; w; w = w->next) {
    PRINT('i', start_id, start_fmt, ctl_secs_to_hour(w->start + offset));
    PRINT('i', end_id, end_fmt, ctl_secs_to_hour(w->end + offset));
  }
}

}  // namespace

void show_processes() {
  for (const distributor* d = anchors.distrib_anchor; d; d = d->next) {
    PRINT('i', "psp1380", "Process name:%s\n", d->distrib_name);
    switch (d->type) {
      case 1:
        PRINT('i', "psp1385", "Type = local\n");
        break;
      case 2:
        PRINT('i', "psp1390", "Type = remote\n");
        break;
      case 3:
        PRINT('i', "psp1395", "Type = dial\n");
        break;
      case 4:
        PRINT('i', "psp1430", "Type = ctlib\n");
        break;
      default:
        break;
    }
    PRINT('i', "psp1435", "Logon id = %s\n", d->logon_id);
    PRINT('i', "psp1440", "Password = ***\n");
    PRINT('i', "psp1445", "Server id = %s\n", d->server_id);
    PRINT('i', "psp1450", "Time offset = %d\n", d->time_offset);
    show_windows(d->saturday, d->time_offset, "psp1455", "Saturday start = %d\n", "psp1460",
                 "Saturday end = %d\n");
    show_windows(d->sunday, d->time_offset, "psp1465", "Sunday start = %d\n", "psp1470",
                 "Sunday end = %d\n");
    show_windows(d->mon_fri, d->time_offset, "psp1475", "Mon_Fri start = %d\n", "psp1480",
                 "Mon_Fri end = %d\n");
    PRINT('i', "psp1485", "Interval = %d\n", d->interval);
    for (int i = 0; i < 100 && d->holidays[i] != 0; ++i) {
      char day[9];
      ctl_day_text(day, d->holidays[i]);
      PRINT('i', "psp1490", "Holiday = %s\n", day);
    }
    char open[15], close[15];
    ctl_secs_text(open, d->window_start);
    ctl_secs_text(close, d->window_end);
    PRINT('i', "psp1495", "Window open at %s\n", open);
    PRINT('i', "psp1500", "Window closes at %s\n", close);
  }
}
