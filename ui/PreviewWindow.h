// A floating window that shows one picture file 400 pixels wide, centred on
// the main screen. A click anywhere in it closes it.
#pragma once

#include <cstdint>

#include "framework/folder_item.h"
#include "framework/graphics.h"
#include "framework/picture.h"
#include "framework/window.h"

class PreviewWindowClass : public rb::Window {
 public:
  // The picture opened from SourceImage at the latest paint.
  rb::Ref<rb::Picture> StorePreview;
  // The file to show.
  rb::Ref<rb::FolderItem> SourceImage;
  // Display size: 400 wide, the height scaled by the same factor.
  int32_t NewWidth = 0;
  int32_t NewHeight = 0;

  // Creation steps; the window has no controls and no menu handlers.
  void Layout() override;
  void CreateControls() override {}
  void AddMenuHandlers() override {}

  // Opens SourceImage afresh, sizes and centres the window and draws the
  // whole picture into it. A file that cannot be opened as a picture
  // draws nothing and leaves the window as it is.
  void Event_Paint(rb::Graphics& g) override;
  // Closes the window; answers false.
  bool Event_MouseDown(int x, int y) override;
};

// The preview window, created (and shown) on first use.
rb::Ref<PreviewWindowClass> PreviewWindow();
