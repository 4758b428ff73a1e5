// The audio-video offset of record: what the sound device actually rendered
// against what the screen actually showed, both on the real-time clock.
// LiveTimingBench.sh --null-sink records the null sink's monitor with
// bench-loopback-record while the probe plays the show; this finds in the
// recording the moment of the music each frame pictured, when the sink
// rendered it, and compares that with when the frame reached the screen. The
// probe's own estimate (the player's report of what is heard) is printed
// beside it.
//
//   bench-loopback TRACK SAMPLES.f32 STAMPS.csv FRAMES.csv
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "LoopbackAligner.h"
#include "Percentile.h"
#include "SinkClock.h"
#include "platform/media/AudioDecoder.h"

namespace {

constexpr int rate = platform::AudioDecoder::sampleRate;

struct Frame {
  double showTime;  // seconds into the show (and the track) pictured
  double swapped;   // display clock seconds: on screen
  double ownOffsetMs;
  long realtimeNs;  // the same instant on the real-time clock
};

std::vector<float> mono(const std::vector<float>& stereo) {
  std::vector<float> mixed(stereo.size() / 2);
  for (std::size_t i = 0; i < mixed.size(); ++i) {
    mixed[i] = 0.5f * (stereo[2 * i] + stereo[2 * i + 1]);
  }
  return mixed;
}

bool fail(const std::string& message) {
  std::fprintf(stderr, "bench-loopback: %s\n", message.c_str());
  return false;
}

bool readSamples(const std::string& path, std::vector<float>& samples) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return fail("cannot read " + path);
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<float> stereo(bytes.size() / sizeof(float));
  std::copy(bytes.begin(), bytes.begin() + long(stereo.size() * sizeof(float)),
            reinterpret_cast<char*>(stereo.data()));
  samples = mono(stereo);
  return !samples.empty() || fail(path + " holds no samples");
}

// Comma-separated numbers under a header line; `columns` names those wanted.
bool readTable(const std::string& path, const std::vector<std::string>& columns,
               std::vector<std::vector<double>>& rows) {
  std::ifstream in(path);
  std::string line;
  if (!std::getline(in, line)) {
    return fail("cannot read " + path + " (or it is empty)");
  }
  std::vector<std::string> header;
  std::stringstream names(line);
  for (std::string name; std::getline(names, name, ',');) {
    header.push_back(name);
  }
  std::vector<std::size_t> wanted;
  for (const std::string& column : columns) {
    const auto found = std::find(header.begin(), header.end(), column);
    if (found == header.end()) {
      return fail(path + " has no column " + column);
    }
    wanted.push_back(std::size_t(found - header.begin()));
  }
  for (long number = 2; std::getline(in, line); ++number) {
    std::vector<double> values;
    std::stringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ',');) {
      char* end = nullptr;
      values.push_back(std::strtod(cell.c_str(), &end));
      if (cell.empty() || *end != '\0') {
        return fail(path + ":" + std::to_string(number) + ": not a number: " + cell);
      }
    }
    if (values.size() != header.size()) {
      return fail(path + ":" + std::to_string(number) + ": " + std::to_string(values.size()) +
                  " values, the header names " + std::to_string(header.size()));
    }
    std::vector<double> row;
    for (std::size_t index : wanted) {
      row.push_back(values[index]);
    }
    rows.push_back(row);
  }
  return true;
}

const char* verdict(bool met) {
  return met ? "met" : "NOT met";
}

void summarise(const char* what, const std::vector<double>& offsets) {
  double largest = 0;
  for (double offset : offsets) {
    largest = std::max(largest, std::fabs(offset));
  }
  std::printf("  %-34s median %+6.1f, p1 %+6.1f, p99 %+6.1f, max |offset| %5.1f ms\n", what,
              bench::percentile(offsets, 0.5), bench::percentile(offsets, 0.01),
              bench::percentile(offsets, 0.99), largest);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: bench-loopback TRACK SAMPLES.f32 STAMPS.csv FRAMES.csv\n");
    return 2;
  }
  platform::AudioDecoder decoder;
  std::string error;
  if (!decoder.decodeFile(argv[1], error)) {
    std::fprintf(stderr, "bench-loopback: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  std::vector<float> recording;
  std::vector<std::vector<double>> stampRows, frameRows;
  if (!readSamples(argv[2], recording) ||
      !readTable(argv[3], {"first_sample", "samples", "arrived_ns"}, stampRows) ||
      !readTable(argv[4], {"show_s", "swapped_s", "offset_ms", "realtime_ns"}, frameRows)) {
    return 1;
  }
  std::vector<bench::SinkClock::Chunk> chunks;
  for (const auto& row : stampRows) {
    chunks.push_back({long(row[0]), long(row[1]), std::lround(row[2])});
  }
  const bench::SinkClock sink(chunks, rate, 2.0);

  bench::LoopbackAligner aligner(mono(decoder.samples()), rate);
  if (!aligner.align(recording, error)) {
    std::fprintf(stderr, "bench-loopback: %s\n", error.c_str());
    return 1;
  }
  const auto& segments = aligner.segments();
  std::printf(
      "Loopback: %.2f s recorded; the music found at %.3f s of the recording over a %.0f s "
      "window, %.2f times any other place in the track\n",
      double(recording.size()) / rate, double(segments.front().recordBegin) / rate,
      aligner.acquiredOverSeconds(), aligner.peakRatio());
  for (const auto& change : aligner.changes()) {
    std::printf("  the recording %s %ld samples (%.1f ms) by %.4f s of it (track %.4f s)\n",
                change.samples > 0 ? "gained" : "lost", std::labs(change.samples),
                std::fabs(double(change.samples)) * 1000 / rate, double(change.recordIndex) / rate,
                double(change.trackIndex) / rate);
  }
  if (aligner.changes().empty()) {
    std::printf("  the recording neither gained nor lost a sample while the music played\n");
  }

  // Show time s pictures the moment s of the track: the music starts with
  // the show (the player's sync point).
  std::vector<Frame> frames;
  for (const auto& row : frameRows) {
    frames.push_back({row[0], row[1], row[2], std::lround(row[3])});
  }
  std::vector<double> loop, own;
  std::vector<double> loopOf(frames.size(), NAN);
  long unheard = 0;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const Frame& frame = frames[i];
    if (frame.showTime <= 0.5 || frame.showTime >= 64) {
      continue;
    }
    // A moment the device dropped as it went on after a stall (a few
    // samples) is judged by when the sound went on.
    const auto sample = aligner.heardIndexOf(std::lround(frame.showTime * rate), rate / 50);
    const auto rendered = sample ? sink.renderedAtNs(*sample) : std::nullopt;
    if (!rendered) {
      ++unheard;
      continue;
    }
    // Positive: the sound of the moment came before its picture.
    loopOf[i] = double(frame.realtimeNs - *rendered) / 1e6;
    loop.push_back(loopOf[i]);
    own.push_back(frame.ownOffsetMs);
  }
  if (loop.empty()) {
    std::fprintf(stderr, "bench-loopback: no frame of the show pictures a recorded moment\n");
    return 1;
  }
  std::printf(
      "\nAudio-video offset over %zu frames of 0.5-64 s (%ld pictured a moment never "
      "rendered); positive: the sound comes first\n",
      loop.size(), unheard);
  summarise("loopback (of record):", loop);
  summarise("the program's own estimate:", own);
  const double median = bench::percentile(loop, 0.5);
  const double p1 = bench::percentile(loop, 0.01), p99 = bench::percentile(loop, 0.99);
  std::printf("  goals on the loopback: median within ±5 ms %s; p1 and p99 within ±10 ms %s\n",
              verdict(std::fabs(median) <= 5),
              verdict(std::fabs(p1) <= 10 && std::fabs(p99) <= 10));

  // A stall shows as a gap of a second or more between two swaps; from the
  // second frame after it, every frame should be within ±17 ms again.
  for (std::size_t i = 1; i < frames.size(); ++i) {
    const double gap = frames[i].swapped - frames[i - 1].swapped;
    if (gap < 1.0 || frames[i].showTime <= 0.5 || frames[i].showTime >= 64) {
      continue;
    }
    std::printf(
        "\nStall of %.2f s at %.2f s into the show; first frame after it: loopback %+.1f ms, own "
        "%+.1f ms\n",
        gap, frames[i - 1].showTime, loopOf[i], frames[i].ownOffsetMs);
    std::printf("  every frame of the next 2 s from the second on (loopback ms):");
    long within = 0, counted = 0, rest = 0, restWithin = 0;
    std::vector<std::pair<double, double>> outside;  // show time, loopback ms
    for (std::size_t j = i + 1; j < frames.size(); ++j) {
      if (std::isnan(loopOf[j])) {
        continue;
      }
      const bool near = std::fabs(loopOf[j]) <= 17;
      if (frames[j].swapped - frames[i].swapped <= 2.0) {
        std::printf("%s%+.1f", counted % 12 == 0 ? "\n   " : " ", loopOf[j]);
        ++counted;
        within += near;
      }
      ++rest;
      restWithin += near;
      if (!near) {
        outside.push_back({frames[j].showTime, loopOf[j]});
      }
    }
    std::printf(
        "\n  within ±17 ms: %ld of %ld in those 2 s (goal: all, %s); %ld of %ld to the "
        "show's end\n",
        within, counted, verdict(counted > 0 && within == counted), restWithin, rest);
    if (!outside.empty()) {
      std::printf("  outside ±17 ms (show s: loopback ms):");
      for (std::size_t k = 0; k < outside.size() && k < 12; ++k) {
        std::printf(" %.2f: %+.1f", outside[k].first, outside[k].second);
      }
      std::printf("\n");
    }
  }
  return 0;
}
