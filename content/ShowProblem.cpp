#include "content/ShowProblem.h"

#include <cstdio>

namespace content {

namespace {

// A problem is told on one line whatever the file holds: a line break or
// another control character quoted from it (a key, the parser's own words)
// is written as an escape.
std::string oneLine(const std::string& text) {
  std::string line;
  line.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      line += "\\n";
    } else if (c == '\t') {
      line += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      line += escape;
    } else {
      line += c;
    }
  }
  return line;
}

}  // namespace

std::string ShowProblem::describe() const {
  std::string text = oneLine(file) + ":" + std::to_string(line) + ":" + std::to_string(column) +
                     ": " + (severity == Severity::Error ? "error: " : "warning: ") + oneLine(what);
  if (!allowed.empty()) {
    text += "; allowed: " + oneLine(allowed);
  }
  return text;
}

}  // namespace content
