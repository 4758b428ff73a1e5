#include "LoopbackAligner.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <deque>
#include <utility>

namespace bench {

namespace {

using Complex = std::complex<double>;

// A recording through a sound server is the track itself, or the track
// quantised to 16 bits: a true match scores 1 to a few parts in a million, a
// repeat of similar but not equal bars well below this.
constexpr double matchScore = 0.9;
// The first match must be this sure of itself, and stand this far above any
// other place in the track.
constexpr double leastAcquiredScore = 0.5;
constexpr double clearRatio = 1.2;
// Below −60 dBFS a block counts as silence and is never matched.
constexpr double silentMeanSquare = 1e-6;

void fft(std::vector<Complex>& data, bool inverse) {
  const std::size_t n = data.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; (j & bit) != 0; bit >>= 1) {
      j ^= bit;
    }
    j ^= bit;
    if (i < j) {
      std::swap(data[i], data[j]);
    }
  }
  for (std::size_t length = 2; length <= n; length <<= 1) {
    const double angle = (inverse ? 2 : -2) * M_PI / double(length);
    const Complex step(std::cos(angle), std::sin(angle));
    for (std::size_t start = 0; start < n; start += length) {
      Complex w(1);
      for (std::size_t k = 0; k < length / 2; ++k) {
        const Complex a = data[start + k];
        const Complex b = data[start + k + length / 2] * w;
        data[start + k] = a + b;
        data[start + k + length / 2] = a - b;
        w *= step;
      }
    }
  }
  if (inverse) {
    for (Complex& value : data) {
      value /= double(n);
    }
  }
}

}  // namespace

LoopbackAligner::LoopbackAligner(std::vector<float> track, int rate)
    : track_(std::move(track)), rate_(rate), factor_(std::max(1, rate / 12000)) {
  coarse_.resize(track_.size() / std::size_t(factor_));
  for (std::size_t i = 0; i < coarse_.size(); ++i) {
    double sum = 0;
    for (std::size_t f = 0; f < std::size_t(factor_); ++f) {
      sum += track_[i * std::size_t(factor_) + f];
    }
    coarse_[i] = float(sum / factor_);
  }
}

double LoopbackAligner::score(const std::vector<float>& recording, long begin, long length,
                              long lag) const {
  double dot = 0, recorded = 0, heard = 0;
  const long trackSize = long(track_.size());
  for (long i = begin; i < begin + length; ++i) {
    const double r = recording[std::size_t(i)];
    recorded += r * r;
    const long t = i - lag;
    if (t >= 0 && t < trackSize) {
      const double s = track_[std::size_t(t)];
      dot += r * s;
      heard += s * s;
    }
  }
  return recorded + heard > 0 ? 2 * dot / (recorded + heard) : 0;
}

std::optional<LoopbackAligner::Match> LoopbackAligner::acquire(const std::vector<float>& recording,
                                                               long begin) const {
  // Seconds of the recording vote, each for every placement in the track,
  // at a coarser rate: a vote counts its best within 50 ms, so that a few
  // samples gained or lost between seconds do not split the votes. More
  // seconds vote until one placement stands clearly above every other.
  const long second = long(rate_) / factor_;
  const long near = std::max(1L, second / 20);
  const long trackSize = long(coarse_.size());
  const long seconds = (long(recording.size()) - begin) / (second * factor_);
  std::size_t n = 1;
  while (n < std::size_t(trackSize + 2 * second)) {
    n <<= 1;
  }
  std::vector<Complex> heard(n);
  std::copy(coarse_.begin(), coarse_.end(), heard.begin());
  fft(heard, false);
  std::vector<double> squares(std::size_t(trackSize) + 1, 0.0);  // running sums of the track's
  for (long i = 0; i < trackSize; ++i) {
    squares[std::size_t(i + 1)] =
        squares[std::size_t(i)] + double(coarse_[std::size_t(i)]) * double(coarse_[std::size_t(i)]);
  }
  auto energyFrom = [&](long start) {
    const long from = std::clamp(start, 0L, trackSize);
    const long to = std::clamp(start + second, 0L, trackSize);
    return squares[std::size_t(to)] - squares[std::size_t(from)];
  };
  // Placement p: the track's coarse sample under the first second's first,
  // from a second before the track to its end; votes[p + second].
  const long placements = trackSize + second;
  std::vector<double> votes(std::size_t(placements), 0.0);
  std::vector<double> scores(std::size_t(placements), 0.0), best(std::size_t(placements), 0.0);
  long voted = 0;
  for (long k = 0; k < seconds; ++k) {
    std::vector<Complex> window(n);
    double windowEnergy = 0;
    for (long i = 0; i < second; ++i) {
      double sum = 0;
      for (long f = 0; f < factor_; ++f) {
        sum += recording[std::size_t(begin + (k * second + i) * factor_ + f)];
      }
      window[std::size_t(i)] = sum / factor_;
      windowEnergy += (sum / factor_) * (sum / factor_);
    }
    if (windowEnergy > silentMeanSquare * double(second)) {
      fft(window, false);
      for (std::size_t i = 0; i < n; ++i) {
        window[i] = heard[i] * std::conj(window[i]);
      }
      fft(window, true);
      for (long j = -second; j < trackSize; ++j) {
        const double dot = window[std::size_t(j >= 0 ? j : long(n) + j)].real();
        const double energy = windowEnergy + energyFrom(j);
        scores[std::size_t(j + second)] = energy > 0 ? 2 * dot / energy : 0;
      }
      // The best within ±near of each placement (a sliding maximum).
      std::deque<long> candidates;
      for (long i = 0, out = -near; out < placements; ++i, ++out) {
        if (i < placements) {
          while (!candidates.empty() &&
                 scores[std::size_t(candidates.back())] <= scores[std::size_t(i)]) {
            candidates.pop_back();
          }
          candidates.push_back(i);
        }
        if (out >= 0) {
          while (candidates.front() < out - near) {
            candidates.pop_front();
          }
          best[std::size_t(out)] = scores[std::size_t(candidates.front())];
        }
      }
      // Second k at placement j votes for the first second at j − k seconds.
      for (long p = 0; p + k * second < placements; ++p) {
        votes[std::size_t(p)] += best[std::size_t(p + k * second)];
      }
      ++voted;
    }
    const bool tally = k + 1 == seconds || (k + 1 >= 4 && ((k + 1) & k) == 0);
    if (!tally || voted == 0) {
      continue;
    }
    // The votes of one place are flat over ±near about it: its middle is
    // the place, and others must lie beyond what its votes could reach.
    const auto top = std::max_element(votes.begin(), votes.end());
    long last = long(top - votes.begin());
    while (last + 1 < placements && votes[std::size_t(last + 1)] >= *top * (1 - 1e-9)) {
      ++last;
    }
    const long p = (long(top - votes.begin()) + last) / 2;
    double other = 0;
    for (long q = 0; q < placements; ++q) {
      if (std::labs(q - p) > 2 * near) {
        other = std::max(other, votes[std::size_t(q)]);
      }
    }
    const double ratio = *top / std::max(other, 0.01 * double(voted));
    if (*top >= leastAcquiredScore * double(voted) && ratio >= clearRatio) {
      // To the sample: the best lag near the vote over the first block.
      const long coarseLag = begin - (p - second) * factor_;
      const long length = std::min(long(recording.size()) - begin, std::max(1L, long(rate_) / 5));
      long lag = coarseLag;
      double held = -1;
      for (long l = coarseLag - (near + 1) * factor_; l <= coarseLag + (near + 1) * factor_; ++l) {
        const double s = score(recording, begin, length, l);
        if (s > held) {
          held = s;
          lag = l;
        }
      }
      return Match{lag, *top / double(voted), ratio, (k + 1) * second * factor_};
    }
  }
  return std::nullopt;
}

long LoopbackAligner::changePoint(const std::vector<float>& recording, long begin, long end,
                                  long before, long after) const {
  auto error = [&](long i, long lag) {
    const long t = i - lag;
    const double s = t >= 0 && t < long(track_.size()) ? track_[std::size_t(t)] : 0.0;
    const double d = recording[std::size_t(i)] - s;
    return d * d;
  };
  // Total error with the change at k: the old lag before k, the new from k on.
  double total = 0;
  for (long i = begin; i < end; ++i) {
    total += error(i, after);
  }
  double least = total;
  long point = begin;
  for (long k = begin; k < end; ++k) {
    total += error(k, before) - error(k, after);
    if (total < least) {
      least = total;
      point = k + 1;
    }
  }
  return point;
}

void LoopbackAligner::addRun(long begin, long end, long lag) {
  if (!segments_.empty() && segments_.back().lag == lag && segments_.back().recordEnd == begin) {
    segments_.back().recordEnd = end;
  } else {
    segments_.push_back({begin, end, lag});
  }
}

bool LoopbackAligner::align(const std::vector<float>& recording, std::string& error) {
  segments_.clear();
  peakRatio_ = 0;
  acquiredOver_ = 0;
  const long size = long(recording.size());
  const long block = std::max(1, rate_ / 50);
  const long search = rate_ / 20;
  auto silent = [&](const std::vector<float>& samples, long begin, long length) {
    double energy = 0;
    for (long i = std::max(0L, begin); i < std::min(begin + length, long(samples.size())); ++i) {
      energy += double(samples[std::size_t(i)]) * double(samples[std::size_t(i)]);
    }
    return energy <= silentMeanSquare * double(length);
  };
  // The lag near `lag` under which recording[begin, begin + length) is most
  // like the track, if it is the track.
  auto nearby = [&](long begin, long length, long lag) -> std::optional<long> {
    // Outward from `lag`: a held note scores as well a period away, and the
    // nearest of equals is the likeliest.
    double best = matchScore;
    std::optional<long> found;
    for (long step = 1; step <= 2 * search + 1; ++step) {
      const long l = lag + (step % 2 == 0 ? step / 2 : -(step / 2));
      const double s = score(recording, begin, length, l);
      if (s > best + 1e-9) {
        best = s;
        found = l;
      }
    }
    return found;
  };
  std::optional<long> lag;
  long acquireFrom = 0;  // a search over the whole track is dear: at most one a second when lost
  for (long i = 0; i < size;) {
    const long length = std::min(block, size - i);
    if (silent(recording, i, length)) {
      // A rest in the music stays in its run; a silence where the track
      // sounds means the sound stopped, and it may come back anywhere (the
      // same bars after a stall look like the next repeat).
      if (lag && silent(track_, i - *lag, length)) {
        addRun(i, i + length, *lag);
      } else {
        lag.reset();
      }
      i += length;
      continue;
    }
    bool fresh = false;
    if (!lag) {
      if (i < acquireFrom) {
        i += length;
        continue;
      }
      const auto match = acquire(recording, i);
      if (!match) {
        i += rate_;
        continue;
      }
      fresh = true;
      if (segments_.empty()) {
        peakRatio_ = match->ratio;
        acquiredOver_ = double(match->length) / rate_;
      }
      lag = match->lag;
    }
    // Low notes score nearly as well a few samples off: the lag holds only
    // while it scores best among its neighbours.
    const double held = score(recording, i, length, *lag);
    if (held >= matchScore && held >= score(recording, i, length, *lag - 1) &&
        held >= score(recording, i, length, *lag + 1)) {
      addRun(i, i + length, *lag);
      i += length;
      continue;
    }
    if (auto here = nearby(i, length, *lag)) {
      // Clean at another lag: the change came at the end of the last block.
      long from = std::max(0L, i - block);
      if (!segments_.empty()) {
        const Segment& last = segments_.back();
        from = std::max(from, last.lag == *lag ? last.recordBegin : last.recordEnd);
      }
      const long point = changePoint(recording, from, i + length, *lag, *here);
      if (!segments_.empty() && segments_.back().lag == *lag) {
        segments_.back().recordEnd = std::min(segments_.back().recordEnd, point);
      }
      addRun(point, i + length, *here);
      lag = here;
      i += length;
      continue;
    }
    const long next = std::min(block, size - i - length);
    std::optional<long> after;
    if (next > 0 && !silent(recording, i + length, next)) {
      after = nearby(i + length, next, *lag);
    }
    if (after) {
      // This block holds the change.
      const long point = changePoint(recording, i, i + length, *lag, *after);
      addRun(i, point, *lag);
      addRun(point, i + length + next, *after);
      lag = after;
      i += length + next;
      continue;
    }
    // Neither here nor near: find the music again from the next block on.
    lag.reset();
    if (fresh) {
      acquireFrom = i + rate_;
    }
    i += length;
  }
  absorbShortRuns(recording, block);
  findEdges(recording, block);
  if (segments_.empty()) {
    error =
        "the recording never clearly holds the track (silent, another sound, or a repeat "
        "that no window tells apart)";
    return false;
  }
  return true;
}

void LoopbackAligner::absorbShortRuns(const std::vector<float>& recording, long block) {
  // A run shorter than two blocks right between two others is a block that
  // straddled a change and matched a third lag by chance: the change lies
  // between its neighbours.
  for (std::size_t k = 1; k < segments_.size();) {
    const Segment run = segments_[k];
    const bool between = k + 1 < segments_.size() &&
                         segments_[k - 1].recordEnd == run.recordBegin &&
                         run.recordEnd == segments_[k + 1].recordBegin;
    if (run.recordEnd - run.recordBegin >= 2 * block || !between) {
      ++k;
      continue;
    }
    Segment& before = segments_[k - 1];
    const Segment after = segments_[k + 1];
    const long point =
        changePoint(recording, std::max(before.recordBegin, run.recordBegin - block),
                    std::min(after.recordEnd, run.recordEnd + block), before.lag, after.lag);
    segments_.erase(segments_.begin() + long(k));
    if (before.lag == after.lag) {
      before.recordEnd = after.recordEnd;
      segments_.erase(segments_.begin() + long(k));
    } else {
      before.recordEnd = point;
      segments_[k].recordBegin = point;
    }
  }
}

void LoopbackAligner::findEdges(const std::vector<float>& recording, long block) {
  // Runs are found a block at a time, so where the sound stopped or came
  // back inside a block, a run can hold up to a block of silence or miss
  // up to a block of sound. Each edge next to silence is moved to the
  // sample: a silent sample where the track sounds was not heard there; a
  // sounding one beside a run, within a block, was that run's. A device
  // with nothing to play writes zeros, and music is next to never that
  // quiet.
  auto quiet = [](const std::vector<float>& samples, long i) {
    return i < 0 || i >= long(samples.size()) || std::fabs(samples[std::size_t(i)]) <= 1e-6f;
  };
  auto stopped = [&](long i, long lag) { return quiet(recording, i) && !quiet(track_, i - lag); };
  const long size = long(recording.size());
  for (std::size_t k = 0; k < segments_.size(); ++k) {
    Segment& run = segments_[k];
    const long earliest =
        std::max({0L, run.recordBegin - block, k > 0 ? segments_[k - 1].recordEnd : 0L});
    const long latest = std::min({size, run.recordEnd + block,
                                  k + 1 < segments_.size() ? segments_[k + 1].recordBegin : size});
    const long firstBegin = run.recordBegin;
    while (run.recordBegin + 1 < run.recordEnd && run.recordBegin < firstBegin + block &&
           stopped(run.recordBegin, run.lag)) {
      ++run.recordBegin;
    }
    while (run.recordBegin > earliest && !quiet(recording, run.recordBegin - 1)) {
      --run.recordBegin;
    }
    const long firstEnd = run.recordEnd;
    while (run.recordEnd - 1 > run.recordBegin && run.recordEnd > firstEnd - block &&
           stopped(run.recordEnd - 1, run.lag)) {
      --run.recordEnd;
    }
    while (run.recordEnd < latest && !quiet(recording, run.recordEnd)) {
      ++run.recordEnd;
    }
  }
}

std::vector<LoopbackAligner::Change> LoopbackAligner::changes() const {
  std::vector<Change> found;
  for (std::size_t i = 1; i < segments_.size(); ++i) {
    const Segment& segment = segments_[i];
    if (segment.lag == segments_[i - 1].lag) {
      continue;  // the sound stopped and came back where it was
    }
    found.push_back({segment.recordBegin, segment.recordBegin - segment.lag,
                     segment.lag - segments_[i - 1].lag});
  }
  return found;
}

std::optional<long> LoopbackAligner::heardIndexOf(long trackIndex, long skipped) const {
  if (auto index = recordIndexOf(trackIndex)) {
    return index;
  }
  for (std::size_t k = 1; k < segments_.size(); ++k) {
    const Segment& before = segments_[k - 1];
    const Segment& after = segments_[k];
    const long stoppedAt = before.recordEnd - before.lag;
    const long wentOnAt = after.recordBegin - after.lag;
    if (stoppedAt <= trackIndex && trackIndex < wentOnAt && wentOnAt - trackIndex <= skipped) {
      return after.recordBegin;
    }
  }
  return std::nullopt;
}

std::optional<long> LoopbackAligner::recordIndexOf(long trackIndex) const {
  for (const Segment& segment : segments_) {
    const long index = trackIndex + segment.lag;
    if (index >= segment.recordBegin && index < segment.recordEnd) {
      return index;
    }
  }
  return std::nullopt;
}

}  // namespace bench
