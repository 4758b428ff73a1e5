// Feeds arbitrary bytes to the audio decoder as a file, the way a user's
// damaged or hostile track would reach it. Any crash, leak, sanitizer report
// or input slower than the time limit is a fault of ours or of a library we
// drive.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/media/AudioDecoder.h"
#include "platform/media/Ffmpeg.h"
#include "tools/fuzz/CpuTimeLimit.h"

namespace {

// One file per process, rewritten for every input: the decoder takes a path,
// and a file in memory-backed /dev/shm keeps each run cheap.
const std::string& scratchPath() {
  static const std::string path = [] {
    const char* folder = std::getenv("TMPDIR");
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (folder ? folder : "/tmp");
    // The process number at a fixed width: a name whose length changed from
    // run to run would make the same input take other paths, and the seeded
    // run differ from the last.
    char pid[16];
    std::snprintf(pid, sizeof pid, "%010d", static_cast<int>(getpid()));
    return base + "/invited-fuzz-audio-" + pid + ".m4a";
  }();
  return path;
}

void removeScratch() {
  std::remove(scratchPath().c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::ffmpeg::setLogPolicy();
  std::atexit(removeScratch);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(scratchPath().c_str(), "wb");
  if (!file) {
    std::perror("fuzz scratch file");
    std::abort();
  }
  if (size > 0 && std::fwrite(data, 1, size, file) != size) {
    std::perror("fuzz scratch file");
    std::abort();
  }
  std::fclose(file);

  CpuTimeLimit limit;
  platform::AudioDecoder decoder;
  std::string error;
  if (decoder.decodeFile(scratchPath(), error)) {
    // A decoded track is whole frames of the device's channel count.
    if (decoder.samples().size() % platform::AudioDecoder::channels != 0) {
      std::abort();
    }
  } else if (error.empty()) {
    // Every refusal explains itself.
    std::abort();
  }
  return 0;
}
