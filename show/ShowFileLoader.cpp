#include "show/ShowFileLoader.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "content/ShowFile.h"
#include "content/ShowFileCheck.h"
#include "ui/AudioPlayer.h"

namespace {

using content::ShowProblem;

ShowFileLoader::Outcome refused(const std::string& path, std::string what, std::string allowed) {
  ShowFileLoader::Outcome outcome;
  outcome.problems.push_back({path, 1, 1, std::move(what), std::move(allowed)});
  return outcome;
}

void checkMusic(content::ShowFile& file) {
  const auto& music = file.settings().music;
  if (!music) {
    return;
  }
  // A folder, a pipe or a device is no music, and a pipe could block the check.
  std::error_code error;
  const auto status = std::filesystem::status(*music, error);
  const char* kAllowed =
      "a sound file the show can play (MP3, AAC, Ogg, FLAC, WAV…), "
      "its path relative to the show file";
  if (!std::filesystem::exists(status)) {
    file.report("music", "the music '" + *music + "' does not exist", kAllowed);
    return;
  }
  if (!std::filesystem::is_regular_file(status)) {
    file.report("music", "the music '" + *music + "' is not a file", kAllowed);
    return;
  }
  std::string reason;
  auto player = ui::AudioPlayer::createWithContentsOfURL(*music, reason);
  if (!player) {
    std::replace(reason.begin(), reason.end(), '\n', ' ');
    file.report("music", "the music '" + *music + "' cannot be played: " + reason, kAllowed);
    return;
  }
  const double seconds = player->duration();
  if (seconds > 0 && seconds < ShowFileLoader::kShowLength) {
    char length[32];
    std::snprintf(length, sizeof length, "%.1f", seconds);
    file.report("music",
                "the music '" + *music + "' lasts " + length +
                    " s, less than the show's 64 s: the show ends in silence",
                "music of 64 s or longer", ShowProblem::Severity::Warning);
  }
}

}  // namespace

bool ShowFileLoader::Outcome::accepted() const {
  return std::none_of(problems.begin(), problems.end(), [](const ShowProblem& p) {
    return p.severity == ShowProblem::Severity::Error;
  });
}

ShowFileLoader::Outcome ShowFileLoader::load(const std::string& path) {
  constexpr const char* kAllowed = "a show file: TOML text, as docs/SHOW-FILE.md describes";
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (!std::filesystem::exists(status)) {
    return refused(path, "cannot read the show file: no such file", kAllowed);
  }
  if (!std::filesystem::is_regular_file(status)) {
    return refused(path, "cannot read the show file: not a regular file", kAllowed);
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return refused(path, "cannot read the show file: permission denied or unreadable", kAllowed);
  }
  // One byte past the limit is enough to know the file is too large.
  std::string bytes(content::ShowFile::kLargestFile + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (in.bad()) {
    return refused(path, "cannot read the show file: a read error", kAllowed);
  }
  if (bytes.size() > content::ShowFile::kLargestFile) {
    const auto size = std::filesystem::file_size(path, error);
    return refused(
        path,
        "the file has " +
            (error ? "more than " + std::to_string(content::ShowFile::kLargestFile)
                   : std::to_string(size)) +
            " bytes",
        "a show file of at most " + std::to_string(content::ShowFile::kLargestFile) + " bytes");
  }

  // Every check runs, each on what the file set correctly, so that one
  // reading tells every mistake.
  content::ShowFile file = content::ShowFile::read(bytes, path);
  content::ShowFileCheck::run(file);
  checkMusic(file);
  Outcome outcome;
  outcome.settings = file.settings();
  outcome.problems = file.problems();
  // In the file's order, so a person fixes them top to bottom.
  std::stable_sort(outcome.problems.begin(), outcome.problems.end(),
                   [](const ShowProblem& a, const ShowProblem& b) {
                     return std::pair(a.line, a.column) < std::pair(b.line, b.column);
                   });
  return outcome;
}

void ShowFileLoader::print(const Outcome& outcome, std::ostream& out) {
  for (const ShowProblem& problem : outcome.problems) {
    out << problem.describe() << "\n";
  }
}
