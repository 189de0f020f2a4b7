// The file types the program registers at start-up.
#pragma once

#include "framework/filetype.h"
#include "framework/object.h"

namespace FileTypes {

extern rb::Ref<rb::FileType> pText;           // "text"
extern rb::Ref<rb::FileType> pSpecialFolder;  // "special/folder": the folder drop boxes
extern rb::Ref<rb::FileType> pAll;            // "All"

// Creates, fills and registers the three types, in that order.
void _Initialize();

}  // namespace FileTypes

// Registers the program's file types (FileTypes::_Initialize).
void _InitFileTypes();
