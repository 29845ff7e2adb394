// The history writer: appends the rows a history cursor stored since its last
// write to <coll_home>/<cursor>.HST, one line per row (or one for the
// column-function row), each beginning with the pass time.
//
// A record counts as written only with its closing line feed. The records of
// one cursor go out in a single write; a write that fails or comes up short is
// cut back to where the file ended, and a line left without its line feed by a
// crash is cut away before the next append. A reader never sees a partial
// record followed by more text.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "ctl/anchors.h"
#include "ctl/curs.h"
#include "ctl/windows.h"
#include "rows/age_to_loads.h"
#include "rows/column_functions.h"
#include "rows/row_chain.h"
#include "util/print.h"
#include "util/reltime.h"
#include "util/settings.h"
#include "util/unique_fd.h"

namespace {

constexpr const char* file_suffix = ".HST";

// Appends one record: the pass time, the row text over `len` bytes and a line
// feed. The NUL after each value becomes a blank, and so does a line feed
// inside a value, so that every value keeps its place and a record stays one
// line.
void add_record(std::string& out, const char* time_text, const char* text, int32_t len) {
  out.append(time_text, 14);
  size_t at = out.size();
  out.append(text, static_cast<size_t>(len));
  for (size_t i = at; i < out.size(); ++i)
    if (out[i] == '\0' || out[i] == '\n') out[i] = ' ';
  out.push_back('\n');
}

// Cuts the file back to its last line feed when a crash left a record without
// one. Returns the size the file has afterwards, or -1.
off_t drop_partial_record(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0) return -1;
  off_t end = st.st_size;
  char buf[4096];
  while (end > 0) {
    off_t from = end > static_cast<off_t>(sizeof buf) ? end - static_cast<off_t>(sizeof buf) : 0;
    ssize_t n = pread(fd, buf, static_cast<size_t>(end - from), from);
    if (n != end - from) return -1;
    const void* lf = memrchr(buf, '\n', static_cast<size_t>(n));
    if (lf) {
      end = from + (static_cast<const char*>(lf) - buf) + 1;
      break;
    }
    end = from;
  }
  if (end != st.st_size && ftruncate(fd, end) != 0) return -1;
  return end;
}

// Appends `data` to the open history file whole, or leaves the file as it was.
bool append_whole(int fd, const std::string& data) {
  off_t start = drop_partial_record(fd);
  if (start < 0) return false;
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // Full or failing: what went out is taken back.
      (void)!ftruncate(fd, start);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// The records of `cur` for pass `time_text`. A cursor with column functions
// writes its summary row, brought up to date with the rows stored since it was
// last built; none when a function cannot be computed.
std::string records_of(curs* cur, const char* time_text) {
  std::string out;
  if (cur->has_col_funct) {
    if (make_function_row(cur) == 0 && fill_function_row(cur) == 0)
      add_record(out, time_text, cur->function_row->text(), cur->length);
    return out;
  }
  for (const text_row* row = cur->first_row; row; row = row->next) {
    if (cur->samples && row->sample_no != static_cast<int16_t>(cur->sample_no)) continue;
    add_record(out, time_text, row->text(), cur->length);
  }
  return out;
}

}  // namespace

int do_history(const char* time_text) {
  const int32_t now = static_cast<int32_t>(relative_sec(time_text));
  for (curs* cur = anchors.cur_anchor; cur; cur = cur->next) {
    if (cur->window_close <= now) set_window_c(cur, now);
    const bool in_window = cur->window_open <= now && now < cur->window_close;
    if (!in_window || !cur->history || !cur->history_pending || cur->hold == 'Y') continue;
    cur->history_pending = 0;
    std::string path = std::string(env_vars.coll_home ? env_vars.coll_home : ".") + "/" +
                       cur->cur_name + file_suffix;
    unique_fd fd(open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.valid()) {
      PRINT('e', "chi1630", "Can't open %s\n", path.c_str());
      return 1;
    }
    if (cur->trace) PRINT('t', "chi1635", "Cur = %s, rows = %d\n", cur->cur_name, cur->row_count);
    if (cur->length == 0) {
      PRINT('e', "chi1640", "Cursor (%s) needs history but has no length\n", cur->cur_name);
      continue;
    }
    if (!append_whole(fd.get(), records_of(cur, time_text))) {
      PRINT('e', "chi1630", "Can't open %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
