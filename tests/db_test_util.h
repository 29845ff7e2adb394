// Test helpers for the database client: a real SQLite file made from SQL, and
// running a statement through every client step, into printable rows when it
// is a query.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "platform/db_client.h"
#include "std_capture.h"

// Creates (or extends) the SQLite file `path` by running `sql`; fails the test
// on an SQL error.
inline void make_sqlite_file(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  char* err = nullptr;
  int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
  std::string msg = err ? err : "";
  sqlite3_free(err);
  sqlite3_close(db);
  ASSERT_EQ(rc, SQLITE_OK) << msg;
}

// Runs `sql` through prepare, declare and open; returns the first failing code.
inline int32_t exec_sql(db_session& session, const std::string& sql) {
  db_statement st(session);
  int32_t rc = st.prepare(sql);
  if (rc == 0) rc = st.declare();
  if (rc == 0) rc = st.open();
  return rc;
}

// The outcome of one query: the code of the step that ended it (100 after all
// rows), the described items, the fetched rows as "value|value|..." where a
// NULL shows as "NULL", a cut value as "value~indicator", and codes of skipped
// rows as "#code".
struct query_result {
  int32_t rc = 0;
  std::vector<db_item> items;
  std::vector<std::string> rows;
};

// Runs `sql` on `session` through every step to close, giving every item a
// buffer of `buf_len` bytes; bytes past each value must come back zero.
inline query_result run_query(db_session& session, const std::string& sql, int buf_len = 40) {
  query_result r;
  db_statement st(session);
  db_descriptor d(60);
  if ((r.rc = st.prepare(sql)) || (r.rc = st.declare()) || (r.rc = st.open()) ||
      (r.rc = st.describe(d)))
    return r;
  std::vector<std::vector<char>> bufs(d.item.size(), std::vector<char>(buf_len, '\x7f'));
  std::vector<int16_t> inds(d.item.size(), 99);
  for (size_t i = 0; i < d.item.size(); ++i)
    d.item[i].buf = bufs[i].data(), d.item[i].buf_len = buf_len, d.item[i].ind = &inds[i];
  for (int guard = 0; guard < 1000; ++guard) {
    int32_t rc = st.fetch(d);
    if (rc == sql_invalid_number || rc == sql_bad_date) {
      r.rows.push_back("#" + std::to_string(rc));
      continue;
    }
    if ((r.rc = rc) != 0) break;
    std::string row;
    for (size_t i = 0; i < d.item.size(); ++i) {
      const db_item& it = d.item[i];
      row += i ? "|" : "";
      if (inds[i] == -1) {
        row += "NULL";
        continue;
      }
      row.append(it.buf, static_cast<size_t>(it.returned_octets));
      if (inds[i] > 0) row += "~" + std::to_string(inds[i]);
      for (int k = it.returned_octets; k < buf_len; ++k)
        if (it.buf[k] != 0) ADD_FAILURE() << "byte " << k << " of item " << i << " not zeroed";
    }
    r.rows.push_back(row);
  }
  for (db_item& it : d.item) it.buf = nullptr, it.ind = nullptr;
  r.items = d.item;
  int32_t crc = st.close();
  if (r.rc == sql_no_data && crc != 0) r.rc = crc;
  return r;
}

// The described items of `r`, each as "name type length precision scale chars bytes nls".
inline std::vector<std::string> described_items(const query_result& r) {
  std::vector<std::string> out;
  for (const db_item& it : r.items) {
    out.push_back(it.name);
    for (int v : {int(it.type), int(it.length), int(it.precision), int(it.scale),
                  int(it.col_size_chars), int(it.col_size_bytes), int(it.nls_flag)})
      out.back() += " " + std::to_string(v);
  }
  return out;
}
