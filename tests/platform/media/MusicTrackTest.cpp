#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/media/AudioDecoder.h"

using platform::AudioDecoder;

// The committed track, decoded by the player's own decoder: it must carry the
// show for its 64 seconds, stay below full scale after AAC, and hit the
// timeline's accents where the pictures flash.
namespace {

constexpr int rate = AudioDecoder::sampleRate;
constexpr int hop = 48;      // 1 ms between onset-strength values
constexpr int window = 240;  // 5 ms energy windows

// How much louder the next 5 ms are than the last 5 ms, per millisecond, on
// the signal's first difference: weighting energy toward high frequencies
// (as onset detectors weighting high-frequency content do) keeps a kick's
// slow low cycles from reading as new onsets, while a sharp attack still
// peaks at its first sample.
class OnsetStrength {
 public:
  explicit OnsetStrength(const AudioDecoder& decoder) {
    const auto& samples = decoder.samples();
    std::vector<double> energy(decoder.frames() + 1, 0.0);
    double last = 0;
    for (std::size_t i = 0; i < decoder.frames(); ++i) {
      double mono = 0.5 * (samples[2 * i] + samples[2 * i + 1]);
      double change = mono - last;
      last = mono;
      energy[i + 1] = energy[i] + change * change;
    }
    for (std::size_t n = window; n + window < energy.size(); n += hop) {
      double after = energy[n + window] - energy[n];
      double before = energy[n] - energy[n - window];
      strength_.push_back({static_cast<double>(n) / rate, std::max(0.0, after - before)});
    }
  }

  struct Peak {
    double time;  // seconds
    double strength;
  };
  // The strongest onset in [from, to).
  Peak strongest(double from, double to) const {
    Peak best{from, -1};
    for (const auto& value : strength_) {
      if (value.time >= from && value.time < to && value.strength > best.strength) {
        best = value;
      }
    }
    return best;
  }

 private:
  std::vector<Peak> strength_;
};

const AudioDecoder& track() {
  static AudioDecoder decoder = [] {
    AudioDecoder d;
    std::string error;
    EXPECT_TRUE(d.decodeFile(INVITED_TRACK_PATH, error))
        << error << " (regenerate it with the compose tool)";
    return d;
  }();
  return decoder;
}

}  // namespace

// It outlasts the show with a short tail, is mastered loud but below -1 dBFS,
// and sounds from its first milliseconds, where the first cue falls.
TEST(MusicTrack, IsLongEnoughLoudEnoughAndStartsAtOnce) {
  EXPECT_GE(track().duration(), 64.0);
  EXPECT_LE(track().duration(), 68.0);
  ASSERT_GT(track().frames(), 0u);
  float peak = 0, early = 0;
  for (std::size_t i = 0; i < track().samples().size(); ++i) {
    peak = std::max(peak, std::fabs(track().samples()[i]));
    early = i < 2 * rate / 100 ? peak : early;
  }
  EXPECT_LE(20 * std::log10(peak), -1.0);
  EXPECT_GE(20 * std::log10(peak), -4.0);
  EXPECT_GT(early, 0.05f);
}

TEST(MusicTrack, LoudestOnsetsSitOnTheAccents) {
  ASSERT_GT(track().frames(), 0u);
  OnsetStrength onsets(track());
  std::vector<double> accents;
  for (int k = 0; k < 8; ++k) {
    accents.push_back(2.0 + 4.0 * k);  // the static phrases of the opening
  }
  for (double drop = 38; drop <= 58; drop += 4) {
    accents.push_back(drop);  // the big-text passages
  }
  for (double accent : accents) {
    SCOPED_TRACE(accent);
    auto hit = onsets.strongest(accent - 0.25, accent + 0.25);
    EXPECT_NEAR(hit.time, accent, 0.010);
    // Louder than anything in the two seconds that lead up to it, and than
    // what follows until the next beat.
    auto before = onsets.strongest(accent - 2.0, accent - 0.25);
    auto after = onsets.strongest(accent + 0.25, accent + 0.5);
    EXPECT_GT(hit.strength, before.strength) << "louder onset at " << before.time;
    EXPECT_GT(hit.strength, after.strength) << "louder onset at " << after.time;
  }
}
