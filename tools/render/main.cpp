#include <iostream>

#include "CommandLine.h"
#include "Exporter.h"
#include "platform/LeakCheck.h"

int main(int argc, char** argv) {
  auto outcome = render::CommandLine::parse(argc, argv, std::cout, std::cerr);
  if (!outcome.request) {
    return outcome.status;
  }
  const int status = render::Exporter(std::cerr).run(*outcome.request);
  platform::checkLeaksBeforeExit();
  return status;
}
