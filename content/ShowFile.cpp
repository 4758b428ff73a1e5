#include "content/ShowFile.h"

#include <algorithm>
#include <cstdio>
#include <optional>

// Header-only and without exceptions: the same code builds for the web page,
// where exceptions are off, and a mistake is a value to report, not a throw.
#define TOML_HEADER_ONLY 1
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include "content/Utf8.h"

namespace content {

namespace {

using Severity = ShowProblem::Severity;

constexpr const char* kKeys[] = {"party",   "dates", "town",    "closing_line", "affirmations",
                                 "palette", "music", "credits", "shown_at",     "title"};

std::string allKeys() {
  std::string list;
  for (const char* key : kKeys) {
    list += list.empty() ? "" : ", ";
    list += key;
  }
  return list;
}

// Edits between two short words, for "did you mean".
std::size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) {
    row[j] = j;
  }
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1] ? 1 : 0)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::optional<std::string> nearestKey(std::string_view key) {
  if (key.size() > 40) {
    return std::nullopt;
  }
  std::optional<std::string> best;
  std::size_t bestDistance = 3;  // two edits at most: a typo, not another word
  for (const char* candidate : kKeys) {
    const std::size_t distance = editDistance(key, candidate);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = candidate;
    }
  }
  return best;
}

std::string typeName(const toml::node& node) {
  switch (node.type()) {
    case toml::node_type::string:
      return "a string";
    case toml::node_type::integer:
      return "an integer";
    case toml::node_type::floating_point:
      return "a number";
    case toml::node_type::boolean:
      return "true or false";
    case toml::node_type::date:
      return "a date";
    case toml::node_type::time:
      return "a time";
    case toml::node_type::date_time:
      return "a date and time";
    case toml::node_type::array:
      return "a list";
    case toml::node_type::table:
      return "a table";
    case toml::node_type::none:
      break;
  }
  return "nothing";
}

// Where the first byte that is not UTF-8 sits, as a line and a column of
// characters; none when every byte is.
std::optional<ShowFile::Position> firstNonUtf8(std::string_view bytes) {
  ShowFile::Position at;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 0;
    char32_t smallest = 0;
    char32_t c = 0;
    if (lead < 0x80) {
      length = 1;
      c = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, smallest = 0x80, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, smallest = 0x800, c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, smallest = 0x10000, c = lead & 0x07;
    } else {
      return at;
    }
    if (i + length > bytes.size()) {
      return at;
    }
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) {
        return at;
      }
      c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    if (c < smallest || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
      return at;
    }
    if (c == '\n') {
      ++at.line;
      at.column = 1;
    } else {
      ++at.column;
    }
    i += length;
  }
  return std::nullopt;
}

std::size_t characterCount(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

bool hasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

// toml++ 3.3 asks of some characters, where whitespace may stand, whether
// they are whitespace, and for about 2800 code points (Latin-1 to Cyrillic
// among them) its table reaches a branch it marks unreachable: undefined
// behaviour on a plain "é" after a value. Those code points are lent a
// stand-in from the private use area for the parse and given back in every
// text taken from it. Code points come and go whole, so every line and
// column stays true.
constexpr char32_t kStandInBase = 0xE000;
constexpr char32_t kStandInEnd = 0xEC00;  // three blocks of 0x400

// The block (0, 1 or 2) of a code point that trips the table; -1 for the rest.
int trippingBlock(char32_t c) {
  if (c <= 0xA0 || c >= 0xFEFF || c == 0x3000) {
    return -1;
  }
  const auto index = (c - 0xA0) / 0x3FA;
  if ((1ull << index) & 0x7FFFFFFFFFFFF75Eull) {
    return -1;
  }
  switch (index) {
    case 0:
      return 0;
    case 11:
      return 1;
    case 63:
      return 2;
    default:
      return -1;  // the table answers these
  }
}

constexpr char32_t kBlockStart[] = {0xA0, 0xA0 + 11 * 0x3FA, 0xA0 + 63 * 0x3FA};

std::string lendStandIns(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (char32_t c : codePoints(text)) {
    const int block = trippingBlock(c);
    appendUtf8(out, block < 0 ? c : kStandInBase + 0x400 * block + (c - kBlockStart[block]));
  }
  return out;
}

std::string giveBack(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : codePoints(text)) {
    if (c >= kStandInBase && c < kStandInEnd) {
      const auto block = (c - kStandInBase) / 0x400;
      c = kBlockStart[block] + (c - kStandInBase) % 0x400;
    }
    appendUtf8(out, c);
  }
  return out;
}

// The first code point the stand-ins would be taken for, with its place.
std::optional<std::pair<ShowFile::Position, char32_t>> firstStandIn(std::string_view text) {
  ShowFile::Position at;
  std::optional<std::pair<ShowFile::Position, char32_t>> found;
  for (char32_t c : codePoints(text)) {
    if (!found && c >= kStandInBase && c < kStandInEnd) {
      found = std::pair(at, c);
    }
    if (c == '\n') {
      ++at.line;
      at.column = 1;
    } else {
      ++at.column;
    }
  }
  return found;
}

ShowFile::Position positionOf(const toml::source_region& region) {
  return {static_cast<int>(std::max<toml::source_index>(region.begin.line, 1)),
          static_cast<int>(std::max<toml::source_index>(region.begin.column, 1))};
}

// Parses "#RRGGBB" into an opaque colour, each component n / 255.
std::optional<ui::Color> parseColor(std::string_view text) {
  if (text.size() != 7 || text[0] != '#') {
    return std::nullopt;
  }
  int components[3] = {};
  for (int k = 0; k < 3; ++k) {
    int value = 0;
    for (int digit = 0; digit < 2; ++digit) {
      const char c = text[static_cast<std::size_t>(1 + 2 * k + digit)];
      int nibble = 0;
      if (c >= '0' && c <= '9') {
        nibble = c - '0';
      } else if (c >= 'a' && c <= 'f') {
        nibble = c - 'a' + 10;
      } else if (c >= 'A' && c <= 'F') {
        nibble = c - 'A' + 10;
      } else {
        return std::nullopt;
      }
      value = value * 16 + nibble;
    }
    components[k] = value;
  }
  return ui::Color::withRGBA(components[0] / 255.0, components[1] / 255.0, components[2] / 255.0,
                             1.0);
}

// Reads one file's table into a ShowFile, one key at a time.
class Reader {
 public:
  Reader(ShowFile& file, std::map<std::string, ShowFile::Position>& positions)
      : file_(file), positions_(positions) {}

  // How one text may look, for the message that refuses it.
  struct TextRule {
    const char* allowed;
    bool mayBeEmpty = false;
  };

  std::optional<std::string> text(const std::string& key, const toml::node& node,
                                  const TextRule& rule) {
    positions_[key] = positionOf(node.source());
    const auto* value = node.as_string();
    if (!value) {
      file_.report(key, "'" + key + "' is " + typeName(node), rule.allowed);
      return std::nullopt;
    }
    const std::string text = giveBack(value->get());
    if (text.empty() && !rule.mayBeEmpty) {
      file_.report(key, "'" + key + "' is empty", rule.allowed);
      return std::nullopt;
    }
    if (hasControlCharacter(text)) {
      file_.report(key, "'" + key + "' holds a line break, tab or other control character",
                   "one line of text");
      return std::nullopt;
    }
    if (characterCount(text) > ShowFile::kLongestText) {
      file_.report(key, "'" + key + "' has " + std::to_string(characterCount(text)) + " characters",
                   "at most " + std::to_string(ShowFile::kLongestText));
      return std::nullopt;
    }
    return text;
  }

  // A list of texts with `fewest` to `most` entries; none when the list or
  // any entry is wrong (each wrong entry is reported).
  std::optional<std::vector<std::string>> texts(const std::string& key, const toml::node& node,
                                                std::size_t fewest, std::size_t most,
                                                const char* what, const TextRule& rule) {
    positions_[key] = positionOf(node.source());
    const auto* array = node.as_array();
    const std::string range = "a list of " + std::to_string(fewest) +
                              (fewest == most ? "" : " to " + std::to_string(most)) + " " + what;
    if (!array) {
      file_.report(key, "'" + key + "' is " + typeName(node), range);
      return std::nullopt;
    }
    if (array->empty()) {
      file_.report(key, "'" + key + "' is an empty list", range);
      return std::nullopt;
    }
    if (array->size() < fewest || array->size() > most) {
      file_.report(key,
                   "'" + key + "' has " + std::to_string(array->size()) +
                       (array->size() == 1 ? " entry" : " entries"),
                   range);
      return std::nullopt;
    }
    std::vector<std::string> list;
    bool whole = true;
    for (std::size_t i = 0; i < array->size(); ++i) {
      const std::string entry = key + "[" + std::to_string(i) + "]";
      if (auto value = text(entry, *array->get(i), rule)) {
        list.push_back(std::move(*value));
      } else {
        whole = false;
      }
    }
    return whole ? std::optional(std::move(list)) : std::nullopt;
  }

  std::optional<std::array<ui::Color, 5>> palette(const toml::node& node) {
    static constexpr const char* kColor = "a colour written #RRGGBB, e.g. \"#FB8B24\"";
    auto list =
        texts("palette", node, 5, 5, "colours (orange, pink, purple, dark, green roles)", {kColor});
    if (!list) {
      return std::nullopt;
    }
    std::array<ui::Color, 5> colors;
    bool whole = true;
    for (std::size_t i = 0; i < list->size(); ++i) {
      if (auto color = parseColor((*list)[i])) {
        colors[i] = *color;
      } else {
        const std::string entry = "palette[" + std::to_string(i) + "]";
        file_.report(entry, "'" + entry + "' is \"" + (*list)[i] + "\", not a colour", kColor);
        whole = false;
      }
    }
    return whole ? std::optional(colors) : std::nullopt;
  }

 private:
  ShowFile& file_;
  std::map<std::string, ShowFile::Position>& positions_;
};

// The folder part of a path as it was given, with its last '/'.
std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

bool ShowFile::hasErrors() const {
  return std::any_of(problems_.begin(), problems_.end(),
                     [](const ShowProblem& p) { return p.severity == Severity::Error; });
}

ShowFile::Position ShowFile::positionOf(const std::string& key) const {
  auto found = positions_.find(key);
  return found != positions_.end() ? found->second : Position{};
}

void ShowFile::add(Position at, std::string what, std::string allowed, Severity severity) {
  problems_.push_back({name_, at.line, at.column, std::move(what), std::move(allowed), severity});
}

void ShowFile::report(const std::string& key, std::string what, std::string allowed,
                      Severity severity) {
  add(positionOf(key), std::move(what), std::move(allowed), severity);
}

ShowFile ShowFile::read(std::string_view bytes, const std::string& name) {
  ShowFile file(name);
  if (bytes.size() > kLargestFile) {
    file.add({}, "the file has " + std::to_string(bytes.size()) + " bytes",
             "a show file of at most " + std::to_string(kLargestFile) + " bytes");
    return file;
  }
  if (auto at = firstNonUtf8(bytes)) {
    file.add(*at, "this byte is not UTF-8 text", "a text file saved as UTF-8");
    return file;
  }
  if (auto standIn = firstStandIn(bytes)) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(standIn->second));
    file.add(standIn->first, std::string("a private-use character (") + code + ")",
             "text in the Latin, Greek and Cyrillic scripts");
    return file;
  }
  const std::string shielded = lendStandIns(bytes);
  toml::parse_result parsed = toml::parse(shielded, name);
  if (!parsed) {
    const toml::parse_error& error = parsed.error();
    file.add(content::positionOf(error.source()), "not TOML: " + giveBack(error.description()),
             "TOML as docs/SHOW-FILE.md shows it: key = \"text\", key = [\"a\", \"b\"]");
    return file;
  }

  Reader reader(file, file.positions_);
  ShowSettings& s = file.settings_;
  static constexpr Reader::TextRule kWord{"a word or a few, as one line of text"};
  static constexpr Reader::TextRule kPhrase{"a phrase, as one line of text"};
  static constexpr Reader::TextRule kLine{"one line of text, or \"\" for none", true};
  for (auto&& [key, node] : parsed.table()) {
    const std::string k = giveBack(key.str());
    file.positions_[k] = content::positionOf(key.source());
    if (k == "party") {
      s.party = reader.text(k, node, kWord);
    } else if (k == "dates") {
      s.dates = reader.text(k, node, kWord);
    } else if (k == "town") {
      s.town = reader.text(k, node, kWord);
    } else if (k == "closing_line") {
      s.closingLine = reader.text(k, node, kPhrase);
    } else if (k == "title") {
      s.title = reader.text(k, node, {"the window's title, as one line of text"});
    } else if (k == "shown_at") {
      s.shownAt = reader.text(k, node, kLine);
    } else if (k == "affirmations") {
      s.affirmations = reader.texts(k, node, 1, kMostAffirmations, "phrases", kPhrase);
    } else if (k == "credits") {
      s.credits = reader.texts(k, node, 1, kMostCreditLines, "lines", kLine);
    } else if (k == "palette") {
      s.palette = reader.palette(node);
    } else if (k == "music") {
      if (auto music = reader.text(k, node, {"the music file's path, relative to the show file"})) {
        s.music = music->front() == '/' ? *music : folderOf(name) + *music;
      }
    } else {
      std::string what = "unknown key '" + k + "'";
      if (auto nearest = nearestKey(k)) {
        what += " (did you mean '" + *nearest + "'?)";
      }
      file.add(file.positions_[k], std::move(what), allKeys());
    }
  }
  // The table comes in the keys' order; a person reads the file top to bottom.
  std::stable_sort(file.problems_.begin(), file.problems_.end(),
                   [](const ShowProblem& a, const ShowProblem& b) {
                     return std::pair(a.line, a.column) < std::pair(b.line, b.column);
                   });
  return file;
}

}  // namespace content
