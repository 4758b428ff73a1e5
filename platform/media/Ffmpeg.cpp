#include "platform/media/Ffmpeg.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace platform::ffmpeg {

std::string errorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

void setLogPolicy() {
  av_log_set_level(AV_LOG_QUIET);
}

}  // namespace platform::ffmpeg
