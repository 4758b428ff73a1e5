#include "platform/media/Ffmpeg.h"

namespace platform::ffmpeg {

// Linked with FFmpeg: the loader made it ready before main().
std::optional<std::string> ready() {
  return std::nullopt;
}

}  // namespace platform::ffmpeg
