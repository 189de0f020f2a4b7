// Process-wide folder table and path helpers.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/catalog_internal.h"

namespace platform {

namespace {

struct Folder {
  std::string path;
  uint64_t inode = 0;
  uint32_t parent = 0;  // 0 when the parent was not in the table
  std::string spec;     // spec name, for a folder found by inode
  bool sorted = false;  // inode noted, spec name made when it needs one
};

struct ChildKey {
  uint32_t parent;
  uint64_t inode;
  bool operator==(const ChildKey&) const = default;
};

struct ChildKeyHash {
  size_t operator()(const ChildKey& k) const {
    return std::hash<uint64_t>()(k.inode * 0x9E3779B97F4A7C15ull ^ k.parent);
  }
};

class FolderTable {
 public:
  FolderTable() {
    folders_.push_back(Folder{});           // 0: unused
    folders_.push_back(Folder{});           // 1: parent of the root
    folders_.push_back(Folder{"/", 0, 0, {}, false});  // 2: the root
    byPath_.emplace(std::string_view(folders_[2].path), kRootFolderId);
  }

  uint32_t Register(std::string_view path) {
    std::lock_guard<std::mutex> lock(mutex_);
    return RegisterLocked(path);
  }

  uint32_t RegisterChild(uint32_t parent, std::string_view name, uint64_t inode) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (parent < kRootFolderId || parent >= folders_.size()) return 0;
    // Seen before, as it is listed again and again.
    auto known = byChild_.find(ChildKey{parent, inode});
    if (known != byChild_.end()) {
      const Folder& f = folders_[known->second];
      if (f.inode == inode && f.path.size() > name.size() &&
          std::string_view(f.path).substr(f.path.size() - name.size()) == name &&
          f.path[f.path.size() - name.size() - 1] == '/')
        return known->second;
    }
    uint32_t id = RegisterLocked(JoinPath(folders_[parent].path, name));
    SetInodeLocked(id, inode);
    return id;
  }

  bool SpecName(uint32_t id, std::string* spec) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (id <= kRootFolderId || id >= folders_.size() || folders_[id].spec.empty()) return false;
    *spec = folders_[id].spec;
    return true;
  }

  uint32_t FindChild(uint32_t parent, uint64_t inode) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = byChild_.find(ChildKey{parent, inode});
    return it == byChild_.end() ? 0 : it->second;
  }

  uint32_t Find(std::string_view path) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = byPath_.find(path);
    return it == byPath_.end() ? 0 : it->second;
  }

  const std::string* Path(uint32_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (id == 0 || id >= folders_.size()) return nullptr;
    return &folders_[id].path;
  }

  uint64_t Inode(uint32_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (id == 0 || id >= folders_.size()) return 0;
    return folders_[id].inode;
  }

  void SetInode(uint32_t id, uint64_t inode) {
    std::lock_guard<std::mutex> lock(mutex_);
    SetInodeLocked(id, inode);
  }

  uint32_t Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<uint32_t>(folders_.size() - 1);
  }

 private:
  uint32_t RegisterLocked(std::string_view path) {
    auto it = byPath_.find(path);
    if (it != byPath_.end()) return it->second;
    std::string_view parentPath, name;
    SplitPath(path, &parentPath, &name);
    auto parent = byPath_.find(parentPath);
    // Deque elements never move, so the map can key on views of them.
    folders_.push_back(Folder{std::string(path), 0, parent == byPath_.end() ? 0 : parent->second, {}, false});
    auto id = static_cast<uint32_t>(folders_.size() - 1);
    try {
      byPath_.emplace(std::string_view(folders_.back().path), id);
    } catch (...) {
      folders_.pop_back();
      throw;
    }
    return id;
  }

  // Only folders that an FSRef or FSSpec cannot name by their whole name
  // are found by inode. A folder keeps every inode it was seen with: a key
  // that went stale still leads to the folder's path, and the path is what
  // names it.
  void SetInodeLocked(uint32_t id, uint64_t inode) {
    if (id <= kRootFolderId || id >= folders_.size() || inode == 0) return;
    Folder& f = folders_[id];
    if (f.sorted && f.inode == inode) return;
    f.inode = inode;
    f.sorted = true;
    if (f.parent == 0) return;
    std::string_view parentPath, name;
    SplitPath(f.path, &parentPath, &name);
    if (!NameNeedsLookup(name)) return;
    byChild_[ChildKey{f.parent, inode}] = id;
    f.spec = SpecNameFor(name, inode);
  }

  std::mutex mutex_;
  std::deque<Folder> folders_;
  std::unordered_map<std::string_view, uint32_t> byPath_;
  // Subfolders by their parent and inode.
  std::unordered_map<ChildKey, uint32_t, ChildKeyHash> byChild_;
};

FolderTable& Table() {
  // Never destroyed: records stay valid until the process ends.
  static FolderTable* table = new FolderTable();
  return *table;
}

}  // namespace

uint32_t RegisterFolder(std::string_view path) {
  if (path == "/") return kRootFolderId;
  return Table().Register(path);
}

uint32_t RegisterChildFolder(uint32_t parentId, std::string_view name, uint64_t inode) {
  return Table().RegisterChild(parentId, name, inode);
}

uint32_t FindChildFolder(uint32_t parentId, uint64_t inode) {
  if (inode == 0) return 0;
  return Table().FindChild(parentId, inode);
}

bool FolderSpecName(uint32_t id, std::string* spec) { return Table().SpecName(id, spec); }

uint32_t FindFolder(std::string_view path) {
  if (path == "/") return kRootFolderId;
  return Table().Find(path);
}

const std::string* FolderPath(uint32_t id) { return Table().Path(id); }

uint64_t FolderInode(uint32_t id) {
  if (id == kRootFolderId) return RootInode();
  return Table().Inode(id);
}

void NoteFolderInode(uint32_t id, uint64_t inode) {
  if (inode != 0 && id != kRootFolderId) Table().SetInode(id, inode);
}

uint32_t FolderTableCount() { return Table().Count(); }

uint64_t RootInode() {
  static const uint64_t inode = [] {
    struct stat st;
    return lstat("/", &st) == 0 ? static_cast<uint64_t>(st.st_ino) : uint64_t{2};
  }();
  return inode;
}

bool NormalizePath(std::string_view in, std::string* out) {
  if (in.empty()) return false;
  std::string base;
  if (in[0] != '/') {
    std::vector<char> buf(4096);
    while (!getcwd(buf.data(), buf.size())) {
      if (errno != ERANGE || buf.size() > (1u << 20)) return false;
      buf.resize(buf.size() * 2);
    }
    base = buf.data();
  }
  std::vector<std::string_view> parts;
  auto split = [&parts](std::string_view s) {
    size_t i = 0;
    while (i <= s.size()) {
      size_t j = s.find('/', i);
      if (j == std::string_view::npos) j = s.size();
      std::string_view part = s.substr(i, j - i);
      if (part.empty() || part == ".") {
        // skip
      } else if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else {
        parts.push_back(part);
      }
      i = j + 1;
    }
  };
  split(base);
  split(in);
  out->clear();
  if (parts.empty()) {
    *out = "/";
    return true;
  }
  for (std::string_view p : parts) {
    out->push_back('/');
    out->append(p);
  }
  return true;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string p;
  p.reserve(folder.size() + 1 + name.size());
  p.append(folder);
  if (p.empty() || p.back() != '/') p.push_back('/');
  p.append(name);
  return p;
}

void SplitPath(std::string_view path, std::string_view* parent, std::string_view* name) {
  size_t slash = path.rfind('/');
  *name = path.substr(slash + 1);
  *parent = slash == 0 ? std::string_view("/") : path.substr(0, slash);
}

bool IsValidName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

}  // namespace platform
