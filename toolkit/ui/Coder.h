#pragma once

#include <map>
#include <optional>
#include <string>
#include <variant>

#include "ui/Color.h"
#include "ui/Geometry.h"

namespace ui {

// A minimal keyed archive: the values a view is decoded from.
class Coder {
 public:
  using Value = std::variant<bool, double, Rect, Color, std::string>;

  void encode(const std::string& key, Value value) { values_[key] = std::move(value); }
  bool contains(const std::string& key) const { return values_.count(key) != 0; }

  // None when the key is absent; a present key of another type makes the
  // archive invalid.
  std::optional<bool> decodeBool(const std::string& key) const;
  std::optional<double> decodeDouble(const std::string& key) const;
  std::optional<Rect> decodeRect(const std::string& key) const;
  std::optional<Color> decodeColor(const std::string& key) const;
  std::optional<std::string> decodeString(const std::string& key) const;

  // Whether every key read so far had the expected type.
  bool isValid() const { return valid_; }

 private:
  template <class T>
  std::optional<T> decode(const std::string& key) const;
  std::map<std::string, Value> values_;
  mutable bool valid_ = true;
};

}  // namespace ui
