#include "ui/ResourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ui {

namespace {

std::string whyNotOpened(int error) {
  switch (error) {
    case ENOENT:
      return "no such file";
    case EACCES:
    case EPERM:
      return "permission denied (the file cannot be read by this user)";
    case ELOOP:
      return "a loop of symbolic links";
    case ENOTDIR:
      return "a folder on its path is a file";
    default:
      return std::strerror(error);
  }
}

const char* kindOf(mode_t mode) {
  if (S_ISDIR(mode)) {
    return "a folder";
  }
  if (S_ISFIFO(mode)) {
    return "a FIFO";
  }
  if (S_ISSOCK(mode)) {
    return "a socket";
  }
  if (S_ISCHR(mode) || S_ISBLK(mode)) {
    return "a device";
  }
  return "not a regular file";
}

struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) {
      ::close(fd);
    }
  }
};

}  // namespace

std::optional<ResourceFile> ResourceFile::read(const std::string& path, std::size_t maxBytes,
                                               std::string& error) {
  // Without O_NONBLOCK, opening a FIFO waits for a writer that never comes.
  Descriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
  if (file.fd < 0) {
    error = whyNotOpened(errno);
    return std::nullopt;
  }
  struct stat status {};
  if (::fstat(file.fd, &status) != 0) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  if (!S_ISREG(status.st_mode)) {
    error = std::string(kindOf(status.st_mode)) + ", not a regular file";
    return std::nullopt;
  }
  if (status.st_size == 0) {
    error = "the file is empty";
    return std::nullopt;
  }
  if (static_cast<std::size_t>(status.st_size) > maxBytes) {
    error = "the file is larger than " + std::to_string(maxBytes >> 20) + " MiB";
    return std::nullopt;
  }
  // The size read is the size found: a file that changes meanwhile is taken
  // as far as it was then.
  std::vector<unsigned char> bytes(static_cast<std::size_t>(status.st_size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = ::read(file.fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      error = std::strerror(errno);
      return std::nullopt;
    }
    if (n == 0) {
      break;
    }
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  if (bytes.empty()) {
    error = "the file is empty";
    return std::nullopt;
  }
  return ResourceFile(path, std::move(bytes));
}

std::optional<std::string> ResourceFile::problem(const std::string& path) {
  Descriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
  struct stat status {};
  if (file.fd < 0) {
    return whyNotOpened(errno);
  }
  if (::fstat(file.fd, &status) != 0) {
    return std::strerror(errno);
  }
  if (!S_ISREG(status.st_mode)) {
    return std::string(kindOf(status.st_mode)) + ", not a regular file";
  }
  if (status.st_size == 0) {
    return "the file is empty";
  }
  return std::nullopt;
}

}  // namespace ui
