#include "content/ShowProblem.h"

namespace content {

std::string ShowProblem::describe() const {
  std::string text = file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " +
                     (severity == Severity::Error ? "error: " : "warning: ") + what;
  if (!allowed.empty()) {
    text += "; allowed: " + allowed;
  }
  return text;
}

}  // namespace content
