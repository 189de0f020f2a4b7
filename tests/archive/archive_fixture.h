// Shared set-up of the archive, preview and picture-test tests: the program
// folder with its plugins, one toolkit application, the application object
// with its menu bar, a 1024 x 768 main screen, message boxes answered with
// OK, and a clean window state around every test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/FileTypes.h"
#include "app/PluginEntrypoints.h"
#include "app/Startup.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/runtime.h"
#include "framework/screen.h"

inline std::string SampleData(const std::string& name) {
  return std::string(SKERROW_SOURCE_DIR) + "/tests/archive/data/" + name;
}

class ProgramTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    rb::SetApplicationFolderPathForTesting(SKERROW_PROGRAM_DIR);
    rb::RuntimeInit();
    _InitPluginEntrypoints();
    rb::EnsureApplicationForTesting();
    _InitFileTypes();
  }
  void SetUp() override {
    rb::ResetGuiForTesting();
    _NewAppInstance();
    rb::SetScreenSizeForTesting(1024, 768);
    rb::SetMessageBoxAnswerer([](const rb::MessageBoxRecord&) { return 1; });
  }
  void TearDown() override { rb::ResetGuiForTesting(); }

  static std::vector<rb::MessageBoxRecord> Boxes() { return rb::ShownMessageBoxes(); }
};
