// The exporter mode of the probe, on libmicrohttpd driven from this thread:
// each GET /metrics opens a probe end, asks for every cursor (its column
// layout only when not known yet or no longer fitting), closes the end and
// answers with the cursors' gauge families and the exporter's own metrics.
#include "driver/exporter.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/select.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <type_traits>

#include "comm/comm.h"
#include "comm/pipe_io.h"
#include "comm/probe_openmetrics.h"
#include "comm/probe_request.h"
#include "comm/share_init.h"
#include "comm/status_record.h"
#include "util/settings.h"

namespace {
// The calls of libmicrohttpd, loaded when the exporter starts: a probe that
// asks once should not load the library and the TLS stack behind it.
struct http_library {
  decltype(&MHD_start_daemon) start_daemon;
  decltype(&MHD_stop_daemon) stop_daemon;
  decltype(&MHD_get_fdset2) get_fdset2;
  decltype(&MHD_get_timeout) get_timeout;
  decltype(&MHD_run_from_select) run_from_select;
  decltype(&MHD_create_response_from_buffer) create_response_from_buffer;
  decltype(&MHD_add_response_header) add_response_header;
  decltype(&MHD_queue_response) queue_response;
  decltype(&MHD_destroy_response) destroy_response;
};
http_library mhd;

// Fills `mhd`. Returns "" or what could not be loaded.
std::string load_http_library() {
  void* lib = dlopen("libmicrohttpd.so.12", RTLD_NOW | RTLD_LOCAL);
  if (!lib) return dlerror();
  bool all = true;
  auto bind = [&](auto& fn, const char* name) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
    all = all && fn;
  };
  bind(mhd.start_daemon, "MHD_start_daemon");
  bind(mhd.stop_daemon, "MHD_stop_daemon");
  bind(mhd.get_fdset2, "MHD_get_fdset2");
  bind(mhd.get_timeout, "MHD_get_timeout");
  bind(mhd.run_from_select, "MHD_run_from_select");
  bind(mhd.create_response_from_buffer, "MHD_create_response_from_buffer");
  bind(mhd.add_response_header, "MHD_add_response_header");
  bind(mhd.queue_response, "MHD_queue_response");
  bind(mhd.destroy_response, "MHD_destroy_response");
  return all ? "" : "libmicrohttpd.so.12 lacks a call the exporter needs";
}

// What lives from one scrape to the next.
struct exporter_state {
  const exporter_options* opt = nullptr;
  std::map<std::string, std::vector<column_layout>> layouts;  // cursor -> its last layout
  std::map<std::string, long> errors;                         // cursor -> failed requests so far
};

volatile sig_atomic_t stop_requested = 0;

// Whether the collector looks reachable: its request pipe is there, or a
// process of its key file is alive. Asked before every scrape, since a
// request to a collector that is gone only waits out its timeout; the
// process is tested with kill(pid, 0), which costs no shell command.
bool collector_running() {
  if (use_pipes()) return Access(collector_pipe_name());
  FILE* f = fopen(share_key_file(env_vars.serverid).c_str(), "r");
  if (!f) return false;
  int pids[2] = {-1, -1};
  const bool read = fscanf(f, "%d %d", &pids[0], &pids[1]) == 2;
  fclose(f);
  for (int pid : pids)
    if (read && pid > 0 && (kill(pid, 0) == 0 || errno == EPERM)) return true;
  return false;
}

void on_stop(int) { stop_requested = 1; }

// The interval cursors of a C-STATUS answer, in chain order.
std::vector<std::string> interval_cursors(const probe_answer& answer) {
  answer_table t;
  std::vector<std::string> out;
  if (!decode_status_answer(answer, cursor_status_fields(), kCursorStatusLen, &t)) return out;
  size_t name = 0, state = 0;
  for (size_t c = 0; c < t.names.size(); ++c) {
    if (t.names[c] == "cur_name") name = c;
    if (t.names[c] == "state") state = c;
  }
  for (const auto& row : t.rows)
    if (row[state] == "INTERVAL") out.push_back(row[name]);
  return out;
}

// Asks for one cursor and appends its families. Returns false when a request
// failed or the records could not be decoded.
bool scrape_cursor(exporter_state& st, comm_anchor* end, const std::string& cursor,
                   std::string* families, int* skipped) {
  const std::vector<std::string> layout_parms{cursor};
  auto ask_layout = [&](std::vector<column_layout>* layout) {
    probe_answer a;
    if (probe_ask(end, "C-LAYOUT", layout_parms, &a) != 0) return false;
    *layout = decode_layout_answer(a);
    return true;
  };
  std::vector<column_layout>& layout = st.layouts[cursor];
  if (layout.empty() && !ask_layout(&layout)) return false;
  probe_answer answer;
  if (probe_ask(end, cursor, {}, &answer) != 0) return false;
  answer_table table;
  if (answer.rows > 0 && answer.row_len > 0 && !decode_cursor_answer(answer, layout, &table)) {
    // The cursor's columns changed since the layout was asked.
    if (!ask_layout(&layout) || !decode_cursor_answer(answer, layout, &table)) return false;
  }
  *skipped = append_openmetrics(table, st.opt->prefix, cursor, families);
  return true;
}

// One family of the exporter's own, one sample per cursor.
void per_cursor_family(std::string* out, const std::string& name, const char* type,
                       const char* help, const std::vector<std::string>& cursors,
                       const std::vector<std::string>& values, const char* suffix = "") {
  *out += "# TYPE " + name + " " + type + "\n# HELP " + name + " " + help + "\n";
  for (size_t i = 0; i < cursors.size(); ++i)
    *out +=
        name + suffix + "{cursor=\"" + openmetrics_escape(cursors[i]) + "\"} " + values[i] + "\n";
}

std::string scrape(exporter_state& st) {
  using clock = std::chrono::steady_clock;
  const std::string prefix = metric_name_part(st.opt->prefix);
  std::string families;
  probe_answer opened;
  comm_anchor* end = collector_running() ? probe_open(&opened) : nullptr;
  bool up = end != nullptr;
  std::vector<std::string> cursors = st.opt->cursors;
  if (end && cursors.empty()) {
    probe_answer status;
    up = probe_ask(end, "C-STATUS", {}, &status) == 0;
    cursors = interval_cursors(status);
  }
  std::vector<std::string> seconds, errors, skipped;
  for (const std::string& cursor : cursors) {
    const auto start = clock::now();
    int skip = 0;
    if (!end || !scrape_cursor(st, end, cursor, &families, &skip)) {
      ++st.errors[cursor];
      up = false;
    }
    const std::chrono::duration<double> took = clock::now() - start;
    char text[32];
    snprintf(text, sizeof text, "%.6f", took.count());
    seconds.emplace_back(text);
    errors.push_back(std::to_string(st.errors[cursor]));
    skipped.push_back(std::to_string(skip));
  }
  if (end) probe_close(end);

  std::string out = "# TYPE " + prefix + "_up gauge\n# HELP " + prefix +
                    "_up 1 when the collector answered every request of this scrape.\n" + prefix +
                    "_up " + (up ? "1" : "0") + "\n";
  per_cursor_family(&out, prefix + "_request_duration_seconds", "gauge",
                    "Seconds the request for the cursor took in this scrape.", cursors, seconds);
  per_cursor_family(&out, prefix + "_request_errors", "counter",
                    "Requests for the cursor that failed since the exporter started.", cursors,
                    errors, "_total");
  per_cursor_family(&out, prefix + "_skipped_values", "gauge",
                    "Values of numeric columns that were not numbers.", cursors, skipped);
  return out + families + "# EOF\n";
}

MHD_Result respond(MHD_Connection* connection, unsigned status, const std::string& body,
                   const char* type) {
  MHD_Response* r = mhd.create_response_from_buffer(body.size(), const_cast<char*>(body.data()),
                                                    MHD_RESPMEM_MUST_COPY);
  if (!r) return MHD_NO;
  mhd.add_response_header(r, MHD_HTTP_HEADER_CONTENT_TYPE, type);
  MHD_Result ret = mhd.queue_response(connection, status, r);
  mhd.destroy_response(r);
  return ret;
}

MHD_Result on_request(void* cls, MHD_Connection* connection, const char* url, const char* method,
                      const char*, const char*, size_t*, void**) {
  auto& st = *static_cast<exporter_state*>(cls);
  constexpr char kText[] = "text/plain; charset=utf-8";
  if (strcmp(method, MHD_HTTP_METHOD_GET) != 0 && strcmp(method, MHD_HTTP_METHOD_HEAD) != 0)
    return respond(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "only GET\n", kText);
  if (strcmp(url, "/metrics") != 0)
    return respond(connection, MHD_HTTP_NOT_FOUND, "the metrics are at /metrics\n", kText);
  return respond(connection, MHD_HTTP_OK, scrape(st),
                 "application/openmetrics-text; version=1.0.0; charset=utf-8");
}

bool read_address(const std::string& text, sockaddr_in* out) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos) return false;
  const std::string host = text.substr(0, colon), port = text.substr(colon + 1);
  char* rest = nullptr;
  const long n = strtol(port.c_str(), &rest, 10);
  if (port.empty() || *rest || n < 1 || n > 65535) return false;
  *out = sockaddr_in{};
  out->sin_family = AF_INET;
  out->sin_port = htons(static_cast<uint16_t>(n));
  return inet_pton(AF_INET, host.c_str(), &out->sin_addr) == 1;
}
}  // namespace

std::string read_cursor_list(const std::string& text, std::vector<std::string>* out) {
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    const std::string name = text.substr(start, comma - start);
    if (name.empty() || name.size() > 8 || name.find(' ') != std::string::npos)
      return "'" + name + "' is not a cursor name (at most 8 characters, no blank)";
    out->push_back(name);
    if (comma == std::string::npos) return "";
    start = comma + 1;
  }
}

int run_exporter(const exporter_options& opt) {
  sockaddr_in addr;
  if (!read_address(opt.listen, &addr)) {
    fprintf(stderr, "probe: '%s' is not an IPv4 address and port\n", opt.listen.c_str());
    return 3;
  }
  if (std::string why = load_http_library(); !why.empty()) {
    fprintf(stderr, "probe: the exporter needs libmicrohttpd: %s\n", why.c_str());
    return 2;
  }
  exporter_state st;
  st.opt = &opt;
  MHD_Daemon* daemon = mhd.start_daemon(MHD_NO_FLAG, ntohs(addr.sin_port), nullptr, nullptr,
                                        &on_request, &st, MHD_OPTION_SOCK_ADDR, &addr,
                                        MHD_OPTION_CONNECTION_TIMEOUT, 30u, MHD_OPTION_END);
  if (!daemon) {
    fprintf(stderr, "probe: cannot listen on %s: %s\n", opt.listen.c_str(), strerror(errno));
    return 2;
  }
  // No SA_RESTART: a signal ends the wait below at once.
  struct sigaction act = {};
  act.sa_handler = on_stop;
  sigemptyset(&act.sa_mask);
  sigaction(SIGINT, &act, nullptr);
  sigaction(SIGTERM, &act, nullptr);
  while (!stop_requested) {
    fd_set rs, ws, es;
    FD_ZERO(&rs);
    FD_ZERO(&ws);
    FD_ZERO(&es);
    MHD_socket max = 0;
    if (mhd.get_fdset2(daemon, &rs, &ws, &es, &max, FD_SETSIZE) != MHD_YES) break;
    // A signal just before select is seen within a second.
    timeval tv = {1, 0};
    MHD_UNSIGNED_LONG_LONG ms = 0;
    if (mhd.get_timeout(daemon, &ms) == MHD_YES && ms < 1000)
      tv = {0, static_cast<suseconds_t>(ms * 1000)};
    if (select(max + 1, &rs, &ws, &es, &tv) < 0 && errno != EINTR) break;
    mhd.run_from_select(daemon, &rs, &ws, &es);
  }
  mhd.stop_daemon(daemon);
  return 0;
}
