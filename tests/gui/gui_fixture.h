// Shared set-up of the GUI tests: one toolkit application, a clean
// framework state around every test.
#pragma once

#include <gtest/gtest.h>

#include "framework/application.h"

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rb::EnsureApplicationForTesting();
    rb::ResetGuiForTesting();
  }
  void TearDown() override { rb::ResetGuiForTesting(); }
};
