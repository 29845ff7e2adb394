// The DB data sets of fetch exits and the conversion of one value.
#include "exits/db_data.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "util/print.h"

char* _rowData::value(const _anchorDBdata& set, size_t i) {
  return buffer.data() + set.Acoldata[i].offset;
}

std::unique_ptr<_anchorDBX> DBX_init(const char* a, const char* b, const char* c) {
  auto x = std::make_unique<_anchorDBX>();
  x->ident[0] = a ? a : "";
  x->ident[1] = b ? b : "";
  x->ident[2] = c ? c : "";
  return x;
}

_anchorDBdata* DB_DATA_init(_anchorDBX* anchor, _anchorDBdata* related, int16_t id) {
  for (_anchorDBdata* s = related; s; s = s->related_next)
    if (s->set_id == id) return s;
  auto set = std::make_unique<_anchorDBdata>();
  set->set_id = id;
  set->owner = anchor;
  if (related) {
    _anchorDBdata* tail = related;
    while (tail->related_next) tail = tail->related_next;
    tail->related_next = set.get();
  }
  anchor->sets.push_back(std::move(set));
  anchor->current = anchor->sets.back().get();
  return anchor->current;
}

_columnData* COLUMN_DATA_init(_anchorDBdata* set, int count) {
  if (set->Acoldata.empty() && count > 0) {
    set->Acoldata.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
      set->Acoldata[static_cast<size_t>(i)].ordinal = static_cast<int16_t>(i + 1);
    set->column_count = static_cast<int16_t>(count);
  }
  return set->Acoldata.empty() ? nullptr : set->Acoldata.data();
}

void COLUMN_DATA_layout(_anchorDBdata* set) {
  int32_t off = 0;
  for (_columnData& c : set->Acoldata) {
    c.offset = static_cast<int16_t>(off);
    off += c.max_len + 1;  // each value keeps room for its terminator
  }
  set->maxRowSize = static_cast<int16_t>(off + 1);
}

_rowData* ROW_DATA_init(_anchorDBdata* set) {
  auto row = std::make_unique<_rowData>();
  row->buffer.assign(static_cast<size_t>(set->maxRowSize), '\0');
  row->indicator.assign(set->Acoldata.size(), -1);
  _rowData* r = row.get();
  if (set->last_row)
    set->last_row->next = std::move(row);
  else
    set->first_row = std::move(row);
  set->last_row = r;
  ++set->row_count;
  ++set->rows_created;
  set->has_rows = true;
  return r;
}

_rowData* ROW_DATA_get_first(_anchorDBdata* set) { return set->first_row.get(); }
_rowData* ROW_DATA_get_next(_rowData* row) { return row ? row->next.get() : nullptr; }

void ROW_DATA_drop_last(_anchorDBdata* set) {
  if (!set->first_row) return;
  if (set->first_row.get() == set->last_row) {
    set->first_row.reset();
    set->last_row = nullptr;
  } else {
    _rowData* r = set->first_row.get();
    while (r->next.get() != set->last_row) r = r->next.get();
    r->next.reset();
    set->last_row = r;
  }
  --set->row_count;
  set->has_rows = set->row_count > 0;
}

void ROW_DATA_free(_anchorDBdata* set) {
  // Iteratively, so a long chain does not recurse through the destructors.
  std::unique_ptr<_rowData> r = std::move(set->first_row);
  while (r) r = std::move(r->next);
  set->last_row = nullptr;
  set->row_count = 0;
  set->has_rows = false;
}

void freeDBresults(_anchorDBdata* set, char mode) {
  std::vector<_anchorDBdata*> chain;
  for (_anchorDBdata* s = set; s; s = s->related_next) chain.push_back(s);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    _anchorDBdata* s = *it;
    ROW_DATA_free(s);
    if (mode == 'c' || mode == 'a') {
      s->Acoldata.clear();
      s->column_count = 0;
    }
    if (mode == 'a' && s->owner) {
      _anchorDBX* a = s->owner;
      if (a->current == s) a->current = nullptr;
      for (size_t i = 0; i < a->sets.size(); ++i)
        if (a->sets[i].get() == s) {
          a->sets.erase(a->sets.begin() + static_cast<long>(i));
          break;
        }
    }
  }
}

namespace {

int place_text(int target_len, char* target, const char* text, int len, int options) {
  if (target_len <= 0) return 0;
  if (options & CD_TRIM)
    while (len > 0 && (text[len - 1] == ' ' || text[len - 1] == '\t' || text[len - 1] == '\n' ||
                       text[len - 1] == '\r'))
      --len;
  std::string v(text, static_cast<size_t>(len));
  if (v.empty()) v = " ";
  if ((options & CD_QUOTE) && v.find(' ') != std::string::npos && v[0] != '"') {
    bool dq = v.find('"') != std::string::npos, ap = v.find('\'') != std::string::npos;
    char q = !dq ? '"' : !ap ? '\'' : '\t';
    if (target_len >= 2) {
      if (static_cast<int>(v.size()) > target_len - 2)
        v.resize(static_cast<size_t>(target_len - 2));
      v = q + v + q;
    }
  }
  if (static_cast<int>(v.size()) > target_len) v.resize(static_cast<size_t>(target_len));
  int n = static_cast<int>(v.size());
  int placed = n;
  if (options & CD_RIGHT) {
    memset(target, ' ', static_cast<size_t>(target_len - n));
    memcpy(target + target_len - n, v.data(), static_cast<size_t>(n));
    placed = target_len;
  } else {
    memcpy(target, v.data(), static_cast<size_t>(n));
    if (options & CD_PAD) {
      memset(target + n, ' ', static_cast<size_t>(target_len - n));
      placed = target_len;
    }
  }
  if (!(options & CD_NO_NUL)) target[placed] = '\0';
  return placed;
}

}  // namespace

int convertData(int target_len, char* target, int target_type, int src_len, const char* src,
                int src_type, int options) {
  char digits[24];
  if (src_type == 2) {  // binary source: written as decimal text first
    long long v = 0;
    if (src_len == 2) {
      int16_t s;
      memcpy(&s, src, 2);
      v = s;
    } else if (src_len == 8) {
      int64_t s;
      memcpy(&s, src, 8);
      v = s;
    } else {
      int32_t s;
      memcpy(&s, src, 4);
      v = s;
    }
    src_len = snprintf(digits, sizeof digits, "%lld", v);
    src = digits;
    if (!(options & CD_NO_RIGHT_BIN)) options |= CD_RIGHT;
  }
  if (src_len < 0) src_len = static_cast<int>(strlen(src));
  if (target_type != 2) return place_text(target_len, target, src, src_len, options);

  std::string text(src, static_cast<size_t>(src_len));
  const char* allowed = target_len >= 8 ? "0123456789+-. eEdD" : "0123456789+-. ";
  for (char c : text)
    if (!strchr(allowed, c) || c == '\0') {
      PRINT('w', "diu4030", "Binary to character conversion error. Value:%s(%c)\n", text.c_str(),
            c);
      return 0;
    }
  long long v = strtoll(text.c_str(), nullptr, 10);
  if (target_len == 1) {
    auto b = static_cast<int8_t>(v);
    memcpy(target, &b, 1);
    return 1;
  }
  if (target_len == 2) {
    auto s = static_cast<int16_t>(v);
    memcpy(target, &s, 2);
    return 2;
  }
  auto w = static_cast<int32_t>(v);
  memcpy(target, &w, 4);
  return 4;
}
