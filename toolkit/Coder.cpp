#include "ui/Coder.h"

namespace ui {

template <class T>
std::optional<T> Coder::decode(const std::string& key) const {
  auto it = values_.find(key);
  if (it == values_.end()) {
    return std::nullopt;
  }
  if (const T* value = std::get_if<T>(&it->second)) {
    return *value;
  }
  valid_ = false;
  return std::nullopt;
}

std::optional<bool> Coder::decodeBool(const std::string& key) const {
  return decode<bool>(key);
}
std::optional<double> Coder::decodeDouble(const std::string& key) const {
  return decode<double>(key);
}
std::optional<Rect> Coder::decodeRect(const std::string& key) const {
  return decode<Rect>(key);
}
std::optional<Color> Coder::decodeColor(const std::string& key) const {
  return decode<Color>(key);
}
std::optional<std::string> Coder::decodeString(const std::string& key) const {
  return decode<std::string>(key);
}

}  // namespace ui
