#include "framework/filetype.h"

#include <strings.h>

#include <algorithm>

namespace rb {

namespace {
std::vector<Ref<FileType>>& types() {
  static auto* t = new std::vector<Ref<FileType>>;
  return *t;
}
}  // namespace

bool FileType::Matches(const std::string& path, bool isFolder) const {
  std::string mt = macType_.Utf8();
  if (mt == "****" || mt == "***") return true;
  if (strcasecmp(mt.c_str(), "fold") == 0 || name_ == String("special/folder")) return isFolder;
  if (isFolder) return false;
  std::string exts = extensions_.Utf8();
  size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return false;
  std::string ext = name.substr(dot + 1);
  size_t pos = 0;
  while (pos <= exts.size()) {
    size_t end = exts.find_first_of(";,", pos);
    if (end == std::string::npos) end = exts.size();
    std::string e = exts.substr(pos, end - pos);
    while (!e.empty() && (e.front() == ' ' || e.front() == '.')) e.erase(e.begin());
    while (!e.empty() && e.back() == ' ') e.pop_back();
    if (!e.empty() && strcasecmp(e.c_str(), ext.c_str()) == 0) return true;
    pos = end + 1;
  }
  return false;
}

void RegisterFileType(const Ref<FileType>& type) {
  if (!type) throw NilObjectException();
  auto& t = types();
  for (auto& existing : t) {
    if (existing->Name() == type->Name()) {
      existing = type;
      return;
    }
  }
  t.push_back(type);
}

Ref<FileType> FindFileType(const String& name) {
  for (const Ref<FileType>& t : types()) {
    if (t->Name() == name) return t;
  }
  return nullptr;
}

std::vector<Ref<FileType>> RegisteredFileTypes() { return types(); }

void ClearFileTypesForTesting() { types().clear(); }

}  // namespace rb
