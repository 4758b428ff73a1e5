// The page's entry: the same delegate, controller and show as the desktop
// program, on the browser's host. The page (platform/web/page.js) has
// fetched the faces and the track into /resources and loaded the faces into
// the browser before this runs.
#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "app/AppDelegate.h"
#include "content/Content.h"
#include "content/ShowFile.h"
#include "content/ShowFileCheck.h"
#include "platform/web/BrowserFontFace.h"
#include "platform/web/WebAudioPlayer.h"
#include "platform/web/WebHost.h"
#include "show/CueSheet.h"
#include "show/ViewController.h"
#include "ui/Bundle.h"
#include "ui/Font.h"
#include "ui/Random.h"
#include "ui/RunLoop.h"
#include "ui/Screen.h"
#include "ui/TextLayout.h"

// clang-format off
EM_JS(int, invited_option_gentle, (), { return invited.options.gentle ? 1 : 0; });
// Show time of a still frame, or NaN for the live show.
EM_JS(double, invited_option_still_at, (), { return invited.options.at; });
// The seed of the random draws, or -1 for the system's.
EM_JS(double, invited_option_seed, (), { return invited.options.seed; });
EM_JS(void, invited_page_state, (const char* state), { invited.setState(UTF8ToString(state)); });
EM_JS(void, invited_page_fail, (const char* message), { invited.fail(UTF8ToString(message)); });
// The track to fetch and decode: the organiser's or the show's own.
EM_JS(void, invited_audio_fetch, (const char* url), { invited.audio.fetch(UTF8ToString(url)); });
// clang-format on

// The width of a text laid out in one of the three fonts ("system", "bold"
// or a font name), for the page's tests: what the browser's text engine
// gives the toolkit's layout.
extern "C" EMSCRIPTEN_KEEPALIVE double invited_text_width(const char* font, const char* text,
                                                          double size) {
  const std::string name = font;
  const std::optional<ui::Font> chosen = name == "system" ? ui::Font::systemFont(size)
                                         : name == "bold" ? ui::Font::boldSystemFont(size)
                                                          : ui::Font::named(name, size);
  return chosen ? ui::TextLayout::naturalSize(text, *chosen).width : -1;
}

namespace {

// The organiser's show file beside index.html, which the page put at
// /show.toml: read and checked as the desktop program reads it. Its
// problems, one a line, or nothing.
std::string installShowFile() {
  std::ifstream in("/show.toml", std::ios::binary);
  if (!in) {
    return {};
  }
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  content::ShowFile file = content::ShowFile::read(bytes, "show.toml");
  content::ShowFileCheck::run(file);
  if (file.hasErrors()) {
    std::string lines;
    for (const content::ShowProblem& problem : file.problems()) {
      lines += problem.describe() + "\n";
    }
    return lines;
  }
  content::installShow(file.settings());
  return {};
}

// A still frame of the show at `showTime`, as the offline renderer draws it:
// the start screen is clicked at show time −4, its fade ends at 0 and cue p
// is due at p × 0.0625; run-loop time is show time + 4.
void drawStill(web::WebHost& host, double showTime, bool gentle) {
  constexpr double clickTime = -4.0, runLoopOffset = 4.0;
  const ui::Size size = web::WebHost::pageSize();
  ui::Screen::main().setBounds({0, 0, size.width, size.height});
  static auto window = std::make_shared<ui::Window>(ui::Rect{0, 0, size.width, size.height});
  static auto controller = std::make_shared<ViewController>(gentle);
  window->setRootViewController(controller);
  window->makeKeyAndVisible();
  ui::RunLoop::main().runUntil(0);
  if (showTime >= clickTime) {
    const ui::Point middle{size.width * 0.5, size.height * 0.5};
    window->touchDown(middle);
    window->touchUp(middle);
  }
  const double runLoopTime = std::max(0.0, showTime + runLoopOffset);
  ui::RunLoop::main().runUntil(runLoopTime);
  host.drawNow(runLoopTime);
}

}  // namespace

int main() {
  ui::Bundle::main() = ui::Bundle("/resources", "invited");
  // The working folder is the page's: a show file's music is found beside it.
  std::filesystem::current_path("/");
  web::BrowserFontFace::install();
  const double stillAt = invited_option_still_at();
  const bool still = !std::isnan(stillAt);
  const bool gentle = invited_option_gentle() != 0;
  web::WebAudioPlayer::install(still);
  // The page has no threads; its player is made in a moment anyway.
  ui::AudioPlayer::setMadeInBackground(false);
  if (const double seed = invited_option_seed(); seed >= 0) {
    ui::Random::setSource(std::make_unique<ui::SeededRandomSource>(std::uint64_t(seed)));
  }
  ui::RunLoop::main().reset(0);
  if (const std::string problems = installShowFile(); !problems.empty()) {
    invited_page_fail(("The show file show.toml cannot be played:\n" + problems).c_str());
    return 1;
  }
  {
    // The program checks that its track is there; the browser fetches it
    // (a still frame plays none).
    const std::string track = content::musicFile() ? *content::musicFile() : "resources/audio.m4a";
    const std::filesystem::path stand = std::filesystem::path("/") / track;
    std::error_code error;
    std::filesystem::create_directories(stand.parent_path(), error);
    std::ofstream(stand) << '\0';
    if (!still) {
      invited_audio_fetch(track.c_str());
    }
  }

  static web::WebHost host(still);
  if (!host.ok()) {
    invited_page_fail("This browser cannot draw the show: it has no WebGL2.");
    return 1;
  }
  ui::Window::setHost(&host);
  if (still) {
    drawStill(host, stillAt, gentle);
    invited_page_state("still");
    return 0;
  }
  const ui::Size size = web::WebHost::pageSize();
  ui::Screen::main().setBounds({0, 0, size.width, size.height});
  AppDelegate::Options options;
  options.gentle = gentle;
  static auto delegate = std::make_shared<AppDelegate>(options);
  delegate->didFinishLaunchingWithOptions({});
  host.setCuePeriod(CueSheet::kCueInterval);
  host.run();
  invited_page_state("start");
  return 0;
}
