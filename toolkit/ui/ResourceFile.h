#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace ui {

// A resource file read whole, once. Only a regular file is read: a FIFO, a
// socket or a device in a resource's place would block the reader or never
// end, so it is refused before any byte is read, and so is a file larger
// than the bound the caller gives.
class ResourceFile {
 public:
  // The file's bytes, or none with `error` set to why not, in words a person
  // can act on (without the path: the caller names the file).
  static std::optional<ResourceFile> read(const std::string& path, std::size_t maxBytes,
                                          std::string& error);

  // Why `path` is no regular file that can be opened for reading, in the
  // same words; none when it is one.
  static std::optional<std::string> problem(const std::string& path);

  const std::string& path() const { return path_; }
  const std::vector<unsigned char>& bytes() const { return bytes_; }

 private:
  ResourceFile(std::string path, std::vector<unsigned char> bytes)
      : path_(std::move(path)), bytes_(std::move(bytes)) {}
  std::string path_;
  std::vector<unsigned char> bytes_;
};

}  // namespace ui
