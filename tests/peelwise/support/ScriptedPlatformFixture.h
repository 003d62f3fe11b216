#pragma once
// Installs a ScriptedPlatform for the length of a test and puts the previous one back.

#include "brontle/services/ScriptedPlatform.h"

#include <gtest/gtest.h>

#include <memory>

class ScriptedPlatformTest : public ::testing::Test {
  protected:
    void SetUp() override {
        scripted_ = std::make_shared<brontle::ScriptedPlatform>();
        previous_ = brontle::setPlatform(scripted_);
    }
    void TearDown() override { brontle::setPlatform(previous_); }

    brontle::ScriptedPlatform& prompts() { return *scripted_; }

  private:
    std::shared_ptr<brontle::ScriptedPlatform> scripted_;
    std::shared_ptr<brontle::Platform> previous_;
};
