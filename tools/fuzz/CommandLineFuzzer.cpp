// Turns arbitrary bytes into an argument vector for invited-render's command
// line: each NUL byte ends an argument. Whatever the arguments, the parser
// must answer with a request or a status, never crash, hang or leak.
//
// The parser tries to open the output path for writing, so each input is
// parsed in an empty folder of its own and '/' never reaches it: every path
// the fuzzer makes stays inside that folder. Between inputs the process is
// back in its own folder, where libFuzzer reads and writes its files.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tools/fuzz/CpuTimeLimit.h"
#include "tools/render/CommandLine.h"

namespace {

std::filesystem::path sandbox;

void removeSandbox() {
  std::error_code ignored;
  std::filesystem::remove_all(sandbox, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Named by the process number at a fixed width, not at random: the paths
  // the parser builds from it then take the same steps on every run.
  char name[32];
  std::snprintf(name, sizeof name, "invited-fuzz-argv-%010d", static_cast<int>(getpid()));
  sandbox = std::filesystem::temp_directory_path() / name;
  std::error_code error;
  std::filesystem::remove_all(sandbox, error);
  if (!std::filesystem::create_directory(sandbox, error)) {
    std::abort();
  }
  ::chmod(sandbox.c_str(), 0700);
  std::atexit(removeSandbox);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CpuTimeLimit limit;
  std::vector<std::string> arguments{"invited-render"};
  std::string current;
  for (std::size_t i = 0; i < size; ++i) {
    char c = static_cast<char>(data[i]);
    if (c == '\0') {
      arguments.push_back(current);
      current.clear();
    } else {
      current.push_back(c == '/' ? '_' : c);
    }
  }
  if (!current.empty()) {
    arguments.push_back(current);
  }
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) {
    argv.push_back(argument.c_str());
  }
  argv.push_back(nullptr);

  const std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::current_path(sandbox);
  std::ostringstream out;
  std::ostringstream err;
  auto outcome =
      render::CommandLine::parse(static_cast<int>(arguments.size()), argv.data(), out, err);
  // A refusal always says why; an accepted request always has a place to go,
  // except the flash count, which reports on the terminal.
  if (!outcome.request && outcome.status != 0 && err.str().empty()) {
    std::abort();
  }
  if (outcome.request && outcome.request->command != render::RenderCommand::Flashes &&
      outcome.request->output.empty()) {
    std::abort();
  }
  // The output check may make a trial file; it must not be left behind.
  if (!std::filesystem::is_empty(sandbox)) {
    std::abort();
  }
  std::filesystem::current_path(home);
  return 0;
}
