#include <CLI/CLI.hpp>
#include <iostream>
#include <string>

#include "app/AppDelegate.h"
#include "content/Content.h"
#include "platform/ApplicationMain.h"
#include "platform/media/PlayerFactory.h"
#include "show/CueSheet.h"
#include "show/ShowFileLoader.h"
#include "ui/Bundle.h"
#include "ui/Font.h"

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
  AppDelegate::Options options;
  cli.add_flag("--gentle", options.gentle,
               "Plays the show with its flashes kept under three a second");
  std::string showFile;
  std::string checkFile;
  auto* show = cli.add_option("--show", showFile,
                              "Plays the organiser's show from this file (see invited(1))");
  cli.add_option("--check", checkFile,
                 "Checks a show file, prints \"ok\" or its problems, and exits")
      ->excludes(show);
  cli.add_flag("--autostart", options.autostart,
               "Starts the show without a click, once the start screen has stood for 4 s");
  cli.add_flag("--loop", options.loop,
               "Plays the show again from the start screen after its final black, forever");
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

  // A show file is checked whole, before any window: the fonts its texts
  // are measured with first, then the file, its texts and its music.
  const std::string& path = checkFile.empty() ? showFile : checkFile;
  if (!path.empty()) {
    if (auto failure = ui::Font::loadFaces()) {
      std::cerr << "invited: " << *failure << " (reinstalling invited restores it)\n";
      return 1;
    }
    const ShowFileLoader::Outcome outcome = ShowFileLoader::load(path);
    ShowFileLoader::print(outcome, std::cerr);
    if (!outcome.accepted()) {
      return 1;
    }
    if (!checkFile.empty()) {
      std::cout << "ok\n";
      return 0;
    }
    content::installShow(outcome.settings);
  }
  shell.title = content::windowTitle();
  shell.cuePeriod = CueSheet::kCueInterval;
  return platform::applicationMain(
      argc, argv, [options] { return std::make_shared<AppDelegate>(options); }, shell);
}
