#pragma once

#include <optional>
#include <ostream>

#include "tools/render/RenderRequest.h"

namespace render {

// Reads invited-render's command line. Help goes to `out`; any mistake is
// explained on `err` and yields the usage status, before any work starts.
class CommandLine {
 public:
  static constexpr int usageStatus = 2;

  struct Outcome {
    std::optional<RenderRequest> request;  // none: exit with `status`
    int status = 0;
  };

  static Outcome parse(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

  // "WxH" with both sides in pixels; none when it is not of that form.
  static std::optional<std::pair<int, int>> parseSize(const std::string& text);
};

}  // namespace render
