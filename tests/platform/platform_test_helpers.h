// Helpers shared by the platform layer tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/catalog.h"
#include "platform/name_codec.h"

namespace platformtest {

inline std::string RefPath(const FSRef& ref) {
  uint8_t buf[4096];
  if (FSRefMakePath(&ref, buf, sizeof buf) != noErr) return "<error>";
  return reinterpret_cast<const char*>(buf);
}

inline std::string SpecPath(const FSSpec& spec) {
  uint8_t buf[4096];
  if (FSSpecMakePath(&spec, buf, sizeof buf) != noErr) return "<error>";
  return reinterpret_cast<const char*>(buf);
}

inline FSRef RefOf(const std::string& path, Boolean* isDir = nullptr) {
  FSRef ref;
  std::memset(&ref, 0, sizeof ref);
  EXPECT_EQ(noErr, FSPathMakeRef(reinterpret_cast<const uint8_t*>(path.c_str()), &ref, isDir)) << path;
  return ref;
}

inline FSSpec SpecOf(const std::string& path) {
  FSSpec spec;
  std::memset(&spec, 0, sizeof spec);
  EXPECT_EQ(noErr, FSPathMakeFSSpec(reinterpret_cast<const uint8_t*>(path.c_str()), &spec)) << path;
  return spec;
}

inline std::string NameBytes(const HFSUniStr255& name) {
  return platform::Utf16ToNameBytes(
      std::u16string_view(reinterpret_cast<const char16_t*>(name.unicode), name.length));
}

inline std::string SpecName(const FSSpec& spec) {
  return std::string(reinterpret_cast<const char*>(spec.name + 1), spec.name[0]);
}

struct Listed {
  std::string name;  // bytes, from the HFSUniStr255
  FSRef ref;
  FSSpec spec;
  FSCatalogInfo info;
};

// Lists a folder the way the folder-listing plugin does: one item per call.
inline std::vector<Listed> ListFolder(const std::string& folder, FSCatalogInfoBitmap which,
                                      OSErr* openResult = nullptr) {
  std::vector<Listed> out;
  FSRef container = RefOf(folder);
  FSIterator it = nullptr;
  OSErr err = FSOpenIterator(&container, kFSIterateFlat, &it);
  if (openResult) *openResult = err;
  if (err != noErr) {
    if (!openResult) ADD_FAILURE() << "FSOpenIterator " << folder << ": " << err;
    return out;
  }
  for (;;) {
    Listed item;
    std::memset(&item.ref, 0, sizeof item.ref);
    std::memset(&item.spec, 0, sizeof item.spec);
    std::memset(&item.info, 0, sizeof item.info);
    HFSUniStr255 name;
    std::memset(&name, 0, sizeof name);
    ItemCount actual = 99;
    err = FSGetCatalogInfoBulk(it, 1, &actual, nullptr, which, &item.info, &item.ref,
                               &item.spec, &name);
    if (err != noErr) {
      EXPECT_EQ(errFSNoMoreItems, err);
      EXPECT_EQ(0u, actual);
      break;
    }
    EXPECT_EQ(1u, actual);
    item.name = NameBytes(name);
    out.push_back(item);
  }
  EXPECT_EQ(noErr, FSCloseIterator(it));
  return out;
}

inline const Listed* Find(const std::vector<Listed>& items, const std::string& name) {
  for (const Listed& l : items)
    if (l.name == name) return &l;
  return nullptr;
}

inline uint64_t Seconds(const UTCDateTime& d) {
  return (uint64_t{d.highSeconds} << 32) | d.lowSeconds;
}

// Runs a check as an unprivileged user (in a child process when this one
// runs as root, where permissions are not enforced). True when it passed.
inline bool RunUnprivileged(const std::function<bool()>& check) {
  if (geteuid() != 0) return check();
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    _exit(check() ? 0 : 1);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace platformtest
