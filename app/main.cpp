#include <CLI/CLI.hpp>
#include <iostream>

#include "app/AppDelegate.h"
#include "platform/ApplicationMain.h"
#include "platform/media/PlayerFactory.h"
#include "ui/Bundle.h"

namespace {

// A mistake on the command line, as opposed to a failure of the show itself.
constexpr int usageStatus = 2;

}  // namespace

int main(int argc, char** argv) {
  // Parsed before anything touches the display, so that --help, --version and
  // a mistake answer on a machine with no screen at all.
  CLI::App cli{"Plays the 64-second show \"you are invited\" in a window.", "invited"};
  cli.set_version_flag("--version", "invited " INVITED_VERSION);
  platform::ShellOptions shell;
  cli.add_flag("--fullscreen", shell.fullScreen,
               "Opens the window full screen (F11 or Escape leave it)");
  bool gentle = false;
  cli.add_flag("--gentle", gentle, "Plays the show with its flashes kept under three a second");
  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) {  // --help, --version
      return cli.exit(error, std::cout, std::cerr);
    }
    std::cerr << "invited: " << error.what() << " (invited --help lists the options)\n";
    return usageStatus;
  }

  platform::installPlayerFactory();
  ui::Bundle::main() = ui::Bundle::installed("invited", "invited");
  return platform::applicationMain(
      argc, argv, [gentle] { return std::make_shared<AppDelegate>(gentle); }, shell);
}
