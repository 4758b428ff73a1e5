#include "ui/FontFace.h"

#include <map>
#include <mutex>
#include <utility>

#if UI_FREETYPE
#include "ui/FreeTypeFontFace.h"
#endif

namespace ui {

namespace {

std::shared_ptr<FontFace> openWithDefaultEngine(const std::string& path, std::string& error) {
#if UI_FREETYPE
  return FreeTypeFontFace::open(path, error);
#else
  (void)path;
  error = "no font engine installed";
  return nullptr;
#endif
}

// Faces live for the whole process, so the registry is never destroyed.
struct Registry {
  std::mutex mutex;
  FontFace::Opener opener = openWithDefaultEngine;
  std::map<std::string, std::shared_ptr<FontFace>> faces;
};

Registry& registry() {
  static Registry* instance = new Registry;
  return *instance;
}

}  // namespace

FontFace::FontFace(std::string path, int unitsPerEm, int ascender, int descender, int lineGap)
    : path_(std::move(path)),
      unitsPerEm_(unitsPerEm),
      ascender_(ascender),
      descender_(descender),
      lineGap_(lineGap) {}

FontFace::~FontFace() = default;

std::shared_ptr<FontFace> FontFace::open(const std::string& path) {
  std::string error;
  return open(path, error);
}

std::shared_ptr<FontFace> FontFace::open(const std::string& path, std::string& error) {
  Registry& reg = registry();
  std::lock_guard lock(reg.mutex);
  if (auto found = reg.faces.find(path); found != reg.faces.end()) {
    return found->second;
  }
  auto face = reg.opener(path, error);
  if (!face) {
    if (error.empty()) {
      error = "not a font that can be read";
    }
    return nullptr;
  }
  // Font scales by units per em: a face without them cannot size anything.
  if (face->unitsPerEm() <= 0) {
    error = "no units per em";
    return nullptr;
  }
  reg.faces.emplace(path, face);
  return face;
}

void FontFace::setOpener(Opener opener) {
  Registry& reg = registry();
  std::lock_guard lock(reg.mutex);
  reg.opener = opener ? std::move(opener) : Opener(openWithDefaultEngine);
}

}  // namespace ui
