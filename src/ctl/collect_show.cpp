// The listing of every cursor with its columns, windows and evaluations
// (trace output).
#include "ctl/anchors.h"
#include "ctl/collect.h"
#include "ctl/ctl_time.h"
#include "ctl/curs.h"
#include "ctl/eval.h"
#include "ctl/reader.h"

namespace {

void show_windows(const operate* list, const char* start_id, const char* start_fmt,
                  const char* end_id, const char* end_fmt) {
  for (const operate* w = list; w; w = w->next) {
    ctl_trace(start_id, start_fmt, ctl_secs_to_hour(w->start));
    ctl_trace(end_id, end_fmt, ctl_secs_to_hour(w->end));
  }
}

void show_columns(const curs* c) {
  for (const columns* col = c->column_list; col; col = col->next) {
    ctl_trace("psc0075", " Ins Col= %s\n", col->name);
    switch (col->col_funct) {
      case 1:
        ctl_trace("psc0080", "   has Col Funct = MIN\n");
        break;
      case 2:
        ctl_trace("psc0085", "   has Col Funct = MAX\n");
        break;
      case 3:
        ctl_trace("psc0090", "   has Col Funct = AVG\n");
        break;
      case 4:
        ctl_trace("psc0095", "   has Col Funct = WAVG\n");
        break;
      case 5:
        ctl_trace("psc0100", "   has Col Funct = TREND\n");
        break;
      case 6:
        ctl_trace("psc0105", "   has Col Funct = SUM\n");
        break;
      case 7:
        ctl_trace("psc0110", "   has Col Funct = HIGH_WATER\n");
        break;
      case 8:
        ctl_trace("psc0115", "   has Col Funct = LOW_WATER\n");
        break;
      case 9:
        ctl_trace("psc0120", "   has Col Funct = COUNT\n");
        break;
      default:
        break;
    }
    ctl_trace("psc0125", "Orig data type= %d\n", col->orig_type);
    ctl_trace("psc0130", "Oracle data len= %d\n", col->db_len);
    if (col->set_length) {
      ctl_trace("psc0135", "Formatted data length= %d\n", col->set_length);
    } else {
      ctl_trace("psc0140", "Formatted data length= %d\n", col->fmt_len);
    }
    ctl_trace("psc0145", "Buffer Offset= %d\n", col->offset);
  }
}

void show_evals(const curs* c) {
  for (const e_ptr* e = c->evals; e; e = e->next) {
    ctl_trace("psc0230", "Evaluation name = %s\n", e->eval_name);
    ctl_trace("psc0235", " on cursor %s\n", e->cursor_name);
    ctl_trace("psc0240", "Column = %s\n", e->column);
    const char* op = e->op_lt && e->op_gt   ? "<>"
                     : e->op_lt && e->op_eq ? "<="
                     : e->op_gt && e->op_eq ? ">="
                     : e->op_lt             ? "<"
                     : e->op_gt             ? ">"
                                            : "=";
    ctl_trace("psc0245", "Operand = %s\n", op);
    if (e->value_type == 2) {
      ctl_trace("psc0250", "Value = %.100s\n", e->value_text.c_str());
    } else {
      ctl_trace("psc0251", "Value = %f\n", e->value);
    }
    ctl_trace("psc0255", "Col_funct = %d\n", e->col_funct);
    ctl_trace("psc0260", "Ordinal = %d\n", e->ordinal);
  }
}

}  // namespace

void show_curs() {
  if (!ctl_tracing()) return;
  for (const curs* c = anchors.cur_anchor; c; c = c->next) {
    ctl_trace("psc0030", "Cursor name = %s\n", c->cur_name);
    ctl_trace("psc0035", "Last Cursor time= %s\n", c->last_time);
    ctl_trace("psc0040", "Raw_insert_select= %.80s\n", c->raw_insert_select.c_str());
    ctl_trace("psc0045", "Insert sel len= %d\n", static_cast<int>(c->raw_insert_select.size()));
    ctl_trace("psc0050", "Text len= %d\n", static_cast<int>(c->select.size()) + 1);
    ctl_trace("psc0055", "Select= %.70s\n", c->select.c_str());
    ctl_trace("psc0055", "Limit= %d\n", c->limit);
    ctl_trace("psc0060", "Time Limit= %d\n", c->time_limit);
    ctl_trace("psc0065", "Row length= %d\n", c->row_size);
    if (c->has_col_funct) ctl_trace("psc0070", "Has Column Function(s)\n");
    show_columns(c);
    ctl_trace("psc0150", "Ins where= %.80s..\n", c->insert_where.c_str());
    ctl_trace("psc0155", "Insert= %.60s\n", c->insert.c_str());
    ctl_trace("psc0160", "Table= %s\n", c->table_name.c_str());
    show_windows(c->saturday, "psc0165", "Saturday start= %d\n", "psc0170", "Saturday end= %d\n");
    show_windows(c->sunday, "psc0175", "Sunday start= %d\n", "psc0180", "Sunday end= %d\n");
    show_windows(c->mon_fri, "psc0185", "Mon_Fri start= %d\n", "psc0190", "Mon_Fri end= %d\n");
    char open[15], close[15];
    ctl_secs_text(open, c->window_open);
    ctl_secs_text(close, c->window_close);
    ctl_trace("psc0195", "Window open at %s\n", open);
    ctl_trace("psc0200", "Window closes at %s\n", close);
    ctl_trace("psc0205", "Interval= %d\n", c->interval);
    if (c->history) {
      ctl_trace("psc0210", "History applies\n");
    } else {
      ctl_trace("psc0215", "History does not apply\n");
    }
    if (c->demand) {
      ctl_trace("psc0220", "Demand cursor\n");
    } else {
      ctl_trace("psc0225", "Not a demand cursor\n");
    }
    show_evals(c);
  }
}
