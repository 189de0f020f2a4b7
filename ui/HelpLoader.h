// Loading the help document "help.rtf" from the program's folder into the
// help window. The search and results windows' Help command calls
// HelpLoader::HelpAction; their parseRTF calls HelpLoader::ParseRTF.
#pragma once

#include "framework/folder_item.h"
#include "framework/object.h"
#include "framework/rbstring.h"

namespace HelpLoader {

// The Help menu command: renders "help.rtf" into the help window and
// places the window, or shows a two-line message in it when the file cannot
// be opened. A request made while a document is still loading is ignored.
// Always false.
bool HelpAction();

// Renders the help file into the help window's field, scrolls the field and
// places the window: centred horizontally, its bottom edge 150 pixels below
// the screen's middle. Returns silently when the file cannot be opened, and
// when a document is still loading.
void ParseRTF(const rb::Ref<rb::FolderItem>& file);

// True while a help document is being read.
bool Loading();

// The message shown when "help.rtf" cannot be opened.
rb::String MissingHelpMessage();

}  // namespace HelpLoader
