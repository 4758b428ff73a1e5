#include "ui/Font.h"

#include <array>
#include <cstring>
#include <stdexcept>

#include "ui/Bundle.h"
#include "ui/ResourceFile.h"

namespace ui {

namespace {

constexpr const char* systemFile = "Inter-Regular.otf";
constexpr const char* boldSystemFile = "Inter-Bold.otf";

struct NamedFont {
  std::string_view name;
  const char* file;
};
constexpr NamedFont namedFonts[] = {
    {"SFProDisplay-Black", "InterDisplay-Black.otf"},
};

// Inter's faces are a few hundred KiB; anything near this bound is not one.
constexpr std::size_t maxFontBytes = 64u << 20;

// The face at `path`, or none with `error` saying why. The file is checked
// first, so that a FIFO or a device in its place is refused rather than read.
std::shared_ptr<FontFace> openChecked(const std::string& path, std::string& error) {
  auto file = ResourceFile::read(path, maxFontBytes, error);
  if (!file) {
    return nullptr;
  }
  // OpenType with CFF or TrueType outlines, Apple's TrueType, a collection.
  constexpr std::array<const char*, 4> signatures = {"OTTO", "\0\1\0\0", "true", "ttcf"};
  const auto& bytes = file->bytes();
  bool known = false;
  for (const char* signature : signatures) {
    known = known || (bytes.size() >= 4 && std::memcmp(bytes.data(), signature, 4) == 0);
  }
  if (!known) {
    error = "not a font file";
    return nullptr;
  }
  auto face = FontFace::open(path);
  if (!face) {
    error = "not a font that can be read (damaged or cut short)";
  }
  return face;
}

std::string facePath(const char* file) {
  return Bundle::main().resourcePath() + "/" + file;
}

// Every label starts with the system font, so without it nothing can be
// measured or drawn. A program checks its faces with loadFaces() before it
// draws; reaching this without them is the program's own mistake.
std::shared_ptr<FontFace> requiredFace(const char* file) {
  if (auto face = FontFace::open(facePath(file))) {
    return face;
  }
  std::string error = "not a font that can be read";
  openChecked(facePath(file), error);
  throw std::runtime_error("cannot read the font " + facePath(file) + ": " + error);
}

}  // namespace

Font::Font(std::string name, std::shared_ptr<FontFace> face, double size)
    : name_(std::move(name)), face_(std::move(face)), pointSize_(size) {}

Font Font::systemFont(double size) {
  static const std::shared_ptr<FontFace> face = requiredFace(systemFile);
  return Font("Inter-Regular", face, size);
}

Font Font::boldSystemFont(double size) {
  static const std::shared_ptr<FontFace> face = requiredFace(boldSystemFile);
  return Font("Inter-Bold", face, size);
}

std::optional<Font> Font::named(std::string_view name, double size) {
  for (const NamedFont& known : namedFonts) {
    if (known.name == name) {
      // The programs have checked the files (loadFaces); the face is
      // opened, or found open, by the installed text engine.
      if (auto face = FontFace::open(facePath(known.file))) {
        return Font(std::string(name), std::move(face), size);
      }
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::vector<std::string> Font::facePaths() {
  const std::string folder = Bundle::main().resourcePath() + "/";
  std::vector<std::string> paths = {folder + systemFile, folder + boldSystemFile};
  for (const NamedFont& known : namedFonts) {
    paths.push_back(folder + known.file);
  }
  return paths;
}

std::optional<std::string> Font::loadFaces() {
  for (const std::string& path : facePaths()) {
    std::string error;
    if (!openChecked(path, error)) {
      return "cannot read the font " + path + ": " + error;
    }
  }
  return std::nullopt;
}

double Font::ascender() const {
  return face_->ascender() * pointSize_ / face_->unitsPerEm();
}

double Font::descender() const {
  return face_->descender() * pointSize_ / face_->unitsPerEm();
}

double Font::lineGap() const {
  return face_->lineGap() * pointSize_ / face_->unitsPerEm();
}

double Font::lineHeight() const {
  return (face_->ascender() - face_->descender() + face_->lineGap()) * pointSize_ /
         face_->unitsPerEm();
}

Font Font::withSize(double size) const {
  return Font(name_, face_, size);
}

}  // namespace ui
