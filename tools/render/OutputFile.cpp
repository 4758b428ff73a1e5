#include "tools/render/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace render {

namespace {

namespace fs = std::filesystem;

// The temporary file's path, for the signal handler: a fixed buffer, since a
// handler may touch nothing that allocates. Empty when there is none.
char pendingPath[4096];

extern "C" void removePendingAndExit(int signal) {
  if (pendingPath[0] != '\0') {
    ::unlink(pendingPath);
  }
  ::_exit(128 + signal);
}

// Every signal that ends a process by default and can be caught: a closed
// terminal (SIGHUP), Ctrl+C and Ctrl+\\, a broken pipe, kill's default, the
// timers and the user signals nobody here handles otherwise.
constexpr int endingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGPIPE,   SIGALRM,
                                 SIGTERM, SIGUSR1, SIGUSR2, SIGVTALRM, SIGPROF};

void installHandlers() {
  struct sigaction action {};
  action.sa_handler = removePendingAndExit;
  sigemptyset(&action.sa_mask);
  for (int signal : endingSignals) {
    sigaddset(&action.sa_mask, signal);
  }
  for (int signal : endingSignals) {
    sigaction(signal, &action, nullptr);
  }
  // Past a file-size limit a write then fails with EFBIG, which ends the
  // export with a message, instead of killing the process mid-file.
  std::signal(SIGXFSZ, SIG_IGN);
}

void setPending(const std::string& path) {
  sigset_t blocked, previous;
  sigemptyset(&blocked);
  for (int signal : endingSignals) {
    sigaddset(&blocked, signal);
  }
  sigprocmask(SIG_BLOCK, &blocked, &previous);
  std::size_t length = std::min(path.size(), sizeof pendingPath - 1);
  std::memcpy(pendingPath, path.data(), length);
  pendingPath[length] = '\0';
  sigprocmask(SIG_SETMASK, &previous, nullptr);
}

const char* kindOf(mode_t mode) {
  if (S_ISDIR(mode))
    return "a folder";
  if (S_ISFIFO(mode))
    return "a FIFO";
  if (S_ISSOCK(mode))
    return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode))
    return "a device";
  return "not a regular file";
}

// The start of the temporary names for `destination`: hidden, in its folder,
// never mistaken for the destination itself. The process id follows, so that
// a later export can tell the leftovers of a killed one from a running one's.
std::string temporaryPrefix(const fs::path& destination) {
  return "." + destination.filename().string() + ".part-";
}

std::string temporaryPattern(const fs::path& destination) {
  fs::path folder = destination.parent_path();
  std::string name = temporaryPrefix(destination) + std::to_string(::getpid()) + "-XXXXXX";
  return (folder.empty() ? fs::path(name) : folder / name).string();
}

// Removes the temporary files that exports to `destination` killed by a
// signal nobody can catch (SIGKILL, a crash, a power cut) left behind: those
// whose process is gone.
void removeLeftovers(const fs::path& destination) {
  const fs::path folder =
      destination.parent_path().empty() ? fs::path(".") : destination.parent_path();
  const std::string prefix = temporaryPrefix(destination);
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (name.compare(0, prefix.size(), prefix) != 0) {
      continue;
    }
    const char* digits = name.c_str() + prefix.size();
    char* rest = nullptr;
    const long pid = std::strtol(digits, &rest, 10);
    if (rest == digits || *rest != '-' || pid <= 0) {
      continue;
    }
    std::error_code ignored;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH &&
        entry->is_regular_file(ignored)) {
      fs::remove(entry->path(), ignored);
    }
  }
}

// Makes a new temporary file, closed; empty with `error` set when it cannot.
std::string makeTemporary(const fs::path& destination, std::string& error) {
  std::string path = temporaryPattern(destination);
  int descriptor = ::mkstemp(path.data());
  if (descriptor < 0) {
    error = std::strerror(errno);
    return {};
  }
  // mkstemp makes the file private; an export gets the permissions of the
  // file it replaces, or those any new file would get.
  struct stat existing {};
  mode_t mode;
  if (::stat(destination.c_str(), &existing) == 0) {
    mode = existing.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(descriptor, mode);
  ::close(descriptor);
  return path;
}

// A symbolic link to a file stays a link: the file it names is replaced.
fs::path resolved(const std::string& path) {
  std::error_code error;
  fs::path target = fs::canonical(path, error);
  return error ? fs::path(path) : target;
}

}  // namespace

std::optional<std::string> OutputFile::refusal(const std::string& path) {
  const std::string quoted = "'" + path + "'";
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0) {
    if (!S_ISREG(status.st_mode)) {
      return quoted + " is " + kindOf(status.st_mode) + "; the output must be a regular file";
    }
    if (::access(path.c_str(), W_OK) != 0) {
      return quoted + " cannot be written: " + std::strerror(errno);
    }
  } else if (errno == ELOOP) {
    return quoted + " is a loop of symbolic links";
  } else if (errno != ENOENT) {
    return quoted + " cannot be reached: " + std::strerror(errno);
  } else if (struct stat link{}; ::lstat(path.c_str(), &link) == 0) {
    return quoted + " is a symbolic link to nothing";
  }
  fs::path destination = resolved(path);
  fs::path folder = destination.parent_path().empty() ? fs::path(".") : destination.parent_path();
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    return quoted + ": the folder " + folder.string() + " does not exist";
  }
  // Trying is the only honest test: permissions, read-only file systems and
  // special folders all say no in their own way.
  std::string reason;
  std::string trial = makeTemporary(destination, reason);
  if (trial.empty()) {
    return quoted + " cannot be written: " + reason;
  }
  ::unlink(trial.c_str());
  return std::nullopt;
}

std::unique_ptr<OutputFile> OutputFile::create(const std::string& destination, std::string& error) {
  installHandlers();
  fs::path target = resolved(destination);
  removeLeftovers(target);
  std::string reason;
  std::string temporary = makeTemporary(target, reason);
  if (temporary.empty()) {
    error = "cannot write " + destination + ": " + reason;
    return nullptr;
  }
  setPending(temporary);
  return std::unique_ptr<OutputFile>(new OutputFile(target.string(), temporary));
}

OutputFile::OutputFile(std::string destination, std::string temporary)
    : destination_(std::move(destination)), temporary_(std::move(temporary)) {}

OutputFile::~OutputFile() {
  if (!committed_) {
    ::unlink(temporary_.c_str());
    setPending({});
  }
}

std::string OutputFile::explain(std::string message) const {
  for (auto at = message.find(temporary_); at != std::string::npos;
       at = message.find(temporary_, at + destination_.size())) {
    message.replace(at, temporary_.size(), destination_);
  }
  return message;
}

bool OutputFile::commit(std::string& error) {
  // What the writer handed over must be on disk before it takes the name:
  // a crash after the rename must not leave an empty file behind.
  int descriptor = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0 || ::fsync(descriptor) != 0) {
    error = "cannot write " + destination_ + ": " + std::strerror(errno);
    if (descriptor >= 0) {
      ::close(descriptor);
    }
    return false;
  }
  ::close(descriptor);
  if (::rename(temporary_.c_str(), destination_.c_str()) != 0) {
    error = "cannot write " + destination_ + ": " + std::strerror(errno);
    return false;
  }
  setPending({});
  committed_ = true;
  return true;
}

}  // namespace render
