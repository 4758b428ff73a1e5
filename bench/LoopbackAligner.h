#pragma once

#include <optional>
#include <string>
#include <vector>

namespace bench {

// Finds, for each sample of a recording of the music, the sample of the track
// it holds. A track repeats itself (a bar, a phrase), so a short stretch of
// the recording may match a repeat as well as its own place: more and more
// seconds of the recording vote for a place until one stands clearly above
// every other, and that match is then followed block by block with a small
// search, so that a few samples gained or lost on the way show as a change of
// the lag rather than as a jump to another repeat. Silence in the recording
// is never matched.
class LoopbackAligner {
 public:
  // Recording samples [recordBegin, recordEnd) hold the track's samples
  // [recordBegin − lag, recordEnd − lag).
  struct Segment {
    long recordBegin;
    long recordEnd;
    long lag;
  };
  // From `recordIndex` on, the lag is `samples` larger: positive, the
  // recording gained samples (the sound waited); negative, it lost them (the
  // music skipped ahead).
  struct Change {
    long recordIndex;
    long trackIndex;  // held at recordIndex
    long samples;
  };

  // Mono samples at `rate` Hz; the durations below scale with it.
  LoopbackAligner(std::vector<float> track, int rate);

  // Fails, with a reason, when the recording never clearly holds the track.
  bool align(const std::vector<float>& recording, std::string& error);

  const std::vector<Segment>& segments() const { return segments_; }
  std::vector<Change> changes() const;
  // The first match's best score over the best elsewhere (1 would be a tie),
  // and the seconds of recording it took.
  double peakRatio() const { return peakRatio_; }
  double acquiredOverSeconds() const { return acquiredOver_; }
  // Where the recording first holds a track sample; none for a sample never
  // heard (before the recording, or skipped).
  std::optional<long> recordIndexOf(long trackIndex) const;
  // As recordIndexOf(), and for a sample the sound skipped by at most
  // `skipped` samples where it stopped and went on again (a device may drop
  // a few as it takes up sound after running dry), where it went on.
  std::optional<long> heardIndexOf(long trackIndex, long skipped) const;

 private:
  struct Match {
    long lag;
    double score;
    double ratio;
    long length;  // of the window that found it
  };
  // Lets more and more seconds from `begin` vote until one lag stands out;
  // none if none does.
  std::optional<Match> acquire(const std::vector<float>& recording, long begin) const;
  // 1 for a copy of the track at this lag, near 0 for anything else,
  // silence in the track included.
  double score(const std::vector<float>& recording, long begin, long length, long lag) const;
  // The first index in [begin, end) that follows `after` rather than `before`.
  long changePoint(const std::vector<float>& recording, long begin, long end, long before,
                   long after) const;
  void addRun(long begin, long end, long lag);
  void absorbShortRuns(const std::vector<float>& recording, long block);
  void findEdges(const std::vector<float>& recording, long block);

  std::vector<float> track_;
  int rate_;
  int factor_;                 // the track is searched as a whole at rate_ / factor_
  std::vector<float> coarse_;  // the track at that rate
  std::vector<Segment> segments_;
  double peakRatio_ = 0;
  double acquiredOver_ = 0;
};

}  // namespace bench
