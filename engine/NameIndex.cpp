#include "engine/NameIndex.h"

namespace {

constexpr char kMarker = '\x01';

inline char KeyChar(char32_t c) {
  if (c >= 0x80) return kMarker;
  if (c >= 'A' && c <= 'Z') c += 32;
  if (c == 'k' || c == 's') return kMarker;
  return static_cast<char>(c);
}

bool AsciiOnly(const std::string& bytes) {
  for (unsigned char b : bytes) {
    if (b & 0x80) return false;
  }
  return true;
}

}  // namespace

std::string NameIndex::Key(const rb::String& name) {
  std::string key;
  const std::string& bytes = name.Bytes();
  uint32_t enc = name.Encoding();
  if ((enc == rb::Encodings::UTF8 || enc == rb::Encodings::ASCII) && AsciiOnly(bytes)) {
    key.reserve(bytes.size());
    for (unsigned char b : bytes) key += KeyChar(b);
    return key;
  }
  // One key character per character, as the equality decodes them.
  std::u16string units = name.Utf16();
  key.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    char16_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF)
      ++i;
    key += KeyChar(u);
  }
  return key;
}

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
