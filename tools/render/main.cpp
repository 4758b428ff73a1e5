#include <iostream>

#include "platform/media/Ffmpeg.h"
#include "tools/render/CommandLine.h"
#include "tools/render/Exporter.h"
#include "ui/Bundle.h"

int main(int argc, char** argv) {
  platform::ffmpeg::setLogPolicy();
  auto outcome = render::CommandLine::parse(argc, argv, std::cout, std::cerr);
  if (!outcome.request) {
    return outcome.status;
  }
  ui::Bundle::main() = ui::Bundle::installed("invited", "invited-render");
  return render::Exporter(std::cerr).run(*outcome.request);
}
