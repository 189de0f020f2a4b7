// Tests that load help documents as the Help command does: the program's
// folder is a temporary one that holds their help.rtf.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "framework/application.h"
#include "framework/runtime.h"
#include "rtf/RtfEditField.h"
#include "rtf/RtfFont.h"
#include "rtf/RtfParser.h"
#include "support/test_support.h"
#include "tests/rtf/RtfTestSupport.h"
#include "ui/HelpWindow.h"

namespace rtftest {

class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rb::EnsureApplicationForTesting();
    rb::ResetGuiForTesting();
    savedFolder_ = rb::ApplicationFolderPath();
    rb::SetApplicationFolderPathForTesting(dir_.path());
  }
  void TearDown() override {
    RtfParser::SetUserCancelledSource(nullptr);
    RtfFont::SetInstalledFontsSource(nullptr);
    rb::ResetGuiForTesting();
    rb::SetApplicationFolderPathForTesting(savedFolder_);
  }

  void PutHelp(const std::string& bytes) { testsupport::WriteFile(dir_ / "help.rtf", bytes); }
  static rb::Ref<RtfEditField> Field() { return HelpWindow()->Control<RtfEditField>("EditField1"); }
  // Moves the insertion point just after the first occurrence of text
  // (UTF-8), so that the field's selection styles describe its last
  // character.
  static void After(const std::string& text) { ASSERT_TRUE(CaretAfter(*Field(), text)); }

  testsupport::TempDir dir_;
  std::string savedFolder_;
};

}  // namespace rtftest
