#include "derive/run_list.h"

#include "ctl/curs.h"

void queue_run(curs* owner, curs* target, int32_t row_no) {
  run_list_entry** tail = &owner->run_list;
  for (; *tail; tail = &(*tail)->next)
    if ((*tail)->cursor == target && (*tail)->row_no == row_no) return;
  auto* e = new run_list_entry;
  e->cursor = target;
  e->row_no = row_no;
  *tail = e;
}

void release_entries(run_list_entry* e) {
  while (e) {
    run_list_entry* next = e->next;
    delete e;
    e = next;
  }
}

void release_run_list(curs* q) {
  release_entries(q->run_list);
  q->run_list = nullptr;
}
