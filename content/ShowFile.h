#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "content/ShowProblem.h"
#include "content/ShowSettings.h"

namespace content {

// An organiser's show file: TOML that sets the invitation's last three
// words, the closing line, the affirmations, the palette, the music, the
// start screen's credits and the window's title (docs/SHOW-FILE.md).
//
// Reading takes the file's bytes and its name and nothing else, so every
// program (and the web page) reads it the same way: it never touches the
// file system. What needs more than the bytes (the fonts: ShowFileCheck;
// the music: the programs' own check) is checked apart, and reported
// through report() at the place the value was written.
class ShowFile {
 public:
  // Far more than any show needs; a larger file is refused unread.
  static constexpr std::size_t kLargestFile = 64 * 1024;
  static constexpr std::size_t kMostAffirmations = 1000;
  static constexpr std::size_t kMostCreditLines = 20;
  // Characters in one text; the fonts' checks bound the words further.
  static constexpr std::size_t kLongestText = 200;

  struct Position {
    int line = 1;
    int column = 1;
  };

  // Never fails: a file with mistakes gives settings for what was right
  // and one problem per mistake.
  static ShowFile read(std::string_view bytes, const std::string& name);

  const std::string& name() const { return name_; }
  const ShowSettings& settings() const { return settings_; }
  const std::vector<ShowProblem>& problems() const { return problems_; }
  bool hasErrors() const;

  // Where a value was written, by its key ("party") or a list entry
  // ("affirmations[2]"); the file's start for a key it does not hold.
  Position positionOf(const std::string& key) const;

  void report(const std::string& key, std::string what, std::string allowed,
              ShowProblem::Severity severity = ShowProblem::Severity::Error);

 private:
  explicit ShowFile(std::string name) : name_(std::move(name)) {}
  void add(Position at, std::string what, std::string allowed,
           ShowProblem::Severity severity = ShowProblem::Severity::Error);

  std::string name_;
  ShowSettings settings_;
  std::vector<ShowProblem> problems_;
  std::map<std::string, Position> positions_;
};

}  // namespace content
