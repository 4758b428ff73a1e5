#pragma once

#include <memory>
#include <optional>
#include <string>

namespace render {

// The file an export writes, seen through until it is complete: the work goes
// to a temporary file in the destination's folder, which takes the
// destination's name only on success. A failed or interrupted export thus
// leaves the folder as it was, and a good file already there stays untouched.
//
// Only one may exist at a time: every catchable signal that would end the
// process (SIGHUP, SIGINT, SIGTERM, …) removes its temporary file and ends
// it with status 128 + the signal's number. Creating one removes what
// exports to the same destination that were killed outright left behind.
class OutputFile {
 public:
  // Why `path` cannot be an export's destination; none when it can. A
  // destination is a new name or a regular file, in a folder that takes a
  // new file. Nothing is left behind by the check, and nothing blocks on it.
  static std::optional<std::string> refusal(const std::string& path);

  // Makes the temporary file; nullptr with `error` set when it cannot.
  static std::unique_ptr<OutputFile> create(const std::string& destination, std::string& error);
  // Removes the temporary file unless it was committed.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  const std::string& temporaryPath() const { return temporary_; }
  const std::string& destination() const { return destination_; }

  // `message` about the temporary file, told of the destination instead: the
  // user never asked for the temporary name.
  std::string explain(std::string message) const;

  // Gives the finished temporary file the destination's name.
  bool commit(std::string& error);

 private:
  OutputFile(std::string destination, std::string temporary);

  std::string destination_;
  std::string temporary_;
  bool committed_ = false;
};

}  // namespace render
