// One run of a cursor: its SELECT prepared, described and fetched row by row
// through the database client, each row cleaned up and handed to merge_text;
// fetch-exit and no-SQL cursors take their rows from elsewhere.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

struct curs;
struct select_desc;

// Size of the row work buffer.
constexpr size_t sizeof_work_buff = 124940;

// The row work buffer, sizeof_work_buff bytes once allocated.
extern std::vector<char> work_buff;

// Runs `cur` once. `run_time` is the run's 14-character time text; on success
// the run's row count is added to `*total`. Returns 0 on success; 1 when the
// cursor was refused (an item type that cannot be fetched, or a set_len name
// no item has, which holds it; the session stays) or a row could not be merged
// (the cursor is held, the session released); a
// negative count of select items beyond the maximum; otherwise the failing
// SQLCODE (the session is released, so the next run logs on again).
// Precondition for an SQL cursor: the session was logged on by the caller.
int prep_l_fetch(curs* cur, const char* run_time, int* total);

// Frees a run's select descriptor and closes its database-side cursor.
void cleanup(std::unique_ptr<select_desc>& lda);
