#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/Coder.h"
#include "ui/Label.h"
#include "ui/View.h"

// The opening: one phrase at a time flashes in white on a full panel of
// colour. Rapid steps strobe at the cue rate; static steps hold a phrase for
// 1.5 s, and the 4th and 8th of them send out four echoes of it.
class OrvRapidTextView : public ui::View {
 public:
  explicit OrvRapidTextView(const ui::Rect& frame);
  // Nullptr when the archive is not a view's.
  static std::shared_ptr<OrvRapidTextView> initWithCoder(const ui::Coder& coder);

  virtual void prepareRapidText();
  virtual void showNextRapidPhrase();
  virtual void showNextStaticPhrase();
  void hideMainLabel();
  void trailSupportLabels();
  void scatterSupportLabels();
  void driftSupportLabel(const std::shared_ptr<ui::Label>& label,
                         const std::shared_ptr<OrvRapidTextView>& view);

  // Gentle: the phrase stays lit from cue to cue, and the panel changes
  // colour every eighth rapid step, cross-faded, instead of on every cue.
  // Set before preparation.
  void setGentle(bool gentle) { gentle_ = gentle; }
  bool gentle() const { return gentle_; }

  const std::shared_ptr<ui::Label>& mainLabel() const { return mainLabel_; }
  const std::vector<std::shared_ptr<ui::Label>>& supportLabels() const { return supportLabels_; }
  std::int64_t rapidPosition() const { return rapidPosition_; }
  std::int64_t staticPosition() const { return staticPosition_; }

 private:
  // Steps 1 to 5 shared by both kinds of step, on the given counter.
  void showPhraseAt(std::int64_t& position, bool changesColour);
  void crossFadeTo(const ui::Color& color);
  std::shared_ptr<OrvRapidTextView> self();

  const std::shared_ptr<ui::Label> mainLabel_;
  std::vector<std::shared_ptr<ui::Label>> supportLabels_;
  std::int64_t rapidPosition_ = 0;
  // The phrase of the next static step; wraps with the phrase list.
  std::int64_t staticPosition_ = 0;
  // Static steps so far, which pick the trail (4th) and the scatter (8th)
  // however short the phrase list is.
  std::int64_t staticSteps_ = 0;
  bool gentle_ = false;
  // Gentle only: rapid steps since the last colour change, and the previous
  // colour fading out over the new one.
  std::int64_t stepsOnColour_ = 0;
  std::shared_ptr<ui::View> veil_;
};
