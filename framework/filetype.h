// File types, registered by name; drop targets ask for them by name.
#pragma once

#include <string>
#include <vector>

#include "framework/gui_types.h"

namespace rb {

class FileType : public Object {
 public:
  FileType() = default;
  String Name() const { return name_; }
  void SetName(const String& s) { name_ = s; }
  // Extensions separated by ";" or "," (with or without the dot).
  String Extensions() const { return extensions_; }
  void SetExtensions(const String& s) { extensions_ = s; }
  String MacType() const { return macType_; }
  void SetMacType(const String& s) { macType_ = s; }
  String MacCreator() const { return macCreator_; }
  void SetMacCreator(const String& s) { macCreator_ = s; }

  // Whether a file (or folder) is of this type: MacType "fold" takes
  // folders, "****" or "***" anything, else the extensions take files.
  bool Matches(const std::string& path, bool isFolder) const;

 private:
  String name_, extensions_, macType_, macCreator_;
};

// Registers a file type; a later one of the same name replaces it.
// Nil raises NilObjectException.
void RegisterFileType(const Ref<FileType>& type);
// The registered type of that name (ignoring case), or nil.
Ref<FileType> FindFileType(const String& name);
std::vector<Ref<FileType>> RegisteredFileTypes();
void ClearFileTypesForTesting();

}  // namespace rb
