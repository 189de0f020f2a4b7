#include "engine/NameIndex.h"

std::string NameIndex::Key(const rb::String& name) { return rb::CaseFoldedKey(name); }

int NameIndex::Lookup(const std::string& key, const rb::String& name) const {
  auto it = buckets_.find(key);
  if (it == buckets_.end()) return -1;
  for (int g : it->second) {
    if (first_[static_cast<size_t>(g)] == name) return g;
  }
  return -1;
}

int NameIndex::Add(const rb::String& name) {
  std::string key = Key(name);
  int g = Lookup(key, name);
  if (g < 0) {
    g = static_cast<int>(first_.size());
    first_.push_back(name);
    counts_.push_back(0);
    buckets_[key].push_back(g);
  }
  ++counts_[static_cast<size_t>(g)];
  return g;
}

int NameIndex::Find(const rb::String& name) const { return Lookup(Key(name), name); }

void NameIndex::Clear() {
  buckets_.clear();
  first_.clear();
  counts_.clear();
}
