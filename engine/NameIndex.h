// Groups file names that the framework's string equality (which ignores
// case) takes as equal, without comparing every name with every other.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "framework/rbstring.h"

class NameIndex {
 public:
  // The group of the name, added as a new group when none matches. Groups
  // are numbered from 0 in the order they were first added.
  int Add(const rb::String& name);
  // The group of the name, or -1.
  int Find(const rb::String& name) const;
  // How many names were added to a group.
  int Count(int group) const { return counts_[static_cast<size_t>(group)]; }
  int Groups() const { return static_cast<int>(first_.size()); }
  void Clear();

  // A text that two names share exactly when they are equal: their
  // characters case-folded, so that names of any script spread over the
  // buckets.
  static std::string Key(const rb::String& name);

 private:
  int Lookup(const std::string& key, const rb::String& name) const;
  std::unordered_map<std::string, std::vector<int>> buckets_;
  std::vector<rb::String> first_;
  std::vector<int> counts_;
};
