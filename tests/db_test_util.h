// Test helpers for the database client: a temporary directory, a real SQLite
// file made from SQL, and running a query through every client step into
// printable rows.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/db_client.h"

// A directory under /tmp removed with everything in it at the end.
class temp_dir {
 public:
  temp_dir() {
    char tmpl[] = "/tmp/collector-db.XXXXXX";
    path_ = mkdtemp(tmpl) ? tmpl : "";
  }
  ~temp_dir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  temp_dir(const temp_dir&) = delete;
  temp_dir& operator=(const temp_dir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

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

// The outcome of one query: the code of the step that ended it (100 after all
// rows), the described items, the fetched rows as "value|value|..." where a
// NULL shows as "NULL", a cut value as "value~indicator", and codes of skipped
// rows as "#code".
struct query_result {
  int32_t rc = 0;
  std::vector<db_item> items;
  std::vector<std::string> rows;
};

// Runs `sql` on `session` through prepare, declare, open, describe, fetch and
// close, giving every item a buffer of `buf_len` bytes.
inline query_result run_query(db_session& session, const std::string& sql, int buf_len = 40) {
  query_result r;
  db_statement st(session);
  if ((r.rc = st.prepare(sql)) != 0 || (r.rc = st.declare()) != 0 || (r.rc = st.open()) != 0)
    return r;
  db_descriptor d(60);
  if ((r.rc = st.describe(d)) != 0) return r;
  std::vector<std::vector<char>> bufs(d.item.size(), std::vector<char>(buf_len, '\x7f'));
  std::vector<int16_t> inds(d.item.size(), 99);
  for (size_t i = 0; i < d.item.size(); ++i) {
    d.item[i].buf = bufs[i].data();
    d.item[i].buf_len = buf_len;
    d.item[i].ind = &inds[i];
  }
  for (int guard = 0; guard < 1000; ++guard) {
    int32_t rc = st.fetch(d);
    if (rc == sql_invalid_number || rc == sql_bad_date) {
      r.rows.push_back("#" + std::to_string(rc));
      continue;
    }
    if (rc != 0) {
      r.rc = rc;
      break;
    }
    std::string row;
    for (size_t i = 0; i < d.item.size(); ++i) {
      if (i) row += '|';
      const db_item& it = d.item[i];
      if (inds[i] == -1) {
        row += "NULL";
        continue;
      }
      row.append(it.buf, static_cast<size_t>(it.returned_octets));
      if (inds[i] > 0) row += "~" + std::to_string(inds[i]);
      // Past the value the buffer must be zero.
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
