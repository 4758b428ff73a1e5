#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/Image.h"

namespace platform {

bool writePng(const Image& image, const std::string& path, std::string& error) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgba.size() != std::size_t(image.width) * image.height * 4) {
    error = "cannot write " + path + ": the image is empty or its size does not match its pixels";
    return false;
  }
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(image.width);
  png.height = png_uint_32(image.height);
  png.format = PNG_FORMAT_RGBA;
  errno = 0;
  if (!png_image_write_to_stdio(&png, file.get(), 0, image.rgba.data(), 0, nullptr)) {
    // libpng says only "Write Error" when the file refuses a write; the
    // system's reason (a full disk, a size limit) is the one to tell.
    const int reason = errno;
    error = "cannot write " + path + ": " +
            (std::ferror(file.get()) && reason != 0 ? std::strerror(reason) : png.message);
    png_image_free(&png);
    return false;
  }
  if (std::fflush(file.get()) != 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace platform
