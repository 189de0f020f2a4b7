#include "app/FileTypes.h"

namespace FileTypes {

rb::Ref<rb::FileType> pText;
rb::Ref<rb::FileType> pSpecialFolder;
rb::Ref<rb::FileType> pAll;

namespace {

void Define(rb::Ref<rb::FileType>& slot, const char* name, const char* macType, const char* macCreator) {
  slot = rb::Ref<rb::FileType>::New();
  if (!slot) throw rb::NilObjectException();
  slot->SetName(name);
  slot->SetExtensions("");
  slot->SetMacType(macType);
  slot->SetMacCreator(macCreator);
  rb::RegisterFileType(slot);
}

}  // namespace

void _Initialize() {
  Define(pText, "text", "TEXT", "R*ch");
  Define(pSpecialFolder, "special/folder", "fold", "MACS");
  Define(pAll, "All", "***", "***");
}

}  // namespace FileTypes

void _InitFileTypes() { FileTypes::_Initialize(); }
