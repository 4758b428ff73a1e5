// Arbitrary bytes as a show file: reading them and checking the texts
// against the fonts must answer with settings and problems, never crash,
// hang or leak, and every problem must be one line at a place in the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "content/ShowFile.h"
#include "content/ShowFileCheck.h"
#include "tools/fuzz/CpuTimeLimit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CpuTimeLimit limit;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  content::ShowFile file = content::ShowFile::read(bytes, "fuzz.toml");
  content::ShowFileCheck::run(file);
  for (const content::ShowProblem& problem : file.problems()) {
    if (problem.line < 1 || problem.column < 1 ||
        problem.describe().find('\n') != std::string::npos) {
      std::abort();
    }
  }
  return 0;
}
