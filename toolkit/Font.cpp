#include "ui/Font.h"

#include <cstdio>
#include <cstdlib>

#include "ui/Bundle.h"

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

std::shared_ptr<FontFace> faceFromResources(const char* file) {
  return FontFace::open(Bundle::main().resourcePath() + "/" + file);
}

// Every label starts with the system font, so without it nothing can be
// measured or drawn: the installation is broken.
std::shared_ptr<FontFace> requiredFace(const char* file) {
  auto face = faceFromResources(file);
  if (!face) {
    const Bundle& bundle = Bundle::main();
    std::fprintf(stderr, "%s%scannot read the font %s/%s\n", bundle.name().c_str(),
                 bundle.name().empty() ? "" : ": ", bundle.resourcePath().c_str(), file);
    std::abort();
  }
  return face;
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
      if (auto face = faceFromResources(known.file)) {
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
