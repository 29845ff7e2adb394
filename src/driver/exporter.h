// The probe as a Prometheus exporter: a long-running process that answers
// GET /metrics by asking the collector for its cursors over the usual
// transport, one request per cursor per scrape.
#pragma once

#include <string>
#include <vector>

struct exporter_options {
  std::string listen;                // "ADDRESS:PORT", an IPv4 address
  std::vector<std::string> cursors;  // the cursors asked; empty: every interval cursor
  std::string prefix = "collector";  // first part of every metric name
};

// Splits a --cursors value at commas into `out`. Returns "" or why the list
// is refused (an empty name, one longer than 8 characters or holding a blank).
std::string read_cursor_list(const std::string& text, std::vector<std::string>* out);

// Serves on opt.listen until SIGINT or SIGTERM, one scrape at a time, in
// this thread. The settings must be read already (they name the collector).
// Returns the probe's exit status: 0 after a signal, 2 when the address
// cannot be listened on, 3 when it is no IPv4 address and port.
int run_exporter(const exporter_options& opt);
