#include "platform/media/AudioDecoder.h"

namespace platform {

namespace {

// A decoded duration this much shorter than the container declares means the
// file was cut off.
constexpr double truncationTolerance = 0.1;  // seconds

}  // namespace

bool AudioDecoder::decodeFile(const std::string& path, std::string& error) {
  AudioStream stream;
  std::vector<float> decoded;
  if (!stream.open(path, decoded, error)) {
    return false;
  }
  // One allocation for the whole file, unless the container's claim is absurd.
  double declared = stream.declaredDuration();
  if (declared > 0 && declared < 3600) {
    decoded.reserve(static_cast<std::size_t>((declared + 1) * sampleRate) * channels);
  }
  AudioStream::Status status;
  while ((status = stream.next(decoded, error)) == AudioStream::Status::More) {
  }
  if (status == AudioStream::Status::Failed) {
    return false;
  }
  double seconds = static_cast<double>(stream.frames()) / sampleRate;
  if (declared > 0 && seconds + truncationTolerance < declared) {
    error = "cannot play '" + path + "': the file is cut off: " + std::to_string(seconds) + " of " +
            std::to_string(declared) + " seconds decode";
    return false;
  }
  decoded.shrink_to_fit();
  samples_ = std::move(decoded);
  return true;
}

}  // namespace platform
