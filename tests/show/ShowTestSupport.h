#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include "show/ViewController.h"
#include "ui/AudioPlayer.h"
#include "ui/Bundle.h"
#include "ui/Random.h"
#include "ui/RunLoop.h"
#include "ui/Screen.h"
#include "ui/Window.h"

// Stands in for the platform's player: no sound card in the tests, only the
// calls the controller makes.
struct FakeAudio {
  int created = 0;
  int prepared = 0;
  int played = 0;
  int stopped = 0;
  std::string lastPath;
  bool noOutput = false;  // play() finds no sound output
};

class FakeAudioPlayer : public ui::AudioPlayer {
 public:
  explicit FakeAudioPlayer(FakeAudio& calls) : calls_(calls) {}
  bool prepareToPlay() override {
    ++calls_.prepared;
    return true;
  }
  bool play() override {
    ++calls_.played;
    playing_ = !calls_.noOutput;
    return playing_;
  }
  void stop() override {
    ++calls_.stopped;
    playing_ = false;
  }
  bool isPlaying() const override { return playing_; }
  double duration() const override { return 70; }
  double outputLatency() const override { return 0; }
  double currentTime() const override { return 0; }

 private:
  FakeAudio& calls_;
  bool playing_ = false;
};

// A fresh clock, repeatable draws, a resource folder holding a (fake) track
// and a player that records its calls.
class ShowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::RunLoop::main().reset(0);
    ui::Random::setSource(std::make_unique<ui::SeededRandomSource>(2027));
    savedBundle_ = ui::Bundle::main().resourcePath();
    // Parameterised tests have a "/" in their names.
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');
    resources_ = std::filesystem::temp_directory_path() /
                 ("invited-show-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::create_directories(resources_);
    // The fonts come from the real resource folder; the track is a stand-in.
    for (const auto& entry : std::filesystem::directory_iterator(savedBundle_)) {
      if (entry.path().extension() == ".otf") {
        std::filesystem::create_symlink(entry.path(), resources_ / entry.path().filename());
      }
    }
    std::ofstream(resources_ / "audio.m4a") << "not really audio";
    ui::Bundle::main() = ui::Bundle(resources_.string());
    ui::AudioPlayer::setFactory([this](const std::string& path, std::string&) {
      ++audio.created;
      audio.lastPath = path;
      return std::make_shared<FakeAudioPlayer>(audio);
    });
  }

  void TearDown() override {
    ui::RunLoop::main().reset(0);
    ui::Random::setSource(nullptr);
    ui::AudioPlayer::setFactory(nullptr);
    ui::Bundle::main() = ui::Bundle(savedBundle_);
    std::filesystem::remove_all(resources_);
    ui::Screen::main().setBounds({0, 0, 1920, 1080});
  }

  // A window of the given size, as the delegate makes it, shown.
  std::shared_ptr<ui::Window> showIn(const std::shared_ptr<ViewController>& controller,
                                     double width, double height) {
    ui::Screen::main().setBounds({0, 0, width, height});
    auto window = std::make_shared<ui::Window>(ui::Screen::main().bounds());
    window->setRootViewController(controller);
    window->makeKeyAndVisible();
    return window;
  }

  static void click(ui::Window& window, ui::Point point) {
    window.touchDown(point);
    window.touchUp(point);
  }

  static void runUntil(double t) { ui::RunLoop::main().runUntil(t); }
  static double now() { return ui::RunLoop::main().now(); }

  FakeAudio audio;
  std::filesystem::path resources_;

 private:
  std::string savedBundle_;
};
