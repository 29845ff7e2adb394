// Message lines as tests compare them: the header reduced to the id and class
// letter, so that the time and source position of a line do not matter.
#pragma once

#include <regex>
#include <sstream>
#include <string>
#include <vector>

// Splits `output` into lines. A message line ("ID" + class letter, an
// optional "(HHMMSS)", an optional "FILE(LINE)", the text) becomes
// "IDL text"; a "+ " put before a line that had nowhere else to go is
// dropped. With `messages_only`, other lines (command output) are left out.
inline std::vector<std::string> message_lines(const std::string& output,
                                              bool messages_only = true) {
  static const std::regex header(
      R"(^([A-Z]{2,4}[0-9]{4,5}[A-Z]) (\([0-9]{6}\) )?([A-Z0-9_.\-]+\([0-9]+\) )?)");
  std::vector<std::string> lines;
  std::istringstream in(output);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("+ ", 0) == 0) line.erase(0, 2);
    std::smatch m;
    if (std::regex_search(line, m, header))
      lines.push_back(m[1].str() + " " + m.suffix().str());
    else if (!messages_only)
      lines.push_back(line);
  }
  return lines;
}
