// Records a PulseAudio source (the monitor of LiveTimingBench.sh's null sink)
// in chunks of 2 ms, and stamps each chunk with the real-time clock as it
// arrives, the clock the live-timing probe stamps its frames with. Runs
// until SIGINT or SIGTERM.
//
//   bench-loopback-record SOURCE SAMPLES.f32 STAMPS.csv
//
// SAMPLES.f32: interleaved stereo 32-bit float at 48 kHz. STAMPS.csv: per
// chunk, its first sample, its samples and when it arrived (ns).
#include <pulse/error.h>
#include <pulse/simple.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

volatile std::sig_atomic_t stopped = 0;

void stop(int) {
  stopped = 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench-loopback-record SOURCE SAMPLES.f32 STAMPS.csv\n");
    return 2;
  }
  constexpr int rate = 48000, channels = 2;
  constexpr long chunkFrames = rate / 500;  // 2 ms
  const pa_sample_spec format{PA_SAMPLE_FLOAT32LE, rate, channels};
  pa_buffer_attr buffer{};
  buffer.maxlength = std::uint32_t(-1);
  buffer.tlength = buffer.prebuf = buffer.minreq = std::uint32_t(-1);
  buffer.fragsize = std::uint32_t(chunkFrames * channels * sizeof(float));
  int error = 0;
  pa_simple* stream = pa_simple_new(nullptr, "bench-loopback-record", PA_STREAM_RECORD, argv[1],
                                    "loopback", &format, nullptr, &buffer, &error);
  if (stream == nullptr) {
    std::fprintf(stderr, "bench-loopback-record: cannot record %s: %s\n", argv[1],
                 pa_strerror(error));
    return 1;
  }
  std::FILE* samples = std::fopen(argv[2], "wb");
  std::FILE* stamps = std::fopen(argv[3], "w");
  if (samples == nullptr || stamps == nullptr) {
    std::fprintf(stderr, "bench-loopback-record: cannot write %s or %s\n", argv[2], argv[3]);
    return 1;
  }
  struct sigaction action {};
  action.sa_handler = stop;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::fprintf(stamps, "first_sample,samples,arrived_ns\n");
  std::fflush(stamps);  // an empty file with its header says the recording runs
  std::vector<float> chunk(std::size_t(chunkFrames * channels));
  long recorded = 0;
  while (stopped == 0) {
    if (pa_simple_read(stream, chunk.data(), chunk.size() * sizeof(float), &error) < 0) {
      std::fprintf(stderr, "bench-loopback-record: %s\n", pa_strerror(error));
      break;
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::fwrite(chunk.data(), sizeof(float), chunk.size(), samples);
    std::fprintf(stamps, "%ld,%ld,%ld\n", recorded, chunkFrames,
                 long(now.tv_sec) * 1000000000L + now.tv_nsec);
    recorded += chunkFrames;
  }
  pa_simple_free(stream);
  const bool written = std::fclose(samples) == 0 && std::fclose(stamps) == 0;
  return written ? 0 : 1;
}
