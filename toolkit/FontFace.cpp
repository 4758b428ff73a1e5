#include "ui/FontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <hb.h>

#include <map>
#include <mutex>

namespace ui {

namespace {

// Faces live for the whole process, so the registry is never destroyed: no
// face can outlive the FreeType library it was made with.
struct Registry {
  std::mutex mutex;
  FT_Library library = nullptr;
  std::map<std::string, std::shared_ptr<FontFace>> faces;
};

Registry& registry() {
  static Registry* instance = new Registry;
  return *instance;
}

}  // namespace

std::shared_ptr<FontFace> FontFace::open(const std::string& path) {
  Registry& reg = registry();
  std::lock_guard lock(reg.mutex);
  if (auto found = reg.faces.find(path); found != reg.faces.end()) {
    return found->second;
  }
  if (!reg.library && FT_Init_FreeType(&reg.library) != 0) {
    reg.library = nullptr;
    return nullptr;
  }

  std::shared_ptr<FontFace> face(new FontFace);
  face->path_ = path;
  face->blob_ = hb_blob_create_from_file_or_fail(path.c_str());
  if (!face->blob_) {
    return nullptr;
  }
  unsigned length = 0;
  const char* data = hb_blob_get_data(face->blob_, &length);
  FT_Face ftFace = nullptr;
  if (length == 0 || FT_New_Memory_Face(reg.library, reinterpret_cast<const FT_Byte*>(data),
                                        static_cast<FT_Long>(length), 0, &ftFace) != 0) {
    return nullptr;
  }
  face->ftFace_ = ftFace;
  if (!FT_IS_SCALABLE(ftFace) || ftFace->units_per_EM == 0) {
    return nullptr;
  }

  face->unitsPerEm_ = ftFace->units_per_EM;
  if (auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(ftFace, FT_SFNT_HHEA))) {
    face->ascender_ = hhea->Ascender;
    face->descender_ = hhea->Descender;
    face->lineGap_ = hhea->Line_Gap;
  } else {
    face->ascender_ = ftFace->ascender;
    face->descender_ = ftFace->descender;
    face->lineGap_ = ftFace->height - (ftFace->ascender - ftFace->descender);
  }

  hb_face_t* hbFace = hb_face_create(face->blob_, 0);
  face->hbFont_ = hb_font_create(hbFace);
  hb_face_destroy(hbFace);
  hb_font_set_scale(face->hbFont_, face->unitsPerEm_, face->unitsPerEm_);
  hb_font_make_immutable(face->hbFont_);

  reg.faces.emplace(path, face);
  return face;
}

bool FontFace::hasCharacter(char32_t c) const {
  return FT_Get_Char_Index(ftFace_, c) != 0;
}

FontFace::~FontFace() {
  if (hbFont_) {
    hb_font_destroy(hbFont_);
  }
  if (ftFace_) {
    FT_Done_Face(ftFace_);
  }
  if (blob_) {
    hb_blob_destroy(blob_);
  }
}

}  // namespace ui
