#include "show/ViewController.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "content/Content.h"
#include "content/StageText.h"
#include "show/CueSheet.h"
#include "ui/Bundle.h"
#include "ui/ResourceFile.h"
#include "ui/RunLoop.h"
#include "ui/TextLayout.h"

namespace {

constexpr double kStageWidth = 1920;
constexpr double kStageHeight = 1080;
constexpr double kFadeDuration = 4.0;
constexpr double kStartScreenPoints = 24;
constexpr double kStartScreenFill = 0.95;  // share of the window the text may take
constexpr double kSmallestPoints = 1;
constexpr unsigned kFlexibleSize = ui::AutoresizingFlexibleWidth | ui::AutoresizingFlexibleHeight;

[[noreturn]] void fatalError(const char* message) {
  std::fprintf(stderr, "Fatal error: %s\n", message);
  std::fflush(stderr);
  std::abort();
}

}  // namespace

ViewController::Members ViewController::makeMembers(bool gentle) {
  const ui::Rect zero = ui::Rect::zero();
  Members m;
  m.qtFoolingBgView = std::make_shared<ui::View>(zero);
  m.contentView = std::make_shared<ui::View>(zero);
  m.backgroundContainer = std::make_shared<ui::View>(zero);
  m.rapidTextView = std::make_shared<OrvRapidTextView>(zero);
  m.fillTextView = std::make_shared<OrvFillTextView>(zero);
  m.bigTextView = std::make_shared<OrvBigTextView>(zero);
  m.wfLabel = std::make_shared<ui::Label>(zero);
  m.bipView = std::make_shared<OrvBipView>(zero);
  m.overlayView = std::make_shared<OrvOverlayView>(zero);
  m.rapidTextView->setGentle(gentle);
  m.bigTextView->setGentle(gentle);
  m.bipView->setGentle(gentle);
  m.overlayView->setGentle(gentle);
  return m;
}

ViewController::ViewController() : ViewController(makeMembers()) {}

ViewController::ViewController(bool gentle) : ViewController(makeMembers(gentle)) {}

ViewController::ViewController(Members m)
    : qtFoolingBgView_(std::move(m.qtFoolingBgView)),
      contentView_(std::move(m.contentView)),
      backgroundContainer_(std::move(m.backgroundContainer)),
      rapidTextView_(std::move(m.rapidTextView)),
      fillTextView_(std::move(m.fillTextView)),
      bigTextView_(std::move(m.bigTextView)),
      wfLabel_(std::move(m.wfLabel)),
      bipView_(std::move(m.bipView)),
      overlayView_(std::move(m.overlayView)) {
  // Opening the track and decoding its first sound is no part of the path to
  // the first frame: it runs while the start screen stands, and a click
  // waits for it (it takes a fraction of a second). It begins only once the
  // first frame is on screen, because the first player loads the decoder's
  // libraries, and a load beside the window's own holds both up. Without
  // threads it is opened when the click asks for it.
  const auto policy =
      ui::AudioPlayer::madeInBackground() ? std::launch::async : std::launch::deferred;
  std::shared_future<void> released = openingReleased_.get_future().share();
  opening_ = std::async(policy, [released] {
    released.wait();
    OpenedMusic music;
    music.player = makeAudioPlayer(music.failure);
    return music;
  });
  startButton_ = makeStartButton();
  startButton_->addTarget(this, &ViewController::startButtonTouchedWithButton,
                          ui::ControlEvent::TouchUpInside);
  // The first request of the root view loads it: viewDidLoad runs here.
  view()->setBackgroundColor(ui::Color::black());
  qtFoolingBgView_->setBackgroundColor(ui::Color::withWhite(0.1, 1.0));
  view()->addSubview(qtFoolingBgView_);
  contentView_->setHidden(true);
  view()->addSubview(contentView_);
  view()->addSubview(startButton_);
}

std::shared_ptr<ViewController> ViewController::initWithCoder(const ui::Coder&) {
  Members members = makeMembers();
  (void)members;
  fatalError("init(coder:) has not been implemented");
}

std::shared_ptr<ViewController> ViewController::initWithNibName(const std::string&,
                                                                const std::string&) {
  fatalError("init(nibName:bundle:) has not been implemented");
}

std::shared_ptr<ui::AudioPlayer> ViewController::makeAudioPlayer(std::string& failure) {
  const ui::Bundle& bundle = ui::Bundle::main();
  // An organiser's music, checked with the rest of their show file.
  const std::string track =
      content::musicFile() ? *content::musicFile() : bundle.resourcePath() + "/audio.m4a";
  if (auto problem = ui::ResourceFile::problem(track)) {
    failure = "cannot play the music " + track + ": " + *problem;
    return nullptr;
  }
  std::string error;
  auto player = ui::AudioPlayer::createWithContentsOfURL(track, error);
  if (!player) {
    // One line that names the file, whether or not the player's reason does.
    if (error.find(track) == std::string::npos) {
      error = track + ": " + error;
    }
    std::replace(error.begin(), error.end(), '\n', ' ');
    failure = "cannot play the music: " + error;
  }
  return player;
}

std::shared_ptr<ui::Button> ViewController::makeStartButton() {
  auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
  button->setTitle(content::infoText(), ui::ControlState::Normal);
  button->titleLabel()->setNumberOfLines(0);
  button->titleLabel()->setLineBreakMode(ui::LineBreakMode::ByWordWrapping);
  button->titleLabel()->setFont(ui::Font::systemFont(kStartScreenPoints));
  button->setBackgroundColor(ui::Color::black());
  return button;
}

// Lifecycle -------------------------------------------------------------------

void ViewController::viewDidLoad() {
  ui::ViewController::viewDidLoad();
}

ViewController::~ViewController() {
  releaseOpening();
}

void ViewController::releaseOpening() const {
  if (!released_) {
    released_ = true;
    openingReleased_.set_value();
  }
}

bool ViewController::musicSettled() const {
  return !opening_.valid() ||
         opening_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

void ViewController::awaitMusic() const {
  if (!opening_.valid()) {
    return;
  }
  releaseOpening();
  OpenedMusic music = opening_.get();
  audioPlayer_ = std::move(music.player);
  musicFailure_ = std::move(music.failure);
  if (audioPlayer_) {
    audioPlayer_->prepareToPlay();
  }
}

void ViewController::viewWillAppear(bool animated) {
  ui::ViewController::viewWillAppear(animated);
  const ui::Rect bounds = view()->bounds();
  const double w = bounds.width(), h = bounds.height();
  qtFoolingBgView_->setFrame({w * 0.5 - 1, h * 0.5 - 1, 2, 2});

  contentView_->setFrame(bounds);
  contentView_->setAutoresizingMask(kFlexibleSize);
  contentView_->setBackgroundColor(ui::Color::white());

  startButton_->setFrame(contentView_->frame());
  startButton_->setAutoresizingMask(contentView_->autoresizingMask());
  if (!stageFitted_) {
    fitStartScreenText(bounds.size);
  }

  auto stack = [&](const std::shared_ptr<ui::View>& layer) {
    layer->setFrame(contentView_->bounds());
    layer->setHidden(true);
    layer->setAutoresizingMask(contentView_->autoresizingMask());
  };
  stack(backgroundContainer_);
  contentView_->addSubview(backgroundContainer_);
  stack(rapidTextView_);
  contentView_->addSubview(rapidTextView_);
  stack(fillTextView_);
  contentView_->addSubview(fillTextView_);
  stack(bigTextView_);
  contentView_->addSubview(bigTextView_);
  stack(wfLabel_);
  wfLabel_->setTextColor(ui::Color::black());
  contentView_->addSubview(wfLabel_);
  bipView_->setHidden(true);
  contentView_->addSubview(bipView_);
  stack(overlayView_);
  overlayView_->layer().setCompositingFilter("saturationBlendMode");
  contentView_->addSubview(overlayView_);
}

void ViewController::viewDidAppear(bool animated) {
  ui::ViewController::viewDidAppear(animated);
  releaseOpening();
  if (autostart_) {
    std::weak_ptr<ViewController> weak = weak_from_this();
    ui::RunLoop::main().asyncAfter(kFadeDuration, [weak] {
      // A click may have come first: the show starts once.
      if (auto controller = weak.lock();
          controller && controller->startButton_->isUserInteractionEnabled()) {
        controller->startButtonTouchedWithButton(controller->startButton_.get());
      }
    });
  }
}

void ViewController::viewDidDisappear(bool animated) {
  ui::ViewController::viewDidDisappear(animated);
  awaitMusic();
  if (audioPlayer_) {
    audioPlayer_->stop();
  }
}

// Start screen ------------------------------------------------------------------

void ViewController::startButtonTouchedWithButton(ui::Button*) {
  awaitMusic();
  startButton_->setUserInteractionEnabled(false);
  std::weak_ptr<ViewController> weak = weak_from_this();
  ui::View::animate(
      kFadeDuration, [this] { startButton_->setAlpha(0); },
      [weak](bool) {
        if (auto controller = weak.lock()) {
          controller->startShow();
        }
      });
}

// Show start and clock --------------------------------------------------------

void ViewController::fitStage(ui::Size size) {
  const auto& root = view();
  root->setBounds({root->bounds().origin, {kStageWidth, kStageHeight}});
  root->setClipsToBounds(true);
  stageFitted_ = true;
  if (size.width <= 0 || size.height <= 0) {
    return;
  }
  // A window narrower than 16:9 takes the stage's width, a wider one its
  // height: the whole stage shows, black bands fill the rest.
  const double scale = size.width / size.height <= kStageWidth / kStageHeight
                           ? size.width / kStageWidth
                           : size.height / kStageHeight;
  root->setTransform(ui::AffineTransform::identity().scaled(scale, scale));
}

void ViewController::fitStartScreenText(ui::Size size) {
  const auto& label = startButton_->titleLabel();
  const std::string& text = label->text();
  double points = kStartScreenPoints;
  // Line heights round up to whole points, so the first guess may need a
  // step or two more.
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ui::Size natural = ui::TextLayout::naturalSize(text, ui::Font::systemFont(points));
    const double shrink = std::min(size.width * kStartScreenFill / natural.width,
                                   size.height * kStartScreenFill / natural.height);
    if (shrink >= 1 || natural.width <= 0 || natural.height <= 0) {
      break;
    }
    points = std::max(kSmallestPoints, points * shrink);
  }
  if (points != label->font().pointSize()) {
    label->setFont(ui::Font::systemFont(points));
    startButton_->setNeedsLayout();
  }
}

void ViewController::viewWillTransitionToSize(ui::Size size) {
  if (stageFitted_) {
    fitStage(size);
  } else {
    fitStartScreenText(size);
  }
}

void ViewController::placeClosingLine() {
  wfLabel_->setFont(content::StageText::fitted(content::StageText::Role::ClosingLine,
                                               content::closingLine(), view()->bounds().width()));
  wfLabel_->setText(content::closingLine());
  wfLabel_->sizeToFit();
  ui::Rect frame = wfLabel_->frame();
  frame.origin.x = contentView_->bounds().width() * 0.5 - wfLabel_->bounds().width() * 0.5;
  wfLabel_->setFrame(frame);
  frame = wfLabel_->frame();
  frame.origin.y = contentView_->bounds().height() * 0.5 - wfLabel_->bounds().height() * 0.5;
  wfLabel_->setFrame(frame);
}

void ViewController::placeFlashDot() {
  bipView_->setFrame({view()->bounds().width() - 44 - 44, 44, 44, 44});
  bipView_->setBackgroundColor(ui::Color::black());
  bipView_->layer().setCornerRadius(bipView_->bounds().width() * 0.5);
  bipView_->setHidden(true);
}

void ViewController::startShow() {
  const ui::View* window = view()->superview();
  fitStage(window ? window->bounds().size : view()->bounds().size);
  startButton_->setHidden(true);
  contentView_->setHidden(false);
  rapidTextView_->prepareRapidText();
  fillTextView_->prepareFill();
  bigTextView_->prepareBigText();
  overlayView_->prepareOverlay();
  placeClosingLine();
  placeFlashDot();
  awaitMusic();
  if (audioPlayer_ && !audioPlayer_->play()) {
    // The show goes on without its music; a person at a silent machine
    // should know it is not the volume.
    const std::string& name = ui::Bundle::main().name();
    std::fprintf(stderr,
                 "%s%sno sound output could be opened (no sound server or card); the "
                 "show plays without its music\n",
                 name.c_str(), name.empty() ? "" : ": ");
  }
  // The whole timeline is armed at once, right after the music starts, so
  // both share one start instant; nothing re-aligns them later.
  auto self = shared_from_this();
  for (std::int64_t p = 0; p <= length_; ++p) {
    ui::RunLoop::main().performAfterDelay(self, &ViewController::eventWithPos,
                                          static_cast<double>(p) * CueSheet::kCueInterval, p);
  }
}

void ViewController::eventWithPos(std::int64_t position) {
  if (position < length_) {
    backgroundContainer_->setHidden(false);
    backgroundContainer_->setBackgroundColor(ui::Color::white());
  }
  runPassageActions(position);
  if (auto flash = CueSheet::flashAt(position)) {
    bipView_->flash(flash->animated, flash->duration);
  }
  if (position == length_ && showEnded_) {
    std::weak_ptr<ViewController> weak = weak_from_this();
    ui::RunLoop::main().asyncAfter(kEndHold, [weak] {
      if (auto controller = weak.lock(); controller && controller->showEnded_) {
        auto handler = std::move(controller->showEnded_);
        controller->showEnded_ = nullptr;
        handler();
      }
    });
  }
}

void ViewController::runPassageActions(std::int64_t position) {
  using Passage = CueSheet::Passage;
  switch (CueSheet::passageAt(position)) {
    case Passage::RapidStart:
      rapidTextView_->setHidden(false);
      rapidTextView_->showNextRapidPhrase();
      break;
    case Passage::Rapid:
      rapidTextView_->showNextRapidPhrase();
      break;
    case Passage::Static:
      rapidTextView_->showNextStaticPhrase();
      break;
    case Passage::Fill:
      rapidTextView_->setHidden(true);
      fillTextView_->setHidden(false);
      fillTextView_->stepFill();
      break;
    case Passage::BigText:
      fillTextView_->setHidden(true);
      bigTextView_->setHidden(false);
      bigTextView_->showBigWord();
      break;
    case Passage::FillOverlay:
      if (CueSheet::raisesBigTextPosition(position)) {
        bigTextView_->position += 1;
      }
      if (CueSheet::advancesOverlayPattern(position)) {
        overlayView_->advancePattern();
      }
      bigTextView_->setHidden(true);
      fillTextView_->setHidden(false);
      fillTextView_->stepFill();
      overlayView_->setHidden(false);
      overlayView_->flashRandomView();
      break;
    case Passage::ClosingLine:
      fillTextView_->setHidden(true);
      wfLabel_->setHidden(false);
      break;
    case Passage::End:
      wfLabel_->setHidden(true);
      backgroundContainer_->setBackgroundColor(ui::Color::black());
      break;
    case Passage::Rest:
    case Passage::ClosingRest:
    case Passage::Outside:
      break;
  }
}
