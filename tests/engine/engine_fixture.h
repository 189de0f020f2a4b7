// Shared set-up of the search tests: the plugin bound, one toolkit
// application, the application object with its menu bar, a 1024 x 768
// main screen, message boxes answered with OK, and the engine's module
// variables back at their start values.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "app/FileTypes.h"
#include "app/PluginEntrypoints.h"
#include "app/Startup.h"
#include "engine/DuplicateCheck.h"
#include "engine/Extension.h"
#include "engine/MissingFiles.h"
#include "engine/Search.h"
#include "engine/StringExtract.h"
#include "framework/application.h"
#include "framework/background_task.h"
#include "framework/controls.h"
#include "framework/dialogs.h"
#include "framework/editfield.h"
#include "framework/folder_item.h"
#include "framework/listbox.h"
#include "framework/runtime.h"
#include "framework/screen.h"
#include "ui/ResultsWindow.h"
#include "ui/SearchProgressWindow.h"
#include "ui/SearchWindow.h"
#include "ui/StatisticsWindow.h"

class EngineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    rb::SetApplicationFolderPathForTesting(SKERROW_PROGRAM_DIR);
    rb::RuntimeInit();
    _InitPluginEntrypoints();
    rb::EnsureApplicationForTesting();
    _InitFileTypes();
  }

  void SetUp() override {
    StartProgram();
    StringExtract::SearchedFor = 0;
    Search::FoundFiles = 0;
    Extension::Filename = rb::String();
    Extension::Suffix = rb::String();
    Extension::Prefix = rb::String();
    DuplicateCheck::CopyCounter = 0;
    DuplicateCheck::U = 0;
    DuplicateCheck::CopyTrack = 0;
    DuplicateCheck::SearchDupeName = rb::String();
    MissingFiles::CompareCount = 0;
    MissingFiles::NotaMatch = 0;
    MissingFiles::RealMisses = 0;
  }

  // A program as start-up leaves it: no window, the application object
  // with its menu bar, not quitting. Message boxes are answered with OK.
  static void StartProgram() {
    rb::ResetGuiForTesting();
    _NewAppInstance();
    rb::SetScreenSizeForTesting(1024, 768);
    rb::SetMessageBoxAnswerer([](const rb::MessageBoxRecord&) { return 1; });
  }

  void TearDown() override {
    rb::SetEventProcessorForTesting(nullptr);
    rb::SetBackgroundClockForTesting(nullptr);
    rb::NoteEventLoopRan();  // back to the real clock's time
    rb::ResetGuiForTesting();
  }

  // A clock for the framework's yield that moves 10 ms at every reading, so
  // that every yield runs the event loop; it never goes back, across tests.
  static int64_t SteppingClock() {
    static int64_t t = 0;
    int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count();
    t = std::max(t, now) + 10'000'000;
    return t;
  }

  static rb::Ref<rb::Listbox> Rows() { return ResultsWindow()->Control<rb::Listbox>("SearchList"); }
  static rb::Ref<rb::EditField> Field(const char* name) { return SearchWindow()->Control<rb::EditField>(name); }
  static rb::Ref<rb::CheckBox> Box(const char* name) { return SearchWindow()->Control<rb::CheckBox>(name); }
  static std::string StatText() {
    return StatisticsWindow()->Control<rb::EditField>("statfield")->Text().PathBytes();
  }

  // Column 1 of every row, top first.
  static std::vector<std::string> Names() {
    std::vector<std::string> names;
    rb::Ref<rb::Listbox> list = Rows();
    for (int r = 0; r < list->ListCount(); ++r) names.push_back(list->Cell(r, 1).PathBytes());
    return names;
  }
  // Column 2 of every row, top first.
  static std::vector<std::string> Paths() {
    std::vector<std::string> paths;
    rb::Ref<rb::Listbox> list = Rows();
    for (int r = 0; r < list->ListCount(); ++r) paths.push_back(list->Cell(r, 2).PathBytes());
    return paths;
  }

  // The windows on screen, by class name.
  static std::set<std::string> ShownWindows() {
    std::set<std::string> shown;
    for (const rb::Ref<rb::Window>& w : rb::OpenWindows())
      if (w->_IsOpen() && w->Visible()) shown.insert(w->_ClassName().Bytes());
    return shown;
  }

  // The search and destination folders and the query, as a person sets them.
  static void Inputs(const std::string& searchFolder, const std::string& saveFolder, const std::string& query) {
    SearchWindow()->SearchFolder = rb::GetFolderItem(rb::String(searchFolder));
    SearchWindow()->SaveFolder = rb::GetFolderItem(rb::String(saveFolder));
    Field("SearchField")->SetText(rb::String(query));
  }
};
