// The settings table as one comparable text: "slot=value" for every set slot
// in table order, then the dictionary parameters as "-name=value".
#pragma once

#include <string>

#include "ctl/dict.h"
#include "util/settings.h"

inline std::string settings_text() {
  const env_table& t = env_vars;
  const std::pair<const char*, const char*> slots[] = {
      {"coll_home", t.coll_home}, {"ctl_home", t.ctl_home},       {"bin_home", t.bin_home},
      {"coll_out", t.coll_out},   {"hostname", t.hostname},       {"hostlogonid", t.hostlogonid},
      {"serverid", t.serverid},   {"logonid", t.logonid},         {"password", t.password},
      {"errorlog", t.errorlog},   {"db_type", t.db_type},         {"cell_name", t.cell_name},
      {"tmpdir", t.tmpdir},       {"localtmpdir", t.localtmpdir}, {"useshm", t.useshm},
      {"cfgdir", t.cfgdir},       {"db_home", t.db_home},         {"db_version", t.db_version},
  };
  std::string s;
  for (const auto& [name, value] : slots)
    if (value) s += std::string(name) + "=" + value + " ";
  if (t.maxreadsz_errorlog) s += "maxread=" + std::to_string(t.maxreadsz_errorlog) + " ";
  if (t.nosignals) s += "nosignals=" + std::to_string(t.nosignals) + " ";
  for (const auto& [name, value] : dict_parms) s += "-" + name + "=" + value + " ";
  if (!s.empty()) s.pop_back();
  return s;
}
