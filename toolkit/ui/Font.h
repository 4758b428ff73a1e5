#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/FontFace.h"

namespace ui {

// A font face at a point size. The faces come from the resource folder: the
// system font is Inter Regular, the bold system font Inter Bold, and the name
// "SFProDisplay-Black" stands for Inter Display Black. Nothing searches the
// system's fonts.
class Font {
 public:
  static Font systemFont(double size);
  static Font boldSystemFont(double size);
  // The font of that name, or none for a name we do not carry.
  static std::optional<Font> named(std::string_view name, double size);
  // The paths of every face these fonts are made from, so that a program
  // can check them all before it shows anything.
  static std::vector<std::string> facePaths();
  // Opens every face of facePaths(), so that a program finds a missing or
  // broken one before it shows anything. None when all could be read, else
  // one line without the program's name: "cannot read the font PATH:
  // REASON" for the first that could not. systemFont() and
  // boldSystemFont() throw std::runtime_error with that line when called
  // without their face.
  static std::optional<std::string> loadFaces();

  const std::string& name() const { return name_; }
  double pointSize() const { return pointSize_; }
  const std::shared_ptr<FontFace>& face() const { return face_; }
  // Metrics at the point size, in points (descender is negative).
  double ascender() const;
  double descender() const;
  double lineGap() const;
  // ascender − descender + line gap.
  double lineHeight() const;
  // Points per font unit at this size: scales shaping results and outlines.
  double pointsPerUnit() const { return pointSize_ / face_->unitsPerEm(); }
  Font withSize(double size) const;

  friend bool operator==(const Font& l, const Font& r) {
    return l.face_ == r.face_ && l.pointSize_ == r.pointSize_;
  }

 private:
  Font(std::string name, std::shared_ptr<FontFace> face, double size);
  std::string name_;
  std::shared_ptr<FontFace> face_;
  double pointSize_ = 0;
};

}  // namespace ui
