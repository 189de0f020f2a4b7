// Shared set-up of the program's window tests: one toolkit application,
// the program folder of the build (for the pictures), a clean framework
// state around every test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/filetype.h"
#include "framework/runtime.h"
#include "framework/screen.h"

class AppGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rb::EnsureApplicationForTesting();
    rb::ResetGuiForTesting();
    savedFolder_ = rb::ApplicationFolderPath();
    rb::SetApplicationFolderPathForTesting(SKERROW_PROGRAM_DIR);
    rb::ClearFileTypesForTesting();
    rb::SetMessageBoxAnswerer([](const rb::MessageBoxRecord&) { return 1; });
  }
  void TearDown() override {
    rb::ResetGuiForTesting();
    rb::SetScreenSizeForTesting(0, 0);
    rb::ClearFileTypesForTesting();
    rb::SetApplicationFolderPathForTesting(savedFolder_);
  }

 private:
  std::string savedFolder_;
};
