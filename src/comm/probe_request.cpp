// One probe request over either transport, built on the function words.
#include "comm/probe_request.h"

#include <string>

#include "comm/comm.h"
#include "comm/request_record.h"
#include "comm/share_init.h"
#include "util/settings.h"

namespace {
void fail(probe_answer* out, int code, std::string text) {
  *out = probe_answer{};
  out->error_code = code;
  out->error_text = std::move(text);
}
}  // namespace

comm_anchor* probe_open(probe_answer* out) {
  *out = probe_answer{};
  if (!use_pipes() && InitShare(env_vars.serverid) != 0) {
    fail(out, kCommShareError, "Share memory generic error");
    return nullptr;
  }
  comm_anchor* anchor = qvzcomm("init").anchor;
  if (!anchor) {
    fail(out, kCommPipe, "Cannot open the probe end of the transport");
    if (!use_pipes()) qvzcomm("shut");
  }
  return anchor;
}

void probe_close(comm_anchor* anchor) {
  if (anchor) qvzcomm("term", anchor);
  if (!use_pipes()) qvzcomm("shut");
}

int probe_ask(comm_anchor* anchor, std::string_view name, std::span<const std::string> parms,
              probe_answer* out) {
  *out = probe_answer{};
  if (!anchor) {
    fail(out, kCommNoMemory, "No memory available");
    return out->error_code;
  }
  if (name.empty() || name.size() > kMaxRequestName ||
      name.find_first_of(" ,") != std::string_view::npos) {
    fail(out, kCommPipe, "Invalid request name '" + std::string(name) + "'");
    return out->error_code;
  }
  size_t count = parms.size() < static_cast<size_t>(kMaxParms) ? parms.size() : kMaxParms;
  anchor->probe_parms.assign(parms.begin(), parms.begin() + static_cast<std::ptrdiff_t>(count));
  std::string names(name);
  int status = qvzcomm("get", anchor, names.c_str()).status;
  if (status != 0 || anchor->entries.empty()) {
    fail(out, status ? status : kCommPipe,
         anchor->error_text.empty() ? "No answer" : anchor->error_text);
    return out->error_code;
  }
  curs_list& entry = anchor->entries.front();
  out->rows = entry.rows;
  out->row_len = entry.row_len;
  out->data = std::move(entry.data);
  anchor->entries.clear();
  return 0;
}

probe_answer probe_request(std::string_view name, std::span<const std::string> parms) {
  probe_answer out;
  comm_anchor* anchor = probe_open(&out);
  if (anchor) probe_ask(anchor, name, parms, &out);
  probe_close(anchor);
  return out;
}
