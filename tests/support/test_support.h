// Helpers shared by the test programs.
#pragma once

#include <string>
#include <sys/types.h>

namespace testsupport {

// A fresh folder under /tmp, removed with everything in it (at any depth)
// on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // Path of a relative name inside the folder.
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

 private:
  std::string path_;
};

// Paths below are absolute and may be of any length: folders are opened a
// part at a time.
// Writes bytes to a file, creating its parent folders.
void WriteFile(const std::string& path, const std::string& bytes);
// The file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
void MakeDirs(const std::string& path);
// Sets an extended attribute; false when the file system refuses.
bool SetXattr(const std::string& path, const std::string& name, const std::string& value);
// Sets the modification time (and access time) in Unix seconds.
void SetMtime(const std::string& path, long long unixSeconds);

}  // namespace testsupport
