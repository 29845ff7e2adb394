// The probe program: the agent's end of the transport as a command-line tool.
// It finds the collector from the same settings and options the collector
// names its pipe and key file with, sends one request and prints the answer.
//
//   probe [-t shm|pipe] [-f table|csv|json|raw|openmetrics] [-m] [collector options] NAME
//   [PARAMETER ...]
//
// A request carries at most 40 parameters; over shared memory each has at
// most 19 characters (a longer one is refused as bad usage).
//
// Exit status: 0 answered (also RETRACE and SHUTDOWN, which answer no rows),
// 1 the answer has no rows, 2 the collector cannot be reached or the
// transport failed, 3 bad usage.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "comm/comm.h"
#include "comm/pipe_io.h"
#include "comm/probe_format.h"
#include "comm/probe_openmetrics.h"
#include "comm/probe_request.h"
#include "comm/request_record.h"
#include "comm/share_comm.h"
#include "comm/share_init.h"
#include "driver/cmdline.h"
#include "driver/exporter.h"
#include "driver/usage.h"
#include "util/command_line.h"
#include "util/print_state.h"
#include "util/settings.h"

namespace {
constexpr int kAnswered = 0, kNoRows = 1, kUnreachable = 2, kUsage = 3;

const char kUsageText[] =
    "usage: probe [-t shm|pipe] [-f table|csv|json|raw|openmetrics] [-m] [collector options] NAME "
    "[PARAMETER ...] (at most 40 parameters, each at most 19 characters over shared memory)";

struct probe_options {
  const char* transport = nullptr;  // "shm", "pipe" or null (the settings choose)
  output_format format = output_format::table;
  bool messages = false;      // show the transport's messages on standard error
  bool openmetrics = false;   // -f openmetrics: the answer as OpenMetrics text
  exporter_options exporter;  // --listen given: serve /metrics instead of asking once
  std::string name;
  std::vector<std::string> parms;
};

int fail(int status, const std::string& text) {
  fprintf(stderr, "probe: %s\n", text.c_str());
  return status;
}

bool parse_format(const char* text, output_format* out) {
  static const struct {
    const char* word;
    output_format format;
  } kFormats[] = {{"table", output_format::table},
                  {"csv", output_format::csv},
                  {"json", output_format::json},
                  {"raw", output_format::raw}};
  for (const auto& f : kFormats)
    if (strcmp(text, f.word) == 0) {
      *out = f.format;
      return true;
    }
  return false;
}

// Reads the probe's own leading options, then lets the collector's readers
// take their options and the settings from the environment. Returns 0 or
// kUsage after printing why.
int read_command_line(int argc, char** argv, probe_options* opt) {
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    const char* a = argv[i];
    if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
      fputs(kProbeUsage, stdout);
      exit(kAnswered);
    }
    if (strcmp(a, "-m") == 0) {
      opt->messages = true;
      continue;
    }
    if (strcmp(a, "--listen") == 0 || strcmp(a, "--cursors") == 0) {
      if (i + 1 >= argc) return fail(kUsage, std::string("option ") + a + " needs a value");
      const char* value = argv[++i];
      if (a[2] == 'l') {
        opt->exporter.listen = value;
      } else if (std::string why = read_cursor_list(value, &opt->exporter.cursors); !why.empty()) {
        return fail(kUsage, why);
      }
      continue;
    }
    if (strcmp(a, "-t") != 0 && strcmp(a, "-f") != 0) break;
    if (i + 1 >= argc) return fail(kUsage, std::string("option ") + a + " needs a value");
    const char* value = argv[++i];
    if (a[1] == 't') {
      if (strcmp(value, "shm") != 0 && strcmp(value, "pipe") != 0)
        return fail(kUsage, std::string("unknown transport '") + value + "'");
      opt->transport = value;
    } else if (strcmp(value, "openmetrics") == 0) {
      opt->openmetrics = true;
    } else if (!parse_format(value, &opt->format)) {
      return fail(kUsage, std::string("unknown format '") + value + "'");
    }
  }
  // The collector's option readers see the rest as the collector would; the
  // option-table reader insists on a program name of at least 5 characters.
  std::vector<char*> rest;
  static char program[] = "probe";
  rest.push_back(strlen(argv[0]) >= 5 ? argv[0] : program);
  for (int k = i; k < argc; ++k) rest.push_back(argv[k]);
  rest.push_back(nullptr);
  const int rest_count = static_cast<int>(rest.size()) - 1;
  int consumed = QVB_getenv(rest_count, rest.data());
  // The leading keyword options are read by the first reader too, which also
  // accepts forms the option table does not.
  std::vector<char*> leading(command_line.Argv.begin(), command_line.Argv.begin() + 1 + consumed);
  parse_argv(static_cast<int>(leading.size()), leading.data());
  int at = 1 + consumed;
  if (!opt->exporter.listen.empty()) {
    if (at < command_line.Argc)
      return fail(kUsage, std::string("--listen asks for no name: ") +
                              command_line.Argv[static_cast<size_t>(at)]);
    if (opt->transport)
      env_vars.useshm = env_store(strcmp(opt->transport, "pipe") == 0 ? "0" : "1");
    return 0;
  }
  if (!opt->exporter.cursors.empty()) return fail(kUsage, "--cursors goes with --listen");
  if (at >= command_line.Argc)
    return fail(kUsage, std::string("no cursor name or control word; ") + kUsageText);
  opt->name = command_line.Argv[static_cast<size_t>(at)];
  if (opt->name[0] == '-')
    return fail(kUsage, "unknown option " + opt->name + " (see probe --help)");
  if (opt->name.size() > kMaxRequestName || opt->name.find_first_of(" ,") != std::string::npos)
    return fail(kUsage, "'" + opt->name +
                            "' is not a cursor name (at most 8 characters, no "
                            "blank or comma)");
  for (int k = at + 1; k < command_line.Argc; ++k)
    opt->parms.emplace_back(command_line.Argv[static_cast<size_t>(k)]);
  if (opt->transport) env_vars.useshm = env_store(strcmp(opt->transport, "pipe") == 0 ? "0" : "1");
  if (opt->parms.size() > static_cast<size_t>(kMaxParms))
    return fail(kUsage, "too many parameters (" + std::to_string(opt->parms.size()) +
                            "); a request carries at most " + std::to_string(kMaxParms));
  // Shared memory holds each parameter in a slot of its own; a longer one
  // would reach the cursor cut.
  for (size_t k = 0; k < opt->parms.size() && !use_pipes(); ++k)
    if (opt->parms[k].size() > kShareParmMax)
      return fail(kUsage, "parameter " + std::to_string(k + 1) + " has " +
                              std::to_string(opt->parms[k].size()) +
                              " characters; shared memory carries at most " +
                              std::to_string(kShareParmMax));
  return 0;
}

// Keeps the transport's messages off the answer: they go to standard error
// with -m and nowhere otherwise. Returns the stream the answer is printed on.
FILE* separate_answer(bool messages) {
  int answer_fd = dup(STDOUT_FILENO);
  int target = messages ? STDERR_FILENO : open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (answer_fd < 0 || target < 0) return stdout;
  dup2(target, STDOUT_FILENO);
  if (!messages) {
    close(target);
    print_globals.log_stream = fopen("/dev/null", "w");
  }
  return fdopen(answer_fd, "w");
}

// Why the collector cannot be reached, or empty when it looks reachable.
std::string unreachable_cause() {
  if (use_pipes()) {
    const std::string& path = collector_pipe_name();
    return Access(path) ? "" : "no collector pipe " + path + " (is the collector running?)";
  }
  std::string key = share_key_file(env_vars.serverid);
  FILE* f = fopen(key.c_str(), "r");
  if (!f) return "no key file " + key + " (is the collector running?)";
  int pids[2] = {-1, -1};
  bool ok = fscanf(f, "%d %d", &pids[0], &pids[1]) == 2;
  fclose(f);
  if (!ok) return "unreadable key file " + key;
  for (int pid : pids)
    if (pid > 0 && IsServerRunning(pid)) return "";
  return "no process named in key file " + key + " is running (is the collector running?)";
}

bool is_control_word(const std::string& name) {
  for (const char* w : {"RETRACE", "SHUTDOWN", "C-STATUS", "D-STATUS", "C-LAYOUT"})
    if (name == w) return true;
  return false;
}

// Decodes an answer into named columns by what was asked.
answer_table decode(const std::string& name, const probe_answer& answer,
                    const std::vector<column_layout>& layout) {
  answer_table table;
  if (name == "C-STATUS")
    decode_status_answer(answer, cursor_status_fields(), kCursorStatusLen, &table);
  else if (name == "D-STATUS")
    decode_status_answer(answer, process_status_fields(), kProcessStatusLen, &table);
  else if (name == "C-LAYOUT")
    decode_status_answer(answer, column_layout_fields(), kColumnLayoutLen, &table);
  else
    decode_cursor_answer(answer, layout, &table);
  // Records the decoders do not recognise are still shown.
  if (table.names.empty()) table = hex_records(answer);
  return table;
}
// A stop while a request is out leaves nothing behind, then ends the
// process by the signal as it would have without the handler.
void on_stop_signal(int sig) {
  probe_release_now();
  raise(sig);
}

void handle_stop_signals() {
  struct sigaction act = {};
  act.sa_handler = on_stop_signal;
  act.sa_flags = SA_RESETHAND;
  sigemptyset(&act.sa_mask);
  sigaddset(&act.sa_mask, SIGINT);
  sigaddset(&act.sa_mask, SIGTERM);
  sigaction(SIGINT, &act, nullptr);
  sigaction(SIGTERM, &act, nullptr);
}
}  // namespace

int main(int argc, char** argv) {
  probe_options opt;
  if (int rc = read_command_line(argc, argv, &opt); rc != 0) return rc;
  FILE* out = separate_answer(opt.messages);
  if (!opt.exporter.listen.empty()) return run_exporter(opt.exporter);
  handle_stop_signals();

  if (std::string cause = unreachable_cause(); !cause.empty()) return fail(kUnreachable, cause);
  probe_answer answer;
  comm_anchor* anchor = probe_open(&answer);
  if (!anchor) return fail(kUnreachable, "cannot open the transport: " + answer.error_text);
  // A pipe's request record holds the reply path and the parameters in 300 bytes.
  if (use_pipes() && encode_request(opt.name, anchor->probe_pipe, opt.parms).empty()) {
    probe_close(anchor);
    return fail(kUsage, "the parameters do not fit one request (at most " +
                            std::to_string(kMaxRequestLen) + " bytes with the reply path)");
  }
  // A cursor's records are decoded with its column layout, asked first. A
  // layout that does not describe the records (lengths fixed by the cursor's
  // first run, or a run that changed its columns) is asked for again after them.
  const bool by_layout = opt.format != output_format::raw && !is_control_word(opt.name);
  const std::vector<std::string> layout_parms{opt.name};
  std::vector<column_layout> layout;
  if (by_layout) {
    if (probe_ask(anchor, "C-LAYOUT", layout_parms, &answer) != 0) {
      probe_close(anchor);
      return fail(kUnreachable, "request C-LAYOUT failed: " + answer.error_text);
    }
    layout = decode_layout_answer(answer);
  }
  probe_ask(anchor, opt.name, opt.parms, &answer);
  if (by_layout && answer.error_code == 0 && answer.rows > 0 &&
      !cursor_layout_fits(answer, layout)) {
    probe_answer again;
    if (probe_ask(anchor, "C-LAYOUT", layout_parms, &again) == 0)
      layout = decode_layout_answer(again);
  }
  probe_close(anchor);
  if (answer.error_code != 0)
    return fail(kUnreachable, "request " + opt.name + " failed: " + answer.error_text);

  if (answer.rows == 0 || answer.row_len == 0) {
    if (opt.name == "RETRACE" || opt.name == "SHUTDOWN") return kAnswered;
    return fail(kNoRows, "no rows for " + opt.name);
  }
  // Large answers are written in pieces as they are rendered, the records
  // read in place.
  auto write_piece = [out](std::string& piece) {
    fwrite(piece.data(), 1, piece.size(), out);
    piece.clear();
  };
  std::string text;
  if (opt.format == output_format::raw)
    text = format_raw(answer, write_piece);
  else if (opt.openmetrics) {
    if (!format_cursor_openmetrics(answer, layout, "collector", opt.name, &text, write_piece))
      text = format_openmetrics(decode(opt.name, answer, layout), "collector", opt.name);
  } else if (!format_cursor_answer(answer, layout, opt.format, &text, write_piece))
    text = format_answer(decode(opt.name, answer, layout), opt.format);
  fwrite(text.data(), 1, text.size(), out);
  return fflush(out) == 0 && !ferror(out) ? kAnswered
                                          : fail(kUnreachable, "cannot write the answer");
}
