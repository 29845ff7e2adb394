// Row retention before a cursor run: rows expire by age, by sample count, or
// all at once for a cursor that keeps nothing between runs.
#pragma once

struct curs;

// Ages every row of Q by the larger of Q's interval and the collector
// process's interval, and deletes the rows whose age reaches Q's time_limit.
// Returns 0.
int delete_by_time(curs* q);

// Deletes the rows of samples older than Q's newest `samples` samples
// (sample number at or below sample_no - samples). Returns 0.
int delete_by_samples(curs* q);

// Frees every row of Q. Returns 0.
int delete_all(curs* q);
