#pragma once

#include <string>

namespace content {

// One mistake (or doubt) in a show file, told as one line:
// "FILE:LINE:COLUMN: error: WHAT; allowed: ALLOWED".
struct ShowProblem {
  enum class Severity { Error, Warning };

  std::string file;
  int line = 1;    // from 1
  int column = 1;  // from 1, in characters
  std::string what;
  std::string allowed;  // may be empty when the message says it all
  Severity severity = Severity::Error;

  std::string describe() const;
};

}  // namespace content
