#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace render {

// Counts the flashes in a sequence of frames, the way photosensitivity
// guidelines define them:
// - a general transition is a change in relative luminance of 0.1 or more,
//   from one turning point to the next, whose darker end is below 0.8;
// - a red transition is a change of more than 20 in max(0, (R − G − B) × 320)
//   (linear R, G, B from 0 to 1) where one end is a saturated red,
//   R / (R + G + B) ≥ 0.8;
// - a flash is a pair of opposing transitions;
// - a transition counts only where it covers, within one field of view (two
//   thirds of the frame's width and height), at least a ninth of the frame
//   (341 × 256 pixels of 1024 × 768), all in the same direction at once.
//
// Frames are reduced to cells of a few pixels (mean of linear light) before
// anything else; each cell follows its own luminance and red values. A
// field's transition is the moment enough of its cells have turned the same
// way within a twentieth of a second, and a field's transitions must
// alternate. The count for a one-second window is the largest over all fields.
class FlashAnalyser {
 public:
  enum Kind { General = 0, Red = 1 };

  // Opposing transitions in one second above which the window fails: more
  // than three flashes.
  static constexpr int maxTransitions = 6;

  explicit FlashAnalyser(int fps);

  // An 8-bit sRGB RGBA frame, rows top to bottom. Every frame must have the
  // size of the first; the first one only sets the starting point.
  void addFrame(int width, int height, const std::uint8_t* rgba);

  int fps() const { return fps_; }
  long frameCount() const { return frames_; }

  // Transitions in the worst field within frames [first, first + fps), the
  // window reaching past the last frame when the sequence ends sooner.
  struct Window {
    long first = 0;
    std::array<int, 2> transitions{};
    bool fails() const {
      return transitions[0] > maxTransitions || transitions[1] > maxTransitions;
    }
  };
  // One window per frame.
  std::vector<Window> windows() const;

  static double relativeLuminance(std::uint8_t r, std::uint8_t g, std::uint8_t b);

 private:
  // Follows one value from turning point to turning point.
  struct Track {
    float low = 0, high = 0;
    bool lowRed = false, highRed = false;
    std::int8_t last = 0;  // direction of the last transition: +1 up, −1 down
  };
  struct Field {
    int x0, y0, x1, y1;  // cells, half-open
    std::array<std::int8_t, 2> last{};
    std::array<std::vector<long>, 2> events;
  };

  void setUp(int width, int height);
  // +1 or −1 when the track turns and the turn counts, 0 otherwise.
  static int stepGeneral(Track& track, float luminance);
  static int stepRed(Track& track, float value, bool saturated);
  void findFieldTransitions();

  int fps_;
  long frames_ = 0;
  int width_ = 0, height_ = 0, block_ = 1, columns_ = 0, rows_ = 0;
  int recent_ = 1;
  long areaCells_ = 0;
  std::vector<Field> fields_;
  std::array<std::vector<Track>, 2> tracks_;
  // Per kind and direction (up, down), the frame until which each cell's
  // last transition still counts as concurrent.
  std::array<std::array<std::vector<long>, 2>, 2> recentUntil_;
  std::vector<std::array<float, 3>> cells_;
  std::vector<long> integral_;
};

}  // namespace render
