#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "ui/Random.h"
#include "ui/RunLoop.h"

// Every effect test starts on a fresh virtual clock with repeatable draws.
class EffectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::RunLoop::main().reset(0);
    ui::Random::setSource(std::make_unique<ui::SeededRandomSource>(1234));
  }
  void TearDown() override {
    ui::RunLoop::main().reset(0);
    ui::Random::setSource(nullptr);
  }
  static void runUntil(double t) { ui::RunLoop::main().runUntil(t); }
  static double now() { return ui::RunLoop::main().now(); }
};

inline const ui::Rect kStage{0, 0, 1920, 1080};
